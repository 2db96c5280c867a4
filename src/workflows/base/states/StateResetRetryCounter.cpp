#include "states/StateResetRetryCounter.h"

#include "command/ResetRetryCounterCommand.h"
#include "LogCategories.h"

using namespace tessarovin;

StateResetRetryCounter::StateResetRetryCounter(const QSharedPointer<WorkflowContext>& pContext)
	: AbstractState(pContext)
	, GenericContextContainer(pContext)
{
}


void StateResetRetryCounter::run()
{
	const auto& cardConnection = getContext()->getCardConnection();
	if (!cardConnection)
	{
		qCDebug(statemachine) << "No card connection available";
		Q_EMIT fireNoCardConnection();
		return;
	}

	addConnection(cardConnection->call(cardConnection->createResetRetryCounterCommand(), this, &StateResetRetryCounter::onResetRetryCounterDone));
}


void StateResetRetryCounter::onResetRetryCounterDone(QSharedPointer<BaseCardCommand> pCommand)
{
	const auto& context = getContext();
	const CardReturnCode returnCode = pCommand->getReturnCode();
	if (returnCode != CardReturnCode::OK)
	{
		qCCritical(statemachine).nospace() << "An error (" << returnCode << ") occurred while communicating with the card reader";
		context->resetCardConnection();
		Q_EMIT fireNoCardConnection();
		return;
	}

	const auto command = pCommand.objectCast<ResetRetryCounterCommand>();
	const StatusCode statusCode = command ? command->getStatusCode() : StatusCode::UNKNOWN;
	switch (statusCode)
	{
		case StatusCode::ACCESS_DENIED:
		case StatusCode::DIRECTORY_OR_PASSWORD_LOCKED_OR_NOT_ALLOWED:
			updateStatus(GlobalStatus(GlobalStatus::Code::Card_Puk_Blocked, GlobalStatus::Origin::Client));
			Q_EMIT fireAbort(FailureCode::Reason::Reset_Retry_Counter_Puk_Inoperative);
			return;

		case StatusCode::SUCCESS:
			// Unknown: the counter is read from the card again.
			context->setExpectedRetryCounter(-1);
			Q_EMIT fireContinue();
			return;

		default:
			qCCritical(statemachine).nospace() << "Received an unexpected StatusCode (" << statusCode << "), cannot reset retry counter";
			updateStatus(GlobalStatus(GlobalStatus::Code::Card_Unexpected_Transmit_Status, GlobalStatus::Origin::Client));
			Q_EMIT fireAbort(FailureCode::Reason::Reset_Retry_Counter_Unexpected_StatusCode);
			return;
	}
}
