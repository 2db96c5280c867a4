#include "command/SetEidPinCommand.h"

#include "CardConnectionWorker.h"
#include "OpenSslUtil.h"

using namespace tessarovin;

SetEidPinCommand::SetEidPinCommand(const QSharedPointer<CardConnectionWorker>& pCardConnectionWorker, const QByteArray& pNewPin, uchar pTimeoutSeconds)
	: BaseCardCommand(pCardConnectionWorker)
	, mNewPin(pNewPin)
	, mTimeoutSeconds(pTimeoutSeconds)
	, mResponseApdu()
{
}


SetEidPinCommand::~SetEidPinCommand()
{
	// The PIN is a secret: do not leave it in freed memory.
	wipe(mNewPin);
}


void SetEidPinCommand::internalExecute()
{
	const auto result = getCardConnectionWorker()->setEidPin(mNewPin, mTimeoutSeconds);
	mResponseApdu = result.mResponseApdu;

	// A missing card answers without any response, too.
	setReturnCode(mResponseApdu.isEmpty() ? CardReturnCode::RESPONSE_EMPTY : result.mReturnCode);
}


const ResponseApdu& SetEidPinCommand::getResponseApdu() const
{
	return mResponseApdu;
}
