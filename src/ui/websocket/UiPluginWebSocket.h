#pragma once

#include "context/WorkflowContext.h"
#include "HttpRequest.h"
#include "HttpServer.h"
#include "UiPlugin.h"
#include "UiPluginJson.h"

#include <QPointer>
#include <QSharedPointer>
#include <QTcpSocket>
#include <QWebSocket>
#include <QWebSocketServer>

namespace tessarovin
{

// Lets one program on this machine at a time drive the application through the JSON interface
// over a WebSocket at "/eID-Kernel" of the local HTTP server. Browsers are kept out unless their
// origin is allowed; a client dominates the user interface while it is connected.
// Main thread only.
class UiPluginWebSocket
	: public UiPlugin
{
	Q_OBJECT
	Q_PLUGIN_METADATA(IID "tessarovin.UiPlugin" FILE "metadata.json")
	Q_INTERFACES(tessarovin::UiPlugin)

	private:
		QSharedPointer<HttpServer> mServer;
		QWebSocketServer mWebSocketServer;
		QWebSocket* mConnection;
		QSharedPointer<HttpRequest> mRequest;
		QPointer<UiPluginJson> mJson;
		QSharedPointer<WorkflowContext> mContext;
		bool mUiDomination;
		bool mUsedAsSdk;
		// The socket in the WebSocket server's hands until its handshake ends.
		QPointer<QTcpSocket> mHandshakeSocket;

		void releaseConnection();
		void releaseHandshakeSocket();
		[[nodiscard]] static bool isOriginAllowed(const QByteArray& pOrigin);

	public:
		UiPluginWebSocket();
		~UiPluginWebSocket() override;

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

	private Q_SLOTS:
		void onNewWebSocketRequest(const QSharedPointer<HttpRequest>& pRequest);
		void onNewConnection();
		void onClientDisconnected();
		void onServerError(QWebSocketProtocol::CloseCode pCloseCode);
		void onTextMessageReceived(const QString& pMessage);
		void onJsonMessage(const QByteArray& pMessage);
};

} // namespace tessarovin
