#include "states/StateDestroyPace.h"

#include "LogCategories.h"

using namespace tessarovin;

StateDestroyPace::StateDestroyPace(const QSharedPointer<WorkflowContext>& pContext)
	: AbstractState(pContext)
	, GenericContextContainer(pContext)
{
}


void StateDestroyPace::run()
{
	const auto& cardConnection = getContext()->getCardConnection();
	if (!cardConnection)
	{
		qCDebug(statemachine) << "Nothing to do. No card connection available.";
		Q_EMIT fireContinue();
		return;
	}

	addConnection(cardConnection->call(cardConnection->createDestroyPaceChannelCommand(QString()), this, &StateDestroyPace::onDestroyPaceDone));
}


void StateDestroyPace::onDestroyPaceDone(QSharedPointer<BaseCardCommand> pCommand)
{
	Q_UNUSED(pCommand)
	Q_EMIT fireContinue();
}
