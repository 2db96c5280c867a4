#include "controller/WorkflowController.h"

using namespace tessarovin;

WorkflowController::WorkflowController(const QSharedPointer<WorkflowContext>& pContext)
	: QObject()
	, mStateMachine()
	, mContext(pContext)
{
	Q_ASSERT(mContext);

	// Queued: whoever drops the controller on completion does so after the machine has left its
	// final state, not inside the machine's own call stack.
	connect(&mStateMachine, &QStateMachine::finished, this, &WorkflowController::fireComplete, Qt::QueuedConnection);
}


WorkflowController::~WorkflowController() = default;


const QSharedPointer<WorkflowContext>& WorkflowController::getContext() const
{
	return mContext;
}


void WorkflowController::run()
{
	mStateMachine.start();
}
