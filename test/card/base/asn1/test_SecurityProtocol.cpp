#include "asn1/SecurityProtocol.h"

#include "LogCapture.h"
#include "TestEnvironment.h"

#include <QtTest>

#include <optional>

using namespace tessarovin;

using Hash = QCryptographicHash::Algorithm;

namespace
{

QByteArray octets(KnownOid pOid)
{
	return Oid(pOid).getData();
}


// Content octets below bsi-de-protocols-smartcard (0.4.0.127.0.7.2.2).
QByteArray protocolOctets(const char* pArcsHex)
{
	return QByteArray::fromHex("04007F00070202") + QByteArray::fromHex(pArcsHex);
}


} // namespace


class test_SecurityProtocol
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void construction_data()
		{
			QTest::addColumn<QByteArray>("oid");
			QTest::addColumn<ProtocolType>("protocol");
			QTest::addColumn<KeyAgreementType>("keyAgreement");
			QTest::addColumn<MappingType>("mapping");
			QTest::addColumn<CipherType>("cipher");
			QTest::addColumn<SignatureType>("signature");
			QTest::addColumn<QString>("log");

			const auto P = ProtocolType::PACE;
			const auto noKa = KeyAgreementType::UNDEFINED;
			const auto noMap = MappingType::UNDEFINED;
			const auto noCipher = CipherType::UNDEFINED;
			const auto noSig = SignatureType::UNDEFINED;

			QTest::newRow("PACE ECDH GM AES-256") << octets(KnownOid::ID_PACE_ECDH_GM_AES_CBC_CMAC_256) << P << KeyAgreementType::ECDH << MappingType::GM << CipherType::AES_256_CBC << noSig << QString();
			QTest::newRow("PACE ECDH GM AES-128") << octets(KnownOid::ID_PACE_ECDH_GM_AES_CBC_CMAC_128) << P << KeyAgreementType::ECDH << MappingType::GM << CipherType::AES_128_CBC << noSig << QString();
			QTest::newRow("PACE DH GM 3DES") << octets(KnownOid::ID_PACE_DH_GM_3DES_CBC_CBC) << P << KeyAgreementType::DH << MappingType::GM << CipherType::DES3_CBC << noSig << QString();
			QTest::newRow("PACE DH IM AES-192") << octets(KnownOid::ID_PACE_DH_IM_AES_CBC_CMAC_192) << P << KeyAgreementType::DH << MappingType::IM << CipherType::AES_192_CBC << noSig << QString();
			QTest::newRow("PACE ECDH IM 3DES") << octets(KnownOid::ID_PACE_ECDH_IM_3DES_CBC_CBC) << P << KeyAgreementType::ECDH << MappingType::IM << CipherType::DES3_CBC << noSig << QString();
			QTest::newRow("PACE ECDH CAM AES-128") << octets(KnownOid::ID_PACE_ECDH_CAM_AES_CBC_CMAC_128) << P << KeyAgreementType::ECDH << MappingType::CAM << CipherType::AES_128_CBC << noSig << QString();
			QTest::newRow("CA DH AES-128") << octets(KnownOid::ID_CA_DH_AES_CBC_CMAC_128) << ProtocolType::CA << KeyAgreementType::DH << noMap << CipherType::AES_128_CBC << noSig << QString();
			QTest::newRow("CA ECDH AES-256") << octets(KnownOid::ID_CA_ECDH_AES_CBC_CMAC_256) << ProtocolType::CA << KeyAgreementType::ECDH << noMap << CipherType::AES_256_CBC << noSig << QString();
			QTest::newRow("TA ECDSA SHA-384") << octets(KnownOid::ID_TA_ECDSA_SHA_384) << ProtocolType::TA << noKa << noMap << noCipher << SignatureType::ECDSA << QString();
			QTest::newRow("TA RSA PSS SHA-1") << octets(KnownOid::ID_TA_RSA_PSS_SHA_1) << ProtocolType::TA << noKa << noMap << noCipher << SignatureType::RSA << QString();
			QTest::newRow("RI ECDH SHA-256") << octets(KnownOid::ID_RI_ECDH_SHA_256) << ProtocolType::RI << noKa << noMap << noCipher << noSig << QString();

			QTest::newRow("bare id-PACE") << octets(KnownOid::ID_PACE) << P << noKa << noMap << noCipher << noSig << QString();
			QTest::newRow("bare id-CA-ECDH") << octets(KnownOid::ID_CA_ECDH) << ProtocolType::CA << noKa << noMap << noCipher << noSig << QString();

			QTest::newRow("id-PK") << octets(KnownOid::ID_PK_ECDH) << ProtocolType::UNDEFINED << noKa << noMap << noCipher << noSig << QStringLiteral("Unsupported OID: 0.4.0.127.0.7.2.2.1.2 (id-PK-ECDH)");
			QTest::newRow("password type") << octets(KnownOid::ID_PASSWORDTYPE_PIN) << ProtocolType::UNDEFINED << noKa << noMap << noCipher << noSig << QStringLiteral("Unsupported OID: 0.4.0.127.0.7.2.2.12.3 (id-PasswordType-PIN)");
			QTest::newRow("other arc") << octets(KnownOid::ID_AUXILIARY_DATA) << ProtocolType::UNDEFINED << noKa << noMap << noCipher << noSig << QStringLiteral("Unknown OID: 0.4.0.127.0.7.3.1.4 (id-AuxiliaryData)");
			QTest::newRow("protocols arc only") << octets(KnownOid::BSI_DE_PROTOCOLS_SMARTCARD) << ProtocolType::UNDEFINED << noKa << noMap << noCipher << noSig << QStringLiteral("Unknown OID: 0.4.0.127.0.7.2.2 (bsi-de-protocols-smartcard)");
			QTest::newRow("foreign") << QByteArray::fromHex("2A0304") << ProtocolType::UNDEFINED << noKa << noMap << noCipher << noSig << QStringLiteral("Unknown OID: 1.2.3.4");
			QTest::newRow("empty") << QByteArray() << ProtocolType::UNDEFINED << noKa << noMap << noCipher << noSig << QStringLiteral("Unknown OID: undefined");

			QTest::newRow("PACE mapping arc 5") << protocolOctets("040502") << P << noKa << noMap << noCipher << noSig << QStringLiteral("Unknown OID: 0.4.0.127.0.7.2.2.4.5.2");
			QTest::newRow("PACE cipher arc 9") << protocolOctets("040209") << P << KeyAgreementType::ECDH << MappingType::GM << noCipher << noSig << QStringLiteral("Unknown OID: 0.4.0.127.0.7.2.2.4.2.9");
			QTest::newRow("PACE cipher arc 130") << protocolOctets("04028102") << P << KeyAgreementType::ECDH << MappingType::GM << noCipher << noSig << QStringLiteral("Unknown OID: 0.4.0.127.0.7.2.2.4.2.130");
			QTest::newRow("CA key agreement arc 6") << protocolOctets("030602") << ProtocolType::CA << KeyAgreementType::ECDH << noMap << CipherType::AES_128_CBC << noSig << QString();
			QTest::newRow("CA key agreement arc 5") << protocolOctets("030502") << ProtocolType::CA << noKa << noMap << noCipher << noSig << QStringLiteral("Unknown OID: 0.4.0.127.0.7.2.2.3.5.2");
			QTest::newRow("TA signature arc 3") << protocolOctets("020301") << ProtocolType::TA << noKa << noMap << noCipher << noSig << QStringLiteral("Unsupported OID: 0.4.0.127.0.7.2.2.2.3.1");
			QTest::newRow("TA ECDSA hash arc 6") << protocolOctets("020206") << ProtocolType::TA << noKa << noMap << noCipher << SignatureType::ECDSA << QStringLiteral("Unknown OID: 0.4.0.127.0.7.2.2.2.2.6");
			QTest::newRow("RI hash arc 7") << protocolOctets("050207") << ProtocolType::RI << noKa << noMap << noCipher << noSig << QStringLiteral("Unknown OID: 0.4.0.127.0.7.2.2.5.2.7");
		}


		void construction()
		{
			QFETCH(QByteArray, oid);
			QFETCH(ProtocolType, protocol);
			QFETCH(KeyAgreementType, keyAgreement);
			QFETCH(MappingType, mapping);
			QFETCH(CipherType, cipher);
			QFETCH(SignatureType, signature);
			QFETCH(QString, log);

			const Oid identifier(oid);
			LogCapture capture;
			const SecurityProtocol securityProtocol(identifier);

			QCOMPARE(securityProtocol.getOid(), identifier);
			QCOMPARE(securityProtocol.getProtocolType(), protocol);
			QCOMPARE(securityProtocol.getKeyAgreementType(), keyAgreement);
			QCOMPARE(securityProtocol.getMappingType(), mapping);
			QCOMPARE(securityProtocol.getCipherType(), cipher);
			QCOMPARE(securityProtocol.getSignatureType(), signature);

			if (log.isNull())
			{
				QVERIFY(capture.entries().isEmpty());
			}
			else
			{
				QCOMPARE(capture.messages(), QStringList{log});
				QCOMPARE(capture.entries().constFirst().mType, QtCriticalMsg);
				QCOMPARE(capture.entries().constFirst().mCategory, QStringLiteral("card"));
			}
		}


		void cipher_data()
		{
			QTest::addColumn<KnownOid>("oid");
			QTest::addColumn<QByteArray>("cipherString");
			QTest::addColumn<int>("keySize");
			QTest::addColumn<Hash>("hash");
			QTest::addColumn<QString>("log");

			QTest::newRow("AES-128") << KnownOid::ID_PACE_ECDH_GM_AES_CBC_CMAC_128 << QByteArray("aes-128-cbc") << 16 << Hash::Sha1 << QString();
			QTest::newRow("AES-192") << KnownOid::ID_CA_DH_AES_CBC_CMAC_192 << QByteArray("aes-192-cbc") << 24 << Hash::Sha256 << QString();
			QTest::newRow("AES-256") << KnownOid::ID_PACE_ECDH_GM_AES_CBC_CMAC_256 << QByteArray("aes-256-cbc") << 32 << Hash::Sha256 << QString();
			QTest::newRow("3DES") << KnownOid::ID_PACE_ECDH_IM_3DES_CBC_CBC << QByteArray() << 0 << Hash::Sha256 << QStringLiteral("3DES not supported");
			QTest::newRow("TA RSA v1.5 SHA-1") << KnownOid::ID_TA_RSA_V1_5_SHA_1 << QByteArray() << 0 << Hash::Sha1 << QString();
			QTest::newRow("TA RSA v1.5 SHA-256") << KnownOid::ID_TA_RSA_V1_5_SHA_256 << QByteArray() << 0 << Hash::Sha256 << QString();
			QTest::newRow("TA RSA PSS SHA-1") << KnownOid::ID_TA_RSA_PSS_SHA_1 << QByteArray() << 0 << Hash::Sha1 << QString();
			QTest::newRow("TA RSA PSS SHA-256") << KnownOid::ID_TA_RSA_PSS_SHA_256 << QByteArray() << 0 << Hash::Sha256 << QString();
			QTest::newRow("TA RSA v1.5 SHA-512") << KnownOid::ID_TA_RSA_V1_5_SHA_512 << QByteArray() << 0 << Hash::Sha512 << QString();
			QTest::newRow("TA RSA PSS SHA-512") << KnownOid::ID_TA_RSA_PSS_SHA_512 << QByteArray() << 0 << Hash::Sha512 << QString();
			QTest::newRow("TA ECDSA SHA-1") << KnownOid::ID_TA_ECDSA_SHA_1 << QByteArray() << 0 << Hash::Sha1 << QString();
			QTest::newRow("TA ECDSA SHA-224") << KnownOid::ID_TA_ECDSA_SHA_224 << QByteArray() << 0 << Hash::Sha224 << QString();
			QTest::newRow("TA ECDSA SHA-256") << KnownOid::ID_TA_ECDSA_SHA_256 << QByteArray() << 0 << Hash::Sha256 << QString();
			QTest::newRow("TA ECDSA SHA-384") << KnownOid::ID_TA_ECDSA_SHA_384 << QByteArray() << 0 << Hash::Sha384 << QString();
			QTest::newRow("TA ECDSA SHA-512") << KnownOid::ID_TA_ECDSA_SHA_512 << QByteArray() << 0 << Hash::Sha512 << QString();
			QTest::newRow("RI DH SHA-1") << KnownOid::ID_RI_DH_SHA_1 << QByteArray() << 0 << Hash::Sha1 << QString();
			QTest::newRow("RI ECDH SHA-512") << KnownOid::ID_RI_ECDH_SHA_512 << QByteArray() << 0 << Hash::Sha512 << QString();
			QTest::newRow("no hash") << KnownOid::ID_PACE << QByteArray() << 0 << Hash::Sha256 << QStringLiteral("Unknown hash algorithm: 0.4.0.127.0.7.2.2.4 (id-PACE)");
		}


		void cipher()
		{
			QFETCH(KnownOid, oid);
			QFETCH(QByteArray, cipherString);
			QFETCH(int, keySize);
			QFETCH(Hash, hash);
			QFETCH(QString, log);

			const SecurityProtocol securityProtocol(oid);
			LogCapture capture;

			QCOMPARE(QByteArray(securityProtocol.getCipherString()), cipherString);
			QCOMPARE(securityProtocol.getKeySize(), keySize);
			const EVP_CIPHER* evpCipher = securityProtocol.getCipher();
			QCOMPARE(evpCipher != nullptr, keySize > 0);
			if (evpCipher)
			{
				QCOMPARE(EVP_CIPHER_get_key_length(evpCipher), keySize);
				QCOMPARE(EVP_get_cipherbyname(cipherString.constData()), evpCipher);
			}

			// The three cipher accessors log once each for 3DES; the hash accessor logs once.
			QCOMPARE(securityProtocol.getHashAlgorithm(), hash);
			if (log.isNull())
			{
				QVERIFY(capture.entries().isEmpty());
			}
			else if (log == QLatin1String("3DES not supported"))
			{
				QCOMPARE(capture.count(log), 4);
			}
			else
			{
				QCOMPARE(capture.messages(), QStringList{log});
			}
		}


		void enumNames()
		{
			QCOMPARE(Enum<CipherType>::getName(CipherType::AES_256_CBC), QLatin1String("AES_256_CBC"));
			QCOMPARE(Enum<MappingType>::allValues().size(), 4);
			QCOMPARE(QMetaType::fromName("tessarovin::EnumSignatureType::SignatureType"), QMetaType::fromType<SignatureType>());

			QString text;
			QDebug(&text) << KeyAgreementType::ECDH << MappingType::CAM;
			QCOMPARE(text.trimmed(), QStringLiteral("ECDH CAM"));
		}


};

KENDRAWELL_TEST_MAIN(test_SecurityProtocol)
#include "test_SecurityProtocol.moc"
