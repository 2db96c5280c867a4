#include "controller/ChangePinController.h"

#include "states/CompositeStatePace.h"
#include "states/FinalState.h"
#include "states/StateChangePin.h"
#include "states/StateCleanUpReaderManager.h"
#include "states/StateClearPacePasswords.h"
#include "states/StateDestroyPace.h"
#include "states/StateEnterNewPacePin.h"
#include "states/StatePrepareChangePin.h"
#include "states/StateUpdateRetryCounter.h"

using namespace tessarovin;

ChangePinController::ChangePinController(const QSharedPointer<ChangePinContext>& pContext)
	: ChangePinController(pContext, States<CompositeStatePace, StatePrepareChangePin, StateEnterNewPacePin, StateChangePin,
				StateClearPacePasswords, StateDestroyPace, StateUpdateRetryCounter, StateCleanUpReaderManager, FinalState>())
{
}


QSharedPointer<WorkflowRequest> ChangePinController::createWorkflowRequest(bool pRequestTransportPin, bool pActivateUi, bool pOnlyCheckPin)
{
	const auto handler = [](const QSharedPointer<WorkflowRequest>& pActiveWorkflow, const QSharedPointer<WorkflowRequest>& pWaitingWorkflow) {
				Q_UNUSED(pActiveWorkflow)
				return pWaitingWorkflow ? WorkflowControl::SKIP : WorkflowControl::ENQUEUE;
			};

	const auto [controller, context] = WorkflowRequest::getGenerator<ChangePinController, ChangePinContext>(pRequestTransportPin, pActivateUi, pOnlyCheckPin);
	return QSharedPointer<WorkflowRequest>::create(controller, context, handler, QVariant());
}
