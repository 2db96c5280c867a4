#include "Downloader.h"

#include "Env.h"
#include "LogCapture.h"
#include "TestEnvironment.h"
#include "TestPeer.h"
#include "UpdateServer.h"

#include <QSignalSpy>
#include <QThread>

using namespace tessarovin;

namespace
{

const QDateTime cModified(QDate(2024, 3, 1), QTime(10, 0), Qt::UTC);

// Every signal of the downloader, in order, as "signal url detail".
class DownloaderLog
	: public QObject
{
	Q_OBJECT

	public:
		QStringList mEvents;
		QList<QByteArray> mData;
		QList<QDateTime> mTimestamps;

		DownloaderLog()
		{
			const auto* downloader = Env::getSingleton<Downloader>();
			connect(downloader, &Downloader::fireDownloadSuccess, this, [this](const QUrl& pUrl, const QDateTime& pTimestamp, const QByteArray& pData){
						mEvents << QStringLiteral("success ") + pUrl.toString();
						mTimestamps << pTimestamp;
						mData << pData;
					});
			connect(downloader, &Downloader::fireDownloadFailed, this, [this](const QUrl& pUrl, GlobalStatus::Code pCode){
						mEvents << QStringLiteral("failed ") + pUrl.toString() + QLatin1Char(' ') + Enum<GlobalStatus::Code>::getName(pCode);
					});
			connect(downloader, &Downloader::fireDownloadUnnecessary, this, [this](const QUrl& pUrl){
						mEvents << QStringLiteral("unnecessary ") + pUrl.toString();
					});
		}


		[[nodiscard]] QStringList outcomes(const QUrl& pUrl) const
		{
			QStringList result;
			for (const auto& event : mEvents)
			{
				if (event.section(QLatin1Char(' '), 1, 1) == pUrl.toString())
				{
					result << event;
				}
			}
			return result;
		}


};


} // namespace


class test_Downloader
	: public QObject
{
	Q_OBJECT

	private:
		UpdateServer mServer;

	private Q_SLOTS:
		void initTestCase()
		{
			QVERIFY(mServer.setUp());

			mServer.putFile(QStringLiteral("data.json"), QByteArrayLiteral("{\"data\": 1}"), cModified);
			mServer.putFile(QStringLiteral("empty.json"), QByteArray(), cModified);
			mServer.putFile(QStringLiteral("second.json"), QByteArrayLiteral("second"), cModified);
		}


		void cleanupTestCase()
		{
			UpdateServer::tearDown();
		}


		void outcome_data()
		{
			QTest::addColumn<QString>("path");
			QTest::addColumn<QDateTime>("timestamp");
			QTest::addColumn<QString>("outcome");
			QTest::addColumn<int>("status");
			QTest::addColumn<QString>("body");

			const auto failed = [](GlobalStatus::Code pCode){
						return QStringLiteral("failed %1").arg(Enum<GlobalStatus::Code>::getName(pCode));
					};
			QTest::newRow("200 with data and Last-Modified") << "/data.json" << QDateTime() << "success" << 200 << "sent";
			QTest::newRow("200 older than the file") << "/data.json" << cModified.addSecs(-1) << "success" << 200 << "sent";
			QTest::newRow("200 without Last-Modified") << "/data.json?lastModified=none" << QDateTime() << "success" << 200 << "sent";
			QTest::newRow("200 empty") << "/empty.json" << QDateTime() << failed(GlobalStatus::Code::Network_Other_Error) << 200 << "sent";
			QTest::newRow("304") << "/data.json" << cModified << "unnecessary" << 304 << "none";
			QTest::newRow("304 newer than the file") << "/data.json" << cModified.addDays(1) << "unnecessary" << 304 << "none";
			QTest::newRow("404") << "/missing.json" << QDateTime() << failed(GlobalStatus::Code::Downloader_File_Not_Found) << 404 << "held back";
			// Aborted at the headers, before Qt maps the status to an error of its own.
			QTest::newRow("503") << "/data.json?status=503" << QDateTime() << failed(GlobalStatus::Code::Network_Other_Error) << 503 << "held back";
			QTest::newRow("500 to a conditional request") << "/data.json?status=500" << cModified << failed(GlobalStatus::Code::Network_Other_Error) << 500 << "held back";
		}


		void outcome()
		{
			QFETCH(QString, path);
			QFETCH(QDateTime, timestamp);
			QFETCH(QString, outcome);
			QFETCH(int, status);
			QFETCH(QString, body);

			const auto url = mServer.url(path);
			const auto before = mServer.records(path).size();
			DownloaderLog log;
			QSignalSpy progress(Env::getSingleton<Downloader>(), &Downloader::fireDownloadProgress);
			const LogCapture capture;

			const auto start = QDateTime::currentDateTime().addSecs(-1);
			Env::getSingleton<Downloader>()->download(url, timestamp);
			QTRY_COMPARE_WITH_TIMEOUT(log.outcomes(url).size(), 1, 30000);
			const auto end = QDateTime::currentDateTime().addSecs(1);
			const auto kind = outcome.section(QLatin1Char(' '), 0, 0);
			const auto code = outcome.section(QLatin1Char(' '), 1);
			QCOMPARE(log.outcomes(url), QStringList({QStringList({kind, url.toString(), code}).join(QLatin1Char(' ')).trimmed()}));

			QTRY_COMPARE_WITH_TIMEOUT(mServer.records(path).size(), before + 1, 30000);
			const auto record = mServer.records(path).last();
			QCOMPARE(record.mStatus, status);
			QCOMPARE(record.mBody, body);
			QCOMPARE(record.mIfModifiedSince.isEmpty(), !timestamp.isValid());
			if (timestamp.isValid())
			{
				QCOMPARE(record.mIfModifiedSince, QLocale::c().toString(timestamp.toUTC(), QStringLiteral("ddd, dd MMM yyyy hh:mm:ss 'GMT'")));
			}

			if (outcome == QLatin1String("success"))
			{
				QCOMPARE(log.mData, QList<QByteArray>({QByteArrayLiteral("{\"data\": 1}")}));
				const auto received = log.mTimestamps.constFirst();
				if (path.contains(QLatin1String("lastModified=none")))
				{
					QVERIFY(capture.contains(QStringLiteral("Server did not provide a valid LastModifiedHeader")));
					QVERIFY2(received >= start && received <= end, qPrintable(received.toString(Qt::ISODate)));
				}
				else
				{
					QCOMPARE(received, cModified);
				}
				QVERIFY(!progress.isEmpty());
				QCOMPARE(progress.constLast().at(1).toLongLong(), 11);
			}
			else if (status != 200)
			{
				QVERIFY(capture.contains(QStringLiteral("Abort request for")));
			}
		}


		void untrustedServer()
		{
			TestPeer stranger;
			QVERIFY(stranger.startScript(QStringLiteral("update_server.py"), {
						QStringLiteral("--root"), mServer.root(),
						QStringLiteral("--cert"), TestPeer::certificate(QStringLiteral("stranger")),
						QStringLiteral("--key"), TestPeer::key(QStringLiteral("stranger"))}));

			const QUrl url(QStringLiteral("https://127.0.0.1:%1/data.json").arg(stranger.port()));
			DownloaderLog log;
			Env::getSingleton<Downloader>()->download(url, QDateTime());
			QTRY_COMPARE_WITH_TIMEOUT(log.outcomes(url).size(), 1, 30000);
			QVERIFY(log.outcomes(url).constFirst().startsWith(QLatin1String("failed ")));
			QVERIFY(log.mData.isEmpty());
		}


		void queuedDownloads()
		{
			// The first answer lingers: a second request sent beside it would be answered first.
			const auto firstPath = QStringLiteral("/data.json?delay=400&queue");
			const auto secondPath = QStringLiteral("/second.json");
			const auto first = mServer.url(firstPath);
			const auto second = mServer.url(secondPath);
			DownloaderLog log;
			const LogCapture capture;

			Env::getSingleton<Downloader>()->download(first, QDateTime());
			Env::getSingleton<Downloader>()->download(second, QDateTime());
			QVERIFY(capture.contains(QStringLiteral("A download is already in progress... delaying.")));

			QTRY_COMPARE_WITH_TIMEOUT(log.mEvents.size(), 2, 30000);
			QCOMPARE(log.mEvents, QStringList({QStringLiteral("success ") + first.toString(), QStringLiteral("success ") + second.toString()}));
			QCOMPARE(log.mData, QList<QByteArray>({QByteArrayLiteral("{\"data\": 1}"), QByteArrayLiteral("second")}));

			QStringList order;
			for (const auto& record : mServer.records())
			{
				if (record.mPath == firstPath || record.mPath == secondPath)
				{
					order << record.mPath;
				}
			}
			QCOMPARE(order, QStringList({firstPath, secondPath}));
			QVERIFY(capture.contains(QStringLiteral("No pending requests to be started.")));
		}


		void abortRunningAndPending()
		{
			const auto slow = mServer.url(QStringLiteral("/data.json?delay=3000&abort"));
			const auto other = mServer.url(QStringLiteral("/second.json?abort"));
			DownloaderLog log;
			auto* downloader = Env::getSingleton<Downloader>();

			// The slow one runs, a second request for it waits before the other one.
			downloader->download(slow, QDateTime());
			downloader->download(slow, QDateTime());
			downloader->download(other, QDateTime());

			QVERIFY(downloader->abort(slow));
			const auto aborted = QStringLiteral("failed ") + slow.toString() + QStringLiteral(" Downloader_Aborted");
			QCOMPARE(log.mEvents, QStringList({aborted, aborted}));

			// Had the dropped request started when the running one ended, it would end before the other one.
			QTRY_COMPARE_WITH_TIMEOUT(log.mEvents.size(), 3, 30000);
			QCOMPARE(log.mEvents.constLast(), QStringLiteral("success ") + other.toString());
			QVERIFY(!downloader->abort(slow));
		}


		void abortPendingOnly()
		{
			const auto running = mServer.url(QStringLiteral("/data.json?delay=200&pending"));
			const auto pending = mServer.url(QStringLiteral("/second.json?pending"));
			DownloaderLog log;
			auto* downloader = Env::getSingleton<Downloader>();

			downloader->download(running, QDateTime());
			downloader->download(pending, QDateTime());
			const LogCapture capture;
			QVERIFY(downloader->abort(pending));
			QCOMPARE(log.mEvents, QStringList({QStringLiteral("failed ") + pending.toString() + QStringLiteral(" Downloader_Aborted")}));
			QVERIFY(capture.contains(QStringLiteral("Remove pending request")));
			QVERIFY(!capture.contains(QStringLiteral("Current download aborted")));

			QTRY_COMPARE_WITH_TIMEOUT(log.mEvents.size(), 2, 30000);
			QCOMPARE(log.mEvents.constLast(), QStringLiteral("success ") + running.toString());
			QVERIFY(mServer.records(QStringLiteral("/second.json?pending")).isEmpty());
		}


		void abortUnknown()
		{
			DownloaderLog log;
			QVERIFY(!Env::getSingleton<Downloader>()->abort(mServer.url(QStringLiteral("/data.json"))));
			QVERIFY(log.mEvents.isEmpty());
		}


		void downloadFromAnotherThread()
		{
			const auto url = mServer.url(QStringLiteral("/data.json?thread"));
			DownloaderLog log;
			QScopedPointer<QThread> thread(QThread::create([url]{
						Env::getSingleton<Downloader>()->download(url, QDateTime());
					}));
			thread->start();
			QVERIFY(thread->wait(30000));
			QTRY_COMPARE_WITH_TIMEOUT(log.mEvents, QStringList({QStringLiteral("success ") + url.toString()}), 30000);
		}


};

KENDRAWELL_TEST_MAIN(test_Downloader)
#include "test_Downloader.moc"
