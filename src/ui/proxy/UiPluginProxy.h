#pragma once

#include "HttpHandler.h"
#include "HttpServer.h"
#include "UiPlugin.h"

#include <QPointer>
#include <QSharedPointer>
#include <QUdpSocket>

namespace tessarovin
{

// Holds the web-service port for the instances of several users on one machine: requests that
// need an instance go to the one of the user who sent them (RedirectRequest), status and image
// requests are answered here, and datagrams of the port are copied to every instance
// (RedirectBroadcast). Serves only while it holds the UI domination. Main thread only.
class UiPluginProxy
	: public UiPlugin
	, public HttpHandler
{
	Q_OBJECT
	Q_PLUGIN_METADATA(IID "tessarovin.UiPlugin" FILE "metadata.json")
	Q_INTERFACES(tessarovin::UiPlugin)

	private:
		QSharedPointer<HttpServer> mHttpServer;
		QPointer<QUdpSocket> mUdpSocket;

		bool listen();

	private Q_SLOTS:
		void onNewRequest(const QSharedPointer<HttpRequest>& pRequest);
		void onNewWebSocketRequest(const QSharedPointer<HttpRequest>& pRequest);
		void onDatagramsPending();

	protected:
		void handleShowUiRequest(const QString& pUiModule, const QSharedPointer<HttpRequest>& pRequest) override;
		void handleWorkflowRequest(const QSharedPointer<HttpRequest>& pRequest) override;

	public:
		UiPluginProxy();
		~UiPluginProxy() override;

		[[nodiscard]] bool initialize() override;

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
};

} // namespace tessarovin
