#include "states/StateTransmit.h"

#include "LogCapture.h"
#include "ReaderManagerFixture.h"
#include "SingleStateController.h"
#include "TestWorkflowUi.h"


using namespace tessarovin;

namespace
{

const QString cReader = QStringLiteral("scripted reader");
const QStringList cContinue({QStringLiteral("fireContinue")});
const QStringList cAbort({QStringLiteral("fireAbort")});


InputApduInfo apdu(const QByteArray& pHex, const QByteArray& pAcceptable = QByteArray("9000"))
{
	InputApduInfo info(QByteArray::fromHex(pHex));
	info.addAcceptableStatusCode(pAcceptable);
	return info;
}


} // namespace


class test_StateTransmit
	: public QObject
{
	Q_OBJECT

	private:
		QSharedPointer<AuthContext> mContext;
		QScopedPointer<TestWorkflowUi> mUi;

		QStringList runState()
		{
			return SingleStateController::runOnce<StateTransmit>(mContext);
		}


		void connectCard(const std::function<void(ScriptedCard&)>& pScript)
		{
			QVERIFY(ReaderManagerFixture::insertEidCard(cReader, {"9000"}, pScript));
			mContext->setCardConnection(ReaderManagerFixture::connect(cReader));
			QVERIFY(mContext->getCardConnection());
		}


		void setTransmit(const QList<InputApduInfo>& pApdus)
		{
			auto transmit = QSharedPointer<Transmit>::create();
			for (const auto& info : pApdus)
			{
				transmit->appendInputApduInfo(info);
			}
			mContext->setTransmit(transmit);
			mContext->setTransmitResponse(QSharedPointer<TransmitResponse>::create());
		}

	private Q_SLOTS:
		void init()
		{
			ReaderManagerFixture::start();
			mContext = QSharedPointer<AuthContext>::create();
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


		void result_data()
		{
			QTest::addColumn<QByteArray>("secondAnswer");
			QTest::addColumn<CardReturnCode>("returnCode");
			QTest::addColumn<QStringList>("signal");
			QTest::addColumn<GlobalStatus::Code>("status");
			QTest::addColumn<QByteArrayList>("outputs");

			QTest::newRow("all accepted") << QByteArray("6a829000") << CardReturnCode::OK << cContinue << GlobalStatus::Code::No_Error
										  << QByteArrayList({"6104130249449000", "6a829000"});
			QTest::newRow("unexpected status of the last") << QByteArray("6a82") << CardReturnCode::OK << cContinue
														   << GlobalStatus::Code::Card_Unexpected_Transmit_Status << QByteArrayList({"6104130249449000", "6a82"});
			QTest::newRow("reader failed") << QByteArray("9000") << CardReturnCode::COMMAND_FAILED << cAbort
										   << cardReturnCodeToGlobalStatus(CardReturnCode::COMMAND_FAILED).getStatusCode() << QByteArrayList();
		}


		void result()
		{
			QFETCH(QByteArray, secondAnswer);
			QFETCH(CardReturnCode, returnCode);
			QFETCH(QStringList, signal);
			QFETCH(GlobalStatus::Code, status);
			QFETCH(QByteArrayList, outputs);

			connectCard([secondAnswer, returnCode](ScriptedCard& pCard) {
					pCard.add("00b0810000", "6104130249449000");
					pCard.add("00b0820000", secondAnswer, returnCode);
				});
			setTransmit({apdu("00b0810000"), apdu("00b0820000")});

			QCOMPARE(runState(), signal);
			QCOMPARE(mContext->getStatus().getStatusCode(), status);
			QCOMPARE(mContext->getProgressValue(), 60);
			QCOMPARE(mContext->getProgressMessage(), QStringLiteral("Reading data"));

			const QByteArray document = mContext->getTransmitResponse()->marshall();
			QCOMPARE(document.count("<OutputAPDU>"), outputs.size());
			for (const auto& output : outputs)
			{
				QVERIFY(document.contains("<OutputAPDU>" + output + "</OutputAPDU>"));
			}

			if (signal == cAbort)
			{
				const auto failure = mContext->getFailureCode();
				QCOMPARE(failure->getReason(), FailureCode::Reason::Transmit_Card_Command_Failed);
				QCOMPARE(failure->getInfoMap().value(FailureCode::Info::Card_Return_Code), QStringLiteral("COMMAND_FAILED"));
			}
			else
			{
				QVERIFY(!mContext->getFailureCode().has_value());
			}
		}


		void noCardConnection()
		{
			setTransmit({apdu("00b0810000")});

			// The server gets an error answer instead of none.
			QCOMPARE(runState(), cAbort);
			QCOMPARE(mContext->getStatus().getStatusCode(), cardReturnCodeToGlobalStatus(CardReturnCode::CARD_NOT_FOUND).getStatusCode());
			const auto failure = mContext->getFailureCode();
			QCOMPARE(failure->getReason(), FailureCode::Reason::Transmit_Card_Command_Failed);
			QCOMPARE(failure->getInfoMap().value(FailureCode::Info::Card_Return_Code), QStringLiteral("CARD_NOT_FOUND"));
		}


		void cardRemoved()
		{
			connectCard([](ScriptedCard& pCard) {
					pCard.add("00b0810000", "9000");
				});
			setTransmit({apdu("00b0810000")});
			mUi->setAutoApprove(false);

			SingleStateController controller(mContext);
			controller.setState<StateTransmit>();
			controller.run();
			QTRY_COMPARE(mContext->getCurrentState(), QStringLiteral("StateTransmit"));
			QVERIFY(MockReaderManagerPlugin::runOnPlugin([](MockReaderManagerPlugin& pPlugin) {
					pPlugin.getMockReader(cReader)->removeCard();
				}));

			QTRY_VERIFY(controller.hasLeft());
			QCOMPARE(controller.getEndedBy(), cAbort);
			QCOMPARE(mContext->getStatus().getStatusCode(), GlobalStatus::Code::Workflow_Card_Removed);
			QCOMPARE(mContext->getFailureCode()->getReason(), FailureCode::Reason::Card_Removed);
		}


};

KENDRAWELL_TEST_MAIN(test_StateTransmit)
#include "test_StateTransmit.moc"
