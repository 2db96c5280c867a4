#include "states/StatePreparePace.h"

#include "LogCategories.h"

using namespace tessarovin;

StatePreparePace::StatePreparePace(const QSharedPointer<WorkflowContext>& pContext)
	: AbstractState(pContext)
	, GenericContextContainer(pContext)
{
}


void StatePreparePace::run()
{
	const auto& context = getContext();
	context->setPasswordType(PacePasswordId::UNKNOWN);

	const auto& cardConnection = context->getCardConnection();
	if (!cardConnection)
	{
		qCDebug(statemachine) << "Card connection lost.";
		Q_EMIT fireNoCardConnection();
		// There is no retry counter to read without the connection.
		return;
	}

	const int retryCounter = cardConnection->getReaderInfo().getRetryCounter();

	if (context->isCanAllowedMode())
	{
		qCDebug(statemachine) << "CAN allowed required";
		if (!requestPaceCanIfStillRequired())
		{
			Q_EMIT fireContinue();
		}
		return;
	}

	handleRetryCounter(retryCounter);
}


void StatePreparePace::handleRetryCounter(int pRetryCounter)
{
	const auto& context = getContext();

	if (pRetryCounter == 0)
	{
		qCDebug(statemachine) << "PUK required";
		context->setPasswordType(PacePasswordId::PACE_PUK);
		if (context->getPuk().isEmpty())
		{
			Q_EMIT fireEnterPacePassword();
			return;
		}
		Q_EMIT fireContinue();
		return;
	}

	if (pRetryCounter == 1)
	{
		qCDebug(statemachine) << "CAN required";
		if (requestPaceCanIfStillRequired())
		{
			return;
		}
	}

	// 2, 3, unknown (-1), or 1 after a successful CAN.
	qCDebug(statemachine) << "PIN allowed";
	context->setPasswordType(PacePasswordId::PACE_PIN);
	const bool pinDone = context->getCardConnection()->getPacePinSuccessful();
	qCDebug(statemachine) << "PACE_PIN done:" << pinDone;
	if (!pinDone && context->getPin().isEmpty())
	{
		Q_EMIT fireEnterPacePassword();
		return;
	}
	Q_EMIT fireContinue();
}


bool StatePreparePace::requestPaceCanIfStillRequired()
{
	const auto& context = getContext();
	context->setPasswordType(PacePasswordId::PACE_CAN);
	const bool canDone = context->getCardConnection()->getPaceCanSuccessful();
	qCDebug(statemachine) << "PACE_CAN done:" << canDone;
	if (canDone)
	{
		return false;
	}

	if (context->getCan().isEmpty())
	{
		Q_EMIT fireEnterPacePassword();
	}
	else
	{
		Q_EMIT fireContinue();
	}
	return true;
}
