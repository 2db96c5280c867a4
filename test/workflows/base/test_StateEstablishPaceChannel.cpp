#include "states/StateEstablishPaceChannel.h"

#include "context/ChangePinContext.h"
#include "LogCapture.h"
#include "ReaderManagerFixture.h"
#include "SingleStateController.h"
#include "TestWorkflowContext.h"
#include "TestWorkflowUi.h"


using namespace tessarovin;

namespace
{

const QString cReader = QStringLiteral("scripted reader");

QStringList signal(const char* pName)
{
	return QStringList({QString::fromLatin1(pName)});
}


EstablishPaceChannelOutput output(PacePasswordId pPasswordId, CardReturnCode pReturnCode, quint32 pResultCode = 0, bool pCar = false)
{
	EstablishPaceChannelOutput result(pPasswordId, pReturnCode);
	if (pReturnCode == CardReturnCode::OK)
	{
		result.setResultCode(pResultCode);
		result.setStatusMseSetAt(QByteArray::fromHex("9000"));
	}
	if (pCar)
	{
		result.setCarCurr(QByteArrayLiteral("DETESTeID00005"));
	}
	return result;
}


} // namespace


class test_StateEstablishPaceChannel
	: public QObject
{
	Q_OBJECT

	private:
		QSharedPointer<WorkflowContext> mContext;
		QScopedPointer<TestWorkflowUi> mUi;

		void useContext(const QSharedPointer<WorkflowContext>& pContext)
		{
			mContext = pContext;
			mContext->setReaderName(cReader);
			mUi.reset(new TestWorkflowUi());
			mUi->claim(mContext);
		}


		QStringList runState()
		{
			return SingleStateController::runOnce<StateEstablishPaceChannel>(mContext,
					&StateEstablishPaceChannel::fireNoCardConnection,
					&StateEstablishPaceChannel::fireWrongPassword,
					&StateEstablishPaceChannel::fireThirdPinAttemptFailed,
					&StateEstablishPaceChannel::fireAbortAndUnfortunateCardPosition,
					&StateEstablishPaceChannel::firePaceChannelFailed,
					&StateEstablishPaceChannel::firePaceCanEstablished,
					&StateEstablishPaceChannel::firePacePukEstablished);
		}


		// A card in a reader with pin pad (or without) that answers PACE with the output.
		void connectCard(const EstablishPaceChannelOutput& pOutput, const QByteArray& pRetryCounter = QByteArray("9000"), bool pBasicReader = false)
		{
			QVERIFY(ReaderManagerFixture::insertEidCard(cReader, {pRetryCounter}, [pOutput](ScriptedCard& pCard) {
					pCard.setPaceOutput(pOutput);
				}));
			QVERIFY(MockReaderManagerPlugin::runOnPlugin([pBasicReader](MockReaderManagerPlugin& pPlugin) {
					pPlugin.getMockReader(cReader)->setBasicReader(pBasicReader);
				}));
			mContext->setCardConnection(ReaderManagerFixture::connect(cReader));
			QVERIFY(mContext->getCardConnection());
		}


		static QList<int> preferredPinLengths()
		{
			QList<int> lengths;
			onScriptedCard(cReader, [&lengths](ScriptedCard* pCard) {
					lengths = pCard->getPreferredPinLengths();
				});
			return lengths;
		}

	private Q_SLOTS:
		void init()
		{
			ReaderManagerFixture::start();
			useContext(QSharedPointer<TestWorkflowContext>::create());
		}


		void cleanup()
		{
			mUi.reset();
			mContext.reset();
			ReaderManagerFixture::stop();
		}


		void paceOutput_data()
		{
			QTest::addColumn<PacePasswordId>("passwordType");
			QTest::addColumn<CardReturnCode>("returnCode");
			QTest::addColumn<quint32>("resultCode");
			QTest::addColumn<bool>("car");
			QTest::addColumn<QStringList>("signal");
			QTest::addColumn<GlobalStatus::Code>("status");
			QTest::addColumn<FailureCode::Reason>("reason");

			const auto pin = PacePasswordId::PACE_PIN;
			const auto can = PacePasswordId::PACE_CAN;
			const auto puk = PacePasswordId::PACE_PUK;
			const auto ok = CardReturnCode::OK;
			const auto none = GlobalStatus::Code::No_Error;
			const auto noReason = FailureCode::Reason::User_Cancelled;
			const QStringList wrong = signal("fireWrongPassword");

			QTest::newRow("PIN") << pin << ok << 0U << false << signal("fireContinue") << none << noReason;
			QTest::newRow("PIN, CAR") << pin << ok << 0U << true << signal("fireContinue") << none << noReason;
			QTest::newRow("PIN, 63C2") << pin << ok << 0xF00663C2U << false << wrong << none << noReason;
			QTest::newRow("PIN, 63C1") << pin << ok << 0xF00663C1U << false << wrong << none << noReason;
			QTest::newRow("PIN, 63C0") << pin << ok << 0xF00663C0U << false << signal("fireThirdPinAttemptFailed") << none << noReason;
			QTest::newRow("CAN") << can << ok << 0U << false << signal("firePaceCanEstablished") << none << noReason;
			QTest::newRow("CAN, CAR") << can << ok << 0U << true << signal("fireContinue") << none << noReason;
			QTest::newRow("CAN, 63C2") << can << ok << 0xF00663C2U << false << wrong << none << noReason;
			QTest::newRow("PUK") << puk << ok << 0U << false << signal("firePacePukEstablished") << none << noReason;
			QTest::newRow("PUK, 63C0") << puk << ok << 0xF00663C0U << false << wrong << none << noReason;
			QTest::newRow("unknown password") << PacePasswordId::UNKNOWN << ok << 0U << false << signal("fireAbort")
											  << GlobalStatus::Code::Card_Protocol_Error << FailureCode::Reason::Establish_Pace_Channel_Unknown_Password_Id;
			QTest::newRow("cancelled on the reader") << pin << CardReturnCode::CANCELLATION_BY_USER << 0U << false << signal("fireAbort")
													 << GlobalStatus::Code::Card_Cancellation_By_User << FailureCode::Reason::Establish_Pace_Channel_User_Cancelled;
			QTest::newRow("input time-out") << pin << CardReturnCode::INPUT_TIME_OUT << 0U << false << signal("firePaceChannelFailed") << none << noReason;
			QTest::newRow("command failed") << pin << CardReturnCode::COMMAND_FAILED << 0U << false << signal("firePaceChannelFailed") << none << noReason;
			QTest::newRow("card not found") << pin << CardReturnCode::CARD_NOT_FOUND << 0U << false << signal("firePaceChannelFailed") << none << noReason;
			QTest::newRow("empty response") << pin << CardReturnCode::RESPONSE_EMPTY << 0U << false << signal("firePaceChannelFailed") << none << noReason;
		}


		void paceOutput()
		{
			QFETCH(PacePasswordId, passwordType);
			QFETCH(CardReturnCode, returnCode);
			QFETCH(quint32, resultCode);
			QFETCH(bool, car);
			QFETCH(QStringList, signal);
			QFETCH(GlobalStatus::Code, status);
			QFETCH(FailureCode::Reason, reason);

			// The PUK is only taken while the PIN is blocked.
			connectCard(output(passwordType, returnCode, resultCode, car), passwordType == PacePasswordId::PACE_PUK ? "63c0" : "9000");
			const auto requested = passwordType == PacePasswordId::UNKNOWN ? PacePasswordId::PACE_PIN : passwordType;
			mContext->setPasswordType(requested);
			mContext->setPin(QStringLiteral("123456"));
			mContext->setCan(QStringLiteral("654321"));
			mContext->setPuk(QStringLiteral("1234567890"));
			mContext->setExpectedRetryCounter(1);

			QCOMPARE(runState(), signal);
			QCOMPARE(mContext->getStatus().getStatusCode(), status);
			QCOMPARE(mContext->getFailureCode().has_value(), status != GlobalStatus::Code::No_Error);
			if (mContext->getFailureCode())
			{
				QCOMPARE(mContext->getFailureCode()->getReason(), reason);
			}
			QCOMPARE(mContext->getPaceOutputData().getPaceReturnCode(), returnCode);
			if (returnCode == CardReturnCode::OK)
			{
				QCOMPARE(mContext->getPaceOutputData().getResultCode(), resultCode);
			}
			QVERIFY(mContext->isInitialInputErrorShown());
			QCOMPARE(mContext->getProgressMessage(), QStringLiteral("The secure channel is opened"));
			QCOMPARE(mContext->getExpectedRetryCounter(), signal == QStringList({QStringLiteral("fireContinue")}) && passwordType == PacePasswordId::PACE_PIN ? 3 : 1);

			// Only a lost card gives up the connection.
			const bool lost = returnCode == CardReturnCode::CARD_NOT_FOUND || returnCode == CardReturnCode::RESPONSE_EMPTY;
			QCOMPARE(mContext->getCardConnection().isNull(), lost);
		}


		void pukWhilePinNotBlocked()
		{
			connectCard(output(PacePasswordId::PACE_PUK, CardReturnCode::OK));
			mContext->setPasswordType(PacePasswordId::PACE_PUK);
			mContext->setPuk(QStringLiteral("1234567890"));

			QCOMPARE(runState(), signal("firePaceChannelFailed"));
			QCOMPARE(mContext->getPaceOutputData().getPaceReturnCode(), CardReturnCode::PIN_NOT_BLOCKED);
			QVERIFY(preferredPinLengths().isEmpty());
		}


		void noCardConnection()
		{
			mContext->setPasswordType(PacePasswordId::PACE_CAN);
			mContext->setCan(QStringLiteral("654321"));

			QCOMPARE(runState(), signal("fireNoCardConnection"));
			QCOMPARE(mContext->getPaceOutputData().getPaceReturnCode(), CardReturnCode::CARD_NOT_FOUND);
			QCOMPARE(mContext->getPaceOutputData().getPasswordId(), PacePasswordId::PACE_CAN);
			QCOMPARE(mContext->getStatus().getStatusCode(), GlobalStatus::Code::No_Error);
		}


		void errorStatusBefore()
		{
			connectCard(output(PacePasswordId::PACE_PIN, CardReturnCode::OK));
			mContext->setPasswordType(PacePasswordId::PACE_PIN);
			mContext->setPin(QStringLiteral("123456"));
			mContext->setStatus(GlobalStatus(GlobalStatus::Code::Card_Communication_Error));

			QCOMPARE(runState(), signal("firePaceChannelFailed"));
			QVERIFY(preferredPinLengths().isEmpty());
			QCOMPARE(mContext->getPaceOutputData().getPaceReturnCode(), CardReturnCode::UNDEFINED);
		}


		void emptyPassword_data()
		{
			QTest::addColumn<bool>("basicReader");
			QTest::addColumn<PacePasswordId>("passwordType");

			QTest::newRow("basic reader, PIN") << true << PacePasswordId::PACE_PIN;
			QTest::newRow("basic reader, unknown") << true << PacePasswordId::UNKNOWN;
			QTest::newRow("pin pad, PIN") << false << PacePasswordId::PACE_PIN;
		}


		void emptyPassword()
		{
			QFETCH(bool, basicReader);
			QFETCH(PacePasswordId, passwordType);

			connectCard(output(PacePasswordId::PACE_PIN, CardReturnCode::OK), "9000", basicReader);
			mContext->setPasswordType(passwordType);
			const LogCapture log;

			if (basicReader)
			{
				QCOMPARE(runState(), signal("fireAbort"));
				QCOMPARE(mContext->getStatus().getStatusCode(), GlobalStatus::Code::Workflow_Wrong_Parameter_Invocation);
				QCOMPARE(mContext->getFailureCode()->getReason(), FailureCode::Reason::Establish_Pace_Channel_Basic_Reader_No_Pin);
				QVERIFY(log.contains(QStringLiteral("We hit an invalid state! PACE password is empty for basic reader.")));
				return;
			}

			// The user enters the PIN on the reader.
			QCOMPARE(runState(), signal("fireContinue"));
			QCOMPARE(preferredPinLengths(), QList<int>({6}));
		}


		void transportPinOnPinPad_data()
		{
			QTest::addColumn<bool>("transportPin");
			QTest::addColumn<int>("length");

			QTest::newRow("transport PIN") << true << 5;
			QTest::newRow("PIN") << false << 6;
		}


		void transportPinOnPinPad()
		{
			QFETCH(bool, transportPin);
			QFETCH(int, length);

			useContext(QSharedPointer<ChangePinContext>::create(transportPin));
			connectCard(output(PacePasswordId::PACE_PIN, CardReturnCode::OK));
			mContext->setPasswordType(PacePasswordId::PACE_PIN);

			QCOMPARE(runState(), signal("fireContinue"));
			QCOMPARE(preferredPinLengths(), QList<int>({length}));
		}


		void cardPosition_data()
		{
			QTest::addColumn<int>("losses");
			QTest::addColumn<qint64>("millisecondsAfterSecond");
			QTest::addColumn<QStringList>("lastSignal");

			QTest::newRow("nine losses") << 9 << qint64(0) << signal("firePaceChannelFailed");
			QTest::newRow("ten losses") << 10 << qint64(0) << signal("fireAbortAndUnfortunateCardPosition");
			QTest::newRow("three losses within 4000 ms") << 3 << qint64(4000) << signal("firePaceChannelFailed");
			QTest::newRow("three losses in more than 4000 ms") << 3 << qint64(4001) << signal("fireAbortAndUnfortunateCardPosition");
		}


		void cardPosition()
		{
			QFETCH(int, losses);
			QFETCH(qint64, millisecondsAfterSecond);
			QFETCH(QStringList, lastSignal);

			const auto context = mContext.staticCast<TestWorkflowContext>();
			context->setPasswordType(PacePasswordId::PACE_PIN);
			context->setPin(QStringLiteral("123456"));
			QVERIFY(ReaderManagerFixture::insertEidCard(cReader, {"9000"}, [](ScriptedCard& pCard) {
					pCard.setPaceOutput(output(PacePasswordId::PACE_PIN, CardReturnCode::CARD_NOT_FOUND));
				}));
			QVERIFY(MockReaderManagerPlugin::runOnPlugin([](MockReaderManagerPlugin& pPlugin) {
					pPlugin.getMockReader(cReader)->setBasicReader(false);
				}));

			for (int i = 1; i <= losses; ++i)
			{
				// Each loss drops the connection; the workflow connects again.
				context->setCardConnection(ReaderManagerFixture::connect(cReader));
				QVERIFY(context->getCardConnection());
				if (i == 3)
				{
					context->advanceClock(millisecondsAfterSecond);
				}
				QCOMPARE(runState(), i == losses ? lastSignal : signal("firePaceChannelFailed"));
				QVERIFY(!context->getCardConnection());
			}

			// Any other outcome clears the count.
			QVERIFY(onScriptedCard(cReader, [](ScriptedCard* pCard) {
					pCard->setPaceOutput(output(PacePasswordId::PACE_PIN, CardReturnCode::OK, 0xF00663C2));
				}));
			context->setCardConnection(ReaderManagerFixture::connect(cReader));
			QCOMPARE(runState(), signal("fireWrongPassword"));
			QVERIFY(!context->isCardPositionPanicking());
			QVERIFY(onScriptedCard(cReader, [](ScriptedCard* pCard) {
					pCard->setPaceOutput(output(PacePasswordId::PACE_PIN, CardReturnCode::CARD_NOT_FOUND));
				}));
			QCOMPARE(runState(), signal("firePaceChannelFailed"));
		}


		void cancelledByUser()
		{
			connectCard(output(PacePasswordId::PACE_PIN, CardReturnCode::OK));
			mContext->setPasswordType(PacePasswordId::PACE_CAN);
			mUi->setAutoApprove(false);

			SingleStateController controller(mContext);
			controller.setState<StateEstablishPaceChannel>();
			controller.run();
			QTRY_COMPARE(mContext->getCurrentState(), QStringLiteral("StateEstablishPaceChannel"));
			Q_EMIT mContext->fireCancelWorkflow();

			QTRY_VERIFY(controller.hasLeft());
			QCOMPARE(controller.getEndedBy(), signal("fireAbort"));
			QCOMPARE(mContext->getPaceOutputData().getPaceReturnCode(), CardReturnCode::CANCELLATION_BY_USER);
			QCOMPARE(mContext->getPaceOutputData().getPasswordId(), PacePasswordId::PACE_CAN);
			QCOMPARE(mContext->getStatus().getStatusCode(), GlobalStatus::Code::Workflow_Cancellation_By_User);
			QCOMPARE(mContext->getFailureCode()->getReason(), FailureCode::Reason::User_Cancelled);
			QVERIFY(preferredPinLengths().isEmpty());
		}


};

KENDRAWELL_TEST_MAIN(test_StateEstablishPaceChannel)
#include "test_StateEstablishPaceChannel.moc"
