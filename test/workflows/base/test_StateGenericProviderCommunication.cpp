// A derived state of the test asks the test eID server's HTTPS listener "provider", and openssl
// s_server with the certificate that no description lists.
#include "states/StateGenericProviderCommunication.h"

#include "states/StateSendWhitelistSurvey.h"
#include "states/StateShowResult.h"

#include "EidServerProcess.h"
#include "Env.h"
#include "LogCapture.h"
#include "NetworkManager.h"
#include "PkiMessages.h"
#include "SingleStateController.h"
#include "TestEnvironment.h"
#include "TestPeer.h"
#include "TestPki.h"
#include "TestWorkflowUi.h"
#include "UrlUtil.h"

#include <QJsonObject>
#include <QtTest>

using namespace tessarovin;

Q_DECLARE_METATYPE(std::optional<FailureCode::Reason>)

namespace tessarovin
{

class StateTestProviderCommunication
	: public StateGenericProviderCommunication
{
	Q_OBJECT

	public:
		static inline QUrl cUrl;
		static inline QByteArray cPayload;
		static inline QByteArrayList cReceived;
		static inline bool cRawDataLoggingAllowed = true;

		explicit StateTestProviderCommunication(const QSharedPointer<WorkflowContext>& pContext)
			: StateGenericProviderCommunication(pContext)
		{
		}


		void handleNetworkReply(const QByteArray& pContent) override
		{
			cReceived << pContent;
			Q_EMIT fireContinue();
		}


		[[nodiscard]] bool isRawDataLoggingAllowed() override
		{
			return cRawDataLoggingAllowed;
		}


		[[nodiscard]] QUrl getRequestUrl() const override
		{
			return cUrl;
		}


		[[nodiscard]] QByteArray getPayload() const override
		{
			return cPayload;
		}


};

} // namespace tessarovin


class test_StateGenericProviderCommunication
	: public QObject
{
	Q_OBJECT

	private:
		EidServerProcess mServer;
		TestPki mPki;
		QSharedPointer<AuthContext> mContext;
		QScopedPointer<TestWorkflowUi> mUi;

		QString origin(const QString& pListener) const
		{
			return QStringLiteral("https://127.0.0.1:%1").arg(mServer.getPort(pListener));
		}

	private Q_SLOTS:
		void initTestCase()
		{
			NetworkManager::lockProxy = true;
			NetworkManager::setApplicationProxyFactory();
			QVERIFY(mServer.start());
			QVERIFY(mPki.open(mServer.getPkiFolder()));
		}


		void init()
		{
			mContext = QSharedPointer<AuthContext>::create();
			mContext->setDidAuthenticateEac1(pkiEac1(mPki, mPki.getEac1CertificateNames(TestPki::Chain::VALID), mPki.getDescriptionName(TestPki::Chain::VALID)));
			const auto certificates = pkiCertificates(mPki, mPki.getEac1CertificateNames(TestPki::Chain::VALID));
			for (const auto& certificate : certificates)
			{
				const auto role = certificate->getBody().getCHAT().getAccessRole();
				if (role == AccessRole::DV_od || role == AccessRole::DV_no_f)
				{
					mContext->setDvCvc(certificate);
				}
			}
			for (const auto& certificate : certificates)
			{
				if (certificate->getBody().getCHAT().getAccessRole() == AccessRole::AT)
				{
					mContext->initAccessRightManager(certificate);
				}
			}
			mContext->setRefreshUrl(QUrl(origin(QStringLiteral("provider")) + QStringLiteral("/refresh")));
			mUi.reset(new TestWorkflowUi());
			mUi->claim(mContext);
			// A connection kept from the case before would show no handshake.
			Env::getSingleton<NetworkManager>()->clearConnections();
			StateTestProviderCommunication::cReceived.clear();
			StateTestProviderCommunication::cPayload.clear();
			StateTestProviderCommunication::cRawDataLoggingAllowed = true;
			mServer.clearEvents();
		}


		void cleanup()
		{
			mUi.reset();
			mContext.reset();
		}


		void answer_data()
		{
			QTest::addColumn<QString>("listener");
			QTest::addColumn<QString>("path");
			QTest::addColumn<QByteArray>("payload");
			QTest::addColumn<std::optional<FailureCode::Reason>>("failure");
			QTest::addColumn<QString>("httpStatus");
			QTest::addColumn<QString>("method");

			using Reason = FailureCode::Reason;
			const auto ok = std::optional<Reason>();
			const QString provider = QStringLiteral("provider");
			QTest::newRow("200 to GET") << provider << "/refresh" << QByteArray() << ok << QString() << "GET";
			QTest::newRow("200 to JSON POST") << provider << "/refresh" << QByteArray("{\"a\":1}") << ok << QString() << "POST";
			QTest::newRow("204") << provider << "/redirect?code=204" << QByteArray() << std::optional(Reason::Generic_Provider_Communication_Network_Error) << "204" << "GET";
			QTest::newRow("302") << provider << "/redirect?code=302&to=/refresh" << QByteArray() << std::optional(Reason::Generic_Provider_Communication_Network_Error) << "302" << "GET";
			QTest::newRow("503") << provider << "/redirect?code=503" << QByteArray() << std::optional(Reason::Generic_Provider_Communication_ServiceUnavailable) << "503" << "GET";
			QTest::newRow("500") << provider << "/redirect?code=500" << QByteArray() << std::optional(Reason::Generic_Provider_Communication_Server_Error) << "500" << "GET";
			QTest::newRow("404") << provider << "/nothing" << QByteArray() << std::optional(Reason::Generic_Provider_Communication_Client_Error) << "404" << "GET";
		}


		void answer()
		{
			QFETCH(QString, listener);
			QFETCH(QString, path);
			QFETCH(QByteArray, payload);
			QFETCH(std::optional<FailureCode::Reason>, failure);
			QFETCH(QString, httpStatus);
			QFETCH(QString, method);

			StateTestProviderCommunication::cUrl = QUrl(origin(listener) + path);
			StateTestProviderCommunication::cPayload = payload;
			const LogCapture log;
			const auto endedBy = SingleStateController::runOnce<StateTestProviderCommunication>(mContext);
			QCOMPARE(endedBy, QStringList({failure ? QStringLiteral("fireAbort") : QStringLiteral("fireContinue")}));

			const auto request = mServer.waitForEvent(QStringLiteral("request"));
			QVERIFY(request);
			QCOMPARE(request->value(QLatin1String("method")).toString(), method);
			const auto headers = request->value(QLatin1String("headers")).toObject();
			if (payload.isEmpty())
			{
				QVERIFY(!headers.contains(QLatin1String("Content-Type")));
			}
			else
			{
				QCOMPARE(headers.value(QLatin1String("Content-Type")).toString(), QStringLiteral("application/json"));
			}

			if (failure)
			{
				QCOMPARE(mContext->getFailureCode()->getReason(), *failure);
				QCOMPARE(mContext->getFailureCode()->getInfoMap().value(FailureCode::Info::Http_Status_Code), httpStatus);
				QCOMPARE(mContext->getFailureCode()->getInfoMap().value(FailureCode::Info::State_Name), QStringLiteral("StateTestProviderCommunication"));
				QVERIFY(mContext->getStatus().isError());
				QVERIFY(StateTestProviderCommunication::cReceived.isEmpty());
				return;
			}
			QCOMPARE(StateTestProviderCommunication::cReceived, QByteArrayList({"<html><body>Authentication done</body></html>"}));
			QVERIFY(log.contains(QStringLiteral("Received raw data:\n<html><body>Authentication done</body></html>")));
			QVERIFY(mContext->getCertificateList().contains(UrlUtil::getUrlOrigin(mContext->getRefreshUrl())));
		}


		void bodyNotLoggedWhenTheStateForbidsIt()
		{
			StateTestProviderCommunication::cUrl = QUrl(origin(QStringLiteral("provider")) + QStringLiteral("/refresh"));
			StateTestProviderCommunication::cRawDataLoggingAllowed = false;
			const LogCapture log;
			QCOMPARE(SingleStateController::runOnce<StateTestProviderCommunication>(mContext), QStringList({QStringLiteral("fireContinue")}));
			QCOMPARE(StateTestProviderCommunication::cReceived, QByteArrayList({"<html><body>Authentication done</body></html>"}));
			QVERIFY(!log.contains(QStringLiteral("Authentication done")));
			QVERIFY(log.contains(QStringLiteral("no-log was requested, skip logging of raw data")));
		}


		void pauseStatesContinueOnceApproved()
		{
			mUi->setAutoApprove(false);
			SingleStateController survey(mContext);
			survey.setState<StateSendWhitelistSurvey>();
			survey.run();
			QTRY_COMPARE(mContext->getCurrentState(), QStringLiteral("StateSendWhitelistSurvey"));
			QCoreApplication::processEvents();
			QVERIFY(!survey.hasLeft());
			mUi->approve();
			QTRY_VERIFY(survey.hasLeft());
			QCOMPARE(survey.getEndedBy(), QStringList({QStringLiteral("fireContinue")}));

			mUi->setAutoApprove(true);
			QCOMPARE(SingleStateController::runOnce<StateShowResult>(mContext), QStringList({QStringLiteral("fireContinue")}));
		}


		void certificateNotInDescription()
		{
			TestPeer outsider;
			QVERIFY(outsider.startServer({QStringLiteral("-cert"), TestPki::getFixture(QStringLiteral("outsider.pem")),
											  QStringLiteral("-key"), TestPki::getFixture(QStringLiteral("outsider.key")), QStringLiteral("-www")}));
			StateTestProviderCommunication::cUrl = QUrl(QStringLiteral("https://127.0.0.1:%1/").arg(outsider.port()));
			const auto endedBy = SingleStateController::runOnce<StateTestProviderCommunication>(mContext);
			QCOMPARE(endedBy, QStringList({QStringLiteral("fireAbort")}));
			const auto failure = *mContext->getFailureCode();
			QCOMPARE(failure.getReason(), FailureCode::Reason::Generic_Provider_Communication_Certificate_Error);
			QCOMPARE(failure.getInfoMap().value(FailureCode::Info::Certificate_Status), QStringLiteral("Hash_Not_In_Description"));
			QCOMPARE(mContext->getStatus().getStatusCode(), GlobalStatus::Code::Workflow_Network_Ssl_Hash_Not_In_Certificate_Description);
			QCOMPARE(mContext->getStatus().getExternalInfo(GlobalStatus::ExternalInformation::CERTIFICATE_ISSUER_NAME), QStringLiteral("Tessarovin Test TLS CA"));
			QVERIFY(StateTestProviderCommunication::cReceived.isEmpty());
		}


};

KENDRAWELL_TEST_MAIN(test_StateGenericProviderCommunication)
#include "test_StateGenericProviderCommunication.moc"
