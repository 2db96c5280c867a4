#include "states/StateInitializeFramework.h"

using namespace tessarovin;

StateInitializeFramework::StateInitializeFramework(const QSharedPointer<WorkflowContext>& pContext)
	: AbstractState(pContext)
	, GenericContextContainer(pContext)
{
}


void StateInitializeFramework::run()
{
	Q_EMIT fireContinue();
}
