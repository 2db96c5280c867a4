#include "TestWorkflowUi.h"

using namespace tessarovin;

TestWorkflowUi::TestWorkflowUi(bool pAutoApprove)
	: QObject()
	, mContext()
	, mAutoApprove(pAutoApprove)
	, mStates()
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
	if (mAutoApprove)
	{
		approve();
	}
}
