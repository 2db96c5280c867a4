#include "UiPluginWebSocket.h"

#include "Env.h"
#include "LogCategories.h"
#include "ReaderManager.h"
#include "UiLoader.h"
#include "VolatileSettings.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QSignalBlocker>

using namespace tessarovin;

namespace
{

// Commands are a few hundred bytes; without a bound a client could make the program buffer
// gigabytes. A larger message closes the connection with 1009.
constexpr quint64 cMaxMessageSize = 1024 * 1024;

} // namespace


UiPluginWebSocket::UiPluginWebSocket()
	: UiPlugin()
	, mServer()
	, mWebSocketServer(QCoreApplication::applicationName() + QLatin1Char('/') + QCoreApplication::applicationVersion(), QWebSocketServer::NonSecureMode)
	, mConnection(nullptr)
	, mRequest()
	, mJson()
	, mContext()
	, mUiDomination(false)
	, mUsedAsSdk(false)
	, mHandshakeSocket()
{
}


UiPluginWebSocket::~UiPluginWebSocket()
{
	releaseHandshakeSocket();
}


bool UiPluginWebSocket::initialize()
{
	if (mServer)
	{
		return true;
	}

	auto* loader = Env::getSingleton<UiLoader>();
	if (!loader->load(QStringLiteral("json")) || !loader->getLoaded<UiPluginJson>())
	{
		qCWarning(websocket) << "Cannot start WebSocket because JSON-API is missing";
		return false;
	}

	mJson = loader->getLoaded<UiPluginJson>();
	mServer = Env::getShared<HttpServer>();
	if (!mServer->isListening())
	{
		mServer.reset();
		return false;
	}

	qCDebug(websocket) << "Enable WebSocket...";
	connect(mServer.data(), &HttpServer::fireNewWebSocketRequest, this, &UiPluginWebSocket::onNewWebSocketRequest);
	connect(mServer.data(), &HttpServer::fireRebound, this, [this] {
			if (mServer && !mServer->isListening())
			{
				qCDebug(websocket) << "Disable WebSocket...";
				disconnect(mServer.data(), &HttpServer::fireNewWebSocketRequest, this, &UiPluginWebSocket::onNewWebSocketRequest);
				mServer.reset();
			}
		});
	connect(&mWebSocketServer, &QWebSocketServer::newConnection, this, &UiPluginWebSocket::onNewConnection);
	connect(&mWebSocketServer, &QWebSocketServer::serverError, this, &UiPluginWebSocket::onServerError);
	return true;
}


bool UiPluginWebSocket::isOriginAllowed(const QByteArray& pOrigin)
{
	// Not anchored: "localhost" also lets "http://localhost.attacker.example" in. Whoever sets the
	// variable chooses how strict the expression is.
	const auto allowed = qEnvironmentVariable("KENDRAWELL_WEBSOCKET_ORIGIN");
	if (allowed.isEmpty())
	{
		return false;
	}

	const QRegularExpression expression(allowed);
	return expression.isValid() && expression.match(QString::fromLatin1(pOrigin)).hasMatch();
}


void UiPluginWebSocket::onNewWebSocketRequest(const QSharedPointer<HttpRequest>& pRequest)
{
	// A web page can open a WebSocket to this machine as well; its browser always names the page.
	if (const auto origin = pRequest->getHeader(QByteArrayLiteral("origin")); !origin.isNull() && !isOriginAllowed(origin))
	{
		qCDebug(websocket) << "Access via a web browser is not permitted. Found origin:" << origin;
		pRequest->sendStatus(HTTP_STATUS_FORBIDDEN);
		return;
	}

	static const QRegularExpression path(QStringLiteral("^/eID-Kernel(/)?$"));
	if (!path.match(pRequest->getUrl().path(QUrl::FullyDecoded)).hasMatch())
	{
		qCDebug(websocket) << "Request path not supported! Use /eID-Kernel";
		pRequest->sendStatus(HTTP_STATUS_NOT_FOUND);
		return;
	}

	if (mRequest)
	{
		qCDebug(websocket) << "Client is already connected...";
		pRequest->sendStatus(HTTP_STATUS_TOO_MANY_REQUESTS);
		return;
	}

	mRequest = pRequest;
	const auto userAgent = QString::fromLatin1(pRequest->getHeader(QByteArrayLiteral("user-agent"))).toHtmlEscaped();
	Q_EMIT fireUiDominationRequest(this, userAgent);
}


void UiPluginWebSocket::onUiDomination(const UiPlugin* pUi, const QString& pInformation, bool pAccepted)
{
	Q_UNUSED(pInformation)

	if (pUi != this)
	{
		return;
	}

	if (!pAccepted)
	{
		if (mRequest)
		{
			mRequest->sendStatus(HTTP_STATUS_CONFLICT);
			mRequest.reset();
		}
		return;
	}

	mUiDomination = true;
	auto* settings = Env::getSingleton<VolatileSettings>();
	mUsedAsSdk = settings->isUsedAsSdk();
	settings->setUsedAsSdk(true);
	Env::getSingleton<ReaderManager>()->startScanAll(true);

	// The client may have left while the controller decided; its request then holds no socket.
	QTcpSocket* socket = mRequest ? mRequest->takeSocket() : nullptr;
	if (!socket || socket->state() != QAbstractSocket::ConnectedState)
	{
		qCDebug(websocket) << "Client left before the connection was taken over";
		if (socket)
		{
			socket->deleteLater();
		}
		mRequest.reset();
		Q_EMIT fireUiDominationRelease();
		return;
	}

	// Ours until the WebSocket takes it. A handshake that fails or times out may end with the
	// socket closed and no word from the WebSocket server: the client would hold the interface
	// and keep every other one out for good.
	socket->setParent(this);
	mHandshakeSocket = socket;
	connect(socket, &QTcpSocket::disconnected, this, &UiPluginWebSocket::onClientDisconnected);
	mWebSocketServer.handleConnection(socket);
}


void UiPluginWebSocket::onNewConnection()
{
	if (!mWebSocketServer.hasPendingConnections())
	{
		releaseHandshakeSocket();
		mRequest.reset();
		Q_EMIT fireUiDominationRelease();
		return;
	}

	releaseConnection();
	mConnection = mWebSocketServer.nextPendingConnection();
	mConnection->setMaxAllowedIncomingFrameSize(cMaxMessageSize);
	mConnection->setMaxAllowedIncomingMessageSize(cMaxMessageSize);
	if (mHandshakeSocket)
	{
		// From now on the WebSocket tells when the client goes, and the socket goes with it.
		mHandshakeSocket->disconnect(this);
		if (mHandshakeSocket->parent() == this)
		{
			mHandshakeSocket->setParent(mConnection);
		}
		mHandshakeSocket.clear();
	}
	connect(mConnection, &QWebSocket::textMessageReceived, this, &UiPluginWebSocket::onTextMessageReceived);
	connect(mConnection, &QWebSocket::disconnected, this, &UiPluginWebSocket::onClientDisconnected);
	if (mJson)
	{
		connect(mJson.data(), &UiPluginJson::fireMessage, this, &UiPluginWebSocket::onJsonMessage, Qt::UniqueConnection);
		mJson->setEnabled(true);
	}
}


void UiPluginWebSocket::onTextMessageReceived(const QString& pMessage)
{
	if (mConnection && mJson)
	{
		mJson->doMessageProcessing(pMessage.toUtf8());
	}
}


void UiPluginWebSocket::onJsonMessage(const QByteArray& pMessage)
{
	if (mConnection)
	{
		mConnection->sendTextMessage(QString::fromUtf8(pMessage));
	}
}


void UiPluginWebSocket::onClientDisconnected()
{
	qCDebug(websocket) << "Client disconnected...";

	if (mContext && mUiDomination)
	{
		// Nobody is left to read what the cancellation tells.
		const QSignalBlocker blocker(mJson.data());
		mContext->killWorkflow(GlobalStatus::Code::Workflow_Cancellation_By_User);
	}

	releaseConnection();
	releaseHandshakeSocket();
	mRequest.reset();
	if (mJson)
	{
		disconnect(mJson.data(), &UiPluginJson::fireMessage, this, &UiPluginWebSocket::onJsonMessage);
	}
	Q_EMIT fireUiDominationRelease();
}


void UiPluginWebSocket::onServerError(QWebSocketProtocol::CloseCode pCloseCode)
{
	if (pCloseCode == QWebSocketProtocol::CloseCodeNormal)
	{
		return;
	}

	qCWarning(websocket) << "Websocket Server Error:" << pCloseCode << mWebSocketServer.errorString();
	onClientDisconnected();
}


void UiPluginWebSocket::onUiDominationReleased()
{
	if (!mUiDomination)
	{
		return;
	}

	mUiDomination = false;
	if (mJson)
	{
		mJson->setEnabled(false);
	}
	Env::getSingleton<ReaderManager>()->stopScanAll(QString());
	Env::getSingleton<VolatileSettings>()->setUsedAsSdk(mUsedAsSdk);
}


void UiPluginWebSocket::releaseConnection()
{
	if (mConnection)
	{
		mConnection->disconnect(this);
		mConnection->deleteLater();
		mConnection = nullptr;
	}
}


void UiPluginWebSocket::releaseHandshakeSocket()
{
	// Taken over by a WebSocket, the socket has another parent and goes with it.
	if (mHandshakeSocket && mHandshakeSocket->parent() == this)
	{
		mHandshakeSocket->disconnect(this);
		mHandshakeSocket->deleteLater();
	}
	mHandshakeSocket.clear();
}


void UiPluginWebSocket::doShutdown()
{
	if (mConnection)
	{
		mConnection->close(QWebSocketProtocol::CloseCodeGoingAway, QString());
		releaseConnection();
	}

	if (mServer)
	{
		mServer->disconnect(this);
		mServer.reset();
	}
}


void UiPluginWebSocket::onWorkflowStarted(const QSharedPointer<WorkflowRequest>& pRequest)
{
	if (!mUiDomination)
	{
		return;
	}

	mContext = pRequest->getContext();
	mContext->claim(this);
	mContext->setReaderPluginTypes({ReaderManagerPluginType::PCSC, ReaderManagerPluginType::REMOTE_IFD, ReaderManagerPluginType::SIMULATOR});
}


void UiPluginWebSocket::onWorkflowFinished(const QSharedPointer<WorkflowRequest>& pRequest)
{
	Q_UNUSED(pRequest)
	mContext.reset();
}


void UiPluginWebSocket::onWorkflowUnhandled(const QSharedPointer<WorkflowRequest>& pRequest)
{
	Q_UNUSED(pRequest)
}


void UiPluginWebSocket::onApplicationInitialized()
{
}


void UiPluginWebSocket::onApplicationStarted()
{
}


void UiPluginWebSocket::onShowUi(UiModule pModule)
{
	Q_UNUSED(pModule)
}


void UiPluginWebSocket::onHideUi()
{
}


void UiPluginWebSocket::onTranslationChanged()
{
}


void UiPluginWebSocket::onProxyAuthenticationRequired(const QNetworkProxy& pProxy, QAuthenticator* pAuthenticator)
{
	Q_UNUSED(pProxy)
	Q_UNUSED(pAuthenticator)
}


void UiPluginWebSocket::onShowUserInformation(const QString& pInformationMessage)
{
	Q_UNUSED(pInformationMessage)
}
