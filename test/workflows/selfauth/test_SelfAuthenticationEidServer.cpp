// Whole self authentications with the real controller against the test eID server (level 2:
// DG1 to DG5, its refresh address answering the JSON document of what it read) and the simulated
// card in basic-reader mode. The configured service's name resolves nowhere here and the server's
// port is chosen at its start: the front end of the test puts the server's TC-token address in
// place of the configured one once the first state has loaded it.
#include "controller/SelfAuthController.h"

#include "EidServerProcess.h"
#include "Env.h"
#include "LogCapture.h"
#include "NetworkManager.h"
#include "ReaderManagerFixture.h"
#include "SecureStorage.h"
#include "TestEnvironment.h"
#include "TestWorkflowUi.h"
#include "VolatileSettings.h"
#include "asn1/CVCertificateChain.h"

#include <QSignalSpy>
#include <QtTest>

using namespace tessarovin;

class test_SelfAuthenticationEidServer
	: public QObject
{
	Q_OBJECT

	private:
		EidServerProcess mServer;

		struct Run
		{
			QSharedPointer<SelfAuthContext> mContext;
			QStringList mStates;
			int mDataChanged = 0;
			QList<QUrl> mLoadedTcTokenUrls;
		};

		// pCancelAtPin: the user cancels when asked for the PIN.
		Run selfAuthenticate(const QUrlQuery& pOptions, bool pCancelAtPin = false)
		{
			const auto request = SelfAuthController::createWorkflowRequest();
			request->initialize();
			const auto context = request->getContext().objectCast<SelfAuthContext>();
			context->setReaderPluginTypes({ReaderManagerPluginType::SIMULATOR});

			Run run;
			run.mContext = context;
			QSignalSpy dataChanged(context.data(), &SelfAuthContext::fireSelfAuthenticationDataChanged);
			const QUrl tcTokenUrl = mServer.getTcTokenUrl(pOptions);
			// Connected before the front end claims the context, so it acts before the approval.
			connect(context.data(), &WorkflowContext::fireStateChanged, this, [&run, context, tcTokenUrl, pCancelAtPin](const QString& pState) {
					if (pState == QLatin1String("StateGetTcToken"))
					{
						run.mLoadedTcTokenUrls << context->getTcTokenUrl();
						context->setTcTokenUrl(tcTokenUrl);
					}
					if (pState == QLatin1String("StateEditAccessRights"))
					{
						// The rights as offered, without the CAN in place of the PIN.
						const auto& manager = context->getAccessRightManager();
						*manager = manager->getEffectiveAccessRights() - QSet<AccessRight>({AccessRight::CAN_ALLOWED});
					}
					if (pState == QLatin1String("StateEnterPacePassword") && pCancelAtPin)
					{
						Q_EMIT context->fireCancelWorkflow();
					}
				});
			TestWorkflowUi ui;
			ui.claim(context);
			ui.setPasswords(QStringLiteral("731862"));

			QSignalSpy complete(request->getController().data(), &WorkflowController::fireComplete);
			request->getController()->run();
			if (!complete.wait(180000))
			{
				qWarning() << "The self authentication did not end; states:" << ui.getStates();
			}
			disconnect(context.data(), &WorkflowContext::fireStateChanged, this, nullptr);
			run.mStates = ui.getStates();
			run.mDataChanged = static_cast<int>(dataChanged.size());
			return run;
		}


		[[nodiscard]] QStringList topLevelStates(const QStringList& pStates) const
		{
			static const QStringList topLevel({QStringLiteral("StateLoadTcTokenUrl"), QStringLiteral("StateCheckError"),
											   QStringLiteral("StateCheckRefreshAddress"), QStringLiteral("StateActivateStoreFeedbackDialog"),
											   QStringLiteral("StateGetSelfAuthenticationData"), QStringLiteral("StateShowResult"),
											   QStringLiteral("StateSendWhitelistSurvey"), QStringLiteral("FinalState")});
			QStringList result;
			for (const auto& state : pStates)
			{
				if (topLevel.contains(state))
				{
					result << state;
				}
			}
			return result;
		}

	private Q_SLOTS:
		void initTestCase()
		{
			NetworkManager::lockProxy = true;
			NetworkManager::setApplicationProxyFactory();
			CVCertificateChain::setProductiveRootSource([] {
					return Env::getSingleton<SecureStorage>()->getCVRootCertificates(true);
				});
			QVERIFY(mServer.start());
		}


		void init()
		{
			Env::getSingleton<VolatileSettings>()->setUsedAsSdk(false);
			ReaderManagerFixture::start();
			Env::getSingleton<NetworkManager>()->clearConnections();
			mServer.clearEvents();
		}


		void cleanup()
		{
			ReaderManagerFixture::stop();
			// Ends the manager's connection thread now: left running until the exit, its
			// OpenSSL thread state shows up as a leak.
			Env::getSingleton<NetworkManager>()->clearConnections();
		}


		void success_data()
		{
			QTest::addColumn<bool>("basicReader");

			QTest::newRow("basic reader") << true;
			QTest::newRow("pin pad") << false;
		}


		void success()
		{
			QFETCH(bool, basicReader);
			QVERIFY(ReaderManagerFixture::insertSimulatorCard(basicReader));
			QUrlQuery options;
			options.addQueryItem(QStringLiteral("level"), QStringLiteral("2"));
			options.addQueryItem(QStringLiteral("selfauth"), QStringLiteral("1"));
			const LogCapture log;
			const auto run = selfAuthenticate(options);

			QVERIFY2(run.mContext->getStatus().isNoError(), qPrintable(run.mContext->getStatus().toErrorDescription()));
			QVERIFY(!run.mContext->getFailureCode());
			QCOMPARE(run.mLoadedTcTokenUrls, QList<QUrl>({QUrl(QStringLiteral("https://selfauth.kendrawell.example/tcToken"))}));
			QCOMPARE(topLevelStates(run.mStates), QStringList({QStringLiteral("StateLoadTcTokenUrl"), QStringLiteral("StateCheckError"),
					QStringLiteral("StateCheckRefreshAddress"), QStringLiteral("StateActivateStoreFeedbackDialog"),
					QStringLiteral("StateGetSelfAuthenticationData"), QStringLiteral("StateShowResult"),
					QStringLiteral("StateSendWhitelistSurvey"), QStringLiteral("FinalState")}));
			QCOMPARE(run.mDataChanged, 1);

			// The simulator's DG1 to DG5 as the service returned them.
			const auto& data = run.mContext->getSelfAuthenticationData();
			QVERIFY(data.isValid());
			QCOMPARE(data.getOrderedSelfData(), SelfAuthenticationData::OrderedSelfData({
					{QStringLiteral("Family name"), QStringLiteral("KESTERMANN")},
					{QStringLiteral("Given name(s)"), QStringLiteral("MARLENE")},
					{QStringLiteral("Document type"), QStringLiteral("ID")},
					{QStringLiteral("Issuing country"), QStringLiteral("D")},
					{QStringLiteral("Valid until"), QStringLiteral("30.06.2034")}}));

			// The data were fetched with a GET from the refresh address of the session.
			const auto requests = mServer.getEvents(QStringLiteral("request"));
			const auto fetch = std::find_if(requests.cbegin(), requests.cend(), [](const QJsonObject& pEvent) {
					return pEvent.value(QLatin1String("method")).toString() == QLatin1String("GET")
						   && pEvent.value(QLatin1String("path")).toString() == QLatin1String("/refresh");
				});
			QVERIFY(fetch != requests.cend());

			// The document is personal data: only the "secure" category may show it.
			bool shownSecurely = false;
			const auto entries = log.entries();
			for (const auto& entry : entries)
			{
				if (entry.mMessage.contains(QLatin1String("KESTERMANN")))
				{
					QCOMPARE(entry.mCategory, QStringLiteral("secure"));
					shownSecurely = true;
				}
			}
			QVERIFY(shownSecurely || log.contains(QStringLiteral("no-log was requested, skip logging of raw data")));
		}


		void invalidDocument()
		{
			QVERIFY(ReaderManagerFixture::insertSimulatorCard(true));
			// The refresh address without the session answers a page, not the document.
			QUrlQuery options;
			options.addQueryItem(QStringLiteral("level"), QStringLiteral("2"));
			const QString refresh = QStringLiteral("https://127.0.0.1:%1/refresh?selfauth=1").arg(mServer.getPort(QStringLiteral("provider")));
			options.addQueryItem(QStringLiteral("refresh"), QString::fromLatin1(QUrl::toPercentEncoding(refresh)));
			const LogCapture log;
			const auto run = selfAuthenticate(options);

			QCOMPARE(run.mContext->getStatus().getStatusCode(), GlobalStatus::Code::Workflow_Server_Incomplete_Information_Provided);
			QVERIFY(run.mContext->getFailureCode().has_value());
			QCOMPARE(run.mContext->getFailureCode()->getReason(), FailureCode::Reason::Get_SelfAuthData_Invalid_Or_Empty);
			QVERIFY(log.contains(QStringLiteral("No valid data of self-authentication.")));
			QCOMPARE(run.mDataChanged, 0);
			QVERIFY(!run.mContext->getSelfAuthenticationData().isValid());
			QVERIFY(run.mContext->getSelfAuthenticationData().getOrderedSelfData().isEmpty());
			const QStringList states = topLevelStates(run.mStates);
			QCOMPARE(states.mid(states.indexOf(QStringLiteral("StateGetSelfAuthenticationData"))),
					QStringList({QStringLiteral("StateGetSelfAuthenticationData"), QStringLiteral("FinalState")}));
		}


		void cancellationInTheTrustedChannel()
		{
			QVERIFY(ReaderManagerFixture::insertSimulatorCard(true));
			QUrlQuery options;
			options.addQueryItem(QStringLiteral("selfauth"), QStringLiteral("1"));
			const auto run = selfAuthenticate(options, true);

			QCOMPARE(run.mContext->getStatus().getStatusCode(), GlobalStatus::Code::Workflow_Cancellation_By_User);
			QCOMPARE(run.mContext->getFailureCode()->getReason(), FailureCode::Reason::User_Cancelled);
			// The channel cleans up and tells the server; then the error check ends the workflow.
			QCOMPARE(run.mStates.mid(run.mStates.size() - 3), QStringList({QStringLiteral("StateStartPaosResponse"), QStringLiteral("StateCheckError"), QStringLiteral("FinalState")}));
			QVERIFY(!run.mStates.contains(QStringLiteral("StateCheckRefreshAddress")));
			QVERIFY(!run.mStates.contains(QStringLiteral("StateGetSelfAuthenticationData")));
			QCOMPARE(run.mDataChanged, 0);
			const auto requests = mServer.getEvents(QStringLiteral("request"));
			for (const auto& request : requests)
			{
				QVERIFY(request.value(QLatin1String("path")).toString() != QLatin1String("/refresh"));
			}
		}


};

KENDRAWELL_TEST_MAIN(test_SelfAuthenticationEidServer)
#include "test_SelfAuthenticationEidServer.moc"
