#include "pace/KeyAgreement.h"

#include "asn1/ASN1Util.h"
#include "LogCapture.h"
#include "pace/CipherMac.h"
#include "pace/ec/EcUtil.h"
#include "PeerReader.h"
#include "TestEnvironment.h"

#include <QtTest>

using namespace tessarovin;

namespace
{

QSharedPointer<const PaceInfo> paceInfo(const char* pOidHex, int pParameterId, int pVersion = 2)
{
	const QByteArray oid = Asn1Util::encode(V_ASN1_UNIVERSAL, V_ASN1_OBJECT, QByteArray::fromHex(pOidHex));
	QByteArray content = oid + QByteArray::fromHex("0201") + char(pVersion);
	if (pParameterId >= 0)
	{
		content += QByteArray::fromHex("0201") + char(pParameterId);
	}
	return PaceInfo::decode(Asn1Util::encode(V_ASN1_UNIVERSAL, V_ASN1_SEQUENCE, content, true));
}


const char* const ECDH_GM_AES_128 = "04007F00070202040202";


// MSE:Set AT as the PACE handler sends it, without CHAT.
ResponseApduResult setAuthenticationTemplate(CardConnectionWorker& pWorker, const QSharedPointer<const PaceInfo>& pPaceInfo, PacePasswordId pPasswordId)
{
	QByteArray data = Asn1Util::encode(V_ASN1_CONTEXT_SPECIFIC, 0, pPaceInfo->getOid().getData());
	data += Asn1Util::encode(V_ASN1_CONTEXT_SPECIFIC, 3, QByteArray(1, static_cast<char>(pPasswordId)));
	data += Asn1Util::encode(V_ASN1_CONTEXT_SPECIFIC, 4, QByteArray(1, static_cast<char>(pPaceInfo->getParameterId())));
	return pWorker.transmit(CommandApdu(Ins::MSE_SET, 0xC1, 0xA4, data));
}


// Replaces the value of the one object inside 7C in the answer to the GENERAL AUTHENTICATE
// whose command carries pCommandTag.
PeerReader::Filter replaceObject(char pCommandTag, const QByteArray& pNewValue)
{
	return [pCommandTag, pNewValue](const QByteArray& pCommand, const QByteArray& pResponse){
			if (pCommand.size() < 8 || pCommand.at(1) != '\x86' || (pCommandTag == 0 ? pCommand.at(6) != 0 : pCommand.at(7) != pCommandTag))
			{
				return pResponse;
			}
			const char responseTag = pResponse.size() > 2 ? pResponse.at(2) : '\x80';
			const QByteArray object = pNewValue.isNull() ? QByteArray() : Asn1Util::encode(V_ASN1_CONTEXT_SPECIFIC, responseTag & 0x1F, pNewValue);
			return Asn1Util::encode(V_ASN1_APPLICATION, 0x1C, object, true) + QByteArray::fromHex("9000");
		};
}


} // namespace


class test_KeyAgreement
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void createTransmitResult_data()
		{
			QTest::addColumn<CardReturnCode>("returnCode");
			QTest::addColumn<QByteArray>("response");
			QTest::addColumn<CardReturnCode>("result");
			QTest::addColumn<QString>("log");

			QTest::newRow("failed and empty: card gone, retry") << CardReturnCode::COMMAND_FAILED << QByteArray() << CardReturnCode::RESPONSE_EMPTY
													 << QStringLiteral("Error on GA (Encrypted Nonce): %1 | UNKNOWN");
			QTest::newRow("OK and 6A80") << CardReturnCode::OK << QByteArray("6A80") << CardReturnCode::PROTOCOL_ERROR
										 << QStringLiteral("Error on GA (Encrypted Nonce): %1 | INVALID_DATAFIELD");
			QTest::newRow("failed and not empty") << CardReturnCode::COMMAND_FAILED << QByteArray("6A80") << CardReturnCode::COMMAND_FAILED
												  << QStringLiteral("Error on GA (Encrypted Nonce): %1 | INVALID_DATAFIELD");
			QTest::newRow("OK and empty") << CardReturnCode::OK << QByteArray() << CardReturnCode::RESPONSE_EMPTY << QString();
			QTest::newRow("OK and unknown status word") << CardReturnCode::OK << QByteArray("6F01") << CardReturnCode::PROTOCOL_ERROR
														<< QStringLiteral("Error on GA (Encrypted Nonce): %1 | UNKNOWN");
			QTest::newRow("OK and 9000") << CardReturnCode::OK << QByteArray("9000") << CardReturnCode::OK << QString();
		}


		void createTransmitResult()
		{
			QFETCH(CardReturnCode, returnCode);
			QFETCH(QByteArray, response);
			QFETCH(CardReturnCode, result);
			QFETCH(QString, log);

			LogCapture capture;
			const auto cardResult = KeyAgreement::createTransmitResult(returnCode, ResponseApdu(QByteArray::fromHex(response)), QByteArray("item"), "Error on GA (Encrypted Nonce):");
			QCOMPARE(cardResult.mResult, result);
			QCOMPARE(cardResult.mData, result == CardReturnCode::OK ? QByteArray("item") : QByteArray());
			if (!log.isEmpty())
			{
				const QString expected = log.arg(cardReturnCodeToGlobalStatus(result).toErrorDescription());
				QVERIFY2(capture.contains(expected), qPrintable(capture.messages().join('\n')));
			}
		}


		void create_data()
		{
			QTest::addColumn<QByteArray>("oid");
			QTest::addColumn<int>("parameterId");
			QTest::addColumn<QString>("log");

			QTest::newRow("DH") << QByteArray("04007F00070202040102") << 0 << QStringLiteral("Currently only ECDH key agreement supported");
			QTest::newRow("ECDH, integrated mapping") << QByteArray("04007F00070202040402") << 13 << QStringLiteral("Currently only generic mapping supported");
			QTest::newRow("ECDH, explicit parameters") << QByteArray("04007F00070202040202") << 32 << QStringLiteral("Creation of elliptic curves by explicit domain parameters not supported");
			QTest::newRow("ECDH, generic mapping") << QByteArray("04007F00070202040202") << 13 << QString();
		}


		void create()
		{
			QFETCH(QByteArray, oid);
			QFETCH(int, parameterId);
			QFETCH(QString, log);

			const auto info = paceInfo(oid.constData(), parameterId);
			QVERIFY(info);
			LogCapture capture;
			const auto keyAgreement = KeyAgreement::create(info, QSharedPointer<CardConnectionWorker>());
			QCOMPARE(keyAgreement.isNull(), !log.isEmpty());
			if (!log.isEmpty())
			{
				QVERIFY(capture.contains(log));
			}
		}


		// The first step decides between waiting for the card and giving up.
		void encryptedNonceFails_data()
		{
			QTest::addColumn<ResponseApduResult>("answer");
			QTest::addColumn<KeyAgreementStatus>("status");

			QTest::newRow("6A80") << ScriptedCard::answer("6A80") << KeyAgreementStatus::PROTOCOL_ERROR;
			QTest::newRow("reader failed") << ScriptedCard::answer("6A80", CardReturnCode::COMMAND_FAILED) << KeyAgreementStatus::COMMAND_FAILED;
			QTest::newRow("no bytes, reader failed") << ScriptedCard::answer(QByteArray(), CardReturnCode::COMMAND_FAILED) << KeyAgreementStatus::RESPONSE_EMPTY;
			QTest::newRow("no bytes, reader OK") << ScriptedCard::answer(QByteArray()) << KeyAgreementStatus::RESPONSE_EMPTY;
			QTest::newRow("wrong length") << ScriptedCard::answer("6700") << KeyAgreementStatus::RESPONSE_EMPTY;
			QTest::newRow("no nonce in the answer") << ScriptedCard::answer("7C009000") << KeyAgreementStatus::PROTOCOL_ERROR;
			QTest::newRow("nonce of half a block") << ScriptedCard::answer("7C0A8008010203040506070890 00") << KeyAgreementStatus::PROTOCOL_ERROR;
		}


		void encryptedNonceFails()
		{
			QFETCH(ResponseApduResult, answer);
			QFETCH(KeyAgreementStatus, status);

			MockReader reader(QStringLiteral("reader"));
			auto scripted = std::make_unique<ScriptedCard>();
			ScriptedCard& card = *scripted;
			reader.insertCardAndFetch(std::move(scripted));
			card.add("10860000027c0000", answer);
			const auto worker = reader.createCardConnectionWorker();
			QVERIFY(worker);
			const int before = static_cast<int>(card.getCommands().size());

			const auto keyAgreement = KeyAgreement::create(paceInfo(ECDH_GM_AES_128, 13), worker);
			QCOMPARE(keyAgreement->perform("123456"), status);
			QCOMPARE(card.getCommands().mid(before), QList<QByteArray>({"10860000027c0000"}));
			QVERIFY(keyAgreement->getEncryptionKey().isEmpty());
		}


		void withPeer_data()
		{
			QTest::addColumn<QStringList>("arguments");
			QTest::addColumn<int>("parameterId");
			QTest::addColumn<PacePasswordId>("passwordId");
			QTest::addColumn<QByteArray>("password");
			QTest::addColumn<KeyAgreementStatus>("status");

			QTest::newRow("PIN") << QStringList() << 13 << PacePasswordId::PACE_PIN << QByteArray("123456") << KeyAgreementStatus::SUCCESS;
			QTest::newRow("CAN, P-256") << QStringList() << 12 << PacePasswordId::PACE_CAN << QByteArray("500540") << KeyAgreementStatus::SUCCESS;
			QTest::newRow("wrong PIN") << QStringList() << 13 << PacePasswordId::PACE_PIN << QByteArray("654321") << KeyAgreementStatus::RETRY_COUNTER_2;
			QTest::newRow("wrong PIN, two left") << QStringList({"--retry-counter", "2"}) << 13 << PacePasswordId::PACE_PIN << QByteArray("654321") << KeyAgreementStatus::RETRY_COUNTER_1;
			QTest::newRow("wrong CAN") << QStringList() << 13 << PacePasswordId::PACE_CAN << QByteArray("000000") << KeyAgreementStatus::AUTHENTICATION_FAILED;
			QTest::newRow("wrong PUK") << QStringList({"--retry-counter", "0"}) << 13 << PacePasswordId::PACE_PUK << QByteArray("0000000000") << KeyAgreementStatus::AUTHENTICATION_FAILED;
		}


		void withPeer()
		{
			QFETCH(QStringList, arguments);
			QFETCH(int, parameterId);
			QFETCH(PacePasswordId, passwordId);
			QFETCH(QByteArray, password);
			QFETCH(KeyAgreementStatus, status);

			PeerReader peerReader;
			QVERIFY(peerReader.start(arguments));
			const auto worker = peerReader.connect();
			const auto info = paceInfo(ECDH_GM_AES_128, parameterId);
			QVERIFY(setAuthenticationTemplate(*worker, info, passwordId).mResponseApdu.getRetryCounter() >= 1);

			const auto keyAgreement = KeyAgreement::create(info, worker);
			QCOMPARE(keyAgreement->perform(password), status);
			QVERIFY(keyAgreement->getCarCurr().isEmpty());
			if (status != KeyAgreementStatus::SUCCESS)
			{
				return;
			}

			const auto [peerEnc, peerMac] = peerReader.peer().getLastSessionKeys();
			QCOMPARE(keyAgreement->getEncryptionKey().toHex(), peerEnc.toHex());
			QCOMPARE(keyAgreement->getMacKey().toHex(), peerMac.toHex());
			QCOMPARE(keyAgreement->getCompressedCardPublicKey().size(), 32);
			QCOMPARE(keyAgreement->getCardPublicKeyData().left(2), QByteArray::fromHex("7F49"));
		}


		void misbehavingCard_data()
		{
			QTest::addColumn<QStringList>("arguments");
			QTest::addColumn<char>("tamperedStep");
			QTest::addColumn<QByteArray>("tamperedValue");
			QTest::addColumn<QString>("log");

			const QByteArray offCurve = QByteArray::fromHex("04") + QByteArray(32, '\x01') + QByteArray(32, '\x02');
			QTest::newRow("mapping key mirrored") << QStringList({"--echo-mapping"}) << char(0) << QByteArray() << QStringLiteral("The exchanged public keys are equal.");
			QTest::newRow("ephemeral key mirrored") << QStringList({"--echo-ephemeral"}) << char(0) << QByteArray() << QStringLiteral("The exchanged public keys are equal");
			QTest::newRow("wrong card token") << QStringList({"--wrong-token"}) << char(0) << QByteArray() << QStringLiteral("Error on mutual authentication");
			QTest::newRow("no card key") << QStringList() << char('\x83') << QByteArray("") << QStringLiteral("Missing card ephemeral public key");
			QTest::newRow("card key off the curve") << QStringList() << char('\x83') << offCurve << QString();
			QTest::newRow("no mapping data") << QStringList() << char('\x81') << QByteArray("") << QString();
			QTest::newRow("mapping data off the curve") << QStringList() << char('\x81') << offCurve << QString();
			QTest::newRow("mapping data at infinity") << QStringList() << char('\x81') << QByteArray(1, '\0') << QStringLiteral("Decoded point is at infinity");
		}


		void misbehavingCard()
		{
			QFETCH(QStringList, arguments);
			QFETCH(char, tamperedStep);
			QFETCH(QByteArray, tamperedValue);
			QFETCH(QString, log);

			PeerReader peerReader;
			QVERIFY(peerReader.start(arguments));
			if (tamperedStep != 0)
			{
				peerReader.setFilter(replaceObject(tamperedStep, tamperedValue));
			}
			const auto worker = peerReader.connect();
			const auto info = paceInfo(ECDH_GM_AES_128, 13);
			QCOMPARE(setAuthenticationTemplate(*worker, info, PacePasswordId::PACE_CAN).mResponseApdu.getStatusCode(), StatusCode::SUCCESS);

			LogCapture capture;
			const auto keyAgreement = KeyAgreement::create(info, worker);
			QCOMPARE(keyAgreement->perform("500540"), KeyAgreementStatus::PROTOCOL_ERROR);
			QVERIFY(keyAgreement->getCarCurr().isEmpty());
			QVERIFY(keyAgreement->getCarPrev().isEmpty());
			if (!log.isEmpty())
			{
				QVERIFY2(capture.contains(log), qPrintable(capture.messages().join('\n')));
			}
		}


		// A card that answers with the point at infinity would make the shared secret a constant:
		// without the password it could then compute the keys and a valid token of its own.
		void cardKeyAtInfinity_data()
		{
			QTest::addColumn<int>("parameterId");

			QTest::newRow("brainpoolP256r1") << 13;
			QTest::newRow("P-256") << 12;
		}


		void cardKeyAtInfinity()
		{
			QFETCH(int, parameterId);

			const auto info = paceInfo(ECDH_GM_AES_128, parameterId);
			const QByteArray infinity(1, '\0');
			const KeyDerivationFunction kdf(info->getSecurityProtocol());
			const CipherMac forgedMac(info->getSecurityProtocol(), kdf.mac(infinity, QByteArray()));

			PeerReader peerReader;
			QVERIFY(peerReader.start());
			auto terminalKey = QSharedPointer<QByteArray>::create();
			peerReader.setFilter([infinity, terminalKey, &forgedMac, info](const QByteArray& pCommand, const QByteArray& pResponse){
					if (pCommand.size() < 9 || pCommand.at(1) != '\x86')
					{
						return pResponse;
					}
					if (pCommand.at(7) == '\x83')
					{
						*terminalKey = pCommand.mid(9, static_cast<uchar>(pCommand.at(8)));
						return Asn1Util::encode(V_ASN1_APPLICATION, 0x1C, Asn1Util::encode(V_ASN1_CONTEXT_SPECIFIC, 4, infinity), true) + QByteArray::fromHex("9000");
					}
					if (pCommand.at(7) == '\x85')
					{
						const QByteArray oid = Asn1Util::encode(V_ASN1_UNIVERSAL, V_ASN1_OBJECT, info->getOid().getData());
						const QByteArray keyData = Asn1Util::encode(V_ASN1_APPLICATION, 0x49, oid + Asn1Util::encode(V_ASN1_CONTEXT_SPECIFIC, 6, *terminalKey), true);
						const QByteArray token = Asn1Util::encode(V_ASN1_CONTEXT_SPECIFIC, 6, forgedMac.generate(keyData));
						return Asn1Util::encode(V_ASN1_APPLICATION, 0x1C, token, true) + QByteArray::fromHex("9000");
					}
					return pResponse;
				});
			const auto worker = peerReader.connect();
			QCOMPARE(setAuthenticationTemplate(*worker, info, PacePasswordId::PACE_CAN).mResponseApdu.getStatusCode(), StatusCode::SUCCESS);

			LogCapture capture;
			const auto keyAgreement = KeyAgreement::create(info, worker);
			QCOMPARE(keyAgreement->perform("000000"), KeyAgreementStatus::PROTOCOL_ERROR);
			QVERIFY(!terminalKey->isEmpty());
			QVERIFY(capture.contains(QStringLiteral("Decoded point is at infinity")));
		}


		void carsWithChat()
		{
			PeerReader peerReader;
			QVERIFY(peerReader.start());
			const auto worker = peerReader.connect();
			const auto info = paceInfo(ECDH_GM_AES_128, 13);
			const QByteArray data = QByteArray::fromHex("800A04007F00070202040202830103840 10D7F4C12060904007F00070301020253050000000003");
			QCOMPARE(worker->transmit(CommandApdu(Ins::MSE_SET, 0xC1, 0xA4, data)).mResponseApdu.getStatusCode(), StatusCode::SUCCESS);

			const auto keyAgreement = KeyAgreement::create(info, worker);
			QCOMPARE(keyAgreement->perform("123456"), KeyAgreementStatus::SUCCESS);
			QCOMPARE(keyAgreement->getCarCurr(), QByteArray("DETESTeID00005"));
			QCOMPARE(keyAgreement->getCarPrev(), QByteArray("DETESTeID00004"));
		}


};

KENDRAWELL_TEST_MAIN(test_KeyAgreement)
#include "test_KeyAgreement.moc"
