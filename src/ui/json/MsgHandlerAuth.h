#pragma once

#include "context/AuthContext.h"
#include "MsgContext.h"
#include "MsgHandler.h"

#include <QByteArray>
#include <QJsonObject>
#include <QMap>
#include <QSharedPointer>
#include <QUrl>
#include <QVariant>

#include <functional>

namespace tessarovin
{

class WorkflowRequest;

// AUTH: RUN_AUTH's answer, the start of an authentication and its result.
class MsgHandlerAuth
	: public MsgHandler
{
	public:
		using AuthRequestFactory = std::function<QSharedPointer<WorkflowRequest>(const QUrl& pActivationUrl,
				const QVariant& pData,
				const AuthContext::BrowserHandler& pBrowserHandler,
				const QMap<QByteArray, QByteArray>& pRequestHeaders)>;

		// Builds the request of an authentication: the authentication controller's
		// createWorkflowRequest. Tests put a workflow of their own here.
		static AuthRequestFactory cAuthRequestFactory;

		[[nodiscard]] static QUrl createActivationUrl(const QString& pTcTokenUrl);

	private:
		// False with "error" set when a member is unusable.
		[[nodiscard]] bool readHeader(const QJsonValue& pHeader, QMap<QByteArray, QByteArray>& pHeaders);

	public:
		MsgHandlerAuth();
		explicit MsgHandlerAuth(const QSharedPointer<AuthContext>& pContext);
		MsgHandlerAuth(const QJsonObject& pObj, MsgContext& pContext);
};

} // namespace tessarovin
