#pragma once

#include "CategoryMessageLogger.h"
#include "GlobalStatus.h"

#include <QAtomicInt>
#include <QAuthenticator>
#include <QByteArray>
#include <QList>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QObject>
#include <QSet>
#include <QSharedPointer>
#include <QSslError>

#include <functional>

namespace tessarovin
{

// The only HTTP(S) client. Lives on the main thread; every reply is handed out as a shared pointer
// that the caller owns and that is released with deleteLater.
class NetworkManager
	: public QObject
{
	Q_OBJECT

	public:
		enum class NetworkError
		{
			ServiceUnavailable,
			ServerError,
			ClientError,
			TimeOut,
			ProxyError,
			SecurityError,
			OtherError
		};
		Q_ENUM(NetworkError)

		using RequestOperation = std::function<QSharedPointer<QNetworkReply>(QNetworkRequest&)>;

		// Set once from the command line ("no-proxy") before the proxy factory is installed.
		static bool lockProxy;

	private:
		QNetworkAccessManager mNetAccessManager;
		bool mApplicationExitInProgress;
		QAtomicInt mOpenConnectionCount;
		QSet<QByteArray> mTrustedSessionTickets;

		[[nodiscard]] static QByteArray getUserAgentHeader();

		[[nodiscard]] bool prepareConnection(QNetworkRequest& pRequest) const;
		[[nodiscard]] QSharedPointer<QNetworkReply> processRequest(QNetworkRequest& pRequest, const RequestOperation& pOperation);
		[[nodiscard]] QSharedPointer<QNetworkReply> trackReply(QNetworkReply* pReply);

	protected:
		void onEncryptedResponse(const QSharedPointer<QNetworkReply>& pReply);
		void onSslErrors(const QSharedPointer<QNetworkReply>& pReply, const QList<QSslError>& pErrors);

	public:
		NetworkManager();
		~NetworkManager() override;

		virtual void clearConnections();
		virtual QSharedPointer<QNetworkReply> paos(QNetworkRequest& pRequest,
				const QByteArray& pNamespace,
				const QByteArray& pData,
				bool pUsePsk,
				const QByteArray& pSslSession);
		virtual QSharedPointer<QNetworkReply> get(QNetworkRequest& pRequest);
		virtual QSharedPointer<QNetworkReply> post(QNetworkRequest& pRequest, const QByteArray& pData);
		virtual QSharedPointer<QNetworkReply> deleteResource(QNetworkRequest& pRequest);
		virtual QSharedPointer<QNetworkReply> head(QNetworkRequest& pRequest);
		virtual QSharedPointer<QNetworkReply> options(QNetworkRequest& pRequest);

		// GET whose server certificate must be one of the update certificates.
		QSharedPointer<QNetworkReply> getAsUpdater(QNetworkRequest& pRequest);
		QSharedPointer<QNetworkReply> processUpdaterRequest(QNetworkRequest& pRequest, const RequestOperation& pOperation);

		[[nodiscard]] int getOpenConnectionCount() const;

		[[nodiscard]] static NetworkError toNetworkError(const QSharedPointer<const QNetworkReply>& pReply);
		[[nodiscard]] static GlobalStatus toNetworkStatus(const QSharedPointer<QNetworkReply>& pReply);
		[[nodiscard]] static GlobalStatus toStatus(const QSharedPointer<QNetworkReply>& pReply);
		[[nodiscard]] static QByteArray getStatusMessage(int pStatus);
		[[nodiscard]] static QString getFormattedStatusCode(int pStatus);
		static int logReply(const QSharedPointer<QNetworkReply>& pReply, const CategoryMessageLogger& pLogger);
		[[nodiscard]] static bool isLoggingAllowed(const QSharedPointer<QNetworkReply>& pReply);
		static void setApplicationProxyFactory();

	public Q_SLOTS:
		void onShutdown();
		void onProxyChanged();

	Q_SIGNALS:
		void fireProxyAuthenticationRequired(const QNetworkProxy& pProxy, QAuthenticator* pAuthenticator);
		void fireShutdown();
};

} // namespace tessarovin
