#include "command/TransmitCommand.h"

#include "CardCommandFixture.h"
#include "LogCapture.h"
#include "TestEnvironment.h"

using namespace tessarovin;

namespace
{

const QByteArray SELECT_MF("00a4000c023f00");
const QByteArray READ_DG1("00b0810000");


InputApduInfo info(const QByteArray& pApduHex, const QByteArrayList& pAcceptable = {})
{
	InputApduInfo result(QByteArray::fromHex(pApduHex));
	for (const auto& code : pAcceptable)
	{
		result.addAcceptableStatusCode(code);
	}
	return result;
}


} // namespace


class test_TransmitCommand
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


		void transmit_data()
		{
			QTest::addColumn<QList<InputApduInfo>>("infos");
			QTest::addColumn<ResponseApduResult>("answer");
			QTest::addColumn<CardReturnCode>("code");
			QTest::addColumn<QByteArrayList>("output");
			QTest::addColumn<int>("sent");

			const ResponseApduResult fileNotFound = ScriptedCard::answer("6a82");
			QTest::newRow("no codes accept all") << QList<InputApduInfo>({info(SELECT_MF), info(READ_DG1)}) << fileNotFound
												 << CardReturnCode::OK << QByteArrayList({"9000", "6a82"}) << 2;
			QTest::newRow("6a accepts 6A82") << QList<InputApduInfo>({info(SELECT_MF), info(READ_DG1, {"9000", "6a"})}) << fileNotFound
											 << CardReturnCode::OK << QByteArrayList({"9000", "6a82"}) << 2;
			QTest::newRow("6a does not accept 6B00") << QList<InputApduInfo>({info(SELECT_MF), info(READ_DG1, {"9000", "6a"})}) << ScriptedCard::answer("6b00")
													 << CardReturnCode::UNEXPECTED_TRANSMIT_STATUS << QByteArrayList({"9000", "6b00"}) << 2;
			QTest::newRow("upper-case 6A82") << QList<InputApduInfo>({info(SELECT_MF), info(READ_DG1, {"6A82"})}) << fileNotFound
											 << CardReturnCode::OK << QByteArrayList({"9000", "6a82"}) << 2;
			QTest::newRow("upper-case 6A") << QList<InputApduInfo>({info(SELECT_MF), info(READ_DG1, {"6A"})}) << fileNotFound
										   << CardReturnCode::OK << QByteArrayList({"9000", "6a82"}) << 2;
			QTest::newRow("upper-case 6B00 refuses 6a82") << QList<InputApduInfo>({info(SELECT_MF), info(READ_DG1, {"6B00"})}) << fileNotFound
														  << CardReturnCode::UNEXPECTED_TRANSMIT_STATUS << QByteArrayList({"9000", "6a82"}) << 2;
			QTest::newRow("90 accepts 9000 only in its prefix") << QList<InputApduInfo>({info(SELECT_MF, {"90"}), info(READ_DG1, {"90"})}) << ScriptedCard::answer("01029001")
																<< CardReturnCode::OK << QByteArrayList({"9000", "01029001"}) << 2;
			QTest::newRow("first refused, second not sent") << QList<InputApduInfo>({info(SELECT_MF, {"6a82"}), info(READ_DG1)}) << fileNotFound
															<< CardReturnCode::UNEXPECTED_TRANSMIT_STATUS << QByteArrayList({"9000"}) << 1;
			QTest::newRow("second fails with an answer") << QList<InputApduInfo>({info(SELECT_MF), info(READ_DG1)}) << ScriptedCard::answer("6700")
														 << CardReturnCode::WRONG_LENGTH << QByteArrayList({"9000"}) << 2;
			QTest::newRow("second fails without an answer") << QList<InputApduInfo>({info(SELECT_MF), info(READ_DG1)})
															<< ScriptedCard::answer(QByteArray(), CardReturnCode::COMMAND_FAILED)
															<< CardReturnCode::COMMAND_FAILED << QByteArrayList({"9000"}) << 2;
			QTest::newRow("second answers nothing") << QList<InputApduInfo>({info(SELECT_MF), info(READ_DG1)}) << ScriptedCard::answer(QByteArray())
													<< CardReturnCode::COMMAND_FAILED << QByteArrayList({"9000"}) << 2;
			QTest::newRow("nothing to send") << QList<InputApduInfo>() << fileNotFound << CardReturnCode::OK << QByteArrayList() << 0;
		}


		void transmit()
		{
			QFETCH(QList<InputApduInfo>, infos);
			QFETCH(ResponseApduResult, answer);
			QFETCH(CardReturnCode, code);
			QFETCH(QByteArrayList, output);
			QFETCH(int, sent);

			const auto connection = mFixture.connect(CardCommandFixture::eidCard("9000", [answer](ScriptedCard& pCard){
					pCard.add(READ_DG1, answer);
				}));
			QVERIFY(connection);

			const auto command = mFixture.run(*connection, connection->createTransmitCommand(infos, QStringLiteral("slot 1")));
			QVERIFY(command);
			QCOMPARE(command->getReturnCode(), code);
			QCOMPARE(command->getOutputApduAsHex(), output);
			QCOMPARE(command->getSlotHandle(), QStringLiteral("slot 1"));
			QVERIFY(!command->getSecureMessagingStopped());

			QList<QByteArray> expected;
			for (const auto& entry : std::as_const(infos).mid(0, sent))
			{
				expected << entry.getInputApdu().toHex();
			}
			QCOMPARE(mFixture.commandsAfterInsertion(7), expected);
		}


};

KENDRAWELL_TEST_MAIN(test_TransmitCommand)
#include "test_TransmitCommand.moc"
