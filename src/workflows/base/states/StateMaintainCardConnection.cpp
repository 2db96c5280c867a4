#include "states/StateMaintainCardConnection.h"

#include "LogCategories.h"

using namespace tessarovin;

StateMaintainCardConnection::StateMaintainCardConnection(const QSharedPointer<WorkflowContext>& pContext)
	: AbstractState(pContext)
	, GenericContextContainer(pContext)
{
}


void StateMaintainCardConnection::run()
{
	const auto& context = getContext();
	if (context->getStatus().isError())
	{
		Q_EMIT fireAbort(context->getFailureCode().value_or(FailureCode(FailureCode::Reason::Maintain_Card_Connection_Unknown_Error)));
		return;
	}

	const auto& paceOutput = context->getPaceOutputData();
	const CardReturnCode returnCode = paceOutput.getPaceReturnCode();
	qCDebug(statemachine) << "Last PACE result:" << returnCode;

	switch (returnCode)
	{
		case CardReturnCode::UNKNOWN:
		case CardReturnCode::INPUT_TIME_OUT:
		case CardReturnCode::COMMAND_FAILED:
		case CardReturnCode::CANCELLATION_BY_USER:
		case CardReturnCode::PROTOCOL_ERROR:
		case CardReturnCode::WRONG_LENGTH:
		case CardReturnCode::UNEXPECTED_TRANSMIT_STATUS:
			qCDebug(statemachine) << "Last PACE result is unrecoverable. Aborting.";
			updateStatus(cardReturnCodeToGlobalStatus(returnCode));
			Q_EMIT fireAbort(FailureCode(FailureCode::Reason::Maintain_Card_Connection_Pace_Unrecoverable,
					{FailureCode::Info::Card_Return_Code, Enum<CardReturnCode>::getName(returnCode)}));
			return;

		case CardReturnCode::RESPONSE_EMPTY:
		case CardReturnCode::CARD_NOT_FOUND:
			qCDebug(statemachine).nospace() << "Assuming the card was removed (" << returnCode << "). Resetting card connection and PACE result.";
			context->resetCardConnection();
			context->resetPaceOutputData();
			break;

		case CardReturnCode::OK:
			if (paceOutput.isWrongPassword())
			{
				handleWrongPacePassword();
				return;
			}
			if (paceOutput.getPaceResult() == PaceResult::OK_PUK && context->getCardConnection())
			{
				qCDebug(statemachine) << "PIN unblocked! Triggering retry counter update.";
				Q_EMIT fireForceUpdateRetryCounter();
				return;
			}
			break;

		case CardReturnCode::PIN_NOT_BLOCKED:
			handleWrongPacePassword();
			return;

		case CardReturnCode::UNDEFINED:
			break;
	}

	if (context->getCardConnection())
	{
		qCDebug(statemachine) << "Card connection is fine. Proceeding.";
		Q_EMIT fireContinue();
		return;
	}

	qCDebug(statemachine) << "No card connection available.";
	Q_EMIT fireNoCardConnection();
}


void StateMaintainCardConnection::handleWrongPacePassword()
{
	if (getContext()->getCardConnection())
	{
		qCDebug(statemachine) << "Trigger retry counter update.";
		Q_EMIT fireForceUpdateRetryCounter();
		return;
	}

	qCDebug(statemachine) << "No card connection available.";
	Q_EMIT fireNoCardConnection();
}
