// The six send states as one table: which message each sends, whether it carries a result, which
// reply continues, which other reply it takes, and whether a card removal ends it. The eID server
// is openssl s_server with TLS-PSK, read and answered through RawHttpsPeer; its documents are
// those of the PAOS parser tests. The card is a scripted one in a MOCK reader. The start of the
// dialogue, from the TC token on, also runs against the test eID server with its failure switches.
#include "states/StateSendDIDAuthenticateResponseEAC1.h"
#include "states/StateSendDIDAuthenticateResponseEAC2.h"
#include "states/StateSendDIDAuthenticateResponseEACAdditionalInputType.h"
#include "states/StateSendInitializeFrameworkResponse.h"
#include "states/StateSendStartPaos.h"
#include "states/StateSendTransmitResponse.h"

#include "EidServerProcess.h"
#include "Env.h"
#include "NetworkManager.h"
#include "paos/received/StartPaosResponse.h"
#include "RawHttpsPeer.h"
#include "ReaderManagerFixture.h"
#include "SingleStateController.h"
#include "states/StateGetTcToken.h"
#include "states/StateStartPaos.h"
#include "TestEnvironment.h"
#include "TestPki.h"
#include "TestWorkflowUi.h"

#include <QBuffer>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace tessarovin;

Q_DECLARE_METATYPE(std::optional<FailureCode::Reason>)

namespace
{

const QByteArray cSessionIdentifier("1A2BB129C0DE4711");
const QByteArray cPsk("4BC1A0B5704F4B6B8D5BB2E2C0D1E4F1");
const QString cReader = QStringLiteral("scripted reader");
const QString cContinue = QStringLiteral("fireContinue");
const QString cAbort = QStringLiteral("fireAbort");
const QString cStartPaosResponse = QStringLiteral("fireReceivedStartPaosResponse");
const QString cExtractCvcs = QStringLiteral("fireReceivedExtractCvcsFromEac1InputType");
const QString cResultOk = QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultmajor#ok");


QString textOf(const QByteArray& pDocument, const QString& pName)
{
	const QRegularExpression element(QStringLiteral("<(?:\\w+:)?%1(?: [^>]*)?>([^<]*)<").arg(pName));
	return element.match(QString::fromUtf8(pDocument)).captured(1);
}


} // namespace


class test_StateSendStates
	: public QObject
{
	Q_OBJECT

	private:
		QTemporaryDir mDir;
		TestPki mPki;
		QByteArray mTerminal;
		QSharedPointer<AuthContext> mContext;
		QScopedPointer<TestWorkflowUi> mUi;
		QScopedPointer<SingleStateController> mController;
		RawHttpsPeer mServer;

		QByteArray document(const QString& pType)
		{
			const QMap<QString, QString> files({
						{"INITIALIZE_FRAMEWORK", "initialize_framework.xml"},
						{"DID_AUTHENTICATE_EAC1", "eac1_minimal.xml"},
						{"DID_AUTHENTICATE_EAC2", "eac2.xml"},
						{"DID_AUTHENTICATE_EAC_ADDITIONAL_INPUT_TYPE", "eac_additional.xml"},
						{"TRANSMIT", "transmit.xml"},
						{"STARTPAOS_RESPONSE", "start_paos_response.xml"}
					});
			QFile file(getProgramDirectory() + QStringLiteral("/fixtures/paos/corpus/") + files.value(pType));
			if (!file.open(QIODevice::ReadOnly))
			{
				qWarning() << "No document for" << pType;
				return QByteArray();
			}
			return file.readAll().replace("@TERMINAL@", mTerminal.toHex().toUpper());
		}


		void createContext()
		{
			mContext = QSharedPointer<AuthContext>::create();
			auto buffer = QSharedPointer<QBuffer>::create();
			buffer->setData("<TCTokenType>"
							"<ServerAddress>https://127.0.0.1:" + QByteArray::number(mServer.port()) + "/paos</ServerAddress>"
							"<SessionIdentifier>" + cSessionIdentifier + "</SessionIdentifier>"
							"<RefreshAddress>https://service.example/refresh</RefreshAddress>"
							"<Binding>urn:liberty:paos:2006-08</Binding>"
							"<PathSecurity-Parameters><PSK>" + cPsk + "</PSK></PathSecurity-Parameters>"
							"</TCTokenType>");
			mContext->setTcToken(QSharedPointer<const TcToken>::create(buffer));
			mContext->setStartPaos(QSharedPointer<StartPaos>::create(cSessionIdentifier));
			mContext->setInitializeFrameworkResponse(QSharedPointer<InitializeFrameworkResponse>::create());
			mContext->setDidAuthenticateResponseEac1(QSharedPointer<DIDAuthenticateResponseEAC1>::create());
			mContext->setDidAuthenticateResponseEacAdditionalInputType(QSharedPointer<DIDAuthenticateResponseEAC2>::create());
			mContext->setDidAuthenticateResponseEac2(QSharedPointer<DIDAuthenticateResponseEAC2>::create());
			mContext->setTransmitResponse(QSharedPointer<TransmitResponse>::create());
			mUi.reset(new TestWorkflowUi());
			mUi->claim(mContext);
		}


		// The message the state of that name sends, as the context holds it.
		QSharedPointer<PaosCreator> message(const QString& pState) const
		{
			const QMap<QString, QSharedPointer<PaosCreator>> messages({
						{"StateSendStartPaos", mContext->getStartPaos()},
						{"StateSendInitializeFrameworkResponse", mContext->getInitializeFrameworkResponse()},
						{"StateSendDIDAuthenticateResponseEAC1", mContext->getDidAuthenticateResponseEac1()},
						{"StateSendDIDAuthenticateResponseEACAdditionalInputType", mContext->getDidAuthenticateResponseEacAdditionalInputType()},
						{"StateSendDIDAuthenticateResponseEAC2", mContext->getDidAuthenticateResponseEac2()},
						{"StateSendTransmitResponse", mContext->getTransmitResponse()}
					});
			return messages.value(pState);
		}


		template<typename T>
		void start()
		{
			mController.reset(new SingleStateController(mContext));
			auto* state = mController->setState<T>();
			mController->leaveOn(state, &StateGenericSendReceive::fireReceivedStartPaosResponse);
			if constexpr (std::is_same_v<T, StateSendStartPaos>)
			{
				mController->leaveOn(state, &StateSendStartPaos::fireReceivedExtractCvcsFromEac1InputType);
			}
			mController->run();
		}


		// Starts the state of that name; returns the message it sends.
		QSharedPointer<PaosCreator> start(const QString& pState)
		{
			const auto sent = message(pState);
			if (pState == QLatin1String("StateSendStartPaos"))
			{
				start<StateSendStartPaos>();
			}
			else if (pState == QLatin1String("StateSendInitializeFrameworkResponse"))
			{
				start<StateSendInitializeFrameworkResponse>();
			}
			else if (pState == QLatin1String("StateSendDIDAuthenticateResponseEAC1"))
			{
				start<StateSendDIDAuthenticateResponseEAC1>();
			}
			else if (pState == QLatin1String("StateSendDIDAuthenticateResponseEACAdditionalInputType"))
			{
				start<StateSendDIDAuthenticateResponseEACAdditionalInputType>();
			}
			else if (pState == QLatin1String("StateSendDIDAuthenticateResponseEAC2"))
			{
				start<StateSendDIDAuthenticateResponseEAC2>();
			}
			else
			{
				start<StateSendTransmitResponse>();
			}
			return sent;
		}


		QStringList waitForEnd(int pTimeout = 60000)
		{
			if (!QTest::qWaitFor([this] {
					return mController->hasLeft();
				}, pTimeout))
			{
				return QStringList();
			}
			return mController->getEndedBy();
		}


		// Each state: the reply that continues it, the other reply it takes, whether it sends a result
		// and whether a card removal ends it.
		struct Row
		{
			const char* mState;
			const char* mExpected;
			const char* mFurther;
			bool mResponse;
			bool mCardRemoval;
		};


		static QList<Row> rows()
		{
			return {
				{"StateSendStartPaos", "INITIALIZE_FRAMEWORK", "DID_AUTHENTICATE_EAC1", false, false},
				{"StateSendInitializeFrameworkResponse", "DID_AUTHENTICATE_EAC1", nullptr, true, false},
				{"StateSendDIDAuthenticateResponseEAC1", "DID_AUTHENTICATE_EAC2", nullptr, true, true},
				{"StateSendDIDAuthenticateResponseEACAdditionalInputType", "DID_AUTHENTICATE_EAC_ADDITIONAL_INPUT_TYPE", nullptr, true, true},
				{"StateSendDIDAuthenticateResponseEAC2", "TRANSMIT", nullptr, true, true},
				{"StateSendTransmitResponse", "TRANSMIT", nullptr, true, true}
			};
		}

	private Q_SLOTS:
		void initTestCase()
		{
			QVERIFY(mDir.isValid());
			QVERIFY(mPki.create(mDir.path(), 443));
			for (const auto& der : mPki.getEac1Certificates(TestPki::Chain::VALID))
			{
				const auto certificate = cvcertificate_st::decode(der);
				if (certificate && certificate->getBody().getCHAT().getAccessRole() == AccessRole::AT)
				{
					mTerminal = der;
				}
			}
			QVERIFY(!mTerminal.isEmpty());
			QVERIFY(mServer.start({"-tls1_2", "-cert", TestPki::getFixture("eid_server.pem"), "-key", TestPki::getFixture("eid_server.key"),
								   "-cipher", "RSA-PSK-AES256-GCM-SHA384", "-psk", QString::fromLatin1(cPsk), "-psk_identity", QString::fromLatin1(cSessionIdentifier)}));
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
			ReaderManagerFixture::start();
			createContext();
		}


		void cleanup()
		{
			mController.reset();
			mUi.reset();
			mContext.reset();
			ReaderManagerFixture::stop();
		}


		void reply_data()
		{
			QTest::addColumn<QString>("state");
			QTest::addColumn<QString>("answer");
			QTest::addColumn<QString>("endedBy");
			QTest::addColumn<bool>("response");

			for (const auto& row : rows())
			{
				const QString state = QString::fromLatin1(row.mState);
				QTest::addRow("%s, expected", row.mState) << state << row.mExpected << cContinue << row.mResponse;
				QTest::addRow("%s, StartPAOSResponse", row.mState) << state << "STARTPAOS_RESPONSE" << cStartPaosResponse << row.mResponse;
				if (row.mFurther)
				{
					QTest::addRow("%s, %s", row.mState, row.mFurther) << state << row.mFurther << cExtractCvcs << row.mResponse;
				}
				// Every type but its own is unexpected: InitializeFramework for the later ones, Transmit for StartPAOS.
				const QString other = QLatin1String(row.mExpected) == QLatin1String("INITIALIZE_FRAMEWORK") ? QStringLiteral("TRANSMIT") : QStringLiteral("INITIALIZE_FRAMEWORK");
				QTest::addRow("%s, %s", row.mState, qPrintable(other)) << state << other << cAbort << row.mResponse;
			}
		}


		void reply()
		{
			QFETCH(QString, state);
			QFETCH(QString, answer);
			QFETCH(QString, endedBy);
			QFETCH(bool, response);

			const auto message = start(state);
			const auto request = mServer.waitForRequest();
			QVERIFY(request);
			mServer.answer(document(answer));
			QCOMPARE(waitForEnd(), QStringList({endedBy}));

			QVERIFY(message);
			QCOMPARE(request->mBody, message->marshall());
			QCOMPARE(textOf(request->mBody, QStringLiteral("ResultMajor")), response ? cResultOk : QString());

			if (endedBy == cAbort)
			{
				const auto failureCode = mContext->getFailureCode();
				QCOMPARE(failureCode->getReason(), FailureCode::Reason::Generic_Send_Receive_Paos_Unexpected);
				QCOMPARE(failureCode->getInfoMap().value(FailureCode::Info::Paos_Type), answer);
				QCOMPARE(failureCode->getInfoMap().value(FailureCode::Info::State_Name), state);
				QCOMPARE(mContext->getStatus().getStatusCode(), GlobalStatus::Code::Workflow_Unexpected_Message_From_EidServer);
				return;
			}

			QVERIFY(mContext->getStatus().isNoError());
			QCOMPARE(mContext->getReceivedMessageId(), QStringLiteral("urn:uuid:server-0001"));
			if (answer == QLatin1String("STARTPAOS_RESPONSE"))
			{
				QVERIFY(mContext->getStartPaosResponse());
			}
			else if (answer == QLatin1String("TRANSMIT"))
			{
				QVERIFY(mContext->getTransmit());
				QVERIFY(mContext->getTransmitResponse() != message.dynamicCast<TransmitResponse>());
			}
		}


		void cardRemoval_data()
		{
			QTest::addColumn<QString>("state");
			QTest::addColumn<QString>("expected");
			QTest::addColumn<bool>("aborts");

			for (const auto& row : rows())
			{
				QTest::addRow("%s", row.mState) << QString::fromLatin1(row.mState) << QString::fromLatin1(row.mExpected) << row.mCardRemoval;
			}
		}


		void cardRemoval()
		{
			QFETCH(QString, state);
			QFETCH(QString, expected);
			QFETCH(bool, aborts);

			QVERIFY(ReaderManagerFixture::insertEidCard(cReader, {"9000"}));
			mContext->setReaderName(cReader);

			start(state);
			QVERIFY(mServer.waitForRequest());
			QSignalSpy removed(Env::getSingleton<ReaderManager>(), &ReaderManager::fireReaderRemoved);
			QVERIFY(ReaderManagerFixture::removeReader(cReader));

			if (aborts)
			{
				QCOMPARE(waitForEnd(), QStringList({cAbort}));
				QCOMPARE(mContext->getFailureCode()->getReason(), FailureCode::Reason::Card_Removed);
				QCOMPARE(mContext->getStatus().getStatusCode(), GlobalStatus::Code::Workflow_Card_Removed);
				// No answer: the state dropped its request, and s_server would hand a late one to the next connection.
				return;
			}

			// The state heard of the removal before this spy did, and goes on.
			QTRY_COMPARE_WITH_TIMEOUT(removed.count(), 1, 30000);
			QVERIFY(!mController->hasLeft());
			mServer.answer(document(expected));
			QCOMPARE(waitForEnd(), QStringList({cContinue}));
		}


		void eidServer_data()
		{
			QTest::addColumn<QString>("options");
			QTest::addColumn<QString>("listener");
			QTest::addColumn<QStringList>("endedBy");
			QTest::addColumn<std::optional<FailureCode::Reason>>("failure");

			const auto none = std::optional<FailureCode::Reason>();
			using Reason = FailureCode::Reason;
			const QString provider = QStringLiteral("provider");
			// StartPAOS, the InitializeFramework response, then an EAC1 response that reports the client's error.
			const QStringList dialogue({cContinue, cContinue, cStartPaosResponse});

			QTest::newRow("dialogue") << QString() << provider << dialogue << none;
			QTest::newRow("EAC1 right after StartPAOS") << "eac1=direct" << provider << QStringList({cExtractCvcs}) << none;
			QTest::newRow("early end") << "fault=endError&at=InitializeFrameworkResponse" << provider << QStringList({cContinue, cStartPaosResponse}) << none;
			QTest::newRow("garbage") << "fault=garbage" << provider << QStringList({cAbort}) << std::optional(Reason::Generic_Send_Receive_Paos_Unknown);
			QTest::newRow("unexpected") << "fault=unexpected&at=InitializeFrameworkResponse" << provider << QStringList({cContinue, cAbort})
										<< std::optional(Reason::Generic_Send_Receive_Paos_Unexpected);
			QTest::newRow("503") << "fault=http503" << provider << QStringList({cAbort}) << std::optional(Reason::Generic_Send_Receive_Service_Unavailable);
			QTest::newRow("500") << "fault=http500" << provider << QStringList({cAbort}) << std::optional(Reason::Generic_Send_Receive_Server_Error);
			QTest::newRow("closed") << "fault=close" << provider << QStringList({cAbort}) << std::optional(Reason::Generic_Send_Receive_Network_Error);
			QTest::newRow("resumed session") << "server=stunnel&psk=0" << "stunnel" << dialogue << none;
			QTest::newRow("session of another connection") << "server=stunnel&psk=0" << provider << QStringList({cAbort})
															<< std::optional(Reason::Generic_Send_Receive_Session_Resumption_Failed);
		}


		void eidServer()
		{
			QFETCH(QString, options);
			QFETCH(QString, listener);
			QFETCH(QStringList, endedBy);
			QFETCH(std::optional<FailureCode::Reason>, failure);

			EidServerProcess server;
			QVERIFY(server.start(QString(), true));
			mContext = QSharedPointer<AuthContext>::create();
			mUi.reset(new TestWorkflowUi());
			mUi->claim(mContext);
			mContext->setTcTokenUrl(server.getTcTokenUrl(QUrlQuery(options), listener));

			mController.reset(new SingleStateController(mContext));
			mController->setState<StateGetTcToken>();
			mController->run();
			QCOMPARE(waitForEnd(), QStringList({cContinue}));
			mController.reset(new SingleStateController(mContext));
			mController->setState<StateStartPaos>();
			mController->run();
			QCOMPARE(waitForEnd(), QStringList({cContinue}));

			const QStringList states({
						QStringLiteral("StateSendStartPaos"),
						QStringLiteral("StateSendInitializeFrameworkResponse"),
						QStringLiteral("StateSendDIDAuthenticateResponseEAC1")
					});
			QStringList ended;
			for (const auto& state : states)
			{
				if (state == QLatin1String("StateSendDIDAuthenticateResponseEAC1"))
				{
					// A state between the two sends failed; this send reports it.
					mContext->setStatus(GlobalStatus(GlobalStatus::Code::Workflow_Cancellation_By_User));
				}
				start(state);
				ended += waitForEnd();
				if (ended.last() != cContinue)
				{
					break;
				}
			}
			QCOMPARE(ended, endedBy);

			if (failure)
			{
				QCOMPARE(mContext->getFailureCode()->getReason(), *failure);
				return;
			}

			// The server saw the session's identity and the answers to its own messages.
			for (const auto& event : server.getEvents(QStringLiteral("paos")))
			{
				QVERIFY(event.value(QLatin1String("relatesToOk")).toBool());
			}
			if (ended.last() == cStartPaosResponse)
			{
				QVERIFY(mContext->getStartPaosResponse());
				QVERIFY(!mContext->getStartPaosResponse()->getResult().isOk());
			}
			if (ended.size() == 3)
			{
				const auto last = server.getEvents(QStringLiteral("paos")).constLast();
				QCOMPARE(last.value(QLatin1String("received")).toString(), QStringLiteral("EAC1OutputType"));
				QCOMPARE(last.value(QLatin1String("resultMinor")).toString(), QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultminor/sal#cancellationByUser"));
			}
		}


		void firstErrorOnly()
		{
			// The InitializeFramework state failed: its send state reports it, the next one reports ok.
			mContext->setStatus(GlobalStatus(GlobalStatus::Code::Workflow_Cancellation_By_User));

			start(QStringLiteral("StateSendInitializeFrameworkResponse"));
			auto request = mServer.waitForRequest();
			QVERIFY(request);
			mServer.answer(document(QStringLiteral("DID_AUTHENTICATE_EAC1")));
			QCOMPARE(waitForEnd(), QStringList({cContinue}));
			QCOMPARE(textOf(request->mBody, QStringLiteral("ResultMajor")), QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultmajor#error"));
			QCOMPARE(textOf(request->mBody, QStringLiteral("ResultMinor")), QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultminor/sal#cancellationByUser"));

			// A second failure: the first error stays the workflow's and is not sent again.
			mContext->setStatus(GlobalStatus(GlobalStatus::Code::Card_Communication_Error));
			start(QStringLiteral("StateSendDIDAuthenticateResponseEAC1"));
			request = mServer.waitForRequest();
			QVERIFY(request);
			mServer.answer(document(QStringLiteral("STARTPAOS_RESPONSE")));
			QCOMPARE(waitForEnd(), QStringList({cStartPaosResponse}));
			QCOMPARE(textOf(request->mBody, QStringLiteral("ResultMajor")), cResultOk);
			QCOMPARE(textOf(request->mBody, QStringLiteral("ResultMinor")), QString());
		}


};

KENDRAWELL_TEST_MAIN(test_StateSendStates)
#include "test_StateSendStates.moc"
