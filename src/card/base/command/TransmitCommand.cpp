#include "command/TransmitCommand.h"

#include "apdu/CommandApdu.h"
#include "CardConnectionWorker.h"
#include "LogCategories.h"

#include <algorithm>

using namespace tessarovin;

namespace
{

// Without regard to case: the server writes the codes as hexBinary, whose canonical form is
// upper case, so "6A82" must accept the status word 6a82.
bool isAcceptable(const InputApduInfo& pInputApduInfo, const QByteArray& pStatusWordHex)
{
	const auto& codes = pInputApduInfo.getAcceptableStatusCodes();
	if (codes.isEmpty())
	{
		return true;
	}

	const QByteArray statusWord = pStatusWordHex.toLower();
	return std::any_of(codes.cbegin(), codes.cend(), [&statusWord](const QByteArray& pCode){
			return statusWord.startsWith(pCode.toLower());
		});
}


} // namespace

TransmitCommand::TransmitCommand(const QSharedPointer<CardConnectionWorker>& pCardConnectionWorker,
		const QList<InputApduInfo>& pInputApduInfos,
		const QString& pSlotHandle)
	: BaseCardCommand(pCardConnectionWorker)
	, mInputApduInfos(pInputApduInfos)
	, mSlotHandle(pSlotHandle)
	, mOutputApduAsHex()
	, mSecureMessagingStopped(false)
{
	// Set on the worker's thread while the command executes there.
	connect(pCardConnectionWorker.data(), &CardConnectionWorker::fireSecureMessagingStopped, this, [this] {
			mSecureMessagingStopped = true;
		});
}


void TransmitCommand::internalExecute()
{
	const auto& worker = getCardConnectionWorker();
	for (const auto& info : mInputApduInfos)
	{
		const auto result = worker->transmit(CommandApdu(info.getInputApdu()));
		setReturnCode(result.mReturnCode);
		if (result.mReturnCode != CardReturnCode::OK)
		{
			qCWarning(card) << "Transmit unsuccessful. Return code:" << cardReturnCodeToGlobalStatus(result.mReturnCode);
			return;
		}

		const auto& response = result.mResponseApdu;
		if (response.isEmpty())
		{
			qCWarning(card) << "Transmit unsuccessful. Received empty response.";
			setReturnCode(CardReturnCode::COMMAND_FAILED);
			return;
		}

		mOutputApduAsHex += QByteArray(response).toHex();

		const QByteArray statusBytes = response.getStatusBytes();
		const QByteArray statusWord = statusBytes.isEmpty() ? QByteArrayLiteral("0000") : statusBytes.toHex();
		if (!isAcceptable(info, statusWord))
		{
			qCWarning(card) << "Transmit unsuccessful. StatusCode does not start with acceptable status code" << info.getAcceptableStatusCodes();
			setReturnCode(CardReturnCode::UNEXPECTED_TRANSMIT_STATUS);
			return;
		}
	}

	qCDebug(card) << "transmit end";
	setReturnCode(CardReturnCode::OK);
}


const QByteArrayList& TransmitCommand::getOutputApduAsHex() const
{
	return mOutputApduAsHex;
}


const QString& TransmitCommand::getSlotHandle() const
{
	return mSlotHandle;
}


bool TransmitCommand::getSecureMessagingStopped() const
{
	return mSecureMessagingStopped;
}
