#include "command/DestroyPaceChannelCommand.h"

#include "CardConnectionWorker.h"

using namespace tessarovin;

DestroyPaceChannelCommand::DestroyPaceChannelCommand(const QSharedPointer<CardConnectionWorker>& pCardConnectionWorker, const QString& pSlotHandle)
	: BaseCardCommand(pCardConnectionWorker)
	, mSlotHandle(pSlotHandle)
	, mSecureMessagingStopped(false)
{
	// Set on the worker's thread while the command executes there.
	connect(pCardConnectionWorker.data(), &CardConnectionWorker::fireSecureMessagingStopped, this, [this] {
			mSecureMessagingStopped = true;
		});
}


void DestroyPaceChannelCommand::internalExecute()
{
	setReturnCode(getCardConnectionWorker()->destroyPaceChannel());
}


const QString& DestroyPaceChannelCommand::getSlotHandle() const
{
	return mSlotHandle;
}


bool DestroyPaceChannelCommand::getSecureMessagingStopped() const
{
	return mSecureMessagingStopped;
}
