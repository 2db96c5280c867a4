#include "VolatileSettings.h"

#include "TestEnvironment.h"

#include <QSignalSpy>
#include <QThread>

#include <atomic>

using namespace tessarovin;

class test_VolatileSettings
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void initialValues()
		{
			const auto* settings = Env::getSingleton<VolatileSettings>();
			QVERIFY(settings);
			QVERIFY(settings->isUsedAsSdk());
			QVERIFY(!settings->isDeveloperMode());
			QVERIFY(!settings->isOnboardingShown());
			QCOMPARE(settings->getDelay(), 0);

			const auto messages = settings->getMessages();
			QVERIFY(messages.getSessionStarted().isEmpty());
			QVERIFY(messages.getSessionFailed().isEmpty());
			QVERIFY(!messages.getSessionFailed().isNull());
			QVERIFY(messages.getSessionSucceeded().isEmpty());
			QVERIFY(messages.getSessionInProgress().isEmpty());
		}


		void sameInstanceFromAnyThread()
		{
			auto* settings = Env::getSingleton<VolatileSettings>();
			VolatileSettings* fromThread = nullptr;
			QScopedPointer<QThread> thread(QThread::create([&fromThread] {
					fromThread = Env::getSingleton<VolatileSettings>();
					fromThread->setDelay(1000);
				}));
			thread->start();
			QVERIFY(thread->wait());
			QCOMPARE(fromThread, settings);
			QCOMPARE(settings->getDelay(), 1000);
			settings->setDelay(0);
		}


		void usedAsSdkSignal()
		{
			auto* settings = Env::getSingleton<VolatileSettings>();
			QSignalSpy spy(settings, &VolatileSettings::fireUsedAsSdkChanged);

			settings->setUsedAsSdk(true);
			QCOMPARE(spy.count(), 0);

			settings->setUsedAsSdk(false);
			QCOMPARE(spy.count(), 1);
			QVERIFY(!settings->isUsedAsSdk());

			settings->setUsedAsSdk(false);
			QCOMPARE(spy.count(), 1);

			settings->setUsedAsSdk(true);
			QCOMPARE(spy.count(), 2);
			QVERIFY(settings->isUsedAsSdk());
		}


		void signalAfterLockIsReleased()
		{
			auto* settings = Env::getSingleton<VolatileSettings>();
			QList<bool> seen;

			// Reading and writing in a directly connected slot would deadlock while the write lock is held.
			const auto connection = connect(settings, &VolatileSettings::fireUsedAsSdkChanged, this, [settings, &seen] {
					seen << settings->isUsedAsSdk();
					settings->setDeveloperMode(!settings->isUsedAsSdk());
					settings->setMessages(VolatileSettings::Messages(QStringLiteral("started")));
					settings->setUsedAsSdk(settings->isUsedAsSdk());
				}, Qt::DirectConnection);

			settings->setUsedAsSdk(false);
			settings->setUsedAsSdk(true);
			disconnect(connection);

			QCOMPARE(seen, QList<bool>({false, true}));
			QVERIFY(!settings->isDeveloperMode());
			QCOMPARE(settings->getMessages().getSessionStarted(), QStringLiteral("started"));
			settings->setMessages(VolatileSettings::Messages());
		}


		// Each setter changes its own value only and never signals the SDK flag.
		void settersAreIndependent_data()
		{
			QTest::addColumn<int>("setter");
			QTest::addColumn<QString>("state");

			QTest::newRow("developer mode") << 0 << QStringLiteral("sdk=1 dev=1 delay=0 onboarding=0 messages=|||");
			QTest::newRow("delay") << 1 << QStringLiteral("sdk=1 dev=0 delay=1000 onboarding=0 messages=|||");
			QTest::newRow("onboarding") << 2 << QStringLiteral("sdk=1 dev=0 delay=0 onboarding=1 messages=|||");
			QTest::newRow("handle interrupt") << 3 << QStringLiteral("sdk=1 dev=0 delay=0 onboarding=0 messages=|||");
			QTest::newRow("messages") << 4 << QStringLiteral("sdk=1 dev=0 delay=0 onboarding=0 messages=a|b|c|d");
		}


		void settersAreIndependent()
		{
			QFETCH(int, setter);
			QFETCH(QString, state);

			auto* settings = Env::getSingleton<VolatileSettings>();
			const auto describe = [settings] {
					const auto messages = settings->getMessages();
					return QStringLiteral("sdk=%1 dev=%2 delay=%3 onboarding=%4 messages=%5|%6|%7|%8").arg(
							QString::number(settings->isUsedAsSdk()), QString::number(settings->isDeveloperMode()),
							QString::number(settings->getDelay()), QString::number(settings->isOnboardingShown()),
							messages.getSessionStarted(), messages.getSessionFailed(), messages.getSessionSucceeded(), messages.getSessionInProgress());
				};
			const QString initial = describe();
			QCOMPARE(initial, QStringLiteral("sdk=1 dev=0 delay=0 onboarding=0 messages=|||"));

			QSignalSpy spy(settings, &VolatileSettings::fireUsedAsSdkChanged);
			switch (setter)
			{
				case 0:
					settings->setDeveloperMode(true);
					break;

				case 1:
					settings->setDelay(1000);
					break;

				case 2:
					settings->setOnboardingShown(true);
					break;

				case 3:
					settings->setHandleInterrupt(true);
					break;

				default:
					settings->setMessages(VolatileSettings::Messages(QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d")));
					break;
			}
			QCOMPARE(describe(), state);
			QCOMPARE(spy.count(), 0);

			settings->setDeveloperMode(false);
			settings->setDelay(0);
			settings->setOnboardingShown(false);
			settings->setHandleInterrupt(false);
			settings->setMessages(VolatileSettings::Messages());
			QCOMPARE(describe(), initial);
		}


		void concurrentAccess()
		{
			// The reader thread reads the messages while the main thread writes them: a copy is never torn.
			auto* settings = Env::getSingleton<VolatileSettings>();
			const VolatileSettings::Messages first(QStringLiteral("a"), QStringLiteral("a"), QStringLiteral("a"), QStringLiteral("a"));
			const VolatileSettings::Messages second(QStringLiteral("bb"), QStringLiteral("bb"), QStringLiteral("bb"), QStringLiteral("bb"));
			settings->setMessages(first);

			std::atomic<bool> stop(false);
			std::atomic<int> torn(0);
			QScopedPointer<QThread> reader(QThread::create([settings, &stop, &torn] {
					while (!stop)
					{
						const auto messages = settings->getMessages();
						const QString started = messages.getSessionStarted();
						if (messages.getSessionFailed() != started || messages.getSessionSucceeded() != started || messages.getSessionInProgress() != started)
						{
							++torn;
						}
						Q_UNUSED(settings->getDelay())
					}
				}));
			reader->start();

			for (int i = 0; i < 20000; ++i)
			{
				settings->setMessages(i % 2 ? first : second);
				settings->setDelay(i);
			}
			stop = true;
			QVERIFY(reader->wait());

			QCOMPARE(torn.load(), 0);
			settings->setMessages(VolatileSettings::Messages());
			settings->setDelay(0);
		}


		void messages_data()
		{
			QTest::addColumn<QString>("sessionFailed");
			QTest::addColumn<bool>("isNull");

			QTest::newRow("null") << QString() << false;
			QTest::newRow("empty") << QStringLiteral("") << false;
			QTest::newRow("text") << QStringLiteral("failed") << false;
		}


		void messages()
		{
			QFETCH(QString, sessionFailed);
			QFETCH(bool, isNull);

			const VolatileSettings::Messages messages(QString(), sessionFailed, QString(), QString());
			QCOMPARE(messages.getSessionFailed().isNull(), isNull);
			QCOMPARE(messages.getSessionFailed(), sessionFailed.isNull() ? QStringLiteral("") : sessionFailed);

			// Only the failure text is made non-null.
			QVERIFY(messages.getSessionStarted().isNull());
			QVERIFY(messages.getSessionSucceeded().isNull());
			QVERIFY(messages.getSessionInProgress().isNull());
		}


};

KENDRAWELL_TEST_MAIN(test_VolatileSettings)
#include "test_VolatileSettings.moc"
