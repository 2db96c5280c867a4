#include "TestWorkflowUi.h"

#include "context/ChangePinContext.h"

using namespace tessarovin;

TestWorkflowUi::TestWorkflowUi(bool pAutoApprove)
	: QObject()
	, mContext()
	, mAutoApprove(pAutoApprove)
	, mStates()
	, mPin()
	, mNewPin()
{
}


void TestWorkflowUi::claim(const QSharedPointer<WorkflowContext>& pContext)
{
	if (mContext)
	{
		disconnect(mContext.data(), nullptr, this, nullptr);
	}
	mContext = pContext;
	mContext->claim(this);
	connect(mContext.data(), &WorkflowContext::fireStateChanged, this, &TestWorkflowUi::onStateChanged);
}


void TestWorkflowUi::setAutoApprove(bool pAutoApprove)
{
	mAutoApprove = pAutoApprove;
}


void TestWorkflowUi::setPasswords(const QString& pPin, const QString& pNewPin)
{
	mPin = pPin;
	mNewPin = pNewPin;
}


void TestWorkflowUi::approve()
{
	mContext->setStateApproved(true);
}


const QStringList& TestWorkflowUi::getStates() const
{
	return mStates;
}


void TestWorkflowUi::onStateChanged(const QString& pNewState)
{
	mStates << pNewState;
	if (pNewState == QLatin1String("StateEnterPacePassword") && !mPin.isEmpty() && mContext->getPasswordType() == PacePasswordId::PACE_PIN)
	{
		mContext->setPin(mPin);
	}
	const auto changePinContext = mContext.objectCast<ChangePinContext>();
	if (pNewState == QLatin1String("StateEnterNewPacePin") && !mNewPin.isEmpty() && changePinContext)
	{
		changePinContext->setNewPin(mNewPin);
	}
	if (mAutoApprove)
	{
		approve();
	}
}
