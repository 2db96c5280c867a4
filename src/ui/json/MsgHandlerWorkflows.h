#pragma once

#include "MsgContext.h"

#include <QJsonObject>
#include <QSharedPointer>

namespace tessarovin
{

class WorkflowRequest;

// What RUN_AUTH and RUN_CHANGE_PIN share: the client's options for the workflow and handing the
// request to the application.
class MsgHandlerWorkflows
{
	public:
		static void handleWorkflowProperties(const QJsonObject& pObj, MsgContext& pContext);

		// Through the loaded JSON front end; false when there is none (a program without it starts
		// nothing).
		[[nodiscard]] static bool requestWorkflow(const QSharedPointer<WorkflowRequest>& pRequest);
};

} // namespace tessarovin
