#include "states/StatePrepareChangePin.h"

using namespace tessarovin;

StatePrepareChangePin::StatePrepareChangePin(const QSharedPointer<WorkflowContext>& pContext)
	: AbstractState(pContext)
	, GenericContextContainer(pContext)
{
}


void StatePrepareChangePin::run()
{
	const auto& context = getContext();
	if (context->isOnlyCheckPin())
	{
		Q_EMIT fireSkipPinChange();
		return;
	}

	if (context->getNewPin().isEmpty())
	{
		Q_EMIT fireEnterNewPacePin();
		return;
	}

	Q_EMIT fireContinue();
}
