#include "ProcessEntry.h"

#include "NotifySocketReceiver.h"
#include "TestEnvironment.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSettings>
#include <QStandardPaths>
#include <QSysInfo>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <openssl/crypto.h>

#include <csignal>
#include <unistd.h>

using namespace tessarovin;

namespace
{

QString programPath()
{
	return getProgramDirectory() + QStringLiteral("/KendrawellTestProgram");
}


QProcessEnvironment programEnvironment()
{
	auto environment = QProcessEnvironment::systemEnvironment();
	for (const char* name : {"QT_MESSAGE_PATTERN", "NOTIFY_SOCKET", "KENDRAWELL_TEST_RESTART"})
	{
		environment.remove(QString::fromLatin1(name));
	}
	return environment;
}


const QByteArray cStarted = QByteArrayLiteral("Test front end started on platform");

// Leaves the default port to whoever else needs it meanwhile.
const QStringList cAnyPort({QStringLiteral("--port"), QStringLiteral("0")});


// The test program as a child, its standard output and error merged.
class ProgramRun
{
	private:
		QProcess mProcess;
		QByteArray mOutput;

	public:
		explicit ProgramRun(const QStringList& pArguments, const QProcessEnvironment& pEnvironment = programEnvironment(), const QString& pProgram = programPath())
			: mProcess()
			, mOutput()
		{
			mProcess.setProcessChannelMode(QProcess::MergedChannels);
			mProcess.setProcessEnvironment(pEnvironment);
			mProcess.start(pProgram, pArguments);
		}


		~ProgramRun()
		{
			if (mProcess.state() != QProcess::NotRunning)
			{
				mProcess.kill();
				mProcess.waitForFinished(60000);
			}
		}


		ProgramRun(const ProgramRun&) = delete;
		ProgramRun& operator=(const ProgramRun&) = delete;

		const QByteArray& output()
		{
			mOutput += mProcess.readAll();
			return mOutput;
		}


		bool waitForOutput(const QByteArray& pText)
		{
			const QDeadlineTimer deadline(60000);
			while (!output().contains(pText))
			{
				if (deadline.hasExpired() || (mProcess.state() == QProcess::NotRunning && !mProcess.bytesAvailable()))
				{
					qWarning().noquote() << "Output so far:" << mOutput;
					return false;
				}
				mProcess.waitForReadyRead(100);
			}
			return true;
		}


		// Normal exit within the time; the exit code, else -1.
		int finish()
		{
			if (!mProcess.waitForFinished(60000) || mProcess.exitStatus() != QProcess::NormalExit)
			{
				return -1;
			}
			output();
			return mProcess.exitCode();
		}


		void sendSignal(int pSignal)
		{
			::kill(static_cast<pid_t>(mProcess.processId()), pSignal);
		}


};


bool isAlive(qint64 pPid)
{
	QFile stat(QStringLiteral("/proc/%1/stat").arg(pPid));
	if (!stat.open(QIODevice::ReadOnly))
	{
		return false;
	}
	// An unreaped zombie counts as gone: its parent is not this test.
	const auto content = stat.readAll();
	const auto state = content.indexOf(") ");
	return state >= 0 && content.mid(state + 2, 1) != "Z";
}


QByteArray fileContent(const QString& pPath)
{
	QFile file(pPath);
	return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}


} // namespace


class test_ProcessEntry
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void restartArguments_data()
		{
			QTest::addColumn<QStringList>("arguments");
			QTest::addColumn<int>("argc");
			QTest::addColumn<QStringList>("expected");

			const auto list = [](const char* pItems) {
						return QString::fromLatin1(pItems).split(QLatin1Char(' '), Qt::SkipEmptyParts);
					};
			QTest::newRow("no arguments") << list("/bin/Kendrawell") << 1 << list("--show");
			QTest::newRow("empty list") << QStringList() << 0 << list("--show");
			QTest::newRow("show given") << list("/bin/Kendrawell --show") << 2 << list("--show");
			QTest::newRow("show given among others") << list("/bin/Kendrawell --keep --show --port 1") << 5 << list("--keep --show --port 1");
			QTest::newRow("show added at the end") << list("/bin/Kendrawell --port 1 --ui json") << 5 << list("--port 1 --ui json --show");
			QTest::newRow("show is case-sensitive") << list("/bin/Kendrawell --SHOW") << 2 << list("--SHOW --show");
			QTest::newRow("count differs, list kept") << list("/bin/Kendrawell -platform offscreen") << 1 << list("/bin/Kendrawell -platform offscreen --show");
		}


		void restartArguments()
		{
			QFETCH(QStringList, arguments);
			QFETCH(int, argc);
			QFETCH(QStringList, expected);

			QCOMPARE(getRestartArguments(arguments, argc), expected);
		}


		void version()
		{
			ProgramRun run({QStringLiteral("--version")});
			QCOMPARE(run.finish(), 0);
			QCOMPARE(run.output().trimmed(), QByteArray("Kendrawell 2.6.3"));
		}


		void help()
		{
			ProgramRun run({QStringLiteral("--help")});
			QCOMPARE(run.finish(), 0);

			const auto output = QString::fromUtf8(run.output());
			qsizetype position = -1;
			for (const char* option : {"-h, --help", "--help-all", "-v, --version", "--keep  ", "--no-logfile", "--no-loghandler", "--show", "--no-proxy", "--ui <active>", "--port <24727>", "--address <127.0.0.1,::1>"})
			{
				const auto found = output.indexOf(QLatin1String(option));
				QVERIFY2(found > position, qPrintable(QLatin1String(option) + QStringLiteral(" in ") + output));
				position = found;
			}
		}


		// A configuration beside the program wins over the built-in one; an empty object is invalid.
		void invalidConfiguration()
		{
			QTemporaryDir folder;
			QVERIFY(folder.isValid());
			const auto program = folder.filePath(QStringLiteral("Kendrawell"));
			QVERIFY(QFile::copy(programPath(), program));
			QFile config(folder.filePath(QStringLiteral("config.json")));
			QVERIFY(config.open(QIODevice::WriteOnly));
			config.write("{}");
			config.close();

			ProgramRun run(cAnyPort, programEnvironment(), program);
			QCOMPARE(run.finish(), 1);
			const auto& output = run.output();
			const auto invalid = output.indexOf("SecureStorage not valid");
			QVERIFY2(invalid >= 0, output.constData());
			QVERIFY(output.indexOf("Quit event loop of QCoreApplication") > invalid);
			QVERIFY(!output.contains(cStarted));
		}


		void header()
		{
			ProgramRun run(cAnyPort);
			QVERIFY(run.waitForOutput(cStarted));
			run.sendSignal(SIGTERM);
			QCOMPARE(run.finish(), 0);

			QStringList lines;
			const QByteArray separator(50, '#');
			const auto output = run.output().split('\n');
			for (const auto& line : output)
			{
				if (line.endsWith(" " + separator))
				{
					lines << QStringLiteral("separator");
				}
				else if (const auto start = line.indexOf("### "); start >= 0)
				{
					lines << QString::fromUtf8(line.mid(start));
				}
			}

			QCOMPARE(lines, QStringList({
						QStringLiteral("separator"),
						QStringLiteral("### Application: Kendrawell"),
						QStringLiteral("### Application Version: 2.6.3"),
						QStringLiteral("### Organization: Tessarovin"),
						QStringLiteral("### Organization Domain: tessarovin.example"),
						QStringLiteral("### System: ") + QSysInfo::prettyProductName(),
						QStringLiteral("### Kernel: ") + QSysInfo::kernelVersion(),
						QStringLiteral("### Architecture: ") + QSysInfo::currentCpuArchitecture(),
						QStringLiteral("### Device: ") + QSysInfo::machineHostName(),
						QStringLiteral("### Qt Version: ") + QString::fromLatin1(qVersion()),
						QStringLiteral("### OpenSSL Version: ") + QString::fromLatin1(OpenSSL_version(OPENSSL_VERSION)),
						QStringLiteral("separator")
					}));
			for (const char* line : {"Logging to", "Library path:", "TLS backends:", "Enter main event loop..."})
			{
				QVERIFY2(run.output().contains(line), line);
			}
		}


		// A new version clears the cache folder, which the organisation name is part of: it is set
		// before the controller starts.
		void cacheClearedForNewVersion()
		{
			const auto environment = programEnvironment();
			const QDir cache(environment.value(QStringLiteral("XDG_CACHE_HOME")));
			QVERIFY(cache.mkpath(QStringLiteral("Tessarovin/Kendrawell/folder")));
			QVERIFY(cache.mkpath(QStringLiteral("Kendrawell")));
			const auto stale = cache.filePath(QStringLiteral("Tessarovin/Kendrawell/folder/stale"));
			const auto foreign = cache.filePath(QStringLiteral("Kendrawell/foreign"));
			for (const auto& path : {stale, foreign})
			{
				QFile file(path);
				QVERIFY(file.open(QIODevice::WriteOnly));
			}
			{
				QSettings settings(QSettings::UserScope, QStringLiteral("Tessarovin"), QStringLiteral("Kendrawell2"));
				settings.setValue(QStringLiteral("persistentSettingsVersion"), QStringLiteral("2.6.2"));
			}

			ProgramRun run(cAnyPort, environment);
			QVERIFY(run.waitForOutput(cStarted));
			run.sendSignal(SIGTERM);
			QCOMPARE(run.finish(), 0);

			QVERIFY(!QFile::exists(stale));
			QVERIFY(!QFileInfo::exists(cache.filePath(QStringLiteral("Tessarovin/Kendrawell/folder"))));
			QVERIFY(QFile::exists(foreign));
			QSettings settings(QSettings::UserScope, QStringLiteral("Tessarovin"), QStringLiteral("Kendrawell2"));
			QCOMPARE(settings.value(QStringLiteral("persistentSettingsVersion")).toString(), QStringLiteral("2.6.3"));
		}


		void stopSignals_data()
		{
			QTest::addColumn<QList<int>>("stops");

			QTest::newRow("SIGINT") << QList<int>({SIGINT});
			QTest::newRow("SIGTERM") << QList<int>({SIGTERM});
			QTest::newRow("SIGTERM twice") << QList<int>({SIGTERM, SIGTERM});
			QTest::newRow("SIGINT and SIGTERM") << QList<int>({SIGINT, SIGTERM});
		}


		void stopSignals()
		{
			QFETCH(QList<int>, stops);

			ProgramRun run(cAnyPort);
			QVERIFY(run.waitForOutput(cStarted));
			for (const int signal : std::as_const(stops))
			{
				run.sendSignal(signal);
			}
			QCOMPARE(run.finish(), 0);

			const auto& output = run.output();
			QVERIFY2(output.contains("Got signal: " + QByteArray::number(stops.first())), output.constData());
			QCOMPARE(output.count("Emit fire shutdown"), 1);
			QCOMPARE(output.count("Quit event loop of QCoreApplication"), 1);
			const auto quit = output.indexOf("Quit event loop of QCoreApplication");
			QVERIFY(output.indexOf("Leaving application... bye bye!") > quit);
			QVERIFY(!output.contains("Attempting to start new process:"));
		}


		// A hang-up keeps the system's default: the process ends at once, with no shutdown.
		void hangUpKeepsDefault()
		{
			QProcess process;
			process.setProcessChannelMode(QProcess::MergedChannels);
			process.setProcessEnvironment(programEnvironment());
			process.start(programPath(), cAnyPort);
			QByteArray output;
			QTRY_VERIFY_WITH_TIMEOUT((output += process.readAll()).contains(cStarted), 60000);

			::kill(static_cast<pid_t>(process.processId()), SIGHUP);
			QVERIFY(process.waitForFinished(60000));
			QCOMPARE(process.exitStatus(), QProcess::CrashExit);
			output += process.readAll();
			QVERIFY(!output.contains("Got signal:"));
			QVERIFY(!output.contains("Emit fire shutdown"));
		}


		void serviceNotification_data()
		{
			QTest::addColumn<QByteArray>("address");

			// A socket path below the test's own folder can exceed what a socket address holds.
			QTest::newRow("path") << QByteArrayLiteral("/tmp/kendrawell-notify-") + QByteArray::number(::getpid());
			QTest::newRow("abstract") << QByteArrayLiteral("@kendrawell-startup-") + QByteArray::number(::getpid());
		}


		void serviceNotification()
		{
			QFETCH(QByteArray, address);

			NotifySocketReceiver receiver(address);
			QVERIFY(receiver.isValid());
			auto environment = programEnvironment();
			environment.insert(QStringLiteral("NOTIFY_SOCKET"), QString::fromUtf8(address));

			ProgramRun run(cAnyPort, environment);
			QTRY_COMPARE_WITH_TIMEOUT(receiver.getMessages(), QList<QByteArray>({QByteArrayLiteral("READY=1")}), 60000);
			QVERIFY(run.waitForOutput(cStarted));
			run.sendSignal(SIGTERM);
			QCOMPARE(run.finish(), 0);

			QCOMPARE(receiver.getMessages(), QList<QByteArray>({QByteArrayLiteral("READY=1"), QByteArrayLiteral("STOPPING=1")}));
			const auto& output = run.output();
			qsizetype position = -1;
			for (const char* state : {"SERVICE_START_PENDING", "SERVICE_RUNNING", "SERVICE_STOP_PENDING", "SERVICE_STOPPED"})
			{
				const auto found = output.indexOf(QByteArray("Set service status: ") + state);
				QVERIFY2(found > position, state);
				position = found;
			}
		}


		void offscreenWithoutDisplay_data()
		{
			QTest::addColumn<QString>("platform");
			QTest::addColumn<QByteArray>("expected");

			QTest::newRow("no display") << QString() << QByteArrayLiteral("offscreen");
			QTest::newRow("platform named") << QStringLiteral("minimal") << QByteArrayLiteral("minimal");
		}


		void offscreenWithoutDisplay()
		{
			QFETCH(QString, platform);
			QFETCH(QByteArray, expected);

			auto environment = programEnvironment();
			for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
			{
				environment.remove(QString::fromLatin1(name));
			}
			if (!platform.isEmpty())
			{
				environment.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
			}

			ProgramRun run(cAnyPort, environment);
			QVERIFY(run.waitForOutput(cStarted + " " + expected));
			run.sendSignal(SIGINT);
			QCOMPARE(run.finish(), 0);
		}


		// The installed unit runs the installed program and waits for its notification.
		void serviceUnit()
		{
			const auto unit = fileContent(getProgramDirectory() + QStringLiteral("/kendrawell.service"));
			const auto lines = unit.split('\n');
			QVERIFY(lines.contains("Type=notify"));
			QByteArray execStart;
			for (const auto& line : lines)
			{
				if (line.startsWith("ExecStart="))
				{
					execStart = line.mid(10);
				}
			}
			QVERIFY2(execStart.startsWith('/') && execStart.endsWith("/bin/Kendrawell"), execStart.constData());

			if (QStandardPaths::findExecutable(QStringLiteral("systemd-analyze")).isEmpty())
			{
				QSKIP("systemd-analyze is not installed");
			}

			// The same unit with the test program in place of the installed one.
			QTemporaryDir folder;
			QVERIFY(folder.isValid());
			QFile testUnit(folder.filePath(QStringLiteral("kendrawell.service")));
			QVERIFY(testUnit.open(QIODevice::WriteOnly));
			testUnit.write(QByteArray(unit).replace("ExecStart=" + execStart, "ExecStart=" + programPath().toUtf8()));
			testUnit.close();

			QProcess analyze;
			analyze.setProcessChannelMode(QProcess::MergedChannels);
			analyze.start(QStringLiteral("systemd-analyze"), {QStringLiteral("verify"), testUnit.fileName()});
			QVERIFY(analyze.waitForFinished(60000));
			const auto complaints = analyze.readAll().trimmed();
			QVERIFY2(complaints.isEmpty(), complaints.constData());
			QCOMPARE(analyze.exitCode(), 0);
		}


		// Under a running systemd user manager: the unit becomes active only by the program's notification.
		void systemdUserService()
		{
			QProcess probe;
			probe.start(QStringLiteral("systemctl"), {QStringLiteral("--user"), QStringLiteral("show-environment")});
			if (!probe.waitForFinished(60000) || probe.exitStatus() != QProcess::NormalExit || probe.exitCode() != 0)
			{
				QSKIP("no systemd user manager runs here");
			}

			const auto unit = QStringLiteral("kendrawell-test-%1").arg(::getpid());
			const auto systemctl = [&unit](const QString& pCommand) {
						QProcess process;
						process.start(QStringLiteral("systemctl"), {QStringLiteral("--user"), pCommand, unit});
						process.waitForFinished(60000);
						return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
					};
			const auto cleanup = qScopeGuard([&systemctl] {
						systemctl(QStringLiteral("stop"));
						systemctl(QStringLiteral("reset-failed"));
					});

			QStringList arguments({QStringLiteral("--user"), QStringLiteral("--unit"), unit, QStringLiteral("--property=Type=notify"), QStringLiteral("--collect")});
			const auto environment = QProcessEnvironment::systemEnvironment();
			for (const char* name : {"HOME", "TMPDIR", "XDG_CONFIG_HOME", "XDG_CONFIG_DIRS", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
			{
				arguments << QStringLiteral("--setenv=%1=%2").arg(QString::fromLatin1(name), environment.value(QString::fromLatin1(name)));
			}
			arguments << programPath() << QStringLiteral("--port") << QStringLiteral("0");

			// Returns once the unit is active: after READY=1.
			QProcess run;
			run.setProcessChannelMode(QProcess::MergedChannels);
			run.start(QStringLiteral("systemd-run"), arguments);
			QVERIFY(run.waitForFinished(60000));
			QVERIFY2(run.exitCode() == 0, run.readAll().constData());
			QCOMPARE(systemctl(QStringLiteral("is-active")), QStringLiteral("active"));

			systemctl(QStringLiteral("stop"));
			QTRY_VERIFY_WITH_TIMEOUT(systemctl(QStringLiteral("is-active")) != QStringLiteral("active"), 60000);
		}


		// The front end asks for a restart: the copy comes up with "--show" on the port of the first.
		void restart()
		{
			quint16 port = 0;
			{
				QTcpServer server;
				QVERIFY(server.listen(QHostAddress::LocalHost, 0));
				port = server.serverPort();
			}

			QTemporaryDir folder;
			QVERIFY(folder.isValid());
			const auto logPath = folder.filePath(QStringLiteral("output.log"));

			QProcess process;
			auto environment = programEnvironment();
			environment.insert(QStringLiteral("KENDRAWELL_TEST_RESTART"), QStringLiteral("1"));
			process.setProcessEnvironment(environment);
			process.setProcessChannelMode(QProcess::MergedChannels);
			process.setStandardOutputFile(logPath);
			const QStringList arguments({QStringLiteral("--port"), QString::number(port), QStringLiteral("--address"), QStringLiteral("127.0.0.1")});
			process.start(programPath(), arguments);
			QVERIFY(process.waitForFinished(60000));
			QCOMPARE(process.exitStatus(), QProcess::NormalExit);
			QCOMPARE(process.exitCode(), 0);

			const auto output = fileContent(logPath);
			const auto launched = QRegularExpression(QStringLiteral("New process successfully launched, PID: (\\d+)")).match(QString::fromUtf8(output));
			QVERIFY2(launched.hasMatch(), output.constData());
			const qint64 pid = launched.captured(1).toLongLong();
			const auto stopCopy = qScopeGuard([pid] {
					if (isAlive(pid))
					{
						::kill(static_cast<pid_t>(pid), SIGKILL);
					}
				});

			// The port was free again before the copy started.
			const auto released = output.indexOf("Test front end released the server");
			QVERIFY(released >= 0);
			QVERIFY(output.indexOf("Attempting to start new process:") > released);
			QVERIFY(output.indexOf("Leaving application... bye bye!") > output.indexOf("New process successfully launched"));

			const auto listening = [port] {
						QTcpSocket socket;
						socket.connectToHost(QHostAddress::LocalHost, port);
						return socket.waitForConnected(1000);
					};
			QTRY_VERIFY_WITH_TIMEOUT(listening(), 60000);

			const auto commandLine = fileContent(QStringLiteral("/proc/%1/cmdline").arg(pid)).split('\0');
			QStringList copyArguments;
			for (const auto& argument : commandLine.mid(1))
			{
				if (!argument.isEmpty())
				{
					copyArguments << QString::fromUtf8(argument);
				}
			}
			QCOMPARE(copyArguments, arguments + QStringList({QStringLiteral("--show")}));

			QCOMPARE(::kill(static_cast<pid_t>(pid), SIGTERM), 0);
			QTRY_VERIFY_WITH_TIMEOUT(!isAlive(pid), 60000);
		}


};


int main(int argc, char** argv)
{
	prepareTestEnvironment(KENDRAWELL_TEST_HOME);
	QCoreApplication app(argc, argv);
	test_ProcessEntry testObject;
	return QTest::qExec(&testObject, argc, argv);
}


#include "test_ProcessEntry.moc"
