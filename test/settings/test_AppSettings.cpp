#include "AppSettings.h"

#include "LogCapture.h"
#include "TemporarySettings.h"
#include "TestEnvironment.h"

#include <QThread>

using namespace tessarovin;

class test_AppSettings
	: public QObject
{
	Q_OBJECT

	private:
		TemporarySettings mTemporarySettings;

	private Q_SLOTS:
		void initTestCase()
		{
			QCoreApplication::setApplicationName(QStringLiteral("Kendrawell"));
			QCoreApplication::setApplicationVersion(QStringLiteral("2.6.3"));
		}


		void wrappersShareTheStore()
		{
			auto* appSettings = Env::getSingleton<AppSettings>();
			QVERIFY(appSettings);
			QCOMPARE(appSettings->getGeneralSettings().getPersistentSettingsVersion(), QStringLiteral("2.6.3"));

			appSettings->getSimulatorSettings().setEnabled(true);
			appSettings->getPreVerificationSettings().addLinkCertificate(QByteArray::fromHex("01"));
			appSettings->getGeneralSettings().setDarkMode(QStringLiteral("DARK"));
			appSettings->getRemoteServiceSettings().setPinPadMode(false);

			const auto store = AbstractSettings::getStore();
			QVERIFY(store->value(QStringLiteral("simulator/enabled")).toBool());
			QCOMPARE(store->value(QStringLiteral("preverification/linkcertificates/size")).toInt(), 1);
			QCOMPARE(store->value(QStringLiteral("darkMode")).toString(), QStringLiteral("DARK"));
			QCOMPARE(store->value(QStringLiteral("remotereader/pinPadMode")), QVariant(false));
			QCOMPARE(store->organizationName(), QStringLiteral("Tessarovin"));
			QCOMPARE(store->applicationName(), QStringLiteral("Kendrawell2"));
		}


		void fromReaderThread()
		{
			auto* appSettings = Env::getSingleton<AppSettings>();
			const LogCapture log;

			AppSettings* fromThread = nullptr;
			bool simulatorEnabled = false;
			QScopedPointer<QThread> thread(QThread::create([&fromThread, &simulatorEnabled] {
					fromThread = Env::getSingleton<AppSettings>();
					simulatorEnabled = fromThread->getSimulatorSettings().isEnabled();
				}));
			thread->start();
			QVERIFY(thread->wait());

			QCOMPARE(fromThread, appSettings);
			QVERIFY(simulatorEnabled);
			QVERIFY(!log.contains(QStringLiteral("was created in")));
		}


};

KENDRAWELL_TEST_MAIN(test_AppSettings)
#include "test_AppSettings.moc"
