#include "MsgHandlerChangePin.h"

#include "controller/ChangePinController.h"
#include "LogCategories.h"
#include "MsgHandlerWorkflows.h"

using namespace tessarovin;

MsgHandlerChangePin::ChangePinRequestFactory MsgHandlerChangePin::cChangePinRequestFactory = &ChangePinController::createWorkflowRequest;


MsgHandlerChangePin::MsgHandlerChangePin()
	: MsgHandler(MsgType::CHANGE_PIN)
{
}


MsgHandlerChangePin::MsgHandlerChangePin(const QSharedPointer<ChangePinContext>& pContext)
	: MsgHandler(MsgType::CHANGE_PIN)
{
	// A PACE that took the PIN says nothing about the new PIN: the change itself may have failed
	// after it, which only the context's status tells.
	const auto& paceOutput = pContext->getPaceOutputData();
	const bool success = paceOutput.getPaceReturnCode() == CardReturnCode::OK
			&& paceOutput.getPaceResult() == PaceResult::OK_PIN
			&& !pContext->isWorkflowCancelled()
			&& !pContext->getStatus().isError();
	setValue(QLatin1String("success"), QJsonValue(success));

	if (const auto failureCode = pContext->getFailureCode(); failureCode.has_value())
	{
		setValue(QLatin1String("reason"), QString(Enum<FailureCode::Reason>::getName(failureCode->getReason())));
	}
}


MsgHandlerChangePin::MsgHandlerChangePin(const QJsonObject& pObj, MsgContext& pContext)
	: MsgHandler(MsgType::CHANGE_PIN)
{
	MsgHandlerWorkflows::handleWorkflowProperties(pObj, pContext);

	// The client would otherwise wait for a workflow that never comes.
	if (!cChangePinRequestFactory)
	{
		qCCritical(json) << "Cannot create a PIN change";
		setError(QLatin1String("Unexpected condition"));
		return;
	}
	if (!MsgHandlerWorkflows::requestWorkflow(cChangePinRequestFactory(false, true, false)))
	{
		setError(QLatin1String("Unexpected condition"));
		return;
	}
	setVoid();
}
