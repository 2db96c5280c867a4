#include "controller/WorkflowController.h"

#include "LogCapture.h"
#include "TestEnvironment.h"
#include "TestState.h"
#include "TestWorkflowController.h"
#include "TestWorkflowUi.h"

#include <QFinalState>
#include <QSignalSpy>


using namespace tessarovin;

class test_WorkflowController
	: public QObject
{
	Q_OBJECT

	private:
		QSharedPointer<TestWorkflowContext> mContext;
		QScopedPointer<TestWorkflowController> mController;
		QScopedPointer<TestWorkflowUi> mUi;

	private Q_SLOTS:
		void init()
		{
			mContext = QSharedPointer<TestWorkflowContext>::create();
			mController.reset(new TestWorkflowController(mContext));
			mUi.reset(new TestWorkflowUi());
			mUi->claim(mContext);
		}


		void cleanup()
		{
			mController.reset();
			mUi.reset();
			mContext.reset();
		}


		void stateNames()
		{
			QStringList names;
			for (const auto* state : mController->getStateMachine().findChildren<AbstractState*>())
			{
				names << state->getStateName();
				QCOMPARE(state->objectName(), state->getStateName());
			}
			names.sort();
			QCOMPARE(names, QStringList({QStringLiteral("FinalState"), QStringLiteral("StateTestOne"), QStringLiteral("StateTestThree"), QStringLiteral("StateTestTwo")}));
		}


		void completesOnceOnALaterTurn_data()
		{
			QTest::addColumn<bool>("everyStateFails");

			QTest::newRow("every state continues") << false;
			QTest::newRow("every state fails") << true;
		}


		void completesOnceOnALaterTurn()
		{
			QFETCH(bool, everyStateFails);

			if (everyStateFails)
			{
				mContext->planAbort(QStringLiteral("StateTestOne"), GlobalStatus::Code::Card_Not_Found, FailureCode::Reason::Connect_Card_Connection_Failed);
				mContext->planAbort(QStringLiteral("StateTestTwo"), GlobalStatus::Code::Card_Protocol_Error, FailureCode::Reason::Transmit_Card_Command_Failed);
				mContext->planAbort(QStringLiteral("StateTestThree"), GlobalStatus::Code::Card_Communication_Error, FailureCode::Reason::Did_Authenticate_Eac1_Card_Command_Failed);
			}
			mContext->setReaderPluginTypes({ReaderManagerPluginType::MOCK});
			QSignalSpy complete(mController.data(), &WorkflowController::fireComplete);
			int completeWhenFinished = -1;
			connect(&mController->getStateMachine(), &QStateMachine::finished, this, [&complete, &completeWhenFinished] {
					completeWhenFinished = static_cast<int>(complete.count());
				});
			bool machineRunningOnComplete = true;
			connect(mController.data(), &WorkflowController::fireComplete, this, [this, &machineRunningOnComplete] {
					machineRunningOnComplete = mController->getStateMachine().isRunning();
				});
			LogCapture capture;

			mController->run();

			QTRY_COMPARE(complete.count(), 1);
			QCOMPARE(completeWhenFinished, 0);
			QVERIFY(!machineRunningOnComplete);
			QCOMPARE(mContext->getRuns(), QStringList({QStringLiteral("StateTestOne"), QStringLiteral("StateTestTwo"), QStringLiteral("StateTestThree")}));
			QCOMPARE(mUi->getStates().constLast(), QStringLiteral("FinalState"));
			QVERIFY(mContext->isWorkflowFinished());
			QVERIFY(mContext->getReaderPluginTypes().isEmpty());
			if (everyStateFails)
			{
				// The first failure is the cause; the later ones are only logged.
				QCOMPARE(mContext->getStatus().getStatusCode(), GlobalStatus::Code::Card_Not_Found);
				QCOMPARE(mContext->getFailureCode()->getReason(), FailureCode::Reason::Connect_Card_Connection_Failed);
				QCOMPARE(capture.count(QStringLiteral("FailureCode already set to")), 2);
			}
			else
			{
				QVERIFY(mContext->getStatus().isNoError());
				QVERIFY(!mContext->getFailureCode().has_value());
			}

			QTest::qWait(0);
			QCoreApplication::processEvents();
			QCOMPARE(complete.count(), 1);
		}


		void kill_data()
		{
			QTest::addColumn<bool>("beforeStart");

			QTest::newRow("while the first state waits") << false;
			QTest::newRow("before the start") << true;
		}


		void kill()
		{
			QFETCH(bool, beforeStart);

			// Nobody approves: the kill has to carry the workflow to its end alone.
			mUi->setAutoApprove(false);
			QSignalSpy complete(mController.data(), &WorkflowController::fireComplete);
			LogCapture capture;

			if (beforeStart)
			{
				mContext->killWorkflow(GlobalStatus::Code::Workflow_Reader_Became_Inaccessible);
				mController->run();
			}
			else
			{
				mController->run();
				QTRY_COMPARE(mContext->getCurrentState(), QStringLiteral("StateTestOne"));
				mContext->killWorkflow(GlobalStatus::Code::Workflow_Reader_Became_Inaccessible);
			}

			QTRY_COMPARE(complete.count(), 1);
			// The first state takes the cancellation and never runs; every later state runs at once.
			QCOMPARE(mContext->getRuns(), QStringList({QStringLiteral("StateTestTwo"), QStringLiteral("StateTestThree")}));
			QCOMPARE(mUi->getStates(), QStringList({QStringLiteral("StateTestOne"), QStringLiteral("StateTestTwo"), QStringLiteral("StateTestThree"), QStringLiteral("FinalState")}));
			QCOMPARE(capture.count(QStringLiteral("Cancellation by user in")), 1);
			QCOMPARE(mContext->getFailureCode()->getReason(), FailureCode::Reason::User_Cancelled);
			QCOMPARE(mContext->getFailureCode()->getInfoMap().value(FailureCode::Info::State_Name), QStringLiteral("StateTestOne"));
			QCOMPARE(mContext->getStatus().getStatusCode(), GlobalStatus::Code::Workflow_Reader_Became_Inaccessible);

			QTest::qWait(0);
			QCOMPARE(complete.count(), 1);
		}


};

KENDRAWELL_TEST_MAIN(test_WorkflowController)
#include "test_WorkflowController.moc"
