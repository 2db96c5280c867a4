#include "states/StateUnfortunateCardPosition.h"

#include "ReaderManagerFixture.h"
#include "SingleStateController.h"
#include "TestWorkflowContext.h"
#include "TestWorkflowUi.h"


using namespace tessarovin;

class test_StateUnfortunateCardPosition
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void init()
		{
			// The card losses reset the connection, which asks the reader manager.
			ReaderManagerFixture::start();
		}


		void cleanup()
		{
			ReaderManagerFixture::stop();
		}


		void countsAfreshOnceTheUserAgreed()
		{
			const auto context = QSharedPointer<TestWorkflowContext>::create();
			for (int i = 0; i < 10; ++i)
			{
				context->increaseCardPositionPanic();
			}
			QVERIFY(context->isCardPositionPanicking());

			TestWorkflowUi ui(false);
			ui.claim(context);
			SingleStateController controller(context);
			controller.setState<StateUnfortunateCardPosition>();
			controller.run();
			QTRY_COMPARE(ui.getStates(), QStringList({QStringLiteral("StateUnfortunateCardPosition")}));
			QCoreApplication::processEvents();
			// The user is still asked to lay the card better.
			QVERIFY(!controller.hasLeft());
			QVERIFY(context->isCardPositionPanicking());

			ui.approve();
			QTRY_VERIFY(controller.hasLeft());
			QCOMPARE(controller.getEndedBy(), QStringList({QStringLiteral("fireContinue")}));
			QVERIFY(!context->isCardPositionPanicking());

			// A fresh count: the next loss alone does not start the timer.
			context->increaseCardPositionPanic();
			context->advanceClock(5000);
			QVERIFY(!context->isCardPositionPanicking());
		}


};

KENDRAWELL_TEST_MAIN(test_StateUnfortunateCardPosition)
#include "test_StateUnfortunateCardPosition.moc"
