// Whole authentications with the authentication controller against the test eID server (level 2:
// DG1 to DG5) and the simulated card, driven by a harness in place of a front end: it claims the
// context, approves every state, enters the PIN (or cancels), accepts the rights and records the
// browser callback. The simulator never lowers its retry counter: after a wrong PIN the harness
// cancels.
#include "controller/AuthController.h"

#include "AppSettings.h"
#include "EidServerProcess.h"
#include "Env.h"
#include "NetworkManager.h"
#include "ReaderManagerFixture.h"
#include "SecureStorage.h"
#include "SimulatorFileSystem.h"
#include "TestEnvironment.h"
#include "TestPki.h"
#include "UrlUtil.h"
#include "VolatileSettings.h"
#include "asn1/CVCertificateChain.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QSignalSpy>
#include <QtTest>

using namespace tessarovin;

namespace
{

const QString cCancel = QStringLiteral("cancel");


void setDeveloperMode(bool pEnabled)
{
	Env::getSingleton<VolatileSettings>()->setDeveloperMode(pEnabled);
	auto& settings = Env::getSingleton<AppSettings>()->getGeneralSettings();
	settings.setDeveloperOptions(pEnabled);
	settings.setDeveloperMode(pEnabled);
}


// Stands in for a front end.
class Harness
	: public QObject
{
	Q_OBJECT

	private:
		QSharedPointer<WorkflowContext> mContext;
		QStringList mPins;

	public:
		QStringList mStates;
		QList<QUrl> mCallbacks;

		Harness(const QSharedPointer<WorkflowContext>& pContext, const QStringList& pPins)
			: QObject()
			, mContext(pContext)
			, mPins(pPins)
		{
			mContext->claim(this);
			connect(mContext.data(), &WorkflowContext::fireStateChanged, this, &Harness::onStateChanged);
		}

	private Q_SLOTS:
		void onStateChanged(const QString& pState)
		{
			mStates << pState;
			if (pState == QLatin1String("StateEditAccessRights"))
			{
				// The user accepts the rights but not the CAN in place of the PIN, which the test
				// PKI's domestic terminal offers.
				const auto& manager = mContext.staticCast<AuthContext>()->getAccessRightManager();
				*manager = manager->getEffectiveAccessRights() - QSet<AccessRight>({AccessRight::CAN_ALLOWED});
			}
			if (pState == QLatin1String("StateEnterPacePassword"))
			{
				const QString pin = mPins.isEmpty() ? cCancel : mPins.takeFirst();
				if (pin == cCancel)
				{
					Q_EMIT mContext->fireCancelWorkflow();
					return;
				}
				if (mContext->getPasswordType() != PacePasswordId::PACE_PIN)
				{
					qWarning() << "Asked for" << mContext->getPasswordType() << "instead of the PIN";
				}
				mContext->setPin(pin);
			}
			mContext->setStateApproved(true);
		}


};


} // namespace


class test_AuthenticationEidServer
	: public QObject
{
	Q_OBJECT

	private:
		EidServerProcess mServer;
		TestPki mPki;

		QString origin(const QString& pListener) const
		{
			return QStringLiteral("https://127.0.0.1:%1").arg(mServer.getPort(pListener));
		}


		// A redirect hop of the server.
		QString hop(const QString& pListener, const QString& pTo) const
		{
			QUrlQuery query;
			query.addQueryItem(QStringLiteral("code"), QStringLiteral("302"));
			query.addQueryItem(QStringLiteral("to"), QString::fromLatin1(QUrl::toPercentEncoding(pTo)));
			return origin(pListener) + QStringLiteral("/redirect?") + query.toString(QUrl::FullyEncoded);
		}


		struct Run
		{
			QSharedPointer<AuthContext> mContext;
			QStringList mStates;
			QList<QUrl> mCallbacks;
		};

		// One authentication from the browser's call of the local address to its callback.
		Run authenticate(const QUrlQuery& pOptions, const QStringList& pPins)
		{
			QUrlQuery activation;
			activation.addQueryItem(QStringLiteral("tcTokenURL"), QString::fromLatin1(QUrl::toPercentEncoding(mServer.getTcTokenUrl(pOptions).toString(QUrl::FullyEncoded))));
			QUrl url(QStringLiteral("http://127.0.0.1:24727/eID-Client"));
			url.setQuery(activation);

			QList<QUrl> callbacks;
			const auto request = AuthController::createWorkflowRequest(url, QVariant(), [&callbacks](const QSharedPointer<AuthContext>& pContext) {
					callbacks << pContext->getRefreshUrl();
					return QString();
				});
			request->initialize();
			const auto context = request->getContext().objectCast<AuthContext>();
			context->setReaderPluginTypes({ReaderManagerPluginType::SIMULATOR});
			Harness harness(context, pPins);

			QElapsedTimer timer;
			timer.start();
			QSignalSpy complete(request->getController().data(), &WorkflowController::fireComplete);
			request->getController()->run();
			if (!complete.wait(180000))
			{
				qWarning() << "The authentication did not end; states:" << harness.mStates;
			}
			qInfo() << "The authentication took" << timer.elapsed() << "ms";
			return Run {context, harness.mStates, callbacks};
		}


		// The data groups the server read and decrypted, by number.
		QMap<int, QByteArray> dataGroups()
		{
			QMap<int, QByteArray> groups;
			const auto events = mServer.getEvents(QStringLiteral("paos"));
			for (const auto& event : events)
			{
				const auto data = event.value(QLatin1String("data")).toObject();
				if (!data.isEmpty() && !data.contains(QLatin1String("error")))
				{
					groups.insert(data.value(QLatin1String("dg")).toInt(), QByteArray::fromHex(data.value(QLatin1String("plain")).toString().toLatin1()).chopped(2));
				}
			}
			return groups;
		}


		// The results of the client's responses the server received: false for an error.
		QList<bool> resultsReceived()
		{
			QList<bool> results;
			const auto events = mServer.getEvents(QStringLiteral("paos"));
			for (const auto& event : events)
			{
				// StartPAOS is no response and carries no result.
				if (event.contains(QLatin1String("resultOk")) && event.value(QLatin1String("received")).toString() != QLatin1String("StartPAOS"))
				{
					results << event.value(QLatin1String("resultOk")).toBool();
				}
			}
			return results;
		}


		static void verifyCallback(const Run& pRun, const QString& pMajor, const QString& pMinor = QString())
		{
			QCOMPARE(pRun.mCallbacks.size(), 1);
			const QUrlQuery query(pRun.mCallbacks.constFirst());
			QCOMPARE(query.queryItemValue(QStringLiteral("ResultMajor")), pMajor);
			if (!pMinor.isEmpty())
			{
				QCOMPARE(query.queryItemValue(QStringLiteral("ResultMinor")), pMinor);
			}
		}


		static void verifyCleanUp(const Run& pRun)
		{
			const qsizetype destroy = pRun.mStates.indexOf(QStringLiteral("StateDestroyPace"));
			QVERIFY(destroy > 0);
			QCOMPARE(pRun.mStates.mid(destroy, 5), QStringList({QStringLiteral("StateDestroyPace"), QStringLiteral("StateClearPacePasswords"),
																QStringLiteral("StateUpdateRetryCounter"), QStringLiteral("StateCleanUpReaderManager"), QStringLiteral("StateStartPaosResponse")}));
		}

	private Q_SLOTS:
		void initTestCase()
		{
			NetworkManager::lockProxy = true;
			NetworkManager::setApplicationProxyFactory();
			// As the program does at start: the productive roots come from the security configuration.
			CVCertificateChain::setProductiveRootSource([] {
					return Env::getSingleton<SecureStorage>()->getCVRootCertificates(true);
				});
			QVERIFY(mServer.start());
			QVERIFY(mPki.open(mServer.getPkiFolder()));
		}


		void init()
		{
			const bool pinPad = QString::fromLatin1(QTest::currentTestFunction()) == QLatin1String("pinPadEmulation");
			Env::getSingleton<VolatileSettings>()->setUsedAsSdk(false);
			ReaderManagerFixture::start();
			QVERIFY(ReaderManagerFixture::insertSimulatorCard(!pinPad));
			// Each run starts with fresh connections, as a new process would.
			Env::getSingleton<NetworkManager>()->clearConnections();
			mServer.clearEvents();
		}


		void cleanup()
		{
			ReaderManagerFixture::stop();
			setDeveloperMode(false);
		}


		void success()
		{
			// The browser is sent back through a redirect origin to the provider's refresh page.
			const QString refresh = origin(QStringLiteral("provider")) + QStringLiteral("/refresh?done=1");
			QUrlQuery options;
			options.addQueryItem(QStringLiteral("level"), QStringLiteral("2"));
			options.addQueryItem(QStringLiteral("refresh"), QString::fromLatin1(QUrl::toPercentEncoding(hop(QStringLiteral("redirect"), hop(QStringLiteral("provider"), refresh)))));

			const auto run = authenticate(options, {QStringLiteral("731862")});
			QVERIFY2(run.mContext->getStatus().isNoError(), qPrintable(run.mContext->getStatus().toErrorDescription()));
			QVERIFY(!run.mContext->getFailureCode());
			verifyCallback(run, QStringLiteral("ok"));
			QUrl expected(refresh);
			QUrlQuery query(expected);
			query.addQueryItem(QStringLiteral("ResultMajor"), QStringLiteral("ok"));
			expected.setQuery(query);
			QCOMPARE(run.mCallbacks.constFirst(), expected);

			// The server decrypted the simulator's data groups.
			SimulatorFileSystem fileSystem;
			const auto groups = dataGroups();
			QCOMPARE(groups.keys(), QList<int>({1, 2, 3, 4, 5}));
			for (int dg = 1; dg <= 5; ++dg)
			{
				QVERIFY(fileSystem.select(QByteArray::fromHex("010" + QByteArray::number(dg))) == StatusCode::SUCCESS);
				QCOMPARE(groups.value(dg).toHex(), fileSystem.read(0, 65536, true).chopped(2).toHex());
			}

			// Every message answered the one before it.
			const auto events = mServer.getEvents(QStringLiteral("paos"));
			QVERIFY(events.size() >= 8);
			for (const auto& event : events)
			{
				QVERIFY2(event.value(QLatin1String("relatesToOk")).toBool(), qPrintable(event.value(QLatin1String("received")).toString()));
			}
			QVERIFY(!resultsReceived().contains(false));

			// A certificate under each origin met: TC token, eID server, the redirect hop.
			QStringList origins;
			const auto urls = run.mContext->getCertificateList().uniqueKeys();
			for (const auto& url : urls)
			{
				origins << UrlUtil::getUrlOrigin(url).toString();
			}
			for (const auto& listener : {QStringLiteral("provider"), QStringLiteral("eid"), QStringLiteral("redirect")})
			{
				QVERIFY2(origins.contains(origin(listener)), qPrintable(origins.join(QLatin1Char(' '))));
			}
		}


		void eac1RightAfterStartPaos()
		{
			QUrlQuery options;
			options.addQueryItem(QStringLiteral("eac1"), QStringLiteral("direct"));
			const auto run = authenticate(options, {QStringLiteral("731862")});
			QVERIFY2(run.mContext->getStatus().isNoError(), qPrintable(run.mContext->getStatus().toErrorDescription()));
			QVERIFY(!run.mStates.contains(QStringLiteral("StateInitializeFramework")));
			verifyCallback(run, QStringLiteral("ok"));
			QCOMPARE(dataGroups().keys(), QList<int>({1, 2, 3, 4, 5}));
		}


		void tlsFailureAtStartPaos()
		{
			// The eID server speaks TLS 1.3 only, the pre-shared-key configuration 1.2 only.
			QUrlQuery options;
			options.addQueryItem(QStringLiteral("tls"), QStringLiteral("13"));
			const auto run = authenticate(options, {QStringLiteral("731862")});
			QVERIFY(run.mContext->getStatus().isError());
			QCOMPARE(run.mContext->getFailureCode()->getInfoMap().value(FailureCode::Info::State_Name), QStringLiteral("StateSendStartPaos"));
			// The channel is left at once: no card state, no clean-up.
			const auto sendStartPaos = run.mStates.indexOf(QStringLiteral("StateSendStartPaos"));
			QCOMPARE(run.mStates.at(sendStartPaos + 1), QStringLiteral("StateCheckRefreshAddress"));
			verifyCallback(run, QStringLiteral("error"));
		}


		void wrongPin()
		{
			QUrlQuery options;
			const auto run = authenticate(options, {QStringLiteral("111111"), cCancel});
			QVERIFY(run.mContext->getStatus().isError());
			verifyCallback(run, QStringLiteral("error"));
			verifyCleanUp(run);
			// Asked again after the wrong PIN, then cancelled.
			QCOMPARE(run.mStates.count(QStringLiteral("StateEnterPacePassword")), 2);
			// The server learns of the failure once.
			QCOMPARE(resultsReceived().count(false), 1);
			QVERIFY(dataGroups().isEmpty());
		}


		void cancellationAtPin()
		{
			const auto run = authenticate(QUrlQuery(), {cCancel});
			QCOMPARE(run.mContext->getStatus().getStatusCode(), GlobalStatus::Code::Workflow_Cancellation_By_User);
			verifyCallback(run, QStringLiteral("error"), QStringLiteral("cancellationByUser"));
			verifyCleanUp(run);
			QCOMPARE(resultsReceived().count(false), 1);
		}


		void eidCertificateOutsideTheDescription()
		{
			QUrlQuery options;
			options.addQueryItem(QStringLiteral("cert"), QStringLiteral("outsider"));
			const auto run = authenticate(options, {QStringLiteral("731862")});
			QVERIFY(run.mContext->getStatus().isError());
			verifyCallback(run, QStringLiteral("error"));
			// Found before PACE: the card is never asked for the PIN.
			QVERIFY(!run.mStates.contains(QStringLiteral("StateEnterPacePassword")));
			QVERIFY(dataGroups().isEmpty());
		}


		void startPaosResponseWithError()
		{
			QUrlQuery options;
			options.addQueryItem(QStringLiteral("result"), QStringLiteral("error"));
			const auto run = authenticate(options, {QStringLiteral("731862")});
			QCOMPARE(run.mContext->getFailureCode()->getReason(), FailureCode::Reason::Start_Paos_Response_Error);
			QVERIFY(run.mContext->getStatus().isError());
			verifyCallback(run, QStringLiteral("error"));
			QVERIFY(!resultsReceived().contains(false));
		}


		void pinPadEmulation()
		{
			const auto run = authenticate(QUrlQuery(), {QStringLiteral("731862")});
			QVERIFY2(run.mContext->getStatus().isNoError(), qPrintable(run.mContext->getStatus().toErrorDescription()));
			verifyCallback(run, QStringLiteral("ok"));
			QCOMPARE(dataGroups().keys(), QList<int>({1, 2, 3, 4, 5}));
		}


		void developerMode()
		{
			setDeveloperMode(true);
			const auto run = authenticate(QUrlQuery(), {QStringLiteral("731862")});
			QVERIFY2(run.mContext->getStatus().isNoError(), qPrintable(run.mContext->getStatus().toErrorDescription()));
			verifyCallback(run, QStringLiteral("ok"));
			QCOMPARE(dataGroups().keys(), QList<int>({1, 2, 3, 4, 5}));
		}


};

KENDRAWELL_TEST_MAIN(test_AuthenticationEidServer)
#include "test_AuthenticationEidServer.moc"
