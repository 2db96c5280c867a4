#include "states/StateMaintainCardConnection.h"

#include "LogCapture.h"
#include "ReaderManagerFixture.h"
#include "SingleStateController.h"
#include "SpyArgument.h"
#include "TestWorkflowContext.h"
#include "TestWorkflowUi.h"


using namespace tessarovin;

namespace
{

const QString cReader = QStringLiteral("scripted reader");
const QStringList cContinue({QStringLiteral("fireContinue")});
const QStringList cAbort({QStringLiteral("fireAbort")});
const QStringList cNoCardConnection({QStringLiteral("fireNoCardConnection")});
const QStringList cUpdate({QStringLiteral("fireForceUpdateRetryCounter")});

} // namespace


class test_StateMaintainCardConnection
	: public QObject
{
	Q_OBJECT

	private:
		QSharedPointer<TestWorkflowContext> mContext;
		QScopedPointer<TestWorkflowUi> mUi;

		QStringList runState()
		{
			return SingleStateController::runOnce<StateMaintainCardConnection>(mContext,
					&StateMaintainCardConnection::fireNoCardConnection,
					&StateMaintainCardConnection::fireForceUpdateRetryCounter);
		}


		void connectCard()
		{
			QVERIFY(ReaderManagerFixture::insertEidCard(cReader, {"9000"}));
			mContext->setCardConnection(ReaderManagerFixture::connect(cReader));
			QVERIFY(mContext->getCardConnection());
		}

	private Q_SLOTS:
		void init()
		{
			ReaderManagerFixture::start();
			mContext = QSharedPointer<TestWorkflowContext>::create();
			mContext->setReaderName(cReader);
			mUi.reset(new TestWorkflowUi());
			mUi->claim(mContext);
		}


		void cleanup()
		{
			mUi.reset();
			mContext.reset();
			ReaderManagerFixture::stop();
		}


		void returnCode_data()
		{
			QTest::addColumn<CardReturnCode>("returnCode");
			QTest::addColumn<bool>("connected");
			QTest::addColumn<QStringList>("signal");

			const auto codes = Enum<CardReturnCode>::allValues();
			QCOMPARE(codes.size(), 12);
			const QList<CardReturnCode> unrecoverable({CardReturnCode::UNKNOWN, CardReturnCode::INPUT_TIME_OUT, CardReturnCode::COMMAND_FAILED,
													   CardReturnCode::CANCELLATION_BY_USER, CardReturnCode::PROTOCOL_ERROR, CardReturnCode::WRONG_LENGTH,
													   CardReturnCode::UNEXPECTED_TRANSMIT_STATUS});
			for (const auto code : codes)
			{
				for (const bool connected : {true, false})
				{
					QStringList signal = connected ? cContinue : cNoCardConnection;
					if (unrecoverable.contains(code))
					{
						signal = cAbort;
					}
					else if (code == CardReturnCode::RESPONSE_EMPTY || code == CardReturnCode::CARD_NOT_FOUND)
					{
						// The card is taken for removed, whatever the connection says.
						signal = cNoCardConnection;
					}
					else if (code == CardReturnCode::PIN_NOT_BLOCKED && connected)
					{
						signal = cUpdate;
					}
					const auto name = QStringLiteral("%1, %2").arg(Enum<CardReturnCode>::getName(code), connected ? QStringLiteral("connected") : QStringLiteral("no connection"));
					QTest::newRow(qPrintable(name)) << code << connected << signal;
				}
			}
		}


		void returnCode()
		{
			QFETCH(CardReturnCode, returnCode);
			QFETCH(bool, connected);
			QFETCH(QStringList, signal);

			if (connected)
			{
				connectCard();
			}
			mContext->setPaceOutputData(EstablishPaceChannelOutput(PacePasswordId::PACE_PIN, returnCode));
			const LogCapture log;

			QCOMPARE(runState(), signal);
			QVERIFY(log.contains(QStringLiteral("Last PACE result: ") + Enum<CardReturnCode>::getName(returnCode)));

			if (signal == cAbort)
			{
				QCOMPARE(mContext->getStatus().getStatusCode(), cardReturnCodeToGlobalStatus(returnCode).getStatusCode());
				const auto failure = mContext->getFailureCode();
				QVERIFY(failure.has_value());
				QCOMPARE(failure->getReason(), FailureCode::Reason::Maintain_Card_Connection_Pace_Unrecoverable);
				QCOMPARE(failure->getInfoMap().value(FailureCode::Info::Card_Return_Code), Enum<CardReturnCode>::getName(returnCode));
				QVERIFY(log.contains(QStringLiteral("Last PACE result is unrecoverable. Aborting.")));
				return;
			}

			QCOMPARE(mContext->getStatus().getStatusCode(), GlobalStatus::Code::No_Error);
			QVERIFY(!mContext->getFailureCode().has_value());
			const bool removed = returnCode == CardReturnCode::RESPONSE_EMPTY || returnCode == CardReturnCode::CARD_NOT_FOUND;
			QCOMPARE(mContext->getCardConnection().isNull(), !connected || removed);
			// A removed card also forgets the PACE result.
			QCOMPARE(mContext->getPaceOutputData().getPaceReturnCode(), removed ? CardReturnCode::UNDEFINED : returnCode);
		}


		void paceResult_data()
		{
			QTest::addColumn<PacePasswordId>("passwordId");
			QTest::addColumn<quint32>("resultCode");
			QTest::addColumn<bool>("connected");
			QTest::addColumn<QStringList>("signal");

			QTest::newRow("wrong PIN") << PacePasswordId::PACE_PIN << 0xF00663C2U << true << cUpdate;
			QTest::newRow("wrong PIN, no connection") << PacePasswordId::PACE_PIN << 0xF00663C2U << false << cNoCardConnection;
			QTest::newRow("wrong CAN") << PacePasswordId::PACE_CAN << 0xF00663C1U << true << cUpdate;
			QTest::newRow("PUK") << PacePasswordId::PACE_PUK << 0U << true << cUpdate;
			QTest::newRow("PUK, no connection") << PacePasswordId::PACE_PUK << 0U << false << cNoCardConnection;
			QTest::newRow("PIN") << PacePasswordId::PACE_PIN << 0U << true << cContinue;
			QTest::newRow("CAN") << PacePasswordId::PACE_CAN << 0U << true << cContinue;
			// Other failures are for the state that ran PACE to judge.
			QTest::newRow("PIN, 6A80") << PacePasswordId::PACE_PIN << 0xF0066A80U << true << cContinue;
		}


		void paceResult()
		{
			QFETCH(PacePasswordId, passwordId);
			QFETCH(quint32, resultCode);
			QFETCH(bool, connected);
			QFETCH(QStringList, signal);

			if (connected)
			{
				connectCard();
			}
			EstablishPaceChannelOutput output(passwordId, CardReturnCode::OK);
			output.setResultCode(resultCode);
			mContext->setPaceOutputData(output);
			const LogCapture log;

			QCOMPARE(runState(), signal);
			QCOMPARE(log.contains(QStringLiteral("PIN unblocked! Triggering retry counter update.")), passwordId == PacePasswordId::PACE_PUK && connected);
			QVERIFY(!mContext->getFailureCode().has_value());
		}


		void errorStatus_data()
		{
			QTest::addColumn<bool>("withFailureCode");
			QTest::addColumn<FailureCode::Reason>("reason");

			QTest::newRow("failure code") << true << FailureCode::Reason::Connect_Card_Connection_Failed;
			QTest::newRow("without failure code") << false << FailureCode::Reason::Maintain_Card_Connection_Unknown_Error;
		}


		void errorStatus()
		{
			QFETCH(bool, withFailureCode);
			QFETCH(FailureCode::Reason, reason);

			connectCard();
			mContext->setPaceOutputData(EstablishPaceChannelOutput(PacePasswordId::PACE_PIN, CardReturnCode::OK));
			mContext->setStatus(GlobalStatus(GlobalStatus::Code::Card_Communication_Error));
			if (withFailureCode)
			{
				mContext->setFailureCode(reason);
			}

			SingleStateController controller(mContext);
			auto* state = controller.setState<StateMaintainCardConnection>();
			QSignalSpy abort(state, &AbstractState::fireAbort);
			controller.run();
			QTRY_VERIFY(controller.hasLeft());

			QCOMPARE(abort.count(), 1);
			QCOMPARE(spyArgument<FailureCode>(abort.constFirst().constFirst()).getReason(), reason);
			QCOMPARE(mContext->getFailureCode()->getReason(), reason);
			QCOMPARE(mContext->getStatus().getStatusCode(), GlobalStatus::Code::Card_Communication_Error);
		}


};

KENDRAWELL_TEST_MAIN(test_StateMaintainCardConnection)
#include "test_StateMaintainCardConnection.moc"
