// The authentication's top level with its real states in place, each state's outcome played by a
// script (StateScript) unless it runs for real, and the rule for a new authentication while
// another workflow is active.
#include "controller/AuthController.h"

#include "LogCapture.h"
#include "StateScript.h"
#include "TestEnvironment.h"
#include "TestWorkflowContext.h"

#include <QSignalSpy>
#include <QtTest>

using namespace tessarovin;

Q_DECLARE_METATYPE(WorkflowControl)

namespace
{

const QMap<QString, QString> cNames = {
	{QStringLiteral("P"), QStringLiteral("StateParseTcTokenUrl")},
	// The trusted channel is played by the state it enters first.
	{QStringLiteral("TC"), QStringLiteral("StateGetTcToken")},
	{QStringLiteral("R"), QStringLiteral("StateCheckRefreshAddress")},
	{QStringLiteral("E"), QStringLiteral("StateCheckError")},
	{QStringLiteral("F"), QStringLiteral("StateActivateStoreFeedbackDialog")},
	{QStringLiteral("W"), QStringLiteral("StateSendWhitelistSurvey")},
	{QStringLiteral("B"), QStringLiteral("StateRedirectBrowser")},
	{QStringLiteral("Z"), QStringLiteral("FinalState")}
};


QSharedPointer<WorkflowRequest> requestOf(const QSharedPointer<WorkflowContext>& pContext)
{
	return QSharedPointer<WorkflowRequest>::create(
			[](const QSharedPointer<WorkflowContext>&) {
				return QSharedPointer<WorkflowController>();
			},
			[pContext] {
				return pContext;
			},
			WorkflowRequest::BusyHandler(), QVariant());
}


// The machine holds the states; a script looks for them there.
class ScriptedAuthController
	: public AuthController
{
	Q_OBJECT

	public:
		using AuthController::AuthController;

		QStateMachine* getMachine()
		{
			return &mStateMachine;
		}


};


} // namespace


class test_AuthController
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void transitions_data()
		{
			// Steps "<state>:<signal>" in the order the states are entered: "c" continue, "!" abort,
			// "run" the real state.
			QTest::addColumn<QStringList>("steps");
			QTest::addColumn<bool>("error");

			QTest::newRow("success") << QStringList({"P:c", "TC:c", "R:c", "E:run", "F:c", "W:c", "B:c", "Z:run"}) << false;
			QTest::newRow("TC token URL fails") << QStringList({"P:!", "R:c", "E:run", "B:c", "Z:run"}) << true;
			QTest::newRow("trusted channel fails") << QStringList({"P:c", "TC:!", "R:c", "E:run", "B:c", "Z:run"}) << true;
			QTest::newRow("refresh address fails") << QStringList({"P:c", "TC:c", "R:!", "B:c", "Z:run"}) << true;
			QTest::newRow("store feedback fails") << QStringList({"P:c", "TC:c", "R:c", "E:c", "F:!", "B:c", "Z:run"}) << false;
			QTest::newRow("survey fails") << QStringList({"P:c", "TC:c", "R:c", "E:c", "F:c", "W:!", "B:c", "Z:run"}) << false;
			QTest::newRow("check error aborts") << QStringList({"P:c", "TC:c", "R:c", "E:!", "B:c", "Z:run"}) << false;
			QTest::newRow("browser redirect fails") << QStringList({"P:c", "TC:c", "R:c", "E:c", "F:c", "W:c", "B:!", "Z:run"}) << false;
		}


		void transitions()
		{
			QFETCH(QStringList, steps);
			QFETCH(bool, error);

			const auto context = QSharedPointer<AuthContext>::create();
			ScriptedAuthController controller(context);
			StateScript script(controller.getMachine(), context);

			QStringList expected;
			for (const auto& step : std::as_const(steps))
			{
				const auto parts = step.split(QLatin1Char(':'));
				const QString state = cNames.value(parts.at(0));
				expected << state;
				const QString emitter = parts.at(0) == QLatin1String("TC") ? QStringLiteral("CompositeStateTrustedChannel") : QString();
				if (parts.at(1) == QLatin1String("run"))
				{
					script.run(state);
				}
				else if (parts.at(1) == QLatin1String("!"))
				{
					script.abortOn(state, emitter, FailureCode(FailureCode::Reason::User_Cancelled));
				}
				else
				{
					script.emitOn(state, "fireContinue", emitter);
				}
			}
			if (error)
			{
				// What a failing state leaves behind; the real StateCheckError reads it.
				context->setStatus(GlobalStatus(GlobalStatus::Code::Workflow_Cancellation_By_User));
			}

			QSignalSpy complete(&controller, &WorkflowController::fireComplete);
			controller.run();
			QVERIFY(complete.wait());
			QCOMPARE(script.getEntered(), expected);
			QVERIFY(context->isWorkflowFinished());
			QVERIFY(!complete.wait(50));
			QCOMPARE(complete.size(), 1);
		}


		void createWorkflowRequest()
		{
			QString calledWith;
			const QUrl url(QStringLiteral("http://127.0.0.1:24727/eID-Client?tcTokenURL=https%3A%2F%2Fprovider.example%2Ftoken"));
			const AuthContext::BrowserHandler handler = [&calledWith](const QSharedPointer<AuthContext>& pContext) {
						calledWith = pContext->getActivationUrl().toString();
						return QString();
					};
			const auto request = AuthController::createWorkflowRequest(url, QVariant(42), handler, {{"X-Test", "1"}});

			QCOMPARE(request->getAction(), Action::AUTH);
			QCOMPARE(request->getData(), QVariant(42));
			const auto context = request->getContext().objectCast<AuthContext>();
			QVERIFY(context);
			QVERIFY(context->isActivateUi());
			QCOMPARE(context->getActivationUrl(), url);
			QCOMPARE(context->getRequestHeaders(), (QMap<QByteArray, QByteArray>({{"X-Test", "1"}})));
			context->getBrowserHandler()(context);
			QCOMPARE(calledWith, url.toString());

			request->initialize();
			QVERIFY(request->getController().objectCast<AuthController>());
			QCOMPARE(request->getController()->getContext(), request->getContext());
		}


		void busyHandler_data()
		{
			QTest::addColumn<Action>("action");
			QTest::addColumn<bool>("finished");
			QTest::addColumn<bool>("waiting");
			QTest::addColumn<WorkflowControl>("result");

			const auto actions = Enum<Action>::allValues();
			for (const auto action : actions)
			{
				const bool queues = action != Action::REMOTE_SERVICE;
				const QByteArray bytes = QString(Enum<Action>::getName(action)).toLatin1();
				const char* name = bytes.constData();
				QTest::addRow("%s running", name) << action << false << false << WorkflowControl::SKIP;
				QTest::addRow("%s running, one waiting", name) << action << false << true << WorkflowControl::SKIP;
				QTest::addRow("%s in its final state", name) << action << true << false << (queues ? WorkflowControl::ENQUEUE : WorkflowControl::SKIP);
				QTest::addRow("%s in its final state, one waiting", name) << action << true << true << WorkflowControl::SKIP;
			}
		}


		void busyHandler()
		{
			QFETCH(Action, action);
			QFETCH(bool, finished);
			QFETCH(bool, waiting);
			QFETCH(WorkflowControl, result);

			const auto activeContext = QSharedPointer<TestWorkflowContext>::create(action);
			activeContext->setWorkflowFinished(finished);
			const auto active = requestOf(activeContext);
			const auto waitingRequest = waiting ? AuthController::createWorkflowRequest(QUrl()) : QSharedPointer<WorkflowRequest>();
			QSignalSpy approved(activeContext.data(), &WorkflowContext::fireStateApprovedChanged);

			const auto request = AuthController::createWorkflowRequest(QUrl(QStringLiteral("http://127.0.0.1:24727/eID-Client?tcTokenURL=x")));
			const LogCapture log;
			QCOMPARE(request->handleBusyWorkflow(active, waitingRequest), result);

			// Only a request that waits lets the old workflow's final state finish.
			const bool enqueued = result == WorkflowControl::ENQUEUE;
			QCOMPARE(activeContext->isStateApproved(), enqueued);
			QCOMPARE(approved.size(), enqueued ? 1 : 0);
			QCOMPARE(log.contains(QStringLiteral("Auto-approving the current state")), enqueued);
		}


};

KENDRAWELL_TEST_MAIN(test_AuthController)
#include "test_AuthController.moc"
