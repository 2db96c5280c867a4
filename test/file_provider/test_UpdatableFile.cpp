#include "UpdatableFile.h"

#include "Downloader.h"
#include "Env.h"
#include "LogCapture.h"
#include "TestEnvironment.h"
#include "UpdateServer.h"

#include <QDir>
#include <QSignalSpy>
#include <QStandardPaths>

using namespace tessarovin;

namespace
{

QString stamp(const QDateTime& pTime)
{
	return pTime.toUTC().toString(QStringLiteral("yyyyMMddhhmmss")) + QStringLiteral("UTC");
}


QString httpDate(const QDateTime& pTime)
{
	return QLocale::c().toString(pTime.toUTC(), QStringLiteral("ddd, dd MMM yyyy hh:mm:ss 'GMT'"));
}


QByteArray readFile(const QString& pPath)
{
	QFile file(pPath);
	return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}


void writeFile(const QString& pPath, const QByteArray& pData)
{
	QDir().mkpath(QFileInfo(pPath).absolutePath());
	QFile file(pPath);
	if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(pData) != pData.size())
	{
		qFatal("cannot write %s", qPrintable(pPath));
	}
}


// Counts the downloader's outcomes per URL, whoever listens to them.
class DownloadSpy
	: public QObject
{
	Q_OBJECT

	public:
		QStringList mUrls;

		DownloadSpy()
		{
			const auto* downloader = Env::getSingleton<Downloader>();
			const auto add = [this](const QUrl& pUrl){
						mUrls << pUrl.toString();
					};
			connect(downloader, &Downloader::fireDownloadSuccess, this, add);
			connect(downloader, &Downloader::fireDownloadFailed, this, add);
			connect(downloader, &Downloader::fireDownloadUnnecessary, this, add);
		}


		[[nodiscard]] int count(const QUrl& pUrl) const
		{
			return static_cast<int>(mUrls.count(pUrl.toString()));
		}


};


} // namespace


class test_UpdatableFile
	: public QObject
{
	Q_OBJECT

	private:
		UpdateServer mServer;
		QString mCache;

		[[nodiscard]] QString cachePath(const QString& pSection, const QString& pFile) const
		{
			return QDir::cleanPath(mCache + QLatin1Char('/') + pSection + QLatin1Char('/') + pFile);
		}


		[[nodiscard]] QUrl updateUrl(const QString& pSection, const QString& pName) const
		{
			return mServer.url(QDir::cleanPath(QLatin1Char('/') + pSection + QLatin1Char('/') + pName));
		}


		[[nodiscard]] QStringList copies(const QString& pSection, const QString& pName) const
		{
			return QDir(cachePath(pSection, QString())).entryList({pName + QStringLiteral("_*")}, QDir::Files, QDir::Name);
		}

	private Q_SLOTS:
		void initTestCase()
		{
			QVERIFY(mServer.setUp());

			mCache = QStandardPaths::standardLocations(QStandardPaths::CacheLocation).value(0);
			QVERIFY(mCache.startsWith(QDir::homePath()));
		}


		void cleanupTestCase()
		{
			UpdateServer::tearDown();
		}


		void init()
		{
			QVERIFY(QDir(mCache).removeRecursively());
		}


		void lookup_data()
		{
			QTest::addColumn<QString>("section");
			QTest::addColumn<QString>("name");
			QTest::addColumn<QString>("defaultPath");
			QTest::addColumn<QStringList>("stamps");
			QTest::addColumn<QString>("path");
			QTest::addColumn<QString>("url");

			QTest::newRow("nothing anywhere") << "" << "absent.json" << "" << QStringList() << "" << "file:///";
			QTest::newRow("built-in default") << "reader" << "absent.png" << ":/images/desktop/default_reader.png" << QStringList()
											  << ":/images/desktop/default_reader.png" << "qrc:///images/desktop/default_reader.png";
			QTest::newRow("local default") << "" << "absent.json" << "/opt/default.json" << QStringList() << "/opt/default.json" << "file:///opt/default.json";
			QTest::newRow("resource in the empty section") << "" << "builtin.json" << "/opt/default.json" << QStringList()
														   << ":/updatable-files//builtin.json" << "qrc:///updatable-files//builtin.json";
			QTest::newRow("resource in a section") << "reader" << "builtin.png" << ":/images/desktop/default_reader.png" << QStringList()
												   << ":/updatable-files/reader/builtin.png" << "qrc:///updatable-files/reader/builtin.png";
			QTest::newRow("cached copy before the resource") << "" << "builtin.json" << "" << QStringList({"20240301100000UTC"})
															 << "<cache>/builtin.json_20240301100000UTC" << "file://<cache>/builtin.json_20240301100000UTC";
			QTest::newRow("copies differing in the year") << "reader" << "two.png" << "" << QStringList({"20250101000000UTC", "20240101000000UTC"})
														  << "<cache>/reader/two.png_20250101000000UTC" << "file://<cache>/reader/two.png_20250101000000UTC";
			QTest::newRow("no name") << "" << "" << "/opt/default.json" << QStringList() << "/opt/default.json" << "file:///opt/default.json";
		}


		void lookup()
		{
			QFETCH(QString, section);
			QFETCH(QString, name);
			QFETCH(QString, defaultPath);
			QFETCH(QStringList, stamps);
			QFETCH(QString, path);
			QFETCH(QString, url);

			for (const auto& copyStamp : stamps)
			{
				writeFile(cachePath(section, name + QLatin1Char('_') + copyStamp), QByteArrayLiteral("cached"));
			}
			path.replace(QStringLiteral("<cache>"), mCache);
			url.replace(QStringLiteral("<cache>"), mCache);

			UpdatableFile file(section, name, defaultPath);
			QCOMPARE(file.lookupPath(), path);
			QCOMPARE(file.lookupUrl(), QUrl(url));
			QVERIFY(QDir(cachePath(section, QString())).exists());
			if (path.startsWith(mCache) || path.startsWith(QLatin1String(":/updatable-files")))
			{
				QVERIFY(QFile::exists(path));
			}
		}


		void update_data()
		{
			QTest::addColumn<QString>("section");

			QTest::newRow("empty section") << QString();
			QTest::newRow("nested section") << QStringLiteral("releasenotes/de");
		}


		void update()
		{
			QFETCH(QString, section);
			const auto name = QStringLiteral("year.json");
			const QDateTime older(QDate(2023, 1, 1), QTime(0, 0), Qt::UTC);
			const QDateTime newer(QDate(2024, 1, 1), QTime(0, 0), Qt::UTC);
			const QDateTime served(QDate(2025, 1, 2), QTime(3, 4, 5), Qt::UTC);
			writeFile(cachePath(section, name + QLatin1Char('_') + stamp(older)), QByteArrayLiteral("2023"));
			writeFile(cachePath(section, name + QLatin1Char('_') + stamp(newer)), QByteArrayLiteral("2024"));
			mServer.putFile(QDir::cleanPath(section + QLatin1Char('/') + name), QByteArrayLiteral("2025"), served);
			const auto serverPath = updateUrl(section, name).path();
			const auto requests = mServer.records(serverPath).size();

			UpdatableFile file(section, name);
			QSignalSpy updated(&file, &UpdatableFile::fireUpdated);
			QSignalSpy current(&file, &UpdatableFile::fireNoUpdateAvailable);

			// The newest copy's time goes out as the condition; the new copy is named by the server's time in UTC.
			file.update();
			QVERIFY(updated.wait(30000));
			QTRY_COMPARE_WITH_TIMEOUT(mServer.records(serverPath).size(), requests + 1, 30000);
			auto records = mServer.records(serverPath);
			QCOMPARE(records.constLast().mIfModifiedSince, httpDate(newer));
			const auto newest = cachePath(section, name + QLatin1Char('_') + stamp(served));
			QCOMPARE(readFile(newest), QByteArrayLiteral("2025"));
			QCOMPARE(file.lookupPath(), newest);
			QCOMPARE(copies(section, name).size(), 3);

			// Its stamp reads back: the next request is conditional on it and changes nothing.
			file.update();
			QVERIFY(current.wait(30000));
			QTRY_COMPARE_WITH_TIMEOUT(mServer.records(serverPath).size(), requests + 2, 30000);
			records = mServer.records(serverPath);
			QCOMPARE(records.constLast().mIfModifiedSince, httpDate(served));
			QCOMPARE(records.constLast().mStatus, 304);
			QCOMPARE(updated.size(), 1);
			QCOMPARE(copies(section, name).size(), 3);
		}


		void sameStampTwice()
		{
			const auto name = QStringLiteral("same.json");
			const QDateTime time(QDate(2024, 5, 6), QTime(7, 8, 9), Qt::UTC);
			const auto existing = cachePath(QString(), name + QLatin1Char('_') + stamp(time));
			writeFile(existing, QByteArrayLiteral("stored before"));

			UpdatableFile file(QString(), name);
			QSignalSpy updated(&file, &UpdatableFile::fireUpdated);
			DownloadSpy downloads;
			const LogCapture capture;
			file.update();
			Q_EMIT Env::getSingleton<Downloader>()->fireDownloadSuccess(updateUrl(QString(), name), time, QByteArrayLiteral("fetched again"));

			QCOMPARE(updated.size(), 1);
			QVERIFY(capture.contains(QStringLiteral("File already up to date:")));
			QCOMPARE(readFile(existing), QByteArrayLiteral("stored before"));
			QCOMPARE(copies(QString(), name).size(), 1);

			// The real request still ends; the file no longer listens.
			QTRY_COMPARE_WITH_TIMEOUT(downloads.count(updateUrl(QString(), name)), 2, 30000);
			QCOMPARE(updated.size(), 1);
		}


		void twoUpdatesOneRequest()
		{
			const auto name = QStringLiteral("once.json");
			mServer.putFile(name, QByteArrayLiteral("once"), QDateTime(QDate(2024, 1, 1), QTime(0, 0), Qt::UTC));
			UpdatableFile file(QString(), name);
			QSignalSpy updated(&file, &UpdatableFile::fireUpdated);

			file.update();
			file.update();
			QVERIFY(updated.wait(30000));

			// Requests run in order: a second one for the file would have ended before this one.
			DownloadSpy downloads;
			const auto sentinel = mServer.url(QStringLiteral("/sentinel.json"));
			Env::getSingleton<Downloader>()->download(sentinel, QDateTime());
			QTRY_COMPARE_WITH_TIMEOUT(downloads.count(sentinel), 1, 30000);
			QTRY_COMPARE_WITH_TIMEOUT(mServer.records(QStringLiteral("/sentinel.json")).size(), 1, 30000);
			QCOMPARE(mServer.records(QStringLiteral("/once.json")).size(), 1);
			QCOMPARE(updated.size(), 1);
		}


		void dirtyLookup()
		{
			const auto name = QStringLiteral("dirty.png");
			const auto old = cachePath(QStringLiteral("provider"), name + QStringLiteral("_20200101000000UTC"));
			writeFile(old, QByteArrayLiteral("old"));
			const QDateTime served(QDate(2024, 2, 3), QTime(4, 5, 6), Qt::UTC);
			mServer.putFile(QStringLiteral("provider/") + name, QByteArrayLiteral("new"), served);

			UpdatableFile file(QStringLiteral("provider"), name);
			QSignalSpy updated(&file, &UpdatableFile::fireUpdated);
			QCOMPARE(file.lookupPath(), old);
			QVERIFY(!file.isDirty());
			QVERIFY(mServer.records(QStringLiteral("/provider/") + name).isEmpty());

			file.markDirty();
			QVERIFY(file.isDirty());
			QVERIFY(QFile::exists(cachePath(QStringLiteral("provider"), name + QStringLiteral(".dirty"))));
			QCOMPARE(file.lookupPath(), old);
			QVERIFY(updated.wait(30000));
			QVERIFY(!file.isDirty());
			QVERIFY(!QFile::exists(cachePath(QStringLiteral("provider"), name + QStringLiteral(".dirty"))));
			QCOMPARE(file.lookupPath(), cachePath(QStringLiteral("provider"), name + QLatin1Char('_') + stamp(served)));
			QTRY_COMPARE_WITH_TIMEOUT(mServer.records(QStringLiteral("/provider/") + name).size(), 1, 30000);
		}


		void filesShareTheDownloader()
		{
			// Both listen to the one downloader while they update: each takes only its own result.
			mServer.putFile(QStringLiteral("found.json"), QByteArrayLiteral("found"), QDateTime(QDate(2024, 1, 1), QTime(0, 0), Qt::UTC));
			UpdatableFile found(QString(), QStringLiteral("found.json"));
			UpdatableFile missing(QString(), QStringLiteral("missing.json"));
			found.markDirty();
			missing.markDirty();
			QSignalSpy foundUpdated(&found, &UpdatableFile::fireUpdated);
			QSignalSpy missingUpdated(&missing, &UpdatableFile::fireUpdated);
			QSignalSpy missingCurrent(&missing, &UpdatableFile::fireNoUpdateAvailable);
			DownloadSpy downloads;
			const LogCapture capture;

			found.update();
			missing.update();
			const auto missingUrl = updateUrl(QString(), QStringLiteral("missing.json"));
			QTRY_COMPARE_WITH_TIMEOUT(downloads.count(missingUrl), 1, 30000);
			QCOMPARE(foundUpdated.size(), 1);
			QCOMPARE(missingUpdated.size(), 0);
			QCOMPARE(missingCurrent.size(), 0);
			QCOMPARE(copies(QString(), QStringLiteral("found.json")).size(), 1);
			QVERIFY(copies(QString(), QStringLiteral("missing.json")).isEmpty());
			QVERIFY(!found.isDirty());
			QVERIFY(capture.contains(QStringLiteral("Download failed with error code: Downloader_File_Not_Found")));

			// A failed file stays dirty, so its next lookup tries again.
			QVERIFY(missing.isDirty());
			QCOMPARE(missing.lookupPath(), QString());
			QTRY_COMPARE_WITH_TIMEOUT(downloads.count(missingUrl), 2, 30000);
			QTRY_COMPARE_WITH_TIMEOUT(mServer.records(QStringLiteral("/missing.json")).size(), 2, 30000);
			QVERIFY(missing.isDirty());
		}


		void forEachLookupPath()
		{
			writeFile(cachePath(QString(), QStringLiteral("builtin.json_20240301100000UTC")), QByteArrayLiteral("broken"));
			UpdatableFile file(QString(), QStringLiteral("builtin.json"), QStringLiteral("/opt/default.json"));
			const QStringList all({
						cachePath(QString(), QStringLiteral("builtin.json_20240301100000UTC")),
						QStringLiteral(":/updatable-files//builtin.json"),
						QStringLiteral("/opt/default.json")});

			QStringList tried;
			QVERIFY(!file.forEachLookupPath([&tried](const QString& pPath){
						tried << pPath;
						return false;
					}));
			QCOMPARE(tried, all);

			// A broken cached copy falls back to the resource.
			tried.clear();
			QVERIFY(file.forEachLookupPath([&tried](const QString& pPath){
						tried << pPath;
						return pPath.startsWith(QLatin1Char(':'));
					}));
			QCOMPARE(tried, all.mid(0, 2));

			tried.clear();
			UpdatableFile absent(QStringLiteral("reader"), QStringLiteral("absent.png"));
			QVERIFY(!absent.forEachLookupPath([&tried](const QString& pPath){
						tried << pPath;
						return true;
					}));
			QVERIFY(tried.isEmpty());

			UpdatableFile unnamed(QString(), QString(), QStringLiteral("/opt/default.json"));
			unnamed.markDirty();
			QVERIFY(!unnamed.isDirty());
			QVERIFY(unnamed.forEachLookupPath([&tried](const QString& pPath){
						tried << pPath;
						return true;
					}));
			QCOMPARE(tried, QStringList({QStringLiteral("/opt/default.json")}));
		}


		void emptyNameAndPath()
		{
			const LogCapture capture;
			UpdatableFile file(QStringLiteral("provider"), QString());
			QVERIFY(capture.contains(QStringLiteral("Both name and default path are empty!")));
			QCOMPARE(file.lookupUrl(), QUrl(QStringLiteral("file:///")));

			DownloadSpy downloads;
			file.update();
			QVERIFY(Env::getSingleton<Downloader>()->abort(mServer.url(QStringLiteral("/provider/"))) == false);
			QVERIFY(downloads.mUrls.isEmpty());
		}


		void nameOutsideCacheFolder_data()
		{
			QTest::addColumn<QString>("name");

			QTest::newRow("parent folder") << "../escaped.svg";
			QTest::newRow("subfolder") << "sub/escaped.svg";
			QTest::newRow("backslash") << "..\\escaped.svg";
			QTest::newRow("dot dot") << "..";
		}


		void nameOutsideCacheFolder()
		{
			QFETCH(QString, name);

			const LogCapture capture;
			UpdatableFile file(QStringLiteral("provider"), name, QStringLiteral("/opt/default.svg"));
			QVERIFY(capture.contains(QStringLiteral("Refusing file name outside the cache folder:")));
			QCOMPARE(file.lookupUrl(), QUrl(QStringLiteral("file:///opt/default.svg")));

			DownloadSpy downloads;
			file.update();
			file.markDirty();
			QCoreApplication::processEvents();
			QVERIFY(downloads.mUrls.isEmpty());
			QCOMPARE(QDir(mCache).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System | QDir::Hidden), QStringList({QStringLiteral("provider")}));
			QVERIFY(QDir(mCache + QStringLiteral("/provider")).isEmpty());
		}


		void noCacheFolder_data()
		{
			QTest::addColumn<QStringList>("locations");
			QTest::addColumn<QString>("warning");

			QTest::newRow("no cache location") << QStringList() << "No cache paths found!";
			QTest::newRow("empty first location") << QStringList({QString(), QStringLiteral("/tmp")}) << "Cache base folder is invalid (empty).";
			QTest::newRow("folder cannot be made") << QStringList({QStringLiteral("<blocked>/cache")}) << "Cannot create cache folder:";
		}


		void noCacheFolder()
		{
			QFETCH(QStringList, locations);
			QFETCH(QString, warning);

			// A file where the cache folder's parent should be.
			const auto blocked = QDir::temp().filePath(QStringLiteral("blocked"));
			writeFile(blocked, QByteArray());
			locations.replaceInStrings(QStringLiteral("<blocked>"), blocked);
			UpdatableFile::setCacheLocations([locations]{
						return locations;
					});
			const auto restore = qScopeGuard([]{
						UpdatableFile::setCacheLocations(UpdatableFile::CacheLocations());
						QDir::setCurrent(QDir::homePath());
					});

			// A working folder with a copy that a listing of the empty path would find.
			const auto working = QDir::temp().filePath(QStringLiteral("working"));
			const auto decoy = QStringLiteral("builtin.json_20990101000000UTC");
			writeFile(working + QLatin1Char('/') + decoy, QByteArrayLiteral("decoy"));
			QVERIFY(QDir::setCurrent(working));

			const auto name = QStringLiteral("builtin.json");
			const QDateTime served(QDate(2024, 7, 8), QTime(9, 10, 11), Qt::UTC);
			mServer.putFile(name, QByteArrayLiteral("served"), served);

			const LogCapture capture;
			UpdatableFile file(QString(), name);
			QVERIFY(capture.contains(warning));
			QCOMPARE(file.lookupPath(), QStringLiteral(":/updatable-files//builtin.json"));

			file.markDirty();
			QVERIFY(capture.contains(QStringLiteral("Cannot mark invalid file: \"/builtin.json\"")));
			QVERIFY(!file.isDirty());
			file.clearDirty();
			QVERIFY(capture.contains(QStringLiteral("Cannot clear invalid file: \"/builtin.json\"")));

			QSignalSpy updated(&file, &UpdatableFile::fireUpdated);
			DownloadSpy downloads;
			file.update();
			QTRY_COMPARE_WITH_TIMEOUT(downloads.count(updateUrl(QString(), name)), 1, 30000);
			QVERIFY(capture.contains(QStringLiteral("Cannot store downloaded file without cache folder:")));
			QCOMPARE(updated.size(), 0);

			QCOMPARE(QDir(working).entryList(QDir::Files | QDir::Hidden), QStringList({decoy}));
			QVERIFY(QDir(QStringLiteral("/")).entryList({name + QLatin1Char('*')}, QDir::Files | QDir::Hidden).isEmpty());
			QCOMPARE(file.lookupPath(), QStringLiteral(":/updatable-files//builtin.json"));
		}


};

KENDRAWELL_TEST_MAIN(test_UpdatableFile)
#include "test_UpdatableFile.moc"
