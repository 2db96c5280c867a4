#include "states/StateClearPacePasswords.h"

#include "context/ChangePinContext.h"
#include "SingleStateController.h"
#include "TestEnvironment.h"
#include "TestWorkflowContext.h"
#include "TestWorkflowUi.h"

#include <QSignalSpy>


using namespace tessarovin;

class test_StateClearPacePasswords
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void clears_data()
		{
			QTest::addColumn<bool>("changePin");

			QTest::newRow("workflow") << false;
			QTest::newRow("PIN change") << true;
		}


		void clears()
		{
			QFETCH(bool, changePin);

			const QSharedPointer<WorkflowContext> context = changePin
					? QSharedPointer<WorkflowContext>(QSharedPointer<ChangePinContext>::create())
					: QSharedPointer<WorkflowContext>(QSharedPointer<TestWorkflowContext>::create());
			TestWorkflowUi ui;
			ui.claim(context);
			context->setCan(QStringLiteral("123456"));
			context->setPin(QStringLiteral("654321"));
			context->setPuk(QStringLiteral("1234567890"));
			auto* changePinContext = qobject_cast<ChangePinContext*>(context.data());
			if (changePinContext)
			{
				changePinContext->setNewPin(QStringLiteral("111111"));
			}

			QSignalSpy can(context.data(), &WorkflowContext::fireCanChanged);
			QSignalSpy pin(context.data(), &WorkflowContext::firePinChanged);
			QSignalSpy puk(context.data(), &WorkflowContext::firePukChanged);

			QCOMPARE(SingleStateController::runOnce<StateClearPacePasswords>(context), QStringList({QStringLiteral("fireContinue")}));

			QCOMPARE(context->getCan(), QString());
			QCOMPARE(context->getPin(), QString());
			QCOMPARE(context->getPuk(), QString());
			QCOMPARE(can.count(), 1);
			QCOMPARE(pin.count(), 1);
			QCOMPARE(puk.count(), 1);
			if (changePinContext)
			{
				QCOMPARE(changePinContext->getNewPin(), QString());
			}
		}


};

KENDRAWELL_TEST_MAIN(test_StateClearPacePasswords)
#include "test_StateClearPacePasswords.moc"
