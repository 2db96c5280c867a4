#pragma once

#include "context/AuthContext.h"
#include "controller/WorkflowController.h"
#include "WorkflowRequest.h"

#include <QByteArray>
#include <QMap>
#include <QSharedPointer>
#include <QUrl>
#include <QVariant>

namespace tessarovin
{

// The online authentication: the activation URL, the trusted channel, the refresh address, and on
// every path the browser's answer at the end.
class AuthController
	: public WorkflowController
{
	Q_OBJECT

	public:
		explicit AuthController(const QSharedPointer<AuthContext>& pContext);

		// The only way to start an authentication.
		[[nodiscard]] static QSharedPointer<WorkflowRequest> createWorkflowRequest(const QUrl& pActivationUrl,
				const QVariant& pData = QVariant(),
				const AuthContext::BrowserHandler& pBrowserHandler = AuthContext::BrowserHandler(),
				const QMap<QByteArray, QByteArray>& pRequestHeaders = QMap<QByteArray, QByteArray>());

		// What a new authentication does while pActiveWorkflow runs: it waits for a workflow that
		// already rests in its final state, and is dropped otherwise.
		[[nodiscard]] static WorkflowControl handleBusyWorkflow(const QSharedPointer<WorkflowRequest>& pActiveWorkflow,
				const QSharedPointer<WorkflowRequest>& pWaitingWorkflow);
};

} // namespace tessarovin
