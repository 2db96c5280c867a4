#pragma once

#include "context/AuthContext.h"
#include "GlobalStatus.h"
#include "HttpHandler.h"
#include "HttpRequest.h"
#include "HttpServer.h"
#include "UiPlugin.h"
#include "WorkflowRequest.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QHostAddress>
#include <QMap>
#include <QSharedPointer>
#include <QString>
#include <QUrl>
#include <QVariant>

#include <functional>

#include <llhttp.h>

namespace tessarovin
{

// The browser's entry: answers "/eID-Client" on the local web server, starts an authentication
// for a TC token address and answers the waiting browser at its end with a redirect or an error
// page. At start-up it settles who owns the web-service port. Main thread only.
class UiPluginWebService
	: public UiPlugin
	, public HttpHandler
{
	Q_OBJECT
	Q_PLUGIN_METADATA(IID "tessarovin.UiPlugin" FILE "metadata.json")
	Q_INTERFACES(tessarovin::UiPlugin)

	public:
		enum class ExistingAppResult
		{
			REBIND_SUCCEED,
			REBIND_FAILED,
			SHOW_UI_SUCCEED,
			SHOW_UI_TIMEOUT
		};
		Q_ENUM(ExistingAppResult)

		using AuthRequestFactory = std::function<QSharedPointer<WorkflowRequest>(const QUrl& pActivationUrl,
				const QVariant& pData,
				const AuthContext::BrowserHandler& pBrowserHandler,
				const QMap<QByteArray, QByteArray>& pRequestHeaders)>;

		// Builds the request of an online authentication: AuthController::createWorkflowRequest.
		// Tests put a workflow of their own here.
		static AuthRequestFactory cAuthRequestFactory;

	private:
		QSharedPointer<HttpServer> mHttpServer;

		bool listening();
		void connectServer() const;
		static void setCommonHeaders(HttpResponse& pResponse);

	protected:
		void handleShowUiRequest(const QString& pUiModule, const QSharedPointer<HttpRequest>& pRequest) override;
		void handleWorkflowRequest(const QSharedPointer<HttpRequest>& pRequest) override;

	public:
		UiPluginWebService();
		~UiPluginWebService() override;

		[[nodiscard]] bool initialize() override;

		[[nodiscard]] ExistingAppResult handleExistingApp(quint16 pPort, const QHostAddress& pAddress) const;

		QString sendRedirect(const QSharedPointer<HttpRequest>& pRequest, const QSharedPointer<AuthContext>& pContext) const;
		QString sendRedirect(const QSharedPointer<HttpRequest>& pRequest, const QUrl& pRedirectUrl) const;
		QString sendErrorPage(const QSharedPointer<HttpRequest>& pRequest, llhttp_status pStatusCode, const GlobalStatus& pStatus) const;
		void sendWorkflowAlreadyActive(const QSharedPointer<HttpRequest>& pRequest) const;

	public Q_SLOTS:
		void doShutdown() override;
		void onWorkflowStarted(const QSharedPointer<WorkflowRequest>& pRequest) override;
		void onWorkflowFinished(const QSharedPointer<WorkflowRequest>& pRequest) override;
		void onWorkflowUnhandled(const QSharedPointer<WorkflowRequest>& pRequest) override;
		void onApplicationInitialized() override;
		void onApplicationStarted() override;
		void onShowUi(UiModule pModule) override;
		void onHideUi() override;
		void onTranslationChanged() override;
		void onProxyAuthenticationRequired(const QNetworkProxy& pProxy, QAuthenticator* pAuthenticator) override;
		void onUiDomination(const UiPlugin* pUi, const QString& pInformation, bool pAccepted) override;
		void onUiDominationReleased() override;
		void onShowUserInformation(const QString& pInformationMessage) override;

		void onNewRequest(const QSharedPointer<HttpRequest>& pRequest);
};

} // namespace tessarovin
