#include "states/StatePreparePace.h"

#include "CommandReceiver.h"
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
const QStringList cEnter({QStringLiteral("fireEnterPacePassword")});
const QStringList cNoCardConnection({QStringLiteral("fireNoCardConnection")});


EstablishPaceChannelOutput success(PacePasswordId pPasswordId)
{
	EstablishPaceChannelOutput output(pPasswordId, CardReturnCode::OK);
	output.setStatusMseSetAt(QByteArray::fromHex("9000"));
	return output;
}


} // namespace


class test_StatePreparePace
	: public QObject
{
	Q_OBJECT

	private:
		QSharedPointer<TestWorkflowContext> mContext;
		QScopedPointer<TestWorkflowUi> mUi;

		QStringList runState()
		{
			return SingleStateController::runOnce<StatePreparePace>(mContext, &StatePreparePace::fireNoCardConnection, &StatePreparePace::fireEnterPacePassword);
		}


		// PACE on the connection as an earlier state ran it, so that the connection remembers it.
		static void runPace(const QSharedPointer<CardConnection>& pConnection, PacePasswordId pPasswordId)
		{
			QVERIFY(onScriptedCard(cReader, [pPasswordId](ScriptedCard* pCard) {
					pCard->setPaceOutput(success(pPasswordId));
				}));
			CommandReceiver receiver;
			pConnection->callEstablishPaceChannelCommand(&receiver, &CommandReceiver::onCommandDone, pPasswordId, QByteArray("123456"));
			QTRY_COMPARE(receiver.mCommands.size(), 1);
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


		void choice_data()
		{
			QTest::addColumn<QByteArray>("retryCounter");
			QTest::addColumn<bool>("canAllowed");
			QTest::addColumn<bool>("canDone");
			QTest::addColumn<bool>("pinDone");
			QTest::addColumn<QStringList>("known");
			QTest::addColumn<PacePasswordId>("passwordType");
			QTest::addColumn<QStringList>("signal");

			const auto pin = PacePasswordId::PACE_PIN;
			const auto can = PacePasswordId::PACE_CAN;
			const auto puk = PacePasswordId::PACE_PUK;
			const QStringList none;
			const QStringList all({"CAN", "PIN", "PUK"});

			QTest::newRow("3, nothing known") << QByteArray("9000") << false << false << false << none << pin << cEnter;
			QTest::newRow("3, PIN known") << QByteArray("9000") << false << false << false << QStringList({"PIN"}) << pin << cContinue;
			QTest::newRow("3, only CAN and PUK known") << QByteArray("9000") << false << false << false << QStringList({"CAN", "PUK"}) << pin << cEnter;
			QTest::newRow("3, PIN done") << QByteArray("9000") << false << false << true << none << pin << cContinue;
			QTest::newRow("2, PIN known") << QByteArray("63c2") << false << false << false << QStringList({"PIN"}) << pin << cContinue;
			QTest::newRow("1, nothing known") << QByteArray("63c1") << false << false << false << none << can << cEnter;
			QTest::newRow("1, PIN known") << QByteArray("63c1") << false << false << false << QStringList({"PIN"}) << can << cEnter;
			QTest::newRow("1, CAN known") << QByteArray("63c1") << false << false << false << QStringList({"CAN"}) << can << cContinue;
			QTest::newRow("1, CAN done") << QByteArray("63c1") << false << true << false << none << pin << cEnter;
			QTest::newRow("1, CAN done, PIN known") << QByteArray("63c1") << false << true << false << QStringList({"PIN"}) << pin << cContinue;
			QTest::newRow("0, nothing known") << QByteArray("63c0") << false << false << false << none << puk << cEnter;
			QTest::newRow("0, all known") << QByteArray("63c0") << false << false << false << all << puk << cContinue;
			QTest::newRow("0, CAN done") << QByteArray("63c0") << false << true << false << QStringList({"PIN"}) << puk << cEnter;
			QTest::newRow("CAN allowed, nothing known") << QByteArray("9000") << true << false << false << none << can << cEnter;
			QTest::newRow("CAN allowed, PIN known") << QByteArray("9000") << true << false << false << QStringList({"PIN"}) << can << cEnter;
			QTest::newRow("CAN allowed, CAN known") << QByteArray("9000") << true << false << false << QStringList({"CAN"}) << can << cContinue;
			QTest::newRow("CAN allowed, CAN done") << QByteArray("9000") << true << true << false << none << can << cContinue;
			// The retry counter does not count in CAN-allowed mode.
			QTest::newRow("CAN allowed, 0") << QByteArray("63c0") << true << false << false << QStringList({"PUK"}) << can << cEnter;
			QTest::newRow("CAN allowed, 1, CAN done") << QByteArray("63c1") << true << true << false << none << can << cContinue;
		}


		void choice()
		{
			QFETCH(QByteArray, retryCounter);
			QFETCH(bool, canAllowed);
			QFETCH(bool, canDone);
			QFETCH(bool, pinDone);
			QFETCH(QStringList, known);
			QFETCH(PacePasswordId, passwordType);
			QFETCH(QStringList, signal);

			QVERIFY(ReaderManagerFixture::insertEidCard(cReader, {retryCounter}));
			// A pin pad runs PACE with the card's scripted output.
			QVERIFY(MockReaderManagerPlugin::runOnPlugin([](MockReaderManagerPlugin& pPlugin) {
					pPlugin.getMockReader(cReader)->setBasicReader(false);
				}));
			const auto connection = ReaderManagerFixture::connect(cReader);
			QVERIFY(connection);
			if (canDone)
			{
				runPace(connection, PacePasswordId::PACE_CAN);
				QVERIFY(connection->getPaceCanSuccessful());
			}
			if (pinDone)
			{
				runPace(connection, PacePasswordId::PACE_PIN);
				QVERIFY(connection->getPacePinSuccessful());
			}
			mContext->setCardConnection(connection);
			mContext->setCanAllowedMode(canAllowed);
			mContext->setCan(known.contains(QLatin1String("CAN")) ? QStringLiteral("123456") : QString());
			mContext->setPin(known.contains(QLatin1String("PIN")) ? QStringLiteral("654321") : QString());
			mContext->setPuk(known.contains(QLatin1String("PUK")) ? QStringLiteral("1234567890") : QString());
			mContext->setPasswordType(PacePasswordId::PACE_MRZ);

			QCOMPARE(runState(), signal);
			QCOMPARE(mContext->getPasswordType(), passwordType);
		}


		void noCardConnection_data()
		{
			QTest::addColumn<bool>("canAllowed");

			QTest::newRow("PIN mode") << false;
			QTest::newRow("CAN-allowed mode") << true;
		}


		void noCardConnection()
		{
			QFETCH(bool, canAllowed);

			mContext->setCanAllowedMode(canAllowed);
			mContext->setPasswordType(PacePasswordId::PACE_PIN);
			mContext->setCan(QStringLiteral("123456"));
			mContext->setPin(QStringLiteral("654321"));
			const LogCapture log;

			// Stops after the signal: without the connection nothing is left to choose from.
			QCOMPARE(runState(), cNoCardConnection);
			QCOMPARE(mContext->getPasswordType(), PacePasswordId::UNKNOWN);
			QVERIFY(log.contains(QStringLiteral("Card connection lost.")));
			QVERIFY(!log.contains(QStringLiteral("CAN allowed required")));
			QVERIFY(!log.contains(QStringLiteral("PIN allowed")));
			QVERIFY(!log.contains(QStringLiteral("CAN required")));
		}


};

KENDRAWELL_TEST_MAIN(test_StatePreparePace)
#include "test_StatePreparePace.moc"
