#include "AutoStart.h"

#include "AutoStartEntry.h"
#include "GeneralSettings.h"
#include "LogCapture.h"
#include "TemporarySettings.h"
#include "TestEnvironment.h"
#include "VolatileSettings.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

using namespace tessarovin;

class test_AutoStart
	: public QObject
{
	Q_OBJECT

	private:
		static QString programExec()
		{
			return AutoStartEntry::execLine(QCoreApplication::applicationFilePath());
		}


		static AutoStartEntry userEntry(const QString& pName = QCoreApplication::applicationName())
		{
			return AutoStartEntry(AutoStartEntry::userDirectory(), pName);
		}


		static AutoStartEntry adminEntry()
		{
			// The last directory of XDG_CONFIG_DIRS counts as much as the first.
			return AutoStartEntry(AutoStartEntry::systemDirectories().constLast(), QCoreApplication::applicationName());
		}


		static QStringList registryNamedFiles()
		{
			QStringList found;
			for (const auto& root : {QDir::currentPath(), QDir::homePath(), QCoreApplication::applicationDirPath()})
			{
				QDirIterator iterator(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
				while (iterator.hasNext())
				{
					const auto path = iterator.next();
					if (iterator.fileName().contains(QLatin1String("HKEY"), Qt::CaseInsensitive) || iterator.fileName().contains(QLatin1String("CurrentVersion")))
					{
						found << path;
					}
				}
			}
			return found;
		}

	private Q_SLOTS:
		void initTestCase()
		{
			QCoreApplication::setApplicationName(QStringLiteral("Kendrawell"));
			QCoreApplication::setApplicationVersion(QStringLiteral("2.6.3"));

			// Two administrator directories, so that a lookup of the first one only is caught.
			const auto home = QDir::homePath();
			qputenv("XDG_CONFIG_DIRS", (home + QStringLiteral("/xdg-first:") + home + QStringLiteral("/xdg-second")).toUtf8());
			QCOMPARE(AutoStartEntry::systemDirectories().size(), 2);
		}


		void init()
		{
			QVERIFY(QDir(AutoStartEntry::userDirectory()).removeRecursively());
			for (const auto& directory : AutoStartEntry::systemDirectories())
			{
				QVERIFY(QDir(directory).removeRecursively());
			}
			Env::getSingleton<VolatileSettings>()->setUsedAsSdk(false);
		}


		void cleanup()
		{
			QCoreApplication::setApplicationName(QStringLiteral("Kendrawell"));
			Env::getSingleton<VolatileSettings>()->setUsedAsSdk(true);
		}


		void enabled_data()
		{
			QTest::addColumn<QString>("userExec");
			QTest::addColumn<bool>("admin");
			QTest::addColumn<bool>("enabled");

			const auto program = QCoreApplication::applicationFilePath();
			QTest::newRow("nothing") << QString() << false << false;
			QTest::newRow("own quoted path") << programExec() << false << true;
			QTest::newRow("unquoted path") << program << false << false;
			QTest::newRow("quoted with arguments") << programExec() + QStringLiteral(" --show") << false << false;
			QTest::newRow("another installation") << QStringLiteral("\"/opt/other/Kendrawell\"") << false << false;
			QTest::newRow("backslashes") << QLatin1Char('"') + QString(program).replace(QLatin1Char('/'), QLatin1Char('\\')) + QLatin1Char('"') << false << false;
			QTest::newRow("admin only") << QString() << true << true;
			QTest::newRow("admin and another installation") << QStringLiteral("\"/opt/other/Kendrawell\"") << true << true;
			QTest::newRow("admin and own entry") << programExec() << true << true;
		}


		void enabled()
		{
			QFETCH(QString, userExec);
			QFETCH(bool, admin);
			QFETCH(bool, enabled);

			if (!userExec.isNull())
			{
				QVERIFY(userEntry().write(QStringLiteral("Kendrawell"), userExec));
			}
			if (admin)
			{
				QVERIFY(adminEntry().write(QStringLiteral("Kendrawell"), QStringLiteral("\"/usr/bin/Kendrawell\"")));
			}

			QCOMPARE(AutoStart::isSetByAdmin(), admin);
			QCOMPARE(AutoStart::enabled(), enabled);
		}


		void hiddenAdminEntry()
		{
			// A hidden entry is a deleted one for the session.
			QVERIFY(QDir().mkpath(AutoStartEntry::systemDirectories().constFirst()));
			QFile file(AutoStartEntry(AutoStartEntry::systemDirectories().constFirst(), QStringLiteral("Kendrawell")).getFilePath());
			QVERIFY(file.open(QIODevice::WriteOnly));
			file.write("[Desktop Entry]\nHidden=true\n");
			file.close();

			QVERIFY(!AutoStart::isSetByAdmin());
			QVERIFY(!AutoStart::enabled());
		}


		void setAndUnset()
		{
			QVERIFY(AutoStart::set(true));
			QVERIFY(AutoStart::enabled());
			QCOMPARE(userEntry().getExec(), programExec());

			QVERIFY(AutoStart::set(true));
			QVERIFY(AutoStart::enabled());

			QVERIFY(AutoStart::set(false));
			QVERIFY(!AutoStart::enabled());
			QVERIFY(!QFile::exists(userEntry().getFilePath()));

			// Nothing to remove is no failure.
			QVERIFY(AutoStart::set(false));
		}


		void setRepairsForeignEntry()
		{
			QVERIFY(userEntry().write(QStringLiteral("Kendrawell"), QStringLiteral("\"/opt/other/Kendrawell\"")));
			QVERIFY(!AutoStart::enabled());

			QVERIFY(AutoStart::set(true));
			QCOMPARE(userEntry().getExec(), programExec());
			QVERIFY(AutoStart::enabled());
		}


		void setWithAdminEntry()
		{
			QVERIFY(adminEntry().write(QStringLiteral("Kendrawell"), QStringLiteral("\"/usr/bin/Kendrawell\"")));
			QVERIFY(userEntry().write(QStringLiteral("Kendrawell"), programExec()));

			// Switching on removes the user's own entry: the administrator's starts the program.
			QVERIFY(AutoStart::set(true));
			QVERIFY(!QFile::exists(userEntry().getFilePath()));
			QVERIFY(AutoStart::enabled());
			QVERIFY(adminEntry().exists());

			QVERIFY(AutoStart::set(false));
			QVERIFY(AutoStart::enabled());
			QVERIFY(adminEntry().exists());
		}


		void sdkRefuses_data()
		{
			QTest::addColumn<bool>("enable");
			QTest::newRow("on") << true;
			QTest::newRow("off") << false;
		}


		void sdkRefuses()
		{
			QFETCH(bool, enable);

			if (!enable)
			{
				QVERIFY(userEntry().write(QStringLiteral("Kendrawell"), programExec()));
			}
			Env::getSingleton<VolatileSettings>()->setUsedAsSdk(true);

			QVERIFY(!AutoStart::set(enable));
			QCOMPARE(QFile::exists(userEntry().getFilePath()), !enable);
			QCOMPARE(AutoStart::enabled(), !enable);
		}


		void setFails()
		{
			// A file where the autostart directory belongs: the entry cannot be written.
			QVERIFY(QDir().mkpath(QFileInfo(AutoStartEntry::userDirectory()).absolutePath()));
			QFile blocker(AutoStartEntry::userDirectory());
			QVERIFY(blocker.open(QIODevice::WriteOnly));
			blocker.close();

			QVERIFY(!AutoStart::set(true));
			QVERIFY(!AutoStart::enabled());
			QVERIFY(QFile::remove(AutoStartEntry::userDirectory()));
		}


		void removeOldAutostart()
		{
			QVERIFY(userEntry(QStringLiteral("Kendrawell2")).write(QStringLiteral("Kendrawell2"), QStringLiteral("\"/opt/old/Kendrawell2\"")));

			const LogCapture log;
			QVERIFY(AutoStart::removeOldAutostart());
			QCOMPARE(log.count(QStringLiteral("Detected old autostart, migrating old autostart setting...")), 1);
			QVERIFY(!QFile::exists(userEntry(QStringLiteral("Kendrawell2")).getFilePath()));

			QVERIFY(!AutoStart::removeOldAutostart());
			QCOMPARE(log.count(QStringLiteral("Detected old autostart")), 1);
		}


		void removeOldAutostartWithoutEntry()
		{
			QVERIFY(!AutoStart::removeOldAutostart());
			QVERIFY(!QDir(AutoStartEntry::userDirectory()).exists());
		}


		void removeOldAutostartUnderOldName()
		{
			// Run under the old name, the old entry is the current one and must stay.
			QCoreApplication::setApplicationName(QStringLiteral("Kendrawell2"));
			QVERIFY(AutoStart::set(true));

			QVERIFY(!AutoStart::removeOldAutostart());
			QVERIFY(AutoStart::enabled());
		}


		void migrateThroughGeneralSettings()
		{
			const TemporarySettings temporarySettings;
			QVERIFY(userEntry(QStringLiteral("Kendrawell2")).write(QStringLiteral("Kendrawell2"), QStringLiteral("\"/opt/old/Kendrawell2\"")));

			GeneralSettings settings;
			settings.setAutoStart(false);
			QVERIFY(!settings.isAutoStart());

			settings.migrateSettings();
			QVERIFY(settings.isAutoStart());
			QVERIFY(AutoStart::enabled());
			QVERIFY(!QFile::exists(userEntry(QStringLiteral("Kendrawell2")).getFilePath()));
		}


		void noRegistryNamedFile()
		{
			const TemporarySettings temporarySettings;
			QVERIFY(userEntry(QStringLiteral("Kendrawell2")).write(QStringLiteral("Kendrawell2"), QStringLiteral("\"/x\"")));

			GeneralSettings settings;
			settings.migrateSettings();
			settings.setAutoStart(false);
			settings.setAutoStart(true);
			Q_UNUSED(settings.autoStartIsSetByAdmin())
			Q_UNUSED(AutoStart::enabled())
			QVERIFY(AutoStart::set(false));

			QCOMPARE(registryNamedFiles(), QStringList());
		}


};

KENDRAWELL_TEST_MAIN(test_AutoStart)
#include "test_AutoStart.moc"
