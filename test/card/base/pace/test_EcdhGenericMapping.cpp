#include "pace/ec/EcdhGenericMapping.h"

#include "apdu/CommandApdu.h"
#include "apdu/GeneralAuthenticateResponse.h"
#include "asn1/ASN1Util.h"
#include "asn1/PaceInfo.h"
#include "LogCapture.h"
#include "OpenSslUtil.h"
#include "pace/CipherMac.h"
#include "pace/ec/EcKeyPair.h"
#include "pace/ec/EcUtil.h"
#include "pace/KeyDerivationFunction.h"
#include "pace/SecureMessaging.h"
#include "pace/SymmetricCipher.h"
#include "PacePeerProcess.h"
#include "TestEnvironment.h"

#include <QtTest>

#include <openssl/obj_mac.h>

using namespace tessarovin;

namespace
{

QByteArray paceOid(int pKeySize)
{
	const char last = pKeySize == 256 ? '\x04' : pKeySize == 192 ? '\x03' : '\x02';
	return QByteArray::fromHex("04007F000702020402") + last;
}


QByteArray contextObject(int pTag, const QByteArray& pContent)
{
	return Asn1Util::encode(V_ASN1_CONTEXT_SPECIFIC, pTag, pContent);
}


CommandApdu generalAuthenticate(bool pChained, const QByteArray& pObject)
{
	const QByteArray header = QByteArray::fromHex(pChained ? "10860000" : "00860000");
	return CommandApdu(header, Asn1Util::encode(V_ASN1_APPLICATION, 0x1C, pObject, true), CommandApdu::SHORT_MAX_LE);
}


// 7F49 { 06 OID, 86 point }: what the authentication tokens are computed over.
QByteArray publicKeyData(const QByteArray& pOid, const QByteArray& pPoint)
{
	return Asn1Util::encode(V_ASN1_APPLICATION, 0x49, Asn1Util::encode(V_ASN1_UNIVERSAL, V_ASN1_OBJECT, pOid) + contextObject(6, pPoint), true);
}


// ECDH by OpenSSL alone, with the peer's public part taken from its key object.
QByteArray derive(const QSharedPointer<EVP_PKEY>& pOwn, const QSharedPointer<EVP_PKEY>& pPeer)
{
	const OpenSslPtr<EVP_PKEY_CTX, EVP_PKEY_CTX_free> context(EVP_PKEY_CTX_new_from_pkey(nullptr, pOwn.data(), nullptr));
	size_t length = 0;
	if (!context || EVP_PKEY_derive_init(context.get()) != 1 || EVP_PKEY_derive_set_peer(context.get(), pPeer.data()) != 1
			|| EVP_PKEY_derive(context.get(), nullptr, &length) != 1)
	{
		return QByteArray();
	}
	QByteArray secret(static_cast<qsizetype>(length), '\0');
	if (EVP_PKEY_derive(context.get(), reinterpret_cast<unsigned char*>(secret.data()), &length) != 1)
	{
		return QByteArray();
	}
	secret.resize(static_cast<qsizetype>(length));
	return secret;
}


// The terminal side of PACE, put together from the primitives alone, against the card peer.
struct PaceRun
{
	QByteArray mMseStatus;
	QByteArray mStatus;
	QByteArray mEncKey;
	QByteArray mMacKey;
	bool mCardTokenValid = false;
	QByteArray mCarCurr;
	QByteArray mCarPrev;
	QByteArray mIdIcc;
};


ResponseApdu transmit(PacePeerProcess& pPeer, const CommandApdu& pCommand)
{
	return ResponseApdu(pPeer.transmit(QByteArray(pCommand)));
}


PaceRun runPace(PacePeerProcess& pPeer, int pKeySize, int pParameterId, int pPasswordId, const QByteArray& pPassword, const QByteArray& pChat = QByteArray())
{
	PaceRun run;
	const QByteArray oid = paceOid(pKeySize);
	const SecurityProtocol protocol{Oid(oid)};
	const KeyDerivationFunction kdf(protocol);

	const QByteArray mseData = contextObject(0, oid) + contextObject(3, QByteArray(1, static_cast<char>(pPasswordId)))
			+ contextObject(4, QByteArray(1, static_cast<char>(pParameterId))) + pChat;
	const ResponseApdu mse = transmit(pPeer, CommandApdu(QByteArray::fromHex("0022C1A4"), mseData));
	run.mMseStatus = run.mStatus = mse.getStatusBytes().toHex().toUpper();
	if (mse.getRetryCounter() < 1)
	{
		return run;
	}

	const GAEncryptedNonceResponse nonceResponse(transmit(pPeer, generalAuthenticate(true, QByteArray())));
	run.mStatus = nonceResponse.getStatusBytes().toHex().toUpper();
	SymmetricCipher passwordCipher(protocol, kdf.pi(pPassword));
	const QByteArray nonce = passwordCipher.decrypt(nonceResponse.getEncryptedNonce());
	if (nonce.isEmpty())
	{
		return run;
	}

	EcdhGenericMapping mapping(EcUtil::createCurve(PaceInfo::getMappedNid(pParameterId)));
	const QByteArray localMapping = mapping.generateLocalMappingData();
	const GAMapNonceResponse mapResponse(transmit(pPeer, generalAuthenticate(true, contextObject(1, localMapping))));
	run.mStatus = mapResponse.getStatusBytes().toHex().toUpper();
	if (!mapping.generateEphemeralDomainParameters(mapResponse.getMappingData(), nonce))
	{
		return run;
	}

	const EcKeyPair ephemeral(mapping);
	const GAPerformKeyAgreementResponse keyResponse(transmit(pPeer, generalAuthenticate(true, contextObject(3, ephemeral.getPublicKey()))));
	run.mStatus = keyResponse.getStatusBytes().toHex().toUpper();
	const QByteArray cardKey = keyResponse.getEphemeralPublicKey();
	const QByteArray secret = ephemeral.computeSharedSecret(cardKey);
	if (secret.isEmpty())
	{
		return run;
	}
	const QByteArray encKey = kdf.enc(secret);
	const QByteArray macKey = kdf.mac(secret);

	const CipherMac cipherMac(protocol, macKey);
	const QByteArray terminalToken = cipherMac.generate(publicKeyData(oid, cardKey));
	const GAMutualAuthenticationResponse authResponse(transmit(pPeer, generalAuthenticate(false, contextObject(5, terminalToken))));
	run.mStatus = authResponse.getStatusBytes().toHex().toUpper();
	if (authResponse.getStatusCode() != StatusCode::SUCCESS)
	{
		return run;
	}

	run.mCardTokenValid = authResponse.getAuthenticationToken() == cipherMac.generate(publicKeyData(oid, ephemeral.getPublicKey()));
	run.mEncKey = encKey;
	run.mMacKey = macKey;
	run.mCarCurr = authResponse.getCarCurr();
	run.mCarPrev = authResponse.getCarPrev();
	run.mIdIcc = EcUtil::compressPoint(cardKey);
	return run;
}


ResponseApdu transmitSecured(PacePeerProcess& pPeer, SecureMessaging& pSecureMessaging, const char* pCommandHex)
{
	const CommandApdu secured = pSecureMessaging.encrypt(CommandApdu(QByteArray::fromHex(pCommandHex)));
	return pSecureMessaging.decrypt(transmit(pPeer, secured));
}


const QByteArray CHAT_AT = QByteArray::fromHex("7F4C12060904007F00070301020253050000000003");

} // namespace


class test_EcdhGenericMapping
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void noCurve()
		{
			EcdhGenericMapping mapping{QSharedPointer<EC_GROUP>()};
			QCOMPARE(mapping.getCurveNid(), 0);

			LogCapture capture;
			QVERIFY(mapping.generateLocalMappingData().isEmpty());
			QVERIFY(capture.contains(QStringLiteral("No curve defined")));
			QVERIFY(mapping.getEncodedGenerator().isEmpty());
		}


		void refusedCardMappingData_data()
		{
			QTest::addColumn<bool>("mirror");
			QTest::addColumn<QByteArray>("cardData");
			QTest::addColumn<QString>("log");

			QTest::newRow("own mapping key mirrored") << true << QByteArray() << QStringLiteral("The exchanged public keys are equal.");
			QTest::newRow("point not on the curve") << false << QByteArray::fromHex("04") + QByteArray(32, '\x01') + QByteArray(32, '\x02') << QString();
			QTest::newRow("empty") << false << QByteArray() << QStringLiteral("Cannot decode elliptic curve point");
			QTest::newRow("compressed form") << false << QByteArray::fromHex("02") + QByteArray(32, '\x01') << QString();
		}


		void refusedCardMappingData()
		{
			QFETCH(bool, mirror);
			QFETCH(QByteArray, cardData);
			QFETCH(QString, log);

			EcdhGenericMapping mapping(EcUtil::createCurve(NID_brainpoolP256r1));
			const QByteArray local = mapping.generateLocalMappingData();
			QCOMPARE(local.size(), 65);

			LogCapture capture;
			QVERIFY(!mapping.generateEphemeralDomainParameters(mirror ? local : cardData, QByteArray(16, '\x05')));
			QVERIFY(mapping.getEncodedGenerator().isEmpty());
			if (!log.isEmpty())
			{
				QVERIFY2(capture.contains(log), qPrintable(capture.messages().join('\n')));
			}
		}


		void mappingBeforeLocalKey()
		{
			EcdhGenericMapping card(EcUtil::createCurve(NID_X9_62_prime256v1));
			const QByteArray cardData = card.generateLocalMappingData();

			EcdhGenericMapping terminal(EcUtil::createCurve(NID_X9_62_prime256v1));
			QVERIFY(!terminal.generateEphemeralDomainParameters(cardData, QByteArray(16, '\x05')));
		}


		// Both sides reach the same generator: s × G + d_t × d_c × G.
		void bothSidesMapToOneGenerator_data()
		{
			QTest::addColumn<int>("nid");

			QTest::newRow("brainpoolP256r1") << NID_brainpoolP256r1;
			QTest::newRow("P-256") << NID_X9_62_prime256v1;
			QTest::newRow("P-521") << NID_secp521r1;
		}


		void bothSidesMapToOneGenerator()
		{
			QFETCH(int, nid);

			EcdhGenericMapping terminal(EcUtil::createCurve(nid));
			EcdhGenericMapping card(EcUtil::createCurve(nid));
			QCOMPARE(terminal.getCurveNid(), nid);
			const QByteArray terminalData = terminal.generateLocalMappingData();
			const QByteArray cardData = card.generateLocalMappingData();
			const QByteArray nonce = QByteArray::fromHex("3F00C4D39D153F2B2A214A078D899B22");

			QVERIFY(terminal.generateEphemeralDomainParameters(cardData, nonce));
			QVERIFY(card.generateEphemeralDomainParameters(terminalData, nonce));
			QCOMPARE(terminal.getEncodedGenerator(), card.getEncodedGenerator());
			QVERIFY(terminal.getEncodedGenerator() != EcUtil::point2oct(terminal.getCurve(), EC_GROUP_get0_generator(terminal.getCurve().data())));

			// Ephemeral keys on G~ agree on one secret, and their points are SK × G~.
			const EcKeyPair terminalKey(terminal);
			const EcKeyPair cardKey(card);
			QVERIFY(!terminalKey.getPublicKey().isEmpty());
			QCOMPARE(terminalKey.getPublicKey(), EcKeyPair::multiply(terminal.getEncodedGenerator(), terminalKey.getKey()));
			QCOMPARE(terminalKey.computeSharedSecret(cardKey.getPublicKey()), cardKey.computeSharedSecret(terminalKey.getPublicKey()));

			// The OpenSSL key carries SK × G~ as its public part, not SK × G, so that the other
			// side of a simulated card or chip authentication can take it as the peer key.
			QCOMPARE(EcUtil::getEncodedPublicKey(terminalKey.getKey()), terminalKey.getPublicKey());
			const QByteArray standardGenerator = EcUtil::point2oct(terminal.getCurve(), EC_GROUP_get0_generator(terminal.getCurve().data()));
			QVERIFY(EcKeyPair::multiply(standardGenerator, terminalKey.getKey()) != terminalKey.getPublicKey());
			QCOMPARE(derive(terminalKey.getKey(), cardKey.getKey()), terminalKey.computeSharedSecret(cardKey.getPublicKey()));

			// Another nonce, another generator.
			QVERIFY(card.generateEphemeralDomainParameters(terminalData, QByteArray(16, '\x01')));
			QVERIFY(terminal.getEncodedGenerator() != card.getEncodedGenerator());
		}


		void keyPairWithoutGenerator()
		{
			EcdhGenericMapping mapping(EcUtil::createCurve(NID_brainpoolP256r1));
			LogCapture capture;
			const EcKeyPair pair(mapping);
			QVERIFY(pair.getPublicKey().isEmpty());
			QVERIFY(!pair.hasKey());
			QVERIFY(capture.contains(QStringLiteral("Interpreting the EC point failed")));
		}


		void paceWithPeer_data()
		{
			QTest::addColumn<QStringList>("arguments");
			QTest::addColumn<int>("keySize");
			QTest::addColumn<int>("parameterId");
			QTest::addColumn<int>("passwordId");
			QTest::addColumn<QByteArray>("password");

			for (int id = 8; id <= 18; ++id)
			{
				const QString curve = QString::number(id);
				QTest::addRow("CAN, parameter id %d", id) << QStringList({"--curves", curve}) << 128 << id << 2 << QByteArray("500540");
			}
			QTest::newRow("PIN, brainpoolP256r1") << QStringList() << 128 << 13 << 3 << QByteArray("123456");
			QTest::newRow("PIN, P-256") << QStringList({"--curves", "12"}) << 128 << 12 << 3 << QByteArray("123456");
			QTest::newRow("PIN, P-256, AES-256") << QStringList({"--curves", "12", "--key-size", "256"}) << 256 << 12 << 3 << QByteArray("123456");
			QTest::newRow("PIN, brainpoolP384r1, AES-192") << QStringList({"--curves", "16", "--key-size", "192"}) << 192 << 16 << 3 << QByteArray("123456");
			QTest::newRow("PIN with retry counter 2") << QStringList({"--retry-counter", "2"}) << 128 << 13 << 3 << QByteArray("123456");
			QTest::newRow("transport PIN") << QStringList({"--pin", "12345"}) << 128 << 13 << 3 << QByteArray("12345");
			QTest::newRow("PUK, brainpoolP256r1") << QStringList({"--retry-counter", "0"}) << 128 << 13 << 4 << QByteArray("9876543210");
			QTest::newRow("PUK, P-256") << QStringList({"--retry-counter", "0", "--curves", "12"}) << 128 << 12 << 4 << QByteArray("9876543210");
		}


		void paceWithPeer()
		{
			QFETCH(QStringList, arguments);
			QFETCH(int, keySize);
			QFETCH(int, parameterId);
			QFETCH(int, passwordId);
			QFETCH(QByteArray, password);

			PacePeerProcess peer;
			QVERIFY(peer.start(arguments));
			const PaceRun run = runPace(peer, keySize, parameterId, passwordId, password);
			QVERIFY2(run.mStatus == "9000", qPrintable(run.mStatus + ' ' + peer.readLog()));
			QVERIFY(run.mCardTokenValid);
			QCOMPARE(run.mEncKey.size(), keySize / 8);
			QCOMPARE(run.mIdIcc.size() * 2 + 1, EcUtil::point2oct(EcUtil::createCurve(PaceInfo::getMappedNid(parameterId)), EC_GROUP_get0_generator(EcUtil::createCurve(PaceInfo::getMappedNid(parameterId)).data())).size());

			const auto [peerEnc, peerMac] = peer.getLastSessionKeys();
			QCOMPARE(run.mEncKey.toHex(), peerEnc.toHex());
			QCOMPARE(run.mMacKey.toHex(), peerMac.toHex());
			QVERIFY(run.mCarCurr.isEmpty());

			// The channel carries commands both ways, across more than one read of a file.
			SecureMessaging secureMessaging(SecurityProtocol(Oid(paceOid(keySize))), run.mEncKey, run.mMacKey);
			QCOMPARE(transmitSecured(peer, secureMessaging, "00A4040C09E80704007F00070302").getStatusCode(), StatusCode::SUCCESS);
			const ResponseApdu dg1 = transmitSecured(peer, secureMessaging, "00B0810000");
			QCOMPARE(dg1.getData().toHex(), QByteArray("610413024944"));
			QCOMPARE(dg1.getStatusBytes().toHex(), QByteArray("6282"));

			QByteArray large = transmitSecured(peer, secureMessaging, "00B0910000").getData();
			QCOMPARE(large.size(), 256);
			large += transmitSecured(peer, secureMessaging, "00B0010000").getData();
			const ResponseApdu last = transmitSecured(peer, secureMessaging, "00B0020000");
			QCOMPARE(last.getStatusBytes().toHex(), QByteArray("6282"));
			large += last.getData();
			QCOMPARE(large.size(), 600);
			for (int i = 0; i < large.size(); ++i)
			{
				QCOMPARE(static_cast<uchar>(large.at(i)), static_cast<uchar>(i));
			}
			QCOMPARE(secureMessaging.getSendSequenceCounter(), quint32(10));

			if (passwordId == 4)
			{
				// The PUK's channel resets the PIN's retry counter.
				const ResponseApdu reset = transmitSecured(peer, secureMessaging, "002C0303");
				QVERIFY2(reset.getStatusCode() == StatusCode::SUCCESS, peer.readLog().constData());
				QCOMPARE(transmit(peer, CommandApdu(QByteArray::fromHex("0022C1A4"), QByteArray::fromHex("800A") + paceOid(keySize) + QByteArray::fromHex("830103840101").replace(5, 1, QByteArray(1, static_cast<char>(parameterId))))).getStatusBytes().toHex(), QByteArray("9000"));
			}
			QCOMPARE(peer.stop(), 0);
		}


		void chatYieldsCars()
		{
			PacePeerProcess peer;
			QVERIFY(peer.start());
			const PaceRun run = runPace(peer, 128, 13, 3, "123456", CHAT_AT);
			QCOMPARE(run.mStatus, QByteArray("9000"));
			QCOMPARE(run.mCarCurr, QByteArray("DETESTeID00005"));
			QCOMPARE(run.mCarPrev, QByteArray("DETESTeID00004"));
		}


		void wrongPassword_data()
		{
			QTest::addColumn<QStringList>("arguments");
			QTest::addColumn<int>("passwordId");
			QTest::addColumn<QByteArray>("status");
			QTest::addColumn<QByteArray>("mseAfter");

			QTest::newRow("PIN, three tries left") << QStringList() << 3 << QByteArray("63C2") << QByteArray("63C2");
			QTest::newRow("PIN, two tries left") << QStringList({"--retry-counter", "2"}) << 3 << QByteArray("63C1") << QByteArray("63C1");
			QTest::newRow("PIN, last try") << QStringList({"--retry-counter", "1"}) << 3 << QByteArray("") << QByteArray("63C1");
			QTest::newRow("CAN") << QStringList() << 2 << QByteArray("6300") << QByteArray("9000");
			QTest::newRow("PUK") << QStringList({"--retry-counter", "0"}) << 4 << QByteArray("6300") << QByteArray("9000");
		}


		void wrongPassword()
		{
			QFETCH(QStringList, arguments);
			QFETCH(int, passwordId);
			QFETCH(QByteArray, status);
			QFETCH(QByteArray, mseAfter);

			PacePeerProcess peer;
			QVERIFY(peer.start(arguments));
			const PaceRun run = runPace(peer, 128, 13, passwordId, "000000");
			if (status.isEmpty())
			{
				// A suspended PIN needs the CAN first.
				QCOMPARE(run.mStatus, QByteArray("6982"));
			}
			else
			{
				QCOMPARE(run.mStatus, status);
			}
			QVERIFY(run.mEncKey.isEmpty());

			const PaceRun again = runPace(peer, 128, 13, passwordId, "000000");
			QCOMPARE(again.mMseStatus, mseAfter);
		}


		void suspendedPinAfterCan()
		{
			PacePeerProcess peer;
			QVERIFY(peer.start({"--retry-counter", "1"}));
			QCOMPARE(runPace(peer, 128, 13, 2, "500540").mStatus, QByteArray("9000"));
			const PaceRun pin = runPace(peer, 128, 13, 3, "123456");
			QCOMPARE(pin.mMseStatus, QByteArray("63C1"));
			QCOMPARE(pin.mStatus, QByteArray("9000"));
			QCOMPARE(runPace(peer, 128, 13, 3, "123456").mMseStatus, QByteArray("9000"));
		}


		void misbehavingCard_data()
		{
			QTest::addColumn<QString>("option");
			QTest::addColumn<QByteArray>("status");
			QTest::addColumn<QString>("log");

			QTest::newRow("mapping key mirrored") << QStringLiteral("--echo-mapping") << QByteArray("9000") << QStringLiteral("The exchanged public keys are equal.");
			QTest::newRow("wrong card token") << QStringLiteral("--wrong-token") << QByteArray("9000") << QString();
		}


		void misbehavingCard()
		{
			QFETCH(QString, option);
			QFETCH(QByteArray, status);
			QFETCH(QString, log);

			PacePeerProcess peer;
			QVERIFY(peer.start({option}));
			LogCapture capture;
			const PaceRun run = runPace(peer, 128, 13, 2, "500540");
			QCOMPARE(run.mStatus, status);
			QVERIFY(!run.mCardTokenValid);
			if (!log.isEmpty())
			{
				QVERIFY(capture.contains(log));
			}
		}


};

KENDRAWELL_TEST_MAIN(test_EcdhGenericMapping)
#include "test_EcdhGenericMapping.moc"
