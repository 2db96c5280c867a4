#include "Service.h"

#include "AppSettings.h"
#include "AppUpdater.h"
#include "Env.h"
#include "FileProvider.h"
#include "NetworkManager.h"
#include "ReleaseInformationConfiguration.h"
#include "SecureStorage.h"
#include "TestEnvironment.h"
#include "UpdatableFile.h"
#include "UpdateServer.h"

#include <QNetworkProxyFactory>
#include <QSignalSpy>
#include <QJsonObject>

using namespace tessarovin;

namespace
{

const QDateTime cModified(QDate(2024, 3, 4), QTime(5, 6, 7), Qt::UTC);
const QString cDay = QStringLiteral("86400000");

// The same proxies for every address.
class TestProxyFactory
	: public QNetworkProxyFactory
{
	private:
		const QList<QNetworkProxy> mProxies;

	public:
		explicit TestProxyFactory(const QList<QNetworkProxy>& pProxies)
			: mProxies(pProxies)
		{
		}


		QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery& pQuery = QNetworkProxyQuery()) override
		{
			Q_UNUSED(pQuery)
			return mProxies;
		}


};


QByteArray quoted(const char* pJson)
{
	return QByteArray(pJson).replace('\'', '"');
}


} // namespace


class test_Service
	: public QObject
{
	Q_OBJECT

	private:
		UpdateServer mServer;

		// Everything the program fetches from the update server in one run without an update. The
		// running version is a beta, whose release notes are asked for in every run.
		const QStringList cFullRun = QStringList({
					UpdateServer::cBetaVersionInfo,
					"/supported-providers.json",
					"/supported-readers.json",
					"/releasenotes/en/2.6.100.txt",
					"/releasenotes/en/announce.txt",
					"/releasenotes/en/issues.txt"
				});

		void serveVersion(const QString& pVersion)
		{
			const auto item = QStringLiteral("{\"platform\": \"%1\", \"version\": \"%2\", \"url\": \"https://u.example/p.tar.gz\", \"checksum\": \"https://u.example/p.tar.gz.sha256\"}")
					.arg(AppUpdateData::getPlatformName(), pVersion);
			mServer.putFile(UpdateServer::cBetaVersionInfo.mid(1), QStringLiteral("{\"items\": [%1]}").arg(item).toUtf8(), cModified);
		}


		QStringList pathsSince(qsizetype pFirst)
		{
			QStringList paths;
			const auto records = mServer.records().mid(pFirst);
			for (const auto& record : records)
			{
				if (record.mPath != QStringLiteral("/marker.txt"))
				{
					paths << record.mPath;
				}
			}
			return paths;
		}


		// Everything posted before and every download queued before is done once this returns.
		void flush()
		{
			const auto marker = FileProvider::getInstance().getFile(QString(), QStringLiteral("marker.txt"));
			const auto before = mServer.records(QStringLiteral("/marker.txt")).size();
			QMetaObject::invokeMethod(this, [marker]{
						marker->update();
					}, Qt::QueuedConnection);
			QTRY_COMPARE_WITH_TIMEOUT(mServer.records(QStringLiteral("/marker.txt")).size(), before + 1, 30000);
		}


		void waitForFullRun(qsizetype pFirst)
		{
			QTRY_VERIFY_WITH_TIMEOUT(pathsSince(pFirst).contains(QStringLiteral("/releasenotes/en/issues.txt")), 30000);
			flush();
		}


		void schedule()
		{
			// The timer's own way, with a period short enough to wait for.
			auto* service = Env::getSingleton<Service>();
			QSignalSpy scheduled(service, &Service::fireUpdateScheduled);
			service->setUpdateInterval(10);
			QVERIFY(scheduled.wait(30000));
			service->setUpdateInterval(cDay.toInt());
		}

	private Q_SLOTS:
		void initTestCase()
		{
			QCoreApplication::setApplicationVersion(QStringLiteral("2.6.100"));
			QVERIFY(mServer.start());
			// Qt never puts a proxy before a loopback address. The proxy check asks for the release
			// version information, which lies elsewhere here: a beta fetches that of the betas.
			QVERIFY(mServer.writeConfig({{QStringLiteral("updates"), QJsonObject({
							{QStringLiteral("release"), QStringLiteral("https://updates.kendrawell.example/release/Kendrawell.json")},
							{QStringLiteral("beta"), mServer.url(UpdateServer::cBetaVersionInfo).toString()}})}}));
			QCOMPARE(SecureStorage::getInstance().getUpdateCertificates().size(), 1);
			NetworkManager::lockProxy = true;
			NetworkManager::setApplicationProxyFactory();

			mServer.putFile(QStringLiteral("supported-providers.json"),
					quoted("{'callcosts': [{'prefixes': ['0800']}], 'provider': [{'internalId': 'pinResetService'}]}"), cModified);
			mServer.putFile(QStringLiteral("supported-readers.json"),
					quoted("{'SupportedDevices': [{'VendorId': '0', 'ProductIds': ['1'], 'Name': 'Simulator', 'Pattern': '^Simulator', 'Icon': 'img_simulator.png', 'Drivers': []}]}"), cModified);
		}


		void cleanupTestCase()
		{
			UpdateServer::removeConfig();
			Env::getSingleton<NetworkManager>()->onShutdown();
			QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
		}


		void firstRunAndNoMore()
		{
			serveVersion(QStringLiteral("2.6.100"));
			auto* service = Env::getSingleton<Service>();
			QSignalSpy appcast(service, &Service::fireAppcastFinished);
			const auto before = mServer.records().size();

			service->runUpdateIfNeeded(false);
			// After the caller has returned.
			QCOMPARE(Env::getSingleton<AppUpdater>()->getDownloadType(), DownloadType::NONE);
			waitForFullRun(before);
			QCOMPARE(pathsSince(before), cFullRun);
			QCOMPARE(appcast.size(), 1);
			QCOMPARE(appcast.constFirst().constFirst().toBool(), false);

			// Not due again before the period has passed.
			const auto second = mServer.records().size();
			service->runUpdateIfNeeded(false);
			service->runUpdateIfNeeded(true);
			flush();
			QCOMPARE(pathsSince(second), QStringList());
		}


		void autoUpdateCheckOff()
		{
			auto* service = Env::getSingleton<Service>();
			auto& settings = Env::getSingleton<AppSettings>()->getGeneralSettings();
			settings.setAutoUpdateCheck(false);
			QSignalSpy appcast(service, &Service::fireAppcastFinished);

			schedule();
			auto before = mServer.records().size();
			service->runUpdateIfNeeded(false);
			waitForFullRun(before);
			QCOMPARE(pathsSince(before), cFullRun.mid(1));
			QCOMPARE(appcast.size(), 0);

			// Asked for, the check runs anyway.
			before = mServer.records().size();
			service->updateAppcast();
			waitForFullRun(before);
			QCOMPARE(pathsSince(before), cFullRun);
			QCOMPARE(appcast.size(), 1);
			settings.setAutoUpdateCheck(true);
		}


		void proxy_data()
		{
			QTest::addColumn<QList<QNetworkProxy>>("proxies");
			QTest::addColumn<bool>("blocked");

			QTest::newRow("HTTP proxy") << QList<QNetworkProxy>({QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), 3128)}) << true;
			QTest::newRow("SOCKS proxy first") << QList<QNetworkProxy>({QNetworkProxy(QNetworkProxy::Socks5Proxy, QStringLiteral("127.0.0.1"), 1080), QNetworkProxy(QNetworkProxy::NoProxy)}) << true;
			QTest::newRow("no proxy first") << QList<QNetworkProxy>({QNetworkProxy(QNetworkProxy::NoProxy), QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), 3128)}) << false;
			QTest::newRow("empty answer") << QList<QNetworkProxy>() << false;
		}


		void proxy()
		{
			QFETCH(QList<QNetworkProxy>, proxies);
			QFETCH(bool, blocked);

			auto* service = Env::getSingleton<Service>();
			schedule();
			auto before = mServer.records().size();
			QNetworkProxyFactory::setApplicationProxyFactory(new TestProxyFactory(proxies));
			service->runUpdateIfNeeded(true);
			// The run, if any, is posted: the downloads start with the test's own factory in place again.
			NetworkManager::setApplicationProxyFactory();
			if (blocked)
			{
				flush();
				QCOMPARE(pathsSince(before), QStringList());

				// The run stays due for a time without proxy.
				before = mServer.records().size();
				service->runUpdateIfNeeded(true);
			}
			waitForFullRun(before);
			QCOMPARE(pathsSince(before), cFullRun);
		}


		void versionInformation_data()
		{
			QTest::addColumn<QByteArray>("versionInfo");
			QTest::addColumn<int>("status");
			QTest::addColumn<bool>("chainContinues");

			QTest::newRow("other platforms only") << QByteArray(R"({"items": [{"platform": "win-arm64", "version": "9.0.0"}]})") << 200 << true;
			QTest::newRow("item without address") << QStringLiteral("{\"items\": [{\"platform\": \"%1\", \"version\": \"2.7.0\"}]}").arg(AppUpdateData::getPlatformName()).toUtf8() << 200 << true;
			QTest::newRow("corrupted") << QByteArray(R"({"items": 1})") << 200 << false;
			QTest::newRow("missing") << QByteArray() << 200 << false;
			QTest::newRow("server error") << QByteArray(R"({"items": []})") << 500 << false;
			QTest::newRow("service unavailable") << QByteArray(R"({"items": []})") << 503 << false;
		}


		void versionInformation()
		{
			QFETCH(QByteArray, versionInfo);
			QFETCH(int, status);
			QFETCH(bool, chainContinues);

			if (versionInfo.isEmpty())
			{
				mServer.removeFile(UpdateServer::cBetaVersionInfo.mid(1));
			}
			else
			{
				mServer.putFile(UpdateServer::cBetaVersionInfo.mid(1), versionInfo, cModified);
			}
			mServer.setStatus(UpdateServer::cBetaVersionInfo.mid(1), status);
			auto* service = Env::getSingleton<Service>();
			QSignalSpy appcast(service, &Service::fireAppcastFinished);
			const auto before = mServer.records().size();

			service->updateAppcast();
			if (chainContinues)
			{
				waitForFullRun(before);
					QCOMPARE(pathsSince(before), cFullRun);
			}
			else
			{
				QVERIFY(appcast.wait(30000));
				flush();
				QCOMPARE(pathsSince(before), QStringList({UpdateServer::cBetaVersionInfo}));
			}
			QCOMPARE(appcast.size(), 1);
			QCOMPARE(appcast.constFirst().constFirst().toBool(), false);
			mServer.setStatus(UpdateServer::cBetaVersionInfo.mid(1), 200);
		}


		void updateAvailable()
		{
			serveVersion(QStringLiteral("2.7.0"));
			auto* service = Env::getSingleton<Service>();
			QSignalSpy appcast(service, &Service::fireAppcastFinished);
			const auto before = mServer.records().size();

			service->updateAppcast();
			// The update's notes and then the running version's, each with the shared two files.
			QTRY_COMPARE_WITH_TIMEOUT(pathsSince(before).count(QStringLiteral("/releasenotes/en/issues.txt")), 2, 30000);
			flush();
			QCOMPARE(appcast.size(), 1);
			QCOMPARE(appcast.constFirst().constFirst().toBool(), true);
			const auto update = Env::getSingleton<ReleaseInformationConfiguration>()->getUpdateInformation();
			QVERIFY(update);
			QCOMPARE(update->versionNumber().getVersionNumber(), QVersionNumber(2, 7, 0));
			// The notes of the update are asked for at once, before the lists.
			QCOMPARE(pathsSince(before).mid(0, 5), QStringList({UpdateServer::cBetaVersionInfo,
						"/releasenotes/en/2.7.0.txt", "/releasenotes/en/announce.txt", "/releasenotes/en/issues.txt",
						"/supported-providers.json"}));
			// The release information's update also refreshes the update's notes.
			QCOMPARE(pathsSince(before).mid(5), cFullRun.mid(2) + QStringList({"/releasenotes/en/2.7.0.txt"}));
		}


};

KENDRAWELL_TEST_MAIN(test_Service)
#include "test_Service.moc"
