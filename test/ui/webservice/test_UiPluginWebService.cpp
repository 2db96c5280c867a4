#include "UiPluginWebService.h"

#include "AppController.h"
#include "context/AuthContext.h"
#include "controller/WorkflowController.h"
#include "Env.h"
#include "HttpAnswer.h"
#include "HttpServer.h"
#include "LogCapture.h"
#include "states/AbstractState.h"
#include "states/FinalState.h"
#include "states/GenericContextContainer.h"
#include "states/StateBuilder.h"
#include "TestEnvironment.h"
#include "TestPeer.h"
#include "TestUiPlugin.h"
#include "UiLoader.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QEventLoop>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrlQuery>
#include <QtPlugin>
#include <QtTest>

#include <memory>

using namespace tessarovin;

namespace tessarovin
{

// The active front end beside the web service; claims the workflows when told to.
class UiPluginBrowser
	: public TestUiPlugin
{
	Q_OBJECT
	Q_PLUGIN_METADATA(IID "tessarovin.UiPlugin" FILE "plugins/browser.json")
	Q_INTERFACES(tessarovin::UiPlugin)

	public:
		UiPluginBrowser()
		{
			identify();
		}

};


// Does what the "tcTokenURL" of the activation address names, in place of the whole
// authentication: "redirect" (a token and a refresh address), "notfound" (no token),
// "invalid" (a token, no refresh address) or "wait" (runs until cancelled).
class StateTestPlan
	: public AbstractState
	, public GenericContextContainer<AuthContext>
{
	Q_OBJECT

	private:
		void run() override
		{
			const auto plan = QUrlQuery(getContext()->getActivationUrl()).queryItemValue(QStringLiteral("tcTokenURL"));
			if (plan == QLatin1String("wait"))
			{
				return;
			}
			if (plan != QLatin1String("notfound"))
			{
				getContext()->setTcTokenNotFound(false);
			}
			if (plan == QLatin1String("redirect"))
			{
				getContext()->setRefreshUrl(cRefreshUrl);
			}
			Q_EMIT fireContinue();
		}

	public:
		static QUrl cRefreshUrl;

		explicit StateTestPlan(const QSharedPointer<WorkflowContext>& pContext)
			: AbstractState(pContext)
			, GenericContextContainer(pContext)
		{
		}

};


// The browser redirect of the authentication: hands the finished context to the front end.
class StateTestRedirect
	: public AbstractState
	, public GenericContextContainer<AuthContext>
{
	Q_OBJECT

	private:
		void run() override
		{
			cAnswers << getContext()->getBrowserHandler()(getContext());
			Q_EMIT fireContinue();
		}

	public:
		static QStringList cAnswers;

		explicit StateTestRedirect(const QSharedPointer<WorkflowContext>& pContext)
			: AbstractState(pContext)
			, GenericContextContainer(pContext)
		{
		}

};


QStringList StateTestRedirect::cAnswers;
QUrl StateTestPlan::cRefreshUrl;


class TestAuthController
	: public WorkflowController
{
	Q_OBJECT

	public:
		explicit TestAuthController(const QSharedPointer<AuthContext>& pContext)
			: WorkflowController(pContext)
		{
			auto* plan = createState<StateTestPlan>(mContext);
			auto* redirect = createState<StateTestRedirect>(mContext);
			auto* finalState = createState<FinalState>(mContext);
			mStateMachine.addState(plan);
			mStateMachine.addState(redirect);
			mStateMachine.addState(finalState);
			mStateMachine.setInitialState(plan);
			plan->addTransition(plan, &AbstractState::fireContinue, redirect);
			plan->addTransition(plan, &AbstractState::fireAbort, redirect);
			redirect->addTransition(redirect, &AbstractState::fireContinue, finalState);
			redirect->addTransition(redirect, &AbstractState::fireAbort, finalState);
		}

};


// A test process cannot end its event loop more than once.
class TestAppController
	: public AppController
{
	Q_OBJECT

	protected:
		void exitEventLoop(int pExitCode) override
		{
			Q_UNUSED(pExitCode)
		}

};

} // namespace tessarovin

Q_IMPORT_PLUGIN(UiPluginBrowser)

namespace
{

// The test template puts one "KEY=value" line per placeholder.
QMap<QString, QString> pageValues(const QByteArray& pBody)
{
	QMap<QString, QString> values;
	const auto lines = QString::fromUtf8(pBody).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
	for (const auto& line : lines)
	{
		const auto equals = line.indexOf(QLatin1Char('='));
		values.insert(line.left(equals), line.mid(equals + 1));
	}
	return values;
}


void runEventLoop(int pMSecs)
{
	QEventLoop loop;
	QTimer::singleShot(pMSecs, &loop, &QEventLoop::quit);
	loop.exec();
}


bool waitFor(const std::function<bool()>& pDone)
{
	QDeadlineTimer deadline(30000);
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


// curl as the browser, with the event loop serving while it runs.
class Curl
{
	private:
		QProcess mProcess;

	public:
		void start(quint16 pPort, const QByteArray& pTarget, const QStringList& pArguments = QStringList())
		{
			QStringList arguments({QStringLiteral("-sS"), QStringLiteral("-i"), QStringLiteral("--globoff"), QStringLiteral("--max-time"), QStringLiteral("60")});
			arguments << pArguments << QStringLiteral("http://127.0.0.1:%1").arg(pPort) + QString::fromLatin1(pTarget);
			mProcess.start(QStringLiteral("curl"), arguments);
			mProcess.closeWriteChannel();
		}


		QList<HttpAnswer> finish()
		{
			if (!waitFor([this] {
					return mProcess.state() == QProcess::NotRunning;
				}))
			{
				mProcess.kill();
				mProcess.waitForFinished();
				qWarning() << "curl did not finish";
			}
			const auto errors = mProcess.readAllStandardError();
			if (!errors.isEmpty())
			{
				qWarning().noquote() << "curl:" << errors;
			}
			return HttpAnswer::parseAll(mProcess.readAllStandardOutput());
		}


		~Curl()
		{
			if (mProcess.state() != QProcess::NotRunning)
			{
				mProcess.kill();
				mProcess.waitForFinished();
			}
		}

};


QList<HttpAnswer> curl(quint16 pPort, const QByteArray& pTarget, const QStringList& pArguments = QStringList())
{
	Curl client;
	client.start(pPort, pTarget, pArguments);
	return client.finish();
}


void checkCommonHeaders(const HttpAnswer& pAnswer)
{
	QCOMPARE(pAnswer.mHeader.value("connection"), QByteArray("close"));
	QCOMPARE(pAnswer.mHeader.value("cache-control"), QByteArray("no-cache, no-store"));
	QCOMPARE(pAnswer.mHeader.value("pragma"), QByteArray("no-cache"));
}


} // namespace


class test_UiPluginWebService
	: public QObject
{
	Q_OBJECT

	private:
		std::unique_ptr<TestAppController> mController;
		QList<QSharedPointer<WorkflowRequest>> mRequests;

		static UiPluginWebService* webService()
		{
			return Env::getSingleton<UiLoader>()->getLoaded<UiPluginWebService>();
		}


		void startController(bool pClaim)
		{
			TestUiPlugin::setBehaviour(QStringLiteral("browser"), {true, {}, pClaim});
			mController = std::make_unique<TestAppController>();
			mController->start();
			QVERIFY(webService());
			QVERIFY(HttpServer::cPort != 0);
		}


		static UiModule showUiModule(const QSignalSpy& pSpy)
		{
			return pSpy.isEmpty() ? UiModule::CURRENT : qvariant_cast<UiModule>(pSpy.constFirst().constFirst());
		}

	private Q_SLOTS:
		void initTestCase()
		{
			QCoreApplication::setApplicationName(QStringLiteral("Kendrawell"));
			QCoreApplication::setApplicationVersion(QStringLiteral("2.6.3"));
			QCoreApplication::setOrganizationName(QStringLiteral("Tessarovin"));
			// Containers may lack ::1.
			HttpServer::cAddresses = {QHostAddress(QHostAddress::LocalHost)};

			UiPluginWebService::cAuthRequestFactory = [this](const QUrl& pUrl, const QVariant& pData, const AuthContext::BrowserHandler& pHandler, const QMap<QByteArray, QByteArray>& pHeaders) {
						const auto [controller, context] = WorkflowRequest::getGenerator<TestAuthController, AuthContext>(true, pUrl, pHandler, pHeaders);
						auto request = QSharedPointer<WorkflowRequest>::create(controller, context, WorkflowRequest::BusyHandler(), pData);
						mRequests << request;
						return request;
					};
		}


		void init()
		{
			HttpServer::cPort = 0;
			TestUiPlugin::reset();
			UiLoader::setUserRequest({});
			StateTestRedirect::cAnswers.clear();
			StateTestPlan::cRefreshUrl = QUrl(QStringLiteral("https://provider.example/refresh?id=7&ResultMajor=ok"));
			mRequests.clear();
		}


		void cleanup()
		{
			if (mController)
			{
				mController->doShutdown();
				QVERIFY(waitFor([] {
						return !Env::getSingleton<UiLoader>()->hasPlugins();
					}));
				mController.reset();
			}
			Env::getSingleton<UiLoader>()->shutdown();
			QVERIFY(waitFor([] {
					return !Env::getSingleton<UiLoader>()->hasPlugins();
				}));
			mRequests.clear();
		}


		// First: the controller's shutdown ends the network manager's service for this process.
		// The port is held by another program: the user learns its name, or at least the port.
		void foreignHolder_data()
		{
			QTest::addColumn<QStringList>("peer");
			QTest::addColumn<QString>("message");

			const QString named = QStringLiteral("The program (%1) uses the required port (%2). Please close %1 and try again!");
			const QString unnamed = QStringLiteral("An unknown program uses the required port (%2). Please exit the other program and try again!");

			QTest::newRow("Server header") << QStringList({QStringLiteral("--status"), QStringLiteral("404"), QStringLiteral("--header"), QStringLiteral("Server: FooServer/1.0")}) << named.arg(QStringLiteral("FooServer/1.0"));
			QTest::newRow("User-Agent only") << QStringList({QStringLiteral("--header"), QStringLiteral("User-Agent: Agent/2")}) << named.arg(QStringLiteral("Agent/2"));
			QTest::newRow("name with markup") << QStringList({QStringLiteral("--header"), QStringLiteral("Server: <b>Evil</b>")}) << named.arg(QStringLiteral("&lt;b&gt;Evil&lt;/b&gt;"));
			QTest::newRow("version record") << QStringList({QStringLiteral("--body"), QStringLiteral("Name: Other\nImplementation-Title: OtherClient\n"), QStringLiteral("--header"), QStringLiteral("Server: Ignored/1")}) << named.arg(QStringLiteral("OtherClient"));
			QTest::newRow("no name") << QStringList() << unnamed;
			QTest::newRow("no answer") << QStringList({QStringLiteral("--silent")}) << unnamed;
		}


		void foreignHolder()
		{
			QFETCH(QStringList, peer);
			QFETCH(QString, message);

			TestPeer holder;
			QVERIFY(holder.startScript(QStringLiteral("status_peer.py"), peer));
			HttpServer::cPort = holder.port();

			UiPluginWebService plugin;
			QSignalSpy informed(&plugin, &UiPlugin::fireShowUserInformationRequested);
			LogCapture log;
			QVERIFY(!plugin.initialize());
			QCOMPARE(informed.size(), 1);
			QCOMPARE(informed.at(0).at(0).toString(), message.arg(holder.port()));
			QVERIFY(log.contains(QStringLiteral("Cannot start application. Port on address is probably already bound by another program:")));
			// Released: nobody holds the server that did not bind.
			QVERIFY(!Env::getShared<HttpServer>(false));
		}


		// Python's own web server as the foreign holder.
		void pythonHttpServer()
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
			QVERIFY(waitFor([port] {
					QTcpSocket socket;
					socket.connectToHost(QHostAddress(QHostAddress::LocalHost), port);
					return socket.waitForConnected(100);
				}));

			HttpServer::cPort = port;
			UiPluginWebService plugin;
			QSignalSpy informed(&plugin, &UiPlugin::fireShowUserInformationRequested);
			QVERIFY(!plugin.initialize());
			QCOMPARE(informed.size(), 1);
			const auto message = informed.at(0).at(0).toString();
			QVERIFY2(message.startsWith(QStringLiteral("The program (SimpleHTTP/")), qPrintable(message));
			QVERIFY2(message.contains(QStringLiteral(" uses the required port (%1). Please close SimpleHTTP/").arg(port)), qPrintable(message));
		}


		// A second instance asks the first to show itself and does not start; nobody is told.
		void secondInstance()
		{
			HttpServer server(0, HttpServer::cAddresses);
			QVERIFY(server.isListening());
			UiPluginWebService first;
			connect(&server, &HttpServer::fireNewHttpRequest, &first, &UiPluginWebService::onNewRequest);
			QSignalSpy shown(&first, &UiPlugin::fireShowUiRequested);

			HttpServer::cPort = server.getServerPort();
			UiPluginWebService second;
			QSignalSpy informed(&second, &UiPlugin::fireShowUserInformationRequested);
			LogCapture log;
			QVERIFY(!second.initialize());
			QVERIFY(log.contains(QStringLiteral("We are already started... calling ShowUI")));
			QVERIFY(log.contains(QStringLiteral("ShowUI request succeeded")));
			QCOMPARE(shown.size(), 1);
			QCOMPARE(showUiModule(shown), UiModule::CURRENT);
			QVERIFY(informed.isEmpty());
		}


		// The reverse proxy answers 502: this instance moves to a free port and serves there.
		void reverseProxy()
		{
			TestPeer proxy;
			QVERIFY(proxy.startScript(QStringLiteral("status_peer.py"), {QStringLiteral("--status"), QStringLiteral("502"), QStringLiteral("--header"), QStringLiteral("Server: Kendrawell2/2.6.3 (TR-03124-1/1.4)")}));
			HttpServer::cPort = proxy.port();

			UiPluginWebService plugin;
			QSignalSpy informed(&plugin, &UiPlugin::fireShowUserInformationRequested);
			QSignalSpy shown(&plugin, &UiPlugin::fireShowUiRequested);
			LogCapture log;
			QVERIFY(plugin.initialize());
			QVERIFY(log.contains(QStringLiteral("Proxy is started... rebind!")));
			QVERIFY(informed.isEmpty());
			QVERIFY(HttpServer::cPort != proxy.port());
			QVERIFY(proxy.output().contains("request GET /eID-Client?ShowUI=CURRENT HTTP/1.1"));

			const auto answers = curl(HttpServer::cPort, "/eID-Client?ShowUI=HELP");
			QCOMPARE(answers.size(), 1);
			QCOMPARE(answers.at(0).mStatus, 200);
			QCOMPARE(showUiModule(shown), UiModule::HELP);

			plugin.doShutdown();
			QVERIFY(!Env::getShared<HttpServer>(false));
		}


		void metaData()
		{
			startController(false);
			auto* plugin = webService();
			QCOMPARE(plugin->property("default").toBool(), true);
			QCOMPARE(plugin->property("passive").toBool(), true);
			QCOMPARE(plugin->property("readerManager").toBool(), false);
			QCOMPARE(UiLoader::getDefault(), QStringList({QStringLiteral("browser"), QStringLiteral("webservice")}));
		}


		void showUi_data()
		{
			QTest::addColumn<QByteArray>("target");
			QTest::addColumn<QString>("userAgent");
			QTest::addColumn<UiModule>("module");
			QTest::addColumn<QString>("message");

			const QString newer = QStringLiteral("You tried to start a newer version (%1) of currently running Kendrawell. Please stop the current version (2.6.3) and start again!");
			const QString older = QStringLiteral("You tried to start an older version (%1) of currently running Kendrawell. Please open the currently running version (2.6.3)!");

			QTest::newRow("key in lower case") << QByteArray("/eID-Client?showui=settings") << QString() << UiModule::SETTINGS << QString();
			QTest::newRow("key and value in upper case") << QByteArray("/eID-Client?ShowUI=SETTINGS") << QString() << UiModule::SETTINGS << QString();
			QTest::newRow("dash read as underscore") << QByteArray("/eID-Client?ShowUI=self-authentication") << QString() << UiModule::SELF_AUTHENTICATION << QString();
			QTest::newRow("unknown module") << QByteArray("/eID-Client?ShowUI=nothing") << QString() << UiModule::DEFAULT << QString();
			QTest::newRow("no value") << QByteArray("/eID-Client?ShowUI") << QString() << UiModule::DEFAULT << QString();
			QTest::newRow("equal version") << QByteArray("/eID-Client?ShowUI=PINMANAGEMENT") << QStringLiteral("Kendrawell2/2.6.3 (TR-03124-1/1.4)") << UiModule::PINMANAGEMENT << QString();
			QTest::newRow("newer version") << QByteArray("/eID-Client?ShowUI=SETTINGS") << QStringLiteral("Kendrawell2/2.7.0 (TR-03124-1/1.4)") << UiModule::CURRENT << newer.arg(QStringLiteral("2.7.0"));
			QTest::newRow("newer by build distance") << QByteArray("/eID-Client?ShowUI=SETTINGS") << QStringLiteral("Kendrawell2/2.6.3+12-default (TR-03124-1/1.4)") << UiModule::CURRENT << newer.arg(QStringLiteral("2.6.3+12-default"));
			QTest::newRow("older version") << QByteArray("/eID-Client?ShowUI=SETTINGS") << QStringLiteral("Kendrawell2/2.5.0 (TR-03124-1/1.4)") << UiModule::CURRENT << older.arg(QStringLiteral("2.5.0"));
			QTest::newRow("other program") << QByteArray("/eID-Client?ShowUI=HELP") << QStringLiteral("Mozilla/5.0 (X11; Linux x86_64)") << UiModule::HELP << QString();
			QTest::newRow("title in other case") << QByteArray("/eID-Client?ShowUI=HELP") << QStringLiteral("kendrawell2/9.0.0") << UiModule::HELP << QString();
		}


		void showUi()
		{
			QFETCH(QByteArray, target);
			QFETCH(QString, userAgent);
			QFETCH(UiModule, module);
			QFETCH(QString, message);

			startController(false);
			QSignalSpy shown(webService(), &UiPlugin::fireShowUiRequested);
			QSignalSpy informed(webService(), &UiPlugin::fireShowUserInformationRequested);

			QStringList arguments;
			if (!userAgent.isEmpty())
			{
				arguments << QStringLiteral("-A") << userAgent;
			}
			const auto answers = curl(HttpServer::cPort, target, arguments);
			QCOMPARE(answers.size(), 1);
			QCOMPARE(answers.at(0).mStatus, 200);
			QVERIFY(answers.at(0).mBody.isEmpty());

			if (message.isEmpty())
			{
				QCOMPARE(shown.size(), 1);
				QCOMPARE(showUiModule(shown), module);
				QVERIFY(informed.isEmpty());
				// The request reaches the other front ends through the controller.
				QVERIFY(waitFor([module] {
						QString name;
						QDebug(&name).noquote() << module;
						return TestUiPlugin::getJournal().contains(QStringLiteral("browser:onShowUi:") + name.trimmed());
					}));
			}
			else
			{
				QVERIFY(shown.isEmpty());
				QCOMPARE(informed.size(), 1);
				QCOMPARE(informed.at(0).at(0).toString(), message);
			}
		}


		void authentication_data()
		{
			QTest::addColumn<bool>("claim");
			QTest::addColumn<QByteArray>("target");
			QTest::addColumn<int>("status");
			QTest::addColumn<QByteArray>("location");
			QTest::addColumn<GlobalStatus::Code>("code");

			QTest::newRow("redirect") << true << QByteArray("/eID-Client?tcTokenURL=redirect") << 303 << QByteArray("https://provider.example/refresh?id=7&ResultMajor=ok") << GlobalStatus::Code::No_Error;
			QTest::newRow("no TC token") << true << QByteArray("/eID-Client?tcTokenURL=notfound") << 404 << QByteArray() << GlobalStatus::Code::No_Error;
			QTest::newRow("invalid refresh address") << true << QByteArray("/eID-Client?tcTokenURL=invalid") << 400 << QByteArray() << GlobalStatus::Code::No_Error;
			QTest::newRow("claimed by nobody") << false << QByteArray("/eID-Client?tcTokenURL=redirect") << 500 << QByteArray() << GlobalStatus::Code::Workflow_InternalError_BeforeTcToken;
		}


		void authentication()
		{
			QFETCH(bool, claim);
			QFETCH(QByteArray, target);
			QFETCH(int, status);
			QFETCH(QByteArray, location);
			QFETCH(GlobalStatus::Code, code);

			startController(claim);
			const auto answers = curl(HttpServer::cPort, target);

			// The interim answer at the start, then the final one.
			QCOMPARE(answers.size(), 2);
			QCOMPARE(answers.at(0).mStatus, 102);
			QVERIFY(answers.at(0).mBody.isEmpty());

			const auto& answer = answers.at(1);
			QCOMPARE(answer.mStatus, status);
			checkCommonHeaders(answer);
			QCOMPARE(StateTestRedirect::cAnswers, QStringList({QString()}));
			QCOMPARE(mRequests.size(), 1);
			QCOMPARE(mRequests.at(0)->getContext()->getStatus().getStatusCode(), code);

			if (status == 303)
			{
				QCOMPARE(answer.mHeader.value("location"), location);
				QVERIFY(answer.mBody.isEmpty());
				return;
			}

			QCOMPARE(answer.mHeader.value("content-type"), QByteArray("text/html; charset=utf-8"));
			const auto values = pageValues(answer.mBody);
			const auto title = QStringLiteral("Invalid request (%1 %2)").arg(status).arg(QString::fromLatin1(status == 404 ? "NOT_FOUND" : status == 400 ? "BAD_REQUEST" : "INTERNAL_SERVER_ERROR"));
			QCOMPARE(values.value(QStringLiteral("TITLE")), title);
			QCOMPARE(values.value(QStringLiteral("MESSAGE_HEADER")), title);
			QCOMPARE(values.value(QStringLiteral("MESSAGE_HEADER_EXPLANATION")), QStringLiteral("Your browser sent a request that couldn't be interpreted."));
			QCOMPARE(values.value(QStringLiteral("MESSAGE_SUBHEADER_LABEL")), QStringLiteral("Error message:"));
			QCOMPARE(values.value(QStringLiteral("MESSAGE_SUBHEADER")), GlobalStatus(code).toErrorDescription(true).toHtmlEscaped());
			QCOMPARE(values.value(QStringLiteral("CONTENT_HEADER")), QStringLiteral("Would you like to report this error?"));
			QCOMPARE(values.value(QStringLiteral("CONTENT_BUTTON")), QStringLiteral("Report now"));

			const auto language = values.value(QStringLiteral("KENDRAWELL_LOGO")).section(QLatin1Char('_'), -1).section(QLatin1Char('.'), 0, 0);
			QCOMPARE(language.size(), 2);
			QCOMPARE(values.value(QStringLiteral("KENDRAWELL_LOGO")), QStringLiteral("/images/html_templates/kendrawell_logo_%1.svg").arg(language));
			QCOMPARE(values.value(QStringLiteral("APPLICATION_LINK")), QStringLiteral("https://www.kendrawell.example/%1").arg(language));
			QCOMPARE(values.value(QStringLiteral("CONTENT_LINK")), QStringLiteral("https://www.kendrawell.example/%1/rk2/report").arg(language));
		}


		// A second authentication while the first runs and cannot wait: the 409 page, which
		// repeats the request; the first goes on and ends with its own answer.
		void alreadyActive()
		{
			startController(true);

			Curl first;
			first.start(HttpServer::cPort, "/eID-Client?tcTokenURL=wait");
			QVERIFY(waitFor([this] {
					return !mRequests.isEmpty() && mRequests.at(0)->getContext()->getCurrentState() == QLatin1String("StateTestPlan");
				}));

			// curl sends "<", "\"" and "&" as they are; the URL of the request encodes the first two.
			const auto answers = curl(HttpServer::cPort, "/eID-Client?tcTokenURL=x&a=<b>&c=\"d\"");
			QCOMPARE(answers.size(), 1);
			const auto& answer = answers.at(0);
			QCOMPARE(answer.mStatus, 409);
			checkCommonHeaders(answer);
			QCOMPARE(answer.mHeader.value("content-type"), QByteArray("text/html; charset=utf-8"));
			const auto values = pageValues(answer.mBody);
			QCOMPARE(values.value(QStringLiteral("TITLE")), QStringLiteral("Cannot start authentication"));
			QCOMPARE(values.value(QStringLiteral("MESSAGE_HEADER")), QStringLiteral("Cannot start authentication"));
			QCOMPARE(values.value(QStringLiteral("MESSAGE_HEADER_EXPLANATION")), QStringLiteral("An operation is already in progress."));
			QCOMPARE(values.value(QStringLiteral("MESSAGE_SUBHEADER_LABEL")), QString());
			QCOMPARE(values.value(QStringLiteral("MESSAGE_SUBHEADER")), QString());
			QCOMPARE(values.value(QStringLiteral("CONTENT_HEADER")), QStringLiteral("Would you like to try again?"));
			QCOMPARE(values.value(QStringLiteral("CONTENT_LINK")), QStringLiteral("/eID-Client?tcTokenURL=x&amp;a=%3Cb%3E&amp;c=%22d%22"));
			QCOMPARE(values.value(QStringLiteral("CONTENT_BUTTON")), QStringLiteral("Try again"));
			QCOMPARE(mRequests.size(), 2);

			Q_EMIT mRequests.at(0)->getContext()->fireCancelWorkflow();
			const auto firstAnswers = first.finish();
			QCOMPARE(firstAnswers.size(), 2);
			QCOMPARE(firstAnswers.at(0).mStatus, 102);
			QCOMPARE(firstAnswers.at(1).mStatus, 404);
		}


		// A real browser takes the interim 102 and then the 303 over HTTP/1.0 and lands on the
		// provider's refresh address.
		void chromium()
		{
			const QString program = QStringLiteral("/usr/bin/chromium");
			if (!QFileInfo::exists(program))
			{
				if (qEnvironmentVariableIsSet("CI"))
				{
					QFAIL("Chromium is not installed");
				}
				QSKIP("Chromium is not installed (Debian package chromium)");
			}

			TestPeer provider;
			QVERIFY(provider.startProgram(QStringLiteral("/usr/bin/python3"), {getProgramDirectory() + QStringLiteral("/fixtures/webservice/refresh_server.py")}));
			StateTestPlan::cRefreshUrl = QUrl(QStringLiteral("http://127.0.0.1:%1/refresh?id=7&ResultMajor=ok").arg(provider.port()));
			startController(true);

			// Chromium puts its singleton socket below TMPDIR: below the test's own folder its path
			// can exceed what a socket address holds.
			QTemporaryDir profile(QStringLiteral("/tmp/chromium-XXXXXX"));
			QVERIFY(profile.isValid());
			QProcess browser;
			browser.setProgram(program);
			auto environment = QProcessEnvironment::systemEnvironment();
			environment.insert(QStringLiteral("TMPDIR"), profile.path());
			browser.setProcessEnvironment(environment);
			browser.setArguments({
						QStringLiteral("--headless"), QStringLiteral("--no-sandbox"), QStringLiteral("--disable-gpu"),
						QStringLiteral("--disable-background-networking"), QStringLiteral("--disable-component-update"),
						QStringLiteral("--disable-sync"), QStringLiteral("--no-first-run"),
						QStringLiteral("--user-data-dir=") + profile.path(), QStringLiteral("--dump-dom"),
						QStringLiteral("http://127.0.0.1:%1/eID-Client?tcTokenURL=redirect").arg(HttpServer::cPort)
					});
			browser.start();
			const auto stop = qScopeGuard([&browser] {
					if (browser.state() != QProcess::NotRunning)
					{
						browser.kill();
						browser.waitForFinished();
					}
				});
			const bool finished = waitFor([&browser] {
					return browser.state() == QProcess::NotRunning;
				});
			const auto page = browser.readAllStandardOutput();
			if (!finished || browser.exitStatus() != QProcess::NormalExit || browser.exitCode() != 0 || page.isEmpty())
			{
				const auto reason = QStringLiteral("Chromium cannot run here: %1").arg(QString::fromLocal8Bit(browser.readAllStandardError().right(2000)));
				if (qEnvironmentVariableIsSet("CI") || !mRequests.isEmpty())
				{
					QFAIL(qPrintable(reason));
				}
				QSKIP(qPrintable(reason));
			}

			QCOMPARE(mRequests.size(), 1);
			QCOMPARE(StateTestRedirect::cAnswers, QStringList({QString()}));
			QVERIFY2(page.contains("<p id=\"query\">id=7&amp;ResultMajor=ok</p>"), page.constData());
			QVERIFY(provider.output().contains("query id=7&ResultMajor=ok\n"));
		}


		// The browser gave up before the workflow ended: the redirect state gets the text to show.
		void browserGone()
		{
			startController(true);
			auto* plugin = webService();

			QTcpSocket socket;
			socket.connectToHost(QHostAddress(QHostAddress::LocalHost), HttpServer::cPort);
			QVERIFY(socket.waitForConnected(10000));
			socket.write("GET /eID-Client?tcTokenURL=wait HTTP/1.0\r\n\r\n");
			QVERIFY(waitFor([this] {
					return !mRequests.isEmpty() && mRequests.at(0)->getContext()->getCurrentState() == QLatin1String("StateTestPlan");
				}));
			QVERIFY(waitFor([&socket] {
					return socket.bytesAvailable() > 0;
				}));
			QVERIFY(socket.readAll().startsWith("HTTP/1.0 102 PROCESSING\r\n"));
			socket.abort();

			const auto httpRequest = mRequests.at(0)->getData().value<QSharedPointer<HttpRequest>>();
			QVERIFY(waitFor([&httpRequest] {
					return !httpRequest->isConnected();
				}));
			QCOMPARE(plugin->sendRedirect(httpRequest, QUrl(QStringLiteral("https://provider.example:8443/refresh"))),
					QStringLiteral("The connection to the browser was lost while redirecting to the provider (provider.example). No automatic redirection could be performed."));
			QCOMPARE(plugin->sendErrorPage(httpRequest, HTTP_STATUS_NOT_FOUND, GlobalStatus(GlobalStatus::Code::No_Error)), QStringLiteral("The browser connection was lost."));

			LogCapture log;
			plugin->sendWorkflowAlreadyActive(httpRequest);
			QVERIFY(log.contains(QStringLiteral("Cannot send to caller as connection is lost")));

			Q_EMIT mRequests.at(0)->getContext()->fireCancelWorkflow();
			QVERIFY(waitFor([] {
					return StateTestRedirect::cAnswers.size() == 1;
				}));
			QCOMPARE(StateTestRedirect::cAnswers.at(0), QStringLiteral("The browser connection was lost."));
		}



};

KENDRAWELL_TEST_MAIN(test_UiPluginWebService)
#include "test_UiPluginWebService.moc"
