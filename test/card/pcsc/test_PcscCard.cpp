#include "PcscCard.h"

#include "FakeSCardApi.h"
#include "LogCapture.h"
#include "PcscReader.h"
#include "TestEnvironment.h"

#include <QtTest>

#include <memory>

using namespace tessarovin;
using namespace tessarovin::pcsc;


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
};

KENDRAWELL_TEST_MAIN(test_PcscCard)
#include "test_PcscCard.moc"
