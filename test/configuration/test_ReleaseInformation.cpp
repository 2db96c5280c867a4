#include "ReleaseInformationConfiguration.h"

#include "Env.h"
#include "FileProvider.h"
#include "LanguageLoader.h"
#include "TestEnvironment.h"
#include "UpdatableFile.h"
#include "UpdateServer.h"

#include <QSignalSpy>

using namespace tessarovin;

namespace
{

const QDateTime cModified(QDate(2024, 3, 4), QTime(5, 6, 7), Qt::UTC);

} // namespace


class test_ReleaseInformation
	: public QObject
{
	Q_OBJECT

	private:
		UpdateServer mServer;

		// The file names that the server was asked for below a language's folder since the given record.
		QStringList requestedSince(qsizetype pFirst, const QString& pLanguage = QStringLiteral("en"))
		{
			const auto prefix = QStringLiteral("/releasenotes/%1/").arg(pLanguage);
			QStringList names;
			const auto records = mServer.records().mid(pFirst);
			for (const auto& record : records)
			{
				if (record.mPath.startsWith(prefix))
				{
					names << record.mPath.mid(prefix.size());
				}
			}
			return names;
		}


		// Every earlier request is answered once the downloader, which runs one at a time, reaches this one.
		void waitForQueuedDownloads()
		{
			const auto marker = FileProvider::getInstance().getFile(QString(), QStringLiteral("marker.txt"));
			const auto before = mServer.records(QStringLiteral("/marker.txt")).size();
			marker->update();
			QTRY_COMPARE_WITH_TIMEOUT(mServer.records(QStringLiteral("/marker.txt")).size(), before + 1, 30000);
		}

	private Q_SLOTS:
		void initTestCase()
		{
			QCoreApplication::setApplicationVersion(QStringLiteral("2.6.3"));
			QVERIFY(mServer.setUp());
		}


		void cleanupTestCase()
		{
			UpdateServer::tearDown();
		}


		void releaseNotes_data()
		{
			QTest::addColumn<QString>("version");
			QTest::addColumn<bool>("onlyThisVersion");
			QTest::addColumn<QStringList>("files");

			QTest::newRow("patch level 3") << "2.4.3" << false << QStringList({"2.4.3.txt", "2.4.2.txt", "2.4.1.txt", "2.4.0.txt"});
			QTest::newRow("patch level 0") << "2.4.0" << false << QStringList({"2.4.0.txt"});
			QTest::newRow("two segments") << "2.5" << false << QStringList({"2.5.0.txt"});
			QTest::newRow("one segment") << "3" << false << QStringList({"3.0.0.txt"});
			QTest::newRow("suffix") << "2.4.1+12-default" << false << QStringList({"2.4.1.txt", "2.4.0.txt"});
			QTest::newRow("beta") << "2.4.100" << false << QStringList({"2.4.100.txt"});
			QTest::newRow("later beta") << "2.4.103" << false << QStringList({"2.4.100.txt"});
			QTest::newRow("beta, only this version") << "2.4.103" << true << QStringList({"2.4.100.txt"});
			QTest::newRow("only this version") << "2.5.2" << true << QStringList({"2.5.2.txt"});
			QTest::newRow("only this version, two segments") << "2.5" << true << QStringList({"2.5.txt"});
		}


		void releaseNotes()
		{
			QFETCH(QString, version);
			QFETCH(bool, onlyThisVersion);
			QFETCH(QStringList, files);

			ReleaseInformation information(VersionNumber(version), onlyThisVersion);
			QCOMPARE(information.pathReleaseNotes().size(), files.size());
			QCOMPARE(information.versionNumber().getVersionNumber(), VersionNumber(version).getVersionNumber());
			// None of these notes is built in.
			QVERIFY(information.requiresInitialUpdate());

			const auto before = mServer.records().size();
			information.update();
			waitForQueuedDownloads();
			QCOMPARE(requestedSince(before), files + QStringList({"announce.txt", "issues.txt"}));
		}


		void initialUpdate()
		{
			// Everything built in: nothing to fetch.
			const ReleaseInformation shipped;
			QCOMPARE(shipped.pathReleaseNotes(), QStringList({
						":/updatable-files/releasenotes/en/2.6.3.txt",
						":/updatable-files/releasenotes/en/2.6.2.txt",
						":/updatable-files/releasenotes/en/2.6.1.txt",
						":/updatable-files/releasenotes/en/2.6.0.txt"}));
			QCOMPARE(shipped.pathAnnouncements(), QStringLiteral(":/updatable-files/releasenotes/en/announce.txt"));
			QCOMPARE(shipped.pathIssues(), QStringLiteral(":/updatable-files/releasenotes/en/issues.txt"));
			QVERIFY(!shipped.requiresInitialUpdate());

			// One missing note is enough.
			QVERIFY(ReleaseInformation(VersionNumber(QStringLiteral("2.6.4"))).requiresInitialUpdate());

			// A beta asks every time, even with its notes at hand.
			mServer.putFile(QStringLiteral("releasenotes/en/2.4.100.txt"), QByteArrayLiteral("beta"), cModified);
			ReleaseInformation beta(VersionNumber(QStringLiteral("2.4.100")));
			QSignalSpy changed(&beta, &ReleaseInformation::fireInformationChanged);
			beta.update();
			QVERIFY(changed.wait(30000));
			QVERIFY(beta.pathReleaseNotes().constFirst().endsWith(QStringLiteral("/releasenotes/en/2.4.100.txt_20240304050607UTC")));
			QVERIFY(!beta.pathAnnouncements().isEmpty());
			QVERIFY(!beta.pathIssues().isEmpty());
			QVERIFY(beta.requiresInitialUpdate());
			waitForQueuedDownloads();
		}


		void presentSetIsReplacedAtOnce()
		{
			auto* configuration = Env::getSingleton<ReleaseInformationConfiguration>();
			QVERIFY(configuration->getUpdateInformation().isNull());
			QCOMPARE(configuration->getCurrentInformation()->versionNumber().getVersionNumber(), QVersionNumber(2, 6, 3));

			QSignalSpy current(configuration, &ReleaseInformationConfiguration::fireCurrentInformationChanged);
			QSignalSpy update(configuration, &ReleaseInformationConfiguration::fireUpdateInformationChanged);
			const auto before = mServer.records().size();

			configuration->setUpdateVersion(VersionNumber(QStringLiteral("2.6.2")));
			QCOMPARE(update.size(), 1);
			QCOMPARE(configuration->getUpdateInformation()->pathReleaseNotes(), QStringList({":/updatable-files/releasenotes/en/2.6.2.txt"}));

			// The current set is complete as well: nothing to fetch.
			configuration->updateIfNeeded();
			waitForQueuedDownloads();
			QCOMPARE(requestedSince(before), QStringList());
			QCOMPARE(current.size(), 0);
		}


		void missingSetIsFetched()
		{
			auto* configuration = Env::getSingleton<ReleaseInformationConfiguration>();
			mServer.putFile(QStringLiteral("releasenotes/en/2.7.0.txt"), QByteArrayLiteral("Version 2.7.0"), cModified);
			QSignalSpy update(configuration, &ReleaseInformationConfiguration::fireUpdateInformationChanged);
			const auto before = mServer.records().size();

			configuration->setUpdateVersion(VersionNumber(QStringLiteral("2.7.0")));
			QCOMPARE(update.size(), 0);
			QVERIFY(update.wait(30000));
			QVERIFY(configuration->getUpdateInformation()->pathReleaseNotes().constFirst().endsWith(QStringLiteral("2.7.0.txt_20240304050607UTC")));
			waitForQueuedDownloads();
			QCOMPARE(requestedSince(before), QStringList({"2.7.0.txt", "announce.txt", "issues.txt"}));

			// The old set's files no longer reach the configuration.
			const QSignalSpy later(configuration, &ReleaseInformationConfiguration::fireUpdateInformationChanged);
			ReleaseInformation old(VersionNumber(QStringLiteral("2.6.2")), true);
			old.update();
			waitForQueuedDownloads();
			QCOMPARE(later.size(), 0);
		}


		void languageChange()
		{
			auto* configuration = Env::getSingleton<ReleaseInformationConfiguration>();
			QCOMPARE(configuration->getUpdateInformation()->versionNumber().getVersionNumber(), QVersionNumber(2, 7, 0));
			mServer.putFile(QStringLiteral("releasenotes/de/2.7.0.txt"), QByteArrayLiteral("Version 2.7.0 (de)"), cModified);

			auto& loader = LanguageLoader::getInstance();
			loader.load(QLocale(QLocale::German, QLocale::Germany));
			QCOMPARE(LanguageLoader::getLocaleCode(loader.getUsedLocale()), QStringLiteral("de"));

			QSignalSpy current(configuration, &ReleaseInformationConfiguration::fireCurrentInformationChanged);
			QSignalSpy update(configuration, &ReleaseInformationConfiguration::fireUpdateInformationChanged);
			configuration->reload();

			// The German notes of the running version are built in.
			QCOMPARE(current.size(), 1);
			QCOMPARE(configuration->getCurrentInformation()->pathReleaseNotes().constFirst(), QStringLiteral(":/updatable-files/releasenotes/de/2.6.3.txt"));

			// Those of the update are fetched, for the same version.
			QVERIFY(update.wait(30000));
			waitForQueuedDownloads();
			const auto updateInformation = configuration->getUpdateInformation();
			QCOMPARE(updateInformation->versionNumber().getVersionNumber(), QVersionNumber(2, 7, 0));
			QCOMPARE(updateInformation->pathReleaseNotes().size(), 1);
			QVERIFY(updateInformation->pathReleaseNotes().constFirst().endsWith(QStringLiteral("/releasenotes/de/2.7.0.txt_20240304050607UTC")));

			loader.unload();
		}


};

KENDRAWELL_TEST_MAIN(test_ReleaseInformation)
#include "test_ReleaseInformation.moc"
