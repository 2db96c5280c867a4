#include "states/StateCheckRefreshAddress.h"

#include "AppSettings.h"
#include "CertificateChecker.h"
#include "Env.h"
#include "LogCategories.h"
#include "NetworkManager.h"
#include "TlsChecker.h"
#include "UrlUtil.h"

#include <QNetworkRequest>

using namespace tessarovin;

namespace
{

bool isDeveloperMode()
{
	return Env::getSingleton<AppSettings>()->getGeneralSettings().isDeveloperMode();
}


} // namespace


StateCheckRefreshAddress::StateCheckRefreshAddress(const QSharedPointer<WorkflowContext>& pContext)
	: AbstractState(pContext)
	, GenericContextContainer(pContext)
	, mReply()
	, mUrl()
	, mSubjectUrl()
	, mCertificateFetched(false)
	, mCollectedUrls()
	, mRedirectCount(0)
{
}


void StateCheckRefreshAddress::onEntry(QEvent* pEvent)
{
	//: INFO The authentication is done; the program now finds the provider's page for the browser.
	getContext()->setProgress(80, tr("Sending data to provider"));
	AbstractState::onEntry(pEvent);
}


void StateCheckRefreshAddress::onExit(QEvent* pEvent)
{
	mReply.reset();
	AbstractState::onExit(pEvent);
}


void StateCheckRefreshAddress::run()
{
	const auto& tcToken = getContext()->getTcToken();
	if (!tcToken)
	{
		qCDebug(network) << "Invalid TCToken";
		Q_EMIT fireContinue();
		return;
	}

	if (tcToken->usePsk())
	{
		// The connections of the eID server's pre-shared key must not carry the requests to the provider.
		Env::getSingleton<NetworkManager>()->clearConnections();
	}

	mUrl = tcToken->getRefreshAddress();
	mRedirectCount = 0;
	const QString invalidAddress = QStringLiteral("Invalid RefreshAddress: %1").arg(mUrl.toString());

	// The browser redirect judges a missing address; no provider page to check then.
	if (!mUrl.isValid())
	{
		qCDebug(network).noquote() << invalidAddress;
		Q_EMIT fireContinue();
		return;
	}

	if (mUrl.scheme() != QLatin1String("https"))
	{
		if (!isDeveloperMode())
		{
			qCDebug(network).noquote() << invalidAddress;
			Q_EMIT fireContinue();
			return;
		}
		qCDebug(developermode).noquote() << invalidAddress;
	}

	mSubjectUrl = determineSubjectUrl();
	qCDebug(network) << "Subject URL from AT CVC (eService certificate) description:" << mSubjectUrl;
	qCDebug(network) << "Current redirect URL:" << mUrl;

	if (UrlUtil::isMatchingSameOriginPolicy(mSubjectUrl, mUrl) || isMatchingSameOriginPolicyInDevMode())
	{
		qCDebug(network) << "SOP-Check succeeded, abort process.";
		fetchServerCertificate();
		return;
	}

	qCDebug(network) << "SOP-Check failed, start process.";
	sendGetRequest();
}


QUrl StateCheckRefreshAddress::determineSubjectUrl() const
{
	const auto& context = getContext();
	QUrl subjectUrl;
	const auto& eac1 = context->getDidAuthenticateEac1();
	if (eac1 && eac1->getCertificateDescription())
	{
		subjectUrl = QUrl(eac1->getCertificateDescription()->getSubjectUrl(), QUrl::StrictMode);
		if (!subjectUrl.isValid())
		{
			subjectUrl.clear();
		}
	}

	if (isDeveloperMode())
	{
		subjectUrl = context->getTcTokenUrl();
	}

	if (subjectUrl.isEmpty())
	{
		qCWarning(network) << "No subjectURL/certificate description available, take the TcToken-URL instead";
		subjectUrl = context->getTcTokenUrl();
	}
	return subjectUrl;
}


bool StateCheckRefreshAddress::isMatchingSameOriginPolicyInDevMode() const
{
	if (!isDeveloperMode())
	{
		return false;
	}

	const QLatin1String http("http");
	if (mUrl.scheme() != http && mSubjectUrl.scheme() != http)
	{
		return false;
	}

	QUrl url = mUrl;
	QUrl subjectUrl = mSubjectUrl;
	for (QUrl* copy : {&url, &subjectUrl})
	{
		copy->setScheme(http);
		copy->setPort(80);
	}

	const bool matching = UrlUtil::isMatchingSameOriginPolicy(url, subjectUrl);
	if (matching)
	{
		qCCritical(developermode) << "SOP-Check: Ignoring scheme and port in developer mode.";
		qCCritical(developermode).noquote() << "Origin URL:" << mSubjectUrl.toString();
		qCCritical(developermode).noquote() << "Refresh URL:" << mUrl.toString();
	}
	return matching;
}


void StateCheckRefreshAddress::sendGetRequest()
{
	qCDebug(network) << "Send GET request to URL:" << mUrl;

	QNetworkRequest request(mUrl);
	const auto& headers = getContext()->getRequestHeaders();
	for (auto it = headers.cbegin(); it != headers.cend(); ++it)
	{
		request.setRawHeader(it.key(), it.value());
	}

	mReply = Env::getSingleton<NetworkManager>()->get(request);
	addConnection(connect(mReply.data(), &QNetworkReply::sslErrors, this, &StateCheckRefreshAddress::onSslErrors));
	addConnection(connect(mReply.data(), &QNetworkReply::encrypted, this, &StateCheckRefreshAddress::onSslHandshakeDone));
	addConnection(connect(mReply.data(), &QNetworkReply::finished, this, &StateCheckRefreshAddress::onNetworkReply));
}


void StateCheckRefreshAddress::onNetworkReply()
{
	const int statusCode = NetworkManager::logReply(mReply, CategoryMessageLogger(__FILE__, __LINE__, Q_FUNC_INFO, network));
	const QString lastUrl = mUrl.toString();

	if (mReply->error() != QNetworkReply::NoError)
	{
		const FailureCode::FailureInfoMap info({{FailureCode::Info::Network_Error, mReply->errorString()}});
		GlobalStatus::Code code = GlobalStatus::Code::Network_Other_Error;
		FailureCode::Reason reason = FailureCode::Reason::Check_Refresh_Address_Unknown_Network_Error;
		switch (NetworkManager::toNetworkError(mReply))
		{
			case NetworkManager::NetworkError::ServiceUnavailable:
				code = GlobalStatus::Code::Network_ServiceUnavailable;
				reason = FailureCode::Reason::Check_Refresh_Address_Service_Unavailable;
				break;

			case NetworkManager::NetworkError::ServerError:
				code = GlobalStatus::Code::Network_ServerError;
				reason = FailureCode::Reason::Check_Refresh_Address_Server_Error;
				break;

			case NetworkManager::NetworkError::ClientError:
				code = GlobalStatus::Code::Network_ClientError;
				reason = FailureCode::Reason::Check_Refresh_Address_Client_Error;
				break;

			case NetworkManager::NetworkError::TimeOut:
				code = GlobalStatus::Code::Network_TimeOut;
				reason = FailureCode::Reason::Check_Refresh_Address_Service_Timeout;
				break;

			case NetworkManager::NetworkError::ProxyError:
				code = GlobalStatus::Code::Network_Proxy_Error;
				reason = FailureCode::Reason::Check_Refresh_Address_Proxy_Error;
				break;

			case NetworkManager::NetworkError::SecurityError:
				code = GlobalStatus::Code::Network_Ssl_Establishment_Error;
				reason = FailureCode::Reason::Check_Refresh_Address_Fatal_Tls_Error_After_Reply;
				break;

			case NetworkManager::NetworkError::OtherError:
				break;
		}
		reportCommunicationError(GlobalStatus(code, {GlobalStatus::ExternalInformation::LAST_URL, lastUrl}, GlobalStatus::Origin::Client),
				FailureCode(reason, info));
		return;
	}

	// Only a redirect that another request may follow leads on; a permanent one is no answer
	// the provider may give here.
	if (statusCode != 302 && statusCode != 303 && statusCode != 307)
	{
		qCCritical(network) << "Got unexpected status code:" << statusCode;
		reportCommunicationError(GlobalStatus(GlobalStatus::Code::Workflow_Network_Expected_Redirect, {
					{GlobalStatus::ExternalInformation::HTTP_STATUS_CODE, QString::number(statusCode)},
					{GlobalStatus::ExternalInformation::LAST_URL, lastUrl}
				}, GlobalStatus::Origin::Client), FailureCode::Reason::Check_Refresh_Address_Invalid_Http_Response);
		return;
	}

	const QUrl redirectUrl = UrlUtil::getRedirectUrl(mReply);
	if (redirectUrl.isEmpty())
	{
		qCCritical(network) << "Got empty redirect URL";
		reportCommunicationError(GlobalStatus(GlobalStatus::Code::Workflow_Network_Empty_Redirect_Url,
				{GlobalStatus::ExternalInformation::LAST_URL, lastUrl}, GlobalStatus::Origin::Client),
				FailureCode::Reason::Check_Refresh_Address_Empty);
		return;
	}

	const GlobalStatus malformed(GlobalStatus::Code::Workflow_Network_Malformed_Redirect_Url, {
				{GlobalStatus::ExternalInformation::REDIRECT_URL, redirectUrl.toString()},
				{GlobalStatus::ExternalInformation::LAST_URL, lastUrl}
			}, GlobalStatus::Origin::Client);
	if (!redirectUrl.isValid())
	{
		qCCritical(network) << "Got malformed redirect URL:" << redirectUrl;
		reportCommunicationError(malformed, FailureCode::Reason::Check_Refresh_Address_Invalid_Url);
		return;
	}

	if (redirectUrl.scheme() != QLatin1String("https"))
	{
		const QString message = QStringLiteral("Redirect URL is not https: %1").arg(redirectUrl.toString());
		if (!isDeveloperMode())
		{
			qCCritical(network).noquote() << message;
			reportCommunicationError(GlobalStatus(GlobalStatus::Code::Workflow_Network_Invalid_Scheme, {
						{GlobalStatus::ExternalInformation::URL_SCHEME, redirectUrl.scheme()},
						{GlobalStatus::ExternalInformation::LAST_URL, redirectUrl.toString()}
					}, GlobalStatus::Origin::Client), FailureCode::Reason::Check_Refresh_Address_No_Https_Scheme);
			return;
		}
		qCCritical(developermode).noquote() << message;
	}

	// The answer of the first URL of the subject's origin names the page; its origin counts, not the target's.
	if (UrlUtil::isMatchingSameOriginPolicy(mUrl, mSubjectUrl) || isMatchingSameOriginPolicyInDevMode())
	{
		qCDebug(network) << "SOP-Check succeeded, abort process";
		mUrl = redirectUrl;
		fetchServerCertificate();
		return;
	}

	if (mRedirectCount >= cMaxRedirects)
	{
		qCCritical(network) << "Got more than" << cMaxRedirects << "redirects, not following:" << redirectUrl;
		reportCommunicationError(malformed, FailureCode::Reason::Check_Refresh_Address_Invalid_Url);
		return;
	}

	qCDebug(network) << "SOP-Check failed, continue process";
	++mRedirectCount;
	mUrl = redirectUrl;
	sendGetRequest();
}


void StateCheckRefreshAddress::onSslHandshakeDone()
{
	const auto configuration = mReply->sslConfiguration();
	TlsChecker::logSslConfig(configuration, CategoryMessageLogger(__FILE__, __LINE__, Q_FUNC_INFO, network));
	// A failure has reported and aborted already.
	[[maybe_unused]] const bool good = checkSslConnectionAndSaveCertificate(configuration);
}


void StateCheckRefreshAddress::onSslErrors(const QList<QSslError>& pErrors)
{
	if (TlsChecker::containsFatalError(mReply, pErrors))
	{
		reportCommunicationError(GlobalStatus(GlobalStatus::Code::Network_Ssl_Establishment_Error,
				{GlobalStatus::ExternalInformation::LAST_URL, mReply->url().toString()}, GlobalStatus::Origin::Client),
				FailureCode::Reason::Check_Refresh_Address_Fatal_Tls_Error_Before_Reply);
	}
}


bool StateCheckRefreshAddress::checkSslConnectionAndSaveCertificate(const QSslConfiguration& pSslConfiguration)
{
	GlobalStatus::ExternalInfoMap info({{GlobalStatus::ExternalInformation::LAST_URL, mUrl.toString()}});

	const auto ephemeralKey = pSslConfiguration.ephemeralServerKey();
	if (!TlsChecker::hasValidEphemeralKeyLength(ephemeralKey, TlsChecker::cDefaultMinimumKeySize))
	{
		reportCommunicationError(GlobalStatus(GlobalStatus::Code::Workflow_Network_Ssl_Connection_Unsupported_Algorithm_Or_Length, info, GlobalStatus::Origin::Client),
				FailureCode(FailureCode::Reason::Check_Refresh_Address_Invalid_Ephemeral_Key_Length, TlsChecker::getEphemeralKeyInfoMap(ephemeralKey)));
		return false;
	}

	const auto certificate = pSslConfiguration.peerCertificate();
	const auto status = CertificateChecker::checkAndSaveCertificate(certificate, mUrl, getContext());
	if (status != CertificateChecker::CertificateStatus::Good)
	{
		info.insert(GlobalStatus::ExternalInformation::CERTIFICATE_ISSUER_NAME, certificate.issuerDisplayName());
		const auto reason = status == CertificateChecker::CertificateStatus::Hash_Not_In_Description
				? FailureCode::Reason::Check_Refresh_Address_Hash_Missing_In_Certificate
				: FailureCode::Reason::Check_Refresh_Address_Unsupported_Certificate;
		reportCommunicationError(GlobalStatus(CertificateChecker::getStatusCode(status, false), info, GlobalStatus::Origin::Client), reason);
		return false;
	}

	mCollectedUrls << mUrl;
	return true;
}


void StateCheckRefreshAddress::fetchServerCertificate()
{
	if (isDeveloperMode() && mUrl.scheme() == QLatin1String("http"))
	{
		qCWarning(developermode) << "Refresh URL is http only. Certificate check skipped.";
		doneSuccess();
		return;
	}

	if (mCollectedUrls.contains(mUrl))
	{
		qCDebug(network) << "SSL certificate already collected for" << mUrl;
		doneSuccess();
		return;
	}

	qCDebug(network) << "Fetch TLS certificate for URL" << mUrl;
	// Only the abort of this request is the state's own.
	mCertificateFetched = false;
	auto* networkManager = Env::getSingleton<NetworkManager>();
	// Only a fresh connection shows the server's certificate in a handshake.
	networkManager->clearConnections();
	QNetworkRequest request(mUrl);
	mReply = networkManager->head(request);

	addConnection(connect(mReply.data(), &QNetworkReply::encrypted, this, &StateCheckRefreshAddress::onSslHandshakeDoneFetchingServerCertificate));
	addConnection(connect(mReply.data(), &QNetworkReply::sslErrors, this, &StateCheckRefreshAddress::onSslErrors));
	addConnection(connect(mReply.data(), &QNetworkReply::errorOccurred, this, &StateCheckRefreshAddress::onNetworkErrorFetchingServerCertificate));
}


void StateCheckRefreshAddress::onSslHandshakeDoneFetchingServerCertificate()
{
	const auto configuration = mReply->sslConfiguration();
	TlsChecker::logSslConfig(configuration, CategoryMessageLogger(__FILE__, __LINE__, Q_FUNC_INFO, network));

	// The certificate is all this request was for.
	mCertificateFetched = true;
	mReply->abort();

	if (checkSslConnectionAndSaveCertificate(configuration))
	{
		doneSuccess();
	}
}


void StateCheckRefreshAddress::onNetworkErrorFetchingServerCertificate(QNetworkReply::NetworkError pError)
{
	if (pError == QNetworkReply::OperationCanceledError && mCertificateFetched)
	{
		return;
	}

	qCCritical(network) << "An error occurred fetching the server certificate:" << mReply->errorString();
	reportCommunicationError(GlobalStatus(GlobalStatus::Code::Workflow_Network_Empty_Redirect_Url,
			{GlobalStatus::ExternalInformation::LAST_URL, mReply->url().toString()}, GlobalStatus::Origin::Client),
			FailureCode::Reason::Check_Refresh_Address_Fetch_Certificate_Error);
}


void StateCheckRefreshAddress::reportCommunicationError(const GlobalStatus& pStatus, const FailureCode& pFailure)
{
	qCCritical(network) << pStatus;
	updateStatus(pStatus);

	// Without the connections the aborted reply reports nothing more.
	clearConnections();
	if (mReply)
	{
		mReply->abort();
	}
	Q_EMIT fireAbort(pFailure);
}


void StateCheckRefreshAddress::doneSuccess()
{
	getContext()->setRefreshUrl(mUrl);
	qCDebug(network) << "Determined RefreshUrl:" << mUrl;
	Q_EMIT fireContinue();
}
