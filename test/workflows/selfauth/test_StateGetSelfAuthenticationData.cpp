// The data-fetching state of the self authentication against the test eID server's listener
// "provider": its refresh address with a session of the server answers the document, without
// one a page that is no document.
#include "states/StateGetSelfAuthenticationData.h"

#include "context/SelfAuthContext.h"
#include "EidServerProcess.h"
#include "Env.h"
#include "LogCapture.h"
#include "NetworkManager.h"
#include "PkiMessages.h"
#include "SingleStateController.h"
#include "TestEnvironment.h"
#include "TestPki.h"
#include "TestWorkflowUi.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QtTest>

using namespace tessarovin;

class test_StateGetSelfAuthenticationData
	: public QObject
{
	Q_OBJECT

	private:
		EidServerProcess mServer;
		TestPki mPki;
		QSharedPointer<SelfAuthContext> mContext;
		QScopedPointer<TestWorkflowUi> mUi;

		QString origin() const
		{
			return QStringLiteral("https://127.0.0.1:%1").arg(mServer.getPort(QStringLiteral("provider")));
		}


		// The refresh address of a new session of the server, which has read nothing yet.
		QString sessionRefreshAddress()
		{
			QUrlQuery options;
			options.addQueryItem(QStringLiteral("selfauth"), QStringLiteral("1"));
			QNetworkAccessManager manager;
			std::unique_ptr<QNetworkReply> reply(manager.get(QNetworkRequest(mServer.getTcTokenUrl(options, QStringLiteral("plain")))));
			QSignalSpy finished(reply.get(), &QNetworkReply::finished);
			if (!finished.wait(30000))
			{
				return QString();
			}
			const auto token = mServer.waitForEvent(QStringLiteral("tcToken"));
			return token ? token->value(QLatin1String("refreshAddress")).toString() : QString();
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
			// The provider's certificate is checked against the description of the valid chain.
			mContext = QSharedPointer<SelfAuthContext>::create();
			mContext->setDidAuthenticateEac1(pkiEac1(mPki, mPki.getEac1CertificateNames(TestPki::Chain::VALID), mPki.getDescriptionName(TestPki::Chain::VALID)));
			mUi.reset(new TestWorkflowUi());
			mUi->claim(mContext);
			Env::getSingleton<NetworkManager>()->clearConnections();
			mServer.clearEvents();
		}


		void cleanup()
		{
			mUi.reset();
			mContext.reset();
			// Ends the manager's connection thread now: left running until the exit, its
			// OpenSSL thread state shows up as a leak.
			Env::getSingleton<NetworkManager>()->clearConnections();
		}


		void document()
		{
			const QString refresh = sessionRefreshAddress();
			QVERIFY(!refresh.isEmpty());
			mContext->setRefreshUrl(QUrl(refresh));
			QSignalSpy changed(mContext.data(), &SelfAuthContext::fireSelfAuthenticationDataChanged);
			const LogCapture log;

			QCOMPARE(SingleStateController::runOnce<StateGetSelfAuthenticationData>(mContext), QStringList({QStringLiteral("fireContinue")}));
			QCOMPARE(changed.size(), 1);
			// Both parts present, nothing read yet: valid and without rows.
			QVERIFY(mContext->getSelfAuthenticationData().isValid());
			QVERIFY(mContext->getSelfAuthenticationData().getOrderedSelfData().isEmpty());
			QVERIFY(mContext->getStatus().isNoError());
			QCOMPARE(mContext->getProgressValue(), 100);
			QCOMPARE(mContext->getProgressMessage(), QStringLiteral("Getting results from server"));

			const auto request = mServer.waitForEvent(QStringLiteral("request"), [](const QJsonObject& pEvent) {
					return pEvent.value(QLatin1String("path")).toString() == QLatin1String("/refresh");
				});
			QVERIFY(request);
			QCOMPARE(request->value(QLatin1String("method")).toString(), QStringLiteral("GET"));
			QVERIFY(!request->value(QLatin1String("headers")).toObject().contains(QLatin1String("Content-Type")));
			// The document never goes to the "network" category.
			const auto entries = log.entries();
			for (const auto& entry : entries)
			{
				QVERIFY2(!(entry.mCategory == QLatin1String("network") && entry.mMessage.contains(QLatin1String("OperationsAllowedByUser"))), qPrintable(entry.mMessage));
			}
		}


		void notADocument_data()
		{
			QTest::addColumn<GlobalStatus::Code>("earlier");
			QTest::addColumn<GlobalStatus::Code>("status");

			QTest::newRow("no earlier error") << GlobalStatus::Code::No_Error << GlobalStatus::Code::Workflow_Server_Incomplete_Information_Provided;
			QTest::newRow("earlier error kept") << GlobalStatus::Code::Workflow_Cancellation_By_User << GlobalStatus::Code::Workflow_Cancellation_By_User;
		}


		void notADocument()
		{
			QFETCH(GlobalStatus::Code, earlier);
			QFETCH(GlobalStatus::Code, status);

			const SelfAuthenticationData before(R"({"OperationsAllowedByUser": {"GivenNames": "ALLOWED"}, "PersonalData": {"GivenNames": "MARLENE"}})");
			mContext->setSelfAuthenticationData(before);
			if (earlier != GlobalStatus::Code::No_Error)
			{
				mContext->setStatus(GlobalStatus(earlier));
			}
			mContext->setRefreshUrl(QUrl(origin() + QStringLiteral("/refresh")));
			QSignalSpy changed(mContext.data(), &SelfAuthContext::fireSelfAuthenticationDataChanged);
			const LogCapture log;

			QCOMPARE(SingleStateController::runOnce<StateGetSelfAuthenticationData>(mContext), QStringList({QStringLiteral("fireAbort")}));
			QVERIFY(log.contains(QStringLiteral("No valid data of self-authentication.")));
			QCOMPARE(mContext->getStatus().getStatusCode(), status);
			QCOMPARE(mContext->getFailureCode()->getReason(), FailureCode::Reason::Get_SelfAuthData_Invalid_Or_Empty);
			// The earlier data stay, untold.
			QCOMPARE(changed.size(), 0);
			QCOMPARE(mContext->getSelfAuthenticationData(), before);
		}


};

KENDRAWELL_TEST_MAIN(test_StateGetSelfAuthenticationData)
#include "test_StateGetSelfAuthenticationData.moc"
