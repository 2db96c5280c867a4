#include "SimulatorSettings.h"

#include "TemporarySettings.h"
#include "TestEnvironment.h"

#include <QSignalSpy>
#include <QThread>

#include <atomic>

using namespace tessarovin;

class test_SimulatorSettings
	: public QObject
{
	Q_OBJECT

	private:
		QScopedPointer<TemporarySettings> mTemporarySettings;

	private Q_SLOTS:
		void init()
		{
			mTemporarySettings.reset(new TemporarySettings());
		}


		void cleanup()
		{
			mTemporarySettings.reset();
		}


		void defaults()
		{
			const SimulatorSettings settings;
			QVERIFY(!settings.isEnabled());
			QVERIFY(!settings.isBasicReader());
		}


		void stored()
		{
			auto store = AbstractSettings::getStore();
			store->setValue(QStringLiteral("simulator/enabled"), true);
			store->setValue(QStringLiteral("simulator/basicReader"), true);

			const SimulatorSettings settings;
			QVERIFY(settings.isEnabled());
			QVERIFY(settings.isBasicReader());
		}


		void migrateRootKey_data()
		{
			QTest::addColumn<QVariant>("rootValue");
			QTest::addColumn<QVariant>("groupValue");
			QTest::addColumn<bool>("enabled");

			QTest::newRow("root true") << QVariant(true) << QVariant() << true;
			QTest::newRow("root false") << QVariant(false) << QVariant() << false;
			QTest::newRow("root true over group false") << QVariant(true) << QVariant(false) << true;
			QTest::newRow("no root, group true") << QVariant() << QVariant(true) << true;
			QTest::newRow("nothing") << QVariant() << QVariant() << false;
		}


		void migrateRootKey()
		{
			QFETCH(QVariant, rootValue);
			QFETCH(QVariant, groupValue);
			QFETCH(bool, enabled);

			auto store = AbstractSettings::getStore();
			if (groupValue.isValid())
			{
				store->setValue(QStringLiteral("simulator/enabled"), groupValue);
			}
			if (rootValue.isValid())
			{
				store->setValue(QStringLiteral("simulator"), rootValue);
			}
			store->sync();

			const SimulatorSettings settings;
			QCOMPARE(settings.isEnabled(), enabled);
			QVERIFY(!store->contains(QStringLiteral("simulator")));
			QCOMPARE(store->contains(QStringLiteral("simulator/enabled")), rootValue.isValid() || groupValue.isValid());
			QCOMPARE(store->allKeys().size(), (rootValue.isValid() || groupValue.isValid()) ? 1 : 0);
		}


		void setEnabled()
		{
			SimulatorSettings settings;
			QSignalSpy spy(&settings, &SimulatorSettings::fireEnabledChanged);
			QSignalSpy baseSpy(&settings, &AbstractSettings::fireSettingsChanged);

			settings.setEnabled(false);
			QCOMPARE(spy.count(), 0);
			QVERIFY(!AbstractSettings::getStore()->contains(QStringLiteral("simulator/enabled")));

			settings.setEnabled(true);
			QCOMPARE(spy.count(), 1);
			QVERIFY(settings.isEnabled());
			QVERIFY(mTemporarySettings->userFileContents().contains("[simulator]\nenabled=true"));

			settings.setEnabled(true);
			QCOMPARE(spy.count(), 1);

			settings.setEnabled(false);
			QCOMPARE(spy.count(), 2);
			QCOMPARE(baseSpy.count(), 0);

			// The store stays inside its group: a root key of the same name is not touched.
			QVERIFY(!AbstractSettings::getStore()->contains(QStringLiteral("enabled")));
		}


		void slotReadsNewValue()
		{
			SimulatorSettings settings;
			QList<bool> seen;
			connect(&settings, &SimulatorSettings::fireEnabledChanged, this, [&settings, &seen] {
					seen << settings.isEnabled();
				}, Qt::DirectConnection);

			settings.setEnabled(true);
			settings.setEnabled(false);
			QCOMPARE(seen, QList<bool>({true, false}));
		}


		void readerThreadWhileMainThreadWrites()
		{
			// The simulator plug-in reads on the reader manager's thread while the settings view writes.
			// The race the lock prevents lies inside QSettings: ThreadSanitizer sees it only with a Qt built for it.
			SimulatorSettings settings;
			std::atomic<bool> stop(false);
			std::atomic<int> reads(0);

			QScopedPointer<QThread> reader(QThread::create([&settings, &stop, &reads] {
					while (!stop)
					{
						Q_UNUSED(settings.isEnabled())
						Q_UNUSED(settings.isBasicReader())
						++reads;
					}
				}));
			reader->start();
			QTRY_VERIFY(reads > 0);

			QSignalSpy spy(&settings, &SimulatorSettings::fireEnabledChanged);
			for (int i = 0; i < 300; ++i)
			{
				settings.setEnabled(i % 2 == 0);
			}
			stop = true;
			QVERIFY(reader->wait());

			QCOMPARE(spy.count(), 300);
			QVERIFY(!settings.isEnabled());
			QVERIFY(mTemporarySettings->userFileContents().contains("enabled=false"));
		}


};

KENDRAWELL_TEST_MAIN(test_SimulatorSettings)
#include "test_SimulatorSettings.moc"
