#include "NetworkManager.h"

#include "AppSettings.h"
#include "CustomProxyFactory.h"
#include "Env.h"
#include "HttpStatusName.h"
#include "LogCategories.h"
#include "NetworkReplyError.h"
#include "NoProxyFactory.h"
#include "SecureStorage.h"
#include "SystemProxyFactory.h"
#include "TlsChecker.h"
#include "VersionInfo.h"

#include <QNetworkProxyFactory>
#include <QSslConfiguration>

#include <memory>

using namespace tessarovin;

bool NetworkManager::lockProxy = false;


NetworkManager::NetworkManager()
	: QObject()
	, mNetAccessManager()
	, mApplicationExitInProgress(false)
	, mOpenConnectionCount(0)
	, mTrustedSessionTickets()
{
	// Every hop of a redirect must come back to the caller, which checks its scheme and certificates.
	mNetAccessManager.setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);

	connect(&mNetAccessManager, &QNetworkAccessManager::proxyAuthenticationRequired, this, &NetworkManager::fireProxyAuthenticationRequired);
	connect(&Env::getSingleton<AppSettings>()->getGeneralSettings(), &GeneralSettings::fireProxyChanged, this, &NetworkManager::onProxyChanged);
}


NetworkManager::~NetworkManager() = default;


QByteArray NetworkManager::getUserAgentHeader()
{
	const auto info = VersionInfo::getInstance();
	return QStringLiteral("%1/%2 (%3/%4)").arg(info.getImplementationTitle(), info.getImplementationVersion(),
			info.getSpecificationTitle(), info.getSpecificationVersion()).toUtf8();
}


bool NetworkManager::prepareConnection(QNetworkRequest& pRequest) const
{
	if (mApplicationExitInProgress)
	{
		return false;
	}

	pRequest.setTransferTimeout(QNetworkRequest::DefaultTransferTimeoutConstant);

	if (!pRequest.hasRawHeader(QByteArrayLiteral("User-Agent")))
	{
		pRequest.setHeader(QNetworkRequest::UserAgentHeader, getUserAgentHeader());
	}

	if (pRequest.sslConfiguration() == QSslConfiguration::defaultConfiguration())
	{
		pRequest.setSslConfiguration(SecureStorage::getInstance().getTlsConfig().getConfiguration());
	}

	return true;
}


QSharedPointer<QNetworkReply> NetworkManager::processRequest(QNetworkRequest& pRequest, const RequestOperation& pOperation)
{
	if (!prepareConnection(pRequest))
	{
		return QSharedPointer<QNetworkReply>(new NetworkReplyError(pRequest), &QObject::deleteLater);
	}
	return pOperation(pRequest);
}


QSharedPointer<QNetworkReply> NetworkManager::trackReply(QNetworkReply* pReply)
{
	pReply->setParent(nullptr);

	if (!pReply->isFinished())
	{
		mOpenConnectionCount.ref();

		// A caller may release an unfinished reply; it then never finishes, but is no longer open.
		auto closed = std::make_shared<bool>(false);
		const auto onClosed = [this, closed] {
					if (!*closed)
					{
						*closed = true;
						mOpenConnectionCount.deref();
					}
				};
		connect(pReply, &QNetworkReply::finished, this, onClosed);
		connect(pReply, &QObject::destroyed, this, onClosed);
		connect(this, &NetworkManager::fireShutdown, pReply, &QNetworkReply::abort, Qt::QueuedConnection);
	}

	return QSharedPointer<QNetworkReply>(pReply, &QObject::deleteLater);
}


void NetworkManager::clearConnections()
{
	mNetAccessManager.clearConnectionCache();
	mTrustedSessionTickets.clear();
}


QSharedPointer<QNetworkReply> NetworkManager::paos(QNetworkRequest& pRequest,
		const QByteArray& pNamespace,
		const QByteArray& pData,
		bool pUsePsk,
		const QByteArray& pSslSession)
{
	return processRequest(pRequest, [this, &pNamespace, &pData, pUsePsk, &pSslSession](QNetworkRequest& pPrepared){
				pPrepared.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/vnd.paos+xml; charset=UTF-8"));
				pPrepared.setRawHeader(QByteArrayLiteral("Connection"), QByteArrayLiteral("keep-alive"));
				pPrepared.setRawHeader(QByteArrayLiteral("Accept"), QByteArrayLiteral("text/html; application/vnd.paos+xml"));
				pPrepared.setRawHeader(QByteArrayLiteral("PAOS"), QByteArrayLiteral("ver=\"") + pNamespace + '"');

				const auto suite = pUsePsk ? SecureStorage::TlsSuite::PSK : SecureStorage::TlsSuite::DEFAULT;
				auto configuration = SecureStorage::getInstance().getTlsConfig(suite).getConfiguration();
				configuration.setSessionTicket(pSslSession);
				pPrepared.setSslConfiguration(configuration);

				return post(pPrepared, pData);
			});
}


QSharedPointer<QNetworkReply> NetworkManager::get(QNetworkRequest& pRequest)
{
	return processRequest(pRequest, [this](QNetworkRequest& pPrepared){
				return trackReply(mNetAccessManager.get(pPrepared));
			});
}


QSharedPointer<QNetworkReply> NetworkManager::post(QNetworkRequest& pRequest, const QByteArray& pData)
{
	pRequest.setHeader(QNetworkRequest::ContentLengthHeader, QString::number(pData.size()));
	return processRequest(pRequest, [this, &pData](QNetworkRequest& pPrepared){
				return trackReply(mNetAccessManager.post(pPrepared, pData));
			});
}


QSharedPointer<QNetworkReply> NetworkManager::deleteResource(QNetworkRequest& pRequest)
{
	return processRequest(pRequest, [this](QNetworkRequest& pPrepared){
				return trackReply(mNetAccessManager.deleteResource(pPrepared));
			});
}


QSharedPointer<QNetworkReply> NetworkManager::head(QNetworkRequest& pRequest)
{
	return processRequest(pRequest, [this](QNetworkRequest& pPrepared){
				return trackReply(mNetAccessManager.head(pPrepared));
			});
}


QSharedPointer<QNetworkReply> NetworkManager::options(QNetworkRequest& pRequest)
{
	return processRequest(pRequest, [this](QNetworkRequest& pPrepared){
				return trackReply(mNetAccessManager.sendCustomRequest(pPrepared, QByteArrayLiteral("OPTIONS")));
			});
}


QSharedPointer<QNetworkReply> NetworkManager::getAsUpdater(QNetworkRequest& pRequest)
{
	return processUpdaterRequest(pRequest, [this](QNetworkRequest& pPrepared){
				return get(pPrepared);
			});
}


QSharedPointer<QNetworkReply> NetworkManager::processUpdaterRequest(QNetworkRequest& pRequest, const RequestOperation& pOperation)
{
	const auto reply = processRequest(pRequest, [&pOperation](QNetworkRequest& pPrepared){
				auto configuration = pPrepared.sslConfiguration();
				configuration.setCaCertificates(SecureStorage::getInstance().getUpdateCertificates());
				pPrepared.setSslConfiguration(configuration);
				return pOperation(pPrepared);
			});

	// Weak: a strong pointer in a connection of the reply itself would keep the reply alive forever.
	const QWeakPointer<QNetworkReply> weakReply = reply;
	connect(reply.data(), &QNetworkReply::sslErrors, this, [this, weakReply](const QList<QSslError>& pErrors){
				if (const auto strongReply = weakReply.toStrongRef())
				{
					onSslErrors(strongReply, pErrors);
				}
			});
	connect(reply.data(), &QNetworkReply::encrypted, this, [this, weakReply]{
				if (const auto strongReply = weakReply.toStrongRef())
				{
					onEncryptedResponse(strongReply);
				}
			});
	return reply;
}


void NetworkManager::onEncryptedResponse(const QSharedPointer<QNetworkReply>& pReply)
{
	const auto configuration = pReply->sslConfiguration();
	TlsChecker::logSslConfig(configuration, CategoryMessageLogger(__FILE__, __LINE__, Q_FUNC_INFO, network));

	const auto certificate = configuration.peerCertificate();
	if (certificate.isNull() || !SecureStorage::getInstance().getUpdateCertificates().contains(certificate))
	{
		qCCritical(network).noquote() << QStringLiteral("Untrusted certificate found [%1]: ").arg(pReply->request().url().fileName()) << certificate;
		pReply->abort();
		return;
	}

	const auto ticket = configuration.sessionTicket();
	if (!ticket.isEmpty())
	{
		mTrustedSessionTickets.insert(ticket);
	}
}


void NetworkManager::onSslErrors(const QSharedPointer<QNetworkReply>& pReply, const QList<QSslError>& pErrors)
{
	const auto ticket = pReply->sslConfiguration().sessionTicket();

	QList<QSslError> toleratedErrors;
	for (const auto& error : pErrors)
	{
		// A resumed session presents no fresh OCSP answer; its certificate was pinned when it began.
		if (error.error() == QSslError::OcspNoResponseFound && mTrustedSessionTickets.contains(ticket))
		{
			toleratedErrors << error;
			continue;
		}

		qCCritical(network) << "Fatal SSL error:" << error;
		if (!error.certificate().isNull())
		{
			qCCritical(network) << error.certificate();
		}
	}

	if (toleratedErrors.isEmpty())
	{
		pReply->abort();
		return;
	}
	pReply->ignoreSslErrors(toleratedErrors);
}


int NetworkManager::getOpenConnectionCount() const
{
	return mOpenConnectionCount.loadAcquire();
}


void NetworkManager::onShutdown()
{
	mApplicationExitInProgress = true;
	mNetAccessManager.clearAccessCache();
	clearConnections();
	Q_EMIT fireShutdown();
}


void NetworkManager::onProxyChanged()
{
	setApplicationProxyFactory();
}


NetworkManager::NetworkError NetworkManager::toNetworkError(const QSharedPointer<const QNetworkReply>& pReply)
{
	qCDebug(network) << "Select error message for:" << pReply->error();

	switch (pReply->error())
	{
		case QNetworkReply::ServiceUnavailableError:
			return NetworkError::ServiceUnavailable;

		case QNetworkReply::InternalServerError:
		case QNetworkReply::OperationNotImplementedError:
		case QNetworkReply::UnknownServerError:
			return NetworkError::ServerError;

		case QNetworkReply::ContentAccessDenied:
		case QNetworkReply::ContentOperationNotPermittedError:
		case QNetworkReply::ContentNotFoundError:
		case QNetworkReply::AuthenticationRequiredError:
		case QNetworkReply::ContentConflictError:
		case QNetworkReply::ContentGoneError:
		case QNetworkReply::UnknownContentError:
		case QNetworkReply::ProtocolInvalidOperationError:
			return NetworkError::ClientError;

		case QNetworkReply::TimeoutError:
			return NetworkError::TimeOut;

		case QNetworkReply::ProxyConnectionRefusedError:
		case QNetworkReply::ProxyConnectionClosedError:
		case QNetworkReply::ProxyNotFoundError:
		case QNetworkReply::ProxyTimeoutError:
		case QNetworkReply::ProxyAuthenticationRequiredError:
		case QNetworkReply::UnknownProxyError:
			return NetworkError::ProxyError;

		case QNetworkReply::SslHandshakeFailedError:
			return NetworkError::SecurityError;

		default:
			qCCritical(network) << "Network error opening URL" << pReply->request().url();
			qCCritical(network) << "Network error description" << pReply->errorString();
			return NetworkError::OtherError;
	}
}


GlobalStatus NetworkManager::toNetworkStatus(const QSharedPointer<QNetworkReply>& pReply)
{
	const GlobalStatus::ExternalInfoMap info({{GlobalStatus::ExternalInformation::LAST_URL, pReply->url().toString()}});
	switch (toNetworkError(pReply))
	{
		case NetworkError::ServiceUnavailable:
			return GlobalStatus(GlobalStatus::Code::Network_ServiceUnavailable, info, GlobalStatus::Origin::Client);

		case NetworkError::ServerError:
			return GlobalStatus(GlobalStatus::Code::Network_ServerError, info, GlobalStatus::Origin::Client);

		case NetworkError::ClientError:
			return GlobalStatus(GlobalStatus::Code::Network_ClientError, info, GlobalStatus::Origin::Client);

		case NetworkError::TimeOut:
			return GlobalStatus(GlobalStatus::Code::Network_TimeOut, info, GlobalStatus::Origin::Client);

		case NetworkError::ProxyError:
			return GlobalStatus(GlobalStatus::Code::Network_Proxy_Error, info, GlobalStatus::Origin::Client);

		case NetworkError::SecurityError:
			return GlobalStatus(GlobalStatus::Code::Network_Ssl_Establishment_Error, info, GlobalStatus::Origin::Client);

		case NetworkError::OtherError:
			break;
	}
	return GlobalStatus(GlobalStatus::Code::Network_Other_Error, info, GlobalStatus::Origin::Client);
}


GlobalStatus NetworkManager::toStatus(const QSharedPointer<QNetworkReply>& pReply)
{
	const GlobalStatus::ExternalInfoMap info({{GlobalStatus::ExternalInformation::LAST_URL, pReply->url().toString()}});
	switch (toNetworkError(pReply))
	{
		case NetworkError::ServiceUnavailable:
			return GlobalStatus(GlobalStatus::Code::Workflow_TrustedChannel_ServiceUnavailable, info, GlobalStatus::Origin::Client);

		case NetworkError::ServerError:
			return GlobalStatus(GlobalStatus::Code::Workflow_TrustedChannel_Server_Error, info, GlobalStatus::Origin::Client);

		case NetworkError::ClientError:
			return GlobalStatus(GlobalStatus::Code::Workflow_TrustedChannel_Client_Error, info, GlobalStatus::Origin::Client);

		case NetworkError::TimeOut:
			return GlobalStatus(GlobalStatus::Code::Workflow_TrustedChannel_TimeOut, info, GlobalStatus::Origin::Client);

		case NetworkError::ProxyError:
			return GlobalStatus(GlobalStatus::Code::Workflow_TrustedChannel_Proxy_Error, info, GlobalStatus::Origin::Client);

		case NetworkError::SecurityError:
			return GlobalStatus(GlobalStatus::Code::Workflow_TrustedChannel_Establishment_Error, info, GlobalStatus::Origin::Client);

		case NetworkError::OtherError:
			break;
	}
	return GlobalStatus(GlobalStatus::Code::Workflow_TrustedChannel_Other_Network_Error, info, GlobalStatus::Origin::Client);
}


QByteArray NetworkManager::getStatusMessage(int pStatus)
{
	return getHttpStatusName(pStatus);
}


QString NetworkManager::getFormattedStatusCode(int pStatus)
{
	return QStringLiteral("%1 %2").arg(pStatus).arg(QString::fromLatin1(getStatusMessage(pStatus)));
}


int NetworkManager::logReply(const QSharedPointer<QNetworkReply>& pReply, const CategoryMessageLogger& pLogger)
{
	if (pReply->error() != QNetworkReply::NoError)
	{
		pLogger.critical() << "An error occurred:" << pReply->error() << pReply->errorString();
	}

	const int status = pReply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
	pLogger.debug().noquote() << "Status Code:" << status << getStatusMessage(status);

	for (const auto& [name, value] : pReply->rawHeaderPairs())
	{
		pLogger.debug().noquote().nospace() << "Header | " << name << ": " << value;
	}

	return status;
}


bool NetworkManager::isLoggingAllowed(const QSharedPointer<QNetworkReply>& pReply)
{
	return !pReply->rawHeader(QByteArrayLiteral("Pragma")).contains(QByteArrayLiteral("no-log"));
}


void NetworkManager::setApplicationProxyFactory()
{
	QNetworkProxyFactory* factory = nullptr;
	if (lockProxy)
	{
		qCWarning(network) << "Won't use any proxy because user locked it!";
		qCDebug(network) << "proxy -> none";
		factory = new NoProxyFactory();
	}
	else if (Env::getSingleton<AppSettings>()->getGeneralSettings().useCustomProxy())
	{
		qCDebug(network) << "proxy -> custom";
		factory = new CustomProxyFactory();
	}
	else
	{
		qCDebug(network) << "proxy -> system";
		factory = new SystemProxyFactory();
	}
	QNetworkProxyFactory::setApplicationProxyFactory(factory);
}
