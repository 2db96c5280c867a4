#include "command/UpdateRetryCounterCommand.h"

#include "CardConnectionWorker.h"

using namespace tessarovin;

UpdateRetryCounterCommand::UpdateRetryCounterCommand(const QSharedPointer<CardConnectionWorker>& pCardConnectionWorker, const QString& pSlotHandle)
	: BaseCardCommand(pCardConnectionWorker)
	, mSlotHandle(pSlotHandle)
{
}


void UpdateRetryCounterCommand::internalExecute()
{
	setReturnCode(getCardConnectionWorker()->updateRetryCounter());
}


const QString& UpdateRetryCounterCommand::getSlotHandle() const
{
	return mSlotHandle;
}
