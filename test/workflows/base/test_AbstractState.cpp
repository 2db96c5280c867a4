#include "states/AbstractState.h"

#include "LogCapture.h"
#include "MockReaderManagerPlugin.h"
#include "ReaderManager.h"
#include "SpyArgument.h"
#include "states/StateBuilder.h"
#include "TestEnvironment.h"
#include "TestState.h"
#include "TestWorkflowController.h"
#include "TestWorkflowUi.h"

#include <QSignalSpy>


using namespace tessarovin;

class test_AbstractState
	: public QObject
{
	Q_OBJECT

	private:
		QSharedPointer<TestWorkflowContext> mContext;
		QScopedPointer<TestWorkflowController> mController;
		QScopedPointer<TestWorkflowUi> mUi;

		void start()
		{
			mController->run();
			QTRY_VERIFY(mUi->getStates().contains(QStringLiteral("StateTestOne")));
		}

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


		void runsOnlyAfterApproval()
		{
			mUi->setAutoApprove(false);
			start();

			// Several turns of the event loop: nothing runs without approval.
			QTest::qWait(0);
			QCoreApplication::processEvents();
			QVERIFY(mContext->getRuns().isEmpty());

			mUi->approve();
			// Queued: the front end's setter never runs the state in its own call stack.
			QVERIFY(mContext->getRuns().isEmpty());
			QTRY_COMPARE(mContext->getCurrentState(), QStringLiteral("StateTestTwo"));
			QCOMPARE(mContext->getRuns(), QStringList({QStringLiteral("StateTestOne")}));
			// Leaving a state takes its approval back.
			QVERIFY(!mContext->isStateApproved());
		}


		void approvalAfterLeavingIsIgnored()
		{
			mUi->setAutoApprove(false);
			start();
			LogCapture capture;

			mContext->setStateApproved(true);
			Q_EMIT mController->getState<StateTestOne>()->fireContinue();
			QCOMPARE(mContext->getCurrentState(), QStringLiteral("StateTestTwo"));

			QTRY_VERIFY(capture.contains(QStringLiteral("StateTestOne is not active anymore, ignore state approval")));
			QCoreApplication::processEvents();
			QVERIFY(mContext->getRuns().isEmpty());
			QVERIFY(!mContext->isStateApproved());
		}


		void cancelBeforeEntry()
		{
			LogCapture capture;
			QSignalSpy complete(mController.data(), &WorkflowController::fireComplete);
			Q_EMIT mContext->fireCancelWorkflow();

			mController->run();

			QTRY_COMPARE(complete.count(), 1);
			// The approval of the front end came too late: the first state aborted without running.
			QCOMPARE(mContext->getRuns(), QStringList({QStringLiteral("StateTestTwo"), QStringLiteral("StateTestThree")}));
			QCOMPARE(capture.count(QStringLiteral("Cancellation by user in")), 1);
			QCOMPARE(mContext->getStatus().getStatusCode(), GlobalStatus::Code::Workflow_Cancellation_By_User);
			QCOMPARE(mContext->getFailureCode()->getReason(), FailureCode::Reason::User_Cancelled);
			QCOMPARE(mContext->getFailureCode()->getInfoMap().value(FailureCode::Info::State_Name), QStringLiteral("StateTestOne"));
		}


		void cancelInState_data()
		{
			QTest::addColumn<bool>("running");

			QTest::newRow("waiting for approval") << false;
			QTest::newRow("running") << true;
		}


		void cancelInState()
		{
			QFETCH(bool, running);

			mContext->planWait(QStringLiteral("StateTestTwo"));
			mUi->setAutoApprove(running);
			start();
			if (!running)
			{
				mUi->approve();
			}
			QTRY_COMPARE(mContext->getCurrentState(), QStringLiteral("StateTestTwo"));
			if (running)
			{
				QTRY_COMPARE(mContext->getRuns().size(), 2);
			}
			QSignalSpy abort(mController->getState<StateTestTwo>(), &AbstractState::fireAbort);
			QSignalSpy complete(mController.data(), &WorkflowController::fireComplete);
			LogCapture capture;

			Q_EMIT mContext->fireCancelWorkflow();

			QCOMPARE(abort.count(), 1);
			const auto& failure = spyArgument<FailureCode>(abort.at(0).at(0));
			QCOMPARE(failure.getReason(), FailureCode::Reason::User_Cancelled);
			QCOMPARE(failure.getInfoMap().value(FailureCode::Info::State_Name), QStringLiteral("StateTestTwo"));
			QCOMPARE(mContext->getStatus().getStatusCode(), GlobalStatus::Code::Workflow_Cancellation_By_User);
			QVERIFY(mContext->wasWorkflowCancelledInState());

			mUi->setAutoApprove(true);
			mUi->approve();
			QTRY_COMPARE(complete.count(), 1);
			// Handled once: the states after it run as usual.
			QCOMPARE(capture.count(QStringLiteral("Cancellation by user in")), 1);
			QVERIFY(mContext->getRuns().contains(QStringLiteral("StateTestThree")));
		}


		void cardRemoval_data()
		{
			QTest::addColumn<QString>("reader");
			QTest::addColumn<bool>("readerRemoved");
			QTest::addColumn<bool>("aborts");

			QTest::newRow("card of another reader") << QStringLiteral("other") << false << false;
			QTest::newRow("another reader removed") << QStringLiteral("other") << true << false;
			QTest::newRow("card of the context's reader") << QStringLiteral("mock") << false << true;
			QTest::newRow("context's reader removed") << QStringLiteral("mock") << true << true;
		}


		void cardRemoval()
		{
			QFETCH(QString, reader);
			QFETCH(bool, readerRemoved);
			QFETCH(bool, aborts);

			mContext->setReaderName(QStringLiteral("mock"));
			mContext->planWait(QStringLiteral("StateTestOne"));
			start();
			QTRY_COMPARE(mContext->getRuns().size(), 1);
			QSignalSpy abort(mController->getState<StateTestOne>(), &AbstractState::fireAbort);

			auto* manager = Env::getSingleton<ReaderManager>();
			const ReaderInfo info(reader, ReaderManagerPluginType::MOCK);
			if (readerRemoved)
			{
				Q_EMIT manager->fireReaderRemoved(info);
			}
			else
			{
				Q_EMIT manager->fireCardRemoved(info);
			}

			QCOMPARE(abort.count(), aborts ? 1 : 0);
			if (aborts)
			{
				const auto& failure = spyArgument<FailureCode>(abort.at(0).at(0));
				QCOMPARE(failure.getReason(), FailureCode::Reason::Card_Removed);
				QCOMPARE(failure.getInfoMap().value(FailureCode::Info::State_Name), QStringLiteral("StateTestOne"));
				QCOMPARE(mContext->getStatus().getStatusCode(), GlobalStatus::Code::Workflow_Card_Removed);
				QCOMPARE(mContext->getCurrentState(), QStringLiteral("StateTestTwo"));
			}
			else
			{
				QVERIFY(mContext->getStatus().isNoError());
				QCOMPARE(mContext->getCurrentState(), QStringLiteral("StateTestOne"));
			}
		}


		void cardRemovedOnReaderThread()
		{
			auto* manager = Env::getSingleton<ReaderManager>();
			QSignalSpy scanned(manager, &ReaderManager::fireInitialScanFinished);
			manager->init();
			QTRY_COMPARE(scanned.count(), 1);
			QVERIFY(MockReaderManagerPlugin::runOnPlugin([](MockReaderManagerPlugin& pPlugin) {
					pPlugin.addReader(QStringLiteral("mock"))->insertEidCard();
				}));

			mContext->setReaderName(QStringLiteral("mock"));
			mContext->planWait(QStringLiteral("StateTestOne"));
			start();
			QTRY_COMPARE(mContext->getRuns().size(), 1);

			QVERIFY(MockReaderManagerPlugin::runOnPlugin([](MockReaderManagerPlugin& pPlugin) {
					pPlugin.getMockReader(QStringLiteral("mock"))->removeCard();
				}));

			QTRY_VERIFY(mContext->getFailureCode().has_value());
			QCOMPARE(mContext->getFailureCode()->getReason(), FailureCode::Reason::Card_Removed);
			manager->shutdown();
		}


		void leavesStateWithStatusLog()
		{
			mContext->planAbort(QStringLiteral("StateTestOne"), GlobalStatus::Code::Card_Communication_Error, FailureCode::Reason::Connect_Card_Connection_Failed);
			LogCapture capture;
			start();

			QTRY_VERIFY(capture.contains(QStringLiteral("Leaving state StateTestOne")));
			QVERIFY(capture.contains(QStringLiteral("Next state is StateTestOne")));
			QVERIFY(capture.contains(QStringLiteral("Running state StateTestOne")));
			QVERIFY(capture.contains(QStringLiteral("Abort with FailureCode")));
			QVERIFY(capture.contains(QStringLiteral("Leaving state StateTestOne with status: [UNDEFINED | Card_Communication_Error")));
		}


		void updateStatus()
		{
			auto* state = createState<StateTestOne>(mContext);
			QSignalSpy result(mContext.data(), &WorkflowContext::fireResultChanged);

			state->updateStatus(GlobalStatus(GlobalStatus::Code::No_Error));
			state->updateStatus(GlobalStatus(GlobalStatus::Code::Card_Not_Found));
			state->updateStatus(GlobalStatus(GlobalStatus::Code::Card_Communication_Error));

			QCOMPARE(mContext->getStatus().getStatusCode(), GlobalStatus::Code::Card_Not_Found);
			QCOMPARE(result.count(), 1);
			delete state;
		}


		void updateStartPaosResult()
		{
			auto* state = createState<StateTestOne>(mContext);
			const ECardApiResult first(ECardApiResult::Major::Error, ECardApiResult::Minor::AL_No_Permission);
			const ECardApiResult second(ECardApiResult::Major::Error, ECardApiResult::Minor::DP_Timeout_Error);

			state->updateStartPaosResult(ECardApiResult::createOk());
			QVERIFY(mContext->getStartPaosResult().isOk());
			QVERIFY(mContext->getStatus().isNoError());

			state->updateStartPaosResult(first);
			state->updateStartPaosResult(second);
			QCOMPARE(mContext->getStartPaosResult(), first);
			QCOMPARE(mContext->getStatus().getStatusCode(), first.toStatus().getStatusCode());
			QVERIFY(mContext->getStatus().isError());
			delete state;
		}


};

KENDRAWELL_TEST_MAIN(test_AbstractState)
#include "test_AbstractState.moc"
