#include "Env.h"
#include "LogCapture.h"
#include "TestEnvironment.h"

#include <QRegularExpression>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <latch>
#include <memory>
#include <thread>
#include <vector>

namespace tessarovin
{

class MainThreadSingleton
	: public QObject
{
	Q_OBJECT
};

class OnceSingleton
	: public QObject
{
	Q_OBJECT
};

class AnyThreadSingleton
	: public QObject
	, public Env::ThreadSafe
{
	Q_OBJECT
};

// Asked for first by threads other than the main thread, several at once.
class OffMainSingleton1
	: public QObject
	, public Env::ThreadSafe
{
	Q_OBJECT
};

class OffMainSingleton2
	: public QObject
	, public Env::ThreadSafe
{
	Q_OBJECT
};

class OffMainSingleton3
	: public QObject
	, public Env::ThreadSafe
{
	Q_OBJECT
};

class OffMainSingleton4
	: public QObject
	, public Env::ThreadSafe
{
	Q_OBJECT
};

class SharedThing
	: public QObject
{
	Q_OBJECT
};

class Greeter
{
	public:
		const QString mName;

		explicit Greeter(const QString& pName)
			: mName(pName)
		{
		}


		virtual ~Greeter() = default;
};

class Speaker
{
	public:
		virtual ~Speaker() = default;
		[[nodiscard]] virtual int volume() const = 0;
};

class FakeGreeter
	: public Greeter
{
	public:
		FakeGreeter()
			: Greeter(QStringLiteral("fake"))
		{
		}


};

} // namespace tessarovin

using namespace tessarovin;

namespace
{

int gArgc = 1;
char gArg0[] = "test_Env";
char* gArgv[] = {gArg0, nullptr};

// Ends an application the way the event loop does, so that aboutToQuit fires and deferred deletes run.
void quitApplication()
{
	QTimer::singleShot(0, qApp, &QCoreApplication::quit);
	QCoreApplication::exec();
}


template<typename Function>
QThread* runInThread(const QString& pName, Function pFunction)
{
	QThread* thread = QThread::create(pFunction);
	thread->setObjectName(pName);
	thread->start();
	return thread;
}


} // namespace


class test_Env
	: public QObject
{
	Q_OBJECT

	std::unique_ptr<QCoreApplication> mApp;

	private Q_SLOTS:
		void init()
		{
			mApp = std::make_unique<QCoreApplication>(gArgc, gArgv);
			QThread::currentThread()->setObjectName(QStringLiteral("MainThread"));
		}


		void cleanup()
		{
			quitApplication();
			mApp.reset();
		}


		void singletonIsCreatedOnce()
		{
			const LogCapture capture;
			auto* first = Env::getSingleton<OnceSingleton>();
			auto* second = Env::getSingleton<OnceSingleton>();
			QVERIFY(first);
			QCOMPARE(first, second);
			QCOMPARE(capture.count(QStringLiteral("Create singleton: tessarovin::OnceSingleton")), 1);
		}


		void threadMismatchIsReported()
		{
			Env::getSingleton<MainThreadSingleton>();
			Env::getSingleton<AnyThreadSingleton>();

			const LogCapture capture;
			// Atomic: QThread's join is invisible to the thread sanitizer.
			std::atomic<MainThreadSingleton*> fromWorker = nullptr;
			std::atomic<AnyThreadSingleton*> safeFromWorker = nullptr;
			QThread* thread = runInThread(QStringLiteral("WorkerThread"), [&] {
					fromWorker = Env::getSingleton<MainThreadSingleton>();
					safeFromWorker = Env::getSingleton<AnyThreadSingleton>();
				});
			QVERIFY(thread->wait(5000));
			delete thread;

			QCOMPARE(fromWorker.load(), Env::getSingleton<MainThreadSingleton>());
			QCOMPARE(safeFromWorker.load(), Env::getSingleton<AnyThreadSingleton>());

			const auto entries = capture.entries();
			QCOMPARE(entries.size(), 1);
			QCOMPARE(entries.first().mType, QtWarningMsg);
			QCOMPARE(entries.first().mMessage, QStringLiteral("tessarovin::MainThreadSingleton was created in \"MainThread\" but is requested by \"WorkerThread\""));
		}


		void quitDestroysAndNextApplicationRecreates()
		{
			auto* old = Env::getSingleton<MainThreadSingleton>();
			QVERIFY(old);

			auto capture = std::make_unique<LogCapture>();
			quitApplication();
			QCOMPARE(capture->count(QStringLiteral("Destroy singleton: tessarovin::MainThreadSingleton")), 1);
			QCOMPARE(Env::getSingleton<MainThreadSingleton>(), nullptr);
			mApp.reset();

			// The new application object re-creates what existed before anybody asks for it.
			capture.reset();
			capture = std::make_unique<LogCapture>();
			mApp = std::make_unique<QCoreApplication>(gArgc, gArgv);
			QCOMPARE(capture->count(QStringLiteral("Create singleton: tessarovin::MainThreadSingleton")), 1);
			QCOMPARE(capture->count(QStringLiteral("Create singleton: tessarovin::SharedThing")), 0);

			capture->clear();
			auto* fresh = Env::getSingleton<MainThreadSingleton>();
			QVERIFY(fresh);
			QCOMPARE(capture->count(QStringLiteral("Create singleton:")), 0);
		}


		void sharedInstance()
		{
			QVERIFY(Env::getShared<SharedThing>(false).isNull());

			const LogCapture capture;
			auto first = Env::getShared<SharedThing>(true);
			auto second = Env::getShared<SharedThing>(true);
			auto lookOnly = Env::getShared<SharedThing>(false);
			QVERIFY(first);
			QCOMPARE(first, second);
			QCOMPARE(first, lookOnly);
			QCOMPARE(capture.count(QStringLiteral("Spawn shared instance: tessarovin::SharedThing")), 1);

			QPointer<SharedThing> watcher = first.data();
			first.reset();
			second.reset();
			lookOnly.reset();
			QVERIFY(watcher.isNull());
			QVERIFY(Env::getShared<SharedThing>(false).isNull());

			auto third = Env::getShared<SharedThing>();
			QVERIFY(third);
			QCOMPARE(capture.count(QStringLiteral("Spawn shared instance: tessarovin::SharedThing")), 2);
		}


		void concurrentSpawnEndsWithOneObject()
		{
			constexpr int threadCount = 8;
			std::latch start(1);
			QList<QSharedPointer<SharedThing>> results(threadCount);
			std::vector<std::thread> threads;
			for (int i = 0; i < threadCount; ++i)
			{
				threads.emplace_back([&start, &results, i] {
						start.wait();
						results[i] = Env::getShared<SharedThing>();
					});
			}
			start.count_down();
			for (auto& thread : threads)
			{
				thread.join();
			}

			for (const auto& result : std::as_const(results))
			{
				QVERIFY(result);
				QCOMPARE(result, results.first());
			}
			// Shared instances must not outlive the application's threads in this test.
			results.clear();
		}


		void factory()
		{
			std::unique_ptr<Greeter> plain(Env::create<Greeter*>(QStringLiteral("plain")));
			QCOMPARE(plain->mName, QStringLiteral("plain"));

			Env::setCreator<Greeter*(QString)>([](const QString&) -> Greeter* {
					return new FakeGreeter();
				});
			std::unique_ptr<Greeter> replaced(Env::create<Greeter*>(QStringLiteral("plain")));
			QVERIFY(dynamic_cast<FakeGreeter*>(replaced.get()));

			Env::setCreator<Greeter*(QString)>(nullptr);
			std::unique_ptr<Greeter> restored(Env::create<Greeter*>(QStringLiteral("again")));
			QVERIFY(!dynamic_cast<FakeGreeter*>(restored.get()));
			QCOMPARE(restored->mName, QStringLiteral("again"));
		}


		// An interface can only come from the creator its implementation registers.
		void factoryOfInterface()
		{
			class LoudSpeaker
				: public Speaker
			{
				public:
					int mVolume;

					explicit LoudSpeaker(int pVolume)
						: mVolume(pVolume)
					{
					}


					[[nodiscard]] int volume() const override
					{
						return mVolume;
					}


			};

			QTest::ignoreMessage(QtCriticalMsg, QRegularExpression(QStringLiteral("^No creator registered for ")));
			QCOMPARE(Env::create<Speaker*>(3), nullptr);

			Env::setCreator<Speaker*(int)>([](int pVolume) -> Speaker* {
					return new LoudSpeaker(pVolume);
				});
			std::unique_ptr<Speaker> speaker(Env::create<Speaker*>(11));
			QVERIFY(speaker);
			QCOMPARE(speaker->volume(), 11);
			Env::setCreator<Speaker*(int)>(nullptr);
		}


		// The reader thread may be the first to ask for a singleton, while the main thread asks for
		// others: each is created once, lives on the main thread and goes with the application.
		void firstCreationOffMainThread()
		{
			// Standard threads and latch: the thread sanitizer sees their order, not QThread's.
			std::latch start(1);
			QList<QObject*> created(4);
			std::vector<std::thread> threads;
			threads.emplace_back([&start, &created] {
					start.wait();
					created[0] = Env::getSingleton<OffMainSingleton1>();
				});
			threads.emplace_back([&start, &created] {
					start.wait();
					created[1] = Env::getSingleton<OffMainSingleton2>();
				});
			threads.emplace_back([&start, &created] {
					start.wait();
					created[2] = Env::getSingleton<OffMainSingleton3>();
				});
			const LogCapture capture;
			start.count_down();
			created[3] = Env::getSingleton<OffMainSingleton4>();
			for (auto& thread : threads)
			{
				thread.join();
			}

			QCOMPARE(created, QList<QObject*>({Env::getSingleton<OffMainSingleton1>(), Env::getSingleton<OffMainSingleton2>(),
					Env::getSingleton<OffMainSingleton3>(), Env::getSingleton<OffMainSingleton4>()}));
			for (const auto* object : std::as_const(created))
			{
				QVERIFY(object);
				QCOMPARE(object->thread(), QCoreApplication::instance()->thread());
			}

			// Every creator was kept: all four go with this application and come back with the next.
			quitApplication();
			QCOMPARE(capture.count(QStringLiteral("Destroy singleton: tessarovin::OffMainSingleton")), 4);
			mApp.reset();
			mApp = std::make_unique<QCoreApplication>(gArgc, gArgv);
			QCOMPARE(capture.count(QStringLiteral("Create singleton: tessarovin::OffMainSingleton")), 8);
			QVERIFY(Env::getSingleton<OffMainSingleton1>());
			QVERIFY(Env::getSingleton<OffMainSingleton3>());
		}


};

int main(int argc, char** argv)
{
	prepareTestEnvironment(KENDRAWELL_TEST_HOME);
	test_Env testObject;
	return QTest::qExec(&testObject, argc, argv);
}


#include "test_Env.moc"
