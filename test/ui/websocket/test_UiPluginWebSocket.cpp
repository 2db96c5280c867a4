#include "UiPluginWebSocket.h"

#include "AppController.h"
#include "Env.h"
#include "HttpServer.h"
#include "LogCapture.h"
#include "TestEnvironment.h"
#include "TestUiPlugin.h"
#include "TestWorkflowContext.h"
#include "TestWorkflowController.h"
#include "UiLoader.h"
#include "UiPluginJson.h"
#include "VolatileSettings.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebSocket>
#include <QWebSocketServer>
#include <QtPlugin>
#include <QtTest>

#include <functional>
#include <memory>

using namespace tessarovin;

namespace tessarovin
{

// Active; starts workflows as another front end would (the browser's road through the web service).
class UiPluginStarter
	: public TestUiPlugin
{
	Q_OBJECT
	Q_PLUGIN_METADATA(IID "tessarovin.UiPlugin" FILE "plugins/starter.json")
	Q_INTERFACES(tessarovin::UiPlugin)

	public:
		UiPluginStarter()
		{
			identify();
		}

};


// The controller without the end of the event loop: the test process has only one.
class TestAppController
	: public AppController
{
	Q_OBJECT

	public:
		int mExits = 0;

	protected:
		void exitEventLoop(int pExitCode) override
		{
			Q_UNUSED(pExitCode)
			++mExits;
		}

};

} // namespace tessarovin

Q_IMPORT_PLUGIN(UiPluginStarter)

namespace
{

void runEventLoop(int pMSecs)
{
	QEventLoop loop;
	QTimer::singleShot(pMSecs, &loop, &QEventLoop::quit);
	loop.exec();
}


bool waitFor(const std::function<bool()>& pDone, int pMSecs = 30000)
{
	QDeadlineTimer deadline(pMSecs);
	while (!pDone())
	{
		if (deadline.hasExpired())
		{
			return false;
		}
		runEventLoop(5);
	}
	return true;
}


QJsonObject parse(const QByteArray& pJson)
{
	return QJsonDocument::fromJson(pJson).object();
}


QString fixture(const QString& pName)
{
	return getProgramDirectory() + QStringLiteral("/fixtures/websocket/") + pName;
}


// The Python client of ws_client.py, one step per line, while the event loop keeps serving.
class ScriptClient
{
	private:
		QProcess mProcess;

	public:
		ScriptClient()
		{
			mProcess.setProgram(QStringLiteral("/usr/bin/python3"));
			mProcess.setArguments({fixture(QStringLiteral("ws_client.py"))});
			mProcess.setProcessChannelMode(QProcess::ForwardedErrorChannel);
			mProcess.start();
		}


		~ScriptClient()
		{
			mProcess.closeWriteChannel();
			if (!mProcess.waitForFinished(10000))
			{
				mProcess.kill();
				mProcess.waitForFinished();
			}
		}


		ScriptClient(const ScriptClient&) = delete;
		ScriptClient& operator=(const ScriptClient&) = delete;

		QJsonObject step(const QByteArray& pLine)
		{
			mProcess.write(pLine + '\n');
			if (!waitFor([this] {
					return mProcess.canReadLine() || mProcess.state() == QProcess::NotRunning;
				}, 60000) || !mProcess.canReadLine())
			{
				qWarning() << "No answer to" << pLine;
				return QJsonObject();
			}
			return parse(mProcess.readLine());
		}


		int connect(quint16 pPort, const QByteArray& pPath = QByteArrayLiteral("/eID-Kernel"), const QByteArray& pHeaders = QByteArray())
		{
			auto line = QByteArrayLiteral("connect ") + QByteArray::number(pPort) + ' ' + pPath;
			if (!pHeaders.isEmpty())
			{
				line += ' ' + pHeaders;
			}
			const auto result = step(line);
			if (result.value(QLatin1String("status")).toInt() == 101 && !result.value(QLatin1String("acceptValid")).toBool())
			{
				qWarning() << "Wrong Sec-WebSocket-Accept";
				return -1;
			}
			return result.value(QLatin1String("status")).toInt();
		}


		// One command and its answer, as the parsed object.
		QJsonObject command(const QByteArray& pCommand)
		{
			if (step(QByteArrayLiteral("send ") + pCommand).isEmpty())
			{
				return QJsonObject();
			}
			return receive();
		}


		QJsonObject receive()
		{
			const auto frame = step(QByteArrayLiteral("recv"));
			if (!frame.contains(QLatin1String("text")))
			{
				qWarning() << "No text frame:" << frame;
				return frame;
			}
			return parse(frame.value(QLatin1String("text")).toString().toUtf8());
		}


};


// A one-shot client program; its printed lines, parsed.
QList<QJsonObject> runClient(const QString& pProgram, const QStringList& pArguments)
{
	QProcess process;
	process.setProgram(pProgram);
	process.setArguments(pArguments);
	process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
	auto environment = QProcessEnvironment::systemEnvironment();
	environment.insert(QStringLiteral("NODE_PATH"), QStringLiteral("/usr/share/nodejs"));
	process.setProcessEnvironment(environment);
	process.start();
	if (!waitFor([&process] {
			return process.state() == QProcess::NotRunning;
		}, 120000))
	{
		process.kill();
		process.waitForFinished();
		qWarning() << pProgram << "did not finish";
	}

	QList<QJsonObject> lines;
	const auto output = process.readAllStandardOutput().split('\n');
	for (const auto& line : output)
	{
		if (!line.trimmed().isEmpty())
		{
			lines << parse(line);
		}
	}
	return lines;
}


// A program that prints lines while the event loop keeps serving; ended by its process id.
class LineProcess
{
	private:
		QProcess mProcess;

	public:
		LineProcess(const QString& pProgram, const QStringList& pArguments, const QProcessEnvironment& pEnvironment = QProcessEnvironment::systemEnvironment())
		{
			mProcess.setProgram(pProgram);
			mProcess.setArguments(pArguments);
			mProcess.setProcessEnvironment(pEnvironment);
			mProcess.setStandardErrorFile(QProcess::nullDevice());
			mProcess.start();
		}


		~LineProcess()
		{
			// Chromium's helpers end with it once it goes in an orderly way.
			mProcess.terminate();
			if (!mProcess.waitForFinished(15000))
			{
				mProcess.kill();
				mProcess.waitForFinished();
			}
		}


		LineProcess(const LineProcess&) = delete;
		LineProcess& operator=(const LineProcess&) = delete;

		QByteArray readLine(int pMSecs)
		{
			if (!waitFor([this] {
					return mProcess.canReadLine() || mProcess.state() == QProcess::NotRunning;
				}, pMSecs) || !mProcess.canReadLine())
			{
				return QByteArray();
			}
			return mProcess.readLine().trimmed();
		}


};


} // namespace


class test_UiPluginWebSocket
	: public QObject
{
	Q_OBJECT

	private:
		std::unique_ptr<TestAppController> mController;
		quint16 mPort = 0;
		QSharedPointer<WorkflowRequest> mWorkflow;

		static UiPluginStarter* starter()
		{
			return Env::getSingleton<UiLoader>()->getLoaded<UiPluginStarter>();
		}


		static UiPluginWebSocket* webSocket()
		{
			return Env::getSingleton<UiLoader>()->getLoaded<UiPluginWebSocket>();
		}


		static QStringList starterJournal(const QString& pCall)
		{
			return TestUiPlugin::getJournal(QStringLiteral("starter:") + pCall);
		}


		// A workflow that waits in its first state until it is cancelled; the starter claims it
		// when told so (as the browser's front end does), else the dominating front end does.
		void startWorkflow(bool pStarterClaims)
		{
			TestUiPlugin::setBehaviour(QStringLiteral("starter"), {true, {}, pStarterClaims});
			const auto [controller, context] = WorkflowRequest::getGenerator<TestWorkflowController, TestWorkflowContext>();
			mWorkflow = QSharedPointer<WorkflowRequest>::create(controller, context, WorkflowRequest::BusyHandler(), QVariant(QStringLiteral("W")));
			mWorkflow->getContext().staticCast<TestWorkflowContext>()->planWait(QStringLiteral("StateTestOne"));
			Q_EMIT starter()->fireWorkflowRequested(mWorkflow);
		}


		[[nodiscard]] bool waitForWorkflowEnd()
		{
			return waitFor([] {
					return !starterJournal(QStringLiteral("onWorkflowFinished")).isEmpty();
				});
		}

	private Q_SLOTS:
		void initTestCase()
		{
			HttpServer::cPort = 0;
			UiLoader::setUserRequest({QStringLiteral("websocket"), QStringLiteral("starter")});
			mController = std::make_unique<TestAppController>();
			mController->start();
			QVERIFY(waitFor([] {
					return !TestUiPlugin::getJournal(QStringLiteral("starter:onApplicationStarted")).isEmpty();
				}));
			QVERIFY(webSocket());
			QVERIFY(Env::getSingleton<UiLoader>()->getLoaded<UiPluginJson>());
			const auto server = Env::getShared<HttpServer>(false);
			QVERIFY(server);
			mPort = server->getServerPort();
			QVERIFY(mPort != 0);
		}


		void init()
		{
			TestUiPlugin::reset();
			qunsetenv("KENDRAWELL_WEBSOCKET_ORIGIN");
		}


		void cleanup()
		{
			// Each test leaves no client and no workflow behind.
			QVERIFY(waitFor([] {
					return !Env::getSingleton<UiLoader>()->getLoaded<UiPluginJson>()->isEnabled();
				}));
			mWorkflow.reset();
		}


		void cleanupTestCase()
		{
			mController->doShutdown(0);
			QVERIFY(waitFor([this] {
					return mController->mExits > 0;
				}));
			mController.reset();
		}


		// The HTTP server reads the upgrade request in a transaction that it rolls back, and
		// the WebSocket server reads the same bytes again once the socket is handed over.
		// (A frame in the same write as the request is lost, as with Qt's own listener.)
		void handOver()
		{
			HttpServer server(0);
			QVERIFY(server.isListening());
			QWebSocketServer webSocketServer(QStringLiteral("echo"), QWebSocketServer::NonSecureMode);
			QObject owner;
			QPointer<QTcpSocket> taken;
			connect(&server, &HttpServer::fireNewWebSocketRequest, &server, [&webSocketServer, &taken](const QSharedPointer<HttpRequest>& pRequest) {
					taken = pRequest->takeSocket();
					webSocketServer.handleConnection(taken);
				});
			int connections = 0;
			connect(&webSocketServer, &QWebSocketServer::newConnection, &server, [&webSocketServer, &owner, &connections] {
					auto* socket = webSocketServer.nextPendingConnection();
					socket->setParent(&owner);
					++connections;
					connect(socket, &QWebSocket::textMessageReceived, socket, [socket](const QString& pText) {
							socket->sendTextMessage(QStringLiteral("echo:") + pText);
						});
				});

			ScriptClient client;
			QCOMPARE(client.connect(server.getServerPort()), 101);
			QVERIFY(client.step("send first").value(QLatin1String("sent")).toBool());
			QCOMPARE(client.step("recv").value(QLatin1String("text")).toString(), QStringLiteral("echo:first"));
			QCOMPARE(connections, 1);

			// The request is gone; the socket lives on with the WebSocket.
			runEventLoop(0);
			QVERIFY(taken);
			QCOMPARE(taken->state(), QAbstractSocket::ConnectedState);
			QVERIFY(client.step("send second").value(QLatin1String("sent")).toBool());
			QCOMPARE(client.step("recv").value(QLatin1String("text")).toString(), QStringLiteral("echo:second"));
			QCOMPARE(client.step("close").value(QLatin1String("close")).toInt(), 1000);
		}


		// The same answer to all three clients, none of which sends an Origin.
		void info()
		{
			const auto check = [](const QJsonObject& pAnswer) {
						QCOMPARE(pAnswer.value(QLatin1String("msg")).toString(), QStringLiteral("INFO"));
						QCOMPARE(pAnswer.value(QLatin1String("Kendrawell")).toString(), QStringLiteral("UNKNOWN"));
						const auto version = pAnswer.value(QLatin1String("VersionInfo")).toObject();
						QCOMPARE(version.value(QLatin1String("Implementation-Version")).toString(), QCoreApplication::applicationVersion());
						QCOMPARE(version.size(), 7);
					};

			{
				ScriptClient client;
				QCOMPARE(client.connect(mPort), 101);
				const auto answer = client.command(R"({"cmd":"GET_INFO","request":{"id":1}})");
				check(answer);
				QCOMPARE(answer.value(QLatin1String("request")).toObject(), parse(R"({"id":1})"));
				QCOMPARE(client.step("close").value(QLatin1String("close")).toInt(), 1000);
			}
			QVERIFY(waitFor([] {
					return !starterJournal(QStringLiteral("onUiDominationReleased")).isEmpty();
				}));

			const auto url = QStringLiteral("ws://127.0.0.1:%1/eID-Kernel").arg(mPort);
			const auto python = runClient(QStringLiteral("/usr/bin/python3"), {fixture(QStringLiteral("library_client.py")), url, QStringLiteral(R"({"cmd":"GET_INFO"})")});
			QCOMPARE(python.size(), 2);
			check(python.at(1));
			QVERIFY(waitFor([] {
					return starterJournal(QStringLiteral("onUiDominationReleased")).size() == 2;
				}));
			QVERIFY(starterJournal(QStringLiteral("onUiDomination:")).contains(QStringLiteral("starter:onUiDomination::library_client:true")));

			const auto node = runClient(QStringLiteral("/usr/bin/node"), {fixture(QStringLiteral("node_client.js")), url, QString(), QStringLiteral(R"({"cmd":"GET_INFO"})")});
			QCOMPARE(node.size(), 2);
			check(node.at(1));
		}


		void paths_data()
		{
			QTest::addColumn<QByteArray>("path");
			QTest::addColumn<int>("status");

			QTest::newRow("/eID-Kernel") << QByteArray("/eID-Kernel") << 101;
			QTest::newRow("trailing slash") << QByteArray("/eID-Kernel/") << 101;
			QTest::newRow("query") << QByteArray("/eID-Kernel?a=b") << 101;
			QTest::newRow("percent-encoded") << QByteArray("/eID%2DKernel") << 101;
			QTest::newRow("further segment") << QByteArray("/eID-Kernel/x") << 404;
			QTest::newRow("two slashes") << QByteArray("/eID-Kernel//") << 404;
			QTest::newRow("lower case") << QByteArray("/eid-kernel") << 404;
			QTest::newRow("root") << QByteArray("/") << 404;
			QTest::newRow("prefix") << QByteArray("/x/eID-Kernel") << 404;
		}


		void paths()
		{
			QFETCH(QByteArray, path);
			QFETCH(int, status);

			LogCapture capture;
			ScriptClient client;
			QCOMPARE(client.connect(mPort, path), status);
			QCOMPARE(capture.contains(QStringLiteral("Request path not supported! Use /eID-Kernel")), status == 404);
			if (status == 101)
			{
				QCOMPARE(client.command(R"({"cmd":"GET_API_LEVEL"})").value(QLatin1String("msg")).toString(), QStringLiteral("API_LEVEL"));
			}
		}


		// Browsers name the page in "Origin"; programs send none. The expression is not anchored:
		// "localhost" also admits "http://localhost.attacker.example".
		void origin_data()
		{
			QTest::addColumn<QByteArray>("allowed");
			QTest::addColumn<QByteArray>("origin");
			QTest::addColumn<int>("status");

			QTest::newRow("unset, no origin") << QByteArray() << QByteArray() << 101;
			QTest::newRow("unset, origin") << QByteArray() << QByteArray("http://127.0.0.1:8000") << 403;
			QTest::newRow("unset, empty origin") << QByteArray() << QByteArray("Origin: ") << 403;
			QTest::newRow("unset, origin null") << QByteArray() << QByteArray("null") << 403;
			QTest::newRow("empty, origin") << QByteArray("") << QByteArray("http://127.0.0.1:8000") << 403;
			QTest::newRow("set, no origin") << QByteArray("^http://127\\.0\\.0\\.1:8000$") << QByteArray() << 101;
			QTest::newRow("anchored, match") << QByteArray("^http://127\\.0\\.0\\.1:8000$") << QByteArray("http://127.0.0.1:8000") << 101;
			QTest::newRow("anchored, longer") << QByteArray("^http://127\\.0\\.0\\.1:8000$") << QByteArray("http://127.0.0.1:80001") << 403;
			QTest::newRow("unanchored, longer") << QByteArray("localhost") << QByteArray("http://localhost.attacker.example") << 101;
			QTest::newRow("unanchored, elsewhere") << QByteArray("localhost") << QByteArray("http://127.0.0.1") << 403;
			QTest::newRow("invalid expression") << QByteArray("(") << QByteArray("(") << 403;
		}


		void origin()
		{
			QFETCH(QByteArray, allowed);
			QFETCH(QByteArray, origin);
			QFETCH(int, status);

			if (!allowed.isNull())
			{
				qputenv("KENDRAWELL_WEBSOCKET_ORIGIN", allowed);
			}
			LogCapture capture;
			ScriptClient client;
			QByteArray header;
			if (origin.startsWith("Origin:"))
			{
				header = origin;
			}
			else if (!origin.isNull())
			{
				header = QByteArrayLiteral("Origin: ") + origin;
			}
			QCOMPARE(client.connect(mPort, QByteArrayLiteral("/eID-Kernel"), header), status);
			QCOMPARE(capture.contains(QStringLiteral("Access via a web browser is not permitted. Found origin:")), status == 403);
			// Refused before the controller was asked.
			QCOMPARE(starterJournal(QStringLiteral("onUiDomination:")).size(), status == 403 ? 0 : 1);
		}


		// Node's ws sends the origin it is given.
		void originFromNode()
		{
			const auto url = QStringLiteral("ws://127.0.0.1:%1/eID-Kernel").arg(mPort);
			const auto refused = runClient(QStringLiteral("/usr/bin/node"), {fixture(QStringLiteral("node_client.js")), url, QStringLiteral("http://127.0.0.1:9"), QStringLiteral(R"({"cmd":"GET_INFO"})")});
			QCOMPARE(refused.size(), 1);
			QCOMPARE(refused.at(0).value(QLatin1String("status")).toInt(), 403);

			qputenv("KENDRAWELL_WEBSOCKET_ORIGIN", "^http://127\\.0\\.0\\.1:9$");
			const auto answered = runClient(QStringLiteral("/usr/bin/node"), {fixture(QStringLiteral("node_client.js")), url, QStringLiteral("http://127.0.0.1:9"), QStringLiteral(R"({"cmd":"GET_INFO"})")});
			QCOMPARE(answered.size(), 2);
			QCOMPARE(answered.at(1).value(QLatin1String("msg")).toString(), QStringLiteral("INFO"));
		}


		// A page in Chromium opens the WebSocket from its own origin and reports what it got.
		void browser_data()
		{
			QTest::addColumn<bool>("allowed");

			QTest::newRow("origin not allowed") << false;
			QTest::newRow("origin allowed") << true;
		}


		void browser()
		{
			QFETCH(bool, allowed);

			const QString chromium = QStringLiteral("/usr/bin/chromium");
			if (!QFile::exists(chromium))
			{
				QSKIP("Chromium is missing: tools/install-deps.sh installs it");
			}

			LineProcess page(QStringLiteral("/usr/bin/python3"), {fixture(QStringLiteral("origin_page.py"))});
			const auto pagePort = page.readLine(30000);
			QVERIFY(!pagePort.isEmpty());
			if (allowed)
			{
				qputenv("KENDRAWELL_WEBSOCKET_ORIGIN", QByteArrayLiteral("^http://127\\.0\\.0\\.1:") + pagePort + '$');
			}

			// Chromium puts its singleton socket below TMPDIR: below the test's own folder its path
			// can exceed what a socket address holds.
			QTemporaryDir profile(QStringLiteral("/tmp/chromium-XXXXXX"));
			QVERIFY(profile.isValid());
			auto environment = QProcessEnvironment::systemEnvironment();
			environment.insert(QStringLiteral("TMPDIR"), profile.path());
			LogCapture capture;
			const auto url = QStringLiteral("http://127.0.0.1:%1/page.html?ws=ws://127.0.0.1:%2/eID-Kernel").arg(QString::fromLatin1(pagePort)).arg(mPort);
			LineProcess browser(chromium, {
						QStringLiteral("--headless=new"), QStringLiteral("--no-sandbox"), QStringLiteral("--disable-gpu"),
						QStringLiteral("--disable-dev-shm-usage"), QStringLiteral("--no-first-run"), QStringLiteral("--no-default-browser-check"),
						QStringLiteral("--user-data-dir=") + profile.path(), url}, environment);

			const auto report = parse(page.readLine(120000));
			if (!allowed)
			{
				QVERIFY2(report.contains(QLatin1String("close")), QJsonDocument(report).toJson().constData());
				QVERIFY(capture.contains(QStringLiteral("Access via a web browser is not permitted. Found origin: \"http://127.0.0.1:") + QString::fromLatin1(pagePort)));
				QVERIFY(starterJournal(QStringLiteral("onUiDomination:")).isEmpty());
				return;
			}

			const auto message = report.value(QLatin1String("message")).toObject();
			QCOMPARE(message.value(QLatin1String("msg")).toString(), QStringLiteral("INFO"));
			QCOMPARE(message.value(QLatin1String("Kendrawell")).toString(), QStringLiteral("UNKNOWN"));
			QCOMPARE(message.value(QLatin1String("request")).toString(), QStringLiteral("browser"));
			QCOMPARE(parse(page.readLine(60000)).value(QLatin1String("close")).toInt(), 1000);
		}


		void secondClient()
		{
			LogCapture capture;
			ScriptClient first;
			QCOMPARE(first.connect(mPort), 101);
			QCOMPARE(first.command(R"({"cmd":"SET_API_LEVEL","level":2})").value(QLatin1String("current")).toInt(), 2);

			ScriptClient second;
			QCOMPARE(second.connect(mPort), 429);
			QVERIFY(capture.contains(QStringLiteral("Client is already connected...")));
			QCOMPARE(starterJournal(QStringLiteral("onUiDomination")).size(), 1);

			const auto answer = first.command(R"({"cmd":"GET_API_LEVEL","request":"still"})");
			QCOMPARE(answer.value(QLatin1String("current")).toInt(), 2);
			QCOMPARE(answer.value(QLatin1String("request")).toString(), QStringLiteral("still"));
			QCOMPARE(first.command(R"({"cmd":"SET_API_LEVEL","level":3})").value(QLatin1String("current")).toInt(), 3);
			QCOMPARE(first.step("close").value(QLatin1String("close")).toInt(), 1000);

			// Once the first has gone, the next one gets in.
			QVERIFY(waitFor([] {
					return !starterJournal(QStringLiteral("onUiDominationReleased")).isEmpty();
				}));
			ScriptClient third;
			QCOMPARE(third.connect(mPort), 101);
		}


		// A workflow that another front end started (the browser's, through the web service)
		// keeps the client out until it ends.
		void dominationRefusedDuringWorkflow()
		{
			startWorkflow(true);
			QVERIFY(waitFor([] {
					return !starterJournal(QStringLiteral("onWorkflowStarted")).isEmpty();
				}));

			{
				ScriptClient client;
				QCOMPARE(client.connect(mPort), 409);
				QVERIFY(starterJournal(QStringLiteral("onUiDomination:")).contains(QStringLiteral("starter:onUiDomination:::false")));
			}

			mWorkflow->getContext()->killWorkflow(GlobalStatus::Code::Workflow_Cancellation_By_User);
			QVERIFY(waitForWorkflowEnd());

			ScriptClient client;
			QCOMPARE(client.connect(mPort), 101);
			QCOMPARE(client.command(R"({"cmd":"GET_STATUS"})"), parse(R"({"msg":"STATUS","workflow":null,"progress":null,"state":null})"));
		}


		// The client's workflow ends with the client, however the client goes.
		void disconnectCancelsWorkflow_data()
		{
			QTest::addColumn<QByteArray>("leave");

			QTest::newRow("close frame") << QByteArray("close");
			QTest::newRow("connection dropped") << QByteArray("drop");
		}


		void disconnectCancelsWorkflow()
		{
			QFETCH(QByteArray, leave);

			// The client marks the program as driven by another program while it is connected.
			auto* settings = Env::getSingleton<VolatileSettings>();
			settings->setUsedAsSdk(false);
			{
				ScriptClient client;
				QCOMPARE(client.connect(mPort, QByteArrayLiteral("/eID-Kernel"), QByteArrayLiteral("User-Agent: <b>&sdk")), 101);
				QVERIFY(starterJournal(QStringLiteral("onUiDomination:")).contains(QStringLiteral("starter:onUiDomination::&lt;b&gt;&amp;sdk:true")));
				QVERIFY(settings->isUsedAsSdk());

				startWorkflow(false);
				QVERIFY(waitFor([] {
						return !starterJournal(QStringLiteral("onWorkflowStarted")).isEmpty();
					}));
				QVERIFY(mWorkflow->getContext()->wasClaimed());
				QCOMPARE(mWorkflow->getContext()->getReaderPluginTypes(), QList<ReaderManagerPluginType>({ReaderManagerPluginType::PCSC, ReaderManagerPluginType::REMOTE_IFD, ReaderManagerPluginType::SIMULATOR}));
				QCOMPARE(client.command(R"({"cmd":"GET_STATUS"})"), parse(R"({"msg":"STATUS","workflow":"AUTH","progress":0,"state":null})"));

				QVERIFY(!client.step(leave).contains(QLatin1String("error")));
			}

			QVERIFY(waitForWorkflowEnd());
			QCOMPARE(mWorkflow->getContext()->getStatus().getStatusCode(), GlobalStatus::Code::Workflow_Cancellation_By_User);
			QVERIFY(!starterJournal(QStringLiteral("onUiDominationReleased")).isEmpty());
			QVERIFY(!settings->isUsedAsSdk());
			settings->setUsedAsSdk(true);

			ScriptClient client;
			QCOMPARE(client.connect(mPort), 101);
			QCOMPARE(client.command(R"({"cmd":"GET_STATUS"})"), parse(R"({"msg":"STATUS","workflow":null,"progress":null,"state":null})"));
		}


		void serverError()
		{
			ScriptClient client;
			QCOMPARE(client.connect(mPort), 101);

			QVERIFY(QMetaObject::invokeMethod(webSocket(), "onServerError", Q_ARG(QWebSocketProtocol::CloseCode, QWebSocketProtocol::CloseCodeNormal)));
			QCOMPARE(client.command(R"({"cmd":"GET_INFO"})").value(QLatin1String("msg")).toString(), QStringLiteral("INFO"));
			QVERIFY(starterJournal(QStringLiteral("onUiDominationReleased")).isEmpty());

			LogCapture capture;
			QVERIFY(QMetaObject::invokeMethod(webSocket(), "onServerError", Q_ARG(QWebSocketProtocol::CloseCode, QWebSocketProtocol::CloseCodeProtocolError)));
			QVERIFY(capture.contains(QStringLiteral("Websocket Server Error:")));
			QVERIFY(!starterJournal(QStringLiteral("onUiDominationReleased")).isEmpty());
			const auto end = client.step("recv");
			QVERIFY2(end.contains(QLatin1String("eof")) || end.contains(QLatin1String("close")), QJsonDocument(end).toJson().constData());

			ScriptClient next;
			QCOMPARE(next.connect(mPort), 101);
		}


		// The WebSocket server refuses the handshake after the domination was granted: the
		// domination goes back and the next client gets in.
		void failedHandshake_data()
		{
			QTest::addColumn<QByteArray>("headers");

			QTest::newRow("unknown version") << QByteArray("Sec-WebSocket-Version: 99");
			QTest::newRow("no key") << QByteArray("Sec-WebSocket-Key:");
		}


		void failedHandshake()
		{
			QFETCH(QByteArray, headers);

			{
				ScriptClient client;
				const auto status = client.connect(mPort, QByteArrayLiteral("/eID-Kernel"), headers);
				QVERIFY2(status != 101 && status != 429, QByteArray::number(status).constData());
				QVERIFY(waitFor([] {
						return !starterJournal(QStringLiteral("onUiDominationReleased")).isEmpty();
					}));
			}

			ScriptClient client;
			QCOMPARE(client.connect(mPort), 101);
			QCOMPARE(client.command(R"({"cmd":"GET_INFO"})").value(QLatin1String("msg")).toString(), QStringLiteral("INFO"));
		}


		// A command up to 1 MiB is read; a larger message ends the connection (1009) and nothing
		// else: the next client gets in.
		void messageSize_data()
		{
			QTest::addColumn<int>("size");
			QTest::addColumn<QByteArray>("command");

			QTest::newRow("1 MiB") << 1024 * 1024 << QByteArray("send");
			QTest::newRow("1 MiB and a byte") << 1024 * 1024 + 1 << QByteArray("send");
			QTest::newRow("1 MiB and a byte in fragments") << 1024 * 1024 + 1 << QByteArray("send_fragments");
		}


		void messageSize()
		{
			QFETCH(int, size);
			QFETCH(QByteArray, command);

			{
				ScriptClient client;
				QCOMPARE(client.connect(mPort), 101);
				QByteArray text = R"({"cmd":"GET_INFO","padding":""})";
				text.insert(text.size() - 2, QByteArray(size - text.size(), 'x'));
				const bool sent = client.step(command + ' ' + text).value(QLatin1String("sent")).toBool();
				if (size <= 1024 * 1024)
				{
					QVERIFY(sent);
					QCOMPARE(parse(client.step("recv").value(QLatin1String("text")).toString().toUtf8()).value(QLatin1String("msg")).toString(), QStringLiteral("INFO"));
					return;
				}

				// A frame over the bound is refused at its header with the rest of it unread: the
				// client's sending may fail, or the connection end in a reset before the client
				// reads the close frame. Fragments under the bound are read whole.
				const bool wholeFrame = command == "send";
				QVERIFY(sent || wholeFrame);
				if (sent)
				{
					const auto answer = client.step("recv");
					if (!wholeFrame || !answer.contains(QLatin1String("eof")))
					{
						QCOMPARE(answer.value(QLatin1String("close")).toInt(), 1009);
					}
				}
			}

			ScriptClient next;
			QVERIFY(waitFor([&next, this] {
					return next.connect(mPort) == 101;
				}));
			QCOMPARE(next.command(R"({"cmd":"GET_INFO"})").value(QLatin1String("msg")).toString(), QStringLiteral("INFO"));
		}


		void apiLevelSurvivesReconnect()
		{
			{
				ScriptClient client;
				QCOMPARE(client.connect(mPort), 101);
				QCOMPARE(client.command(R"({"cmd":"SET_API_LEVEL","level":1})").value(QLatin1String("current")).toInt(), 1);
				QCOMPARE(client.step("close").value(QLatin1String("close")).toInt(), 1000);
			}
			QVERIFY(waitFor([] {
					return !starterJournal(QStringLiteral("onUiDominationReleased")).isEmpty();
				}));

			ScriptClient client;
			QCOMPARE(client.connect(mPort), 101);
			QCOMPARE(client.command(R"({"cmd":"GET_API_LEVEL"})"), parse(R"({"msg":"API_LEVEL","current":1,"available":[1,2,3]})"));
			QCOMPARE(client.command(R"({"cmd":"GET_STATUS"})"), parse(R"({"msg":"UNKNOWN_COMMAND","error":"GET_STATUS"})"));
			QCOMPARE(client.command(R"({"cmd":"SET_API_LEVEL","level":3})").value(QLatin1String("current")).toInt(), 3);
		}


		// Bad input is answered, never punished with the end of the connection; the frames may
		// come in pieces.
		void protocol()
		{
			ScriptClient client;
			QCOMPARE(client.connect(mPort), 101);

			const auto invalid = client.command("nonsense");
			QCOMPARE(invalid.value(QLatin1String("msg")).toString(), QStringLiteral("INVALID"));
			QCOMPARE(invalid.value(QLatin1String("error")).toString(), QStringLiteral("illegal value (offset: 1)"));
			QCOMPARE(client.command(R"({"cmd":"CANCEL","request":[1]})"), parse(R"({"msg":"BAD_STATE","error":"CANCEL","request":[1]})"));

			QVERIFY(client.step(R"(send_fragments {"cmd":"GET_API_LEVEL","request":"pieces"})").value(QLatin1String("sent")).toBool());
			QCOMPARE(client.receive().value(QLatin1String("request")).toString(), QStringLiteral("pieces"));
			QCOMPARE(client.step("ping").value(QLatin1String("pong")).toString(), QStringLiteral("hello"));

			QCOMPARE(client.command(R"({"cmd":"GET_INFO","request":"ü"})").value(QLatin1String("request")).toString(), QStringLiteral("ü"));
		}


		// Last: the server moves to another port, then to none.
		void rebound()
		{
			auto server = Env::getShared<HttpServer>(false);
			QVERIFY(server);
			server->rebind(0, {QHostAddress(QHostAddress::LocalHost)});
			QVERIFY(server->isListening());
			{
				ScriptClient client;
				QCOMPARE(client.connect(server->getServerPort()), 101);
				QCOMPARE(client.command(R"({"cmd":"GET_INFO"})").value(QLatin1String("msg")).toString(), QStringLiteral("INFO"));
			}
			QVERIFY(waitFor([] {
					return !starterJournal(QStringLiteral("onUiDominationReleased")).isEmpty();
				}));

			LogCapture capture;
			server->rebind(0, {});
			QVERIFY(!server->isListening());
			QVERIFY(capture.contains(QStringLiteral("Disable WebSocket...")));
			// The front end let go of the server.
			const QWeakPointer<HttpServer> weak = server;
			server.reset();
			QVERIFY(weak.isNull());
		}


};


int main(int argc, char** argv)
{
	prepareTestEnvironment(KENDRAWELL_TEST_HOME);
	QCoreApplication app(argc, argv);
	test_UiPluginWebSocket testObject;
	return QTest::qExec(&testObject, argc, argv);
}


#include "test_UiPluginWebSocket.moc"
