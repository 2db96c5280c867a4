#include "states/StateEnterNewPacePin.h"

using namespace tessarovin;

StateEnterNewPacePin::StateEnterNewPacePin(const QSharedPointer<WorkflowContext>& pContext)
	: AbstractState(pContext)
	, GenericContextContainer(pContext)
{
}


void StateEnterNewPacePin::onEntry(QEvent* pEvent)
{
	AbstractState::onEntry(pEvent);
}


void StateEnterNewPacePin::run()
{
	Q_EMIT fireContinue();
}
