#include "states/StateChangePin.h"

#include "apdu/CardReturnCode.h"
#include "command/SetEidPinCommand.h"
#include "LogCategories.h"
#include "OpenSslUtil.h"

using namespace tessarovin;

StateChangePin::StateChangePin(const QSharedPointer<WorkflowContext>& pContext)
	: AbstractState(pContext)
	, GenericContextContainer(pContext)
{
}


void StateChangePin::run()
{
	const auto& context = getContext();
	const auto& cardConnection = context->getCardConnection();
	if (!cardConnection)
	{
		qCDebug(statemachine) << "No card connection available";
		Q_EMIT fireNoCardConnection();
		return;
	}

	qCDebug(statemachine) << "Invoke set Eid PIN command";
	QByteArray newPin = context->getNewPin().toLatin1();
	auto* command = cardConnection->createSetEidPinCommand(newPin, 90);
	// The command keeps its own copy and wipes it; this one goes now.
	wipe(newPin);
	addConnection(cardConnection->call(command, this, &StateChangePin::onSetEidPinDone));
}


void StateChangePin::onSetEidPinDone(QSharedPointer<BaseCardCommand> pCommand)
{
	const auto command = pCommand.objectCast<SetEidPinCommand>();
	if (!command)
	{
		qCCritical(statemachine) << "Expected a SetEidPinCommand as response!";
		updateStatus(GlobalStatus(GlobalStatus::Code::Card_Protocol_Error, GlobalStatus::Origin::Client));
		Q_EMIT fireAbort(FailureCode::Reason::Change_Pin_No_SetEidPinCommand_Response);
		return;
	}

	const auto& context = getContext();
	const auto abortWith = [this](GlobalStatus::Code pCode, FailureCode::Reason pReason) {
				updateStatus(GlobalStatus(pCode, GlobalStatus::Origin::Client));
				Q_EMIT fireAbort(pReason);
			};

	const CardReturnCode returnCode = command->getReturnCode();
	switch (returnCode)
	{
		case CardReturnCode::RESPONSE_EMPTY:
		case CardReturnCode::CARD_NOT_FOUND:
			// The card went away: the workflow asks for it again.
			context->resetCardConnection();
			Q_EMIT fireNoCardConnection();
			return;

		case CardReturnCode::OK:
			break;

		case CardReturnCode::CANCELLATION_BY_USER:
			updateStatus(cardReturnCodeToGlobalStatus(returnCode));
			Q_EMIT fireAbort(FailureCode::Reason::Change_Pin_Card_User_Cancelled);
			return;

		default:
			updateStatus(cardReturnCodeToGlobalStatus(returnCode));
			Q_EMIT fireAbort(FailureCode::Reason::Change_Pin_Unrecoverable);
			return;
	}

	// The status words 6400 to 6403 come from a pin pad that asked for the new PIN itself.
	switch (command->getResponseApdu().getStatusCode())
	{
		case StatusCode::SUCCESS:
			context->setSuccessMessage(tr("You have successfully changed your ID card PIN.")
					+ QStringLiteral("<br>")
					+ tr("You may now remove your ID card from the device."));
			Q_EMIT fireContinue();
			return;

		case StatusCode::INPUT_TIMEOUT:
			abortWith(GlobalStatus::Code::Card_Input_TimeOut, FailureCode::Reason::Change_Pin_Input_Timeout);
			return;

		case StatusCode::INPUT_CANCELLED:
			abortWith(GlobalStatus::Code::Card_Cancellation_By_User, FailureCode::Reason::Change_Pin_User_Cancelled);
			return;

		case StatusCode::PASSWORDS_DIFFER:
			abortWith(GlobalStatus::Code::Card_NewPin_Mismatch, FailureCode::Reason::Change_Pin_New_Pin_Mismatch);
			return;

		case StatusCode::PASSWORD_OUTOF_RANGE:
			abortWith(GlobalStatus::Code::Card_NewPin_Invalid_Length, FailureCode::Reason::Change_Pin_New_Pin_Invalid_Length);
			return;

		default:
			abortWith(GlobalStatus::Code::Card_Unexpected_Transmit_Status, FailureCode::Reason::Change_Pin_Unexpected_Transmit_Status);
			return;
	}
}
