#pragma once

#include "GlobalStatus.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QObject>
#include <QSharedPointer>
#include <QUrl>

namespace tessarovin
{

// Fetches files from the update server, one request at a time, the others queued in arrival order.
// Every signal carries the requested URL, so that all listeners share one downloader and pick out
// their own results. A singleton of Env on the main thread.
class Downloader
	: public QObject
{
	Q_OBJECT
	friend class Env;

	private:
		QSharedPointer<QNetworkReply> mCurrentReply;
		QList<QNetworkRequest> mPendingRequests;

		void scheduleDownload(const QUrl& pUpdateUrl, const QDateTime& pCurrentTimestamp);
		void startDownloadIfPending();
		void finishReply(const QSharedPointer<QNetworkReply>& pReply);

	protected:
		Downloader();
		~Downloader() override;

	public:
		virtual void download(const QUrl& pUpdateUrl, const QDateTime& pCurrentTimestamp);
		bool abort(const QUrl& pUpdateUrl);

	private Q_SLOTS:
		void onMetadataChanged();
		void onNetworkReplyFinished();
		void onNetworkReplyProgress(qint64 pBytesReceived, qint64 pBytesTotal);

	Q_SIGNALS:
		void fireDownloadProgress(const QUrl& pUpdateUrl, qint64 pBytesReceived, qint64 pBytesTotal);
		void fireDownloadSuccess(const QUrl& pUpdateUrl, const QDateTime& pNewTimestamp, const QByteArray& pData);
		void fireDownloadFailed(const QUrl& pUpdateUrl, GlobalStatus::Code pErrorCode);
		void fireDownloadUnnecessary(const QUrl& pUpdateUrl);
};

} // namespace tessarovin
