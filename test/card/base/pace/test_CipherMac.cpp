#include "pace/CipherMac.h"

#include "LogCapture.h"
#include "OpenSslCli.h"
#include "TestEnvironment.h"

#include <QTemporaryFile>
#include <QtTest>

using namespace tessarovin;

class test_CipherMac
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		// RFC 4493 section 4 (the AES-128 examples of NIST SP 800-38B); the card uses the first 8 bytes.
		void rfc4493_data()
		{
			QTest::addColumn<QByteArray>("message");
			QTest::addColumn<QByteArray>("tag");

			const QByteArray message = QByteArray::fromHex(
					"6bc1bee22e409f96e93d7e117393172a"
					"ae2d8a571e03ac9c9eb76fac45af8e51"
					"30c81c46a35ce411e5fbc1191a0a52ef"
					"f69f2445df4f9b17ad2b417be66c3710");

			QTest::newRow("length 0") << QByteArray() << QByteArray::fromHex("bb1d6929e95937287fa37d129b756746");
			QTest::newRow("length 16") << message.left(16) << QByteArray::fromHex("070a16b46b4d4144f79bdd9dd04a287c");
			QTest::newRow("length 40") << message.left(40) << QByteArray::fromHex("dfa66747de9ae63030ca32611497c827");
			QTest::newRow("length 64") << message << QByteArray::fromHex("51f0bebf7e3b9d92fc49741779363cfe");
		}


		void rfc4493()
		{
			QFETCH(QByteArray, message);
			QFETCH(QByteArray, tag);

			const CipherMac mac(SecurityProtocol(Oid(KnownOid::ID_PACE_ECDH_GM_AES_CBC_CMAC_128)), QByteArray::fromHex("2b7e151628aed2a6abf7158809cf4f3c"));
			QVERIFY(mac.isInitialized());
			QCOMPARE(mac.generate(message), tag.left(8));
			// The prepared context is not consumed.
			QCOMPARE(mac.generate(message), tag.left(8));
		}


		void againstOpenSsl_data()
		{
			QTest::addColumn<KnownOid>("oid");
			QTest::addColumn<QString>("cipher");
			QTest::addColumn<QByteArray>("key");
			QTest::addColumn<int>("messageSize");

			const QByteArray key = QByteArray::fromHex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");
			QTest::newRow("aes-128") << KnownOid::ID_PACE_ECDH_GM_AES_CBC_CMAC_128 << QStringLiteral("AES-128-CBC") << key.left(16) << 33;
			QTest::newRow("aes-192") << KnownOid::ID_PACE_ECDH_GM_AES_CBC_CMAC_192 << QStringLiteral("AES-192-CBC") << key.left(24) << 64;
			QTest::newRow("aes-192 partial block") << KnownOid::ID_PACE_ECDH_GM_AES_CBC_CMAC_192 << QStringLiteral("AES-192-CBC") << key.left(24) << 17;
			QTest::newRow("aes-256") << KnownOid::ID_PACE_ECDH_GM_AES_CBC_CMAC_256 << QStringLiteral("AES-256-CBC") << key << 48;
			QTest::newRow("aes-256 long") << KnownOid::ID_CA_ECDH_AES_CBC_CMAC_256 << QStringLiteral("AES-256-CBC") << key << 1000;
		}


		void againstOpenSsl()
		{
			QFETCH(KnownOid, oid);
			QFETCH(QString, cipher);
			QFETCH(QByteArray, key);
			QFETCH(int, messageSize);

			QByteArray message(messageSize, '\0');
			for (int i = 0; i < messageSize; ++i)
			{
				message[i] = static_cast<char>(i * 7 + 3);
			}

			QTemporaryFile file;
			QVERIFY(file.open());
			QCOMPARE(file.write(message), message.size());
			file.close();

			const QByteArray expected = QByteArray::fromHex(runOpenSsl({QStringLiteral("mac"), QStringLiteral("-cipher"), cipher,
					QStringLiteral("-macopt"), QStringLiteral("hexkey:") + QString::fromLatin1(key.toHex()),
					QStringLiteral("-in"), file.fileName(), QStringLiteral("CMAC")}).trimmed());
			QCOMPARE(expected.size(), 16);

			const CipherMac mac(SecurityProtocol(Oid(oid)), key);
			QCOMPARE(mac.generate(message), expected.left(8));
		}


		void notInitialized_data()
		{
			QTest::addColumn<KnownOid>("oid");
			QTest::addColumn<int>("keySize");
			QTest::addColumn<QString>("error");

			QTest::newRow("3des") << KnownOid::ID_PACE_ECDH_GM_3DES_CBC_CBC << 16 << QString();
			QTest::newRow("no cipher") << KnownOid::ID_PACE << 16 << QString();
			QTest::newRow("short key for aes-256") << KnownOid::ID_PACE_ECDH_GM_AES_CBC_CMAC_256 << 16 << QStringLiteral("Cannot set parameter");
		}


		void notInitialized()
		{
			QFETCH(KnownOid, oid);
			QFETCH(int, keySize);
			QFETCH(QString, error);

			LogCapture capture;
			const CipherMac mac(SecurityProtocol(Oid(oid)), QByteArray(keySize, '\x01'));
			QVERIFY(!mac.isInitialized());
			if (!error.isEmpty())
			{
				QVERIFY(capture.contains(error));
			}

			capture.clear();
			QVERIFY(mac.generate(QByteArray("data")).isEmpty());
			QVERIFY(capture.contains(QStringLiteral("CipherMac not successfully initialized")));
		}


};

KENDRAWELL_TEST_MAIN(test_CipherMac)
#include "test_CipherMac.moc"
