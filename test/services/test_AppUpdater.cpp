#include "AppUpdater.h"

#include "Env.h"
#include "LogCapture.h"
#include "TestEnvironment.h"
#include "UpdateServer.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

using namespace tessarovin;

namespace
{

const QDateTime cModified(QDate(2024, 3, 4), QTime(5, 6, 7), Qt::UTC);


// The updater's results in order, as "appcast <available> <code>" and "download <code>", and its
// download types as they change.
class UpdaterLog
	: public QObject
{
	Q_OBJECT

	public:
		QStringList mResults;
		QList<DownloadType> mTypes;
		qint64 mPackageProgressTotal = 0;

		UpdaterLog()
		{
			auto* updater = Env::getSingleton<AppUpdater>();
			connect(updater, &AppUpdater::fireAppcastCheckFinished, this, [this](bool pAvailable, const GlobalStatus& pError){
						mResults << QStringLiteral("appcast %1 %2").arg(pAvailable ? "true" : "false", Enum<GlobalStatus::Code>::getName(pError.getStatusCode()));
					});
			connect(updater, &AppUpdater::fireAppDownloadFinished, this, [this](const GlobalStatus& pError){
						mResults << QStringLiteral("download %1").arg(Enum<GlobalStatus::Code>::getName(pError.getStatusCode()));
					});
			connect(updater, &AppUpdater::fireDownloadTypeChanged, this, [this, updater]{
						mTypes << updater->getDownloadType();
					});
			connect(updater, &AppUpdater::fireAppDownloadProgress, this, [this](qint64, qint64 pTotal){
						mPackageProgressTotal = pTotal;
					});
		}


};


QByteArray packageData(int pSeed)
{
	QByteArray data;
	for (int i = 0; i < 200000; ++i)
	{
		data += static_cast<char>((i * 7919 + pSeed) % 251);
	}
	return data;
}


} // namespace


class test_AppUpdater
	: public QObject
{
	Q_OBJECT

	private:
		UpdateServer mServer;
		QString mCache;

		// The version information of one package below "/packages", for this platform.
		void serveVersion(const QString& pVersion, const QString& pPackage, const QString& pChecksum, int pSize = -1)
		{
			const auto item = QStringLiteral("{\"platform\": \"%1\", \"version\": \"%2\", \"url\": \"%3\", \"checksum\": \"%4\", \"size\": %5}")
					.arg(AppUpdateData::getPlatformName(), pVersion,
					mServer.url(QStringLiteral("/packages/") + pPackage).toString(),
					mServer.url(QStringLiteral("/packages/") + pChecksum).toString())
					.arg(pSize);
			mServer.putFile(UpdateServer::cReleaseVersionInfo.mid(1),
					QStringLiteral("{\"items\": [{\"platform\": \"win-arm64\", \"version\": \"9.9.9\"}, %1]}").arg(item).toUtf8(), cModified);
		}


		// The package on the server and its checksum file, written by the tool in the server's folder.
		void servePackage(const QString& pPackage, const QByteArray& pData, const QString& pTool, const QString& pChecksum)
		{
			mServer.putFile(QStringLiteral("packages/") + pPackage, pData, cModified);
			QProcess process;
			process.setWorkingDirectory(mServer.root() + QStringLiteral("/packages"));
			process.start(pTool, {pPackage});
			QVERIFY(process.waitForFinished(30000));
			QCOMPARE(process.exitCode(), 0);
			mServer.putFile(QStringLiteral("packages/") + pChecksum, process.readAllStandardOutput(), cModified);
		}


		void checkForUpdate(UpdaterLog& pLog, const QString& pExpected)
		{
			QVERIFY(Env::getSingleton<AppUpdater>()->checkAppUpdate());
			QCOMPARE(Env::getSingleton<AppUpdater>()->getDownloadType(), DownloadType::APPCAST);
			QTRY_COMPARE_WITH_TIMEOUT(pLog.mResults.size(), 1, 30000);
			QCOMPARE(pLog.mResults.constFirst(), pExpected);
			QCOMPARE(Env::getSingleton<AppUpdater>()->getDownloadType(), DownloadType::NONE);
			pLog.mResults.clear();
			pLog.mTypes.clear();
		}


		[[nodiscard]] qsizetype requests(const QString& pName)
		{
			return mServer.records(QStringLiteral("/packages/") + pName).size();
		}

	private Q_SLOTS:
		void initTestCase()
		{
			QCoreApplication::setApplicationVersion(QStringLiteral("2.6.3"));
			QVERIFY(mServer.setUp());
			mCache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
		}


		void cleanupTestCase()
		{
			UpdateServer::tearDown();
		}


		void versionCheck_data()
		{
			QTest::addColumn<QByteArray>("versionInfo");
			QTest::addColumn<QString>("result");
			QTest::addColumn<QString>("version");

			const auto item = [](const char* pVersion){
						return QStringLiteral("{\"items\": [{\"platform\": \"%1\", \"version\": \"%2\", \"url\": \"https://u.example/p.tar.gz\", \"checksum\": \"https://u.example/p.tar.gz.sha256\"}]}")
							   .arg(AppUpdateData::getPlatformName(), QLatin1String(pVersion)).toUtf8();
					};
			QTest::newRow("running version") << item("2.6.3") << "appcast false No_Error" << "2.6.3";
			QTest::newRow("older version") << item("2.6.2") << "appcast false No_Error" << "2.6.2";
			QTest::newRow("newer patch level") << item("2.6.4") << "appcast true No_Error" << "2.6.4";
			QTest::newRow("newer version") << item("2.7.0") << "appcast true No_Error" << "2.7.0";
			QTest::newRow("other platforms only") << QByteArray(R"({"items": [{"platform": "win-arm64", "version": "9.0.0"}]})") << "appcast false Downloader_Missing_Platform" << "";
			QTest::newRow("corrupted") << QByteArray(R"({"items": 1})") << "appcast false Downloader_Data_Corrupted" << "";
			QTest::newRow("item without address") << QStringLiteral("{\"items\": [{\"platform\": \"%1\", \"version\": \"2.7.0\"}]}").arg(AppUpdateData::getPlatformName()).toUtf8() << "appcast false No_Error" << "";
			QTest::newRow("missing") << QByteArray() << "appcast false Downloader_File_Not_Found" << "";
		}


		void versionCheck()
		{
			QFETCH(QByteArray, versionInfo);
			QFETCH(QString, result);
			QFETCH(QString, version);

			if (versionInfo.isEmpty())
			{
				mServer.removeFile(UpdateServer::cReleaseVersionInfo.mid(1));
			}
			else
			{
				mServer.putFile(UpdateServer::cReleaseVersionInfo.mid(1), versionInfo, cModified);
			}

			UpdaterLog log;
			auto* updater = Env::getSingleton<AppUpdater>();
			QVERIFY(updater->checkAppUpdate());
			// One download at a time, and nothing to fetch before the check has ended.
			QVERIFY(!updater->checkAppUpdate());
			QVERIFY(!updater->downloadUpdate());
			QTRY_COMPARE_WITH_TIMEOUT(log.mResults.size(), 1, 30000);
			QCOMPARE(log.mResults.constFirst(), result);
			QCOMPARE(log.mTypes, QList<DownloadType>({DownloadType::APPCAST, DownloadType::NONE}));
			QCOMPARE(updater->getUpdateData().getVersion(), version);
			QCOMPARE(updater->getUpdateData().isValid(), !version.isEmpty());
			// Always fetched whole.
			QVERIFY(mServer.records(UpdateServer::cReleaseVersionInfo).constLast().mIfModifiedSince.isEmpty());
		}


		void downloadWithoutUpdate()
		{
			mServer.putFile(UpdateServer::cReleaseVersionInfo.mid(1), QByteArray(R"({"items": []})"), cModified);
			UpdaterLog log;
			checkForUpdate(log, QStringLiteral("appcast false Downloader_Missing_Platform"));
			QVERIFY(!Env::getSingleton<AppUpdater>()->downloadUpdate());
			QVERIFY(!Env::getSingleton<AppUpdater>()->abortDownload());
		}


		void package_data()
		{
			QTest::addColumn<QString>("tool");
			QTest::addColumn<QString>("checksum");
			QTest::addColumn<QString>("result");

			QTest::newRow("sha256sum") << "sha256sum" << "sha256" << "download No_Error";
			QTest::newRow("sha512sum") << "sha512sum" << "sha512" << "download No_Error";
			QTest::newRow("sha512sum, suffix in upper case") << "sha512sum" << "SHA512" << "download No_Error";
			QTest::newRow("sha256sum, suffix txt") << "sha256sum" << "txt" << "download No_Error";
			QTest::newRow("sha512sum, suffix txt") << "sha512sum" << "txt" << "download Downloader_Data_Corrupted";
			QTest::newRow("sha256sum, suffix sha512") << "sha256sum" << "sha512" << "download Downloader_Data_Corrupted";
		}


		void package()
		{
			QFETCH(QString, tool);
			QFETCH(QString, checksum);
			QFETCH(QString, result);

			const auto tag = QString::fromLatin1(QTest::currentDataTag()).replace(QRegularExpression(QStringLiteral("[^a-z0-9]+")), QStringLiteral("-"));
			const auto name = QStringLiteral("Kendrawell-2.7.0-%1.tar.gz").arg(tag);
			const auto checksumName = name + QLatin1Char('.') + checksum;
			const auto data = packageData(static_cast<int>(qHash(tag) % 100));
			servePackage(name, data, tool, checksumName);
			serveVersion(QStringLiteral("2.7.0"), name, checksumName, static_cast<int>(data.size()));

			UpdaterLog log;
			checkForUpdate(log, QStringLiteral("appcast true No_Error"));
			auto* updater = Env::getSingleton<AppUpdater>();
			QVERIFY(updater->downloadUpdate());
			QCOMPARE(updater->getDownloadType(), DownloadType::CHECKSUM);
			QVERIFY(!updater->downloadUpdate());
			QTRY_COMPARE_WITH_TIMEOUT(log.mResults.size(), 1, 30000);
			QCOMPARE(log.mResults.constFirst(), result);
			QCOMPARE(log.mTypes, QList<DownloadType>({DownloadType::CHECKSUM, DownloadType::NONE, DownloadType::PACKAGE, DownloadType::NONE}));
			QCOMPARE(log.mPackageProgressTotal, data.size());

			// Both files stay in the cache, the package also when it does not match.
			const auto packagePath = mCache + QLatin1Char('/') + name;
			QCOMPARE(updater->getUpdateData().getUpdatePackagePath(), packagePath);
			QFile package(packagePath);
			QVERIFY(package.open(QIODevice::ReadOnly));
			QCOMPARE(package.readAll(), data);
			QVERIFY(QFile::exists(mCache + QLatin1Char('/') + checksumName));
			QCOMPARE(requests(name), 1);
			QCOMPARE(requests(checksumName), 1);

			// Once more: a matching package is taken from the cache, a corrupted one fetched again.
			const bool valid = result == QStringLiteral("download No_Error");
			QCOMPARE(updater->getUpdateData().isChecksumValid(), valid);
			log.mResults.clear();
			log.mTypes.clear();
			QVERIFY(updater->downloadUpdate());
			QTRY_COMPARE_WITH_TIMEOUT(log.mResults.size(), 1, 30000);
			QCOMPARE(log.mResults.constFirst(), result);
			QCOMPARE(requests(checksumName), 2);
			QCOMPARE(requests(name), valid ? 1 : 2);
			QCOMPARE(log.mTypes, valid
					? QList<DownloadType>({DownloadType::CHECKSUM, DownloadType::NONE})
					: QList<DownloadType>({DownloadType::CHECKSUM, DownloadType::NONE, DownloadType::PACKAGE, DownloadType::NONE}));
		}


		void changedPackageIsFetchedAgain()
		{
			const auto name = QStringLiteral("Kendrawell-2.7.1.tar.gz");
			servePackage(name, packageData(1), QStringLiteral("sha256sum"), name + QStringLiteral(".sha256"));
			serveVersion(QStringLiteral("2.7.1"), name, name + QStringLiteral(".sha256"));

			// A stale copy in the cache, as an interrupted earlier run may leave it.
			QVERIFY(QDir().mkpath(mCache));
			QFile stale(mCache + QLatin1Char('/') + name);
			QVERIFY(stale.open(QIODevice::WriteOnly) && stale.write("stale") == 5);
			stale.close();

			UpdaterLog log;
			checkForUpdate(log, QStringLiteral("appcast true No_Error"));
			QVERIFY(Env::getSingleton<AppUpdater>()->downloadUpdate());
			QTRY_COMPARE_WITH_TIMEOUT(log.mResults.size(), 1, 30000);
			QCOMPARE(log.mResults.constFirst(), QStringLiteral("download No_Error"));
			QCOMPARE(requests(name), 1);
			QVERIFY(Env::getSingleton<AppUpdater>()->getUpdateData().isChecksumValid());
		}


		void notModified_data()
		{
			QTest::addColumn<QString>("file");
			QTest::addColumn<QString>("result");

			QTest::newRow("version information") << UpdateServer::cReleaseVersionInfo.mid(1) << "appcast false Network_Other_Error";
			QTest::newRow("checksum file") << "packages/Kendrawell-2.7.3.tar.gz.sha256" << "download Network_Other_Error";
			QTest::newRow("package") << "packages/Kendrawell-2.7.3.tar.gz" << "download Network_Other_Error";
		}


		void notModified()
		{
			QFETCH(QString, file);
			QFETCH(QString, result);

			// Never asked for with a condition, so a 304 is the server's fault.
			const auto name = QStringLiteral("Kendrawell-2.7.3.tar.gz");
			servePackage(name, packageData(3), QStringLiteral("sha256sum"), name + QStringLiteral(".sha256"));
			serveVersion(QStringLiteral("2.7.3"), name, name + QStringLiteral(".sha256"));
			UpdaterLog log;
			auto* updater = Env::getSingleton<AppUpdater>();
			const LogCapture capture;
			mServer.setStatus(file, 304);
			if (file.startsWith(QStringLiteral("packages/")))
			{
				checkForUpdate(log, QStringLiteral("appcast true No_Error"));
				QVERIFY(updater->downloadUpdate());
			}
			else
			{
				QVERIFY(updater->checkAppUpdate());
			}

			QTRY_COMPARE_WITH_TIMEOUT(log.mResults.size(), 1, 30000);
			mServer.setStatus(file, 200);
			QCOMPARE(log.mResults, QStringList({result}));
			QVERIFY(capture.contains(QStringLiteral("Got a DownloadUnnecessary from Downloader")));
			QCOMPARE(updater->getDownloadType(), DownloadType::NONE);
		}


		void missingFiles_data()
		{
			QTest::addColumn<bool>("checksumPresent");
			QTest::addColumn<QStringList>("requested");

			QTest::newRow("no checksum file") << false << QStringList({"Kendrawell-2.7.2.tar.gz.sha256"});
			QTest::newRow("no package") << true << QStringList({"Kendrawell-2.7.2.tar.gz.sha256", "Kendrawell-2.7.2.tar.gz"});
		}


		void missingFiles()
		{
			QFETCH(bool, checksumPresent);
			QFETCH(QStringList, requested);

			const auto name = QStringLiteral("Kendrawell-2.7.2.tar.gz");
			const auto checksumName = name + QStringLiteral(".sha256");
			mServer.removeFile(QStringLiteral("packages/") + name);
			mServer.removeFile(QStringLiteral("packages/") + checksumName);
			if (checksumPresent)
			{
				mServer.putFile(QStringLiteral("packages/") + checksumName, QByteArray(64, 'a'), cModified);
			}
			serveVersion(QStringLiteral("2.7.2"), name, checksumName);

			UpdaterLog log;
			checkForUpdate(log, QStringLiteral("appcast true No_Error"));
			const auto before = mServer.records().size();
			QVERIFY(Env::getSingleton<AppUpdater>()->downloadUpdate());
			QTRY_COMPARE_WITH_TIMEOUT(log.mResults.size(), 1, 30000);
			QCOMPARE(log.mResults.constFirst(), QStringLiteral("download Downloader_File_Not_Found"));
			QCOMPARE(Env::getSingleton<AppUpdater>()->getDownloadType(), DownloadType::NONE);

			QStringList paths;
			for (const auto& record : mServer.records().mid(before))
			{
				paths << record.mPath.section(QLatin1Char('/'), -1);
			}
			QCOMPARE(paths, requested);
		}


		void abortedPackage()
		{
			const auto name = QStringLiteral("Kendrawell-2.8.0.tar.gz");
			const auto checksumName = name + QStringLiteral(".sha256");
			servePackage(name, packageData(2), QStringLiteral("sha256sum"), checksumName);
			// The package's body comes late, so the abort finds it running.
			serveVersion(QStringLiteral("2.8.0"), name + QStringLiteral("?delay=5000"), checksumName);

			UpdaterLog log;
			checkForUpdate(log, QStringLiteral("appcast true No_Error"));
			auto* updater = Env::getSingleton<AppUpdater>();
			QVERIFY(updater->downloadUpdate());
			QTRY_COMPARE_WITH_TIMEOUT(updater->getDownloadType(), DownloadType::PACKAGE, 30000);

			// A new check would drop the data of the running download: refused.
			QVERIFY(!updater->checkAppUpdate());
			QCOMPARE(updater->getUpdateData().getVersion(), QStringLiteral("2.8.0"));

			QVERIFY(updater->abortDownload());
			QTRY_COMPARE_WITH_TIMEOUT(log.mResults.size(), 1, 30000);
			QCOMPARE(log.mResults.constFirst(), QStringLiteral("download Downloader_Aborted"));
			QCOMPARE(updater->getDownloadType(), DownloadType::NONE);
			QVERIFY(!updater->abortDownload());
			QVERIFY(!QFile::exists(mCache + QLatin1Char('/') + name));
		}


};

KENDRAWELL_TEST_MAIN(test_AppUpdater)
#include "test_AppUpdater.moc"
