#pragma once

#include "context/ChangePinContext.h"
#include "MsgContext.h"
#include "MsgHandler.h"

#include <QJsonObject>
#include <QSharedPointer>

#include <functional>

namespace tessarovin
{

class WorkflowRequest;

// CHANGE_PIN: RUN_CHANGE_PIN (answered with nothing), the start of a PIN change and its result.
class MsgHandlerChangePin
	: public MsgHandler
{
	public:
		using ChangePinRequestFactory = std::function<QSharedPointer<WorkflowRequest>(bool pRequestTransportPin, bool pActivateUi, bool pOnlyCheckPin)>;

		// Builds the request of a PIN change: the PIN-change controller's createWorkflowRequest.
		// Tests put a workflow of their own here.
		static ChangePinRequestFactory cChangePinRequestFactory;

		MsgHandlerChangePin();
		explicit MsgHandlerChangePin(const QSharedPointer<ChangePinContext>& pContext);
		MsgHandlerChangePin(const QJsonObject& pObj, MsgContext& pContext);
};

} // namespace tessarovin
