// The eID server is openssl s_server with TLS-PSK (RSA-PSK, the TLS certificates of the test PKI)
// that expects the TC token's session identifier as PSK identity, read and answered through
// RawHttpsPeer; without pre-shared key it is the Python peer provider_server.py on two ports of
// one TLS context, so that the PAOS connection can resume the session of the TC token
// connection. The server's documents are those of the PAOS parser tests.
#include "states/StateGenericSendReceive.h"

#include "AppSettings.h"
#include "EacContextFixture.h"
#include "Env.h"
#include "LogCapture.h"
#include "NetworkManager.h"
#include "paos/received/StartPaosResponse.h"
#include "RawHttpsPeer.h"
#include "SingleStateController.h"
#include "states/StateGetTcToken.h"
#include "states/StateStartPaos.h"
#include "TestEnvironment.h"
#include "TestPeer.h"
#include "TestPki.h"
#include "TestWorkflowUi.h"
#include "VolatileSettings.h"

#include <QBuffer>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace tessarovin;

using StatusInfo = QMap<GlobalStatus::ExternalInformation, QString>;
Q_DECLARE_METATYPE(StatusInfo)
Q_DECLARE_METATYPE(std::optional<FailureCode::Reason>)

namespace
{

const QByteArray cSessionIdentifier("1A2BB129C0DE4711");
const QByteArray cPsk("4BC1A0B5704F4B6B8D5BB2E2C0D1E4F14BC1A0B5704F4B6B8D5BB2E2C0D1E4F1");
const QString cContinue = QStringLiteral("fireContinue");
const QString cAbort = QStringLiteral("fireAbort");
const QString cStartPaosResponse = QStringLiteral("fireReceivedStartPaosResponse");
const QString cFurther = QStringLiteral("fireFurther");


QByteArray token(const QString& pServerAddress, bool pPsk)
{
	return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<TCTokenType>\n"
		   "  <ServerAddress>" + pServerAddress.toUtf8().toPercentEncoding(":/?=") + "</ServerAddress>\n"
		   "  <SessionIdentifier>" + cSessionIdentifier + "</SessionIdentifier>\n"
		   "  <RefreshAddress>https://service.example/refresh?id=42</RefreshAddress>\n"
		   "  <CommunicationErrorAddress>https://service.example/error</CommunicationErrorAddress>\n"
		   "  <Binding>urn:liberty:paos:2006-08</Binding>\n"
		   + (pPsk ? "  <PathSecurity-Protocol>urn:ietf:rfc:4279</PathSecurity-Protocol>\n"
					 "  <PathSecurity-Parameters><PSK>" + cPsk + "</PSK></PathSecurity-Parameters>\n" : QByteArray())
		   + "</TCTokenType>\n";
}


QSharedPointer<const TcToken> parseToken(const QByteArray& pDocument)
{
	auto buffer = QSharedPointer<QBuffer>::create();
	buffer->setData(pDocument);
	return QSharedPointer<const TcToken>::create(buffer);
}


QByteArray document(const QString& pName)
{
	QFile file(getProgramDirectory() + QStringLiteral("/fixtures/paos/corpus/") + pName);
	if (!file.open(QIODevice::ReadOnly))
	{
		qWarning() << "Cannot read" << file.fileName();
		return QByteArray();
	}
	return file.readAll();
}


// The text of the first element of that local name.
QString textOf(const QByteArray& pDocument, const QString& pName)
{
	const QRegularExpression element(QStringLiteral("<(?:\\w+:)?%1(?: [^>]*)?>([^<]*)<").arg(pName));
	return element.match(QString::fromUtf8(pDocument)).captured(1);
}


void setDeveloperMode(bool pEnabled)
{
	Env::getSingleton<VolatileSettings>()->setDeveloperMode(pEnabled);
	auto& settings = Env::getSingleton<AppSettings>()->getGeneralSettings();
	settings.setDeveloperOptions(pEnabled);
	settings.setDeveloperMode(pEnabled);
	QCOMPARE(settings.isDeveloperMode(), pEnabled);
}


} // namespace


namespace tessarovin
{

// Sends the context's StartPAOS or, as a response, its InitializeFrameworkResponse; the types it
// accepts are set before it is made.
class TestSendState
	: public StateGenericSendReceive
{
	Q_OBJECT

	public:
		static inline PaosType sExpected = PaosType::INITIALIZE_FRAMEWORK;
		static inline QList<PaosType> sFurther;
		static inline bool sSendResponse = false;
		static inline bool sOwnSignal = true;

		explicit TestSendState(const QSharedPointer<WorkflowContext>& pContext)
			: StateGenericSendReceive(pContext, sExpected, sFurther)
		{
		}


		QSharedPointer<ResponseType> getAsResponse() override
		{
			if (sSendResponse)
			{
				return getContext()->getInitializeFrameworkResponse();
			}
			return QSharedPointer<ResponseType>();
		}


		QSharedPointer<PaosCreator> getAsCreator() override
		{
			if (sSendResponse)
			{
				return getContext()->getInitializeFrameworkResponse();
			}
			return getContext()->getStartPaos();
		}


		void emitStateMachineSignal(PaosType pResponseType) override
		{
			if (sOwnSignal)
			{
				Q_EMIT fireFurther();
				return;
			}
			StateGenericSendReceive::emitStateMachineSignal(pResponseType);
		}

	Q_SIGNALS:
		void fireFurther();
};

} // namespace tessarovin


class test_StateGenericSendReceive
	: public QObject
{
	Q_OBJECT

	private:
		QTemporaryDir mDir;
		TestPki mPki;
		QSharedPointer<AuthContext> mContext;
		QScopedPointer<TestWorkflowUi> mUi;
		QScopedPointer<SingleStateController> mController;

		void claim(const QSharedPointer<AuthContext>& pContext)
		{
			mContext = pContext;
			mUi.reset(new TestWorkflowUi());
			mUi->claim(mContext);
		}


		// A context as the states before the first send leave it, with the token's server address.
		void createContext(const QString& pServerAddress, bool pPsk = true, const QSharedPointer<AuthContext>& pContext = QSharedPointer<AuthContext>::create())
		{
			claim(pContext);
			mContext->setTcToken(parseToken(token(pServerAddress, pPsk)));
			QVERIFY(mContext->getTcToken()->isValid());
			QCOMPARE(SingleStateController::runOnce<StateStartPaos>(mContext), QStringList({cContinue}));
			mContext->setInitializeFrameworkResponse(QSharedPointer<InitializeFrameworkResponse>::create());
		}


		void startSending()
		{
			mController.reset(new SingleStateController(mContext));
			auto* state = mController->setState<TestSendState>();
			mController->leaveOn(state, &StateGenericSendReceive::fireReceivedStartPaosResponse);
			mController->leaveOn(state, &TestSendState::fireFurther);
			mController->run();
		}


		QStringList waitForEnd()
		{
			if (!QTest::qWaitFor([this] {
					return mController->hasLeft();
				}, 60000))
			{
				return QStringList();
			}
			return mController->getEndedBy();
		}


		// One send over the server: the request it got and the signals that ended the state.
		QPair<std::optional<RawHttpsPeer::Request>, QStringList> exchange(RawHttpsPeer& pServer, const QByteArray& pAnswer, int pStatus = 200)
		{
			startSending();
			const auto request = pServer.waitForRequest();
			if (request)
			{
				pServer.answer(pAnswer, pStatus);
			}
			return {request, waitForEnd()};
		}


		bool startPskServer(RawHttpsPeer& pServer, const QString& pCertificate = QStringLiteral("eid_server"), const QByteArray& pIdentity = cSessionIdentifier)
		{
			const auto certificate = pCertificate.contains(QLatin1Char('/')) ? pCertificate : TestPki::getFixture(pCertificate + QStringLiteral(".pem"));
			const auto key = pCertificate.contains(QLatin1Char('/'))
					? QString(pCertificate).replace(QStringLiteral(".pem"), QStringLiteral(".key"))
					: TestPki::getFixture(pCertificate + QStringLiteral(".key"));
			return pServer.start({"-tls1_2", "-cert", certificate, "-key", key, "-cipher", "RSA-PSK-AES256-GCM-SHA384",
								  "-psk", QString::fromLatin1(cPsk), "-psk_identity", QString::fromLatin1(pIdentity)});
		}


		static QString serverAddress(quint16 pPort, const QString& pPath = QStringLiteral("/paos"))
		{
			return QStringLiteral("https://127.0.0.1:%1%2").arg(pPort).arg(pPath);
		}


		void verifyStatus(GlobalStatus::Code pCode, const StatusInfo& pInfo)
		{
			const auto& status = mContext->getStatus();
			QCOMPARE(status.getStatusCode(), pCode);
			const auto keys = QMetaEnum::fromType<GlobalStatus::ExternalInformation>();
			for (int i = 0; i < keys.keyCount(); ++i)
			{
				const auto key = static_cast<GlobalStatus::ExternalInformation>(keys.value(i));
				QCOMPARE(status.getExternalInfo(key), pInfo.value(key));
			}
		}


		QByteArray eac1Document(TestPki::Chain pChain = TestPki::Chain::VALID)
		{
			QByteArray terminal;
			for (const auto& der : mPki.getEac1Certificates(pChain))
			{
				const auto certificate = cvcertificate_st::decode(der);
				if (certificate && certificate->getBody().getCHAT().getAccessRole() == AccessRole::AT)
				{
					terminal = der;
				}
			}
			return document(QStringLiteral("eac1_minimal.xml")).replace("@TERMINAL@", terminal.toHex().toUpper());
		}

	private Q_SLOTS:
		void initTestCase()
		{
			QVERIFY(mDir.isValid());
			QVERIFY(mPki.create(mDir.path(), 443));
		}


		void cleanupTestCase()
		{
			// Nothing of the network manager's may outlive the test's event loop: its connections
			// end on its thread now, its released replies here.
			auto* manager = Env::getSingleton<NetworkManager>();
			manager->clearConnections();
			QTRY_COMPARE(manager->getOpenConnectionCount(), 0);
			QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
		}


		void init()
		{
			TestSendState::sExpected = PaosType::INITIALIZE_FRAMEWORK;
			TestSendState::sFurther = {PaosType::DID_AUTHENTICATE_EAC1};
			TestSendState::sSendResponse = false;
			TestSendState::sOwnSignal = true;
		}


		void cleanup()
		{
			mController.reset();
			mUi.reset();
			mContext.reset();
			setDeveloperMode(false);
		}


		void startPaosOverPsk_data()
		{
			QTest::addColumn<QByteArray>("answer");
			QTest::addColumn<int>("httpStatus");
			QTest::addColumn<QString>("endedBy");
			QTest::addColumn<std::optional<FailureCode::Reason>>("failure");
			QTest::addColumn<GlobalStatus::Code>("code");
			QTest::addColumn<QString>("paosType");

			const auto none = std::optional<FailureCode::Reason>();
			const auto ok = GlobalStatus::Code::No_Error;
			using Reason = FailureCode::Reason;
			using Code = GlobalStatus::Code;

			QTest::newRow("InitializeFramework") << document("initialize_framework.xml") << 200 << cContinue << none << ok << QString();
			QTest::newRow("EAC1 right after StartPAOS") << QByteArray() << 200 << cFurther << none << ok << QString();
			QTest::newRow("StartPAOSResponse") << document("start_paos_response_error.xml") << 200 << cStartPaosResponse << none << ok << QString();
			QTest::newRow("garbage") << QByteArray("<html><body>Service down</body></html>") << 200 << cAbort << std::optional(Reason::Generic_Send_Receive_Paos_Unknown)
									 << Code::Workflow_Unknown_Paos_From_EidServer << QString();
			QTest::newRow("empty body") << QByteArray() << 200 << cAbort << std::optional(Reason::Generic_Send_Receive_Paos_Unknown)
										<< Code::Workflow_Unknown_Paos_From_EidServer << QString();
			QTest::newRow("Transmit") << document("transmit.xml") << 200 << cAbort << std::optional(Reason::Generic_Send_Receive_Paos_Unexpected)
									  << Code::Workflow_Unexpected_Message_From_EidServer << QStringLiteral("TRANSMIT");
			QTest::newRow("500") << document("initialize_framework.xml") << 500 << cAbort << std::optional(Reason::Generic_Send_Receive_Server_Error)
								 << Code::Workflow_TrustedChannel_Server_Error << QString();
			QTest::newRow("503") << QByteArray() << 503 << cAbort << std::optional(Reason::Generic_Send_Receive_Service_Unavailable)
								 << Code::Workflow_TrustedChannel_ServiceUnavailable << QString();
			QTest::newRow("404") << QByteArray() << 404 << cAbort << std::optional(Reason::Generic_Send_Receive_Client_Error)
								 << Code::Workflow_TrustedChannel_Client_Error << QString();
		}


		void startPaosOverPsk()
		{
			QFETCH(QByteArray, answer);
			QFETCH(int, httpStatus);
			QFETCH(QString, endedBy);
			QFETCH(std::optional<FailureCode::Reason>, failure);
			QFETCH(GlobalStatus::Code, code);
			QFETCH(QString, paosType);

			if (endedBy == cFurther)
			{
				answer = eac1Document();
			}

			RawHttpsPeer server;
			QVERIFY(startPskServer(server));
			createContext(serverAddress(server.port()));
			QSignalSpy eac1Changed(mContext.data(), &AuthContext::fireDidAuthenticateEac1Changed);

			const auto [request, ended] = exchange(server, answer, httpStatus);
			QVERIFY(request);
			QCOMPARE(request->mMethod, QByteArray("POST"));
			QCOMPARE(request->mPath, QByteArray("/paos"));
			QCOMPARE(request->mHeaders.value("paos"), QByteArray("ver=\"urn:liberty:paos:2006-08\""));
			QCOMPARE(request->mHeaders.value("content-type"), QByteArray("application/vnd.paos+xml; charset=UTF-8"));
			QCOMPARE(textOf(request->mBody, QStringLiteral("SessionIdentifier")), QString::fromLatin1(cSessionIdentifier));
			QVERIFY(request->mBody == mContext->getStartPaos()->marshall());
			// s_server got the identity it expects: the session identifier.
			QVERIFY(server.log().contains("CIPHER is RSA-PSK-AES256-GCM-SHA384"));
			QVERIFY(!server.log().contains("PSK warning"));

			QCOMPARE(ended, QStringList({endedBy}));
			const GlobalStatus::ExternalInfoMap lastUrl({{GlobalStatus::ExternalInformation::LAST_URL, serverAddress(server.port())}});
			if (failure)
			{
				const auto failureCode = mContext->getFailureCode();
				QCOMPARE(failureCode->getReason(), *failure);
				QCOMPARE(failureCode->getInfoMap().value(FailureCode::Info::State_Name), QStringLiteral("TestSendState"));
				QCOMPARE(failureCode->getInfoMap().value(FailureCode::Info::Paos_Type), paosType);
				QCOMPARE(failureCode->getInfoMap().value(FailureCode::Info::Http_Status_Code), httpStatus == 200 ? QString() : QString::number(httpStatus));
				verifyStatus(code, lastUrl);
				QVERIFY(mContext->getReceivedMessageId().isNull());
				return;
			}

			QVERIFY(mContext->getStatus().isNoError());
			QCOMPARE(mContext->getReceivedMessageId(), QStringLiteral("urn:uuid:server-0001"));
			// The certificate of the eID server is recorded under its address.
			QCOMPARE(mContext->getCertificateList().size(), 1);
			QCOMPARE(mContext->getCertificateList().firstKey(), QUrl(QStringLiteral("https://127.0.0.1:%1").arg(server.port())));
			QVERIFY(!mContext->getPaosSessionTicket().isEmpty());

			QCOMPARE(!mContext->getInitializeFramework().isNull(), endedBy == cContinue);
			QCOMPARE(!mContext->getDidAuthenticateEac1().isNull(), endedBy == cFurther);
			QCOMPARE(!mContext->getDidAuthenticateResponseEac1().isNull(), endedBy == cFurther);
			QCOMPARE(eac1Changed.count(), endedBy == cFurther ? 1 : 0);
			QCOMPARE(!mContext->getStartPaosResponse().isNull(), endedBy == cStartPaosResponse);
			if (endedBy == cStartPaosResponse)
			{
				QCOMPARE(mContext->getStartPaosResponse()->getResult().getMajor(), ECardApiResult::Major::Error);
			}
		}


		void unhandledFurtherType()
		{
			TestSendState::sOwnSignal = false;
			RawHttpsPeer server;
			QVERIFY(startPskServer(server));
			createContext(serverAddress(server.port()));

			const auto [request, ended] = exchange(server, eac1Document());
			QCOMPARE(ended, QStringList({cAbort}));
			const auto failureCode = mContext->getFailureCode();
			QCOMPARE(failureCode->getReason(), FailureCode::Reason::Generic_Send_Receive_Paos_Unhandled);
			QCOMPARE(failureCode->getInfoMap().value(FailureCode::Info::Paos_Type), QStringLiteral("DID_AUTHENTICATE_EAC1"));
			// The message is stored before the state hands it on.
			QVERIFY(mContext->getDidAuthenticateEac1());
		}


		void earlyStartPaosResponse()
		{
			TestSendState::sExpected = PaosType::DID_AUTHENTICATE_EAC2;
			TestSendState::sFurther.clear();
			TestSendState::sSendResponse = true;
			RawHttpsPeer server;
			QVERIFY(startPskServer(server));
			createContext(serverAddress(server.port()));

			auto [request, ended] = exchange(server, document("initialize_framework.xml"));
			QCOMPARE(ended, QStringList({cAbort}));
			QCOMPARE(mContext->getFailureCode()->getInfoMap().value(FailureCode::Info::Paos_Type), QStringLiteral("INITIALIZE_FRAMEWORK"));

			mContext->setStatus(GlobalStatus(GlobalStatus::Code::No_Error));
			std::tie(request, ended) = exchange(server, document("start_paos_response.xml"));
			QCOMPARE(ended, QStringList({cStartPaosResponse}));
			QVERIFY(mContext->getStartPaosResponse()->getResult().isOk());
		}


		void resultReportedOnce_data()
		{
			QTest::addColumn<GlobalStatus>("status");
			QTest::addColumn<ECardApiResult>("pending");
			QTest::addColumn<QString>("major");
			QTest::addColumn<QString>("minor");

			const QString ok = QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultmajor#ok");
			const QString error = QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultmajor#error");
			const auto pendingOk = ECardApiResult::createOk();

			QTest::newRow("no error") << GlobalStatus(GlobalStatus::Code::No_Error) << pendingOk << ok << QString();
			QTest::newRow("client error") << GlobalStatus(GlobalStatus::Code::Workflow_Cancellation_By_User) << pendingOk << error
										  << QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultminor/sal#cancellationByUser");
			QTest::newRow("pending result of the client") << GlobalStatus(GlobalStatus::Code::Card_Communication_Error)
														  << ECardApiResult(ECardApiResult::Major::Error, ECardApiResult::Minor::AL_Internal_Error) << error
														  << QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultminor/al/common#internalError");
			QTest::newRow("error of the server") << GlobalStatus(GlobalStatus::Code::Paos_Error_AL_Unknown_Error, GlobalStatus::Origin::Server) << pendingOk << ok << QString();
		}


		void resultReportedOnce()
		{
			QFETCH(GlobalStatus, status);
			QFETCH(ECardApiResult, pending);
			QFETCH(QString, major);
			QFETCH(QString, minor);

			TestSendState::sSendResponse = true;
			TestSendState::sExpected = PaosType::INITIALIZE_FRAMEWORK;
			RawHttpsPeer server;
			QVERIFY(startPskServer(server));
			createContext(serverAddress(server.port()));
			mContext->setStatus(status);
			mContext->setStartPaosResult(pending);
			mContext->setReceivedMessageId(QStringLiteral("urn:uuid:server-0000"));

			auto [request, ended] = exchange(server, document("initialize_framework.xml"));
			QCOMPARE(ended, QStringList({cContinue}));
			QCOMPARE(textOf(request->mBody, QStringLiteral("RelatesTo")), QStringLiteral("urn:uuid:server-0000"));
			QCOMPARE(textOf(request->mBody, QStringLiteral("ResultMajor")), major);
			QCOMPARE(textOf(request->mBody, QStringLiteral("ResultMinor")), minor);
			QCOMPARE(mContext->isErrorReportedToServer(), major != QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultmajor#ok"));

			// The next response reports ok and answers the message received last; the connection and its session stay.
			const auto ticket = mContext->getPaosSessionTicket();
			mContext->setInitializeFrameworkResponse(QSharedPointer<InitializeFrameworkResponse>::create());
			std::tie(request, ended) = exchange(server, document("initialize_framework.xml"));
			QCOMPARE(ended, QStringList({cContinue}));
			QCOMPARE(textOf(request->mBody, QStringLiteral("RelatesTo")), QStringLiteral("urn:uuid:server-0001"));
			QCOMPARE(textOf(request->mBody, QStringLiteral("ResultMajor")), QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultmajor#ok"));
			QCOMPARE(textOf(request->mBody, QStringLiteral("ResultMinor")), QString());
			QCOMPARE(mContext->getPaosSessionTicket(), ticket);
		}


		void certificate_data()
		{
			QTest::addColumn<QString>("certificate");
			QTest::addColumn<bool>("withDescription");
			QTest::addColumn<bool>("developerMode");
			QTest::addColumn<QString>("certificateStatus");
			QTest::addColumn<GlobalStatus::Code>("code");

			using Code = GlobalStatus::Code;
			QTest::newRow("listed") << "eid_server" << true << false << QString() << Code::No_Error;
			QTest::newRow("not listed") << "outsider" << true << false << "Hash_Not_In_Description" << Code::Workflow_TrustedChannel_Hash_Not_In_Description;
			QTest::newRow("not listed, developer mode") << "outsider" << true << true << QString() << Code::No_Error;
			QTest::newRow("before the description") << "outsider" << false << false << QString() << Code::No_Error;
			QTest::newRow("short key") << "weak" << true << false << "Unsupported_Algorithm_Or_Length" << Code::Workflow_TrustedChannel_Ssl_Certificate_Unsupported_Algorithm_Or_Length;
			QTest::newRow("short key before the description") << "weak" << false << false << "Unsupported_Algorithm_Or_Length" << Code::Workflow_TrustedChannel_Ssl_Certificate_Unsupported_Algorithm_Or_Length;
		}


		void certificate()
		{
			QFETCH(QString, certificate);
			QFETCH(bool, withDescription);
			QFETCH(bool, developerMode);
			QFETCH(QString, certificateStatus);
			QFETCH(GlobalStatus::Code, code);

			setDeveloperMode(developerMode);
			RawHttpsPeer server;
			QVERIFY(startPskServer(server, certificate));
			const auto chain = TestPki::Chain::VALID;
			auto context = withDescription
					? EacContextFixture::create(mPki.getEac1Certificates(chain), QByteArray(), mPki.getDescription(chain))
					: QSharedPointer<AuthContext>::create();
			QVERIFY(context);
			createContext(serverAddress(server.port()), true, context);

			startSending();
			if (certificateStatus.isEmpty())
			{
				const auto request = server.waitForRequest();
				QVERIFY(request);
				server.answer(document("initialize_framework.xml"));
				QCOMPARE(waitForEnd(), QStringList({cContinue}));
				QCOMPARE(mContext->getCertificateList().values(), QList<QSslCertificate>({QSslCertificate(TestPki::readFixture(certificate + QStringLiteral(".pem")))}));
				QVERIFY(mContext->getStatus().isNoError());
				return;
			}

			QCOMPARE(waitForEnd(), QStringList({cAbort}));
			const auto failureCode = mContext->getFailureCode();
			QCOMPARE(failureCode->getReason(), FailureCode::Reason::Generic_Send_Receive_Certificate_Error);
			QCOMPARE(failureCode->getInfoMap().value(FailureCode::Info::Certificate_Status), certificateStatus);
			QCOMPARE(failureCode->getInfoMap().value(FailureCode::Info::State_Name), QStringLiteral("TestSendState"));
			verifyStatus(code, {{GlobalStatus::ExternalInformation::LAST_URL, serverAddress(server.port())},
								{GlobalStatus::ExternalInformation::CERTIFICATE_ISSUER_NAME, QStringLiteral("Tessarovin Test TLS CA")}});
			QVERIFY(mContext->getCertificateList().isEmpty());
			// The handshake's failure ends the request before it is read.
			QVERIFY(!server.waitForRequest(500));
		}


		void fatalTlsError()
		{
			RawHttpsPeer server;
			QVERIFY(startPskServer(server, TestPeer::certificate(QStringLiteral("wrongsan"))));
			createContext(serverAddress(server.port()));

			startSending();
			QCOMPARE(waitForEnd(), QStringList({cAbort}));
			const auto failureCode = mContext->getFailureCode();
			QCOMPARE(failureCode->getReason(), FailureCode::Reason::Generic_Send_Receive_Tls_Error);
			QVERIFY(failureCode->getInfoMap().value(FailureCode::Info::Ssl_Errors).contains(QStringLiteral("host name")));
			verifyStatus(GlobalStatus::Code::Workflow_TrustedChannel_Establishment_Error, {{GlobalStatus::ExternalInformation::LAST_URL, serverAddress(server.port())}});
		}


		void nothingToSend_data()
		{
			QTest::addColumn<bool>("withToken");

			QTest::newRow("no TC token") << false;
			QTest::newRow("no message") << true;
		}


		void nothingToSend()
		{
			QFETCH(bool, withToken);

			claim(QSharedPointer<AuthContext>::create());
			if (withToken)
			{
				mContext->setTcToken(parseToken(token(serverAddress(4433), true)));
			}
			else
			{
				mContext->setStartPaos(QSharedPointer<StartPaos>::create(cSessionIdentifier));
			}

			startSending();
			QCOMPARE(waitForEnd(), QStringList({cAbort}));
			QCOMPARE(mContext->getFailureCode()->getReason(), FailureCode::Reason::Generic_Send_Receive_Network_Error);
			QCOMPARE(mContext->getStatus().getStatusCode(), GlobalStatus::Code::Unknown_Error);
		}


		void identityIsSessionIdentifier()
		{
			// s_server only warns about an identity it did not expect, and names the one it got.
			RawHttpsPeer server;
			QVERIFY(startPskServer(server, QStringLiteral("eid_server"), "another"));
			createContext(serverAddress(server.port()));

			const auto [request, ended] = exchange(server, document("initialize_framework.xml"));
			QVERIFY(request);
			QCOMPARE(ended, QStringList({cContinue}));
			QVERIFY(server.log().contains("(got '" + cSessionIdentifier + "' expected 'another')"));
		}


		void serverGoneWithoutAnswer()
		{
			QScopedPointer<RawHttpsPeer> server(new RawHttpsPeer());
			QVERIFY(startPskServer(*server));
			createContext(serverAddress(server->port()));

			startSending();
			QVERIFY(server->waitForRequest());
			server.reset();
			QCOMPARE(waitForEnd(), QStringList({cAbort}));
			const auto failureCode = mContext->getFailureCode();
			QCOMPARE(failureCode->getReason(), FailureCode::Reason::Generic_Send_Receive_Network_Error);
			QVERIFY(failureCode->getInfoMap().contains(FailureCode::Info::Network_Error));
			QVERIFY(!failureCode->getInfoMap().contains(FailureCode::Info::Http_Status_Code));
			QCOMPARE(mContext->getStatus().getStatusCode(), GlobalStatus::Code::Workflow_TrustedChannel_Other_Network_Error);
		}


		void sessionResumption_data()
		{
			QTest::addColumn<QString>("ticketFrom");
			QTest::addColumn<bool>("developerMode");
			QTest::addColumn<bool>("resumed");

			QTest::newRow("TC token of the same server") << "same" << false << true;
			QTest::newRow("no ticket") << "none" << false << false;
			QTest::newRow("no ticket, developer mode") << "none" << true << false;
			QTest::newRow("TC token of another server") << "other" << false << false;
		}


		void sessionResumption()
		{
			QFETCH(QString, ticketFrom);
			QFETCH(bool, developerMode);
			QFETCH(bool, resumed);

			QTemporaryDir documents;
			QVERIFY(documents.isValid());
			QFile initializeFramework(documents.filePath(QStringLiteral("initialize_framework.xml")));
			QVERIFY(initializeFramework.open(QIODevice::WriteOnly));
			initializeFramework.write(document("initialize_framework.xml"));
			initializeFramework.close();

			const auto arguments = [&documents](const QString& pName) {
						return QStringList({"--documents", documents.path(), "--listeners", "2",
											"--cert", TestPki::getFixture(pName + ".pem"), "--key", TestPki::getFixture(pName + ".key")});
					};
			TestPeer server;
			QVERIFY(server.startScript(QStringLiteral("provider_server.py"), arguments(QStringLiteral("eid_server"))));
			QCOMPARE(server.ports().size(), 2);
			const auto paosAddress = serverAddress(server.ports().at(1), QStringLiteral("/answer?file=initialize_framework.xml"));

			setDeveloperMode(developerMode);
			claim(QSharedPointer<AuthContext>::create());
			if (ticketFrom == QLatin1String("none"))
			{
				createContext(paosAddress, false, mContext);
			}
			else
			{
				// The TC token as the workflow fetches it, from this server's other port or from another server.
				QFile tokenFile(documents.filePath(QStringLiteral("token.xml")));
				QVERIFY(tokenFile.open(QIODevice::WriteOnly));
				tokenFile.write(token(paosAddress, false));
				tokenFile.close();

				TestPeer other;
				quint16 tokenPort = server.port();
				if (ticketFrom == QLatin1String("other"))
				{
					QVERIFY(other.startScript(QStringLiteral("provider_server.py"), arguments(QStringLiteral("provider"))));
					tokenPort = other.port();
				}
				mContext->setTcTokenUrl(QUrl(serverAddress(tokenPort, QStringLiteral("/answer?file=token.xml"))));
				SingleStateController fetch(mContext);
				fetch.setState<StateGetTcToken>();
				fetch.run();
				QTRY_VERIFY_WITH_TIMEOUT(fetch.hasLeft(), 60000);
				QCOMPARE(fetch.getEndedBy(), QStringList({cContinue}));
				QVERIFY(!mContext->getTcTokenSslSession().isEmpty());
				createContext(paosAddress, false, mContext);
			}

			const LogCapture capture;
			startSending();
			const auto ended = waitForEnd();
			QCOMPARE(capture.count(QStringLiteral("Session resumption failed")), resumed ? 0 : 1);

			if (resumed || developerMode)
			{
				QCOMPARE(ended, QStringList({cContinue}));
				QVERIFY(mContext->getStatus().isNoError());
				QVERIFY(mContext->getInitializeFramework());
				QVERIFY(mContext->getPaosSessionTicket().isEmpty());
				return;
			}

			QCOMPARE(ended, QStringList({cAbort}));
			QCOMPARE(mContext->getFailureCode()->getReason(), FailureCode::Reason::Generic_Send_Receive_Session_Resumption_Failed);
			verifyStatus(GlobalStatus::Code::Workflow_TrustedChannel_Establishment_Error, {{GlobalStatus::ExternalInformation::LAST_URL, paosAddress}});
		}


};

KENDRAWELL_TEST_MAIN(test_StateGenericSendReceive)
#include "test_StateGenericSendReceive.moc"
