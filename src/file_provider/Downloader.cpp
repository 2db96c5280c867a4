#include "Downloader.h"

#include "Env.h"
#include "LogCategories.h"
#include "NetworkManager.h"

#include <QMetaObject>

using namespace tessarovin;

namespace
{

const char* const cAbortedDownload = "aborted_download";

} // namespace


Downloader::Downloader()
	: QObject()
	, mCurrentReply()
	, mPendingRequests()
{
}


Downloader::~Downloader()
{
	if (mCurrentReply && mCurrentReply->isRunning())
	{
		qCDebug(fileprovider).noquote() << "Scheduling pending update request [" << mCurrentReply->request().url().fileName() << "] for deletion";
	}
	if (mCurrentReply)
	{
		mCurrentReply->disconnect(this);
	}
}


void Downloader::download(const QUrl& pUpdateUrl, const QDateTime& pCurrentTimestamp)
{
	// Queued when a caller on another thread asks; the replies belong to this object's thread.
	QMetaObject::invokeMethod(this, [this, pUpdateUrl, pCurrentTimestamp] {
				scheduleDownload(pUpdateUrl, pCurrentTimestamp);
			}, Qt::AutoConnection);
}


void Downloader::scheduleDownload(const QUrl& pUpdateUrl, const QDateTime& pCurrentTimestamp)
{
	qCDebug(fileprovider) << "Download:" << pUpdateUrl;

	QNetworkRequest request(pUpdateUrl);
	if (pCurrentTimestamp.isValid())
	{
		request.setHeader(QNetworkRequest::IfModifiedSinceHeader, pCurrentTimestamp);
	}

	mPendingRequests << request;
	startDownloadIfPending();
}


void Downloader::startDownloadIfPending()
{
	if (mCurrentReply)
	{
		qCDebug(fileprovider) << "A download is already in progress... delaying.";
		return;
	}

	if (mPendingRequests.isEmpty())
	{
		qCDebug(fileprovider) << "No pending requests to be started.";
		return;
	}

	auto request = mPendingRequests.takeFirst();
	mCurrentReply = Env::getSingleton<NetworkManager>()->getAsUpdater(request);
	connect(mCurrentReply.data(), &QNetworkReply::metaDataChanged, this, &Downloader::onMetadataChanged);
	connect(mCurrentReply.data(), &QNetworkReply::finished, this, &Downloader::onNetworkReplyFinished);
	connect(mCurrentReply.data(), &QNetworkReply::downloadProgress, this, &Downloader::onNetworkReplyProgress);
}


void Downloader::onMetadataChanged()
{
	// The abort below finishes the reply at once, which releases the current reply.
	const auto reply = mCurrentReply;
	if (!reply)
	{
		return;
	}

	const auto fileName = reply->request().url().fileName();
	const auto status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
	if (status.isValid() && status.toInt() == 200)
	{
		qCDebug(fileprovider) << "Continue request for" << fileName;
		return;
	}

	// The body of a 304, 404 or error answer is of no use: it is never transferred.
	qCDebug(fileprovider) << "Abort request for" << fileName;
	reply->abort();
}


void Downloader::onNetworkReplyProgress(qint64 pBytesReceived, qint64 pBytesTotal)
{
	if (mCurrentReply)
	{
		Q_EMIT fireDownloadProgress(mCurrentReply->request().url(), pBytesReceived, pBytesTotal);
	}
}


void Downloader::onNetworkReplyFinished()
{
	const auto reply = mCurrentReply;
	if (!reply)
	{
		return;
	}

	finishReply(reply);

	reply->disconnect(this);
	mCurrentReply.reset();
	startDownloadIfPending();
}


void Downloader::finishReply(const QSharedPointer<QNetworkReply>& pReply)
{
	const auto url = pReply->request().url();
	const auto fileName = url.fileName();
	qCDebug(fileprovider) << "Downloader finished:" << fileName;

	if (pReply->property(cAbortedDownload).toBool())
	{
		qCCritical(fileprovider) << "Download aborted...";
		Q_EMIT fireDownloadFailed(url, GlobalStatus::Code::Downloader_Aborted);
		return;
	}

	const auto error = pReply->error();
	const int status = NetworkManager::logReply(pReply, CategoryMessageLogger(__FILE__, __LINE__, Q_FUNC_INFO, fileprovider));
	switch (status)
	{
		case 200:
		{
			const auto data = pReply->readAll();
			if (error != QNetworkReply::NoError || data.isEmpty())
			{
				qCCritical(fileprovider).noquote().nospace() << "Received no data. " << pReply->errorString() << " [" << fileName << "]";
				Q_EMIT fireDownloadFailed(url, NetworkManager::toNetworkStatus(pReply).getStatusCode());
				return;
			}

			auto timestamp = pReply->header(QNetworkRequest::LastModifiedHeader).toDateTime();
			if (!timestamp.isValid())
			{
				qCWarning(fileprovider) << "Server did not provide a valid LastModifiedHeader";
				timestamp = QDateTime::currentDateTime();
			}
			Q_EMIT fireDownloadSuccess(url, timestamp, data);
			return;
		}

		case 304:
			Q_EMIT fireDownloadUnnecessary(url);
			return;

		case 404:
			Q_EMIT fireDownloadFailed(url, GlobalStatus::Code::Downloader_File_Not_Found);
			return;

		default:
			if (error != QNetworkReply::NoError)
			{
				qCCritical(fileprovider).noquote().nospace() << pReply->errorString() << " [" << fileName << "]";
				Q_EMIT fireDownloadFailed(url, NetworkManager::toNetworkStatus(pReply).getStatusCode());
				return;
			}

			qCCritical(fileprovider).noquote().nospace() << "Invalid HTTP status code for [" << fileName << "]";
			Q_EMIT fireDownloadFailed(url, GlobalStatus::Code::Network_Other_Error);
			return;
	}
}


bool Downloader::abort(const QUrl& pUpdateUrl)
{
	qCDebug(fileprovider) << "Try abort of download:" << pUpdateUrl;

	// Dropped before the running reply is aborted: its end starts the next pending request at once.
	const auto dropped = mPendingRequests.removeIf([&pUpdateUrl](const QNetworkRequest& pRequest){
				return pRequest.url() == pUpdateUrl;
			});

	bool aborted = false;
	if (mCurrentReply && mCurrentReply->isRunning() && mCurrentReply->request().url() == pUpdateUrl)
	{
		mCurrentReply->setProperty(cAbortedDownload, true);
		mCurrentReply->abort();
		qCDebug(fileprovider) << "Current download aborted";
		aborted = true;
	}

	for (qsizetype i = 0; i < dropped; ++i)
	{
		qCDebug(fileprovider) << "Remove pending request";
		Q_EMIT fireDownloadFailed(pUpdateUrl, GlobalStatus::Code::Downloader_Aborted);
	}

	return aborted || dropped > 0;
}
