#pragma once

#include <QNetworkReply>
#include <QNetworkRequest>

namespace tessarovin
{

// Handed out instead of a real reply once shutdown has begun: fails with OperationCanceledError
// after the caller has returned to the event loop and never carries data.
class NetworkReplyError
	: public QNetworkReply
{
	Q_OBJECT

	public:
		explicit NetworkReplyError(const QNetworkRequest& pRequest, QObject* pParent = nullptr);

	protected:
		qint64 readData(char* pData, qint64 pMaxSize) override;

	public Q_SLOTS:
		void abort() override;
		void onErrorSignals();
};

} // namespace tessarovin
