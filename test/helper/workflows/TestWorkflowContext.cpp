#include "TestWorkflowContext.h"

using namespace tessarovin;

TestWorkflowContext::TestWorkflowContext(Action pAction, bool pActivateUi)
	: WorkflowContext(pAction, pActivateUi)
	, mAcceptedEidTypes({AcceptedEidType::CARD_CERTIFIED})
	, mCanAllowedMode(false)
	, mNow(1000000)
	, mPlans()
	, mRuns()
{
}


qint64 TestWorkflowContext::getMonotonicMSecs() const
{
	return mNow;
}


QList<AcceptedEidType> TestWorkflowContext::getAcceptedEidTypes() const
{
	return mAcceptedEidTypes;
}


void TestWorkflowContext::setAcceptedEidTypes(const QList<AcceptedEidType>& pTypes)
{
	mAcceptedEidTypes = pTypes;
}


bool TestWorkflowContext::isCanAllowedMode() const
{
	return mCanAllowedMode;
}


void TestWorkflowContext::setCanAllowedMode(bool pCanAllowedMode)
{
	if (mCanAllowedMode != pCanAllowedMode)
	{
		mCanAllowedMode = pCanAllowedMode;
		Q_EMIT fireCanAllowedModeChanged();
	}
}


void TestWorkflowContext::advanceClock(qint64 pMSecs)
{
	mNow += pMSecs;
}


void TestWorkflowContext::planWait(const QString& pState)
{
	mPlans.insert(pState, {Outcome::WAIT});
}


void TestWorkflowContext::planAbort(const QString& pState, GlobalStatus::Code pStatus, FailureCode::Reason pReason)
{
	mPlans.insert(pState, {Outcome::ABORT, pStatus, pReason});
}


TestWorkflowContext::Plan TestWorkflowContext::getPlan(const QString& pState) const
{
	return mPlans.value(pState);
}


void TestWorkflowContext::recordRun(const QString& pState)
{
	mRuns << pState;
}


const QStringList& TestWorkflowContext::getRuns() const
{
	return mRuns;
}
