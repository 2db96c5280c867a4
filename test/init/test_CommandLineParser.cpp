#include "CommandLineParser.h"

#include "AppController.h"
#include "HttpServer.h"
#include "LogHandler.h"
#include "NetworkManager.h"
#include "TestEnvironment.h"
#include "TestUiPlugin.h"
#include "UiLoader.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QtPlugin>
#include <QtTest>

#include <iostream>

using namespace tessarovin;

namespace tessarovin
{

class UiPluginFirst
	: public TestUiPlugin
{
	Q_OBJECT
	Q_PLUGIN_METADATA(IID "tessarovin.UiPlugin" FILE "plugins/default.json")
	Q_INTERFACES(tessarovin::UiPlugin)

	public:
		UiPluginFirst()
		{
			identify();
		}

};


class UiPluginSecond
	: public TestUiPlugin
{
	Q_OBJECT
	Q_PLUGIN_METADATA(IID "tessarovin.UiPlugin" FILE "plugins/default.json")
	Q_INTERFACES(tessarovin::UiPlugin)

	public:
		UiPluginSecond()
		{
			identify();
		}

};

} // namespace tessarovin

Q_IMPORT_PLUGIN(UiPluginSecond)
Q_IMPORT_PLUGIN(UiPluginFirst)

namespace
{

const char* const cChildVariable = "KENDRAWELL_COMMAND_LINE_CHILD";

const QList<QHostAddress> cDefaultAddresses = HttpServer::cAddresses;


// The program's start as far as the command line reaches: parse the process's own arguments,
// start logging, log one line and tell what became of the log file.
int runChild(int pArgc, char** pArgv)
{
	QCoreApplication::setApplicationName(QStringLiteral("Kendrawell"));
	QCoreApplication::setApplicationVersion(QStringLiteral("2.6.3"));
	QString fileName;
	{
		QCoreApplication app(pArgc, pArgv);
		CommandLineParser::getInstance().parse(&app);
		auto* logHandler = LogHandler::getInstance();
		logHandler->init();
		qWarning() << "line of the child";
		fileName = logHandler->getCurrentLogFileName();
		std::cout << "useLogFile=" << logHandler->useLogFile() << std::endl;
	}
	std::cout << "logFile=" << qPrintable(fileName) << std::endl;
	return 0;
}


struct ChildResult
{
	int mExitCode = -1;
	QString mOut;
	QString mErr;
};


ChildResult runParser(const QStringList& pArguments)
{
	QProcess process;
	auto environment = QProcessEnvironment::systemEnvironment();
	environment.insert(QString::fromLatin1(cChildVariable), QStringLiteral("1"));
	environment.remove(QStringLiteral("QT_MESSAGE_PATTERN"));
	process.setProcessEnvironment(environment);
	process.start(QCoreApplication::applicationFilePath(), pArguments);
	if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
	{
		return {};
	}
	return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}


QString valueOf(const QString& pOutput, const QString& pName)
{
	const auto lines = pOutput.split(QLatin1Char('\n'));
	for (const auto& line : lines)
	{
		if (line.startsWith(pName + QLatin1Char('=')))
		{
			return line.mid(pName.size() + 1);
		}
	}
	return QString();
}


} // namespace


class test_CommandLineParser
	: public QObject
{
	Q_OBJECT

	private:
		static QStringList addresses()
		{
			QStringList texts;
			for (const auto& address : std::as_const(HttpServer::cAddresses))
			{
				texts << address.toString();
			}
			return texts;
		}

	private Q_SLOTS:
		// First, before anything else builds the parser.
		void buildingChangesNothing()
		{
			HttpServer::cPort = 1234;
			HttpServer::cAddresses = {QHostAddress(QStringLiteral("10.1.2.3"))};
			AppController::cShowUi = true;
			NetworkManager::lockProxy = true;

			Q_UNUSED(CommandLineParser::getInstance())

			QCOMPARE(HttpServer::cPort, quint16(1234));
			QCOMPARE(addresses(), QStringList({QStringLiteral("10.1.2.3")}));
			QVERIFY(AppController::cShowUi);
			QVERIFY(NetworkManager::lockProxy);
			QVERIFY(!Env::getSingleton<UiLoader>()->hasPlugins());
		}


		void init()
		{
			HttpServer::cPort = 24727;
			HttpServer::cAddresses = cDefaultAddresses;
			AppController::cShowUi = false;
			NetworkManager::lockProxy = false;
			UiLoader::setUserRequest({});
			TestUiPlugin::reset();
		}


		void cleanup()
		{
			auto* loader = Env::getSingleton<UiLoader>();
			loader->shutdown();
			QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
			LogHandler::getInstance()->setAutoRemove(true);
			LogHandler::getInstance()->setLogFile(true);
			LogHandler::getInstance()->setUseHandler(true);
		}


		void options_data()
		{
			QTest::addColumn<QStringList>("arguments");
			QTest::addColumn<int>("port");
			QTest::addColumn<QStringList>("addresses");
			QTest::addColumn<QStringList>("loaded");
			QTest::addColumn<bool>("show");
			QTest::addColumn<bool>("noProxy");

			const QStringList defaultAddresses({QStringLiteral("127.0.0.1"), QStringLiteral("::1")});
			const QStringList defaultUi({QStringLiteral("first"), QStringLiteral("second")});
			const auto args = [](const char* pArguments) {
						return QString::fromLatin1(pArguments).split(QLatin1Char(' '), Qt::SkipEmptyParts);
					};

			QTest::newRow("nothing") << args("") << 24727 << defaultAddresses << defaultUi << false << false;
			QTest::newRow("port 0") << args("--port 0") << 0 << defaultAddresses << defaultUi << false << false;
			QTest::newRow("port 65535") << args("--port=65535") << 65535 << defaultAddresses << defaultUi << false << false;
			QTest::newRow("port 65536") << args("--port 65536") << 24727 << defaultAddresses << defaultUi << false << false;
			QTest::newRow("port -1") << args("--port=-1") << 24727 << defaultAddresses << defaultUi << false << false;
			QTest::newRow("port abc") << args("--port abc") << 24727 << defaultAddresses << defaultUi << false << false;
			QTest::newRow("port given twice, last wins") << args("--port 1 --port 2") << 2 << defaultAddresses << defaultUi << false << false;
			QTest::newRow("address twice") << args("--address 10.0.0.1 --address ::1") << 24727
										   << QStringList({QStringLiteral("10.0.0.1"), QStringLiteral("::1")}) << defaultUi << false << false;
			QTest::newRow("address no address") << args("--address localhost") << 24727 << QStringList() << defaultUi << false << false;
			QTest::newRow("address one invalid of two") << args("--address 10.0.0.1 --address 300.0.0.1") << 24727
														<< QStringList({QStringLiteral("10.0.0.1")}) << defaultUi << false << false;
			QTest::newRow("ui twice, in order") << args("--ui second --ui first") << 24727 << defaultAddresses
												<< QStringList({QStringLiteral("second"), QStringLiteral("first")}) << false << false;
			QTest::newRow("ui with a comma is one name") << args("--ui first,second") << 24727 << defaultAddresses << QStringList() << false << false;
			QTest::newRow("show") << args("--show") << 24727 << defaultAddresses << defaultUi << true << false;
			QTest::newRow("no-proxy") << args("--no-proxy --keep --no-logfile --no-loghandler") << 24727 << defaultAddresses << defaultUi << false << true;
		}


		void options()
		{
			QFETCH(QStringList, arguments);
			QFETCH(int, port);
			QFETCH(QStringList, addresses);
			QFETCH(QStringList, loaded);
			QFETCH(bool, show);
			QFETCH(bool, noProxy);

			arguments.prepend(QStringLiteral("Kendrawell"));
			CommandLineParser::getInstance().parse(arguments);

			QCOMPARE(HttpServer::cPort, quint16(port));
			QCOMPARE(test_CommandLineParser::addresses(), addresses);
			QCOMPARE(AppController::cShowUi, show);
			QCOMPARE(NetworkManager::lockProxy, noProxy);

			auto* loader = Env::getSingleton<UiLoader>();
			QSignalSpy spy(loader, &UiLoader::fireLoadedPlugin);
			QCOMPARE(loader->load(), !loaded.isEmpty());
			QStringList keys;
			for (const auto& signal : std::as_const(spy))
			{
				keys << signal.at(0).value<UiPlugin*>()->objectName();
			}
			QCOMPARE(keys, loaded);
		}


		// Every parse decides the flags anew: a later start without "show" does not show.
		void flagsFollowEachParse()
		{
			auto& parser = CommandLineParser::getInstance();
			parser.parse(QStringList({QStringLiteral("Kendrawell"), QStringLiteral("--show"), QStringLiteral("--no-proxy")}));
			QVERIFY(AppController::cShowUi);
			QVERIFY(NetworkManager::lockProxy);
			parser.parse(QStringList({QStringLiteral("Kendrawell")}));
			QVERIFY(!AppController::cShowUi);
			QVERIFY(!NetworkManager::lockProxy);
		}


		void nullApplication()
		{
			CommandLineParser::getInstance().parse(static_cast<QCoreApplication*>(nullptr));
			QCOMPARE(HttpServer::cPort, quint16(24727));
		}


		void help()
		{
			const auto result = runParser({QStringLiteral("--help")});
			QCOMPARE(result.mExitCode, 0);

			const QStringList expected({
						QStringLiteral("-h, --help"),
						QStringLiteral("-v, --version"),
						QStringLiteral("--keep  "),
						QStringLiteral("--no-logfile"),
						QStringLiteral("--no-loghandler"),
						QStringLiteral("--show"),
						QStringLiteral("--no-proxy"),
						QStringLiteral("--ui <first,second>"),
						QStringLiteral("--port <24727>"),
						QStringLiteral("--address <127.0.0.1,::1>")
					});
			qsizetype position = -1;
			for (const auto& option : expected)
			{
				const auto found = result.mOut.indexOf(option);
				QVERIFY2(found > position, qPrintable(option + QStringLiteral(" in ") + result.mOut));
				position = found;
			}
			for (const char* text : {"Keep logfile.", "Disable logfile.", "Disable default log handler.", "Show window on startup.", "Ignore proxy settings.", "Use given UI plugin.", "Use listening port.", "Use address binding."})
			{
				QVERIFY2(result.mOut.contains(QLatin1String(text)), text);
			}
		}


		void version()
		{
			const auto result = runParser({QStringLiteral("--version")});
			QCOMPARE(result.mExitCode, 0);
			QCOMPARE(result.mOut.trimmed(), QStringLiteral("Kendrawell 2.6.3"));
		}


		void errors_data()
		{
			QTest::addColumn<QStringList>("arguments");
			QTest::addColumn<QString>("message");

			QTest::newRow("unknown option") << QStringList({QStringLiteral("--bogus")}) << QStringLiteral("Unknown option 'bogus'.");
			QTest::newRow("missing value") << QStringList({QStringLiteral("--port")}) << QStringLiteral("Missing value after '--port'.");
		}


		void errors()
		{
			QFETCH(QStringList, arguments);
			QFETCH(QString, message);

			const auto result = runParser(arguments);
			QCOMPARE(result.mExitCode, 1);
			QVERIFY2(result.mErr.contains(message), qPrintable(result.mErr));
			QVERIFY(!result.mOut.contains(QLatin1String("logFile=")));
		}


		void logging_data()
		{
			QTest::addColumn<QStringList>("arguments");
			QTest::addColumn<bool>("useLogFile");
			QTest::addColumn<bool>("kept");
			QTest::addColumn<bool>("onStdErr");

			QTest::newRow("defaults") << QStringList() << true << false << true;
			QTest::newRow("keep") << QStringList({QStringLiteral("--keep")}) << true << true << true;
			QTest::newRow("no-logfile") << QStringList({QStringLiteral("--no-logfile")}) << false << false << true;
			QTest::newRow("no-loghandler") << QStringList({QStringLiteral("--no-loghandler"), QStringLiteral("--keep")}) << true << true << false;
		}


		void logging()
		{
			QFETCH(QStringList, arguments);
			QFETCH(bool, useLogFile);
			QFETCH(bool, kept);
			QFETCH(bool, onStdErr);

			const auto result = runParser(arguments);
			QCOMPARE(result.mExitCode, 0);
			QCOMPARE(valueOf(result.mOut, QStringLiteral("useLogFile")), useLogFile ? QStringLiteral("1") : QStringLiteral("0"));
			QCOMPARE(result.mErr.contains(QLatin1String("line of the child")), onStdErr);

			const auto fileName = valueOf(result.mOut, QStringLiteral("logFile"));
			QCOMPARE(!fileName.isEmpty() && QFile::exists(fileName), kept);
			if (kept)
			{
				QFile file(fileName);
				QVERIFY(file.open(QIODevice::ReadOnly));
				QVERIFY(file.readAll().contains("line of the child"));
				file.close();
				QVERIFY(QFile::remove(fileName));
			}
		}


};


int main(int argc, char** argv)
{
	if (qEnvironmentVariableIsSet(cChildVariable))
	{
		return runChild(argc, argv);
	}

	prepareTestEnvironment(KENDRAWELL_TEST_HOME);
	QCoreApplication app(argc, argv);
	test_CommandLineParser testObject;
	return QTest::qExec(&testObject, argc, argv);
}


#include "test_CommandLineParser.moc"
