#include "states/StateEditAccessRights.h"

using namespace tessarovin;

StateEditAccessRights::StateEditAccessRights(const QSharedPointer<WorkflowContext>& pContext)
	: AbstractState(pContext)
	, GenericContextContainer(pContext)
{
}


void StateEditAccessRights::run()
{
	// The work happened before the approval: the user reviewed the rights in the front end.
	Q_EMIT fireContinue();
}
