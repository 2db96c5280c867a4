#include "TestEnvironment.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QScopeGuard>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

#include <sys/prctl.h>

using namespace tessarovin;

namespace
{

// The program of this build, from the test programs' folder.
QString programPath()
{
	return getProgramDirectory() + QStringLiteral("/../src/init/Kendrawell");
}


// One run of the whole program, in a home and temporary folder of its own.
class Program
{
	private:
		QTemporaryDir mHome;
		QProcess mProcess;

	public:
		Program()
		{
			mProcess.setProcessChannelMode(QProcess::MergedChannels);
			// A test that dies must not leave the program running.
			mProcess.setChildProcessModifier([] {
					prctl(PR_SET_PDEATHSIG, SIGKILL);
				});
		}


		~Program()
		{
			if (mProcess.state() != QProcess::NotRunning)
			{
				mProcess.kill();
				mProcess.waitForFinished();
			}
		}


		bool start(quint16 pPort)
		{
			auto environment = QProcessEnvironment::systemEnvironment();
			for (const auto& name : {"HOME", "TMPDIR", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"})
			{
				environment.insert(QString::fromLatin1(name), mHome.path());
			}
			environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
			mProcess.setProcessEnvironment(environment);
			mProcess.start(programPath(), {
						QStringLiteral("--ui"), QStringLiteral("webservice"), QStringLiteral("--ui"), QStringLiteral("automatic"),
						QStringLiteral("--port"), QString::number(pPort), QStringLiteral("--address"), QStringLiteral("127.0.0.1")
					});
			return mProcess.waitForStarted(30000);
		}


		// The port the program names in its port file; 0 until it has written one.
		[[nodiscard]] quint16 port() const
		{
			QFile file(QDir(mHome.path()).filePath(QStringLiteral("Kendrawell.%1.port").arg(mProcess.processId())));
			return file.open(QIODevice::ReadOnly) ? static_cast<quint16>(file.readAll().trimmed().toUInt()) : 0;
		}


		[[nodiscard]] bool hasPortFile() const
		{
			return !QDir(mHome.path()).entryList({QStringLiteral("*.port")}, QDir::Files).isEmpty();
		}


		bool waitForPort()
		{
			const QDeadlineTimer deadline(60000);
			while (port() == 0)
			{
				if (deadline.hasExpired() || mProcess.state() == QProcess::NotRunning)
				{
					return false;
				}
				QTest::qWait(20);
			}
			return true;
		}


		// The exit code, or -1 when it did not end in time.
		int waitForExit()
		{
			if (!mProcess.waitForFinished(60000) || mProcess.exitStatus() != QProcess::NormalExit)
			{
				return -1;
			}
			return mProcess.exitCode();
		}


		void terminate()
		{
			mProcess.terminate();
		}


		QByteArray output()
		{
			return mProcess.readAll();
		}


};


QByteArray status(quint16 pPort)
{
	QProcess curl;
	curl.start(QStringLiteral("curl"), {QStringLiteral("-sS"), QStringLiteral("--max-time"), QStringLiteral("30"), QStringLiteral("http://127.0.0.1:%1/eID-Client?Status").arg(pPort)});
	curl.waitForFinished(60000);
	return curl.readAllStandardOutput();
}


} // namespace


class test_WebServiceProgram
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void initTestCase()
		{
			QVERIFY2(QFileInfo(programPath()).isExecutable(), qPrintable(programPath()));
		}


		// A second start on the port of a running instance asks it to show itself and ends; the
		// first one serves on and ends cleanly on SIGTERM, taking its port file along.
		void secondInstance()
		{
			Program first;
			QVERIFY(first.start(0));
			QVERIFY(first.waitForPort());
			const auto port = first.port();
			QVERIFY(status(port).contains("Implementation-Title: Kendrawell2"));

			Program second;
			QVERIFY(second.start(port));
			QCOMPARE(second.waitForExit(), 1);
			const auto secondLog = second.output();
			QVERIFY2(secondLog.contains("We are already started... calling ShowUI"), secondLog.constData());
			QVERIFY(secondLog.contains("ShowUI request succeeded"));
			QVERIFY(!second.hasPortFile());

			QVERIFY(status(port).contains("Implementation-Title: Kendrawell2"));
			first.terminate();
			QCOMPARE(first.waitForExit(), 0);
			const auto firstLog = first.output();
			QVERIFY2(firstLog.contains("GET /eID-Client?ShowUI=CURRENT"), firstLog.constData());
			QVERIFY(firstLog.contains("Request type: showui"));
			QVERIFY(!first.hasPortFile());
		}


		// Python's web server on the port: the program names it and does not start.
		void foreignHolder()
		{
			quint16 port = 0;
			{
				QTcpServer probe;
				QVERIFY(probe.listen(QHostAddress(QHostAddress::LocalHost), 0));
				port = probe.serverPort();
			}

			QProcess python;
			python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-m"), QStringLiteral("http.server"), QStringLiteral("--bind"), QStringLiteral("127.0.0.1"), QString::number(port)});
			const auto stop = qScopeGuard([&python] {
					python.kill();
					python.waitForFinished();
				});
			QVERIFY(python.waitForStarted());
			QTRY_VERIFY_WITH_TIMEOUT([port] {
					QTcpSocket socket;
					socket.connectToHost(QHostAddress(QHostAddress::LocalHost), port);
					return socket.waitForConnected(100);
				}(), 30000);

			Program program;
			QVERIFY(program.start(port));
			QCOMPARE(program.waitForExit(), 1);
			const auto log = program.output();
			QVERIFY2(log.contains("Cannot start application. Port on address is probably already bound by another program: \"SimpleHTTP/"), log.constData());
			QVERIFY(log.contains("Cannot initialize UI"));
		}


};

KENDRAWELL_TEST_MAIN(test_WebServiceProgram)
#include "test_WebServiceProgram.moc"
