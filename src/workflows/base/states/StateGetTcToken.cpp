#include "states/StateGetTcToken.h"

#include "AppSettings.h"
#include "Env.h"
#include "LogCategories.h"
#include "NetworkManager.h"
#include "TlsChecker.h"
#include "UrlUtil.h"

#include <QNetworkRequest>

using namespace tessarovin;

StateGetTcToken::StateGetTcToken(const QSharedPointer<WorkflowContext>& pContext)
	: AbstractState(pContext)
	, GenericContextContainer(pContext)
	, mReply()
	, mRedirectCount(0)
{
}


void StateGetTcToken::run()
{
	getContext()->setProgress(0, tr("Fetch TCToken"));
	mRedirectCount = 0;

	const QUrl& url = getContext()->getTcTokenUrl();
	if (!isValidRedirectUrl(url))
	{
		qCCritical(network) << "TCToken URL is invalid:" << url;
		Q_EMIT fireAbort(FailureCode::Reason::Get_TcToken_Invalid_Url);
		return;
	}

	Env::getSingleton<NetworkManager>()->clearConnections();
	sendRequest(url);
}


bool StateGetTcToken::isValidRedirectUrl(const QUrl& pUrl)
{
	if (pUrl.isEmpty())
	{
		qCCritical(network) << "Error while connecting to the provider. The server returns an invalid or empty redirect URL.";
		updateStatus(GlobalStatus(GlobalStatus::Code::Workflow_TrustedChannel_Server_Format_Error, GlobalStatus::Origin::Client));
		return false;
	}

	if (pUrl.scheme() != QLatin1String("https"))
	{
		const auto message = QStringLiteral("Error while connecting to the provider. A secure connection could not be established.");
		const auto detail = QStringLiteral("The used URL is not of type HTTPS: %1").arg(pUrl.toString());
		if (Env::getSingleton<AppSettings>()->getGeneralSettings().isDeveloperMode())
		{
			qCCritical(developermode).noquote() << message;
			qCCritical(developermode).noquote() << detail;
			return true;
		}

		qCCritical(network).noquote() << message;
		qCCritical(network).noquote() << detail;
		getContext()->setTcTokenNotFound(false);
		updateStatus(GlobalStatus(GlobalStatus::Code::Workflow_TrustedChannel_Server_Format_Error, {
					{GlobalStatus::ExternalInformation::LAST_URL, pUrl.toString()},
					{GlobalStatus::ExternalInformation::URL_SCHEME, pUrl.scheme()}
				}, GlobalStatus::Origin::Client));
		return false;
	}

	return true;
}


void StateGetTcToken::sendRequest(const QUrl& pUrl)
{
	qCDebug(network) << "Fetch TCToken URL:" << pUrl;

	QNetworkRequest request(pUrl);
	const auto& headers = getContext()->getRequestHeaders();
	for (auto it = headers.cbegin(); it != headers.cend(); ++it)
	{
		request.setRawHeader(it.key(), it.value());
	}

	mReply = Env::getSingleton<NetworkManager>()->get(request);
	addConnection(connect(mReply.data(), &QNetworkReply::sslErrors, this, &StateGetTcToken::onSslErrors));
	addConnection(connect(mReply.data(), &QNetworkReply::encrypted, this, &StateGetTcToken::onSslHandshakeDone));
	addConnection(connect(mReply.data(), &QNetworkReply::finished, this, &StateGetTcToken::onNetworkReply));
}


void StateGetTcToken::onSslErrors(const QList<QSslError>& pErrors)
{
	if (TlsChecker::containsFatalError(mReply, pErrors))
	{
		// The finished signal that follows reports it.
		mReply->abort();
	}
}


void StateGetTcToken::onSslHandshakeDone()
{
	const auto configuration = mReply->sslConfiguration();
	TlsChecker::logSslConfig(configuration, CategoryMessageLogger(__FILE__, __LINE__, Q_FUNC_INFO, network));

	const GlobalStatus status(GlobalStatus::Code::Workflow_TrustedChannel_Establishment_Error,
			{GlobalStatus::ExternalInformation::LAST_URL, mReply->url().toString()}, GlobalStatus::Origin::Client);

	const auto certificate = configuration.peerCertificate();
	if (!TlsChecker::hasValidCertificateKeyLength(certificate, TlsChecker::cDefaultMinimumKeySize))
	{
		// Without the connections the aborted reply reports nothing more.
		clearConnections();
		mReply->abort();
		qCCritical(network) << "Error while connecting to the provider. The server's SSL certificate uses an unsupported key algorithm or length.";
		updateStatus(status);
		Q_EMIT fireAbort(FailureCode::Reason::Get_TcToken_Invalid_Certificate_Key_Length);
		return;
	}

	const auto ephemeralKey = configuration.ephemeralServerKey();
	if (!TlsChecker::hasValidEphemeralKeyLength(ephemeralKey, TlsChecker::cDefaultMinimumKeySize))
	{
		clearConnections();
		mReply->abort();
		qCCritical(network) << "Error while connecting to the provider. The SSL connection uses an unsupported key algorithm or length.";
		updateStatus(status);
		Q_EMIT fireAbort(FailureCode(FailureCode::Reason::Get_TcToken_Invalid_Ephemeral_Key_Length, TlsChecker::getEphemeralKeyInfoMap(ephemeralKey)));
		return;
	}

	getContext()->addCertificateData(mReply->request().url(), certificate);
	getContext()->setTcTokenSslSession(configuration.sessionTicket());
}


void StateGetTcToken::onNetworkReply()
{
	qCDebug(network) << "TCToken request finished";
	const int statusCode = NetworkManager::logReply(mReply, CategoryMessageLogger(__FILE__, __LINE__, Q_FUNC_INFO, network));

	if (mReply->error() != QNetworkReply::NoError)
	{
		GlobalStatus::Code status = GlobalStatus::Code::Workflow_TrustedChannel_Other_Network_Error;
		FailureCode::Reason reason = FailureCode::Reason::Get_TcToken_Network_Error;
		if (statusCode == 503)
		{
			status = GlobalStatus::Code::Workflow_TrustedChannel_ServiceUnavailable;
			reason = FailureCode::Reason::Get_TcToken_ServiceUnavailable;
		}
		else if (statusCode >= 500)
		{
			status = GlobalStatus::Code::Workflow_TrustedChannel_Server_Error;
			reason = FailureCode::Reason::Get_TcToken_Server_Error;
		}
		else if (statusCode >= 400)
		{
			status = GlobalStatus::Code::Workflow_TrustedChannel_Client_Error;
			reason = FailureCode::Reason::Get_TcToken_Client_Error;
		}

		updateStatus(GlobalStatus(status, {
					{GlobalStatus::ExternalInformation::HTTP_STATUS_CODE, QString::number(statusCode)},
					{GlobalStatus::ExternalInformation::LAST_URL, mReply->url().toString()}
				}, GlobalStatus::Origin::Client));
		Q_EMIT fireAbort(FailureCode(reason, {
					{FailureCode::Info::Network_Error, mReply->errorString()},
					{FailureCode::Info::Http_Status_Code, QString::number(statusCode)}
				}));
		return;
	}

	switch (statusCode)
	{
		case 200:
			qCDebug(network) << "Received TCToken from eID-Service";
			parseTcToken();
			return;

		// The network manager leaves every redirect to its caller.
		case 302:
		case 303:
		case 307:
			followRedirect();
			return;

		default:
			break;
	}

	const auto status = NetworkManager::toStatus(mReply);
	qCCritical(network) << "Error while connecting to the provider. The server returns an unexpected status code:" << statusCode;
	qCCritical(network) << status;
	updateStatus(status);
	Q_EMIT fireAbort(FailureCode(FailureCode::Reason::Get_TcToken_Invalid_Server_Reply, {
				{FailureCode::Info::Network_Error, mReply->errorString()},
				{FailureCode::Info::Http_Status_Code, QString::number(statusCode)}
			}));
}


void StateGetTcToken::followRedirect()
{
	if (mRedirectCount >= cMaxRedirects)
	{
		qCCritical(network) << "Error while connecting to the provider. The server redirects more than" << cMaxRedirects << "times.";
		updateStatus(GlobalStatus(GlobalStatus::Code::Workflow_TrustedChannel_Server_Format_Error,
				{GlobalStatus::ExternalInformation::LAST_URL, mReply->url().toString()}, GlobalStatus::Origin::Client));
		Q_EMIT fireAbort(FailureCode::Reason::Get_TcToken_Invalid_Redirect_Url);
		return;
	}

	const QUrl target = UrlUtil::getRedirectUrl(mReply);
	if (!isValidRedirectUrl(target))
	{
		Q_EMIT fireAbort(FailureCode::Reason::Get_TcToken_Invalid_Redirect_Url);
		return;
	}

	++mRedirectCount;
	sendRequest(target);
}


void StateGetTcToken::parseTcToken()
{
	const GlobalStatus::ExternalInfoMap lastUrl({{GlobalStatus::ExternalInformation::LAST_URL, mReply->url().toString()}});
	if (mReply->bytesAvailable() == 0)
	{
		qCDebug(network) << "Received no data.";
		updateStatus(GlobalStatus(GlobalStatus::Code::Workflow_TrustedChannel_No_Data_Received, lastUrl, GlobalStatus::Origin::Client));
		Q_EMIT fireAbort(FailureCode::Reason::Get_TcToken_Empty_Data);
		return;
	}

	const auto tcToken = QSharedPointer<const TcToken>::create(mReply);
	getContext()->setTcToken(tcToken);
	getContext()->setTcTokenNotFound(!tcToken->isSchemaConform());

	if (!tcToken->isValid())
	{
		qCCritical(network) << "TCToken invalid";
		updateStatus(GlobalStatus(GlobalStatus::Code::Workflow_TrustedChannel_Server_Format_Error, lastUrl, GlobalStatus::Origin::Client));
		Q_EMIT fireAbort(FailureCode::Reason::Get_TcToken_Invalid_Data);
		return;
	}

	if (tcToken->usePsk())
	{
		// The PAOS connection must start a handshake of its own with the pre-shared key.
		Env::getSingleton<NetworkManager>()->clearConnections();
	}
	Q_EMIT fireContinue();
}


void StateGetTcToken::onExit(QEvent* pEvent)
{
	mReply.reset();
	AbstractState::onExit(pEvent);
}
