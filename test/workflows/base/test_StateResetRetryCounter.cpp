#include "states/StateResetRetryCounter.h"

#include "LogCapture.h"
#include "ReaderManagerFixture.h"
#include "SingleStateController.h"
#include "TestWorkflowContext.h"
#include "TestWorkflowUi.h"


using namespace tessarovin;

namespace
{

const QString cReader = QStringLiteral("scripted reader");
const QStringList cContinue({QStringLiteral("fireContinue")});
const QStringList cAbort({QStringLiteral("fireAbort")});
const QStringList cNoCardConnection({QStringLiteral("fireNoCardConnection")});

} // namespace


class test_StateResetRetryCounter
	: public QObject
{
	Q_OBJECT

	private:
		QSharedPointer<TestWorkflowContext> mContext;
		QScopedPointer<TestWorkflowUi> mUi;

		QStringList runState()
		{
			return SingleStateController::runOnce<StateResetRetryCounter>(mContext, &StateResetRetryCounter::fireNoCardConnection);
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


		void answer_data()
		{
			QTest::addColumn<QByteArray>("response");
			QTest::addColumn<CardReturnCode>("returnCode");
			QTest::addColumn<QStringList>("signal");
			QTest::addColumn<GlobalStatus::Code>("status");
			QTest::addColumn<FailureCode::Reason>("reason");
			QTest::addColumn<QString>("log");

			const auto ok = CardReturnCode::OK;
			const auto none = GlobalStatus::Code::No_Error;
			const auto noReason = FailureCode::Reason::User_Cancelled;
			const QString unexpected = QStringLiteral("cannot reset retry counter");

			QTest::newRow("9000") << QByteArray("9000") << ok << cContinue << none << noReason << QString();
			QTest::newRow("6982") << QByteArray("6982") << ok << cAbort << GlobalStatus::Code::Card_Puk_Blocked << FailureCode::Reason::Reset_Retry_Counter_Puk_Inoperative << QString();
			QTest::newRow("6984") << QByteArray("6984") << ok << cAbort << GlobalStatus::Code::Card_Puk_Blocked << FailureCode::Reason::Reset_Retry_Counter_Puk_Inoperative << QString();
			QTest::newRow("6a80") << QByteArray("6a80") << ok << cAbort << GlobalStatus::Code::Card_Unexpected_Transmit_Status
								  << FailureCode::Reason::Reset_Retry_Counter_Unexpected_StatusCode << QStringLiteral("Received an unexpected StatusCode (");
			QTest::newRow("63c1") << QByteArray("63c1") << ok << cAbort << GlobalStatus::Code::Card_Unexpected_Transmit_Status
								  << FailureCode::Reason::Reset_Retry_Counter_Unexpected_StatusCode << unexpected;
			QTest::newRow("reader failed") << QByteArray("9000") << CardReturnCode::COMMAND_FAILED << cNoCardConnection << none << noReason
										   << QStringLiteral("An error (COMMAND_FAILED) occurred while communicating with the card reader");
		}


		void answer()
		{
			QFETCH(QByteArray, response);
			QFETCH(CardReturnCode, returnCode);
			QFETCH(QStringList, signal);
			QFETCH(GlobalStatus::Code, status);
			QFETCH(FailureCode::Reason, reason);
			QFETCH(QString, log);

			QVERIFY(ReaderManagerFixture::insertEidCard(cReader, {"63c0"}, [response, returnCode](ScriptedCard& pCard) {
					pCard.add("002c0303", response, returnCode);
				}));
			mContext->setCardConnection(ReaderManagerFixture::connect(cReader));
			QVERIFY(mContext->getCardConnection());
			mContext->rememberReader();
			QCOMPARE(mContext->getExpectedRetryCounter(), 0);
			const LogCapture capture;

			QCOMPARE(runState(), signal);
			QCOMPARE(mContext->getStatus().getStatusCode(), status);
			QCOMPARE(mContext->getFailureCode().has_value(), signal == cAbort);
			if (signal == cAbort)
			{
				QCOMPARE(mContext->getFailureCode()->getReason(), reason);
			}
			if (!log.isEmpty())
			{
				QVERIFY(capture.contains(log));
			}
			// Read again from the card after a reset.
			QCOMPARE(mContext->getExpectedRetryCounter(), signal == cContinue ? -1 : 0);
			QCOMPARE(mContext->getCardConnection().isNull(), signal == cNoCardConnection);
			QVERIFY(onScriptedCard(cReader, [](ScriptedCard* pCard) {
					QCOMPARE(pCard->getCommands().constLast(), QByteArray("002c0303"));
				}));
		}


		void noCardConnection()
		{
			const LogCapture capture;
			QCOMPARE(runState(), cNoCardConnection);
			QVERIFY(capture.contains(QStringLiteral("No card connection available")));
			QVERIFY(!mContext->getFailureCode().has_value());
		}


};

KENDRAWELL_TEST_MAIN(test_StateResetRetryCounter)
#include "test_StateResetRetryCounter.moc"
