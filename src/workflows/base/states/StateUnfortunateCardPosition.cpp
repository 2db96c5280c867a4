#include "states/StateUnfortunateCardPosition.h"

using namespace tessarovin;

StateUnfortunateCardPosition::StateUnfortunateCardPosition(const QSharedPointer<WorkflowContext>& pContext)
	: AbstractState(pContext)
	, GenericContextContainer(pContext)
{
}


void StateUnfortunateCardPosition::onEntry(QEvent* pEvent)
{
	AbstractState::onEntry(pEvent);
}


void StateUnfortunateCardPosition::run()
{
	getContext()->clearCardPositionPanic();
	Q_EMIT fireContinue();
}
