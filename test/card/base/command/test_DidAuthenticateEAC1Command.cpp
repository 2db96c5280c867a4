#include "command/DidAuthenticateEAC1Command.h"

#include "CardCommandFixture.h"
#include "LogCapture.h"
#include "TestEnvironment.h"

using namespace tessarovin;

class test_DidAuthenticateEAC1Command
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


		void challenge_data()
		{
			QTest::addColumn<ResponseApduResult>("answer");
			QTest::addColumn<CardReturnCode>("code");
			QTest::addColumn<QByteArray>("challenge");
			QTest::addColumn<QString>("message");

			QTest::newRow("8 bytes") << ScriptedCard::answer("01020304050607089000") << CardReturnCode::OK << QByteArray::fromHex("0102030405060708") << QString();
			QTest::newRow("7 bytes are kept") << ScriptedCard::answer("010203040506079000") << CardReturnCode::OK << QByteArray::fromHex("01020304050607")
											  << QStringLiteral("Challenge has wrong size. Expect 8 bytes, got 7");
			QTest::newRow("no data") << ScriptedCard::answer("9000") << CardReturnCode::OK << QByteArray()
									 << QStringLiteral("Challenge has wrong size. Expect 8 bytes, got 0");
			QTest::newRow("other status") << ScriptedCard::answer("0102030405060708" "6982") << CardReturnCode::PROTOCOL_ERROR << QByteArray()
										  << QStringLiteral("Unexpected StatusCode in GetChallenge:");
			QTest::newRow("wrong length") << ScriptedCard::answer("6700") << CardReturnCode::WRONG_LENGTH << QByteArray()
										  << QStringLiteral("GetChallenge failed:");
			QTest::newRow("card failed") << ScriptedCard::answer(QByteArray(), CardReturnCode::COMMAND_FAILED) << CardReturnCode::COMMAND_FAILED << QByteArray()
										 << QStringLiteral("GetChallenge failed:");
		}


		void challenge()
		{
			QFETCH(ResponseApduResult, answer);
			QFETCH(CardReturnCode, code);
			QFETCH(QByteArray, challenge);
			QFETCH(QString, message);

			const auto connection = mFixture.connect(CardCommandFixture::eidCard("9000", [answer](ScriptedCard& pCard){
					pCard.add("00840000", answer);
				}));
			QVERIFY(connection);

			LogCapture log;
			const auto command = mFixture.run(*connection, connection->createDidAuthenticateEAC1Command());
			QVERIFY(command);
			QCOMPARE(command->getReturnCode(), code);
			QCOMPARE(command->getChallenge(), challenge);
			QCOMPARE(mFixture.commandsAfterInsertion(7), QList<QByteArray>({"0084000008"}));
			if (!message.isEmpty())
			{
				QVERIFY2(log.contains(message), qPrintable(log.messages().join(QLatin1Char('\n'))));
			}
		}


};

KENDRAWELL_TEST_MAIN(test_DidAuthenticateEAC1Command)
#include "test_DidAuthenticateEAC1Command.moc"
