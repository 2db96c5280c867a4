#include "states/StateEnterPacePassword.h"

#include "SingleStateController.h"
#include "TestEnvironment.h"
#include "TestWorkflowContext.h"
#include "TestWorkflowUi.h"

#include <QtTest>


using namespace tessarovin;

class test_StateEnterPacePassword
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void waitsForThePassword()
		{
			const auto context = QSharedPointer<TestWorkflowContext>::create();
			context->setPasswordType(PacePasswordId::PACE_CAN);
			TestWorkflowUi ui(false);
			ui.claim(context);
			SingleStateController controller(context);
			controller.setState<StateEnterPacePassword>();
			controller.run();

			QTRY_COMPARE(ui.getStates(), QStringList({QStringLiteral("StateEnterPacePassword")}));
			QCoreApplication::processEvents();
			QVERIFY(!controller.hasLeft());

			context->setCan(QStringLiteral("123456"));
			ui.approve();
			QTRY_VERIFY(controller.hasLeft());
			QCOMPARE(controller.getEndedBy(), QStringList({QStringLiteral("fireContinue")}));
			QCOMPARE(context->getCan(), QStringLiteral("123456"));
			QCOMPARE(context->getPasswordType(), PacePasswordId::PACE_CAN);
		}


		void cancelled()
		{
			const auto context = QSharedPointer<TestWorkflowContext>::create();
			TestWorkflowUi ui(false);
			ui.claim(context);
			SingleStateController controller(context);
			controller.setState<StateEnterPacePassword>();
			controller.run();
			QTRY_COMPARE(context->getCurrentState(), QStringLiteral("StateEnterPacePassword"));

			Q_EMIT context->fireCancelWorkflow();
			QTRY_VERIFY(controller.hasLeft());
			QCOMPARE(controller.getEndedBy(), QStringList({QStringLiteral("fireAbort")}));
			QCOMPARE(context->getStatus().getStatusCode(), GlobalStatus::Code::Workflow_Cancellation_By_User);
		}


};

KENDRAWELL_TEST_MAIN(test_StateEnterPacePassword)
#include "test_StateEnterPacePassword.moc"
