#include "pace/ec/EcKeyPair.h"

#include "LogCapture.h"
#include "OpenSslCli.h"
#include "pace/ec/EcUtil.h"
#include "TestEnvironment.h"

#include <openssl/obj_mac.h>
#include <openssl/x509.h>

#include <QTemporaryDir>
#include <QtTest>

using namespace tessarovin;

class test_EcKeyPair
	: public QObject
{
	Q_OBJECT

	private:
		QTemporaryDir mDir;

		QString path(const QString& pName) const
		{
			return mDir.filePath(pName);
		}


		static QByteArray readFile(const QString& pPath)
		{
			QFile file(pPath);
			return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
		}


		static bool writeFile(const QString& pPath, const QByteArray& pData)
		{
			QFile file(pPath);
			return file.open(QIODevice::WriteOnly) && file.write(pData) == pData.size();
		}


		// A key made by openssl: its SEC1 DER and its public key as SubjectPublicKeyInfo.
		QByteArray generateWithOpenSsl(const QString& pCurve, const QString& pName)
		{
			runOpenSsl({"ecparam", "-name", pCurve, "-genkey", "-noout", "-outform", "DER", "-out", path(pName + ".der")});
			runOpenSsl({"ec", "-inform", "DER", "-in", path(pName + ".der"), "-pubout", "-outform", "DER", "-out", path(pName + ".pub")});
			return readFile(path(pName + ".der"));
		}


		static QByteArray pointOfPublicKeyInfo(const QByteArray& pSpki)
		{
			const auto* data = reinterpret_cast<const unsigned char*>(pSpki.constData());
			const auto key = EcUtil::create(d2i_PUBKEY(nullptr, &data, static_cast<long>(pSpki.size())));
			return EcUtil::getEncodedPublicKey(key);
		}

	private Q_SLOTS:
		void initTestCase()
		{
			QVERIFY(mDir.isValid());
		}


		void emptyPair()
		{
			LogCapture capture;
			const EcKeyPair pair(QByteArray{});
			QVERIFY(!pair.hasKey());
			QVERIFY(pair.getPublicKey().isEmpty());
			QVERIFY(capture.entries().isEmpty());

			QVERIFY(pair.computeSharedSecret(QByteArray(65, '\x04')).isEmpty());
			QVERIFY(capture.contains(QStringLiteral("Missing private key")));
		}


		void brokenPrivateKey()
		{
			LogCapture capture;
			const EcKeyPair pair(QByteArray::fromHex("30780201010420"));
			QVERIFY(!pair.hasKey());
			QVERIFY(capture.contains(QStringLiteral("Interpreting private key failed:")));
		}


		void ecdhAgainstOpenSsl_data()
		{
			QTest::addColumn<QString>("curve");
			QTest::addColumn<int>("size");

			QTest::newRow("brainpoolP256r1") << QStringLiteral("brainpoolP256r1") << 32;
			QTest::newRow("P-256") << QStringLiteral("prime256v1") << 32;
		}


		void ecdhAgainstOpenSsl()
		{
			QFETCH(QString, curve);
			QFETCH(int, size);

			const QByteArray own = generateWithOpenSsl(curve, curve + QStringLiteral("-own"));
			generateWithOpenSsl(curve, curve + QStringLiteral("-peer"));
			const QByteArray peerPoint = pointOfPublicKeyInfo(readFile(path(curve + QStringLiteral("-peer.pub"))));
			QCOMPARE(peerPoint.size(), 2 * size + 1);

			const EcKeyPair pair(own);
			QVERIFY(pair.hasKey());
			QCOMPARE(pair.getPublicKey(), pointOfPublicKeyInfo(readFile(path(curve + QStringLiteral("-own.pub")))));
			QCOMPARE(pair.getPublicKey(true), pair.getPublicKey().mid(1, size));

			const QByteArray secret = pair.computeSharedSecret(peerPoint);
			QCOMPARE(secret.size(), size);

			const QByteArray expected = runOpenSsl({"pkeyutl", "-derive",
					"-inkey", path(curve + QStringLiteral("-own.der")), "-keyform", "DER",
					"-peerkey", path(curve + QStringLiteral("-peer.pub")), "-peerform", "DER"});
			QCOMPARE(secret, expected);

			// The other way round: a key generated here, its public key handed to openssl.
			const auto generated = EcUtil::generateKey(OBJ_sn2nid(curve.toLatin1().constData()));
			QVERIFY(!generated.isNull());
			unsigned char* spki = nullptr;
			const int spkiLength = i2d_PUBKEY(generated.data(), &spki);
			QVERIFY(spkiLength > 0);
			QVERIFY(writeFile(path(curve + QStringLiteral("-generated.pub")), QByteArray(reinterpret_cast<const char*>(spki), spkiLength)));
			OPENSSL_free(spki);

			const QByteArray peerSide = runOpenSsl({"pkeyutl", "-derive",
					"-inkey", path(curve + QStringLiteral("-peer.der")), "-keyform", "DER",
					"-peerkey", path(curve + QStringLiteral("-generated.pub")), "-peerform", "DER"});
			QCOMPARE(EcUtil::compressPoint(EcKeyPair::multiply(peerPoint, generated)), peerSide);
		}


		void bothSidesAgree()
		{
			const EcKeyPair alice(generateWithOpenSsl(QStringLiteral("brainpoolP256r1"), QStringLiteral("alice")));
			const EcKeyPair bob(generateWithOpenSsl(QStringLiteral("brainpoolP256r1"), QStringLiteral("bob")));
			QVERIFY(alice.hasKey() && bob.hasKey());

			const QByteArray secret = alice.computeSharedSecret(bob.getPublicKey());
			QCOMPARE(secret.size(), 32);
			QCOMPARE(secret, bob.computeSharedSecret(alice.getPublicKey()));
		}


		void multiplyRejects_data()
		{
			QTest::addColumn<QByteArray>("point");

			QTest::newRow("empty") << QByteArray();
			QTest::newRow("off curve") << QByteArray::fromHex("04") + QByteArray(64, '\x01');
			QTest::newRow("other curve length") << QByteArray::fromHex("04") + QByteArray(96, '\x01');
		}


		void multiplyRejects()
		{
			QFETCH(QByteArray, point);

			const EcKeyPair pair(generateWithOpenSsl(QStringLiteral("brainpoolP256r1"), QStringLiteral("reject")));
			LogCapture capture;
			QVERIFY(pair.computeSharedSecret(point).isEmpty());
			QVERIFY(capture.contains(QStringLiteral("Interpreting the EC point failed")));
		}


};

KENDRAWELL_TEST_MAIN(test_EcKeyPair)
#include "test_EcKeyPair.moc"
