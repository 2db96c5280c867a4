#include "PcscCard.h"

#include "FakeSCardApi.h"
#include "LogCapture.h"
#include "PcscReader.h"
#include "TestEnvironment.h"

#include <QtTest>

#include <memory>

using namespace tessarovin;
using namespace tessarovin::pcsc;

namespace
{

// Feature list entries: tag, length 4, control code big-endian.
const QByteArray cExecutePace = QByteArray::fromHex("2004423300CC");
const QByteArray cModifyPinDirect = QByteArray::fromHex("070442330007");
constexpr DWORD cPaceCode = 0x423300CC;
constexpr DWORD cModifyCode = 0x42330007;

// Result code 0, output data: MSE:Set AT status 90 00, empty EF.CardAccess, no CARs, no ID_ICC.
const QByteArray cPaceAnswer = QByteArray::fromHex("00000000" "0800" "9000" "0000" "00" "00" "0000");

QString controlCall(DWORD pCode, const QByteArray& pCommand)
{
	return QStringLiteral("SCardControl(0x%1, %2, 2048)").arg(QString::number(pCode, 16), QString::fromLatin1(pCommand.toHex()));
}


} // namespace


class test_PcscCard
	: public QObject
{
	Q_OBJECT

	private:
		std::unique_ptr<FakeSCardApi> mApi;
		std::unique_ptr<PcscReader> mReader;
		QByteArray mResponse;

		std::unique_ptr<PcscCard> connectedCard()
		{
			auto card = std::make_unique<PcscCard>(mReader.get());
			if (card->establishConnection() != CardReturnCode::OK)
			{
				return nullptr;
			}
			mApi->takeCalls();
			return card;
		}

		// A connected card in a reader that announced these features.
		std::unique_ptr<PcscCard> pinPadCard(const QByteArray& pFeatures)
		{
			mApi->setFeatures(pFeatures);
			if (mReader->init() != Scard_S_Success)
			{
				return nullptr;
			}
			return connectedCard();
		}

	private Q_SLOTS:
		void init()
		{
			mApi = std::make_unique<FakeSCardApi>();
			mReader = std::make_unique<PcscReader>(QStringLiteral("Fake Reader 00 00"));
			mResponse = QByteArray::fromHex("9000");
			mApi->setCard([this](const QByteArray&){
					return mResponse;
				});
		}


		void cleanup()
		{
			mReader.reset();
			mApi.reset();
		}


		void connectAndRelease()
		{
			auto card = std::make_unique<PcscCard>(mReader.get());
			QCOMPARE(mApi->takeCalls(), QStringList {QStringLiteral("SCardEstablishContext(0)")});
			QVERIFY(!card->isConnected());

			QCOMPARE(card->establishConnection(), CardReturnCode::OK);
			QVERIFY(card->isConnected());
			QCOMPARE(mApi->takeCalls(), QStringList({
						QStringLiteral("SCardConnect(Fake Reader 00 00, 2, 3)"),
						QStringLiteral("SCardBeginTransaction()")}));

			{
				const LogCapture log;
				QCOMPARE(card->establishConnection(), CardReturnCode::COMMAND_FAILED);
				QCOMPARE(log.count(QStringLiteral("Card is already connected")), 1);
				QVERIFY(card->isConnected());
				QVERIFY(mApi->takeCalls().isEmpty());
			}

			QCOMPARE(card->releaseConnection(), CardReturnCode::OK);
			QVERIFY(!card->isConnected());
			QCOMPARE(mApi->takeCalls(), QStringList({
						QStringLiteral("SCardEndTransaction(0)"),
						QStringLiteral("SCardDisconnect(1)")}));

			const LogCapture log;
			QCOMPARE(card->releaseConnection(), CardReturnCode::COMMAND_FAILED);
			QCOMPARE(log.count(QStringLiteral("Card is already disconnected")), 1);
			QVERIFY(mApi->takeCalls().isEmpty());

			card.reset();
			QCOMPARE(mApi->takeCalls(), QStringList {QStringLiteral("SCardReleaseContext(1)")});
		}


		void connectFails()
		{
			PcscCard card(mReader.get());
			mApi->queueResult(QStringLiteral("SCardConnect"), Scard_E_No_Smartcard);
			QCOMPARE(card.establishConnection(), CardReturnCode::COMMAND_FAILED);
			QVERIFY(!card.isConnected());
			QVERIFY(mApi->getCalls(QStringLiteral("SCardBeginTransaction")).isEmpty());
		}


		void transactionFailsThenRetry()
		{
			PcscCard card(mReader.get());
			mApi->takeCalls();
			mApi->queueResult(QStringLiteral("SCardBeginTransaction"), Scard_E_Sharing_Violation);
			QCOMPARE(card.establishConnection(), CardReturnCode::COMMAND_FAILED);
			QVERIFY(!card.isConnected());
			QCOMPARE(mApi->takeCalls(), QStringList({
						QStringLiteral("SCardConnect(Fake Reader 00 00, 2, 3)"),
						QStringLiteral("SCardBeginTransaction()"),
						QStringLiteral("SCardDisconnect(0)")}));

			QCOMPARE(card.establishConnection(), CardReturnCode::OK);
			QVERIFY(card.isConnected());
		}


		void releaseReportsDisconnect()
		{
			const auto card = connectedCard();
			QVERIFY(card);
			mApi->queueResult(QStringLiteral("SCardEndTransaction"), Scard_E_Not_Transacted);
			QCOMPARE(card->releaseConnection(), CardReturnCode::OK);

			QVERIFY(card->establishConnection() == CardReturnCode::OK);
			mApi->queueResult(QStringLiteral("SCardDisconnect"), Scard_E_Invalid_Handle);
			QCOMPARE(card->releaseConnection(), CardReturnCode::COMMAND_FAILED);
			QVERIFY(!card->isConnected());
		}


		void destroyWhileConnected()
		{
			auto card = connectedCard();
			QVERIFY(card);
			card.reset();
			QCOMPARE(mApi->takeCalls(), QStringList({
						QStringLiteral("SCardEndTransaction(0)"),
						QStringLiteral("SCardDisconnect(1)"),
						QStringLiteral("SCardReleaseContext(1)")}));
		}


		void transmitNotConnected()
		{
			const LogCapture log;
			PcscCard card(mReader.get());
			const auto result = card.transmit(CommandApdu(QByteArray::fromHex("00A4000C023F00")));
			QCOMPARE(result.mReturnCode, CardReturnCode::COMMAND_FAILED);
			QVERIFY(result.mResponseApdu.isEmpty());
			QCOMPARE(log.count(QStringLiteral("Card is not connected, abort transmit")), 1);
			QVERIFY(mApi->getCalls(QStringLiteral("SCardTransmit")).isEmpty());
		}


		void protocol_data()
		{
			QTest::addColumn<DWORD>("protocol");
			QTest::addColumn<QString>("pci");

			QTest::newRow("T=0") << DWORD(SCARD_PROTOCOL_T0) << QStringLiteral("T0");
			QTest::newRow("T=1") << DWORD(SCARD_PROTOCOL_T1) << QStringLiteral("T1");
			QTest::newRow("raw") << DWORD(SCARD_PROTOCOL_RAW) << QStringLiteral("RAW");
			QTest::newRow("unknown") << DWORD(0x10000) << QString();
			QTest::newRow("undefined") << DWORD(SCARD_PROTOCOL_UNDEFINED) << QString();
		}


		void protocol()
		{
			QFETCH(DWORD, protocol);
			QFETCH(QString, pci);

			mApi->setProtocol(protocol);
			const LogCapture log;
			const auto card = connectedCard();
			QVERIFY(card);
			QCOMPARE(log.count(QStringLiteral("Unknown value of SCARD_PROTOCOL:")), pci.isEmpty() && protocol != SCARD_PROTOCOL_UNDEFINED ? 1 : 0);

			mResponse = QByteArray::fromHex("3F009000");
			const auto result = card->transmit(CommandApdu(QByteArray::fromHex("00B0000002")));
			if (pci.isEmpty())
			{
				QCOMPARE(result.mReturnCode, CardReturnCode::COMMAND_FAILED);
				QVERIFY(mApi->getCalls().isEmpty());
				QCOMPARE(log.count(QStringLiteral("unsupported protocol")), 1);
				return;
			}

			QCOMPARE(result.mReturnCode, CardReturnCode::OK);
			QCOMPARE(QByteArray(result.mResponseApdu), mResponse);
			QCOMPARE(result.mResponseApdu.getData(), QByteArray::fromHex("3F00"));
			QCOMPARE(mApi->getCalls(), QStringList {QStringLiteral("SCardTransmit(%1, 00b0000002)").arg(pci)});
		}


		void responseLength_data()
		{
			QTest::addColumn<QByteArray>("response");
			QTest::addColumn<bool>("ok");
			QTest::addColumn<QString>("critical");

			QTest::newRow("nothing") << QByteArray() << false << QStringLiteral("Response buffer smaller than 2");
			QTest::newRow("one byte") << QByteArray::fromHex("90") << false << QStringLiteral("Response buffer smaller than 2");
			QTest::newRow("status word only") << QByteArray::fromHex("6A82") << true << QString();
			QTest::newRow("full buffer") << QByteArray(8190, 'x') + QByteArray::fromHex("9000") << true << QString();
			QTest::newRow("one more") << QByteArray(8191, 'x') + QByteArray::fromHex("9000") << false
									  << QStringLiteral("Max allowed receive buffer size of 8192 exceeded. Expected size is 8193");
		}


		void responseLength()
		{
			QFETCH(QByteArray, response);
			QFETCH(bool, ok);
			QFETCH(QString, critical);

			const auto card = connectedCard();
			QVERIFY(card);
			mResponse = response;

			const LogCapture log;
			const auto result = card->transmit(CommandApdu(QByteArray::fromHex("00B0000000")));
			QCOMPARE(result.mReturnCode, ok ? CardReturnCode::OK : CardReturnCode::COMMAND_FAILED);
			QCOMPARE(QByteArray(result.mResponseApdu), ok ? response : QByteArray());

			const auto entries = log.entries();
			const auto criticals = std::count_if(entries.cbegin(), entries.cend(), [](const auto& pEntry){
					return pEntry.mType == QtCriticalMsg;
				});
			QCOMPARE(criticals, critical.isEmpty() ? 0 : 1);
			if (!critical.isEmpty())
			{
				QCOMPARE(log.count(critical), 1);
			}
		}


		// The buffer holds 8192 bytes; a service that claims more must not make the card read past it.
		void claimedLengthBeyondBuffer()
		{
			const auto card = connectedCard();
			QVERIFY(card);
			mApi->setClaimedLength(9000);

			const LogCapture log;
			const auto result = card->transmit(CommandApdu(QByteArray::fromHex("00B0000000")));
			QCOMPARE(result.mReturnCode, CardReturnCode::COMMAND_FAILED);
			QCOMPARE(log.count(QStringLiteral("Expected size is 9000")), 1);
		}


		void transmitCodes_data()
		{
			QTest::addColumn<PcscReturnCode>("code");
			QTest::addColumn<bool>("critical");

			QTest::newRow("invalid handle") << Scard_E_Invalid_Handle << false;
			QTest::newRow("invalid parameter") << Scard_E_Invalid_Parameter << false;
			QTest::newRow("no smartcard") << Scard_E_No_Smartcard << false;
			QTest::newRow("proto mismatch") << Scard_E_Proto_Mismatch << false;
			QTest::newRow("invalid value") << Scard_E_Invalid_Value << false;
			QTest::newRow("comm error") << Scard_F_Comm_Error << false;
			QTest::newRow("not transacted") << Scard_E_Not_Transacted << false;
			QTest::newRow("reader unavailable") << Scard_E_Reader_Unavailable << false;
			QTest::newRow("no service") << Scard_E_No_Service << false;
			QTest::newRow("removed card") << Scard_W_Removed_Card << false;
			QTest::newRow("timeout") << Scard_E_Timeout << true;
			QTest::newRow("unresponsive card") << Scard_W_Unresponsive_Card << true;
			QTest::newRow("not a key") << static_cast<PcscReturnCode>(0x80100050) << true;
		}


		void transmitCodes()
		{
			QFETCH(PcscReturnCode, code);
			QFETCH(bool, critical);

			const auto card = connectedCard();
			QVERIFY(card);
			mApi->queueResult(QStringLiteral("SCardTransmit"), code);

			const LogCapture log;
			const auto result = card->transmit(CommandApdu(QByteArray::fromHex("00B0000000")));
			QCOMPARE(result.mReturnCode, CardReturnCode::COMMAND_FAILED);
			QVERIFY(result.mResponseApdu.isEmpty());
			QCOMPARE(log.count(QStringLiteral("Unexpected returnCode: ") + toString(code)), critical ? 1 : 0);
			QCOMPARE(mApi->getCalls(QStringLiteral("SCardTransmit")).size(), 1);
			QVERIFY(mApi->getCalls(QStringLiteral("SCardReconnect")).isEmpty());
		}


		void resetCard_data()
		{
			QTest::addColumn<QByteArray>("command");
			QTest::addColumn<PcscReturnCode>("reconnectCode");
			QTest::addColumn<int>("secondTransmitCode");
			QTest::addColumn<CardReturnCode>("returnCode");
			QTest::addColumn<QStringList>("calls");

			const auto plain = QByteArray::fromHex("00B0000000");
			const auto secure = QByteArray::fromHex("0CB000000D970100"  "8E08" "0102030405060708" "00");
			const QString reconnect = QStringLiteral("SCardReconnect(2, 2, 1, null)");
			const QString begin = QStringLiteral("SCardBeginTransaction()");
			const QString transmitPlain = QStringLiteral("SCardTransmit(T1, 00b0000000)");

			QTest::newRow("plain, repeated") << plain << Scard_S_Success << int(Scard_S_Success) << CardReturnCode::OK
											 << QStringList {transmitPlain, reconnect, begin, transmitPlain};
			QTest::newRow("plain, reset again") << plain << Scard_S_Success << int(Scard_W_Reset_Card) << CardReturnCode::COMMAND_FAILED
												<< QStringList {transmitPlain, reconnect, begin, transmitPlain};
			QTest::newRow("plain, reconnect fails") << plain << Scard_E_No_Smartcard << int(Scard_S_Success) << CardReturnCode::COMMAND_FAILED
													<< QStringList {transmitPlain, reconnect};
			QTest::newRow("secure messaging") << secure << Scard_S_Success << int(Scard_S_Success) << CardReturnCode::COMMAND_FAILED
											  << QStringList {QStringLiteral("SCardTransmit(T1, %1)").arg(QString::fromLatin1(secure.toHex()))};
		}


		void resetCard()
		{
			QFETCH(QByteArray, command);
			QFETCH(PcscReturnCode, reconnectCode);
			QFETCH(int, secondTransmitCode);
			QFETCH(CardReturnCode, returnCode);
			QFETCH(QStringList, calls);

			const auto card = connectedCard();
			QVERIFY(card);
			mApi->queueResult(QStringLiteral("SCardTransmit"), Scard_W_Reset_Card);
			mApi->queueResult(QStringLiteral("SCardTransmit"), static_cast<PcscReturnCode>(secondTransmitCode));
			mApi->queueResult(QStringLiteral("SCardReconnect"), reconnectCode);

			const LogCapture log;
			const auto result = card->transmit(CommandApdu(command));
			QCOMPARE(result.mReturnCode, returnCode);
			QCOMPARE(mApi->getCalls(), calls);
			QCOMPARE(log.count(QStringLiteral("SCardReconnect failed: Scard_E_No_Smartcard")), reconnectCode == Scard_S_Success ? 0 : 1);
		}


		void keepAlive()
		{
			const auto card = connectedCard();
			QVERIFY(card);
			QTRY_VERIFY_WITH_TIMEOUT(!mApi->getCalls(QStringLiteral("SCardStatus")).isEmpty(), 10000);
			QCOMPARE(mApi->getCalls(QStringLiteral("SCardStatus")).constFirst(), QStringLiteral("SCardStatus(257)"));
		}


		void readerGone()
		{
			PcscCard card(mReader.get());
			mReader.reset();
			const LogCapture log;
			QCOMPARE(card.establishConnection(), CardReturnCode::COMMAND_FAILED);
			QVERIFY(!card.isConnected());
		}

		void pinPadFeatures_data()
		{
			QTest::addColumn<QByteArray>("features");
			QTest::addColumn<bool>("pace");
			QTest::addColumn<bool>("modify");

			QTest::newRow("basic reader") << QByteArray() << false << false;
			QTest::newRow("PACE only") << cExecutePace << true << false;
			QTest::newRow("modify only") << cModifyPinDirect << false << true;
			QTest::newRow("both") << cModifyPinDirect + cExecutePace << true << true;
		}


		void pinPadFeatures()
		{
			QFETCH(QByteArray, features);
			QFETCH(bool, pace);
			QFETCH(bool, modify);

			const auto card = pinPadCard(features);
			QVERIFY(card);
			mApi->setControlAnswer(cPaceCode, cPaceAnswer);
			mApi->setControlAnswer(cModifyCode, QByteArray::fromHex("9000"));

			const auto output = card->establishPaceChannel(PacePasswordId::PACE_CAN, 6, QByteArray(), QByteArray());
			QCOMPARE(output.getPasswordId(), PacePasswordId::PACE_CAN);
			QCOMPARE(output.getPaceReturnCode(), pace ? CardReturnCode::OK : CardReturnCode::COMMAND_FAILED);
			QCOMPARE(card->destroyPaceChannel(), pace ? CardReturnCode::OK : CardReturnCode::COMMAND_FAILED);
			const auto pinResult = card->setEidPin(30);
			QCOMPARE(pinResult.mReturnCode, modify ? CardReturnCode::OK : CardReturnCode::COMMAND_FAILED);
			QCOMPARE(pinResult.mResponseApdu.isEmpty(), !modify);

			// A missing feature sends nothing; the others go with the code the reader announced for them.
			QStringList codes;
			for (const auto& call : mApi->getCalls(QStringLiteral("SCardControl")))
			{
				codes << call.section(QLatin1Char(','), 0, 0);
			}
			QStringList expected;
			if (pace)
			{
				expected << QStringLiteral("SCardControl(0x423300cc") << QStringLiteral("SCardControl(0x423300cc");
			}
			if (modify)
			{
				expected << QStringLiteral("SCardControl(0x42330007");
			}
			QCOMPARE(codes, expected);
		}


		void pinPadCommands()
		{
			const auto card = pinPadCard(cModifyPinDirect + cExecutePace);
			QVERIFY(card);
			mApi->setControlAnswer(cPaceCode, cPaceAnswer);
			mApi->setControlAnswer(cModifyCode, QByteArray::fromHex("9000"));

			// Function 02, input length 10 little-endian, then password id 03 (PIN), CHAT length and
			// CHAT, no transmitted password, certificate description length little-endian and bytes.
			QVERIFY(card->establishPaceChannel(PacePasswordId::PACE_PIN, 6, QByteArray::fromHex("0102"), QByteArray::fromHex("AABBCC")).isSuccess());
			QCOMPARE(mApi->takeCalls(), QStringList {controlCall(cPaceCode, QByteArray::fromHex("020A00" "03" "02" "0102" "00" "0300" "AABBCC"))});

			QCOMPARE(card->destroyPaceChannel(), CardReturnCode::OK);
			QCOMPARE(mApi->takeCalls(), QStringList {controlCall(cPaceCode, QByteArray::fromHex("030000"))});

			// PIN_MODIFY: both time-outs, six ASCII digits twice with a validation key, German
			// messages, and the 4-byte APDU RESET RETRY COUNTER for PIN reference 03.
			const auto result = card->setEidPin(0x2A);
			QCOMPARE(mApi->takeCalls(), QStringList {controlCall(cModifyCode, QByteArray::fromHex(
							"2A2A" "82" "00" "00" "00" "00" "0606" "01" "02" "02" "0704" "00" "01" "02" "000000" "04000000" "002C0203"))});
			QCOMPARE(result.mReturnCode, CardReturnCode::OK);
			QCOMPARE(result.mResponseApdu.getStatusCode(), StatusCode::SUCCESS);
		}


		void establishPaceChannelAnswer_data()
		{
			QTest::addColumn<PcscReturnCode>("controlCode");
			QTest::addColumn<QByteArray>("answer");
			QTest::addColumn<CardReturnCode>("returnCode");
			QTest::addColumn<quint32>("resultCode");
			QTest::addColumn<QString>("warning");

			const QString parseFailed = QStringLiteral("Parsing of EstablishPaceChannelOutput failed");
			QTest::newRow("success") << Scard_S_Success << cPaceAnswer << CardReturnCode::OK << 0U << QString();
			QTest::newRow("wrong PIN") << Scard_S_Success << QByteArray::fromHex("C26306F0" "0800" "63C2" "0000" "00" "00" "0000")
									   << CardReturnCode::OK << 0xF00663C2U << QString();
			QTest::newRow("cancelled") << Scard_S_Success << QByteArray::fromHex("010020F0" "0000")
									   << CardReturnCode::CANCELLATION_BY_USER << 0xF0200001U << parseFailed;
			// A failure carries the reader's result code of a failed command.
			const quint32 failed = 0xF0100001U;
			QTest::newRow("answer of 5 bytes") << Scard_S_Success << QByteArray::fromHex("0000000004")
											   << CardReturnCode::COMMAND_FAILED << failed << parseFailed;
			QTest::newRow("length beyond answer") << Scard_S_Success << QByteArray::fromHex("00000000" "0900" "9000" "0000" "00" "00" "0000")
												  << CardReturnCode::COMMAND_FAILED << failed << parseFailed;
			QTest::newRow("success without output data") << Scard_S_Success << QByteArray::fromHex("00000000" "0000")
														 << CardReturnCode::COMMAND_FAILED << failed << parseFailed;
			QTest::newRow("control refused") << Scard_E_Not_Transacted << cPaceAnswer
											 << CardReturnCode::COMMAND_FAILED << failed << QStringLiteral("Control to establish PACE channel failed");
		}


		void establishPaceChannelAnswer()
		{
			QFETCH(PcscReturnCode, controlCode);
			QFETCH(QByteArray, answer);
			QFETCH(CardReturnCode, returnCode);
			QFETCH(quint32, resultCode);
			QFETCH(QString, warning);

			const auto card = pinPadCard(cExecutePace);
			QVERIFY(card);
			mApi->setControlAnswer(cPaceCode, answer);
			mApi->queueResult(QStringLiteral("SCardControl"), controlCode);

			const LogCapture log;
			const auto output = card->establishPaceChannel(PacePasswordId::PACE_PIN, 6, QByteArray(), QByteArray());
			QCOMPARE(output.getPasswordId(), PacePasswordId::PACE_PIN);
			QCOMPARE(output.getPaceReturnCode(), returnCode);
			QCOMPARE(output.getResultCode(), resultCode);
			QCOMPARE(output.isWrongPassword(), resultCode == 0xF00663C2U);
			if (!warning.isEmpty())
			{
				QCOMPARE(log.count(warning), 1);
			}
			QVERIFY(!log.contains(QStringLiteral("Control to destroy")));
		}


		void destroyAndModifyRefused_data()
		{
			QTest::addColumn<PcscReturnCode>("controlCode");
			QTest::addColumn<QByteArray>("answer");

			QTest::newRow("success, empty answer") << Scard_S_Success << QByteArray();
			QTest::newRow("success, any answer") << Scard_S_Success << QByteArray::fromHex("DEADBEEF");
			QTest::newRow("refused") << Scard_E_Invalid_Handle << QByteArray::fromHex("9000");
		}


		void destroyAndModifyRefused()
		{
			QFETCH(PcscReturnCode, controlCode);
			QFETCH(QByteArray, answer);

			const auto card = pinPadCard(cModifyPinDirect + cExecutePace);
			QVERIFY(card);
			mApi->setControlAnswer(cPaceCode, answer);
			mApi->setControlAnswer(cModifyCode, answer);
			const bool ok = controlCode == Scard_S_Success;

			const LogCapture log;
			mApi->queueResult(QStringLiteral("SCardControl"), controlCode);
			QCOMPARE(card->destroyPaceChannel(), ok ? CardReturnCode::OK : CardReturnCode::COMMAND_FAILED);
			QCOMPARE(log.count(QStringLiteral("Control to destroy PACE channel failed")), ok ? 0 : 1);

			mApi->queueResult(QStringLiteral("SCardControl"), controlCode);
			const auto result = card->setEidPin(30);
			QCOMPARE(result.mReturnCode, ok ? CardReturnCode::OK : CardReturnCode::COMMAND_FAILED);
			QCOMPARE(QByteArray(result.mResponseApdu), ok ? answer : QByteArray());
			QCOMPARE(log.count(QStringLiteral("Modify PIN failed")), ok ? 0 : 1);
		}


		void pinPadWithoutConnection()
		{
			mApi->setFeatures(cModifyPinDirect + cExecutePace);
			QCOMPARE(mReader->init(), long(Scard_S_Success));
			PcscCard card(mReader.get());
			mApi->takeCalls();

			// The fake, like pcsc-lite, refuses the null handle.
			mApi->queueResult(QStringLiteral("SCardControl"), Scard_E_Invalid_Handle, 3);
			QCOMPARE(card.establishPaceChannel(PacePasswordId::PACE_PIN, 6, QByteArray(), QByteArray()).getPaceReturnCode(), CardReturnCode::COMMAND_FAILED);
			QCOMPARE(card.destroyPaceChannel(), CardReturnCode::COMMAND_FAILED);
			QCOMPARE(card.setEidPin(30).mReturnCode, CardReturnCode::COMMAND_FAILED);
			QCOMPARE(mApi->getCalls(QStringLiteral("SCardControl")).size(), 3);
		}
};

KENDRAWELL_TEST_MAIN(test_PcscCard)
#include "test_PcscCard.moc"
