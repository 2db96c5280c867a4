#include "states/StateEnterNewPacePin.h"

#include "context/ChangePinContext.h"
#include "SingleStateController.h"
#include "TestEnvironment.h"
#include "TestWorkflowUi.h"

#include <QtTest>


using namespace tessarovin;

class test_StateEnterNewPacePin
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void waitsForTheNewPin()
		{
			const auto context = QSharedPointer<ChangePinContext>::create();
			TestWorkflowUi ui(false);
			ui.claim(context);
			SingleStateController controller(context);
			controller.setState<StateEnterNewPacePin>();
			controller.run();

			QTRY_COMPARE(ui.getStates(), QStringList({QStringLiteral("StateEnterNewPacePin")}));
			QCoreApplication::processEvents();
			QVERIFY(!controller.hasLeft());

			context->setNewPin(QStringLiteral("123456"));
			ui.approve();
			QTRY_VERIFY(controller.hasLeft());
			QCOMPARE(controller.getEndedBy(), QStringList({QStringLiteral("fireContinue")}));
			QCOMPARE(context->getNewPin(), QStringLiteral("123456"));
		}


};

KENDRAWELL_TEST_MAIN(test_StateEnterNewPacePin)
#include "test_StateEnterNewPacePin.moc"
