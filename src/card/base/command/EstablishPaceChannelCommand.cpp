#include "command/EstablishPaceChannelCommand.h"

#include "CardConnectionWorker.h"
#include "OpenSslUtil.h"

using namespace tessarovin;

EstablishPaceChannelCommand::EstablishPaceChannelCommand(const QSharedPointer<CardConnectionWorker>& pCardConnectionWorker,
		PacePasswordId pPacePasswordId,
		const QByteArray& pPacePassword,
		const QByteArray& pEffectiveChat,
		const QByteArray& pCertificateDescription)
	: BaseCardCommand(pCardConnectionWorker)
	, mPacePasswordId(pPacePasswordId)
	, mPacePassword(pPacePassword)
	, mEffectiveChat(pEffectiveChat)
	, mCertificateDescription(pCertificateDescription)
	, mPaceOutput(pPacePasswordId, CardReturnCode::UNDEFINED)
{
}


EstablishPaceChannelCommand::~EstablishPaceChannelCommand()
{
	// The password is a secret: do not leave it in freed memory.
	wipe(mPacePassword);
}


void EstablishPaceChannelCommand::internalExecute()
{
	const auto& worker = getCardConnectionWorker();
	const auto readerInfo = worker->getReaderInfo();

	if (!readerInfo.hasEid())
	{
		mPaceOutput.setPaceReturnCode(CardReturnCode::CARD_NOT_FOUND);
		setReturnCode(CardReturnCode::CARD_NOT_FOUND);
		return;
	}

	// The PUK may only unblock a blocked PIN.
	if (mPacePasswordId == PacePasswordId::PACE_PUK && (readerInfo.getRetryCounter() > 0 || readerInfo.isPinDeactivated()))
	{
		mPaceOutput.setPaceReturnCode(CardReturnCode::PIN_NOT_BLOCKED);
		setReturnCode(CardReturnCode::PIN_NOT_BLOCKED);
		return;
	}

	mPaceOutput = worker->establishPaceChannel(mPacePasswordId, mPacePassword, mEffectiveChat, mCertificateDescription);
	setReturnCode(mPaceOutput.getPaceReturnCode());
}


const EstablishPaceChannelOutput& EstablishPaceChannelCommand::getPaceOutput() const
{
	return mPaceOutput;
}
