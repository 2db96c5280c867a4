#include "pace/ec/EcUtil.h"

#include "LogCapture.h"
#include "TestEnvironment.h"

#include <openssl/obj_mac.h>

#include <QtTest>

using namespace tessarovin;

class test_EcUtil
	: public QObject
{
	Q_OBJECT

	private:
		static QByteArray generator(int pNid)
		{
			const auto curve = EcUtil::createCurve(pNid);
			return EcUtil::point2oct(curve, EC_GROUP_get0_generator(curve.data()));
		}

	private Q_SLOTS:
		void createCurve()
		{
			LogCapture capture;
			const auto curve = EcUtil::createCurve(NID_brainpoolP256r1);
			QVERIFY(!curve.isNull());
			QVERIFY(capture.contains(QStringLiteral("Create elliptic curve: brainpoolP256r1")));

			capture.clear();
			QVERIFY(EcUtil::createCurve(0).isNull());
			QVERIFY(capture.contains(QStringLiteral("Error on EC_GROUP_new_by_curve_name, curve is unknown: 0")));
		}


		void compressPoint_data()
		{
			QTest::addColumn<QByteArray>("input");
			QTest::addColumn<QByteArray>("output");
			QTest::addColumn<bool>("logged");

			const QByteArray x(32, '\x11');
			const QByteArray y(32, '\x22');
			QTest::newRow("uncompressed 65") << QByteArray("\x04" + x + y) << x << false;
			QTest::newRow("even length") << QByteArray(x + y) << QByteArray(x + y) << true;
			QTest::newRow("prefix 02") << QByteArray("\x02" + x + y) << QByteArray("\x02" + x + y) << true;
			QTest::newRow("lone 04") << QByteArray("\x04") << QByteArray() << false;
			QTest::newRow("empty") << QByteArray() << QByteArray() << true;
		}


		void compressPoint()
		{
			QFETCH(QByteArray, input);
			QFETCH(QByteArray, output);
			QFETCH(bool, logged);

			LogCapture capture;
			QCOMPARE(EcUtil::compressPoint(input), output);
			QCOMPARE(capture.contains(QStringLiteral("Unable to apply compression on point:")), logged);
		}


		void oct2point_data()
		{
			QTest::addColumn<int>("nid");
			QTest::addColumn<QByteArray>("encoded");
			QTest::addColumn<QString>("error");

			const QByteArray g = generator(NID_brainpoolP256r1);
			QByteArray offCurve = g;
			offCurve[64] = static_cast<char>(offCurve.at(64) ^ 0x01);
			QByteArray wrongPrefix = g;
			wrongPrefix[0] = 0x05;

			QTest::newRow("generator") << NID_brainpoolP256r1 << g << QString();
			QTest::newRow("P-256 generator") << NID_X9_62_prime256v1 << generator(NID_X9_62_prime256v1) << QString();
			// OpenSSL 3 already refuses a point off the curve while decoding it; the separate curve check stays as a guard.
			QTest::newRow("off curve") << NID_brainpoolP256r1 << offCurve << QStringLiteral("Cannot decode elliptic curve point");
			QTest::newRow("point of other curve") << NID_brainpoolP256r1 << generator(NID_X9_62_prime256v1) << QStringLiteral("Cannot decode elliptic curve point");
			QTest::newRow("wrong prefix") << NID_brainpoolP256r1 << wrongPrefix << QStringLiteral("Cannot decode elliptic curve point");
			QTest::newRow("truncated") << NID_brainpoolP256r1 << g.left(40) << QStringLiteral("Cannot decode elliptic curve point");
			QTest::newRow("empty") << NID_brainpoolP256r1 << QByteArray() << QStringLiteral("Cannot decode elliptic curve point");
			QTest::newRow("point at infinity") << NID_brainpoolP256r1 << QByteArray(1, '\0') << QStringLiteral("Decoded point is at infinity");
			QTest::newRow("P-256 point at infinity") << NID_X9_62_prime256v1 << QByteArray(1, '\0') << QStringLiteral("Decoded point is at infinity");
			QTest::newRow("no curve") << 0 << g << QStringLiteral("Cannot use undefined curve");
		}


		void oct2point()
		{
			QFETCH(int, nid);
			QFETCH(QByteArray, encoded);
			QFETCH(QString, error);

			const QSharedPointer<const EC_GROUP> curve = nid == 0 ? QSharedPointer<const EC_GROUP>() : EcUtil::createCurve(nid);
			LogCapture capture;
			const auto point = EcUtil::oct2point(curve, encoded);
			if (error.isEmpty())
			{
				QVERIFY(!point.isNull());
				QCOMPARE(EcUtil::point2oct(curve, point.data()), encoded);
			}
			else
			{
				QVERIFY(point.isNull());
				QVERIFY(capture.contains(error));
			}
		}


		void point2octInvalid()
		{
			LogCapture capture;
			QVERIFY(EcUtil::point2oct(EcUtil::createCurve(NID_brainpoolP256r1), nullptr).isEmpty());
			QVERIFY(EcUtil::point2oct(QSharedPointer<const EC_GROUP>(), nullptr).isEmpty());
			QCOMPARE(capture.count(QStringLiteral("Invalid input data, cannot encode elliptic curve point")), 2);
		}


		void generatedKey()
		{
			const auto key = EcUtil::generateKey(NID_brainpoolP256r1);
			QVERIFY(!key.isNull());

			const QByteArray publicKey = EcUtil::getEncodedPublicKey(key);
			QCOMPARE(publicKey.size(), 65);
			QCOMPARE(publicKey.at(0), '\x04');
			QCOMPARE(EcUtil::getEncodedPublicKey(key, true), publicKey.mid(1, 32));
			QVERIFY(!EcUtil::oct2point(EcUtil::createCurve(NID_brainpoolP256r1), publicKey).isNull());

			const auto privateKey = EcUtil::getPrivateKey(key);
			QVERIFY(!privateKey.isNull());
			QVERIFY(!BN_is_zero(privateKey.data()));

			QVERIFY(EcUtil::generateKey(0).isNull());
		}


		void undefinedKey()
		{
			LogCapture capture;
			QVERIFY(EcUtil::getEncodedPublicKey(QSharedPointer<EVP_PKEY>()).isEmpty());
			QVERIFY(capture.contains(QStringLiteral("Cannot use undefined key")));
			QVERIFY(EcUtil::getPrivateKey(QSharedPointer<const EVP_PKEY>()).isNull());
		}


		void parameterBuilder()
		{
			LogCapture capture;
			const auto params = EcUtil::create([](OSSL_PARAM_BLD* pBuilder){
					return OSSL_PARAM_BLD_push_utf8_string(pBuilder, "group", "brainpoolP256r1", 0) == 1;
				});
			QVERIFY(!params.isNull());
			QVERIFY(OSSL_PARAM_locate(params.data(), "group") != nullptr);
			QVERIFY(capture.entries().isEmpty());

			const auto failed = EcUtil::create([](OSSL_PARAM_BLD*){
					return false;
				});
			QVERIFY(failed.isNull());
			QVERIFY(capture.contains(QStringLiteral("Cannot initialize parameter builder")));
		}


};

KENDRAWELL_TEST_MAIN(test_EcUtil)
#include "test_EcUtil.moc"
