#include "UiPluginProxy.h"

#include "Env.h"
#include "LogCategories.h"
#include "RedirectBroadcast.h"
#include "RedirectRequest.h"

#include <QNetworkDatagram>

using namespace tessarovin;


UiPluginProxy::UiPluginProxy()
	: UiPlugin()
	, HttpHandler()
	, mHttpServer()
	, mUdpSocket()
{
}


UiPluginProxy::~UiPluginProxy() = default;


bool UiPluginProxy::initialize()
{
	if (mHttpServer && mHttpServer->isListening())
	{
		return true;
	}
	return listen();
}


bool UiPluginProxy::listen()
{
	mHttpServer = Env::getShared<HttpServer>();
	if (!mHttpServer->isListening())
	{
		mHttpServer.reset();
		return false;
	}

	if (!mUdpSocket)
	{
		mUdpSocket = new QUdpSocket(this);
		connect(mUdpSocket.data(), &QUdpSocket::readyRead, this, &UiPluginProxy::onDatagramsPending);
	}

	// Every address: the remote readers' announcements come from the network.
	const auto port = mHttpServer->getServerPort();
	if (mUdpSocket->bind(QHostAddress::Any, port))
	{
		qCDebug(rproxy) << "UDP proxy port bound:" << mUdpSocket->localPort();
	}
	else
	{
		qCWarning(rproxy) << "UDP proxy port failed:" << port;
	}
	return true;
}


void UiPluginProxy::onNewRequest(const QSharedPointer<HttpRequest>& pRequest)
{
	handle(pRequest);
}


void UiPluginProxy::onNewWebSocketRequest(const QSharedPointer<HttpRequest>& pRequest)
{
	new RedirectRequest(pRequest, this);
}


void UiPluginProxy::onDatagramsPending()
{
	while (mUdpSocket->hasPendingDatagrams())
	{
		new RedirectBroadcast(mUdpSocket->receiveDatagram(), mUdpSocket->localPort(), this);
	}
}


void UiPluginProxy::handleShowUiRequest(const QString& pUiModule, const QSharedPointer<HttpRequest>& pRequest)
{
	Q_UNUSED(pUiModule)
	new RedirectRequest(pRequest, this);
}


void UiPluginProxy::handleWorkflowRequest(const QSharedPointer<HttpRequest>& pRequest)
{
	new RedirectRequest(pRequest, this);
}


void UiPluginProxy::doShutdown()
{
	if (mHttpServer)
	{
		mHttpServer->disconnect(this);
		mHttpServer.reset();
	}
}


void UiPluginProxy::onWorkflowStarted(const QSharedPointer<WorkflowRequest>& pRequest)
{
	Q_UNUSED(pRequest)
}


void UiPluginProxy::onWorkflowFinished(const QSharedPointer<WorkflowRequest>& pRequest)
{
	Q_UNUSED(pRequest)
}


void UiPluginProxy::onWorkflowUnhandled(const QSharedPointer<WorkflowRequest>& pRequest)
{
	Q_UNUSED(pRequest)
}


void UiPluginProxy::onApplicationInitialized()
{
}


void UiPluginProxy::onApplicationStarted()
{
	if (mHttpServer)
	{
		Q_EMIT fireUiDominationRequest(this, tr("Reverse proxy plugin is enabled"));
	}
}


void UiPluginProxy::onShowUi(UiModule pModule)
{
	Q_UNUSED(pModule)
}


void UiPluginProxy::onHideUi()
{
}


void UiPluginProxy::onTranslationChanged()
{
}


void UiPluginProxy::onProxyAuthenticationRequired(const QNetworkProxy& pProxy, QAuthenticator* pAuthenticator)
{
	Q_UNUSED(pProxy)
	Q_UNUSED(pAuthenticator)
}


void UiPluginProxy::onUiDomination(const UiPlugin* pUi, const QString& pInformation, bool pAccepted)
{
	Q_UNUSED(pInformation)
	if (pUi != this || !pAccepted || !mHttpServer)
	{
		return;
	}

	connect(mHttpServer.data(), &HttpServer::fireNewHttpRequest, this, &UiPluginProxy::onNewRequest, Qt::UniqueConnection);
	connect(mHttpServer.data(), &HttpServer::fireNewWebSocketRequest, this, &UiPluginProxy::onNewWebSocketRequest, Qt::UniqueConnection);
	qCDebug(rproxy) << "Reverse proxy enabled";
}


void UiPluginProxy::onUiDominationReleased()
{
	if (mHttpServer)
	{
		disconnect(mHttpServer.data(), &HttpServer::fireNewHttpRequest, this, &UiPluginProxy::onNewRequest);
		disconnect(mHttpServer.data(), &HttpServer::fireNewWebSocketRequest, this, &UiPluginProxy::onNewWebSocketRequest);
	}
	qCDebug(rproxy) << "Reverse proxy disabled";
}


void UiPluginProxy::onShowUserInformation(const QString& pInformationMessage)
{
	Q_UNUSED(pInformationMessage)
}
