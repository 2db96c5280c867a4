#include "states/StateChangePin.h"

#include "command/DestroyPaceChannelCommand.h"
#include "LogCapture.h"
#include "ReaderManagerFixture.h"
#include "SingleStateController.h"
#include "SpyArgument.h"
#include "TestWorkflowUi.h"

#include <QSignalSpy>


using namespace tessarovin;

namespace
{

const QString cReader = QStringLiteral("scripted reader");
const QStringList cContinue({QStringLiteral("fireContinue")});
const QStringList cAbort({QStringLiteral("fireAbort")});
const QStringList cNoCardConnection({QStringLiteral("fireNoCardConnection")});

} // namespace


class test_StateChangePin
	: public QObject
{
	Q_OBJECT

	private:
		QSharedPointer<ChangePinContext> mContext;
		QScopedPointer<TestWorkflowUi> mUi;

		QStringList runState()
		{
			return SingleStateController::runOnce<StateChangePin>(mContext, &StateChangePin::fireNoCardConnection);
		}


		void connectCard(bool pBasicReader, const ResponseApduResult& pSetEidPinResult)
		{
			QVERIFY(ReaderManagerFixture::insertEidCard(cReader, {"9000"}, [pSetEidPinResult](ScriptedCard& pCard) {
					pCard.setSetEidPinResult(pSetEidPinResult);
					// A basic reader sends the new PIN to the card itself.
					pCard.add("002c0203", pSetEidPinResult);
				}));
			if (!pBasicReader)
			{
				QVERIFY(MockReaderManagerPlugin::runOnPlugin([](MockReaderManagerPlugin& pPlugin) {
						pPlugin.getMockReader(cReader)->setBasicReader(false);
					}));
			}
			mContext->setCardConnection(ReaderManagerFixture::connect(cReader));
			QVERIFY(mContext->getCardConnection());
		}

	private Q_SLOTS:
		void init()
		{
			ReaderManagerFixture::start();
			mContext = QSharedPointer<ChangePinContext>::create();
			mContext->setReaderName(cReader);
			mContext->setNewPin(QStringLiteral("123456"));
			mUi.reset(new TestWorkflowUi());
			mUi->claim(mContext);
		}


		void cleanup()
		{
			mUi.reset();
			mContext.reset();
			ReaderManagerFixture::stop();
		}


		void result_data()
		{
			QTest::addColumn<CardReturnCode>("returnCode");
			QTest::addColumn<QByteArray>("response");
			QTest::addColumn<QStringList>("signal");
			QTest::addColumn<GlobalStatus::Code>("status");
			QTest::addColumn<FailureCode::Reason>("reason");

			using Code = GlobalStatus::Code;
			using Reason = FailureCode::Reason;
			const auto ok = CardReturnCode::OK;
			QTest::newRow("9000") << ok << QByteArray("9000") << cContinue << Code::No_Error << Reason::User_Cancelled;
			QTest::newRow("6400 time-out on the pin pad") << ok << QByteArray("6400") << cAbort << Code::Card_Input_TimeOut << Reason::Change_Pin_Input_Timeout;
			QTest::newRow("6401 cancelled on the pin pad") << ok << QByteArray("6401") << cAbort << Code::Card_Cancellation_By_User << Reason::Change_Pin_User_Cancelled;
			QTest::newRow("6402 new PINs differ") << ok << QByteArray("6402") << cAbort << Code::Card_NewPin_Mismatch << Reason::Change_Pin_New_Pin_Mismatch;
			QTest::newRow("6403 new PIN of wrong length") << ok << QByteArray("6403") << cAbort << Code::Card_NewPin_Invalid_Length << Reason::Change_Pin_New_Pin_Invalid_Length;
			QTest::newRow("6300") << ok << QByteArray("6300") << cAbort << Code::Card_Unexpected_Transmit_Status << Reason::Change_Pin_Unexpected_Transmit_Status;
			QTest::newRow("empty response") << ok << QByteArray() << cNoCardConnection << Code::No_Error << Reason::User_Cancelled;
			QTest::newRow("cancelled by the user") << CardReturnCode::CANCELLATION_BY_USER << QByteArray("6401") << cAbort
												   << cardReturnCodeToGlobalStatus(CardReturnCode::CANCELLATION_BY_USER).getStatusCode() << Reason::Change_Pin_Card_User_Cancelled;
			QTest::newRow("input time-out") << CardReturnCode::INPUT_TIME_OUT << QByteArray("6400") << cAbort
											<< cardReturnCodeToGlobalStatus(CardReturnCode::INPUT_TIME_OUT).getStatusCode() << Reason::Change_Pin_Unrecoverable;
			QTest::newRow("command failed") << CardReturnCode::COMMAND_FAILED << QByteArray("6f00") << cAbort
											<< cardReturnCodeToGlobalStatus(CardReturnCode::COMMAND_FAILED).getStatusCode() << Reason::Change_Pin_Unrecoverable;
		}


		void result()
		{
			QFETCH(CardReturnCode, returnCode);
			QFETCH(QByteArray, response);
			QFETCH(QStringList, signal);
			QFETCH(GlobalStatus::Code, status);
			QFETCH(FailureCode::Reason, reason);

			connectCard(false, ScriptedCard::answer(response, returnCode));
			QSignalSpy successMessage(mContext.data(), &ChangePinContext::fireSuccessMessageChanged);

			QCOMPARE(runState(), signal);
			QCOMPARE(mContext->getStatus().getStatusCode(), status);
			if (signal == cAbort)
			{
				QCOMPARE(mContext->getFailureCode()->getReason(), reason);
				QCOMPARE(mContext->getStatus().getOrigin(), GlobalStatus::Origin::Client);
			}
			else
			{
				QVERIFY(!mContext->getFailureCode().has_value());
			}

			QCOMPARE(successMessage.count(), signal == cContinue ? 1 : 0);
			if (signal == cContinue)
			{
				QCOMPARE(mContext->getSuccessMessage(), QStringLiteral("You have successfully changed your ID card PIN.<br>You may now remove your ID card from the device."));
			}
			// Only a lost card gives up the connection.
			QCOMPARE(mContext->getCardConnection().isNull(), signal == cNoCardConnection);
		}


		void basicReaderSendsTheNewPin()
		{
			connectCard(true, ScriptedCard::answer("9000"));
			QCOMPARE(runState(), cContinue);
			QVERIFY(onScriptedCard(cReader, [](ScriptedCard* pCard) {
					QCOMPARE(pCard->getCommands().constLast(), QByteArray("002c020306") + QByteArray("123456").toHex());
				}));
		}


		void cardGone_data()
		{
			QTest::addColumn<bool>("connected");

			QTest::newRow("no connection") << false;
			QTest::newRow("card removed") << true;
		}


		void cardGone()
		{
			QFETCH(bool, connected);

			const LogCapture capture;
			if (connected)
			{
				connectCard(false, ScriptedCard::answer("9000"));
				QVERIFY(MockReaderManagerPlugin::runOnPlugin([](MockReaderManagerPlugin& pPlugin) {
						pPlugin.getMockReader(cReader)->removeCard();
					}));
			}

			QCOMPARE(runState(), cNoCardConnection);
			QVERIFY(!mContext->getCardConnection());
			QCOMPARE(capture.contains(QStringLiteral("No card connection available")), !connected);
			QCOMPARE(capture.contains(QStringLiteral("Invoke set Eid PIN command")), connected);
			QCOMPARE(mContext->getStatus().getStatusCode(), GlobalStatus::Code::No_Error);
		}


		void answerOfAnotherCommand()
		{
			QScopedPointer<StateChangePin> state(createState<StateChangePin>(mContext));
			QSignalSpy abort(state.data(), &AbstractState::fireAbort);
			const QSharedPointer<BaseCardCommand> command(new DestroyPaceChannelCommand(QSharedPointer<CardConnectionWorker>(), QString()));

			QVERIFY(QMetaObject::invokeMethod(state.data(), "onSetEidPinDone", Q_ARG(QSharedPointer<tessarovin::BaseCardCommand>, command)));

			QCOMPARE(abort.count(), 1);
			QCOMPARE(spyArgument<FailureCode>(abort.constFirst().constFirst()).getReason(), FailureCode::Reason::Change_Pin_No_SetEidPinCommand_Response);
			QCOMPARE(mContext->getStatus().getStatusCode(), GlobalStatus::Code::Card_Protocol_Error);
		}


};

KENDRAWELL_TEST_MAIN(test_StateChangePin)
#include "test_StateChangePin.moc"
