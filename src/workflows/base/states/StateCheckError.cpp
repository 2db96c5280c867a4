#include "states/StateCheckError.h"

using namespace tessarovin;

StateCheckError::StateCheckError(const QSharedPointer<WorkflowContext>& pContext)
	: AbstractState(pContext)
	, GenericContextContainer(pContext)
{
}


void StateCheckError::run()
{
	if (getContext()->getStatus().isNoError())
	{
		Q_EMIT fireContinue();
		return;
	}
	Q_EMIT firePropagateAbort();
}
