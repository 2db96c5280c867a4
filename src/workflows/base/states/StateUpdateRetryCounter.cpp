#include "states/StateUpdateRetryCounter.h"

#include "LogCategories.h"

using namespace tessarovin;

StateUpdateRetryCounter::StateUpdateRetryCounter(const QSharedPointer<WorkflowContext>& pContext)
	: AbstractState(pContext)
	, GenericContextContainer(pContext)
{
}


void StateUpdateRetryCounter::run()
{
	const auto& cardConnection = getContext()->getCardConnection();
	if (!cardConnection)
	{
		qCDebug(statemachine) << "No card connection available.";
		Q_EMIT fireNoCardConnection();
		return;
	}

	addConnection(cardConnection->call(cardConnection->createUpdateRetryCounterCommand(QString()), this, &StateUpdateRetryCounter::onUpdateRetryCounterDone));
}


void StateUpdateRetryCounter::onUpdateRetryCounterDone(QSharedPointer<BaseCardCommand> pCommand)
{
	qCDebug(statemachine) << "StateUpdateRetryCounter::onUpdateRetryCounterDone()";

	const CardReturnCode returnCode = pCommand->getReturnCode();
	if (returnCode == CardReturnCode::OK)
	{
		// The command has written the counter into the connection's reader information.
		Q_EMIT fireContinue();
		return;
	}

	qCCritical(statemachine).nospace() << "An error (" << returnCode << ") occurred while communicating with the card reader, cannot determine retry counter, abort state";
	getContext()->resetCardConnection();
	Q_EMIT fireNoCardConnection();
}
