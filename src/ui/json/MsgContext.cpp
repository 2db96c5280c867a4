#include "MsgContext.h"

using namespace tessarovin;


MsgContext::MsgContext()
	: mApiLevel(MsgLevel::v3)
	, mStateMsg()
	, mProgressStatus(true)
	, mContext()
{
}


MsgLevel MsgContext::getApiLevel() const
{
	return mApiLevel;
}


void MsgContext::setApiLevel(MsgLevel pApiLevel)
{
	mApiLevel = pApiLevel;
}


bool MsgContext::provideProgressStatus() const
{
	return mProgressStatus;
}


void MsgContext::setProgressStatus(bool pStatus)
{
	mProgressStatus = pStatus;
}


bool MsgContext::isActiveWorkflow() const
{
	return !mContext.isNull();
}


Msg MsgContext::getLastStateMsg() const
{
	return mStateMsg.isEmpty() ? Msg() : mStateMsg.constLast();
}


void MsgContext::addStateMsg(const Msg& pMsg)
{
	mStateMsg << pMsg;
}


QSharedPointer<WorkflowContext> MsgContext::getContext() const
{
	return mContext;
}


void MsgContext::setWorkflowContext(const QSharedPointer<WorkflowContext>& pContext)
{
	mContext = pContext;
}


void MsgContext::clear()
{
	mStateMsg.clear();
	mContext.reset();
}
