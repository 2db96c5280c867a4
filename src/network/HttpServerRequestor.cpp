#include "HttpServerRequestor.h"

#include "Env.h"
#include "LogCategories.h"
#include "ServerRequestorManager.h"

using namespace tessarovin;


HttpServerRequestor::HttpServerRequestor(bool pOwnNetworkManager)
	: QObject()
	, mNetworkManager(pOwnNetworkManager ? new ServerRequestorManager() : Env::getSingleton<NetworkManager>())
	, mEventLoop()
	, mTimer()
{
	mTimer.setSingleShot(true);
	connect(&mTimer, &QTimer::timeout, &mEventLoop, &QEventLoop::quit);
}


HttpServerRequestor::~HttpServerRequestor()
{
	if (const auto manager = qobject_cast<ServerRequestorManager*>(mNetworkManager.data()))
	{
		// Queued: the replies it still tracks may be delivering signals right now.
		QMetaObject::invokeMethod(manager, &NetworkManager::onShutdown, Qt::QueuedConnection);
		manager->deleteLater();
	}
}


QUrl HttpServerRequestor::getUrl(const QString& pQuery, quint16 pPort, const QHostAddress& pHost, const QString& pPath)
{
	QUrl url;
	url.setScheme(QStringLiteral("http"));
	url.setHost(pHost.toString());
	url.setPort(pPort);
	url.setPath(pPath, QUrl::DecodedMode);
	url.setQuery(pQuery);
	return url;
}


QSharedPointer<QNetworkReply> HttpServerRequestor::getRequest(const QUrl& pUrl, int pTimeOut)
{
	return getRequest(QNetworkRequest(pUrl), pTimeOut);
}


QSharedPointer<QNetworkReply> HttpServerRequestor::getRequest(const QNetworkRequest& pRequest, int pTimeOut)
{
	qCDebug(network) << "Request URL (GET):" << pRequest.url();
	if (mNetworkManager.isNull())
	{
		return QSharedPointer<QNetworkReply>();
	}

	QNetworkRequest request(pRequest);
	return waitForReply(mNetworkManager->get(request), pTimeOut);
}


QSharedPointer<QNetworkReply> HttpServerRequestor::waitForReply(QSharedPointer<QNetworkReply> pReply, int pTimeOut)
{
	if (pReply.isNull())
	{
		return pReply;
	}

	if (mEventLoop.isRunning())
	{
		qCWarning(network) << "Requestor already active...";
		return QSharedPointer<QNetworkReply>();
	}

	mTimer.start(pTimeOut);
	const auto connection = connect(pReply.data(), &QNetworkReply::finished, this, &HttpServerRequestor::finished);
	mEventLoop.exec();

	if (pReply->isFinished())
	{
		return pReply;
	}

	qCWarning(network) << "Request timed out.";
	disconnect(connection);
	pReply->abort();
	// The shared pointer's deleter schedules the deletion.
	return QSharedPointer<QNetworkReply>();
}


void HttpServerRequestor::finished()
{
	mTimer.stop();
	mEventLoop.quit();
}
