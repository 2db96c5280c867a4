#include "pace/SymmetricCipher.h"

#include "LogCapture.h"
#include "OpenSslCli.h"
#include "TestEnvironment.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace tessarovin;

class test_SymmetricCipher
	: public QObject
{
	Q_OBJECT

	private:
		static QByteArray randomBytes(int pSize)
		{
			QByteArray bytes(pSize, '\0');
			for (auto& byte : bytes)
			{
				byte = static_cast<char>(QRandomGenerator::global()->bounded(256));
			}
			return bytes;
		}


		static SecurityProtocol aes128()
		{
			return SecurityProtocol(Oid(KnownOid::ID_PACE_ECDH_GM_AES_CBC_CMAC_128));
		}

	private Q_SLOTS:
		void againstOpenSsl_data()
		{
			QTest::addColumn<KnownOid>("oid");
			QTest::addColumn<QString>("cipher");
			QTest::addColumn<int>("keySize");
			QTest::addColumn<int>("dataSize");
			QTest::addColumn<bool>("zeroIv");

			QTest::newRow("aes-128 one block") << KnownOid::ID_PACE_ECDH_GM_AES_CBC_CMAC_128 << QStringLiteral("aes-128-cbc") << 16 << 16 << false;
			QTest::newRow("aes-128 many blocks") << KnownOid::ID_PACE_ECDH_GM_AES_CBC_CMAC_128 << QStringLiteral("aes-128-cbc") << 16 << 272 << false;
			QTest::newRow("aes-128 zero iv") << KnownOid::ID_PACE_ECDH_GM_AES_CBC_CMAC_128 << QStringLiteral("aes-128-cbc") << 16 << 32 << true;
			QTest::newRow("aes-192") << KnownOid::ID_PACE_ECDH_GM_AES_CBC_CMAC_192 << QStringLiteral("aes-192-cbc") << 24 << 48 << false;
			QTest::newRow("aes-256") << KnownOid::ID_PACE_ECDH_GM_AES_CBC_CMAC_256 << QStringLiteral("aes-256-cbc") << 32 << 64 << false;
			QTest::newRow("aes-256 zero iv") << KnownOid::ID_CA_ECDH_AES_CBC_CMAC_256 << QStringLiteral("aes-256-cbc") << 32 << 16 << true;
		}


		void againstOpenSsl()
		{
			QFETCH(KnownOid, oid);
			QFETCH(QString, cipher);
			QFETCH(int, keySize);
			QFETCH(int, dataSize);
			QFETCH(bool, zeroIv);

			const QByteArray key = randomBytes(keySize);
			const QByteArray iv = zeroIv ? QByteArray(16, '\0') : randomBytes(16);
			const QByteArray plain = randomBytes(dataSize);

			SymmetricCipher symmetricCipher(SecurityProtocol(Oid(oid)), key);
			QVERIFY(symmetricCipher.isInitialized());
			QCOMPARE(symmetricCipher.getBlockSize(), 16);
			if (!zeroIv)
			{
				QVERIFY(symmetricCipher.setIv(iv));
			}

			const QStringList arguments = {QStringLiteral("enc"), QStringLiteral("-") + cipher, QStringLiteral("-nopad"),
										   QStringLiteral("-K"), QString::fromLatin1(key.toHex()), QStringLiteral("-iv"), QString::fromLatin1(iv.toHex())};
			const QByteArray expected = runOpenSsl(arguments, plain);
			QCOMPARE(expected.size(), dataSize);

			const QByteArray encrypted = symmetricCipher.encrypt(plain);
			QCOMPARE(encrypted, expected);
			// Nothing chains over from the previous call.
			QCOMPARE(symmetricCipher.encrypt(plain), expected);

			QCOMPARE(symmetricCipher.decrypt(encrypted), plain);
			QCOMPARE(runOpenSsl(arguments + QStringList{QStringLiteral("-d")}, encrypted), plain);
		}


		void blockSizeMismatch()
		{
			SymmetricCipher cipher(aes128(), QByteArray(16, '\x01'));
			LogCapture capture;

			QVERIFY(cipher.encrypt(QByteArray(15, '\x02')).isEmpty());
			QVERIFY(capture.contains(QStringLiteral("Plain data length is not a multiple of the block size")));
			QVERIFY(cipher.decrypt(QByteArray(17, '\x02')).isEmpty());
			QVERIFY(capture.contains(QStringLiteral("Encrypted data length is not a multiple of the block size")));

			capture.clear();
			QVERIFY(cipher.encrypt(QByteArray()).isEmpty());
			QVERIFY(cipher.decrypt(QByteArray()).isEmpty());
			QVERIFY(capture.entries().isEmpty());
		}


		void badIv()
		{
			SymmetricCipher cipher(aes128(), QByteArray(16, '\x01'));
			const QByteArray zeroIvResult = cipher.encrypt(QByteArray(16, '\x02'));
			QCOMPARE(zeroIvResult.size(), 16);

			LogCapture capture;
			QVERIFY(!cipher.setIv(QByteArray(8, '\x03')));
			QVERIFY(capture.contains(QStringLiteral("IV has bad size")));
			QCOMPARE(cipher.encrypt(QByteArray(16, '\x02')), zeroIvResult);
		}


		void notInitialized_data()
		{
			QTest::addColumn<KnownOid>("oid");
			QTest::addColumn<int>("keySize");
			QTest::addColumn<QString>("error");

			QTest::newRow("short key for aes-256") << KnownOid::ID_PACE_ECDH_GM_AES_CBC_CMAC_256 << 16 << QStringLiteral("Error cipher key has wrong length");
			QTest::newRow("long key for aes-128") << KnownOid::ID_PACE_ECDH_GM_AES_CBC_CMAC_128 << 32 << QStringLiteral("Error cipher key has wrong length");
			QTest::newRow("empty key") << KnownOid::ID_PACE_ECDH_GM_AES_CBC_CMAC_128 << 0 << QStringLiteral("Error cipher key has wrong length");
			QTest::newRow("3des") << KnownOid::ID_PACE_ECDH_GM_3DES_CBC_CBC << 16 << QStringLiteral("Unknown algorithm:");
			QTest::newRow("no cipher") << KnownOid::ID_PACE << 16 << QStringLiteral("Unknown algorithm:");
		}


		void notInitialized()
		{
			QFETCH(KnownOid, oid);
			QFETCH(int, keySize);
			QFETCH(QString, error);

			LogCapture capture;
			SymmetricCipher cipher(SecurityProtocol(Oid(oid)), QByteArray(keySize, '\x01'));
			QVERIFY(!cipher.isInitialized());
			QVERIFY(capture.contains(error));

			capture.clear();
			QVERIFY(cipher.encrypt(QByteArray(16, '\x02')).isEmpty());
			QVERIFY(cipher.decrypt(QByteArray(16, '\x02')).isEmpty());
			QCOMPARE(capture.count(QStringLiteral("SymmetricCipher not successfully initialized")), 2);
		}


};

KENDRAWELL_TEST_MAIN(test_SymmetricCipher)
#include "test_SymmetricCipher.moc"
