#include "states/StateEnterPacePassword.h"

using namespace tessarovin;

StateEnterPacePassword::StateEnterPacePassword(const QSharedPointer<WorkflowContext>& pContext)
	: AbstractState(pContext)
	, GenericContextContainer(pContext)
{
}


void StateEnterPacePassword::onEntry(QEvent* pEvent)
{
	AbstractState::onEntry(pEvent);
}


void StateEnterPacePassword::run()
{
	Q_EMIT fireContinue();
}
