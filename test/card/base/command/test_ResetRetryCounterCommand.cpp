#include "command/ResetRetryCounterCommand.h"

#include "CardCommandFixture.h"
#include "TestEnvironment.h"

using namespace tessarovin;

class test_ResetRetryCounterCommand
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


		void statusWords_data()
		{
			QTest::addColumn<ResponseApduResult>("answer");
			QTest::addColumn<CardReturnCode>("code");
			QTest::addColumn<StatusCode>("status");
			QTest::addColumn<bool>("pukInoperative");

			QTest::newRow("unblocked") << ScriptedCard::answer("9000") << CardReturnCode::OK << StatusCode::SUCCESS << false;
			QTest::newRow("PUK used up") << ScriptedCard::answer("6982") << CardReturnCode::OK << StatusCode::ACCESS_DENIED << true;
			QTest::newRow("other status") << ScriptedCard::answer("6a80") << CardReturnCode::OK << StatusCode::INVALID_DATAFIELD << false;
			QTest::newRow("wrong length") << ScriptedCard::answer("6700") << CardReturnCode::WRONG_LENGTH << StatusCode::UNKNOWN << false;
			QTest::newRow("card failed") << ScriptedCard::answer(QByteArray(), CardReturnCode::COMMAND_FAILED) << CardReturnCode::COMMAND_FAILED << StatusCode::UNKNOWN << false;
		}


		void statusWords()
		{
			QFETCH(ResponseApduResult, answer);
			QFETCH(CardReturnCode, code);
			QFETCH(StatusCode, status);
			QFETCH(bool, pukInoperative);

			const auto connection = mFixture.connect(CardCommandFixture::eidCard("63c0", [answer](ScriptedCard& pCard){
					pCard.add("002c0303", answer);
				}));
			QVERIFY(connection);
			QSignalSpy changed(connection.data(), &CardConnection::fireReaderInfoChanged);

			const auto command = mFixture.run(*connection, connection->createResetRetryCounterCommand());
			QVERIFY(command);
			QCOMPARE(command->getReturnCode(), code);
			QCOMPARE(command->getStatusCode(), status);
			QCOMPARE(mFixture.commandsAfterInsertion(7), QList<QByteArray>({"002c0303"}));

			if (pukInoperative)
			{
				QTRY_COMPARE(changed.count(), 1);
			}
			QCOMPARE(connection->getReaderInfo().isPukInoperative(), pukInoperative);
			QTRY_COMPARE(mFixture.mManager->getReaderInfo(CardCommandFixture::cReader).isPukInoperative(), pukInoperative);
		}


};

KENDRAWELL_TEST_MAIN(test_ResetRetryCounterCommand)
#include "test_ResetRetryCounterCommand.moc"
