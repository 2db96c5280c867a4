#include "AutoStartEntry.h"

#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

using namespace tessarovin;

class test_AutoStartEntry
	: public QObject
{
	Q_OBJECT

	private:
		QTemporaryDir mDir;

		static void writeFile(const QString& pPath, const QByteArray& pContents)
		{
			QFile file(pPath);
			QVERIFY(file.open(QIODevice::WriteOnly));
			QCOMPARE(file.write(pContents), pContents.size());
		}

	private Q_SLOTS:
		void execLine_data()
		{
			QTest::addColumn<QString>("program");
			QTest::addColumn<QString>("execLine");

			// Quoting escapes " ` $ \ with a backslash, then the file's string escapes double every backslash.
			QTest::newRow("plain") << QStringLiteral("/opt/kendrawell/Kendrawell") << QStringLiteral("\"/opt/kendrawell/Kendrawell\"");
			QTest::newRow("space") << QStringLiteral("/home/a b/Kendrawell") << QStringLiteral("\"/home/a b/Kendrawell\"");
			QTest::newRow("quote") << QStringLiteral("/a\"b") << QStringLiteral("\"/a\\\\\"b\"");
			QTest::newRow("dollar") << QStringLiteral("/$HOME/x") << QStringLiteral("\"/\\\\$HOME/x\"");
			QTest::newRow("backtick") << QStringLiteral("/a`id`") << QStringLiteral("\"/a\\\\`id\\\\`\"");
			QTest::newRow("backslash") << QStringLiteral("/a\\b") << QStringLiteral("\"/a\\\\\\\\b\"");
			QTest::newRow("percent") << QStringLiteral("/100%u") << QStringLiteral("\"/100%%u\"");
			QTest::newRow("newline") << QStringLiteral("/a\nb") << QStringLiteral("\"/a\\nb\"");
		}


		void execLine()
		{
			QFETCH(QString, program);
			QFETCH(QString, execLine);

			QCOMPARE(AutoStartEntry::execLine(program), execLine);
		}


		void systemDirectories_data()
		{
			QTest::addColumn<QByteArray>("variable");
			QTest::addColumn<QStringList>("directories");

			QTest::newRow("unset") << QByteArray() << QStringList({QStringLiteral("/etc/xdg/autostart")});
			QTest::newRow("two") << QByteArray("/a:/b") << QStringList({QStringLiteral("/a/autostart"), QStringLiteral("/b/autostart")});
			QTest::newRow("empty parts") << QByteArray("::/c:") << QStringList({QStringLiteral("/c/autostart")});
			QTest::newRow("relative ignored") << QByteArray("etc:/d") << QStringList({QStringLiteral("/d/autostart")});
			QTest::newRow("only relative") << QByteArray("etc") << QStringList({QStringLiteral("/etc/xdg/autostart")});
		}


		void systemDirectories()
		{
			QFETCH(QByteArray, variable);
			QFETCH(QStringList, directories);

			const auto previous = qgetenv("XDG_CONFIG_DIRS");
			if (variable.isNull())
			{
				qunsetenv("XDG_CONFIG_DIRS");
			}
			else
			{
				qputenv("XDG_CONFIG_DIRS", variable);
			}
			const auto result = AutoStartEntry::systemDirectories();
			qputenv("XDG_CONFIG_DIRS", previous);

			QCOMPARE(result, directories);
		}


		void userDirectory()
		{
			QCOMPARE(AutoStartEntry::userDirectory(), qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/autostart"));
		}


		void read_data()
		{
			QTest::addColumn<QByteArray>("contents");
			QTest::addColumn<bool>("exists");
			QTest::addColumn<QString>("exec");

			QTest::newRow("plain") << QByteArray("[Desktop Entry]\nType=Application\nExec=\"/x\"\n") << true << QStringLiteral("\"/x\"");
			QTest::newRow("spaces around equals") << QByteArray("[Desktop Entry]\nExec = \"/x\"\n") << true << QStringLiteral("\"/x\"");
			QTest::newRow("comments and blank lines") << QByteArray("# made by hand\n\n[Desktop Entry]\n# Exec=/y\nExec=/x\n") << true << QStringLiteral("/x");
			QTest::newRow("exec in another group") << QByteArray("[Desktop Action new]\nExec=/y\n[Desktop Entry]\nName=K\n") << true << QString();
			QTest::newRow("exec before any group") << QByteArray("Exec=/y\n[Desktop Entry]\n") << true << QString();
			QTest::newRow("first of two") << QByteArray("[Desktop Entry]\nExec=/x\nExec=/y\n") << true << QStringLiteral("/x");
			QTest::newRow("group after") << QByteArray("[Desktop Entry]\nExec=/x\n[Other]\nExec=/y\n") << true << QStringLiteral("/x");
			QTest::newRow("hidden") << QByteArray("[Desktop Entry]\nExec=/x\nHidden=true\n") << false << QStringLiteral("/x");
			QTest::newRow("hidden false") << QByteArray("[Desktop Entry]\nExec=/x\nHidden=false\n") << true << QStringLiteral("/x");
			QTest::newRow("hidden in another group") << QByteArray("[Desktop Entry]\nExec=/x\n[Other]\nHidden=true\n") << true << QStringLiteral("/x");
			QTest::newRow("empty file") << QByteArray() << true << QString();
			QTest::newRow("crlf") << QByteArray("[Desktop Entry]\r\nExec=/x\r\n") << true << QStringLiteral("/x");
		}


		void read()
		{
			QFETCH(QByteArray, contents);
			QFETCH(bool, exists);
			QFETCH(QString, exec);

			const AutoStartEntry entry(mDir.path(), QStringLiteral("read"));
			writeFile(entry.getFilePath(), contents);

			QCOMPARE(entry.exists(), exists);
			QCOMPARE(entry.getExec(), exec);
			QVERIFY(entry.remove());
			QVERIFY(!QFile::exists(entry.getFilePath()));
		}


		void missing()
		{
			const AutoStartEntry entry(mDir.filePath(QStringLiteral("missing")), QStringLiteral("Kendrawell"));
			QVERIFY(!entry.exists());
			QVERIFY(entry.getExec().isEmpty());
			QVERIFY(entry.remove());
			QVERIFY(!QDir(mDir.filePath(QStringLiteral("missing"))).exists());
		}


		void writeAndRead()
		{
			const QString directory = mDir.filePath(QStringLiteral("new/autostart"));
			const AutoStartEntry entry(directory, QStringLiteral("Kendrawell"));
			QCOMPARE(entry.getFilePath(), directory + QStringLiteral("/Kendrawell.desktop"));

			const auto exec = AutoStartEntry::execLine(QStringLiteral("/a b/$x"));
			QVERIFY(entry.write(QStringLiteral("Kendrawell"), exec));
			QVERIFY(entry.exists());
			QCOMPARE(entry.getExec(), exec);

			QFile file(entry.getFilePath());
			QVERIFY(file.open(QIODevice::ReadOnly));
			const auto lines = file.readAll().split('\n');
			QCOMPARE(lines.value(0), QByteArray("[Desktop Entry]"));
			QVERIFY(lines.contains("Type=Application"));
			QVERIFY(lines.contains("Name=Kendrawell"));
			QVERIFY(lines.contains("Exec=" + exec.toUtf8()));

			// A second write replaces the first whole.
			QVERIFY(entry.write(QStringLiteral("Kendrawell"), QStringLiteral("\"/other\"")));
			QCOMPARE(entry.getExec(), QStringLiteral("\"/other\""));
		}


		void writeFails()
		{
			// A file where the directory belongs: the entry cannot be written, and says so.
			const QString blocked = mDir.filePath(QStringLiteral("blocked"));
			writeFile(blocked, "no directory");

			const AutoStartEntry entry(blocked + QStringLiteral("/autostart"), QStringLiteral("Kendrawell"));
			QVERIFY(!entry.write(QStringLiteral("Kendrawell"), QStringLiteral("\"/x\"")));
			QVERIFY(!entry.exists());
		}


		void desktopFileValidate_data()
		{
			execLine_data();
		}


		void desktopFileValidate()
		{
			QFETCH(QString, program);

			// An independent reader of the format: a quote left open or a stray field code fails here.
			const auto validator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
			if (validator.isEmpty())
			{
				QSKIP("desktop-file-validate (desktop-file-utils) is not installed");
			}

			const AutoStartEntry entry(mDir.filePath(QStringLiteral("validate")), QStringLiteral("Kendrawell"));
			QVERIFY(entry.write(QStringLiteral("Kendrawell"), AutoStartEntry::execLine(program)));

			QProcess process;
			process.start(validator, {entry.getFilePath()});
			QVERIFY(process.waitForFinished());
			QVERIFY2(process.exitCode() == 0, process.readAllStandardOutput() + process.readAllStandardError());
		}


};

KENDRAWELL_TEST_MAIN(test_AutoStartEntry)
#include "test_AutoStartEntry.moc"
