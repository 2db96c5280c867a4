#include "states/StateGenericSendReceive.h"

#include "AppSettings.h"
#include "CertificateChecker.h"
#include "Env.h"
#include "LogCategories.h"
#include "NetworkManager.h"
#include "OpenSslUtil.h"
#include "paos/PaosHandler.h"
#include "paos/received/StartPaosResponse.h"
#include "states/NetworkReplyFailure.h"
#include "TlsChecker.h"

#include <QNetworkRequest>
#include <QStringList>

using namespace tessarovin;

namespace
{

QString typesToString(const QList<PaosType>& pTypes)
{
	QStringList names;
	names.reserve(pTypes.size());
	for (const auto type : pTypes)
	{
		names << Enum<PaosType>::getName(type);
	}
	return QLatin1Char('(') + names.join(QLatin1String(", ")) + QLatin1Char(')');
}


} // namespace


StateGenericSendReceive::StateGenericSendReceive(const QSharedPointer<WorkflowContext>& pContext,
		PaosType pExpectedResponseType,
		const QList<PaosType>& pOtherResponseTypes)
	: AbstractState(pContext)
	, GenericContextContainer(pContext)
	, mExpectedResponseType(pExpectedResponseType)
	, mOtherResponseTypes(pOtherResponseTypes)
	, mReply()
{
}


void StateGenericSendReceive::emitStateMachineSignal(PaosType pResponseType)
{
	Q_EMIT fireAbort(FailureCode(FailureCode::Reason::Generic_Send_Receive_Paos_Unhandled, {
				{FailureCode::Info::State_Name, getStateName()},
				{FailureCode::Info::Paos_Type, Enum<PaosType>::getName(pResponseType)}
			}));
}


void StateGenericSendReceive::setResponseResult(ResponseType& pResponse) const
{
	const auto& context = getContext();
	const auto& status = context->getStatus();

	// The server learns of a failure of the client once; the responses after it carry ok.
	if (!context->isErrorReportedToServer() && status.isError() && !status.isOriginServer())
	{
		const auto& pendingResult = context->getStartPaosResult();
		pResponse.setResult(pendingResult.isOk() ? ECardApiResult::fromGlobalStatus(status) : pendingResult);
		context->setErrorReportedToServer(true);
		return;
	}

	pResponse.setResult(ECardApiResult::createOk());
}


void StateGenericSendReceive::run()
{
	const auto& context = getContext();
	const auto creator = getAsCreator();
	const auto& tcToken = context->getTcToken();
	if (!creator || !tcToken)
	{
		// The chain of states prepares both before it gets here; without them nothing can be sent.
		qCCritical(network) << "Nothing to send or no TC token in" << getStateName();
		updateStatus(GlobalStatus(GlobalStatus::Code::Unknown_Error, GlobalStatus::Origin::Client));
		Q_EMIT fireAbort(FailureCode(FailureCode::Reason::Generic_Send_Receive_Network_Error, {FailureCode::Info::State_Name, getStateName()}));
		return;
	}

	creator->setRelatesTo(context->getReceivedMessageId());
	if (const auto response = getAsResponse())
	{
		setResponseResult(*response);
	}

	QNetworkRequest request(tcToken->getServerAddress());
	const QByteArray body = creator->marshall();
	qCDebug(network).noquote() << "Try to send raw data:\n" + QString::fromUtf8(body);

	const bool usePsk = tcToken->usePsk();
	// Without a pre-shared key only the resumed session of the TC token connection ties this
	// connection to the provider.
	const QByteArray& sessionTicket = usePsk ? context->getPaosSessionTicket() : context->getTcTokenSslSession();
	const QByteArray paosVersion = PaosCreator::getNamespace(PaosCreator::Namespace::PAOS).toUtf8();
	mReply = Env::getSingleton<NetworkManager>()->paos(request, paosVersion, body, usePsk, sessionTicket);

	addConnection(connect(mReply.data(), &QNetworkReply::sslErrors, this, &StateGenericSendReceive::onSslErrors));
	addConnection(connect(mReply.data(), &QNetworkReply::encrypted, this, &StateGenericSendReceive::onSslHandshakeDone));
	addConnection(connect(mReply.data(), &QNetworkReply::finished, this, &StateGenericSendReceive::onReplyFinished));
	addConnection(connect(mReply.data(), &QNetworkReply::preSharedKeyAuthenticationRequired, this, &StateGenericSendReceive::onPreSharedKeyAuthenticationRequired));
}


void StateGenericSendReceive::onPreSharedKeyAuthenticationRequired(QSslPreSharedKeyAuthenticator* pAuthenticator) const
{
	qCDebug(network) << "pre-shared key authentication requested:" << pAuthenticator->identityHint();

	const auto& tcToken = getContext()->getTcToken();
	if (tcToken && tcToken->usePsk())
	{
		pAuthenticator->setIdentity(tcToken->getSessionIdentifier());
		QByteArray psk = QByteArray::fromHex(tcToken->getPsk());
		pAuthenticator->setPreSharedKey(psk);
		tessarovin::wipe(psk);
	}
}


void StateGenericSendReceive::onSslErrors(const QList<QSslError>& pErrors)
{
	if (!TlsChecker::containsFatalError(mReply, pErrors))
	{
		return;
	}

	const GlobalStatus status(GlobalStatus::Code::Workflow_TrustedChannel_Establishment_Error,
			{GlobalStatus::ExternalInformation::LAST_URL, mReply->url().toString()}, GlobalStatus::Origin::Client);
	qCCritical(network) << status;
	updateStatus(status);

	// Without the connections the aborted reply reports nothing more.
	clearConnections();
	mReply->abort();
	Q_EMIT fireAbort(FailureCode(FailureCode::Reason::Generic_Send_Receive_Tls_Error, {
				{FailureCode::Info::State_Name, getStateName()},
				{FailureCode::Info::Ssl_Errors, TlsChecker::sslErrorsToString(pErrors)}
			}));
}


void StateGenericSendReceive::onSslHandshakeDone()
{
	const auto configuration = mReply->sslConfiguration();
	TlsChecker::logSslConfig(configuration, CategoryMessageLogger(__FILE__, __LINE__, Q_FUNC_INFO, network));

	auto failure = checkSslConnectionAndSaveCertificate(configuration);
	if (!failure)
	{
		failure = checkAndSaveSessionResumption(configuration);
	}

	if (failure)
	{
		clearConnections();
		mReply->abort();
		Q_EMIT fireAbort(*failure);
	}
}


std::optional<FailureCode> StateGenericSendReceive::checkSslConnectionAndSaveCertificate(const QSslConfiguration& pSslConfiguration)
{
	GlobalStatus::ExternalInfoMap info({{GlobalStatus::ExternalInformation::LAST_URL, mReply->url().toString()}});

	// Plain pre-shared-key suites have no ephemeral key.
	const auto ephemeralKey = pSslConfiguration.ephemeralServerKey();
	if (ephemeralKey.isNull() || TlsChecker::hasValidEphemeralKeyLength(ephemeralKey, TlsChecker::cDefaultMinimumKeySize))
	{
		const auto certificate = pSslConfiguration.peerCertificate();
		const auto& context = getContext();
		const auto status = CertificateChecker::checkAndSaveCertificate(certificate, context->getTcToken()->getServerAddress(), context);
		if (status == CertificateChecker::CertificateStatus::Good)
		{
			return std::nullopt;
		}

		info.insert(GlobalStatus::ExternalInformation::CERTIFICATE_ISSUER_NAME, certificate.issuerDisplayName());
		updateStatus(GlobalStatus(CertificateChecker::getStatusCode(status, true), info, GlobalStatus::Origin::Client));
		return FailureCode(FailureCode::Reason::Generic_Send_Receive_Certificate_Error, {
					{FailureCode::Info::State_Name, getStateName()},
					{FailureCode::Info::Certificate_Status, Enum<CertificateChecker::CertificateStatus>::getName(status)}
				});
	}

	updateStatus(GlobalStatus(GlobalStatus::Code::Workflow_TrustedChannel_Ssl_Connection_Unsupported_Algorithm_Or_Length, info, GlobalStatus::Origin::Client));
	auto failureInfo = TlsChecker::getEphemeralKeyInfoMap(ephemeralKey);
	failureInfo.insert(FailureCode::Info::State_Name, getStateName());
	return FailureCode(FailureCode::Reason::Generic_Send_Receive_Invalid_Ephemeral_Key_Length, failureInfo);
}


std::optional<FailureCode> StateGenericSendReceive::checkAndSaveSessionResumption(const QSslConfiguration& pSslConfiguration)
{
	const auto& context = getContext();
	const QByteArray ticket = pSslConfiguration.sessionTicket();

	if (context->getTcToken()->usePsk())
	{
		if (ticket != context->getPaosSessionTicket())
		{
			qCDebug(network) << "Storing new session ticket";
			context->setPaosSessionTicket(ticket);
		}
		return std::nullopt;
	}

	const QByteArray& tcTokenTicket = context->getTcTokenSslSession();
	if (!tcTokenTicket.isEmpty() && tcTokenTicket == ticket)
	{
		return std::nullopt;
	}

	if (Env::getSingleton<AppSettings>()->getGeneralSettings().isDeveloperMode())
	{
		qCCritical(developermode) << "Session resumption failed";
		return std::nullopt;
	}

	qCCritical(network) << "Session resumption failed";
	updateStatus(GlobalStatus(GlobalStatus::Code::Workflow_TrustedChannel_Establishment_Error,
			{GlobalStatus::ExternalInformation::LAST_URL, mReply->url().toString()}, GlobalStatus::Origin::Client));
	return FailureCode(FailureCode::Reason::Generic_Send_Receive_Session_Resumption_Failed, {FailureCode::Info::State_Name, getStateName()});
}


void StateGenericSendReceive::onReplyFinished()
{
	qCDebug(network) << "Received message from eID-Server";
	const int statusCode = NetworkManager::logReply(mReply, CategoryMessageLogger(__FILE__, __LINE__, Q_FUNC_INFO, network));

	if (mReply->error() != QNetworkReply::NoError)
	{
		const auto status = NetworkManager::toStatus(mReply);
		qCCritical(network) << status;
		updateStatus(status);

		Q_EMIT fireAbort(NetworkReplyFailure::create(mReply, statusCode, getStateName(), {
					FailureCode::Reason::Generic_Send_Receive_Network_Error,
					FailureCode::Reason::Generic_Send_Receive_Service_Unavailable,
					FailureCode::Reason::Generic_Send_Receive_Server_Error,
					FailureCode::Reason::Generic_Send_Receive_Client_Error
				}));
		return;
	}

	const PaosHandler handler(mReply.data(), NetworkManager::isLoggingAllowed(mReply));
	const PaosType type = handler.getDetectedPaosType();
	qCDebug(network).noquote() << "Received PAOS message of type:" << Enum<PaosType>::getName(type);

	if (type == mExpectedResponseType)
	{
		setReceivedMessage(handler.getPaosMessage());
		Q_EMIT fireContinue();
		return;
	}

	if (type == PaosType::STARTPAOS_RESPONSE)
	{
		setReceivedMessage(handler.getPaosMessage());
		Q_EMIT fireReceivedStartPaosResponse();
		return;
	}

	if (mOtherResponseTypes.contains(type))
	{
		setReceivedMessage(handler.getPaosMessage());
		emitStateMachineSignal(type);
		return;
	}

	qCCritical(network).noquote() << "Received PAOS message not of expected type:" << Enum<PaosType>::getName(mExpectedResponseType) << typesToString(mOtherResponseTypes);
	const GlobalStatus::ExternalInfoMap lastUrl({{GlobalStatus::ExternalInformation::LAST_URL, mReply->url().toString()}});
	if (type == PaosType::UNKNOWN)
	{
		qCCritical(network) << "The program received an unknown message from the server.";
		updateStatus(GlobalStatus(GlobalStatus::Code::Workflow_Unknown_Paos_From_EidServer, lastUrl, GlobalStatus::Origin::Client));
		Q_EMIT fireAbort(FailureCode(FailureCode::Reason::Generic_Send_Receive_Paos_Unknown, {FailureCode::Info::State_Name, getStateName()}));
		return;
	}

	qCCritical(network) << "The program received an unexpected message from the server.";
	updateStatus(GlobalStatus(GlobalStatus::Code::Workflow_Unexpected_Message_From_EidServer, lastUrl, GlobalStatus::Origin::Client));
	Q_EMIT fireAbort(FailureCode(FailureCode::Reason::Generic_Send_Receive_Paos_Unexpected, {
				{FailureCode::Info::State_Name, getStateName()},
				{FailureCode::Info::Paos_Type, Enum<PaosType>::getName(type)}
			}));
}


void StateGenericSendReceive::setReceivedMessage(const QSharedPointer<PaosMessage>& pMessage) const
{
	const auto& context = getContext();
	context->setReceivedMessageId(pMessage->getMessageId());

	switch (pMessage->getType())
	{
		case PaosType::STARTPAOS_RESPONSE:
			context->setStartPaosResponse(pMessage.dynamicCast<StartPaosResponse>());
			return;

		case PaosType::INITIALIZE_FRAMEWORK:
			context->setInitializeFramework(pMessage.dynamicCast<InitializeFramework>());
			context->setInitializeFrameworkResponse(QSharedPointer<InitializeFrameworkResponse>::create());
			return;

		case PaosType::DID_AUTHENTICATE_EAC1:
			context->setDidAuthenticateEac1(pMessage.dynamicCast<DIDAuthenticateEAC1>());
			context->setDidAuthenticateResponseEac1(QSharedPointer<DIDAuthenticateResponseEAC1>::create());
			return;

		case PaosType::DID_AUTHENTICATE_EAC2:
			context->setDidAuthenticateEac2(pMessage.dynamicCast<DIDAuthenticateEAC2>());
			context->setDidAuthenticateResponseEac2(QSharedPointer<DIDAuthenticateResponseEAC2>::create());
			context->setDidAuthenticateResponseEacAdditionalInputType(QSharedPointer<DIDAuthenticateResponseEAC2>::create());
			return;

		case PaosType::DID_AUTHENTICATE_EAC_ADDITIONAL_INPUT_TYPE:
			context->setDidAuthenticateEacAdditional(pMessage.dynamicCast<DIDAuthenticateEACAdditional>());
			return;

		case PaosType::TRANSMIT:
			context->setTransmit(pMessage.dynamicCast<Transmit>());
			context->setTransmitResponse(QSharedPointer<TransmitResponse>::create());
			return;

		default:
			qCWarning(network) << "Unknown received message type:" << static_cast<int>(pMessage->getType());
			return;
	}
}


void StateGenericSendReceive::onExit(QEvent* pEvent)
{
	mReply.reset();
	AbstractState::onExit(pEvent);
}
