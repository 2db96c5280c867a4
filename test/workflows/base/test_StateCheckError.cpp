#include "states/StateCheckError.h"

#include "states/StateBuilder.h"
#include "TestEnvironment.h"
#include "TestWorkflowContext.h"
#include "TestWorkflowUi.h"

#include <QFinalState>
#include <QSignalSpy>
#include <QStateMachine>


using namespace tessarovin;

class test_StateCheckError
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void edge_data()
		{
			QTest::addColumn<GlobalStatus::Code>("status");
			QTest::addColumn<bool>("continues");

			QTest::newRow("no error") << GlobalStatus::Code::No_Error << true;
			QTest::newRow("card error") << GlobalStatus::Code::Card_Communication_Error << false;
			QTest::newRow("unknown error") << GlobalStatus::Code::Unknown_Error << false;
		}


		void edge()
		{
			QFETCH(GlobalStatus::Code, status);
			QFETCH(bool, continues);

			const auto context = QSharedPointer<TestWorkflowContext>::create();
			context->setStatus(GlobalStatus(status));
			TestWorkflowUi ui;
			ui.claim(context);

			QStateMachine machine;
			auto* state = createState<StateCheckError>(context);
			auto* continued = new QFinalState();
			auto* propagated = new QFinalState();
			machine.addState(state);
			machine.addState(continued);
			machine.addState(propagated);
			machine.setInitialState(state);
			state->addTransition(state, &StateCheckError::fireContinue, continued);
			state->addTransition(state, &StateCheckError::firePropagateAbort, propagated);
			QSignalSpy finished(&machine, &QStateMachine::finished);
			QSignalSpy enteredContinued(continued, &QAbstractState::entered);
			QSignalSpy enteredPropagated(propagated, &QAbstractState::entered);

			machine.start();

			QTRY_COMPARE(finished.count(), 1);
			QCOMPARE(enteredContinued.count(), continues ? 1 : 0);
			QCOMPARE(enteredPropagated.count(), continues ? 0 : 1);
			QCOMPARE(ui.getStates(), QStringList({QStringLiteral("StateCheckError")}));
			QCOMPARE(context->getStatus().getStatusCode(), status);
		}


};

KENDRAWELL_TEST_MAIN(test_StateCheckError)
#include "test_StateCheckError.moc"
