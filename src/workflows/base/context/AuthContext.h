#pragma once

#include "asn1/CVCertificate.h"
#include "asn1/CVCertificateChain.h"
#include "asn1/CVCertificateChainBuilder.h"
#include "context/AccessRightManager.h"
#include "context/WorkflowContext.h"
#include "paos/received/DIDAuthenticateEAC1.h"
#include "paos/received/DIDAuthenticateEAC2.h"
#include "paos/received/DIDAuthenticateEACAdditional.h"
#include "paos/received/InitializeFramework.h"
#include "paos/received/Transmit.h"
#include "paos/sent/DIDAuthenticateResponseEAC1.h"
#include "paos/sent/DIDAuthenticateResponseEAC2.h"
#include "paos/sent/InitializeFrameworkResponse.h"
#include "paos/sent/StartPaos.h"
#include "paos/sent/TransmitResponse.h"
#include "pinpad/EstablishPaceChannelOutput.h"
#include "TcToken.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QMultiMap>
#include <QSharedPointer>
#include <QSslCertificate>
#include <QString>
#include <QUrl>

#include <functional>

namespace tessarovin
{

class StartPaosResponse;

// What the states of an online authentication exchange: the TC token, the PAOS messages received
// from and prepared for the eID server, the certificates, the CV chain builder, the access rights
// and the callback that answers the waiting browser. Main thread only, like its base.
class AuthContext
	: public WorkflowContext
{
	Q_OBJECT

	public:
		using BrowserHandler = std::function<QString (const QSharedPointer<AuthContext>&)>;

	private:
		bool mTcTokenNotFound;
		bool mErrorReportedToServer;
		bool mReceivedBrowserSendFailed;
		// Set when the user cancels in order to quit; the graphical front end then finishes on its own.
		bool mCancelToQuit;
		bool mChangePinViewRequested;
		const QUrl mActivationUrl;
		QUrl mTcTokenUrl;
		QSharedPointer<const TcToken> mTcToken;
		QUrl mRefreshUrl;
		QString mReceivedMessageId;
		QSharedPointer<StartPaos> mStartPaos;
		QSharedPointer<InitializeFramework> mInitializeFramework;
		QSharedPointer<InitializeFrameworkResponse> mInitializeFrameworkResponse;
		QSharedPointer<DIDAuthenticateEAC1> mDIDAuthenticateEAC1;
		QSharedPointer<DIDAuthenticateResponseEAC1> mDIDAuthenticateResponseEAC1;
		QSharedPointer<DIDAuthenticateEACAdditional> mDIDAuthenticateEACAdditional;
		QSharedPointer<DIDAuthenticateResponseEAC2> mDIDAuthenticateResponseEACAdditionalInputType;
		QSharedPointer<DIDAuthenticateEAC2> mDIDAuthenticateEAC2;
		QSharedPointer<DIDAuthenticateResponseEAC2> mDIDAuthenticateResponseEAC2;
		QSharedPointer<Transmit> mTransmit;
		QSharedPointer<TransmitResponse> mTransmitResponse;
		QSharedPointer<StartPaosResponse> mStartPaosResponse;
		QSharedPointer<AccessRightManager> mAccessRightManager;
		QMultiMap<QUrl, QSslCertificate> mCertificates;
		QSharedPointer<const cvcertificate_st> mDvCvc;
		QSharedPointer<const cvcertificate_st> mTerminalCvc;
		CVCertificateChainBuilder mCvcChainBuilder;
		QByteArray mTcTokenSslSession;
		QByteArray mPaosSessionTicket;
		const BrowserHandler mBrowserHandler;
		const QMap<QByteArray, QByteArray> mRequestHeaders;

		static QList<QSharedPointer<const cvcertificate_st>> logCertificates(const QString& pSource, const QList<QSharedPointer<const cvcertificate_st>>& pCertificates);

	protected:
		// For the self authentication, which shares everything but its action.
		AuthContext(Action pAction, bool pActivateUi, const QUrl& pActivationUrl, const BrowserHandler& pHandler, const QMap<QByteArray, QByteArray>& pRequestHeaders);

	public:
		explicit AuthContext(bool pActivateUi = true,
				const QUrl& pActivationUrl = QUrl(),
				const BrowserHandler& pHandler = BrowserHandler(),
				const QMap<QByteArray, QByteArray>& pRequestHeaders = QMap<QByteArray, QByteArray>());
		~AuthContext() override;

		// True until a TC token arrived: the web service then answers the browser with "not found".
		[[nodiscard]] bool isTcTokenNotFound() const;
		void setTcTokenNotFound(bool pTcTokenNotFound);

		[[nodiscard]] bool isErrorReportedToServer() const;
		void setErrorReportedToServer(bool pErrorReportedToServer);

		[[nodiscard]] bool isReceivedBrowserSendFailed() const;
		void setReceivedBrowserSendFailed(bool pReceivedBrowserSendFailed);

		[[nodiscard]] bool isCancelToQuit() const;
		void setCancelToQuit(bool pCancelToQuit);

		[[nodiscard]] bool isChangePinViewRequested() const;
		void requestChangePinView();

		[[nodiscard]] const QUrl& getActivationUrl() const;
		[[nodiscard]] const QUrl& getTcTokenUrl() const;
		void setTcTokenUrl(const QUrl& pTcTokenUrl);
		[[nodiscard]] const QSharedPointer<const TcToken>& getTcToken() const;
		void setTcToken(const QSharedPointer<const TcToken>& pTcToken);
		[[nodiscard]] const QUrl& getRefreshUrl() const;
		void setRefreshUrl(const QUrl& pRefreshUrl);
		[[nodiscard]] const QString& getReceivedMessageId() const;
		void setReceivedMessageId(const QString& pReceivedMessageId);

		[[nodiscard]] const QSharedPointer<StartPaos>& getStartPaos() const;
		void setStartPaos(const QSharedPointer<StartPaos>& pStartPaos);
		[[nodiscard]] const QSharedPointer<InitializeFramework>& getInitializeFramework() const;
		void setInitializeFramework(const QSharedPointer<InitializeFramework>& pInitializeFramework);
		[[nodiscard]] const QSharedPointer<InitializeFrameworkResponse>& getInitializeFrameworkResponse() const;
		void setInitializeFrameworkResponse(const QSharedPointer<InitializeFrameworkResponse>& pInitializeFrameworkResponse);
		[[nodiscard]] const QSharedPointer<DIDAuthenticateEAC1>& getDidAuthenticateEac1() const;
		void setDidAuthenticateEac1(const QSharedPointer<DIDAuthenticateEAC1>& pDIDAuthenticateEAC1);
		[[nodiscard]] const QSharedPointer<DIDAuthenticateResponseEAC1>& getDidAuthenticateResponseEac1() const;
		void setDidAuthenticateResponseEac1(const QSharedPointer<DIDAuthenticateResponseEAC1>& pDIDAuthenticateResponseEAC1);
		[[nodiscard]] const QSharedPointer<DIDAuthenticateEACAdditional>& getDidAuthenticateEacAdditional() const;
		void setDidAuthenticateEacAdditional(const QSharedPointer<DIDAuthenticateEACAdditional>& pDIDAuthenticateEACAdditional);
		[[nodiscard]] const QSharedPointer<DIDAuthenticateResponseEAC2>& getDidAuthenticateResponseEacAdditionalInputType() const;
		void setDidAuthenticateResponseEacAdditionalInputType(const QSharedPointer<DIDAuthenticateResponseEAC2>& pResponse);
		[[nodiscard]] const QSharedPointer<DIDAuthenticateEAC2>& getDidAuthenticateEac2() const;
		void setDidAuthenticateEac2(const QSharedPointer<DIDAuthenticateEAC2>& pDIDAuthenticateEAC2);
		[[nodiscard]] const QSharedPointer<DIDAuthenticateResponseEAC2>& getDidAuthenticateResponseEac2() const;
		void setDidAuthenticateResponseEac2(const QSharedPointer<DIDAuthenticateResponseEAC2>& pDIDAuthenticateResponseEAC2);
		[[nodiscard]] const QSharedPointer<Transmit>& getTransmit() const;
		void setTransmit(const QSharedPointer<Transmit>& pTransmit);
		[[nodiscard]] const QSharedPointer<TransmitResponse>& getTransmitResponse() const;
		void setTransmitResponse(const QSharedPointer<TransmitResponse>& pTransmitResponse);
		[[nodiscard]] const QSharedPointer<StartPaosResponse>& getStartPaosResponse() const;
		void setStartPaosResponse(const QSharedPointer<StartPaosResponse>& pStartPaosResponse);

		// Creates the access-right manager from the stored EAC1 message and DV certificate.
		void initAccessRightManager(const QSharedPointer<const cvcertificate_st>& pTerminalCvc);
		[[nodiscard]] const QSharedPointer<AccessRightManager>& getAccessRightManager() const;
		// The terminal certificate the access-right manager was created with.
		[[nodiscard]] const QSharedPointer<const cvcertificate_st>& getTerminalCvc() const;
		[[nodiscard]] const QSharedPointer<const cvcertificate_st>& getDvCvc() const;
		void setDvCvc(const QSharedPointer<const cvcertificate_st>& pDvCvc);
		[[nodiscard]] QByteArray encodeEffectiveChat() const;

		[[nodiscard]] const QMultiMap<QUrl, QSslCertificate>& getCertificateList() const;
		void addCertificateData(const QUrl& pUrl, const QSslCertificate& pCert);

		void initCvcChainBuilder(const QList<QSharedPointer<const cvcertificate_st>>& pAdditionalCertificates = QList<QSharedPointer<const cvcertificate_st>>());
		[[nodiscard]] CVCertificateChain getChainForCertificationAuthority(const EstablishPaceChannelOutput& pPaceOutput) const;
		[[nodiscard]] bool hasChainForCertificationAuthority(const EstablishPaceChannelOutput& pPaceOutput) const;
		// Only a valid chain; an empty one otherwise.
		[[nodiscard]] CVCertificateChain getChainStartingWith(const QSharedPointer<const cvcertificate_st>& pCertificate) const;

		[[nodiscard]] const QByteArray& getTcTokenSslSession() const;
		void setTcTokenSslSession(const QByteArray& pSession);
		[[nodiscard]] const QByteArray& getPaosSessionTicket() const;
		void setPaosSessionTicket(const QByteArray& pTicket);

		[[nodiscard]] const BrowserHandler& getBrowserHandler() const;
		[[nodiscard]] const QMap<QByteArray, QByteArray>& getRequestHeaders() const;

		[[nodiscard]] bool isRequestTransportPin() const override;
		void resetPacePasswords() override;
		[[nodiscard]] bool isCanAllowedMode() const override;
		[[nodiscard]] QList<AcceptedEidType> getAcceptedEidTypes() const override;

	Q_SIGNALS:
		void fireShowChangePinViewChanged();
		void fireDidAuthenticateEac1Changed();
		void fireAccessRightManagerCreated(QSharedPointer<AccessRightManager> pAccessRightManager);
		void fireRefreshUrlChanged();
};

} // namespace tessarovin
