#include "CardConnectionWorker.h"

#include "CardConnection.h"

#include "asn1/SecurityInfos.h"
#include "LogCapture.h"
#include "Reader.h"
#include "ScriptedCard.h"
#include "TestEnvironment.h"

#include <QSignalSpy>
#include <QThread>

#include <memory>

using namespace tessarovin;

namespace
{

// A reader of the test's own: the test thread is its thread.
class TestReader
	: public Reader
{
	Q_OBJECT

	public:
		std::unique_ptr<ScriptedCard> mCard;

		TestReader()
			: Reader(ReaderManagerPluginType::MOCK, QStringLiteral("test reader"))
			, mCard(std::make_unique<ScriptedCard>())
		{
		}


		[[nodiscard]] Card* getCard() const override
		{
			return mCard.get();
		}


		void setEidCard(int pRetryCounter = -1, bool pPinDeactivated = false)
		{
			setCardInfo(CardInfo(CardType::EID_CARD, FileRef::appEId(), SecurityInfos::decode(readFixture(QStringLiteral("card_access_13.der"))), pRetryCounter, pPinDeactivated));
		}


};


const QByteArray cEncKey = QByteArray::fromHex("68406B4162100563D9C901A6154D2901");
const QByteArray cMacKey = QByteArray::fromHex("73FF268784F72AF833FDC9464049AFC9");

SecurityProtocol paceProtocol()
{
	return SecurityProtocol(Oid(KnownOid::ID_PACE_ECDH_GM_AES_CBC_CMAC_128));
}


QList<QByteArray> hexList(const QString& pSpaceSeparated)
{
	QList<QByteArray> result;
	const auto parts = pSpaceSeparated.split(QLatin1Char(' '), Qt::SkipEmptyParts);
	for (const auto& part : parts)
	{
		result << part.toLatin1();
	}
	return result;
}


} // namespace


class test_CardConnectionWorker
	: public QObject
{
	Q_OBJECT

	private:
		std::unique_ptr<TestReader> mReader;
		QSharedPointer<CardConnectionWorker> mWorker;

		ScriptedCard& card()
		{
			return *mReader->mCard;
		}


		// The card side of the channel: unwraps what it gets and wraps what it answers.
		std::shared_ptr<SecureMessaging> startSecureMessaging()
		{
			mWorker->startSecureMessaging(paceProtocol(), cEncKey, cMacKey);
			return std::make_shared<SecureMessaging>(paceProtocol(), cEncKey, cMacKey);
		}

	private Q_SLOTS:
		void init()
		{
			mReader = std::make_unique<TestReader>();
			mWorker = mReader->createCardConnectionWorker();
			QVERIFY(mWorker);
		}


		void cleanup()
		{
			mWorker.reset();
			mReader.reset();
		}


		void readFile_data()
		{
			QTest::addColumn<QList<QByteArray>>("answers");
			QTest::addColumn<int>("le");
			QTest::addColumn<CardReturnCode>("code");
			QTest::addColumn<QByteArray>("content");
			QTest::addColumn<QList<QByteArray>>("commands");

			const QByteArray block(256, '\xA5');
			const QByteArray blockHex = block.toHex();

			QTest::newRow("end of file with data") << hexList(QStringLiteral("01026282")) << 256
					<< CardReturnCode::OK << QByteArray::fromHex("0102") << hexList(QStringLiteral("00b09d0000"));
			QTest::newRow("short answer, then wrong offset") << hexList(QStringLiteral("01029000 6b00")) << 256
					<< CardReturnCode::OK << QByteArray::fromHex("0102") << hexList(QStringLiteral("00b09d0000 00b0000200"));
			QTest::newRow("file not found keeps the data") << hexList(QStringLiteral("01029000 03046a82")) << 256
					<< CardReturnCode::PROTOCOL_ERROR << QByteArray::fromHex("01020304") << hexList(QStringLiteral("00b09d0000 00b0000200"));
			QTest::newRow("multiple of Le, ended by empty 9000") << QList<QByteArray>({blockHex + "9000", blockHex + "9000", "9000"}) << 256
					<< CardReturnCode::OK << block + block << hexList(QStringLiteral("00b09d0000 00b0010000 00b0020000"));
			QTest::newRow("multiple of Le, ended by 6B00") << QList<QByteArray>({blockHex + "9000", "6b00"}) << 256
					<< CardReturnCode::OK << block << hexList(QStringLiteral("00b09d0000 00b0010000"));
			QTest::newRow("multiple of a small Le") << hexList(QStringLiteral("01029000 03049000 9000")) << 2
					<< CardReturnCode::OK << QByteArray::fromHex("01020304") << hexList(QStringLiteral("00b09d0002 00b0000202 00b0000402"));
			QTest::newRow("extended Le") << hexList(QStringLiteral("01026282")) << 65536
					<< CardReturnCode::OK << QByteArray::fromHex("0102") << hexList(QStringLiteral("00b09d00000000"));
			QTest::newRow("wrong length") << hexList(QStringLiteral("6700")) << 256
					<< CardReturnCode::COMMAND_FAILED << QByteArray() << hexList(QStringLiteral("00b09d0000"));
			QTest::newRow("no answer") << hexList(QString()) << 256
					<< CardReturnCode::COMMAND_FAILED << QByteArray() << hexList(QStringLiteral("00b09d0000"));
		}


		void readFile()
		{
			QFETCH(QList<QByteArray>, answers);
			QFETCH(int, le);
			QFETCH(CardReturnCode, code);
			QFETCH(QByteArray, content);
			QFETCH(QList<QByteArray>, commands);

			if (answers.isEmpty())
			{
				card().add("00b0", QByteArray());
			}
			for (const auto& answer : std::as_const(answers))
			{
				card().add("00b0", answer);
			}

			QByteArray read;
			QCOMPARE(mWorker->readFile(FileRef::efCardSecurity(), read, le), code);
			QCOMPARE(read, content);
			QCOMPARE(card().getCommands(), commands);
		}


		void readFileStopsAtTheLastOffset_data()
		{
			QTest::addColumn<int>("blockSize");
			QTest::addColumn<int>("le");

			QTest::newRow("full blocks") << 256 << 256;
			QTest::newRow("odd blocks") << 100 << 256;
			QTest::newRow("extended") << 0x7000 << 65536;
		}


		void readFileStopsAtTheLastOffset()
		{
			QFETCH(int, blockSize);
			QFETCH(int, le);

			// A peer that never ends the file.
			card().setDefaultAnswer({CardReturnCode::OK, ResponseApdu(StatusCode::SUCCESS, QByteArray(blockSize, 'x'))});

			LogCapture capture;
			QByteArray content;
			QCOMPARE(mWorker->readFile(FileRef::efCardSecurity(), content, le), CardReturnCode::PROTOCOL_ERROR);

			const auto reads = (0x7FFF / blockSize) + 1;
			QCOMPARE(content.size(), reads * blockSize);
			QCOMPARE(card().getCommands().size(), reads);
			QVERIFY(capture.contains(QStringLiteral("File exceeds the offsets of READ BINARY")));

			// Only the first read addresses the file by its short identifier.
			for (qsizetype i = 1; i < card().getCommands().size(); ++i)
			{
				const CommandApdu command(QByteArray::fromHex(card().getCommands().at(i)));
				QVERIFY(command.getP1() < 0x80);
				QCOMPARE((command.getP1() << 8) | command.getP2(), i * blockSize);
			}
		}


		void missingReaderOrCard_data()
		{
			QTest::addColumn<bool>("removeReader");

			QTest::newRow("reader removed") << true;
			QTest::newRow("card removed") << false;
		}


		void missingReaderOrCard()
		{
			QFETCH(bool, removeReader);

			mReader->setEidCard(3);
			if (removeReader)
			{
				mReader.reset();
			}
			else
			{
				mReader->mCard.reset();
			}

			QByteArray content;
			QCOMPARE(mWorker->readFile(FileRef::efCardAccess(), content, 256), CardReturnCode::CARD_NOT_FOUND);
			QCOMPARE(mWorker->transmit(CommandApdu(Ins::SELECT, 0, 0)).mReturnCode, CardReturnCode::CARD_NOT_FOUND);
			QCOMPARE(mWorker->updateRetryCounter(), CardReturnCode::CARD_NOT_FOUND);
			QCOMPARE(mWorker->destroyPaceChannel(), CardReturnCode::CARD_NOT_FOUND);
			QCOMPARE(mWorker->establishPaceChannel(PacePasswordId::PACE_PIN, "123456").getPaceReturnCode(), CardReturnCode::CARD_NOT_FOUND);
			const auto setPin = mWorker->setEidPin("123456", 0);
			QCOMPARE(setPin.mReturnCode, CardReturnCode::CARD_NOT_FOUND);
			QVERIFY(setPin.mResponseApdu.isEmpty());
			QVERIFY(!mWorker->selectApplicationRoot(FileRef::appEId()));
			mWorker->setProgressMessage(QStringLiteral("progress"));
			mWorker->setErrorMessage(QStringLiteral("error"));
			mWorker->setPukInoperative();

			QCOMPARE(mWorker->getReaderInfo().getName(), removeReader ? QString() : QStringLiteral("test reader"));
			QCOMPARE(mWorker->getReaderInfo().getCardType(), removeReader ? CardType::NONE : CardType::EID_CARD);
		}


		void selectApplicationRoot_data()
		{
			QTest::addColumn<QByteArray>("applicationStatus");
			QTest::addColumn<QByteArray>("masterFileStatus");
			QTest::addColumn<bool>("selected");
			QTest::addColumn<QString>("warning");

			QTest::newRow("selected") << QByteArray("9000") << QByteArray("9000") << true << QString();
			QTest::newRow("unsupported INS") << QByteArray("6d00") << QByteArray("9000") << true << QString();
			QTest::newRow("access denied") << QByteArray("6982") << QByteArray("9000") << true << QString();
			QTest::newRow("master file missing") << QByteArray("9000") << QByteArray("6a82") << false << QStringLiteral("Cannot select master file: FILE_NOT_FOUND");
			QTest::newRow("application missing") << QByteArray("6a82") << QByteArray() << false << QStringLiteral("Cannot select application: FILE_NOT_FOUND");
			QTest::newRow("no answer") << QByteArray() << QByteArray() << false << QStringLiteral("Cannot select application: UNKNOWN");
		}


		void selectApplicationRoot()
		{
			QFETCH(QByteArray, applicationStatus);
			QFETCH(QByteArray, masterFileStatus);
			QFETCH(bool, selected);
			QFETCH(QString, warning);

			card().add("00a4040c09e80704007f00070302", applicationStatus);
			card().add("00a4000c023f00", masterFileStatus);

			LogCapture capture;
			QCOMPARE(mWorker->selectApplicationRoot(FileRef::appEId()), selected);
			QVERIFY(capture.contains(QStringLiteral("Try to select application: E80704007F00070302 (eID)")));
			QCOMPARE(card().getCommands().first(), QByteArray("00a4040c09e80704007f00070302"));
			QCOMPARE(card().getCommands().size(), masterFileStatus.isEmpty() ? 1 : 2);
			if (!warning.isEmpty())
			{
				QVERIFY(capture.contains(warning));
			}
		}


		void securedRoundTrip()
		{
			const auto peer = startSecureMessaging();
			card().setHandler([peer](const CommandApdu& pCommand){
					const auto plain = peer->decrypt(pCommand);
					return ResponseApduResult {CardReturnCode::OK, peer->encrypt(ResponseApdu(StatusCode::SUCCESS, plain.getData()))};
				});

			const auto result = mWorker->transmit(CommandApdu(Ins::UPDATE_BINARY, 0, 0, QByteArrayLiteral("hello")));
			QCOMPARE(result.mReturnCode, CardReturnCode::OK);
			QCOMPARE(result.mResponseApdu.getData(), QByteArrayLiteral("hello"));
			QVERIFY(CommandApdu(QByteArray::fromHex(card().getCommands().constFirst())).isSecureMessaging());
		}


		void commandSecuredByPeer()
		{
			startSecureMessaging();
			QSignalSpy stopped(mWorker.data(), &CardConnectionWorker::fireSecureMessagingStopped);
			LogCapture capture;

			// What the eService secured itself goes out as it is, and so does everything after it.
			const QByteArray peerSecured("0ca4020c03010203");
			const auto result = mWorker->transmit(CommandApdu(QByteArray::fromHex(peerSecured)));
			QCOMPARE(result.mReturnCode, CardReturnCode::OK);
			QCOMPARE(mWorker->transmit(CommandApdu(Ins::SELECT, 0x02, 0x0C, QByteArray::fromHex("011c"))).mReturnCode, CardReturnCode::OK);
			mWorker->transmit(CommandApdu(QByteArray::fromHex(peerSecured)));

			QCOMPARE(card().getCommands(), QList<QByteArray>({peerSecured, "00a4020c02011c", peerSecured}));
			QCOMPARE(stopped.count(), 1);
			QCOMPARE(capture.count(QStringLiteral("The eService has established Secure Messaging. Stopping local Secure Messaging.")), 1);
		}


		void unwrapFailureEndsTheChannel_data()
		{
			QTest::addColumn<bool>("tamper");

			QTest::newRow("wrong MAC") << true;
			QTest::newRow("error without protection") << false;
		}


		void unwrapFailureEndsTheChannel()
		{
			QFETCH(bool, tamper);

			const auto peer = startSecureMessaging();
			card().setHandler([peer, tamper](const CommandApdu& pCommand){
					if (!CommandApdu(pCommand).isSecureMessaging())
					{
						return ResponseApduResult {CardReturnCode::OK, ResponseApdu(StatusCode::SUCCESS)};
					}

					peer->decrypt(pCommand);
					if (!tamper)
					{
						return ResponseApduResult {CardReturnCode::OK, ResponseApdu(StatusCode::ACCESS_DENIED)};
					}
					QByteArray wrapped = peer->encrypt(ResponseApdu(StatusCode::SUCCESS, QByteArrayLiteral("data")));
					wrapped[wrapped.size() - 3] = static_cast<char>(wrapped.at(wrapped.size() - 3) ^ 0x01);
					return ResponseApduResult {CardReturnCode::OK, ResponseApdu(wrapped)};
				});

			QSignalSpy stopped(mWorker.data(), &CardConnectionWorker::fireSecureMessagingStopped);
			LogCapture capture;

			const auto failed = mWorker->transmit(CommandApdu(Ins::READ_BINARY, 0, 0, QByteArray(), 256));
			QCOMPARE(failed.mReturnCode, CardReturnCode::COMMAND_FAILED);
			QVERIFY(failed.mResponseApdu.isEmpty());
			QCOMPARE(stopped.count(), 1);
			QVERIFY(capture.contains(QStringLiteral("Stopping Secure Messaging since it failed. The channel therefore must not be reused.")));

			const auto plain = mWorker->transmit(CommandApdu(Ins::READ_BINARY, 0, 0, QByteArray(), 256));
			QCOMPARE(plain.mReturnCode, CardReturnCode::OK);
			QCOMPARE(card().getCommands().last(), QByteArray("00b0000000"));
			QCOMPARE(stopped.count(), 1);
		}


		void wrongLengthKeepsTheChannel()
		{
			startSecureMessaging();
			card().setDefaultAnswer(ScriptedCard::answer("6700"));
			QSignalSpy stopped(mWorker.data(), &CardConnectionWorker::fireSecureMessagingStopped);

			for (int i = 0; i < 2; ++i)
			{
				const auto result = mWorker->transmit(CommandApdu(Ins::READ_BINARY, 0, 0, QByteArray(), 256));
				QCOMPARE(result.mReturnCode, CardReturnCode::WRONG_LENGTH);
				QVERIFY(result.mResponseApdu.isEmpty());
			}
			QCOMPARE(stopped.count(), 0);
			QVERIFY(CommandApdu(QByteArray::fromHex(card().getCommands().last())).isSecureMessaging());
		}


		void destroyPaceChannelOnBasicReader_data()
		{
			QTest::addColumn<bool>("secureMessaging");
			QTest::addColumn<ResponseApduResult>("answer");
			QTest::addColumn<CardReturnCode>("code");

			QTest::newRow("channel, 6700") << true << ScriptedCard::answer("6700") << CardReturnCode::OK;
			QTest::newRow("no channel, 6700") << false << ScriptedCard::answer("6700") << CardReturnCode::OK;
			QTest::newRow("no channel, card failed") << false << ScriptedCard::answer(QByteArray(), CardReturnCode::COMMAND_FAILED) << CardReturnCode::COMMAND_FAILED;
		}


		void destroyPaceChannelOnBasicReader()
		{
			QFETCH(bool, secureMessaging);
			QFETCH(ResponseApduResult, answer);
			QFETCH(CardReturnCode, code);

			if (secureMessaging)
			{
				startSecureMessaging();
			}
			card().setDefaultAnswer(answer);
			QSignalSpy stopped(mWorker.data(), &CardConnectionWorker::fireSecureMessagingStopped);

			QCOMPARE(mWorker->destroyPaceChannel(), code);
			QCOMPARE(stopped.count(), 1);
			QCOMPARE(card().getCommands(), QList<QByteArray>({"0022c1a4"}));
			QCOMPARE(card().getDestroyPaceChannelCount(), 0);

			// The channel is gone: the next command goes out in plain.
			mWorker->transmit(CommandApdu(Ins::SELECT, 0x00, 0x0C, QByteArray::fromHex("3f00")));
			QCOMPARE(card().getCommands().last(), QByteArray("00a4000c023f00"));
		}


		void destroyPaceChannelOnPinPad()
		{
			mReader->setBasicReader(false);
			card().setDestroyPaceChannelResult(CardReturnCode::INPUT_TIME_OUT);
			QSignalSpy stopped(mWorker.data(), &CardConnectionWorker::fireSecureMessagingStopped);

			QCOMPARE(mWorker->destroyPaceChannel(), CardReturnCode::INPUT_TIME_OUT);
			QCOMPARE(card().getDestroyPaceChannelCount(), 1);
			QVERIFY(card().getCommands().isEmpty());
			QCOMPARE(stopped.count(), 0);
		}


		void establishPaceChannelInSoftware()
		{
			// A basic reader runs PACE itself with the card; a failed run opens no channel.
			mReader->setEidCard(3);
			card().add("0022c1a4", "9000");
			QSignalSpy stopped(mWorker.data(), &CardConnectionWorker::fireSecureMessagingStopped);
			LogCapture capture;

			const auto output = mWorker->establishPaceChannel(PacePasswordId::PACE_CAN, "123456");
			QCOMPARE(output.getPasswordId(), PacePasswordId::PACE_CAN);
			QVERIFY(!output.isSuccess());
			QVERIFY(capture.contains(QStringLiteral("Starting PACE for PACE_CAN")));
			QVERIFY(capture.contains(QStringLiteral("Finished PACE for PACE_CAN with result")));
			QVERIFY(card().getCommands().constFirst().startsWith("0022c1a4"));
			QVERIFY(card().getPreferredPinLengths().isEmpty());
			QCOMPARE(stopped.count(), 0);
			QVERIFY(!mWorker->mSecureMessaging);
		}


		void establishPaceChannelOnPinPad_data()
		{
			QTest::addColumn<QByteArray>("password");
			QTest::addColumn<int>("pinLength");

			QTest::newRow("transport PIN marker") << QByteArray(5, '\0') << 5;
			QTest::newRow("PIN") << QByteArray("123456") << 6;
			QTest::newRow("five digits") << QByteArray("12345") << 6;
			QTest::newRow("four zero bytes") << QByteArray(4, '\0') << 6;
			QTest::newRow("empty") << QByteArray() << 6;
		}


		void establishPaceChannelOnPinPad()
		{
			QFETCH(QByteArray, password);
			QFETCH(int, pinLength);

			mReader->setBasicReader(false);
			EstablishPaceChannelOutput cardOutput(PacePasswordId::PACE_PIN, CardReturnCode::OK);
			cardOutput.setIdIcc(QByteArrayLiteral("idicc"));
			card().setPaceOutput(cardOutput);

			const auto output = mWorker->establishPaceChannel(PacePasswordId::PACE_PIN, password);
			QCOMPARE(output.getIdIcc(), QByteArrayLiteral("idicc"));
			QVERIFY(output.isSuccess());
			QCOMPARE(card().getPreferredPinLengths(), QList<int>({pinLength}));
			QVERIFY(card().getCommands().isEmpty());
			QVERIFY(!mWorker->mSecureMessaging);
		}


		void setEidPin_data()
		{
			QTest::addColumn<bool>("basicReader");
			QTest::addColumn<ResponseApduResult>("answer");
			QTest::addColumn<bool>("warning");

			QTest::newRow("basic reader, 9000") << true << ScriptedCard::answer("9000") << false;
			QTest::newRow("basic reader, 6a80") << true << ScriptedCard::answer("6a80") << true;
			QTest::newRow("basic reader, failed") << true << ScriptedCard::answer(QByteArray(), CardReturnCode::COMMAND_FAILED) << false;
			QTest::newRow("pin pad, 9000") << false << ScriptedCard::answer("9000") << false;
			QTest::newRow("pin pad, 6400") << false << ScriptedCard::answer("6400") << true;
		}


		void setEidPin()
		{
			QFETCH(bool, basicReader);
			QFETCH(ResponseApduResult, answer);
			QFETCH(bool, warning);

			mReader->setBasicReader(basicReader);
			card().setDefaultAnswer(answer);
			card().setSetEidPinResult(answer);

			LogCapture capture;
			const auto result = mWorker->setEidPin("123456", 30);
			QCOMPARE(result.mReturnCode, answer.mReturnCode);
			QCOMPARE(QByteArray(result.mResponseApdu), QByteArray(answer.mResponseApdu));
			QCOMPARE(capture.contains(QStringLiteral("Modify PIN failed")), warning);
			QCOMPARE(card().getCommands(), basicReader ? QList<QByteArray>({"002c020306313233343536"}) : QList<QByteArray>());
		}


		void updateRetryCounter_data()
		{
			QTest::addColumn<QByteArray>("status");
			QTest::addColumn<CardReturnCode>("code");
			QTest::addColumn<int>("retryCounter");
			QTest::addColumn<bool>("pinDeactivated");

			QTest::newRow("9000") << QByteArray("9000") << CardReturnCode::OK << 3 << false;
			QTest::newRow("63c2") << QByteArray("63c2") << CardReturnCode::OK << 2 << false;
			QTest::newRow("63c1") << QByteArray("63c1") << CardReturnCode::OK << 1 << false;
			QTest::newRow("63c0") << QByteArray("63c0") << CardReturnCode::OK << 0 << false;
			QTest::newRow("6283") << QByteArray("6283") << CardReturnCode::OK << 0 << true;
			QTest::newRow("6a80") << QByteArray("6a80") << CardReturnCode::COMMAND_FAILED << -1 << false;
			QTest::newRow("no answer") << QByteArray() << CardReturnCode::COMMAND_FAILED << -1 << false;
		}


		void updateRetryCounter()
		{
			QFETCH(QByteArray, status);
			QFETCH(CardReturnCode, code);
			QFETCH(int, retryCounter);
			QFETCH(bool, pinDeactivated);

			mReader->setEidCard();
			card().add("0022c1a4", status);
			QSignalSpy changed(mWorker.data(), &CardConnectionWorker::fireReaderInfoChanged);

			QCOMPARE(mWorker->updateRetryCounter(), code);
			// MSE:Set AT of PACE with the PIN on the card's first PACEInfo.
			QCOMPARE(card().getCommands(), QList<QByteArray>({"0022c1a412" "800a04007f00070202040202" "830103" "84010d"}));
			QCOMPARE(mReader->getReaderInfo().getRetryCounter(), retryCounter);
			QCOMPARE(mReader->getReaderInfo().isPinDeactivated(), pinDeactivated);
			// The first determination is no change.
			QCOMPARE(changed.count(), 0);
		}


		void retryCounterChanges_data()
		{
			QTest::addColumn<int>("retryCounter");
			QTest::addColumn<bool>("pinDeactivated");
			QTest::addColumn<QByteArray>("status");
			QTest::addColumn<int>("changes");

			QTest::newRow("unchanged") << 3 << false << QByteArray("9000") << 0;
			QTest::newRow("one attempt less") << 3 << false << QByteArray("63c2") << 1;
			QTest::newRow("deactivated") << 0 << false << QByteArray("6283") << 1;
			QTest::newRow("failed") << 3 << false << QByteArray("6a80") << 0;
		}


		void retryCounterChanges()
		{
			QFETCH(int, retryCounter);
			QFETCH(bool, pinDeactivated);
			QFETCH(QByteArray, status);
			QFETCH(int, changes);

			mReader->setEidCard(retryCounter, pinDeactivated);
			card().add("0022c1a4", status);
			QSignalSpy changed(mWorker.data(), &CardConnectionWorker::fireReaderInfoChanged);

			mWorker->updateRetryCounter();
			QCOMPARE(changed.count(), changes);
			if (changes > 0)
			{
				QCOMPARE(changed.first().first().value<ReaderInfo>().getRetryCounter(), mReader->getReaderInfo().getRetryCounter());
			}
		}


		void retryCounterWithoutCardAccess()
		{
			LogCapture capture;
			QCOMPARE(mWorker->updateRetryCounter(), CardReturnCode::COMMAND_FAILED);
			QVERIFY(capture.contains(QStringLiteral("Cannot get EF.CardAccess")));
			QVERIFY(card().getCommands().isEmpty());
		}


		void readerSignalsReachTheWorker()
		{
			QSignalSpy changed(mWorker.data(), &CardConnectionWorker::fireReaderInfoChanged);
			mReader->setPukInoperative();
			Q_EMIT mReader->fireCardInserted(mReader->getReaderInfo());
			Q_EMIT mReader->fireCardRemoved(mReader->getReaderInfo());
			QCOMPARE(changed.count(), 3);
			QVERIFY(changed.first().first().value<ReaderInfo>().isPukInoperative());
		}


		void connectionOnlyOnce()
		{
			LogCapture capture;
			QVERIFY(!mReader->createCardConnectionWorker());
			QVERIFY(capture.contains(QStringLiteral("Card is already connected")));

			// The last reference releases the card.
			mWorker.reset();
			QCOMPARE(card().getReleaseCount(), 1);
			QVERIFY(!card().isConnected());
			QVERIFY(mReader->createCardConnectionWorker());
		}


		void connectionRefused()
		{
			mWorker.reset();
			card().setConnectResult(CardReturnCode::COMMAND_FAILED);
			LogCapture capture;
			QVERIFY(!mReader->createCardConnectionWorker());
			QVERIFY(capture.contains(QStringLiteral("Cannot connect to card")));

			mReader->mCard.reset();
			QVERIFY(!mReader->createCardConnectionWorker());
			QVERIFY(capture.contains(QStringLiteral("No card available")));
		}


		void connectionOnTheWorkersThread()
		{
			// A blocking call into its own thread would never return: the connection reads directly.
			LogCapture capture;
			CardConnection connection(mWorker);
			QCOMPARE(connection.getReaderInfo().getName(), QStringLiteral("test reader"));
			QVERIFY(capture.contains(QStringLiteral("Reading the reader information without the worker's thread")));

			QSignalSpy changed(&connection, &CardConnection::fireReaderInfoChanged);
			mReader->setPukInoperative();
			QCOMPARE(changed.count(), 1);
			QVERIFY(connection.getReaderInfo().isPukInoperative());
		}


		void metaTypes()
		{
			for (const char* name : {"QSharedPointer<CardConnectionWorker>", "QSharedPointer<BaseCardCommand>", "QSharedPointer<CreateCardConnectionCommand>"})
			{
				QVERIFY2(QMetaType::fromName(name).isValid(), name);
			}
		}


		void lastReferenceOnAnotherThread()
		{
			bool destroyed = false;
			QThread* destroyedOn = nullptr;
			connect(mWorker.data(), &QObject::destroyed, this, [&destroyed, &destroyedOn] {
					destroyed = true;
					destroyedOn = QThread::currentThread();
				}, Qt::DirectConnection);

			std::unique_ptr<QThread> other(QThread::create([worker = std::move(mWorker)]() mutable {
					worker.reset();
				}));
			other->start();
			QVERIFY(other->wait());
			QVERIFY(!destroyed);

			QTRY_VERIFY(destroyed);
			QCOMPARE(destroyedOn, QThread::currentThread());
			QCOMPARE(card().getReleaseCount(), 1);
		}


};

KENDRAWELL_TEST_MAIN(test_CardConnectionWorker)
#include "test_CardConnectionWorker.moc"
