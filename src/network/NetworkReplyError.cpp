#include "NetworkReplyError.h"

using namespace tessarovin;


NetworkReplyError::NetworkReplyError(const QNetworkRequest& pRequest, QObject* pParent)
	: QNetworkReply(pParent)
{
	setRequest(pRequest);
	setUrl(pRequest.url());
	// Open like a real reply, so that a caller reading the body gets nothing instead of a warning.
	// Before the error: opening clears the error text.
	QNetworkReply::open(QIODevice::ReadOnly);
	setError(QNetworkReply::OperationCanceledError, QStringLiteral("Application shutting down"));
	// Queued, so that the caller can connect to the reply before the signals arrive.
	QMetaObject::invokeMethod(this, &NetworkReplyError::onErrorSignals, Qt::QueuedConnection);
}


qint64 NetworkReplyError::readData(char* pData, qint64 pMaxSize)
{
	Q_UNUSED(pData)
	Q_UNUSED(pMaxSize)
	return -1;
}


void NetworkReplyError::abort()
{
}


void NetworkReplyError::onErrorSignals()
{
	setFinished(true);
	Q_EMIT errorOccurred(QNetworkReply::OperationCanceledError);
	Q_EMIT finished();
}
