#include "states/StateShowResult.h"

using namespace tessarovin;

StateShowResult::StateShowResult(const QSharedPointer<WorkflowContext>& pContext)
	: AbstractState(pContext)
	, GenericContextContainer(pContext)
{
}


void StateShowResult::run()
{
	Q_EMIT fireContinue();
}
