#include "states/StatePrepareChangePin.h"

#include "SingleStateController.h"
#include "TestEnvironment.h"
#include "TestWorkflowUi.h"

#include <QtTest>


using namespace tessarovin;

class test_StatePrepareChangePin
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void decision_data()
		{
			QTest::addColumn<bool>("onlyCheckPin");
			QTest::addColumn<QString>("newPin");
			QTest::addColumn<QString>("signal");

			// A PIN check never sets a PIN, even one the front end already supplied.
			QTest::newRow("only check the PIN") << true << QStringLiteral("123456") << QStringLiteral("fireSkipPinChange");
			QTest::newRow("new PIN unknown") << false << QString() << QStringLiteral("fireEnterNewPacePin");
			QTest::newRow("new PIN supplied before") << false << QStringLiteral("123456") << QStringLiteral("fireContinue");
		}


		void decision()
		{
			QFETCH(bool, onlyCheckPin);
			QFETCH(QString, newPin);
			QFETCH(QString, signal);

			const auto context = QSharedPointer<ChangePinContext>::create(false, true, onlyCheckPin);
			context->setNewPin(newPin);
			TestWorkflowUi ui;
			ui.claim(context);

			QCOMPARE(SingleStateController::runOnce<StatePrepareChangePin>(context, &StatePrepareChangePin::fireEnterNewPacePin, &StatePrepareChangePin::fireSkipPinChange),
					QStringList({signal}));
			QCOMPARE(context->getNewPin(), newPin);
		}


};

KENDRAWELL_TEST_MAIN(test_StatePrepareChangePin)
#include "test_StatePrepareChangePin.moc"
