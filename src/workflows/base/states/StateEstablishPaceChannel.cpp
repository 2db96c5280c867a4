#include "states/StateEstablishPaceChannel.h"

#include "command/EstablishPaceChannelCommand.h"
#include "context/AuthContext.h"
#include "context/ChangePinContext.h"
#include "LogCategories.h"
#include "OpenSslUtil.h"

using namespace tessarovin;

StateEstablishPaceChannel::StateEstablishPaceChannel(const QSharedPointer<WorkflowContext>& pContext)
	: AbstractState(pContext)
	, GenericContextContainer(pContext)
{
}


void StateEstablishPaceChannel::run()
{
	const auto& context = getContext();
	if (context->getStatus().isError())
	{
		Q_EMIT firePaceChannelFailed();
		return;
	}

	const PacePasswordId passwordType = context->getPasswordType();
	QByteArray effectiveChat;
	QByteArray certificateDescription;
	if (const auto* authContext = qobject_cast<AuthContext*>(context.data()))
	{
		const bool withRights = passwordType == PacePasswordId::PACE_PIN
				|| (passwordType == PacePasswordId::PACE_CAN && authContext->isCanAllowedMode());
		if (withRights && authContext->getDidAuthenticateEac1())
		{
			certificateDescription = authContext->getDidAuthenticateEac1()->getCertificateDescriptionAsBinary();
			effectiveChat = authContext->encodeEffectiveChat();
		}
	}

	QByteArray password;
	switch (passwordType)
	{
		case PacePasswordId::PACE_CAN:
			password = context->getCan().toLatin1();
			break;

		case PacePasswordId::PACE_PIN:
			password = context->getPin().toLatin1();
			break;

		case PacePasswordId::PACE_PUK:
			password = context->getPuk().toLatin1();
			break;

		case PacePasswordId::UNKNOWN:
		case PacePasswordId::PACE_MRZ:
			break;
	}

	const auto& cardConnection = context->getCardConnection();
	if (!cardConnection)
	{
		wipe(password);
		qCDebug(statemachine) << "No card connection available";
		context->setPaceOutputData(EstablishPaceChannelOutput(passwordType, CardReturnCode::CARD_NOT_FOUND));
		Q_EMIT fireNoCardConnection();
		return;
	}

	const bool basicReader = cardConnection->getReaderInfo().isBasicReader();
	if (password.isEmpty() && basicReader)
	{
		qCCritical(statemachine) << "We hit an invalid state! PACE password is empty for basic reader.";
		updateStatus(GlobalStatus(GlobalStatus::Code::Workflow_Wrong_Parameter_Invocation, GlobalStatus::Origin::Client));
		Q_EMIT fireAbort(FailureCode::Reason::Establish_Pace_Channel_Basic_Reader_No_Pin);
		return;
	}

	context->setProgress(context->getProgressValue(), tr("The secure channel is opened"));
	qCDebug(statemachine) << "Establish connection using" << passwordType;

	if (passwordType == PacePasswordId::PACE_PIN && !basicReader)
	{
		// A pin pad that asks for the five digits of the transport PIN learns it from this marker.
		const auto* changePinContext = qobject_cast<ChangePinContext*>(context.data());
		if (changePinContext && changePinContext->isRequestTransportPin())
		{
			wipe(password);
			password = QByteArray(5, '\0');
		}
	}

	addConnection(cardConnection->callEstablishPaceChannelCommand(this, &StateEstablishPaceChannel::onEstablishConnectionDone,
			passwordType, password, effectiveChat, certificateDescription));
	// The command holds its own copy and wipes it.
	wipe(password);
}


void StateEstablishPaceChannel::onEstablishConnectionDone(const QSharedPointer<BaseCardCommand>& pCommand)
{
	const auto& context = getContext();
	context->setInitialInputErrorShown();

	const CardReturnCode returnCode = pCommand->getReturnCode();
	const auto command = pCommand.objectCast<EstablishPaceChannelCommand>();
	context->setPaceOutputData(command ? command->getPaceOutput() : EstablishPaceChannelOutput(context->getPasswordType(), returnCode));

	handleNpaPosition(returnCode);

	if (returnCode == CardReturnCode::OK)
	{
		switch (context->getPaceOutputData().getPaceResult())
		{
			case PaceResult::UNDEFINED:
				qCCritical(statemachine) << "Cannot handle unknown PacePasswordId";
				updateStatus(GlobalStatus(GlobalStatus::Code::Card_Protocol_Error, GlobalStatus::Origin::Client));
				Q_EMIT fireAbort(FailureCode::Reason::Establish_Pace_Channel_Unknown_Password_Id);
				return;

			case PaceResult::OK_PIN:
			case PaceResult::OK_PIN_AUTH:
			{
				const int expectedRetryCounter = 3;
				qCDebug(statemachine) << "PACE_PIN succeeded. Setting expected retry counter to:" << expectedRetryCounter;
				context->setExpectedRetryCounter(expectedRetryCounter);
				Q_EMIT fireContinue();
				return;
			}

			case PaceResult::OK_CAN:
				qCDebug(statemachine) << "PACE_CAN (PIN) succeeded";
				Q_EMIT firePaceCanEstablished();
				return;

			case PaceResult::OK_CAN_AUTH:
				qCDebug(statemachine) << "PACE_CAN (AUTH) succeeded";
				Q_EMIT fireContinue();
				return;

			case PaceResult::OK_PUK:
				qCDebug(statemachine) << "PACE_PUK succeeded";
				Q_EMIT firePacePukEstablished();
				return;

			case PaceResult::INVALID_PIN_3:
				Q_EMIT fireThirdPinAttemptFailed();
				return;

			case PaceResult::INVALID_PIN_1:
			case PaceResult::INVALID_PIN_2:
			case PaceResult::INVALID_CAN:
			case PaceResult::INVALID_PUK:
				Q_EMIT fireWrongPassword();
				return;
		}
		return;
	}

	if (returnCode == CardReturnCode::CANCELLATION_BY_USER)
	{
		updateStatus(cardReturnCodeToGlobalStatus(returnCode));
		Q_EMIT fireAbort(FailureCode::Reason::Establish_Pace_Channel_User_Cancelled);
		return;
	}

	if (context->isCardPositionPanicking())
	{
		Q_EMIT fireAbortAndUnfortunateCardPosition();
		return;
	}
	Q_EMIT firePaceChannelFailed();
}


void StateEstablishPaceChannel::handleNpaPosition(CardReturnCode pReturnCode) const
{
	const auto& context = getContext();
	if (pReturnCode == CardReturnCode::RESPONSE_EMPTY || pReturnCode == CardReturnCode::CARD_NOT_FOUND)
	{
		qCDebug(statemachine) << "Card vanished during PACE. Incrementing unfortunate-card-position panickiness.";
		context->increaseCardPositionPanic();
		return;
	}

	qCDebug(statemachine) << "Clearing unfortunate-card-position panickiness. |" << pReturnCode;
	context->clearCardPositionPanic();
}


void StateEstablishPaceChannel::onUserCancelled()
{
	const auto& context = getContext();
	context->setPaceOutputData(EstablishPaceChannelOutput(context->getPasswordType(), CardReturnCode::CANCELLATION_BY_USER));
	AbstractState::onUserCancelled();
}
