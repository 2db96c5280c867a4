#include "SignalHandler.h"

#include "BuildHelper.h"
#include "Env.h"
#include "LogCapture.h"
#include "NotifySocketReceiver.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QEventLoop>
#include <QTimer>
#include <QtTest>

#include <cerrno>
#include <csignal>
#include <memory>
#include <thread>
#include <unistd.h>

using namespace tessarovin;

class test_SignalHandler
	: public QObject
{
	Q_OBJECT

	private:
		std::unique_ptr<NotifySocketReceiver> mReceiver;

		static SignalHandler* handler()
		{
			return Env::getSingleton<SignalHandler>();
		}

	private Q_SLOTS:
		// First: the singleton is initialised once, here as a service's.
		void serviceNotifiedOnce()
		{
			// A socket path below the test's own folder can exceed what a socket address holds.
			mReceiver = std::make_unique<NotifySocketReceiver>(QByteArrayLiteral("/tmp/kendrawell-notify-") + QByteArray::number(::getpid()));
			QVERIFY(mReceiver->isValid());
			qputenv("NOTIFY_SOCKET", mReceiver->getAddress());
			BuildHelper::setUserInteractive(false);

			LogCapture log;
			handler()->init();
			handler()->init();
			QCOMPARE(log.count(QStringLiteral("Register service notification:")), 1);
			QVERIFY(log.contains(QStringLiteral("Set service status: SERVICE_START_PENDING")));
			// Ready only once the event loop runs.
			QVERIFY(mReceiver->getMessages().isEmpty());

			QTRY_COMPARE(mReceiver->getMessages(), QList<QByteArray>({QByteArrayLiteral("READY=1")}));
			QCoreApplication::processEvents();
			QCOMPARE(mReceiver->getMessages().size(), 1);
			QVERIFY(log.contains(QStringLiteral("Set service status: SERVICE_RUNNING")));

			int calls = 0;
			handler()->setQuitCallback([&calls] {
					++calls;
				});
			handler()->quit();
			QCOMPARE(calls, 1);
			QCOMPARE(mReceiver->getMessages(), QList<QByteArray>({QByteArrayLiteral("READY=1"), QByteArrayLiteral("STOPPING=1")}));
			QVERIFY(log.contains(QStringLiteral("Set service status: SERVICE_STOP_PENDING")));

			handler()->setQuitCallback({});
			BuildHelper::setUserInteractive(std::nullopt);
			qunsetenv("NOTIFY_SOCKET");
		}


		void stateNames_data()
		{
			QTest::addColumn<quint32>("state");
			QTest::addColumn<QString>("name");

			QTest::newRow("stopped") << quint32(SignalHandler::SERVICE_STOPPED) << QStringLiteral("SERVICE_STOPPED");
			QTest::newRow("start pending") << quint32(SignalHandler::SERVICE_START_PENDING) << QStringLiteral("SERVICE_START_PENDING");
			QTest::newRow("stop pending") << quint32(SignalHandler::SERVICE_STOP_PENDING) << QStringLiteral("SERVICE_STOP_PENDING");
			QTest::newRow("running") << quint32(SignalHandler::SERVICE_RUNNING) << QStringLiteral("SERVICE_RUNNING");
			QTest::newRow("continue pending") << quint32(SignalHandler::SERVICE_CONTINUE_PENDING) << QStringLiteral("SERVICE_CONTINUE_PENDING");
			QTest::newRow("pause pending") << quint32(SignalHandler::SERVICE_PAUSE_PENDING) << QStringLiteral("SERVICE_PAUSE_PENDING");
			QTest::newRow("paused") << quint32(SignalHandler::SERVICE_PAUSED) << QStringLiteral("SERVICE_PAUSED");
			QTest::newRow("zero") << quint32(0) << QStringLiteral("UNKNOWN");
			QTest::newRow("eight") << quint32(8) << QStringLiteral("UNKNOWN");
		}


		void stateNames()
		{
			QFETCH(quint32, state);
			QFETCH(QString, name);
			QCOMPARE(SignalHandler::toString(state), name);
		}


		void notifyAddresses_data()
		{
			QTest::addColumn<QByteArray>("bound");
			QTest::addColumn<QByteArray>("address");
			QTest::addColumn<bool>("sent");

			const auto path = QDir::temp().absoluteFilePath(QStringLiteral("address")).toUtf8();
			const auto abstract = QByteArrayLiteral("@kendrawell-test-") + QByteArray::number(::getpid());
			QTest::newRow("path") << path << path << true;
			QTest::newRow("abstract") << abstract << abstract << true;
			QTest::newRow("abstract name is not a path") << abstract << abstract.mid(1) << false;
			QTest::newRow("nobody listens") << path << path + "-other" << false;
			QTest::newRow("empty") << path << QByteArray() << false;
			QTest::newRow("only the at sign") << path << QByteArrayLiteral("@") << false;
			QTest::newRow("too long") << path << QByteArray("/") + QByteArray(200, 'a') << false;
		}


		void notifyAddresses()
		{
			QFETCH(QByteArray, bound);
			QFETCH(QByteArray, address);
			QFETCH(bool, sent);

			NotifySocketReceiver receiver(bound);
			QVERIFY(receiver.isValid());
			QCOMPARE(SignalHandler::notifyServiceManager(address, QByteArrayLiteral("READY=1")), sent);
			QCOMPARE(receiver.getMessages(), sent ? QList<QByteArray>({QByteArrayLiteral("READY=1")}) : QList<QByteArray>());
		}


		void signalsReachQuitCallback_data()
		{
			QTest::addColumn<QList<int>>("stops");

			QTest::newRow("SIGINT") << QList<int>({SIGINT});
			QTest::newRow("SIGTERM") << QList<int>({SIGTERM});
			QTest::newRow("two in quick succession") << QList<int>({SIGTERM, SIGINT});
		}


		// The callback runs on the main thread, one call per signal; the controller ignores a second.
		void signalsReachQuitCallback()
		{
			QFETCH(QList<int>, stops);

			LogCapture log;
			QList<Qt::HANDLE> threads;
			handler()->setQuitCallback([&threads] {
					threads << QThread::currentThreadId();
				});

			for (const int signal : std::as_const(stops))
			{
				QCOMPARE(::raise(signal), 0);
			}
			// Nothing happens inside the signal handler itself.
			QVERIFY(threads.isEmpty());

			QTRY_COMPARE(threads.size(), stops.size());
			for (const auto thread : std::as_const(threads))
			{
				QCOMPARE(thread, QThread::currentThreadId());
			}
			for (const int signal : std::as_const(stops))
			{
				QVERIFY(log.contains(QStringLiteral("Got signal: %1").arg(signal)));
			}
			handler()->setQuitCallback({});
		}


		// A signal taken by another thread still reaches the callback on the main thread only.
		void signalOnOtherThread()
		{
			Qt::HANDLE callbackThread = nullptr;
			handler()->setQuitCallback([&callbackThread] {
					callbackThread = QThread::currentThreadId();
				});

			std::thread other([] {
					::raise(SIGTERM);
				});
			other.join();

			QTRY_VERIFY(callbackThread != nullptr);
			QCOMPARE(callbackThread, QThread::currentThreadId());
			handler()->setQuitCallback({});
		}


		// A signal that comes before the callback waits in the pipe for the event loop: by then the
		// callback is in place, and the request is not lost.
		void signalBeforeCallback()
		{
			handler()->setQuitCallback({});
			QCOMPARE(::raise(SIGTERM), 0);

			int calls = 0;
			handler()->setQuitCallback([&calls] {
					++calls;
				});
			QTRY_COMPARE(calls, 1);
			handler()->setQuitCallback({});
		}


		// Without a callback a signal ends the event loop with 0.
		void quitWithoutCallback()
		{
			QEventLoop loop;
			QTimer::singleShot(0, [] {
					::raise(SIGINT);
				});
			QTimer::singleShot(60000, &loop, [&loop] {
					loop.exit(1);
				});
			QCOMPARE(loop.exec(), 0);
		}


		// Last: once the handler is gone a stop request during teardown changes nothing.
		void signalAfterDestruction()
		{
			LogCapture log;
			QPointer<SignalHandler> handler = test_SignalHandler::handler();
			delete static_cast<QObject*>(handler.data());
			QVERIFY(log.contains(QStringLiteral("Set service status: SERVICE_STOPPED")));

			QCOMPARE(::raise(SIGTERM), 0);
			QCOMPARE(::raise(SIGINT), 0);
			QCoreApplication::processEvents();
			QVERIFY(!log.contains(QStringLiteral("Got signal:")));
		}


		void cleanupTestCase()
		{
			mReceiver.reset();
		}


};

KENDRAWELL_TEST_MAIN(test_SignalHandler)
#include "test_SignalHandler.moc"
