#include "context/ChangePinContext.h"

#include "TestEnvironment.h"

#include <QSignalSpy>


using namespace tessarovin;

class test_ChangePinContext
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void flags_data()
		{
			QTest::addColumn<bool>("transportPin");
			QTest::addColumn<bool>("onlyCheckPin");
			QTest::addColumn<QList<AcceptedEidType>>("accepted");

			const QList<AcceptedEidType> all({AcceptedEidType::CARD_CERTIFIED, AcceptedEidType::SE_CERTIFIED, AcceptedEidType::SE_ENDORSED, AcceptedEidType::HW_KEYSTORE});
			QTest::newRow("PIN") << false << false << all;
			QTest::newRow("only check") << false << true << all;
			// Only a physical card has a transport PIN.
			QTest::newRow("transport PIN") << true << false << QList<AcceptedEidType>({AcceptedEidType::CARD_CERTIFIED});
		}


		void flags()
		{
			QFETCH(bool, transportPin);
			QFETCH(bool, onlyCheckPin);
			QFETCH(QList<AcceptedEidType>, accepted);

			const ChangePinContext context(transportPin, false, onlyCheckPin);
			QCOMPARE(context.getAction(), Action::CHANGE_PIN);
			QVERIFY(!context.isActivateUi());
			QCOMPARE(context.isRequestTransportPin(), transportPin);
			QCOMPARE(context.isOnlyCheckPin(), onlyCheckPin);
			QVERIFY(!context.isCanAllowedMode());
			QCOMPARE(context.getAcceptedEidTypes(), accepted);
		}


		void valuesSignalOnlyChanges()
		{
			ChangePinContext context;
			QSignalSpy newPin(&context, &ChangePinContext::fireNewPinChanged);
			QSignalSpy message(&context, &ChangePinContext::fireSuccessMessageChanged);

			context.setNewPin(QStringLiteral("123456"));
			context.setNewPin(QStringLiteral("123456"));
			context.setSuccessMessage(QStringLiteral("done"));
			context.setSuccessMessage(QStringLiteral("done"));

			QCOMPARE(context.getNewPin(), QStringLiteral("123456"));
			QCOMPARE(context.getSuccessMessage(), QStringLiteral("done"));
			QCOMPARE(newPin.count(), 1);
			QCOMPARE(message.count(), 1);
		}


		void resetAlsoClearsTheNewPin()
		{
			ChangePinContext context;
			context.setPin(QStringLiteral("123456"));
			context.setNewPin(QStringLiteral("654321"));
			QSignalSpy newPin(&context, &ChangePinContext::fireNewPinChanged);
			QSignalSpy pin(&context, &WorkflowContext::firePinChanged);

			context.resetPacePasswords();
			QCOMPARE(context.getNewPin(), QString());
			QCOMPARE(context.getPin(), QString());
			QCOMPARE(newPin.count(), 1);
			QCOMPARE(pin.count(), 1);

			// Nothing left to clear: no signal.
			context.resetPacePasswords();
			QCOMPARE(newPin.count(), 1);
		}


};

KENDRAWELL_TEST_MAIN(test_ChangePinContext)
#include "test_ChangePinContext.moc"
