#include "SingleStateController.h"

using namespace tessarovin;

SingleStateController::SingleStateController(const QSharedPointer<WorkflowContext>& pContext)
	: WorkflowController(pContext)
	, mLeft(new QState())
	, mEndedBy()
{
	mLeft->setObjectName(QStringLiteral("Left"));
	mStateMachine.addState(mLeft);
}


bool SingleStateController::hasLeft() const
{
	return mLeft->active();
}


const QStringList& SingleStateController::getEndedBy() const
{
	return mEndedBy;
}
