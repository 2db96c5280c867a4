#include "states/StateClearPacePasswords.h"

using namespace tessarovin;

StateClearPacePasswords::StateClearPacePasswords(const QSharedPointer<WorkflowContext>& pContext)
	: AbstractState(pContext)
	, GenericContextContainer(pContext)
{
}


void StateClearPacePasswords::run()
{
	// Virtual: a PIN change also forgets the new PIN.
	getContext()->resetPacePasswords();
	Q_EMIT fireContinue();
}
