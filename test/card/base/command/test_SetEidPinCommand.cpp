#include "command/SetEidPinCommand.h"

#include "CardCommandFixture.h"
#include "TestEnvironment.h"

using namespace tessarovin;

class test_SetEidPinCommand
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


		void answers_data()
		{
			QTest::addColumn<ResponseApduResult>("answer");
			QTest::addColumn<bool>("removeCard");
			QTest::addColumn<CardReturnCode>("code");

			QTest::newRow("changed") << ScriptedCard::answer("9000") << false << CardReturnCode::OK;
			QTest::newRow("refused") << ScriptedCard::answer("6982") << false << CardReturnCode::OK;
			QTest::newRow("no response") << ScriptedCard::answer(QByteArray()) << false << CardReturnCode::RESPONSE_EMPTY;
			QTest::newRow("wrong length") << ScriptedCard::answer("6700") << false << CardReturnCode::RESPONSE_EMPTY;
			QTest::newRow("card vanished") << ScriptedCard::answer("9000") << true << CardReturnCode::RESPONSE_EMPTY;
		}


		void answers()
		{
			QFETCH(ResponseApduResult, answer);
			QFETCH(bool, removeCard);
			QFETCH(CardReturnCode, code);

			const auto connection = mFixture.connect(CardCommandFixture::eidCard("9000", [answer](ScriptedCard& pCard){
					pCard.add("002c0203", answer);
				}));
			QVERIFY(connection);
			if (removeCard)
			{
				QVERIFY(MockReaderManagerPlugin::runOnPlugin([](MockReaderManagerPlugin& pPlugin){
						pPlugin.getMockReader(CardCommandFixture::cReader)->removeCard();
					}));
			}

			const auto command = mFixture.run(*connection, connection->createSetEidPinCommand("654321", 0));
			QVERIFY(command);
			QCOMPARE(command->getReturnCode(), code);
			if (code == CardReturnCode::OK)
			{
				QCOMPARE(QByteArray(command->getResponseApdu()), QByteArray(answer.mResponseApdu));
			}
			else
			{
				QVERIFY(command->getResponseApdu().isEmpty());
			}
			if (!removeCard)
			{
				QCOMPARE(mFixture.commandsAfterInsertion(7), QList<QByteArray>({"002c020306363534333231"}));
			}
		}


};

KENDRAWELL_TEST_MAIN(test_SetEidPinCommand)
#include "test_SetEidPinCommand.moc"
