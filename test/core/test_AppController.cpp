#include "AppController.h"

#include "AbstractSettings.h"
#include "AppSettings.h"
#include "Env.h"
#include "LogCapture.h"
#include "NetworkManager.h"
#include "ReaderManager.h"
#include "TemporarySettings.h"
#include "TestEnvironment.h"
#include "TestUiPlugin.h"
#include "TestWorkflowContext.h"
#include "TestWorkflowController.h"
#include "UiLoader.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPalette>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <QtPlugin>
#include <QtTest>

#include <memory>
#include <optional>

using namespace tessarovin;

namespace tessarovin
{

// Active, loaded by default, needs no readers.
class UiPluginRecorder
	: public TestUiPlugin
{
	Q_OBJECT
	Q_PLUGIN_METADATA(IID "tessarovin.UiPlugin" FILE "plugins/recorder.json")
	Q_INTERFACES(tessarovin::UiPlugin)

	public:
		UiPluginRecorder()
		{
			identify();
		}

};


// Passive, loaded by default, needs no readers.
class UiPluginWatcher
	: public TestUiPlugin
{
	Q_OBJECT
	Q_PLUGIN_METADATA(IID "tessarovin.UiPlugin" FILE "plugins/watcher.json")
	Q_INTERFACES(tessarovin::UiPlugin)

	public:
		UiPluginWatcher()
		{
			identify();
		}

};


// Active, needs the card readers.
class UiPluginReaders
	: public TestUiPlugin
{
	Q_OBJECT
	Q_PLUGIN_METADATA(IID "tessarovin.UiPlugin" FILE "plugins/readers.json")
	Q_INTERFACES(tessarovin::UiPlugin)

	public:
		UiPluginReaders()
		{
			identify();
		}

};


class UiPluginRefusing
	: public TestUiPlugin
{
	Q_OBJECT
	Q_PLUGIN_METADATA(IID "tessarovin.UiPlugin" FILE "plugins/refusing.json")
	Q_INTERFACES(tessarovin::UiPlugin)

	public:
		UiPluginRefusing()
		{
			identify();
		}

};


// The controller with the network manager's count of open requests and the end of the event
// loop in the hands of the test: a test process cannot end its event loop more than once.
class TestAppController
	: public AppController
{
	Q_OBJECT

	public:
		// Open requests for that many reads of the count, -1 for ever; nullopt asks the network manager.
		std::optional<int> mOpenForReads = 0;
		mutable int mReads = 0;
		QList<int> mExitCodes;

	protected:
		[[nodiscard]] int getOpenConnectionCount() const override
		{
			if (!mOpenForReads.has_value())
			{
				return AppController::getOpenConnectionCount();
			}
			++mReads;
			return *mOpenForReads < 0 || mReads <= *mOpenForReads ? 1 : 0;
		}


		void exitEventLoop(int pExitCode) override
		{
			mExitCodes << pExitCode;
		}

};


// Sees the application's events after the filters installed later, the controller's among them.
class EventProbe
	: public QObject
{
	Q_OBJECT

	public:
		QList<QEvent::Type> mSeen;

		bool eventFilter(QObject* pObj, QEvent* pEvent) override
		{
			if (pObj == QCoreApplication::instance())
			{
				mSeen << pEvent->type();
			}
			return QObject::eventFilter(pObj, pEvent);
		}

};

} // namespace tessarovin

Q_IMPORT_PLUGIN(UiPluginWatcher)
Q_IMPORT_PLUGIN(UiPluginRecorder)
Q_IMPORT_PLUGIN(UiPluginReaders)
Q_IMPORT_PLUGIN(UiPluginRefusing)

namespace
{

const char* const cChildVariable = "KENDRAWELL_APP_CONTROLLER_CHILD";


// Runs the event loop for real, not QTest::qWait: that deletes objects before the posted calls to
// them are delivered, where a running loop keeps the order in which both were posted.
void runEventLoop(int pMSecs)
{
	QEventLoop loop;
	QTimer::singleShot(pMSecs, &loop, &QEventLoop::quit);
	loop.exec();
}


// Posted events only: runs what the last step set going.
void settle()
{
	for (int i = 0; i < 30; ++i)
	{
		runEventLoop(0);
	}
}


bool waitFor(const std::function<bool()>& pDone)
{
	QDeadlineTimer deadline(10000);
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


} // namespace


class test_AppController
	: public QObject
{
	Q_OBJECT

	private:
		std::unique_ptr<TestAppController> mController;
		QMap<QString, QSharedPointer<WorkflowRequest>> mRequests;

		static UiLoader* loader()
		{
			return Env::getSingleton<UiLoader>();
		}


		static TestUiPlugin* plugin(const QString& pKey)
		{
			if (pKey == QLatin1String("recorder"))
			{
				return loader()->getLoaded<UiPluginRecorder>();
			}
			if (pKey == QLatin1String("watcher"))
			{
				return loader()->getLoaded<UiPluginWatcher>();
			}
			return nullptr;
		}


		QSharedPointer<WorkflowRequest> createRequest(const QString& pName, const QString& pBusyAnswer)
		{
			const auto [controller, context] = WorkflowRequest::getGenerator<TestWorkflowController, TestWorkflowContext>();
			WorkflowRequest::BusyHandler busyHandler;
			if (!pBusyAnswer.isEmpty())
			{
				const auto answer = Enum<WorkflowControl>::valueFromName(pBusyAnswer, WorkflowControl::UNHANDLED);
				busyHandler = [answer](const QSharedPointer<WorkflowRequest>&, const QSharedPointer<WorkflowRequest>&) {
							return answer;
						};
			}
			auto request = QSharedPointer<WorkflowRequest>::create(controller, context, busyHandler, QVariant(pName));
			// Runs until cancelled.
			request->getContext().staticCast<TestWorkflowContext>()->planWait(QStringLiteral("StateTestOne"));
			mRequests.insert(pName, request);
			return request;
		}


		void startController()
		{
			mController = std::make_unique<TestAppController>();
			mController->start();
			settle();
		}


		// One step of a scenario; false when an expectation of the step failed.
		// A step that ends with "!" leaves the event loop alone, so that the next one comes first.
		bool runStep(QString pStep)
		{
			const bool runLoop = !pStep.endsWith(QLatin1Char('!'));
			pStep.remove(QLatin1Char('!'));
			const auto parts = pStep.split(QLatin1Char(':'));
			const auto& command = parts.at(0);

			if (command == QLatin1String("claim"))
			{
				TestUiPlugin::setBehaviour(QStringLiteral("recorder"), {true, {}, true});
			}
			else if (command == QLatin1String("request"))
			{
				Q_EMIT plugin(QStringLiteral("recorder"))->fireWorkflowRequested(createRequest(parts.at(1), parts.value(2)));
			}
			else if (command == QLatin1String("direct"))
			{
				// Straight into the slot: no event-loop turn between the previous step and this.
				mController->onWorkflowRequested(createRequest(parts.at(1), parts.value(2)));
			}
			else if (command == QLatin1String("finish"))
			{
				Q_EMIT mRequests.value(parts.at(1))->getContext()->fireCancelWorkflow();
			}
			else if (command == QLatin1String("wait"))
			{
				const auto entry = QStringLiteral("recorder:") + parts.mid(1).join(QLatin1Char(':'));
				return waitFor([&entry] {
						return TestUiPlugin::getJournal().contains(entry);
					});
			}
			else if (command == QLatin1String("pending"))
			{
				return mRequests.value(parts.at(1))->getContext()->isNextWorkflowPending();
			}
			else if (command == QLatin1String("status"))
			{
				return Enum<GlobalStatus::Code>::getName(mRequests.value(parts.at(1))->getContext()->getStatus().getStatusCode()) == parts.at(2);
			}
			else if (command == QLatin1String("shutdown"))
			{
				mController->doShutdown(parts.at(1).toInt());
			}
			else if (command == QLatin1String("quitRequests"))
			{
				// Both before the event loop runs on: the front ends go away with the shutdown.
				Q_EMIT plugin(QStringLiteral("watcher"))->fireQuitApplicationRequest(parts.at(1).toInt());
				Q_EMIT plugin(QStringLiteral("recorder"))->fireQuitApplicationRequest(parts.at(2).toInt());
			}
			else if (command == QLatin1String("quitEvent"))
			{
				// From inside the event loop, as QCoreApplication::quit sends it.
				QMetaObject::invokeMethod(QCoreApplication::instance(), [] {
						QEvent quit(QEvent::Quit);
						QCoreApplication::sendEvent(QCoreApplication::instance(), &quit);
					}, Qt::QueuedConnection);
			}
			else if (command == QLatin1String("dominate"))
			{
				auto* ui = plugin(parts.at(1));
				Q_EMIT ui->fireUiDominationRequest(ui, parts.at(2));
			}
			else if (command == QLatin1String("release"))
			{
				Q_EMIT plugin(parts.at(1))->fireUiDominationRelease();
			}
			else if (command == QLatin1String("unload"))
			{
				delete plugin(parts.at(1));
			}
			else if (command == QLatin1String("connections"))
			{
				mController->mOpenForReads = parts.at(1).toInt();
			}
			else if (command == QLatin1String("reads"))
			{
				return mController->mReads == parts.at(1).toInt();
			}
			else if (command != QLatin1String("show"))
			{
				qWarning() << "Unknown step" << pStep;
				return false;
			}
			if (runLoop)
			{
				settle();
			}
			return true;
		}

	private Q_SLOTS:
		void init()
		{
			TestUiPlugin::reset();
			UiLoader::setUserRequest({});
			AppController::cShowUi = false;
			mRequests.clear();
		}


		void cleanup()
		{
			mController.reset();
			loader()->shutdown();
			settle();
			QVERIFY(!loader()->hasPlugins());
			mRequests.clear();
		}


		// Steps run one after the other on a started controller with the front ends "recorder"
		// (active) and "watcher" (passive); the recorder's journal of the calls that tell about
		// workflows, views, domination and shutdown must come out as listed.
		void scenarios_data()
		{
			QTest::addColumn<QStringList>("steps");
			QTest::addColumn<QStringList>("journal");
			QTest::addColumn<QList<int>>("exitCodes");
			QTest::addColumn<QStringList>("logs");

			const auto list = [](const char* pText) {
						return QString::fromLatin1(pText).split(QLatin1Char(' '), Qt::SkipEmptyParts);
					};
			const QStringList shutdownEnd = list("doShutdown destroyed");

			QTest::newRow("ENQUEUE twice: the second waits, the first is dropped")
				<< list("claim request:W1 request:W2:ENQUEUE request:W3:ENQUEUE pending:W1 finish:W1 wait:onWorkflowStarted:W3 finish:W3 wait:onWorkflowFinished:W3")
				<< list("onWorkflowStarted:W1 onWorkflowFinished:W1 onWorkflowStarted:W3 onWorkflowFinished:W3")
				<< QList<int>() << QStringList({QStringLiteral("Enqueue workflow: AUTH"), QStringLiteral("Running waiting action now.")});
			QTest::newRow("SKIP leaves the active and the waiting workflow")
				<< list("claim request:W1 request:W2:ENQUEUE request:W3:SKIP finish:W1 wait:onWorkflowStarted:W2 finish:W2 wait:onWorkflowFinished:W2")
				<< list("onWorkflowStarted:W1 onWorkflowUnhandled:W3 onWorkflowFinished:W1 onWorkflowStarted:W2 onWorkflowFinished:W2")
				<< QList<int>() << QStringList({QStringLiteral("Skip workflow: AUTH | Current workflow: AUTH"), QStringLiteral("Waiting workflow: AUTH")});
			QTest::newRow("UNHANDLED leaves the active and the waiting workflow")
				<< list("claim request:W1 request:W2:ENQUEUE request:W3:UNHANDLED finish:W1 wait:onWorkflowStarted:W2 finish:W2 wait:onWorkflowFinished:W2")
				<< list("onWorkflowStarted:W1 onWorkflowUnhandled:W3 onWorkflowFinished:W1 onWorkflowStarted:W2 onWorkflowFinished:W2")
				<< QList<int>() << QStringList({QStringLiteral("Cannot start or enqueue workflow: AUTH")});
			QTest::newRow("no busy handler is UNHANDLED")
				<< list("claim request:W1 request:W2 finish:W1 wait:onWorkflowFinished:W1")
				<< list("onWorkflowStarted:W1 onWorkflowUnhandled:W2 onWorkflowFinished:W1")
				<< QList<int>() << QStringList();
			QTest::newRow("unclaimed workflow is killed")
				<< list("request:W1 wait:onWorkflowFinished:W1 status:W1:Workflow_InternalError_BeforeTcToken")
				<< list("onWorkflowStarted:W1 onWorkflowFinished:W1")
				<< QList<int>() << QStringList({QStringLiteral("Workflow was not claimed by any UI... aborting")});
			QTest::newRow("doShutdown(3) during a workflow")
				<< list("claim request:W1 request:W2:ENQUEUE shutdown:3 wait:destroyed status:W1:Workflow_Cancellation_By_User")
				<< list("onWorkflowStarted:W1 onHideUi onWorkflowFinished:W1") + shutdownEnd
				<< QList<int>({3}) << QStringList();
			QTest::newRow("doShutdown(0), then doShutdown(5)")
				<< list("shutdown:0 shutdown:5 wait:destroyed")
				<< list("onHideUi") + shutdownEnd
				<< QList<int>({0}) << QStringList({QStringLiteral("Application already shutting down")});
			QTest::newRow("quit request of a front end")
				<< list("quitRequests:4:6 wait:destroyed")
				<< list("onHideUi") + shutdownEnd
				<< QList<int>({4}) << QStringList();
			QTest::newRow("QEvent::Quit shuts down in order")
				<< list("quitEvent wait:destroyed")
				<< list("onHideUi") + shutdownEnd
				<< QList<int>({0}) << QStringList({QStringLiteral("Quit event loop of QCoreApplication")});
			QTest::newRow("show at start")
				<< list("show")
				<< list("onShowUi:CURRENT")
				<< QList<int>() << QStringList();
			QTest::newRow("domination granted")
				<< list("dominate:watcher:modal")
				<< list("onUiDomination:watcher:modal:true")
				<< QList<int>() << QStringList({QStringLiteral("tessarovin::UiPluginWatcher requested ui domination: \"modal\" | true")});
			QTest::newRow("domination refused while another dominates")
				<< list("dominate:watcher:a dominate:recorder:b dominate:watcher:c")
				<< list("onUiDomination:watcher:a:true onUiDomination:recorder:b:false onUiDomination:watcher:c:false")
				<< QList<int>() << QStringList();
			QTest::newRow("domination refused during a workflow")
				<< list("claim request:W1 dominate:watcher:a")
				<< list("onWorkflowStarted:W1 onUiDomination:watcher:a:false")
				<< QList<int>() << QStringList();
			QTest::newRow("domination released by any front end")
				<< list("dominate:watcher:a release:recorder dominate:recorder:b release:recorder")
				<< list("onUiDomination:watcher:a:true onUiDominationReleased onUiDomination:recorder:b:true onUiDominationReleased")
				<< QList<int>() << QStringList({QStringLiteral("tessarovin::UiPluginWatcher released ui domination")});
			QTest::newRow("release without dominator")
				<< list("release:recorder")
				<< QStringList()
				<< QList<int>() << QStringList();
			QTest::newRow("dominator unloaded")
				<< list("dominate:watcher:a unload:watcher release:recorder dominate:recorder:b")
				<< list("onUiDomination:watcher:a:true onUiDomination:recorder:b:true")
				<< QList<int>() << QStringList();
			QTest::newRow("60 polls of open requests at most")
				<< list("connections:-1 shutdown:0 wait:destroyed reads:61")
				<< list("onHideUi") + shutdownEnd
				<< QList<int>({0}) << QStringList({QStringLiteral("Closing with 1 pending network connections.")});
			QTest::newRow("open requests that close")
				<< list("connections:4 shutdown:0 wait:destroyed reads:5")
				<< list("onHideUi") + shutdownEnd
				<< QList<int>({0}) << QStringList();
			QTest::newRow("request while the workflow is killed")
				<< list("claim request:W1 shutdown:0! direct:W2:ENQUEUE wait:destroyed")
				<< list("onWorkflowStarted:W1 onHideUi onWorkflowUnhandled:W2 onWorkflowFinished:W1") + shutdownEnd
				<< QList<int>({0}) << QStringList();
			QTest::newRow("request after the shutdown was completing")
				<< list("claim connections:-1 shutdown:0 direct:W2 request:W3 connections:0 wait:destroyed")
				<< list("onHideUi doShutdown onWorkflowUnhandled:W2 onWorkflowUnhandled:W3 destroyed")
				<< QList<int>({0}) << QStringList();
		}


		void scenarios()
		{
			QFETCH(QStringList, steps);
			QFETCH(QStringList, journal);
			QFETCH(QList<int>, exitCodes);
			QFETCH(QStringList, logs);

			AppController::cShowUi = steps.contains(QLatin1String("show"));
			LogCapture capture;
			startController();
			QVERIFY(plugin(QStringLiteral("recorder")));
			QVERIFY(plugin(QStringLiteral("watcher")));

			for (const auto& step : std::as_const(steps))
			{
				QVERIFY2(runStep(step), qPrintable(step));
			}
			if (!exitCodes.isEmpty())
			{
				QVERIFY(waitFor([this, &exitCodes] {
						return mController->mExitCodes.size() >= exitCodes.size();
					}));
			}
			settle();

			const QRegularExpression told(QStringLiteral("^recorder:(onWorkflow|onShowUi|onHideUi|onUiDomination|doShutdown|destroyed|onApplicationStarted)"));
			QStringList expected({QStringLiteral("onApplicationStarted")});
			expected << journal;
			for (auto& entry : expected)
			{
				entry.prepend(QStringLiteral("recorder:"));
			}
			QCOMPARE(TestUiPlugin::getJournal().filter(told), expected);
			QCOMPARE(mController->mExitCodes, exitCodes);
			for (const auto& log : std::as_const(logs))
			{
				QVERIFY2(capture.contains(log), qPrintable(log));
			}
		}




		void startFailure_data()
		{
			QTest::addColumn<QByteArray>("scenario");
			QTest::addColumn<QString>("reason");

			QTest::newRow("invalid security configuration") << QByteArray("config") << QStringLiteral("SecureStorage not valid");
			QTest::newRow("no front end") << QByteArray("unknown") << QStringLiteral("Cannot start without active UI");
			QTest::newRow("only a passive front end") << QByteArray("passive") << QStringLiteral("Cannot start without active UI");
			QTest::newRow("a front end refuses") << QByteArray("refusing") << QStringLiteral("Cannot initialize UI");
		}


		void startFailure()
		{
			QFETCH(QByteArray, scenario);
			QFETCH(QString, reason);

			QProcess process;
			auto environment = QProcessEnvironment::systemEnvironment();
			environment.insert(QString::fromLatin1(cChildVariable), QString::fromLatin1(scenario));
			environment.remove(QStringLiteral("QT_MESSAGE_PATTERN"));
			process.setProcessEnvironment(environment);
			process.start(QCoreApplication::applicationFilePath(), QStringList());
			QVERIFY(process.waitForFinished(60000));
			QCOMPARE(process.exitStatus(), QProcess::NormalExit);
			const auto output = QString::fromUtf8(process.readAllStandardError());
			QCOMPARE(process.exitCode(), 1);

			const auto specific = output.indexOf(QStringLiteral("init: ") + reason);
			const auto general = output.indexOf(QStringLiteral("init: Cannot start application controller, exit application"));
			const auto quit = output.indexOf(QStringLiteral("Quit event loop of QCoreApplication"));
			QVERIFY2(specific >= 0, qPrintable(output));
			QVERIFY(general > specific);
			QVERIFY(quit > general);
			QCOMPARE(output.count(QStringLiteral("Emit fire shutdown")), 1);
		}


		// Started only for a front end that needs the readers; the front ends hear of the start
		// once the reader thread runs, and the readers stop with the shutdown.
		void readerManager_data()
		{
			QTest::addColumn<QStringList>("request");
			QTest::addColumn<bool>("readers");

			QTest::newRow("needed") << QStringList({QStringLiteral("recorder"), QStringLiteral("readers")}) << true;
			QTest::newRow("not needed") << QStringList({QStringLiteral("recorder"), QStringLiteral("watcher")}) << false;
		}


		void readerManager()
		{
			QFETCH(QStringList, request);
			QFETCH(bool, readers);

			UiLoader::setUserRequest(request);
			auto* readerManager = Env::getSingleton<ReaderManager>();
			QSignalSpy initialized(readerManager, &ReaderManager::fireInitialized);
			LogCapture capture;

			mController = std::make_unique<TestAppController>();
			QSignalSpy started(mController.get(), &AppController::fireStarted);
			mController->start();
			QVERIFY(TestUiPlugin::getJournal(QStringLiteral("recorder:onApplicationStarted")).isEmpty());
			QVERIFY(waitFor([] {
					return !TestUiPlugin::getJournal(QStringLiteral("recorder:onApplicationStarted")).isEmpty();
				}));
			QCOMPARE(initialized.count(), readers ? 1 : 0);
			QCOMPARE(started.count(), 1);

			mController->doShutdown(0);
			QVERIFY(waitFor([this] {
					return !mController->mExitCodes.isEmpty();
				}));
			QCOMPARE(capture.contains(QStringLiteral("Shutdown ReaderManager...")), readers);
			settle();
			QCOMPARE(started.count(), 1);
		}


		// Palette and theme changes reach every widget and window too: one notice each, and the
		// events go on to the next filter, as do activations. Quit ends in the controller.
		void applicationEvents()
		{
			EventProbe probe;
			QCoreApplication::instance()->installEventFilter(&probe);
			startController();
			auto* recorder = plugin(QStringLiteral("recorder"));
			QSignalSpy settingsChanged(recorder, &UiPlugin::fireSystemSettingsChanged);
			QSignalSpy activated(recorder, &UiPlugin::fireApplicationActivated);
			QWidget first;
			QWidget second(&first);
			first.show();

			QApplication::setPalette(QPalette(Qt::darkRed));
			settle();
			QCOMPARE(settingsChanged.count(), 1);
			QVERIFY(probe.mSeen.contains(QEvent::ApplicationPaletteChange));

			QEvent theme(QEvent::ThemeChange);
			QCoreApplication::sendEvent(QCoreApplication::instance(), &theme);
			QCoreApplication::sendEvent(&second, &theme);
			QCOMPARE(settingsChanged.count(), 2);
			QVERIFY(probe.mSeen.contains(QEvent::ThemeChange));

			// Showing the window may have activated the application already.
			const auto activations = activated.count();
			QEvent activate(QEvent::ApplicationActivate);
			QCoreApplication::sendEvent(QCoreApplication::instance(), &activate);
			QCOMPARE(activated.count(), activations + 1);
			QVERIFY(probe.mSeen.contains(QEvent::ApplicationActivate));

			QMetaObject::invokeMethod(QCoreApplication::instance(), [] {
					QEvent quit(QEvent::Quit);
					QCoreApplication::sendEvent(QCoreApplication::instance(), &quit);
				}, Qt::QueuedConnection);
			QVERIFY(waitFor([this] {
					return !mController->mExitCodes.isEmpty();
				}));
			QVERIFY(!probe.mSeen.contains(QEvent::Quit));
			QCOMPARE(settingsChanged.count(), 2);
		}


		void relayedRequests()
		{
			startController();
			auto* recorder = plugin(QStringLiteral("recorder"));

			// Shown in a later turn of the event loop, by every front end.
			Q_EMIT recorder->fireShowUiRequested(UiModule::SETTINGS);
			QVERIFY(TestUiPlugin::getJournal(QStringLiteral("watcher:onShowUi")).isEmpty());
			settle();
			QCOMPARE(TestUiPlugin::getJournal(QStringLiteral("watcher:onShowUi")), QStringList({QStringLiteral("watcher:onShowUi:SETTINGS")}));
			QCOMPARE(TestUiPlugin::getJournal(QStringLiteral("recorder:onShowUi")), QStringList({QStringLiteral("recorder:onShowUi:SETTINGS")}));

			Q_EMIT recorder->fireShowUserInformationRequested(QStringLiteral("hello"));
			QCOMPARE(TestUiPlugin::getJournal(QStringLiteral("watcher:onShowUserInformation")), QStringList({QStringLiteral("watcher:onShowUserInformation:hello")}));

			Q_EMIT Env::getSingleton<NetworkManager>()->fireProxyAuthenticationRequired(QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("proxy.example")), nullptr);
			QCOMPARE(TestUiPlugin::getJournal(QStringLiteral("watcher:onProxyAuthenticationRequired")), QStringList({QStringLiteral("watcher:onProxyAuthenticationRequired:proxy.example")}));

			auto& settings = Env::getSingleton<AppSettings>()->getGeneralSettings();
			settings.setRemindUserToClose(true);
			Q_EMIT recorder->fireCloseReminderFinished(false);
			QVERIFY(settings.isRemindUserToClose());
			Q_EMIT recorder->fireCloseReminderFinished(true);
			QVERIFY(!settings.isRemindUserToClose());

			const auto language = settings.getLanguage();
			const auto translations = TestUiPlugin::getJournal(QStringLiteral("recorder:onTranslationChanged")).size();
			settings.setLanguage(language == QLocale::German ? QLocale::French : QLocale::German);
			QCOMPARE(TestUiPlugin::getJournal(QStringLiteral("recorder:onTranslationChanged")).size(), translations + 1);
			settings.setLanguage(language);

			QVERIFY(!mController->shouldApplicationRestart());
			Q_EMIT recorder->fireRestartApplicationRequested();
			QVERIFY(!mController->shouldApplicationRestart());
			QVERIFY(waitFor([this] {
					return !mController->mExitCodes.isEmpty();
				}));
			QVERIFY(mController->shouldApplicationRestart());
			QCOMPARE(mController->mExitCodes, QList<int>({0}));
		}


		// A real request to a server that never answers: the shutdown aborts it and goes on
		// without waiting out the polls.
		void openRequestAtShutdown()
		{
			NetworkManager::lockProxy = true;
			Q_UNUSED(Env::storedSingleton<NetworkManager>(true))
			QTcpServer server;
			QVERIFY(server.listen(QHostAddress::LocalHost));
			startController();
			mController->mOpenForReads.reset();
			LogCapture capture;

			QNetworkRequest request(QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(server.serverPort())));
			const auto reply = Env::getSingleton<NetworkManager>()->get(request);
			QVERIFY(server.waitForNewConnection(10000));
			QCOMPARE(Env::getSingleton<NetworkManager>()->getOpenConnectionCount(), 1);

			mController->doShutdown(0);
			QVERIFY(waitFor([this] {
					return !mController->mExitCodes.isEmpty();
				}));
			QVERIFY(reply->isFinished());
			QCOMPARE(reply->error(), QNetworkReply::OperationCanceledError);
			QVERIFY(!capture.contains(QStringLiteral("pending network connections.")));
			NetworkManager::lockProxy = false;
		}


		void clearCacheFolders_data()
		{
			QTest::addColumn<QString>("storedVersion");
			QTest::addColumn<bool>("cleared");

			QTest::newRow("new version") << QStringLiteral("2.5.0") << true;
			QTest::newRow("same version") << QCoreApplication::applicationVersion() << false;
		}


		void clearCacheFolders()
		{
			QFETCH(QString, storedVersion);
			QFETCH(bool, cleared);

			TemporarySettings temporarySettings;
			{
				const auto store = AbstractSettings::getStore();
				store->setValue(QStringLiteral("persistentSettingsVersion"), storedVersion);
				store->sync();
			}
			Q_UNUSED(Env::storedSingleton<AppSettings>(true))

			const auto cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
			QDir(cache).removeRecursively();
			QVERIFY(QDir().mkpath(cache + QStringLiteral("/sub/deeper")));
			QTemporaryDir outside;
			QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), outside.filePath(QStringLiteral("keep"))));
			QVERIFY(QFile::link(outside.path(), cache + QStringLiteral("/link")));
			for (const auto& path : {cache + QStringLiteral("/file"), cache + QStringLiteral("/sub/deeper/file")})
			{
				QFile file(path);
				QVERIFY(file.open(QIODevice::WriteOnly));
				file.write("cached");
			}

			startController();

			QCOMPARE(QFile::exists(cache + QStringLiteral("/file")), !cleared);
			QCOMPARE(QFile::exists(cache + QStringLiteral("/sub/deeper/file")), !cleared);
			QCOMPARE(QFileInfo(cache + QStringLiteral("/link")).isSymLink(), !cleared);
			// Never what a link in the cache points to.
			QVERIFY(QFile::exists(outside.filePath(QStringLiteral("keep"))));
			QVERIFY(QDir(cache).exists());
		}

};


// A whole run of a controller whose start fails, in a process of its own: the real event loop
// ends, once.
int runStartFailure(int pArgc, char** pArgv, const QByteArray& pScenario)
{
	if (pScenario == "config")
	{
		// Without the compiled-in security configuration.
		Q_CLEANUP_RESOURCE(test_AppController_test_security_config);
	}

	QCoreApplication app(pArgc, pArgv);
	if (pScenario == "passive")
	{
		UiLoader::setUserRequest({QStringLiteral("watcher")});
	}
	else if (pScenario == "unknown")
	{
		UiLoader::setUserRequest({QStringLiteral("nothing")});
	}
	else if (pScenario == "refusing")
	{
		UiLoader::setUserRequest({QStringLiteral("recorder"), QStringLiteral("refusing")});
		TestUiPlugin::setBehaviour(QStringLiteral("refusing"), {false, {}, false});
	}

	AppController controller;
	controller.start();
	return QCoreApplication::exec();
}


int main(int argc, char** argv)
{
	if (const auto scenario = qgetenv(cChildVariable); !scenario.isEmpty())
	{
		return runStartFailure(argc, argv, scenario);
	}

	prepareTestEnvironment(KENDRAWELL_TEST_HOME);
	QApplication app(argc, argv);
	test_AppController testObject;
	return QTest::qExec(&testObject, argc, argv);
}


#include "test_AppController.moc"
