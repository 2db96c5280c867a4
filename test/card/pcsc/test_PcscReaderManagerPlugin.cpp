#include "PcscReaderManagerPlugin.h"

#include "FakeSCardApi.h"
#include "LogCapture.h"
#include "TestEnvironment.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QPluginLoader>
#include <QtTest>

#include <memory>

using namespace tessarovin;
using namespace tessarovin::pcsc;

Q_DECLARE_METATYPE(QList<QStringList>)


class test_PcscReaderManagerPlugin
	: public QObject
{
	Q_OBJECT

	private:
		std::unique_ptr<FakeSCardApi> mApi;
		std::unique_ptr<PcscReaderManagerPlugin> mPlugin;
		QStringList mEvents;

		// One listing pass, as the timer makes it; without an event loop the timer adds none.
		void pass()
		{
			QVERIFY(QMetaObject::invokeMethod(mPlugin.get(), "updateReaders", Qt::DirectConnection));
		}


		// A running scan whose context is the fake's first one.
		void startScan()
		{
			mPlugin->startScan(true);
			QVERIFY(mPlugin->getInfo().isScanRunning());
			mApi->takeCalls();
			mEvents.clear();
		}

	private Q_SLOTS:
		void init()
		{
			mApi = std::make_unique<FakeSCardApi>();
			mPlugin = std::make_unique<PcscReaderManagerPlugin>();
			mEvents.clear();

			connect(mPlugin.get(), &ReaderManagerPlugin::fireReaderAdded, this, [this](const ReaderInfo& pInfo) {
					mEvents << QStringLiteral("added:") + pInfo.getName();
				});
			connect(mPlugin.get(), &ReaderManagerPlugin::fireReaderRemoved, this, [this](const ReaderInfo& pInfo) {
					mEvents << QStringLiteral("removed:") + pInfo.getName();
				});
			connect(mPlugin.get(), &ReaderManagerPlugin::fireCardInserted, this, [this](const ReaderInfo& pInfo) {
					mEvents << QStringLiteral("card:") + pInfo.getName();
				});
			connect(mPlugin.get(), &ReaderManagerPlugin::fireStatusChanged, this, [this](const ReaderManagerPluginInfo& pInfo) {
					mEvents << QStringLiteral("status:%1%2%3").arg(pInfo.isEnabled() ? QLatin1Char('E') : QLatin1Char('-'))
							.arg(pInfo.isScanRunning() ? QLatin1Char('S') : QLatin1Char('-')).arg(pInfo.getInitialScanState());
				});
		}


		void cleanup()
		{
			mPlugin.reset();
			mApi.reset();
		}


		void registration()
		{
			QCOMPARE(mPlugin->objectName(), QStringLiteral("PcscReaderManager"));
			QVERIFY(mPlugin->qt_metacast("tessarovin::PcscReaderManagerPlugin"));
			QVERIFY(mPlugin->qt_metacast("tessarovin.ReaderManagerPlugin"));

			const auto& info = mPlugin->getInfo();
			QCOMPARE(info.getPluginType(), ReaderManagerPluginType::PCSC);
			QVERIFY(info.isAvailable());
			QVERIFY(!info.isEnabled());
			QVERIFY(!info.isScanRunning());
			QCOMPARE(info.getInitialScanState(), ReaderManagerPluginInfo::UNKNOWN);

			int found = 0;
			const auto plugins = QPluginLoader::staticPlugins();
			for (const auto& plugin : plugins)
			{
				const auto metaData = plugin.metaData();
				if (metaData.value(QLatin1String("className")).toString() == QLatin1String("PcscReaderManagerPlugin"))
				{
					++found;
					QCOMPARE(metaData.value(QLatin1String("IID")).toString(), QStringLiteral("tessarovin.ReaderManagerPlugin"));
					const auto data = metaData.value(QLatin1String("MetaData")).toObject();
					QCOMPARE(data.value(QLatin1String("name")).toString(), QStringLiteral("PcscReaderManagerPlugin"));
					QCOMPARE(data.value(QLatin1String("dependencies")).toArray(), QJsonArray());
				}
			}
			QCOMPARE(found, 1);
		}


		void start_data()
		{
			QTest::addColumn<PcscReturnCode>("code");
			QTest::addColumn<QStringList>("events");

			QTest::newRow("service") << Scard_S_Success << QStringList({QStringLiteral("status:E-2"), QStringLiteral("status:ES2")});
			QTest::newRow("no service") << Scard_E_No_Service << QStringList({QStringLiteral("status:--1")});
			QTest::newRow("no memory") << Scard_E_No_Memory << QStringList({QStringLiteral("status:--1")});
		}


		void start()
		{
			QFETCH(PcscReturnCode, code);
			QFETCH(QStringList, events);
			const bool started = code == Scard_S_Success;

			mApi->queueResult(QStringLiteral("SCardEstablishContext"), code);
			const LogCapture log;
			mPlugin->startScan(true);
			QCOMPARE(mEvents, events);
			QCOMPARE(mPlugin->getInfo().isEnabled(), started);
			QCOMPARE(mPlugin->getInfo().isScanRunning(), started);
			QCOMPARE(log.count(QStringLiteral("SCardEstablishContext: ") + toString(code)), 1);
			QCOMPARE(log.count(QStringLiteral("Not started: Cannot establish context")), started ? 0 : 1);
			QCOMPARE(mApi->takeCalls(), QStringList {QStringLiteral("SCardEstablishContext(0)")});

			// Nothing retries by itself; a later start does.
			mEvents.clear();
			mPlugin->startScan(true);
			QVERIFY(mPlugin->getInfo().isScanRunning());
			QCOMPARE(mEvents, started ? QStringList() : QStringList({QStringLiteral("status:E-1"), QStringLiteral("status:ES1")}));

			// A second start gives up the context of the first.
			QCOMPARE(mApi->takeCalls(), started
					? QStringList({QStringLiteral("SCardReleaseContext(1)"), QStringLiteral("SCardEstablishContext(0)")})
					: QStringList({QStringLiteral("SCardEstablishContext(0)")}));
			mEvents.clear();
			pass();
			QCOMPARE(mApi->takeCalls(), QStringList {QStringLiteral("SCardListReaders(%1)").arg(started ? 2 : 1)});
			QCOMPARE(mEvents, QStringList {QStringLiteral("status:ES0")});
		}


		void listing_data()
		{
			QTest::addColumn<QList<QStringList>>("passes");
			QTest::addColumn<QStringList>("events");

			const QString a = QStringLiteral("Reader A 00 00");
			const QString b = QStringLiteral("Reader B 01 00");
			const QString c = QStringLiteral("Reader C 02 00");
			QTest::newRow("no readers") << QList<QStringList>({{}, {}}) << QStringList();
			QTest::newRow("added in the service's order") << QList<QStringList>({{c, a}, {a, c}})
														  << QStringList({QStringLiteral("added:") + c, QStringLiteral("added:") + a});
			QTest::newRow("one of two unplugged") << QList<QStringList>({{a, b}, {a}, {a}})
												  << QStringList({QStringLiteral("added:") + a, QStringLiteral("added:") + b, QStringLiteral("removed:") + b});
			QTest::newRow("replaced") << QList<QStringList>({{a, b}, {c, a}})
									  << QStringList({QStringLiteral("added:") + a, QStringLiteral("added:") + b,
													  QStringLiteral("removed:") + b, QStringLiteral("added:") + c});
			QTest::newRow("all unplugged") << QList<QStringList>({{a, b}, {}})
										   << QStringList({QStringLiteral("added:") + a, QStringLiteral("added:") + b,
														   QStringLiteral("removed:") + a, QStringLiteral("removed:") + b});
			QTest::newRow("duplicate name listed") << QList<QStringList>({{a, a}, {a}}) << QStringList({QStringLiteral("added:") + a});
		}


		void listing()
		{
			QFETCH(QList<QStringList>, passes);
			QFETCH(QStringList, events);

			startScan();
			const LogCapture log;
			QMap<QString, QPointer<Reader>> readers;
			for (const auto& names : std::as_const(passes))
			{
				mApi->setReaderNames(names);
				pass();
				QCOMPARE(mPlugin->getInfo().getInitialScanState(), ReaderManagerPluginInfo::SUCCEEDED);

				// A reader that stays listed is the same object.
				for (const auto& name : names)
				{
					const auto reader = mPlugin->getReader(name);
					QVERIFY(reader);
					QCOMPARE(reader->getReaderInfo().getName(), name);
					if (readers.contains(name))
					{
						QCOMPARE(reader.data(), readers.value(name).data());
					}
					readers.insert(name, reader);
				}
			}

			mEvents.removeAll(QStringLiteral("status:ES0"));
			QCOMPARE(mEvents, events);
			QVERIFY(!log.contains(QStringLiteral("Cannot update readers")));
			QVERIFY(!log.contains(QStringLiteral("SCardListReaders:")));
			QVERIFY(mPlugin->getReader(QStringLiteral("Reader D")).isNull());
		}


		void longNameList()
		{
			startScan();
			const QString a = QStringLiteral("Reader A");
			const QString longName = QString(8190, QLatin1Char('x'));

			// Two names need more than 8192 characters: the service refuses, and no reader stays.
			mApi->setReaderNames({a});
			pass();
			mApi->setReaderNames({a, longName});
			const LogCapture log;
			pass();
			QCOMPARE(log.count(QStringLiteral("SCardListReaders: Scard_E_Insufficient_Buffer")), 1);
			QCOMPARE(log.count(QStringLiteral("Cannot read reader names")), 1);
			QCOMPARE(log.count(QStringLiteral("Cannot update readers, returnCode: -2146435064")), 1);
			QCOMPARE(mEvents, QStringList({QStringLiteral("added:") + a, QStringLiteral("status:ES0"),
										   QStringLiteral("status:ES1"), QStringLiteral("removed:") + a, QStringLiteral("status:ES0")}));
			QVERIFY(mPlugin->getInfo().isScanRunning());

			// One that just fits, with its two terminators.
			mEvents.clear();
			mApi->setReaderNames({longName});
			pass();
			QCOMPARE(mEvents, QStringList({QStringLiteral("added:") + longName}));
		}


		// The service reports a length beyond the buffer: only the buffer is read.
		void claimedLengthBeyondBuffer()
		{
			startScan();
			mApi->setReaderNames({QStringLiteral("Reader A"), QStringLiteral("Reader B")});
			mApi->setClaimedNamesLength(100000);
			pass();
			QCOMPARE(mEvents, QStringList({QStringLiteral("added:Reader A"), QStringLiteral("added:Reader B"), QStringLiteral("status:ES0")}));
		}


		void initFailsRetried()
		{
			startScan();
			const QString name = QStringLiteral("Reader A");
			mApi->setReaderNames({name});
			mApi->queueResult(QStringLiteral("SCardConnect"), Scard_E_Sharing_Violation);

			const LogCapture log;
			pass();
			QCOMPARE(log.count(QStringLiteral("Initialization of \"Reader A\" failed")), 1);
			QCOMPARE(mEvents, QStringList {QStringLiteral("status:ES0")});
			QVERIFY(mPlugin->getReader(name).isNull());

			pass();
			QCOMPARE(mEvents, QStringList({QStringLiteral("status:ES0"), QStringLiteral("added:") + name}));
			QVERIFY(mPlugin->getReader(name));
			QCOMPARE(log.count(QStringLiteral("fireReaderAdded: \"Reader A\" ( 1 reader in total )")), 1);
		}


		void listingErrors_data()
		{
			QTest::addColumn<PcscReturnCode>("code");
			QTest::addColumn<QString>("restartLog");

			QTest::newRow("no service") << Scard_E_No_Service << QStringLiteral("got SCARD_E_NO_SERVICE, trying to restart plugin");
			QTest::newRow("service stopped") << Scard_E_Service_Stopped << QStringLiteral("got SCARD_E_SERVICE_STOPPED, trying to restart plugin");
			QTest::newRow("invalid handle") << Scard_E_Invalid_Handle << QStringLiteral("got SCARD_E_INVALID_HANDLE, trying to restart plugin");
			QTest::newRow("communication error") << Scard_F_Comm_Error << QString();
		}


		void listingErrors()
		{
			QFETCH(PcscReturnCode, code);
			QFETCH(QString, restartLog);
			const bool restart = !restartLog.isEmpty();

			startScan();
			mApi->setReaderNames({QStringLiteral("Reader A"), QStringLiteral("Reader B")});
			pass();
			mEvents.clear();
			mApi->takeCalls();

			mApi->queueResult(QStringLiteral("SCardListReaders"), code);
			const LogCapture log;
			pass();
			QCOMPARE(log.count(QStringLiteral("Cannot update readers, returnCode: %1").arg(static_cast<qint32>(code))), 1);
			QCOMPARE(log.count(QStringLiteral("SCardListReaders: ") + toString(code)), 1);
			if (restart)
			{
				QCOMPARE(log.count(restartLog), 1);
				QCOMPARE(mEvents, QStringList({QStringLiteral("status:ES1"), QStringLiteral("removed:Reader A"), QStringLiteral("removed:Reader B"),
											   QStringLiteral("status:E-1"), QStringLiteral("status:ES1"), QStringLiteral("status:ES0")}));
				const auto calls = mApi->getCalls(QStringLiteral("SCardListReaders")) + mApi->getCalls(QStringLiteral("SCardReleaseContext(1)"))
						+ mApi->getCalls(QStringLiteral("SCardEstablishContext"));
				QCOMPARE(calls, QStringList({QStringLiteral("SCardListReaders(1)"), QStringLiteral("SCardReleaseContext(1)"), QStringLiteral("SCardEstablishContext(0)")}));
			}
			else
			{
				QVERIFY(!log.contains(QStringLiteral("trying to restart plugin")));
				QCOMPARE(mEvents, QStringList({QStringLiteral("status:ES1"), QStringLiteral("removed:Reader A"), QStringLiteral("removed:Reader B"),
											   QStringLiteral("status:ES0")}));
				QVERIFY(mApi->getCalls(QStringLiteral("SCardEstablishContext")).isEmpty());
			}
			QVERIFY(mPlugin->getInfo().isEnabled());
			QVERIFY(mPlugin->getInfo().isScanRunning());

			// The next pass lists the readers again, with the new context after a restart.
			mEvents.clear();
			mApi->takeCalls();
			pass();
			QCOMPARE(mEvents, QStringList({QStringLiteral("added:Reader A"), QStringLiteral("added:Reader B")}));
			QCOMPARE(mApi->getCalls(QStringLiteral("SCardListReaders")).constFirst(), QStringLiteral("SCardListReaders(%1)").arg(restart ? 4 : 1));
		}


		// Without a running timer nothing restarts, whatever the code.
		void listingWithoutScan()
		{
			const LogCapture log;
			pass();
			QCOMPARE(log.count(QStringLiteral("Cannot update readers, returnCode: -2146435069")), 1);
			QVERIFY(!log.contains(QStringLiteral("trying to restart plugin")));
			QVERIFY(mApi->getCalls().isEmpty());
			QCOMPARE(mEvents, QStringList({QStringLiteral("status:--1"), QStringLiteral("status:--0")}));
		}


		void restartFindsNoService()
		{
			startScan();
			mApi->setReaderNames({QStringLiteral("Reader A")});
			pass();
			mEvents.clear();

			mApi->queueResult(QStringLiteral("SCardListReaders"), Scard_E_No_Service);
			mApi->queueResult(QStringLiteral("SCardEstablishContext"), Scard_E_No_Service);
			LogCapture log;
			pass();
			QCOMPARE(log.count(QStringLiteral("Not started: Cannot establish context")), 1);
			QCOMPARE(mEvents, QStringList({QStringLiteral("status:ES1"), QStringLiteral("removed:Reader A"), QStringLiteral("status:E-1"),
										   QStringLiteral("status:--1"), QStringLiteral("status:--0")}));
			QVERIFY(!mPlugin->getInfo().isEnabled());
			QVERIFY(!mPlugin->getInfo().isScanRunning());

			// Stopped: a pass finds no context and does not restart.
			mEvents.clear();
			log.clear();
			pass();
			QVERIFY(!log.contains(QStringLiteral("trying to restart plugin")));
			QVERIFY(mPlugin->getReader(QStringLiteral("Reader A")).isNull());

			// The service is back: a new start lists the reader again.
			mEvents.clear();
			mPlugin->startScan(true);
			pass();
			QCOMPARE(mEvents, QStringList({QStringLiteral("status:E-0"), QStringLiteral("status:ES0"), QStringLiteral("added:Reader A")}));
		}


		void stop_data()
		{
			QTest::addColumn<bool>("started");
			QTest::addColumn<PcscReturnCode>("releaseCode");

			QTest::newRow("scanning") << true << Scard_S_Success;
			QTest::newRow("release fails") << true << Scard_E_Invalid_Handle;
			QTest::newRow("never started") << false << Scard_S_Success;
		}


		void stop()
		{
			QFETCH(bool, started);
			QFETCH(PcscReturnCode, releaseCode);

			if (started)
			{
				startScan();
				mApi->setReaderNames({QStringLiteral("Reader A"), QStringLiteral("Reader B")});
				pass();
				mEvents.clear();
				mApi->takeCalls();
			}

			mApi->queueResult(QStringLiteral("SCardReleaseContext"), releaseCode);
			const LogCapture log;
			mPlugin->stopScan(QStringLiteral("error"));
			QCOMPARE(mApi->getCalls(QStringLiteral("SCardReleaseContext(1)")).size(), started ? 1 : 0);
			QCOMPARE(log.count(QStringLiteral("Error releasing context")), started && releaseCode != Scard_S_Success ? 1 : 0);
			QCOMPARE(mEvents, started
					? QStringList({QStringLiteral("removed:Reader A"), QStringLiteral("removed:Reader B"), QStringLiteral("status:E-0")})
					: QStringList());
			QCOMPARE(mPlugin->getInfo().isEnabled(), started);
			QVERIFY(!mPlugin->getInfo().isScanRunning());
			QVERIFY(mPlugin->getReader(QStringLiteral("Reader A")).isNull());

			// Stopped twice: nothing left to release.
			mApi->takeCalls();
			mPlugin->stopScan();
			QVERIFY(mApi->getCalls(QStringLiteral("SCardReleaseContext")).isEmpty());
		}


		void cardSignalsForwarded()
		{
			startScan();
			mApi->setReaderNames({QStringLiteral("Reader A")});
			pass();
			mEvents.clear();

			mApi->setCard([](const QByteArray&) {
					return QByteArray::fromHex("6A82");
				});
			mApi->setReaderState(SCARD_STATE_CHANGED | SCARD_STATE_PRESENT, QByteArray::fromHex("3B8880011122334455667700"));
			mPlugin->getReader(QStringLiteral("Reader A"))->updateCard();
			QCOMPARE(mEvents, QStringList {QStringLiteral("card:Reader A")});
		}


		void destruction()
		{
			startScan();
			mApi->setReaderNames({QStringLiteral("Reader A"), QStringLiteral("Reader B")});
			pass();
			mEvents.clear();
			mApi->takeCalls();

			mPlugin.reset();
			QCOMPARE(mEvents, QStringList({QStringLiteral("removed:Reader A"), QStringLiteral("removed:Reader B")}));
			// The readers release their own contexts; the plug-in's stays for stopScan.
			QVERIFY(mApi->getCalls(QStringLiteral("SCardReleaseContext(1)")).isEmpty());
			QCOMPARE(mApi->getCalls(QStringLiteral("SCardReleaseContext")).size(), 2);
		}
};

KENDRAWELL_TEST_MAIN(test_PcscReaderManagerPlugin)
#include "test_PcscReaderManagerPlugin.moc"
