#include "command/EstablishPaceChannelCommand.h"

#include "CardCommandFixture.h"
#include "TestEnvironment.h"

using namespace tessarovin;

class test_EstablishPaceChannelCommand
	: public QObject
{
	Q_OBJECT

	private:
		CardCommandFixture mFixture;

	private Q_SLOTS:
		void init()
		{
			QVERIFY(mFixture.start());
		}


		void cleanup()
		{
			QVERIFY(mFixture.stop());
		}


		void preconditions_data()
		{
			QTest::addColumn<bool>("eidCard");
			QTest::addColumn<QByteArray>("retryCounterStatus");
			QTest::addColumn<PacePasswordId>("passwordId");
			QTest::addColumn<CardReturnCode>("code");

			QTest::newRow("PUK, PIN not blocked") << true << QByteArray("9000") << PacePasswordId::PACE_PUK << CardReturnCode::PIN_NOT_BLOCKED;
			QTest::newRow("PUK, PIN suspended") << true << QByteArray("63c1") << PacePasswordId::PACE_PUK << CardReturnCode::PIN_NOT_BLOCKED;
			QTest::newRow("PUK, PIN deactivated") << true << QByteArray("6283") << PacePasswordId::PACE_PUK << CardReturnCode::PIN_NOT_BLOCKED;
			QTest::newRow("PUK, PIN blocked") << true << QByteArray("63c0") << PacePasswordId::PACE_PUK << CardReturnCode::OK;
			QTest::newRow("CAN, PIN deactivated") << true << QByteArray("6283") << PacePasswordId::PACE_CAN << CardReturnCode::OK;
			QTest::newRow("not an eID card") << false << QByteArray() << PacePasswordId::PACE_PIN << CardReturnCode::CARD_NOT_FOUND;
		}


		void preconditions()
		{
			QFETCH(bool, eidCard);
			QFETCH(QByteArray, retryCounterStatus);
			QFETCH(PacePasswordId, passwordId);
			QFETCH(CardReturnCode, code);

			// A pin-pad reader: PACE that runs reaches the card's own PACE and nothing else.
			const auto connection = mFixture.connect(eidCard ? CardCommandFixture::eidCard(retryCounterStatus, [passwordId](ScriptedCard& pCard){
					pCard.setPaceOutput(EstablishPaceChannelOutput(passwordId, CardReturnCode::OK));
				}) : [](ScriptedCard&){}, false);
			QVERIFY(connection);

			const auto command = mFixture.run(*connection, connection->createEstablishPaceChannelCommand(passwordId, "12345678", QByteArray(), QByteArray()));
			QVERIFY(command);
			QCOMPARE(command->getReturnCode(), code);
			QCOMPARE(command->getPaceOutput().getPaceReturnCode(), code);
			QCOMPARE(command->getPaceOutput().getPasswordId(), passwordId);
			QCOMPARE(command->getPaceOutput().getResultCode(), EstablishPaceChannelOutput::toResultCode(code));

			QVERIFY(onScriptedCard(CardCommandFixture::cReader, [code](ScriptedCard* pCard){
					QCOMPARE(pCard->getPreferredPinLengths().size(), code == CardReturnCode::OK ? 1 : 0);
				}));
		}


		void outputOfTheCard()
		{
			const auto connection = mFixture.connect(CardCommandFixture::eidCard("9000", [](ScriptedCard& pCard){
					EstablishPaceChannelOutput output(PacePasswordId::PACE_PIN, CardReturnCode::OK);
					output.setResultCode(0xF00663C2);
					pCard.setPaceOutput(output);
				}), false);
			QVERIFY(connection);

			const auto command = mFixture.run(*connection, connection->createEstablishPaceChannelCommand(PacePasswordId::PACE_PIN, QByteArray(5, '\0'), QByteArray(), QByteArray()));
			QVERIFY(command);
			QCOMPARE(command->getReturnCode(), CardReturnCode::OK);
			QCOMPARE(command->getPaceOutput().getResultCode(), 0xF00663C2);
			QVERIFY(!command->getPaceOutput().isSuccess());
			QVERIFY(onScriptedCard(CardCommandFixture::cReader, [](ScriptedCard* pCard){
					QCOMPARE(pCard->getPreferredPinLengths(), QList<int>({5}));
				}));
		}


};

KENDRAWELL_TEST_MAIN(test_EstablishPaceChannelCommand)
#include "test_EstablishPaceChannelCommand.moc"
