#include "command/DestroyPaceChannelCommand.h"

#include "CardCommandFixture.h"
#include "TestEnvironment.h"

using namespace tessarovin;

class test_DestroyPaceChannelCommand
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


		void readers_data()
		{
			QTest::addColumn<bool>("basicReader");
			QTest::addColumn<CardReturnCode>("code");
			QTest::addColumn<bool>("stopped");
			QTest::addColumn<QList<QByteArray>>("commands");

			QTest::newRow("basic reader") << true << CardReturnCode::OK << true << QList<QByteArray>({"0022c1a4"});
			QTest::newRow("pin pad") << false << CardReturnCode::INPUT_TIME_OUT << false << QList<QByteArray>();
		}


		void readers()
		{
			QFETCH(bool, basicReader);
			QFETCH(CardReturnCode, code);
			QFETCH(bool, stopped);
			QFETCH(QList<QByteArray>, commands);

			const auto connection = mFixture.connect(CardCommandFixture::eidCard("9000", [](ScriptedCard& pCard){
					pCard.setDestroyPaceChannelResult(CardReturnCode::INPUT_TIME_OUT);
				}), basicReader);
			QVERIFY(connection);

			const auto command = mFixture.run(*connection, connection->createDestroyPaceChannelCommand(QStringLiteral("slot")));
			QVERIFY(command);
			QCOMPARE(command->getReturnCode(), code);
			QCOMPARE(command->getSecureMessagingStopped(), stopped);
			QCOMPARE(command->getSlotHandle(), QStringLiteral("slot"));
			QCOMPARE(mFixture.commandsAfterInsertion(7), commands);
		}


};

KENDRAWELL_TEST_MAIN(test_DestroyPaceChannelCommand)
#include "test_DestroyPaceChannelCommand.moc"
