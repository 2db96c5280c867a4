#include "WorkflowRequest.h"

#include <QCoreApplication>

using namespace tessarovin;

namespace
{

// Requests travel through queued signals between front ends and the application core.
void registerWorkflowRequestMetaType()
{
	qRegisterMetaType<QSharedPointer<WorkflowRequest>>("QSharedPointer<WorkflowRequest>");
}


} // namespace


Q_COREAPP_STARTUP_FUNCTION(registerWorkflowRequestMetaType)


WorkflowRequest::WorkflowRequest(const ControllerGenerator& pControllerGenerator,
		const ContextGenerator& pContextGenerator,
		const BusyHandler& pBusyHandler,
		const QVariant& pData)
	: mControllerGenerator(pControllerGenerator)
	, mContextGenerator(pContextGenerator)
	, mBusyHandler(pBusyHandler)
	, mData(pData)
	, mController()
	, mContext(pContextGenerator())
{
	Q_ASSERT(mContext);
}


Action WorkflowRequest::getAction() const
{
	return mContext->getAction();
}


QSharedPointer<WorkflowContext> WorkflowRequest::getContext() const
{
	return mContext;
}


QSharedPointer<WorkflowController> WorkflowRequest::getController() const
{
	return mController;
}


QVariant WorkflowRequest::getData() const
{
	return mData;
}


bool WorkflowRequest::isInitialized() const
{
	return !mController.isNull();
}


void WorkflowRequest::initialize()
{
	if (!mController)
	{
		mController = mControllerGenerator(mContext);
	}
}


WorkflowControl WorkflowRequest::handleBusyWorkflow(const QSharedPointer<WorkflowRequest>& pActiveWorkflow, const QSharedPointer<WorkflowRequest>& pWaitingWorkflow) const
{
	if (!mBusyHandler)
	{
		return WorkflowControl::UNHANDLED;
	}
	return mBusyHandler(pActiveWorkflow, pWaitingWorkflow);
}
