#include "ReaderManager.h"

#include "LogCapture.h"
#include "MockReaderManagerPlugin.h"
#include "TestEnvironment.h"

#include <QDeadlineTimer>
#include <QSignalSpy>

#include <atomic>
#include <latch>
#include <thread>


using namespace tessarovin;

namespace
{

// A manager of the test's own, beside the singleton.
class TestReaderManager
	: public ReaderManager
{
	Q_OBJECT

	public:
		TestReaderManager() = default;
		~TestReaderManager() override = default;
};


// Counts the answers to card-connection requests on the main thread.
class ConnectionReceiver
	: public QObject
{
	Q_OBJECT

	public:
		int mAnswers = 0;

	public Q_SLOTS:
		void onCreateCardConnectionDone(QSharedPointer<tessarovin::CreateCardConnectionCommand> pCommand)
		{
			Q_UNUSED(pCommand)
			++mAnswers;
		}
};


ReaderManagerPluginInfo pluginInfo(ReaderManagerPluginType pType, ReaderManagerPluginInfo::InitialScanState pState)
{
	ReaderManagerPluginInfo info(pType, true, true);
	info.setInitialScanState(pState);
	return info;
}


} // namespace


class test_ReaderManager
	: public QObject
{
	Q_OBJECT

	private:
		ReaderManager* mManager = nullptr;

		// Every request to the plug-in posts behind what it sent before; a reader added last and
		// reported back shows that everything earlier has arrived on this thread too.
		void syncWithReaderThread()
		{
			static int counter = 0;
			const QString name = QStringLiteral("sync-%1").arg(++counter);
			QSignalSpy added(mManager, &ReaderManager::fireReaderAdded);
			QVERIFY(MockReaderManagerPlugin::runOnPlugin([name](MockReaderManagerPlugin& pPlugin) {
					pPlugin.addReader(name);
				}));
			QTRY_VERIFY(mManager->getReaderInfo(name).isValid());
			QVERIFY(MockReaderManagerPlugin::runOnPlugin([name](MockReaderManagerPlugin& pPlugin) {
					pPlugin.removeReader(name);
				}));
			QTRY_VERIFY(!mManager->getReaderInfo(name).isValid());
		}


		void initAndWait()
		{
			QSignalSpy finished(mManager, &ReaderManager::fireInitialScanFinished);
			mManager->init();
			QTRY_COMPARE(finished.count(), 1);
		}

	private Q_SLOTS:
		void init()
		{
			mManager = Env::getSingleton<ReaderManager>();
		}


		void cleanup()
		{
			mManager->shutdown();
		}


		void requestsBeforeInit_data()
		{
			QTest::addColumn<int>("request");
			QTest::addColumn<QString>("warning");

			QTest::newRow("startScan") << 0 << QStringLiteral("Cannot start scan if ReaderManager-Thread is not active");
			QTest::newRow("stopScan") << 1 << QStringLiteral("Cannot stop scan if ReaderManager-Thread is not active");
			QTest::newRow("insert") << 2 << QStringLiteral("Cannot insert a card if ReaderManager-Thread is not active");
			QTest::newRow("shelve") << 3 << QStringLiteral("Cannot shelve cards if ReaderManager-Thread is not active");
		}


		void requestsBeforeInit()
		{
			QFETCH(int, request);
			QFETCH(QString, warning);

			LogCapture capture;
			switch (request)
			{
				case 0:
					mManager->startScan(ReaderManagerPluginType::MOCK);
					break;

				case 1:
					mManager->stopScan(ReaderManagerPluginType::MOCK);
					break;

				case 2:
					mManager->insert(ReaderInfo(QStringLiteral("reader"), ReaderManagerPluginType::MOCK));
					break;

				default:
					mManager->shelve();
					break;
			}
			// Nothing answers when there is no thread; a blocking call must not hang either.
			mManager->updateReaderInfo(QStringLiteral("reader"));
			QCoreApplication::processEvents();

			QCOMPARE(capture.count(warning), 1);
			QVERIFY(mManager->getReaderInfos().isEmpty());
			QVERIFY(!mManager->getPluginInfo(ReaderManagerPluginType::MOCK).isEnabled());
			QVERIFY(mManager->isInitialScanFinished());
		}


		void initSignalsOnce()
		{
			QSignalSpy initialized(mManager, &ReaderManager::fireInitialized);
			QSignalSpy pluginAdded(mManager, &ReaderManager::firePluginAdded);
			QSignalSpy finished(mManager, &ReaderManager::fireInitialScanFinished);

			mManager->init();
			QTRY_COMPARE(finished.count(), 1);
			syncWithReaderThread();

			QCOMPARE(initialized.count(), 1);
			QCOMPARE(pluginAdded.count(), 1);
			QCOMPARE(finished.count(), 1);
			QCOMPARE(pluginAdded.first().first().value<ReaderManagerPluginInfo>().getPluginType(), ReaderManagerPluginType::MOCK);
			QVERIFY(mManager->isInitialScanFinished());

			const auto info = mManager->getPluginInfo(ReaderManagerPluginType::MOCK);
			QVERIFY(info.isEnabled());
			QVERIFY(info.isAvailable());
			QCOMPARE(info.getInitialScanState(), ReaderManagerPluginInfo::SUCCEEDED);

			LogCapture capture;
			mManager->init();
			syncWithReaderThread();
			QCOMPARE(capture.count(QStringLiteral("ReaderManager already initialized")), 1);
			QCOMPARE(initialized.count(), 1);
			QCOMPARE(pluginAdded.count(), 1);
			QCOMPARE(finished.count(), 1);
		}


		void mainThreadInitializers()
		{
			QList<int> order;
			QList<QThread*> threads;
			bool pluginExisted = false;
			ReaderManager::registerMainThreadInitializer([&order, &threads, &pluginExisted] {
					order << 1;
					threads << QThread::currentThread();
					pluginExisted = MockReaderManagerPlugin::runOnPlugin([](MockReaderManagerPlugin&) {});
				});
			ReaderManager::registerMainThreadInitializer([&order] {
					order << 2;
				});

			initAndWait();
			QCOMPARE(order, QList<int>({1, 2}));
			QCOMPARE(threads, QList<QThread*>({QThread::currentThread()}));
			QVERIFY(!pluginExisted);

			mManager->shutdown();
			initAndWait();
			QCOMPARE(order, QList<int>({1, 2}));
		}


		// Every listener of a re-emitted signal finds the cache current already.
		void cacheUpdatedBeforeSignals()
		{
			initAndWait();

			QStringList seen;
			QStringList mismatches;
			const auto check = [this, &seen, &mismatches](const char* pSignal, const ReaderInfo& pInfo) {
					if (pInfo.getName() != QLatin1String("reader"))
					{
						return;
					}
					seen << QLatin1String(pSignal);
					const ReaderInfo cached = mManager->getReaderInfo(pInfo.getName());
					// A removed reader has no entry any more.
					const bool removed = qstrcmp(pSignal, "removed") == 0;
					if (removed ? cached.isValid() || cached.hasCard() : cached.getCardType() != pInfo.getCardType()
							|| cached.isValid() != pInfo.isValid() || cached.isInsertable() != pInfo.isInsertable() || cached.isPukInoperative() != pInfo.isPukInoperative())
					{
						mismatches << QLatin1String(pSignal);
					}
				};
			connect(mManager, &ReaderManager::fireReaderAdded, this, [check](const ReaderInfo& pInfo) {
					check("added", pInfo);
				});
			connect(mManager, &ReaderManager::fireReaderRemoved, this, [check](const ReaderInfo& pInfo) {
					check("removed", pInfo);
				});
			connect(mManager, &ReaderManager::fireReaderPropertiesUpdated, this, [check](const ReaderInfo& pInfo) {
					check("properties", pInfo);
				});
			connect(mManager, &ReaderManager::fireCardInserted, this, [check](const ReaderInfo& pInfo) {
					check("inserted", pInfo);
				});
			connect(mManager, &ReaderManager::fireCardRemoved, this, [check](const ReaderInfo& pInfo) {
					check("cardRemoved", pInfo);
				});
			connect(mManager, &ReaderManager::fireCardInfoChanged, this, [check](const ReaderInfo& pInfo) {
					check("cardInfo", pInfo);
				});
			QStringList pluginMismatches;
			connect(mManager, &ReaderManager::fireStatusChanged, this, [this, &pluginMismatches](const ReaderManagerPluginInfo& pInfo) {
					const auto cached = mManager->getPluginInfo(pInfo.getPluginType());
					if (cached.isScanRunning() != pInfo.isScanRunning() || cached.getInitialScanState() != pInfo.getInitialScanState())
					{
						pluginMismatches << QStringLiteral("status");
					}
				});

			QVERIFY(MockReaderManagerPlugin::runOnPlugin([](MockReaderManagerPlugin& pPlugin) {
					auto* reader = pPlugin.addReader(QStringLiteral("reader"));
					reader->insertEidCard();
					reader->setPukInoperative();
					reader->shelveCard();
					pPlugin.insert(QStringLiteral("reader"), QVariant());
					reader->shelveCard();
					pPlugin.removeReader(QStringLiteral("reader"));
				}));
			mManager->startScan(ReaderManagerPluginType::MOCK);
			mManager->stopScan(ReaderManagerPluginType::MOCK);
			syncWithReaderThread();
			disconnect(mManager, nullptr, this, nullptr);

			QCOMPARE(seen, QStringList({"added", "inserted", "cardInfo", "properties", "inserted", "cardRemoved", "removed"}));
			QCOMPARE(mismatches, QStringList());
			QCOMPARE(pluginMismatches, QStringList());
			QVERIFY(!mManager->getPluginInfo(ReaderManagerPluginType::MOCK).isScanRunning());
			// Stopping the scan forgets the initial scan.
			QCOMPARE(mManager->getPluginInfo(ReaderManagerPluginType::MOCK).getInitialScanState(), ReaderManagerPluginInfo::UNKNOWN);
			QVERIFY(!mManager->isInitialScanFinished());
		}


		void readerInfos()
		{
			initAndWait();
			QVERIFY(MockReaderManagerPlugin::runOnPlugin([](MockReaderManagerPlugin& pPlugin) {
					pPlugin.addReader(QStringLiteral("b"));
					pPlugin.addReader(QStringLiteral("a"))->insertEidCard();
				}));
			QTRY_COMPARE(mManager->getReaderInfos().size(), 2);

			const auto all = mManager->getReaderInfos();
			QCOMPARE(all.at(0).getName(), QStringLiteral("a"));
			QCOMPARE(all.at(1).getName(), QStringLiteral("b"));
			QVERIFY(all.at(0).hasEid());
			QCOMPARE(mManager->getReaderInfos(ReaderFilter({ReaderManagerPluginType::MOCK})).size(), 2);
			QVERIFY(mManager->getReaderInfos(ReaderFilter({ReaderManagerPluginType::PCSC})).isEmpty());

			const auto unknown = mManager->getReaderInfo(QStringLiteral("unknown"));
			QCOMPARE(unknown.getName(), QStringLiteral("unknown"));
			QCOMPARE(unknown.getPluginType(), ReaderManagerPluginType::UNKNOWN);
		}


		// Any thread may read the caches while the main thread updates them.
		void gettersFromOtherThread()
		{
			initAndWait();

			std::atomic_bool stop = false;
			qsizetype seen = 0;
			std::thread reader([this, &stop, &seen] {
					while (!stop)
					{
						seen = std::max(seen, mManager->getReaderInfos().size());
						Q_UNUSED(mManager->getReaderInfo(QStringLiteral("reader-1")))
						Q_UNUSED(mManager->getPluginInfo(ReaderManagerPluginType::MOCK))
						Q_UNUSED(mManager->isInitialScanFinished())
					}
				});

			QVERIFY(MockReaderManagerPlugin::runOnPlugin([](MockReaderManagerPlugin& pPlugin) {
					for (int i = 0; i < 20; ++i)
					{
						pPlugin.addReader(QStringLiteral("reader-%1").arg(i))->insertEidCard();
					}
				}));
			QTRY_COMPARE(mManager->getReaderInfos().size(), 20);
			stop = true;
			reader.join();
			QVERIFY(seen <= 20);
		}


		// Workflows call the manager from their own threads while the main thread starts it and
		// takes in the worker's reports: the plug-in cache and the worker pointer are read under
		// the mutex that guards their writes (the thread sanitizer checks this).
		void requestsFromOtherThreadWhileStarting()
		{
			ConnectionReceiver receiver;
			std::atomic_bool stop = false;
			std::atomic_int requests = 0;
			std::thread caller([this, &stop, &requests, &receiver] {
					while (!stop)
					{
						mManager->startScanAll();
						mManager->updateReaderInfo(QStringLiteral("reader"));
						if (mManager->callCreateCardConnectionCommand(QStringLiteral("reader"), &receiver, &ConnectionReceiver::onCreateCardConnectionDone))
						{
							++requests;
						}
						mManager->stopScanAll();
					}
				});

			mManager->init();
			QTRY_VERIFY(requests >= 20);
			stop = true;
			caller.join();
			QTRY_COMPARE(receiver.mAnswers, requests.load());
		}


		void updateReaderInfo()
		{
			initAndWait();
			QVERIFY(MockReaderManagerPlugin::runOnPlugin([](MockReaderManagerPlugin& pPlugin) {
					pPlugin.addReader(QStringLiteral("reader"));
				}));

			// Blocking: the reader has polled when the call returns.
			mManager->updateReaderInfo(QStringLiteral("reader"));
			int updates = 0;
			QVERIFY(MockReaderManagerPlugin::runOnPlugin([&updates](MockReaderManagerPlugin& pPlugin) {
					updates = pPlugin.getMockReader(QStringLiteral("reader"))->getUpdateCount();
				}));
			QCOMPARE(updates, 1);

			LogCapture capture;
			mManager->updateReaderInfo(QStringLiteral("unknown"));
			QCOMPARE(capture.count(QStringLiteral("Requested reader does not exist:")), 2);
		}


		void blockingCallsRefusedOnReaderThread()
		{
			initAndWait();

			LogCapture capture;
			QVERIFY(MockReaderManagerPlugin::runOnPlugin([this](MockReaderManagerPlugin&) {
					mManager->updateReaderInfo(QStringLiteral("reader"));
					mManager->shutdown();
				}));

			const auto criticals = std::count_if(capture.entries().cbegin(), capture.entries().cend(), [](const LogCapture::Entry& pEntry) {
					return pEntry.mType == QtCriticalMsg && pEntry.mMessage.contains(QLatin1String("ReaderManager-Thread"));
				});
			QCOMPARE(criticals, 2);
			QVERIFY(!capture.contains(QStringLiteral("Shutdown ReaderManager...")));

			// Still running.
			syncWithReaderThread();
		}


		void shutdownWhileBusy()
		{
			initAndWait();
			QVERIFY(MockReaderManagerPlugin::runOnPlugin([](MockReaderManagerPlugin& pPlugin) {
					pPlugin.addReader(QStringLiteral("reader"));
				}));
			syncWithReaderThread();
			QCOMPARE(mManager->getReaderInfos().size(), 1);

			// The plug-in is still at work when the shutdown begins, and reports while the shutdown
			// waits for its thread.
			std::latch busy(1);
			QVERIFY(MockReaderManagerPlugin::runOnPlugin([&busy](MockReaderManagerPlugin& pPlugin) {
					busy.count_down();
					const QDeadlineTimer deadline(10000);
					while (!QThread::currentThread()->isInterruptionRequested() && !deadline.hasExpired())
					{
						QThread::yieldCurrentThread();
					}
					auto* reader = pPlugin.getMockReader(QStringLiteral("reader"));
					for (int i = 0; i < 5; ++i)
					{
						reader->insertEidCard();
						pPlugin.addReader(QStringLiteral("late-%1").arg(i));
					}
				}, true));
			busy.wait();

			QSignalSpy inserted(mManager, &ReaderManager::fireCardInserted);
			QSignalSpy added(mManager, &ReaderManager::fireReaderAdded);
			QSignalSpy finished(mManager, &ReaderManager::fireInitialScanFinished);
			LogCapture capture;
			mManager->shutdown();

			QVERIFY(capture.contains(QStringLiteral("Shutdown plugin:")));
			QVERIFY(capture.contains(QStringLiteral("ReaderManagerThread stopped: true")));
			QVERIFY(capture.contains(QStringLiteral("Worker removed")));
			QVERIFY(!MockReaderManagerPlugin::runOnPlugin([](MockReaderManagerPlugin&) {}));

			// What the plug-in reported before it stopped must not bring back the emptied caches.
			QCoreApplication::sendPostedEvents();
			QCoreApplication::processEvents();
			QVERIFY(mManager->getReaderInfos().isEmpty());
			QVERIFY(!mManager->getPluginInfo(ReaderManagerPluginType::MOCK).isEnabled());
			QCOMPARE(inserted.count(), 0);
			QCOMPARE(added.count(), 0);
			QCOMPARE(finished.count(), 0);

			mManager->startScan(ReaderManagerPluginType::MOCK);
			QVERIFY(capture.contains(QStringLiteral("Cannot start scan if ReaderManager-Thread is not active")));
		}


		void shutdownTwiceAndRestart()
		{
			initAndWait();

			LogCapture capture;
			mManager->shutdown();
			mManager->shutdown();
			QCOMPARE(capture.count(QStringLiteral("Shutdown ReaderManager...")), 1);

			// A new start brings a new worker and a new plug-in.
			QSignalSpy initialized(mManager, &ReaderManager::fireInitialized);
			initAndWait();
			QCOMPARE(initialized.count(), 1);
			syncWithReaderThread();

			mManager->shutdown();
			QCOMPARE(capture.count(QStringLiteral("Shutdown ReaderManager...")), 2);
			QCOMPARE(capture.count(QStringLiteral("ReaderManagerThread stopped: true")), 2);
		}


		void destructionShutsDown()
		{
			LogCapture capture;
			{
				TestReaderManager manager;
				QSignalSpy finished(&manager, &ReaderManager::fireInitialScanFinished);
				manager.init();
				QTRY_COMPARE(finished.count(), 1);
			}
			QCOMPARE(capture.count(QStringLiteral("ReaderManager is not stopped correctly...")), 1);
			QCOMPARE(capture.count(QStringLiteral("ReaderManagerThread stopped: true")), 1);
		}


		void initialScanFinished_data()
		{
			QTest::addColumn<QList<ReaderManagerPluginInfo>>("infos");
			QTest::addColumn<int>("expected");

			using State = ReaderManagerPluginInfo::InitialScanState;
			const auto mock = [](State pState) {
					return pluginInfo(ReaderManagerPluginType::MOCK, pState);
				};
			const auto pcsc = [](State pState) {
					return pluginInfo(ReaderManagerPluginType::PCSC, pState);
				};

			QTest::newRow("one back end succeeds") << QList<ReaderManagerPluginInfo>({mock(State::UNKNOWN), mock(State::SUCCEEDED)}) << 1;
			QTest::newRow("same state again") << QList<ReaderManagerPluginInfo>({mock(State::SUCCEEDED), mock(State::SUCCEEDED)}) << 1;
			QTest::newRow("failed counts as finished") << QList<ReaderManagerPluginInfo>({mock(State::FAILED)}) << 1;
			QTest::newRow("another still scanning") << QList<ReaderManagerPluginInfo>({pcsc(State::UNKNOWN), mock(State::SUCCEEDED)}) << 0;
			QTest::newRow("the last one finishes") << QList<ReaderManagerPluginInfo>({pcsc(State::UNKNOWN), mock(State::SUCCEEDED), pcsc(State::FAILED)}) << 1;
			QTest::newRow("unknown only") << QList<ReaderManagerPluginInfo>({mock(State::UNKNOWN)}) << 0;
			QTest::newRow("restarted scan finishes again") << QList<ReaderManagerPluginInfo>({mock(State::SUCCEEDED), mock(State::UNKNOWN), mock(State::SUCCEEDED)}) << 2;
		}


		void initialScanFinished()
		{
			QFETCH(QList<ReaderManagerPluginInfo>, infos);
			QFETCH(int, expected);

			TestReaderManager manager;
			QSignalSpy finished(&manager, &ReaderManager::fireInitialScanFinished);
			for (const auto& info : std::as_const(infos))
			{
				manager.doUpdatePluginCache(info);
			}
			QCOMPARE(finished.count(), expected);
		}


		void cacheSlots()
		{
			TestReaderManager manager;
			const ReaderInfo info(QStringLiteral("reader"), ReaderManagerPluginType::PCSC);
			manager.doUpdateCacheEntry(info);
			QCOMPARE(manager.getReaderInfo(QStringLiteral("reader")).getPluginType(), ReaderManagerPluginType::PCSC);

			manager.doRemoveCacheEntry(info);
			const auto removed = manager.getReaderInfo(QStringLiteral("reader"));
			QCOMPARE(removed.getName(), QStringLiteral("reader"));
			QVERIFY(!removed.isValid());

			QCOMPARE(manager.getPluginInfo(ReaderManagerPluginType::NFC).getPluginType(), ReaderManagerPluginType::NFC);
			QVERIFY(!manager.getPluginInfo(ReaderManagerPluginType::NFC).isEnabled());
		}


};

KENDRAWELL_TEST_MAIN(test_ReaderManager)
#include "test_ReaderManager.moc"
