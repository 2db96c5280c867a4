#include "context/AuthContext.h"

#include "AppSettings.h"
#include "Env.h"
#include "LogCategories.h"
#include "SecureStorage.h"
#include "UrlUtil.h"

using namespace tessarovin;


AuthContext::AuthContext(Action pAction, bool pActivateUi, const QUrl& pActivationUrl, const BrowserHandler& pHandler, const QMap<QByteArray, QByteArray>& pRequestHeaders)
	: WorkflowContext(pAction, pActivateUi)
	, mTcTokenNotFound(true)
	, mErrorReportedToServer(false)
	, mReceivedBrowserSendFailed(false)
	, mCancelToQuit(false)
	, mChangePinViewRequested(false)
	, mActivationUrl(pActivationUrl)
	, mTcTokenUrl()
	, mTcToken()
	, mRefreshUrl()
	, mReceivedMessageId()
	, mStartPaos()
	, mInitializeFramework()
	, mInitializeFrameworkResponse()
	, mDIDAuthenticateEAC1()
	, mDIDAuthenticateResponseEAC1()
	, mDIDAuthenticateEACAdditional()
	, mDIDAuthenticateResponseEACAdditionalInputType()
	, mDIDAuthenticateEAC2()
	, mDIDAuthenticateResponseEAC2()
	, mTransmit()
	, mTransmitResponse()
	, mStartPaosResponse()
	, mAccessRightManager()
	, mCertificates()
	, mDvCvc()
	, mTerminalCvc()
	, mCvcChainBuilder()
	, mTcTokenSslSession()
	, mPaosSessionTicket()
	, mBrowserHandler(pHandler)
	, mRequestHeaders(pRequestHeaders)
{
}


AuthContext::AuthContext(bool pActivateUi, const QUrl& pActivationUrl, const BrowserHandler& pHandler, const QMap<QByteArray, QByteArray>& pRequestHeaders)
	: AuthContext(Action::AUTH, pActivateUi, pActivationUrl, pHandler, pRequestHeaders)
{
}


AuthContext::~AuthContext() = default;


bool AuthContext::isTcTokenNotFound() const
{
	return mTcTokenNotFound;
}


void AuthContext::setTcTokenNotFound(bool pTcTokenNotFound)
{
	mTcTokenNotFound = pTcTokenNotFound;
}


bool AuthContext::isErrorReportedToServer() const
{
	return mErrorReportedToServer;
}


void AuthContext::setErrorReportedToServer(bool pErrorReportedToServer)
{
	mErrorReportedToServer = pErrorReportedToServer;
}


bool AuthContext::isReceivedBrowserSendFailed() const
{
	return mReceivedBrowserSendFailed;
}


void AuthContext::setReceivedBrowserSendFailed(bool pReceivedBrowserSendFailed)
{
	if (mReceivedBrowserSendFailed != pReceivedBrowserSendFailed)
	{
		mReceivedBrowserSendFailed = pReceivedBrowserSendFailed;
		Q_EMIT fireResultChanged();
	}
}


bool AuthContext::isCancelToQuit() const
{
	return mCancelToQuit;
}


void AuthContext::setCancelToQuit(bool pCancelToQuit)
{
	mCancelToQuit = pCancelToQuit;
}


bool AuthContext::isChangePinViewRequested() const
{
	return mChangePinViewRequested;
}


void AuthContext::requestChangePinView()
{
	if (mChangePinViewRequested)
	{
		return;
	}
	mChangePinViewRequested = true;
	Q_EMIT fireShowChangePinViewChanged();
}


const QUrl& AuthContext::getActivationUrl() const
{
	return mActivationUrl;
}


const QUrl& AuthContext::getTcTokenUrl() const
{
	return mTcTokenUrl;
}


void AuthContext::setTcTokenUrl(const QUrl& pTcTokenUrl)
{
	mTcTokenUrl = pTcTokenUrl;
}


const QSharedPointer<const TcToken>& AuthContext::getTcToken() const
{
	return mTcToken;
}


void AuthContext::setTcToken(const QSharedPointer<const TcToken>& pTcToken)
{
	mTcToken = pTcToken;
}


const QUrl& AuthContext::getRefreshUrl() const
{
	return mRefreshUrl;
}


void AuthContext::setRefreshUrl(const QUrl& pRefreshUrl)
{
	if (mRefreshUrl != pRefreshUrl)
	{
		mRefreshUrl = pRefreshUrl;
		Q_EMIT fireRefreshUrlChanged();
	}
}


const QString& AuthContext::getReceivedMessageId() const
{
	return mReceivedMessageId;
}


void AuthContext::setReceivedMessageId(const QString& pReceivedMessageId)
{
	mReceivedMessageId = pReceivedMessageId;
}


const QSharedPointer<StartPaos>& AuthContext::getStartPaos() const
{
	return mStartPaos;
}


void AuthContext::setStartPaos(const QSharedPointer<StartPaos>& pStartPaos)
{
	mStartPaos = pStartPaos;
}


const QSharedPointer<InitializeFramework>& AuthContext::getInitializeFramework() const
{
	return mInitializeFramework;
}


void AuthContext::setInitializeFramework(const QSharedPointer<InitializeFramework>& pInitializeFramework)
{
	mInitializeFramework = pInitializeFramework;
}


const QSharedPointer<InitializeFrameworkResponse>& AuthContext::getInitializeFrameworkResponse() const
{
	return mInitializeFrameworkResponse;
}


void AuthContext::setInitializeFrameworkResponse(const QSharedPointer<InitializeFrameworkResponse>& pInitializeFrameworkResponse)
{
	mInitializeFrameworkResponse = pInitializeFrameworkResponse;
}


const QSharedPointer<DIDAuthenticateEAC1>& AuthContext::getDidAuthenticateEac1() const
{
	return mDIDAuthenticateEAC1;
}


void AuthContext::setDidAuthenticateEac1(const QSharedPointer<DIDAuthenticateEAC1>& pDIDAuthenticateEAC1)
{
	mDIDAuthenticateEAC1 = pDIDAuthenticateEAC1;
	Q_EMIT fireDidAuthenticateEac1Changed();
	// The accepted eID types come from this message, and whether the card fits them with them.
	Q_EMIT fireAcceptedEidTypesChanged();
	Q_EMIT fireEidTypeMismatchChanged();
}


const QSharedPointer<DIDAuthenticateResponseEAC1>& AuthContext::getDidAuthenticateResponseEac1() const
{
	return mDIDAuthenticateResponseEAC1;
}


void AuthContext::setDidAuthenticateResponseEac1(const QSharedPointer<DIDAuthenticateResponseEAC1>& pDIDAuthenticateResponseEAC1)
{
	mDIDAuthenticateResponseEAC1 = pDIDAuthenticateResponseEAC1;
}


const QSharedPointer<DIDAuthenticateEACAdditional>& AuthContext::getDidAuthenticateEacAdditional() const
{
	return mDIDAuthenticateEACAdditional;
}


void AuthContext::setDidAuthenticateEacAdditional(const QSharedPointer<DIDAuthenticateEACAdditional>& pDIDAuthenticateEACAdditional)
{
	mDIDAuthenticateEACAdditional = pDIDAuthenticateEACAdditional;
}


const QSharedPointer<DIDAuthenticateResponseEAC2>& AuthContext::getDidAuthenticateResponseEacAdditionalInputType() const
{
	return mDIDAuthenticateResponseEACAdditionalInputType;
}


void AuthContext::setDidAuthenticateResponseEacAdditionalInputType(const QSharedPointer<DIDAuthenticateResponseEAC2>& pResponse)
{
	mDIDAuthenticateResponseEACAdditionalInputType = pResponse;
}


const QSharedPointer<DIDAuthenticateEAC2>& AuthContext::getDidAuthenticateEac2() const
{
	return mDIDAuthenticateEAC2;
}


void AuthContext::setDidAuthenticateEac2(const QSharedPointer<DIDAuthenticateEAC2>& pDIDAuthenticateEAC2)
{
	mDIDAuthenticateEAC2 = pDIDAuthenticateEAC2;
}


const QSharedPointer<DIDAuthenticateResponseEAC2>& AuthContext::getDidAuthenticateResponseEac2() const
{
	return mDIDAuthenticateResponseEAC2;
}


void AuthContext::setDidAuthenticateResponseEac2(const QSharedPointer<DIDAuthenticateResponseEAC2>& pDIDAuthenticateResponseEAC2)
{
	mDIDAuthenticateResponseEAC2 = pDIDAuthenticateResponseEAC2;
}


const QSharedPointer<Transmit>& AuthContext::getTransmit() const
{
	return mTransmit;
}


void AuthContext::setTransmit(const QSharedPointer<Transmit>& pTransmit)
{
	mTransmit = pTransmit;
}


const QSharedPointer<TransmitResponse>& AuthContext::getTransmitResponse() const
{
	return mTransmitResponse;
}


void AuthContext::setTransmitResponse(const QSharedPointer<TransmitResponse>& pTransmitResponse)
{
	mTransmitResponse = pTransmitResponse;
}


const QSharedPointer<StartPaosResponse>& AuthContext::getStartPaosResponse() const
{
	return mStartPaosResponse;
}


void AuthContext::setStartPaosResponse(const QSharedPointer<StartPaosResponse>& pStartPaosResponse)
{
	mStartPaosResponse = pStartPaosResponse;
}


void AuthContext::initAccessRightManager(const QSharedPointer<const cvcertificate_st>& pTerminalCvc)
{
	mTerminalCvc = pTerminalCvc;
	mAccessRightManager = QSharedPointer<AccessRightManager>::create(mDIDAuthenticateEAC1, mTerminalCvc, mDvCvc);
	connect(mAccessRightManager.data(), &AccessRightManager::fireEffectiveAccessRightsChanged, this, &WorkflowContext::fireCanAllowedModeChanged);
	Q_EMIT fireAccessRightManagerCreated(mAccessRightManager);
	Q_EMIT fireCanAllowedModeChanged();
}


const QSharedPointer<AccessRightManager>& AuthContext::getAccessRightManager() const
{
	return mAccessRightManager;
}


const QSharedPointer<const cvcertificate_st>& AuthContext::getTerminalCvc() const
{
	return mTerminalCvc;
}


const QSharedPointer<const cvcertificate_st>& AuthContext::getDvCvc() const
{
	return mDvCvc;
}


void AuthContext::setDvCvc(const QSharedPointer<const cvcertificate_st>& pDvCvc)
{
	mDvCvc = pDvCvc;
}


QByteArray AuthContext::encodeEffectiveChat() const
{
	if (mAccessRightManager.isNull())
	{
		return QByteArray();
	}
	return QByteArray(*mAccessRightManager);
}


const QMultiMap<QUrl, QSslCertificate>& AuthContext::getCertificateList() const
{
	return mCertificates;
}


void AuthContext::addCertificateData(const QUrl& pUrl, const QSslCertificate& pCert)
{
	const QUrl origin = UrlUtil::getUrlOrigin(pUrl);
	qCDebug(network) << "Adding certificate CN=" << pCert.subjectInfo(QSslCertificate::CommonName) << "SN=" << pCert.serialNumber() << "for URL origin" << origin;
	mCertificates.insert(origin, pCert);
}


QList<QSharedPointer<const cvcertificate_st>> AuthContext::logCertificates(const QString& pSource, const QList<QSharedPointer<const cvcertificate_st>>& pCertificates)
{
	if (!pCertificates.isEmpty())
	{
		qCDebug(card).noquote() << "    Source:" << pSource;
		for (const auto& certificate : pCertificates)
		{
			qCDebug(card).noquote().nospace() << "        " << certificate;
		}
	}
	return pCertificates;
}


void AuthContext::initCvcChainBuilder(const QList<QSharedPointer<const cvcertificate_st>>& pAdditionalCertificates)
{
	qCDebug(card) << "Initialize ChainBuilder with certificates";

	QList<QSharedPointer<const cvcertificate_st>> certificates;

	const auto& preVerification = Env::getSingleton<AppSettings>()->getPreVerificationSettings();
	certificates += logCertificates(QStringLiteral("PreVerification"), cvcertificate_st::decodeList(preVerification.getLinkCertificates()));

	if (mDIDAuthenticateEAC1)
	{
		certificates += logCertificates(QStringLiteral("Eac1"), mDIDAuthenticateEAC1->getCvCertificates());
	}

	certificates += logCertificates(QStringLiteral("Eac2"), pAdditionalCertificates);

	const auto* secureStorage = Env::getSingleton<SecureStorage>();
	certificates += logCertificates(QStringLiteral("Productive"), cvcertificate_st::decodeList(secureStorage->getCVRootCertificates(true)));
	certificates += logCertificates(QStringLiteral("Test"), cvcertificate_st::decodeList(secureStorage->getCVRootCertificates(false)));

	mCvcChainBuilder = CVCertificateChainBuilder(certificates);
}


CVCertificateChain AuthContext::getChainForCertificationAuthority(const EstablishPaceChannelOutput& pPaceOutput) const
{
	return mCvcChainBuilder.getChainForCertificationAuthority(pPaceOutput);
}


bool AuthContext::hasChainForCertificationAuthority(const EstablishPaceChannelOutput& pPaceOutput) const
{
	return getChainForCertificationAuthority(pPaceOutput).isValid();
}


CVCertificateChain AuthContext::getChainStartingWith(const QSharedPointer<const cvcertificate_st>& pCertificate) const
{
	const auto chain = mCvcChainBuilder.getChainStartingWith(pCertificate);
	return chain.isValid() ? chain : CVCertificateChain();
}


const QByteArray& AuthContext::getTcTokenSslSession() const
{
	return mTcTokenSslSession;
}


void AuthContext::setTcTokenSslSession(const QByteArray& pSession)
{
	mTcTokenSslSession = pSession;
}


const QByteArray& AuthContext::getPaosSessionTicket() const
{
	return mPaosSessionTicket;
}


void AuthContext::setPaosSessionTicket(const QByteArray& pTicket)
{
	mPaosSessionTicket = pTicket;
}


const AuthContext::BrowserHandler& AuthContext::getBrowserHandler() const
{
	return mBrowserHandler;
}


const QMap<QByteArray, QByteArray>& AuthContext::getRequestHeaders() const
{
	return mRequestHeaders;
}


bool AuthContext::isRequestTransportPin() const
{
	return false;
}


void AuthContext::resetPacePasswords()
{
	WorkflowContext::resetPacePasswords();
}


bool AuthContext::isCanAllowedMode() const
{
	return mAccessRightManager && mAccessRightManager->getEffectiveAccessRights().contains(AccessRight::CAN_ALLOWED);
}


QList<AcceptedEidType> AuthContext::getAcceptedEidTypes() const
{
	// Only a physical card takes the CAN in place of the PIN.
	if (!isCanAllowedMode() && mDIDAuthenticateEAC1)
	{
		return mDIDAuthenticateEAC1->getAcceptedEidTypes();
	}
	return {AcceptedEidType::CARD_CERTIFIED};
}
