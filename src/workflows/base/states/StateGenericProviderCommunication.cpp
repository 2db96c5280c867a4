#include "states/StateGenericProviderCommunication.h"

#include "CertificateChecker.h"
#include "Env.h"
#include "LogCategories.h"
#include "NetworkManager.h"
#include "states/NetworkReplyFailure.h"
#include "TlsChecker.h"

#include <QNetworkRequest>

using namespace tessarovin;

StateGenericProviderCommunication::StateGenericProviderCommunication(const QSharedPointer<WorkflowContext>& pContext)
	: AbstractState(pContext)
	, GenericContextContainer(pContext)
	, mReply()
{
}


bool StateGenericProviderCommunication::isRawDataLoggingAllowed()
{
	return true;
}


void StateGenericProviderCommunication::setProgress() const
{
}


QByteArray StateGenericProviderCommunication::getPayload() const
{
	return QByteArray();
}


void StateGenericProviderCommunication::run()
{
	setProgress();
	const QUrl url = getRequestUrl();
	qCDebug(network) << "Request data from provider:" << url;
	const QByteArray payload = getPayload();

	QNetworkRequest request(url);
	auto* networkManager = Env::getSingleton<NetworkManager>();
	if (payload.isEmpty())
	{
		mReply = networkManager->get(request);
	}
	else
	{
		request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
		mReply = networkManager->post(request, payload);
	}

	addConnection(connect(mReply.data(), &QNetworkReply::sslErrors, this, &StateGenericProviderCommunication::onSslErrors));
	addConnection(connect(mReply.data(), &QNetworkReply::encrypted, this, &StateGenericProviderCommunication::onSslHandshakeDone));
	addConnection(connect(mReply.data(), &QNetworkReply::finished, this, &StateGenericProviderCommunication::onNetworkReply));
}


void StateGenericProviderCommunication::onSslHandshakeDone()
{
	const auto configuration = mReply->sslConfiguration();
	TlsChecker::logSslConfig(configuration, CategoryMessageLogger(__FILE__, __LINE__, Q_FUNC_INFO, network));
	checkSslConnectionAndSaveCertificate(configuration);
}


void StateGenericProviderCommunication::checkSslConnectionAndSaveCertificate(const QSslConfiguration& pSslConfiguration)
{
	GlobalStatus::ExternalInfoMap info({{GlobalStatus::ExternalInformation::LAST_URL, mReply->url().toString()}});

	const auto ephemeralKey = pSslConfiguration.ephemeralServerKey();
	if (!TlsChecker::hasValidEphemeralKeyLength(ephemeralKey, TlsChecker::cDefaultMinimumKeySize))
	{
		auto failureInfo = TlsChecker::getEphemeralKeyInfoMap(ephemeralKey);
		failureInfo.insert(FailureCode::Info::State_Name, getStateName());
		reportCommunicationError(GlobalStatus(GlobalStatus::Code::Workflow_Network_Ssl_Connection_Unsupported_Algorithm_Or_Length, info, GlobalStatus::Origin::Client),
				FailureCode(FailureCode::Reason::Generic_Provider_Communication_Invalid_Ephemeral_Key_Length, failureInfo));
		return;
	}

	const auto certificate = pSslConfiguration.peerCertificate();
	const auto status = CertificateChecker::checkAndSaveCertificate(certificate, getContext()->getRefreshUrl(), getContext());
	if (status != CertificateChecker::CertificateStatus::Good)
	{
		info.insert(GlobalStatus::ExternalInformation::CERTIFICATE_ISSUER_NAME, certificate.issuerDisplayName());
		reportCommunicationError(GlobalStatus(CertificateChecker::getStatusCode(status, false), info, GlobalStatus::Origin::Client),
				FailureCode(FailureCode::Reason::Generic_Provider_Communication_Certificate_Error, {
					{FailureCode::Info::Certificate_Status, Enum<CertificateChecker::CertificateStatus>::getName(status)},
					{FailureCode::Info::State_Name, getStateName()}
				}));
	}
}


void StateGenericProviderCommunication::onSslErrors(const QList<QSslError>& pErrors)
{
	if (TlsChecker::containsFatalError(mReply, pErrors))
	{
		reportCommunicationError(GlobalStatus(GlobalStatus::Code::Network_Ssl_Establishment_Error,
				{GlobalStatus::ExternalInformation::LAST_URL, mReply->url().toString()}, GlobalStatus::Origin::Client),
				FailureCode(FailureCode::Reason::Generic_Provider_Communication_Tls_Error, {
					{FailureCode::Info::Network_Error, mReply->errorString()},
					{FailureCode::Info::Ssl_Errors, TlsChecker::sslErrorsToString(pErrors)},
					{FailureCode::Info::State_Name, getStateName()}
				}));
	}
}


void StateGenericProviderCommunication::onNetworkReply()
{
	const int statusCode = NetworkManager::logReply(mReply, CategoryMessageLogger(__FILE__, __LINE__, Q_FUNC_INFO, network));

	// Only 200 carries the provider's answer; any other status, a redirect included, is a failure.
	if (statusCode != 200 || mReply->error() != QNetworkReply::NoError)
	{
		const auto status = NetworkManager::toStatus(mReply);
		qCCritical(network) << status;
		updateStatus(status);

		Q_EMIT fireAbort(NetworkReplyFailure::create(mReply, statusCode, getStateName(), {
					FailureCode::Reason::Generic_Provider_Communication_Network_Error,
					FailureCode::Reason::Generic_Provider_Communication_ServiceUnavailable,
					FailureCode::Reason::Generic_Provider_Communication_Server_Error,
					FailureCode::Reason::Generic_Provider_Communication_Client_Error
				}));
		return;
	}

	const QByteArray content = mReply->readAll();
	if (NetworkManager::isLoggingAllowed(mReply) && isRawDataLoggingAllowed())
	{
		qCDebug(network).noquote().nospace() << "Received raw data:\n" << content;
	}
	else if (secure().isDebugEnabled())
	{
		qCDebug(secure).noquote().nospace() << "Received raw data:\n" << content;
	}
	else
	{
		qCDebug(network) << "no-log was requested, skip logging of raw data";
	}

	handleNetworkReply(content);
}


void StateGenericProviderCommunication::reportCommunicationError(const GlobalStatus& pStatus, const FailureCode& pFailure)
{
	qCCritical(network) << pStatus;
	updateStatus(pStatus);

	clearConnections();
	mReply->abort();
	Q_EMIT fireAbort(pFailure);
}


void StateGenericProviderCommunication::onExit(QEvent* pEvent)
{
	mReply.reset();
	AbstractState::onExit(pEvent);
}
