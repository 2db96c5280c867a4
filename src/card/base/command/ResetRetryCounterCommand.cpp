#include "command/ResetRetryCounterCommand.h"

#include "CardConnectionWorker.h"

using namespace tessarovin;

ResetRetryCounterCommand::ResetRetryCounterCommand(const QSharedPointer<CardConnectionWorker>& pCardConnectionWorker)
	: BaseCardCommand(pCardConnectionWorker)
	, mStatusCode(StatusCode::UNKNOWN)
{
}


void ResetRetryCounterCommand::internalExecute()
{
	// P1 03: reset without new reference data; P2 03: the PIN.
	const auto& worker = getCardConnectionWorker();
	const auto result = worker->transmit(CommandApdu(Ins::RESET_RETRY_COUNTER, 0x03, 0x03));
	setReturnCode(result.mReturnCode);

	if (result.mReturnCode != CardReturnCode::OK)
	{
		return;
	}

	mStatusCode = result.mResponseApdu.getStatusCode();
	if (mStatusCode == StatusCode::ACCESS_DENIED)
	{
		// The card no longer takes this PUK.
		worker->setPukInoperative();
	}
}


StatusCode ResetRetryCounterCommand::getStatusCode() const
{
	return mStatusCode;
}
