#include "states/StateActivateStoreFeedbackDialog.h"

#include "SingleStateController.h"
#include "TestEnvironment.h"
#include "TestWorkflowUi.h"

#include <QtTest>


using namespace tessarovin;

class test_StateActivateStoreFeedbackDialog
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void continues()
		{
			const auto context = QSharedPointer<AuthContext>::create();
			TestWorkflowUi ui;
			ui.claim(context);

			QCOMPARE(SingleStateController::runOnce<StateActivateStoreFeedbackDialog>(context), QStringList({QStringLiteral("fireContinue")}));
			QCOMPARE(context->getStatus().getStatusCode(), GlobalStatus::Code::No_Error);
			QVERIFY(!context->getFailureCode().has_value());
		}


};

KENDRAWELL_TEST_MAIN(test_StateActivateStoreFeedbackDialog)
#include "test_StateActivateStoreFeedbackDialog.moc"
