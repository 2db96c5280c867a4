#pragma once

#include "NetworkManager.h"

#include <QEventLoop>
#include <QHostAddress>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QObject>
#include <QPointer>
#include <QSharedPointer>
#include <QTimer>
#include <QUrl>

namespace tessarovin
{

// A local HTTP GET that the caller awaits: runs a nested event loop until the reply finishes or
// the time-out ends, so other main-thread events are handled meanwhile: a caller must expect its
// own slots to run during the wait. One wait at a time. Main thread only.
class HttpServerRequestor
	: public QObject
{
	Q_OBJECT

	private:
		QPointer<NetworkManager> mNetworkManager;
		QEventLoop mEventLoop;
		QTimer mTimer;

		QSharedPointer<QNetworkReply> waitForReply(QSharedPointer<QNetworkReply> pReply, int pTimeOut);

	public:
		explicit HttpServerRequestor(bool pOwnNetworkManager = false);
		~HttpServerRequestor() override;

		[[nodiscard]] static QUrl getUrl(const QString& pQuery, quint16 pPort, const QHostAddress& pHost, const QString& pPath);

		// Null on time-out, without a network manager, or while another request is awaited.
		QSharedPointer<QNetworkReply> getRequest(const QUrl& pUrl, int pTimeOut);
		QSharedPointer<QNetworkReply> getRequest(const QNetworkRequest& pRequest, int pTimeOut);

	private Q_SLOTS:
		void finished();
};

} // namespace tessarovin
