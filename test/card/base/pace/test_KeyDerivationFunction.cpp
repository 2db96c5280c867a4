#include "pace/KeyDerivationFunction.h"

#include "LogCapture.h"
#include "OpenSslCli.h"
#include "TestEnvironment.h"

#include <QtTest>

using namespace tessarovin;

class test_KeyDerivationFunction
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void deriveAgainstOpenSsl_data()
		{
			QTest::addColumn<KnownOid>("oid");
			QTest::addColumn<QString>("digest");
			QTest::addColumn<int>("keySize");
			QTest::addColumn<QByteArray>("secret");
			QTest::addColumn<QByteArray>("nonce");
			QTest::addColumn<quint32>("counter");

			const QByteArray secret = QByteArray::fromHex("28768d20701247dae81804c9e780ede582a9996db4a315020b2733197db84925");
			const QByteArray nonce = QByteArray::fromHex("3f00c4d39d153f2b2a214a078d899b22");

			QTest::newRow("aes-128 enc") << KnownOid::ID_PACE_ECDH_GM_AES_CBC_CMAC_128 << QStringLiteral("sha1") << 16 << secret << QByteArray() << 1u;
			QTest::newRow("aes-128 mac") << KnownOid::ID_PACE_ECDH_GM_AES_CBC_CMAC_128 << QStringLiteral("sha1") << 16 << secret << QByteArray() << 2u;
			QTest::newRow("aes-128 pi") << KnownOid::ID_PACE_ECDH_GM_AES_CBC_CMAC_128 << QStringLiteral("sha1") << 16 << QByteArray("123456") << QByteArray() << 3u;
			QTest::newRow("aes-128 nonce") << KnownOid::ID_PACE_ECDH_GM_AES_CBC_CMAC_128 << QStringLiteral("sha1") << 16 << secret << nonce << 1u;
			QTest::newRow("aes-192 enc") << KnownOid::ID_PACE_ECDH_GM_AES_CBC_CMAC_192 << QStringLiteral("sha256") << 24 << secret << QByteArray() << 1u;
			QTest::newRow("aes-256 mac") << KnownOid::ID_PACE_ECDH_GM_AES_CBC_CMAC_256 << QStringLiteral("sha256") << 32 << secret << QByteArray() << 2u;
			QTest::newRow("aes-256 pi") << KnownOid::ID_PACE_ECDH_GM_AES_CBC_CMAC_256 << QStringLiteral("sha256") << 32 << QByteArray("12345") << QByteArray() << 3u;
			QTest::newRow("chip authentication") << KnownOid::ID_CA_ECDH_AES_CBC_CMAC_128 << QStringLiteral("sha1") << 16 << secret << nonce << 2u;
			QTest::newRow("high counter") << KnownOid::ID_PACE_ECDH_GM_AES_CBC_CMAC_128 << QStringLiteral("sha1") << 16 << secret << nonce << 0x01020304u;
		}


		void deriveAgainstOpenSsl()
		{
			QFETCH(KnownOid, oid);
			QFETCH(QString, digest);
			QFETCH(int, keySize);
			QFETCH(QByteArray, secret);
			QFETCH(QByteArray, nonce);
			QFETCH(quint32, counter);

			const KeyDerivationFunction kdf((SecurityProtocol(Oid(oid))));
			QVERIFY(kdf.isInitialized());

			QByteArray counterBytes(4, '\0');
			qToBigEndian(counter, counterBytes.data());
			const QByteArray expected = runOpenSsl({QStringLiteral("dgst"), QStringLiteral("-") + digest, QStringLiteral("-binary")}, secret + nonce + counterBytes).left(keySize);
			QCOMPARE(expected.size(), keySize);

			const QByteArray key = kdf.deriveKey(secret, nonce, counter);
			QCOMPARE(key, expected);
			switch (counter)
			{
				case 1:
					QCOMPARE(kdf.enc(secret, nonce), expected);
					break;

				case 2:
					QCOMPARE(kdf.mac(secret, nonce), expected);
					break;

				case 3:
					QVERIFY(nonce.isEmpty());
					QCOMPARE(kdf.pi(secret), expected);
					break;

				default:
					break;
			}
		}


		void refused_data()
		{
			QTest::addColumn<KnownOid>("oid");

			QTest::newRow("3des") << KnownOid::ID_PACE_ECDH_GM_3DES_CBC_CBC;
			QTest::newRow("no cipher") << KnownOid::ID_PACE;
		}


		void refused()
		{
			QFETCH(KnownOid, oid);

			LogCapture capture;
			const KeyDerivationFunction kdf((SecurityProtocol(Oid(oid))));
			QVERIFY(!kdf.isInitialized());
			QVERIFY(capture.contains(QStringLiteral("Unknown algorithm:")));

			capture.clear();
			QVERIFY(kdf.enc(QByteArray("secret")).isEmpty());
			QVERIFY(kdf.pi(QByteArray("123456")).isEmpty());
			QCOMPARE(capture.count(QStringLiteral("KeyDerivationFunction not successfully initialized")), 2);
		}


};

KENDRAWELL_TEST_MAIN(test_KeyDerivationFunction)
#include "test_KeyDerivationFunction.moc"
