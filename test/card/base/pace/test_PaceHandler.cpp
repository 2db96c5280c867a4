#include "pace/PaceHandler.h"

#include "asn1/ASN1Util.h"
#include "LogCapture.h"
#include "pace/ec/EcUtil.h"
#include "PeerReader.h"
#include "TestEnvironment.h"

#include <QtTest>

using namespace tessarovin;

namespace
{

QByteArray paceInfo(const char* pOidHex, int pParameterId, int pVersion = 2)
{
	const QByteArray oid = Asn1Util::encode(V_ASN1_UNIVERSAL, V_ASN1_OBJECT, QByteArray::fromHex(pOidHex));
	const QByteArray content = oid + QByteArray::fromHex("0201") + char(pVersion) + QByteArray::fromHex("0201") + char(pParameterId);
	return Asn1Util::encode(V_ASN1_UNIVERSAL, V_ASN1_SEQUENCE, content, true);
}


QByteArray cardAccess(const QList<QByteArray>& pInfos)
{
	return Asn1Util::encode(V_ASN1_UNIVERSAL, V_ASN1_SET, pInfos.join(), true);
}


const char* const ECDH_GM_AES_128 = "04007F00070202040202";
const char* const ECDH_IM_AES_128 = "04007F00070202040402";
const char* const ECDH_GM_3DES = "04007F00070202040201";
const char* const DH_GM_AES_128 = "04007F00070202040102";

const QByteArray CHAT_AT = QByteArray::fromHex("7F4C12060904007F00070301020253050000000003");


// A BER length as the card reads it: short form below 128, else 81 or 82 with the octets.
QByteArray berLength(qsizetype pLength)
{
	if (pLength < 0x80)
	{
		return QByteArray(1, static_cast<char>(pLength));
	}
	if (pLength < 0x100)
	{
		return QByteArray::fromHex("81") + static_cast<char>(pLength);
	}
	return QByteArray::fromHex("82") + static_cast<char>(pLength >> 8) + static_cast<char>(pLength & 0xFF);
}


// The General Authenticate step a command is: 1 to 4, or 0 for another command.
int generalAuthenticateStep(const QByteArray& pCommand)
{
	if (pCommand.size() < 7 || (pCommand.at(0) & ~0x10) != 0x00 || static_cast<uchar>(pCommand.at(1)) != 0x86)
	{
		return 0;
	}
	if (pCommand.mid(5, 2) == QByteArray::fromHex("7c00"))
	{
		return 1;
	}
	// 7C with a one- or two-octet length, then the step's data object.
	const int tagOffset = static_cast<uchar>(pCommand.at(6)) == 0x81 ? 8 : 7;
	switch (static_cast<uchar>(pCommand.at(tagOffset)))
	{
		case 0x81:
			return 2;

		case 0x83:
			return 3;

		case 0x85:
			return 4;

		default:
			return 0;
	}
}


int fieldSize(int pParameterId)
{
	const auto curve = EcUtil::createCurve(PaceInfo::getMappedNid(pParameterId));
	return (EC_GROUP_get_degree(curve.data()) + 7) / 8;
}


// A basic reader with a scripted eID card whose card information is set directly.
struct ScriptedReader
{
	MockReader mReader;
	ScriptedCard* mCard;

	explicit ScriptedReader(const QByteArray& pEfCardAccess)
		: mReader(QStringLiteral("reader"))
		, mCard(nullptr)
	{
		auto card = std::make_unique<ScriptedCard>();
		mCard = card.get();
		mCard->scriptEidCard(pEfCardAccess.isEmpty() ? readFixture(QStringLiteral("card_access_13.der")) : pEfCardAccess);
		mReader.insertCardAndFetch(std::move(card));
		mReader.setCardInfo(CardInfo(CardType::EID_CARD, FileRef::appEId(), pEfCardAccess.isEmpty() ? QSharedPointer<const SecurityInfos>() : SecurityInfos::decode(pEfCardAccess), 3));
	}


};

} // namespace


class test_PaceHandler
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void establish_data()
		{
			QTest::addColumn<QStringList>("arguments");
			QTest::addColumn<int>("parameterId");
			QTest::addColumn<PacePasswordId>("passwordId");
			QTest::addColumn<QByteArray>("password");
			QTest::addColumn<PaceResult>("result");

			for (int id = 8; id <= 18; ++id)
			{
				QTest::addRow("CAN, parameter id %d", id) << QStringList({"--curves", QString::number(id)}) << id << PacePasswordId::PACE_CAN << QByteArray("500540") << PaceResult::OK_CAN;
			}
			QTest::newRow("PIN, brainpoolP256r1") << QStringList() << 13 << PacePasswordId::PACE_PIN << QByteArray("123456") << PaceResult::OK_PIN;
			QTest::newRow("PIN, P-256") << QStringList({"--curves", "12"}) << 12 << PacePasswordId::PACE_PIN << QByteArray("123456") << PaceResult::OK_PIN;
			QTest::newRow("PIN, two tries left") << QStringList({"--retry-counter", "2"}) << 13 << PacePasswordId::PACE_PIN << QByteArray("123456") << PaceResult::OK_PIN;
			QTest::newRow("PUK, brainpoolP256r1") << QStringList({"--retry-counter", "0"}) << 13 << PacePasswordId::PACE_PUK << QByteArray("9876543210") << PaceResult::OK_PUK;
			QTest::newRow("PUK, P-256") << QStringList({"--retry-counter", "0", "--curves", "12"}) << 12 << PacePasswordId::PACE_PUK << QByteArray("9876543210") << PaceResult::OK_PUK;
			QTest::newRow("PIN, P-256, AES-256") << QStringList({"--curves", "12", "--key-size", "256"}) << 12 << PacePasswordId::PACE_PIN << QByteArray("123456") << PaceResult::OK_PIN;
			QTest::newRow("CAN, brainpoolP384r1, AES-192") << QStringList({"--curves", "16", "--key-size", "192"}) << 16 << PacePasswordId::PACE_CAN << QByteArray("500540") << PaceResult::OK_CAN;
		}


		void establish()
		{
			QFETCH(QStringList, arguments);
			QFETCH(int, parameterId);
			QFETCH(PacePasswordId, passwordId);
			QFETCH(QByteArray, password);
			QFETCH(PaceResult, result);

			PeerReader peerReader;
			QVERIFY(peerReader.start(arguments));
			const auto worker = peerReader.connect();
			const qsizetype before = peerReader.card().getCommands().size();

			PaceHandler handler(worker);
			const auto output = handler.establishPaceChannel(passwordId, password);
			QVERIFY2(output.isSuccess(), peerReader.peer().readLog().constData());
			QCOMPARE(output.getPasswordId(), passwordId);
			QCOMPARE(output.getPaceResult(), result);
			QCOMPARE(output.getResultCode(), quint32(0));
			QCOMPARE(output.getEfCardAccess(), peerReader.reader().getReaderInfo().getCardInfo().getEfCardAccess()->getContentBytes());
			QCOMPARE(output.getIdIcc().size(), fieldSize(parameterId));
			QVERIFY(output.getCarCurr().isEmpty());
			QCOMPARE(peerReader.card().getCommands().size() - before, 5);

			const auto [peerEnc, peerMac] = peerReader.peer().getLastSessionKeys();
			QVERIFY(!peerEnc.isEmpty());
			QCOMPARE(handler.getEncryptionKey().toHex(), peerEnc.toHex());
			QCOMPARE(handler.getMacKey().toHex(), peerMac.toHex());
			QCOMPARE(handler.getPaceProtocol().getKeySize(), static_cast<int>(peerEnc.size()));
			QCOMPARE(handler.getPaceProtocol().getProtocolType(), ProtocolType::PACE);
		}


		// What the card gets in steps 2 to 4: chaining in the class byte of all but the last, the
		// step's data object in the dynamic authentication data, and Le 00.
		void generalAuthenticateBytes_data()
		{
			QTest::addColumn<int>("parameterId");

			QTest::newRow("brainpoolP256r1") << 13;
			QTest::newRow("brainpoolP384r1") << 16;
			QTest::newRow("brainpoolP512r1") << 17;
		}


		void generalAuthenticateBytes()
		{
			QFETCH(int, parameterId);

			QList<QByteArray> steps(5);
			PeerReader peerReader;
			peerReader.setFilter([&steps](const QByteArray& pCommand, const QByteArray& pResponse) {
					steps[generalAuthenticateStep(pCommand)] = pCommand;
					return pResponse;
				});
			QVERIFY(peerReader.start({"--curves", QString::number(parameterId), "--key-size", parameterId == 13 ? "128" : "256"}));
			PaceHandler handler(peerReader.connect());
			QVERIFY2(handler.establishPaceChannel(PacePasswordId::PACE_PIN, "123456").isSuccess(), peerReader.peer().readLog().constData());

			const qsizetype pointSize = 1 + 2 * fieldSize(parameterId);
			for (int step : {2, 3})
			{
				const QByteArray& command = steps.at(step);
				const QByteArray object = QByteArray(1, static_cast<char>(step == 2 ? 0x81 : 0x83)) + berLength(pointSize);
				const QByteArray data = QByteArray::fromHex("7c") + berLength(object.size() + pointSize) + object;
				QVERIFY2(command.startsWith(QByteArray::fromHex("10860000") + static_cast<char>(data.size() + pointSize) + data + '\x04'), command.toHex().constData());
				QCOMPARE(command.size(), 5 + data.size() + pointSize + 1);
				QCOMPARE(command.back(), '\0');
			}

			const QByteArray& mutual = steps.at(4);
			QCOMPARE(mutual.size(), 5 + 12 + 1);
			QCOMPARE(mutual.left(9).toHex(), QByteArray("008600000c7c0a8508"));
			QCOMPARE(mutual.back(), '\0');
		}


		// A status word the step does not expect ends PACE as a protocol error, with no further step.
		void unexpectedGeneralAuthenticateStatus_data()
		{
			QTest::addColumn<int>("step");
			QTest::addColumn<QByteArray>("answer");

			QTest::newRow("encrypted nonce, 6A80") << 1 << QByteArray("6a80");
			QTest::newRow("encrypted nonce, 6282 with data") << 1 << QByteArray("7c0a8008000102030405060762 82").replace(' ', "");
			QTest::newRow("mapping, 6A80") << 2 << QByteArray("6a80");
			QTest::newRow("mapping, 6985") << 2 << QByteArray("6985");
			QTest::newRow("key agreement, 6982") << 3 << QByteArray("6982");
			QTest::newRow("mutual authentication, 6A80") << 4 << QByteArray("6a80");
			QTest::newRow("mutual authentication, 6985") << 4 << QByteArray("6985");
		}


		void unexpectedGeneralAuthenticateStatus()
		{
			QFETCH(int, step);
			QFETCH(QByteArray, answer);

			QList<int> sent;
			PeerReader peerReader;
			peerReader.setFilter([step, answer, &sent](const QByteArray& pCommand, const QByteArray& pResponse) {
					const int current = generalAuthenticateStep(pCommand);
					if (current == 0)
					{
						return pResponse;
					}
					sent << current;
					return current == step ? QByteArray::fromHex(answer) : pResponse;
				});
			QVERIFY(peerReader.start());
			PaceHandler handler(peerReader.connect());
			const auto output = handler.establishPaceChannel(PacePasswordId::PACE_PIN, "123456");

			QCOMPARE(output.getPaceReturnCode(), CardReturnCode::PROTOCOL_ERROR);
			QCOMPARE(output.getResultCode(), EstablishPaceChannelOutput::toResultCode(CardReturnCode::PROTOCOL_ERROR));
			QVERIFY(!output.isSuccess());
			QVERIFY(!output.isWrongPassword());
			QVERIFY(handler.getEncryptionKey().isEmpty());
			QCOMPARE(sent.size(), step);
			QCOMPARE(sent.last(), step);
		}


		// The card's own bytes, in its own order, although DER would sort the SET OF.
		void efCardAccessAsTheCardSentIt()
		{
			PeerReader peerReader;
			QVERIFY(peerReader.start());
			PaceHandler handler(peerReader.connect());
			const auto output = handler.establishPaceChannel(PacePasswordId::PACE_CAN, "500540");
			QVERIFY(output.isSuccess());
			QCOMPARE(output.getEfCardAccess().toHex(), QByteArray("3128"
																  "3012060a04007f00070202040202020102" "02010d"
																  "3012060a04007f00070202040202020102" "02010c"));
		}


		void mseSetAtData_data()
		{
			QTest::addColumn<PacePasswordId>("passwordId");
			QTest::addColumn<QByteArray>("password");
			QTest::addColumn<QByteArray>("chat");
			QTest::addColumn<QByteArray>("data");
			QTest::addColumn<PaceResult>("result");

			QTest::newRow("CAN without CHAT") << PacePasswordId::PACE_CAN << QByteArray("500540") << QByteArray()
											  << QByteArray("800A04007F00070202040202830102840 10D") << PaceResult::OK_CAN;
			QTest::newRow("PIN with CHAT") << PacePasswordId::PACE_PIN << QByteArray("123456") << CHAT_AT
										   << QByteArray("800A04007F00070202040202830103840 10D") + CHAT_AT.toHex() << PaceResult::OK_PIN_AUTH;
		}


		void mseSetAtData()
		{
			QFETCH(PacePasswordId, passwordId);
			QFETCH(QByteArray, password);
			QFETCH(QByteArray, chat);
			QFETCH(QByteArray, data);
			QFETCH(PaceResult, result);

			PeerReader peerReader;
			QVERIFY(peerReader.start());
			const qsizetype before = peerReader.card().getCommands().size();
			PaceHandler handler(peerReader.connect());
			if (!chat.isNull())
			{
				handler.setChat(chat);
			}
			const auto output = handler.establishPaceChannel(passwordId, password);
			QCOMPARE(output.getPaceResult(), result);

			const QByteArray expected = QByteArray::fromHex(data);
			const QByteArray command = peerReader.card().getCommands().at(before);
			QCOMPARE(command, (QByteArray::fromHex("0022C1A4") + char(expected.size()) + expected).toHex());
			if (!chat.isNull())
			{
				QCOMPARE(output.getCarCurr(), QByteArray("DETESTeID00005"));
				QCOMPARE(output.getCarPrev(), QByteArray("DETESTeID00004"));
			}
		}


		// The one builder behind PACE and the retry counter of the reader.
		void createMseSetAt_data()
		{
			QTest::addColumn<QByteArray>("info");
			QTest::addColumn<PacePasswordId>("passwordId");
			QTest::addColumn<QByteArray>("chat");
			QTest::addColumn<QByteArray>("command");

			const QByteArray oid = Asn1Util::encode(V_ASN1_UNIVERSAL, V_ASN1_OBJECT, QByteArray::fromHex(ECDH_GM_AES_128));
			const auto info = [&oid](const QByteArray& pParameterId) {
						return Asn1Util::encode(V_ASN1_UNIVERSAL, V_ASN1_SEQUENCE, oid + QByteArray::fromHex("020102") + pParameterId, true);
					};

			QTest::newRow("CAN, parameter id 13") << info(QByteArray::fromHex("02010D")) << PacePasswordId::PACE_CAN << QByteArray()
												  << QByteArray("0022C1A412800A04007F0007020204020283010284010D");
			QTest::newRow("PIN without parameter id") << info(QByteArray()) << PacePasswordId::PACE_PIN << QByteArray()
													  << QByteArray("0022C1A40F800A04007F00070202040202830103");
			QTest::newRow("parameter id 128 keeps its sign octet") << info(QByteArray::fromHex("02020080")) << PacePasswordId::PACE_PUK << QByteArray()
																   << QByteArray("0022C1A413800A04007F0007020204020283010484020080");
			QTest::newRow("PIN with CHAT") << info(QByteArray::fromHex("02010D")) << PacePasswordId::PACE_PIN << CHAT_AT
										   << QByteArray("0022C1A427800A04007F0007020204020283010384010D") + CHAT_AT.toHex();
		}


		void createMseSetAt()
		{
			QFETCH(QByteArray, info);
			QFETCH(PacePasswordId, passwordId);
			QFETCH(QByteArray, chat);
			QFETCH(QByteArray, command);

			const auto paceInfo = PaceInfo::decode(info);
			QVERIFY(paceInfo);
			QCOMPARE(QByteArray(PaceHandler::createMseSetAt(*paceInfo, passwordId, chat)).toHex(), QByteArray::fromHex(command).toHex());
		}


		void wrongPassword_data()
		{
			QTest::addColumn<QStringList>("arguments");
			QTest::addColumn<PacePasswordId>("passwordId");
			QTest::addColumn<QByteArray>("mseStatus");
			QTest::addColumn<quint32>("resultCode");
			QTest::addColumn<PaceResult>("result");

			QTest::newRow("PIN, three tries left") << QStringList() << PacePasswordId::PACE_PIN << QByteArray("9000") << 0xF00663C2u << PaceResult::INVALID_PIN_1;
			QTest::newRow("PIN, two tries left") << QStringList({"--retry-counter", "2"}) << PacePasswordId::PACE_PIN << QByteArray("63c2") << 0xF00663C1u << PaceResult::INVALID_PIN_2;
			QTest::newRow("CAN") << QStringList() << PacePasswordId::PACE_CAN << QByteArray("9000") << 0xF0066300u << PaceResult::INVALID_CAN;
			QTest::newRow("PUK") << QStringList({"--retry-counter", "0"}) << PacePasswordId::PACE_PUK << QByteArray("9000") << 0xF0066300u << PaceResult::INVALID_PUK;
		}


		void wrongPassword()
		{
			QFETCH(QStringList, arguments);
			QFETCH(PacePasswordId, passwordId);
			QFETCH(QByteArray, mseStatus);
			QFETCH(quint32, resultCode);
			QFETCH(PaceResult, result);

			PeerReader peerReader;
			QVERIFY(peerReader.start(arguments));
			PaceHandler handler(peerReader.connect());
			const auto output = handler.establishPaceChannel(passwordId, "0000000000");

			// The reader worked; only the result code tells the wrong password.
			QCOMPARE(output.getPaceReturnCode(), CardReturnCode::OK);
			QCOMPARE(output.getResultCode(), resultCode);
			QCOMPARE(output.getPaceResult(), result);
			QVERIFY(output.isWrongPassword());
			QVERIFY(!output.isSuccess());
			QCOMPARE(output.getStatusMseSetAt().toHex(), mseStatus);
			QVERIFY(output.getIdIcc().isEmpty());
			QVERIFY(handler.getEncryptionKey().isEmpty());
			QVERIFY(handler.getMacKey().isEmpty());
		}


		void refusedEfCardAccess_data()
		{
			QTest::addColumn<QByteArray>("efCardAccess");
			QTest::addColumn<QStringList>("logs");

			QTest::newRow("none") << QByteArray() << QStringList();
			QTest::newRow("DH only") << cardAccess({paceInfo(DH_GM_AES_128, 0)})
									 << QStringList({"Unsupported domain parameters:", "No supported domain parameters found"});
			QTest::newRow("version 1") << cardAccess({paceInfo(ECDH_GM_AES_128, 13, 1)})
									   << QStringList({"Unsupported pace version: 1", "No supported domain parameters found"});
			QTest::newRow("integrated mapping") << cardAccess({paceInfo(ECDH_IM_AES_128, 13)})
												<< QStringList({"Unsupported domain parameters:", "No supported domain parameters found"});
			QTest::newRow("3DES") << cardAccess({paceInfo(ECDH_GM_3DES, 13)})
								  << QStringList({"Unsupported domain parameters:", "No supported domain parameters found"});
			QTest::newRow("explicit domain parameters") << cardAccess({paceInfo(ECDH_GM_AES_128, 32)})
														<< QStringList({"Unsupported domain parameters:", "No supported domain parameters found"});
		}


		void refusedEfCardAccess()
		{
			QFETCH(QByteArray, efCardAccess);
			QFETCH(QStringList, logs);

			ScriptedReader reader(efCardAccess);
			const auto worker = reader.mReader.createCardConnectionWorker();
			const qsizetype before = reader.mCard->getCommands().size();

			LogCapture capture;
			PaceHandler handler(worker);
			const auto output = handler.establishPaceChannel(PacePasswordId::PACE_PIN, "123456");
			QCOMPARE(output.getPaceReturnCode(), CardReturnCode::PROTOCOL_ERROR);
			QCOMPARE(output.getResultCode(), EstablishPaceChannelOutput::toResultCode(CardReturnCode::PROTOCOL_ERROR));
			QCOMPARE(output.getEfCardAccess(), efCardAccess.isEmpty() ? QByteArray::fromHex("3100") : efCardAccess);
			QCOMPARE(reader.mCard->getCommands().size(), before);
			QCOMPARE(handler.getPaceProtocol().getProtocolType(), ProtocolType::UNDEFINED);
			for (const auto& log : logs)
			{
				QVERIFY2(capture.contains(log), qPrintable(capture.messages().join('\n')));
			}
		}


		void firstSupportedInFileOrder()
		{
			const QByteArray efCardAccess = cardAccess({
						paceInfo(ECDH_GM_AES_128, 13, 1),
						paceInfo(DH_GM_AES_128, 0),
						paceInfo(ECDH_GM_AES_128, 12),
						paceInfo(ECDH_GM_AES_128, 13)
					});
			PeerReader peerReader;
			QVERIFY(peerReader.start({"--card-access", QString::fromLatin1(efCardAccess.toHex())}));
			const qsizetype before = peerReader.card().getCommands().size();
			PaceHandler handler(peerReader.connect());
			const auto output = handler.establishPaceChannel(PacePasswordId::PACE_PIN, "123456");
			QVERIFY(output.isSuccess());
			QVERIFY(peerReader.card().getCommands().at(before).endsWith("84010c"));
			QCOMPARE(output.getIdIcc().size(), 32);
			QCOMPARE(output.getEfCardAccess(), efCardAccess);
		}


		void mseSetAtAnswer_data()
		{
			QTest::addColumn<ResponseApduResult>("answer");
			QTest::addColumn<CardReturnCode>("returnCode");
			QTest::addColumn<QByteArray>("statusInOutput");
			QTest::addColumn<bool>("paceGoesOn");

			QTest::newRow("63C0, PIN blocked") << ScriptedCard::answer("63C0") << CardReturnCode::PROTOCOL_ERROR << QByteArray("63c0") << false;
			QTest::newRow("6283, PIN deactivated") << ScriptedCard::answer("6283") << CardReturnCode::PROTOCOL_ERROR << QByteArray("6283") << false;
			QTest::newRow("6A80") << ScriptedCard::answer("6A80") << CardReturnCode::PROTOCOL_ERROR << QByteArray("6a80") << false;
			QTest::newRow("no answer") << ScriptedCard::answer(QByteArray(), CardReturnCode::COMMAND_FAILED) << CardReturnCode::RESPONSE_EMPTY << QByteArray("0000") << false;
			QTest::newRow("reader failed with status") << ScriptedCard::answer("6A80", CardReturnCode::COMMAND_FAILED) << CardReturnCode::PROTOCOL_ERROR << QByteArray("6a80") << false;
			QTest::newRow("63C1, PIN suspended") << ScriptedCard::answer("63C1") << CardReturnCode::PROTOCOL_ERROR << QByteArray("63c1") << true;
			QTest::newRow("63C2") << ScriptedCard::answer("63C2") << CardReturnCode::PROTOCOL_ERROR << QByteArray("63c2") << true;
		}


		void mseSetAtAnswer()
		{
			QFETCH(ResponseApduResult, answer);
			QFETCH(CardReturnCode, returnCode);
			QFETCH(QByteArray, statusInOutput);
			QFETCH(bool, paceGoesOn);

			const QByteArray efCardAccess = readFixture(QStringLiteral("card_access_13.der"));
			ScriptedReader reader(efCardAccess);
			reader.mCard->add("0022c1a4", answer);
			const auto worker = reader.mReader.createCardConnectionWorker();
			const qsizetype before = reader.mCard->getCommands().size();

			LogCapture capture;
			PaceHandler handler(worker);
			const auto output = handler.establishPaceChannel(PacePasswordId::PACE_PIN, "123456");
			QCOMPARE(output.getPaceReturnCode(), returnCode);
			QCOMPARE(output.getStatusMseSetAt().toHex(), statusInOutput);
			QCOMPARE(capture.contains(QStringLiteral("Error on MSE:Set AT")), !paceGoesOn);

			// The scripted card refuses the first General Authenticate.
			const auto commands = reader.mCard->getCommands().mid(before);
			QCOMPARE(commands.size(), paceGoesOn ? 2 : 1);
			if (paceGoesOn)
			{
				QCOMPARE(commands.at(1), QByteArray("10860000027c0000"));
			}
		}


};

KENDRAWELL_TEST_MAIN(test_PaceHandler)
#include "test_PaceHandler.moc"
