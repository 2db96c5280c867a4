#include "asn1/EcdsaPublicKey.h"

#include "asn1/ASN1Struct.h"
#include "CvcFixture.h"

#include "LogCapture.h"
#include "TestEnvironment.h"

#include <QtTest>

#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/obj_mac.h>

using namespace tessarovin;

namespace
{

// The key fields of a fixture CVCA certificate, by context tag.
QMap<int, QByteArray> keyFields(const QString& pCurve)
{
	const ASN1Struct key(CvcFixture::bodyOf(CvcFixture::read(pCurve, QStringLiteral("cvca.cvcert"))).mPublicKey);
	QMap<int, QByteArray> fields;
	for (int tag = 1; tag <= 7; ++tag)
	{
		fields.insert(tag, key.getData(V_ASN1_CONTEXT_SPECIFIC, tag));
	}
	return fields;
}


QByteArray keyWith(const QString& pCurve, const QList<int>& pTags)
{
	const auto fields = keyFields(pCurve);
	QList<QPair<int, QByteArray>> selected;
	for (const int tag : pTags)
	{
		selected += qMakePair(tag, fields.value(tag));
	}
	return CvcFixture::publicKey(selected);
}


} // namespace


class test_EcdsaPublicKey
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void decode_data()
		{
			QTest::addColumn<QList<int>>("tags");
			QTest::addColumn<bool>("decodes");
			QTest::addColumn<bool>("complete");
			QTest::addColumn<bool>("partial");

			QTest::newRow("all with cofactor") << QList<int>({1, 2, 3, 4, 5, 6, 7}) << true << true << false;
			QTest::newRow("all without cofactor") << QList<int>({1, 2, 3, 4, 5, 6}) << true << true << false;
			QTest::newRow("point only") << QList<int>({6}) << true << false << false;
			QTest::newRow("point and cofactor") << QList<int>({6, 7}) << true << false << false;
			QTest::newRow("p and a only") << QList<int>({1, 2, 6}) << false << false << true;
			QTest::newRow("generator missing") << QList<int>({1, 2, 3, 5, 6, 7}) << false << false << true;
			QTest::newRow("order only") << QList<int>({5, 6}) << false << false << true;
			QTest::newRow("point missing") << QList<int>({1, 2, 3, 4, 5}) << false << false << false;
		}


		void decode()
		{
			QFETCH(QList<int>, tags);
			QFETCH(bool, decodes);
			QFETCH(bool, complete);
			QFETCH(bool, partial);

			const QByteArray der = keyWith(QStringLiteral("prime256v1"), tags);
			const LogCapture log;
			const auto key = decodeObject<ecdsapublickey_st>(der);
			QCOMPARE(bool(key), decodes);
			if (key)
			{
				QCOMPARE(key->isComplete(), complete);
				QCOMPARE(key->getUncompressedPublicPoint(), keyFields(QStringLiteral("prime256v1")).value(6));
				QCOMPARE(key->getSecurityProtocol().getHashAlgorithm(), QCryptographicHash::Sha256);
				QCOMPARE(encodeObject(key.data()), der);
			}
			QCOMPARE(log.contains(QStringLiteral("Some conditional domain parameters are present and some are absent")), partial);
		}


		void createKey_data()
		{
			QTest::addColumn<QString>("curve");
			QTest::addColumn<int>("nid");
			QTest::addColumn<bool>("cofactor");

			QTest::newRow("brainpoolP256r1") << QStringLiteral("brainpoolP256r1") << NID_brainpoolP256r1 << true;
			QTest::newRow("brainpoolP256r1 without cofactor") << QStringLiteral("brainpoolP256r1") << NID_brainpoolP256r1 << false;
			QTest::newRow("P-256") << QStringLiteral("prime256v1") << NID_X9_62_prime256v1 << true;
			QTest::newRow("P-256 without cofactor") << QStringLiteral("prime256v1") << NID_X9_62_prime256v1 << false;
		}


		void createKey()
		{
			QFETCH(QString, curve);
			QFETCH(int, nid);
			QFETCH(bool, cofactor);

			QList<int> tags({1, 2, 3, 4, 5, 6});
			if (cofactor)
			{
				tags += 7;
			}
			const auto key = decodeObject<ecdsapublickey_st>(keyWith(curve, tags));
			QVERIFY(key);

			// The curve is the named one that OpenSSL knows.
			const auto data = key->createCurveData();
			QVERIFY(data.isValid());
			QCOMPARE(bool(data.mCofactor), cofactor);
			const OpenSslPtr<EC_GROUP, EC_GROUP_free> group(EC_GROUP_new_by_curve_name(nid));
			const OpenSslPtr<BIGNUM, BN_free> p(BN_new());
			const OpenSslPtr<BIGNUM, BN_free> a(BN_new());
			const OpenSslPtr<BIGNUM, BN_free> b(BN_new());
			QVERIFY(EC_GROUP_get_curve(group.get(), p.get(), a.get(), b.get(), nullptr));
			QCOMPARE(BN_cmp(data.mP.data(), p.get()), 0);
			QCOMPARE(BN_cmp(data.mA.data(), a.get()), 0);
			QCOMPARE(BN_cmp(data.mB.data(), b.get()), 0);
			QCOMPARE(BN_cmp(data.mOrder.data(), EC_GROUP_get0_order(group.get())), 0);

			// The key is the public half of the CVCA's private key.
			const auto publicKey = key->createKey(key->getUncompressedPublicPoint());
			QVERIFY(publicKey);
			const auto privateKey = CvcFixture::privateKey(curve, QStringLiteral("cvca.pkcs8"));
			QCOMPARE(EVP_PKEY_eq(publicKey.data(), privateKey.data()), 1);

			BIGNUM* derivedCofactor = nullptr;
			QVERIFY(EVP_PKEY_get_bn_param(publicKey.data(), OSSL_PKEY_PARAM_EC_COFACTOR, &derivedCofactor));
			QVERIFY(BN_is_one(derivedCofactor));
			BN_free(derivedCofactor);
		}


		void createKeyFails_data()
		{
			QTest::addColumn<QList<int>>("tags");
			QTest::addColumn<QByteArray>("point");
			QTest::addColumn<QString>("message");

			const QByteArray point = keyFields(QStringLiteral("prime256v1")).value(6);
			QByteArray offCurve = point;
			offCurve[40] = static_cast<char>(offCurve.at(40) ^ 0x01);

			QTest::newRow("no domain parameters") << QList<int>({6}) << point << QString();
			QTest::newRow("point off the curve") << QList<int>({1, 2, 3, 4, 5, 6}) << offCurve << QStringLiteral("Cannot fetch data for pkey");
			QTest::newRow("empty point") << QList<int>({1, 2, 3, 4, 5, 6}) << QByteArray() << QStringLiteral("Cannot fetch data for pkey");
			QTest::newRow("truncated point") << QList<int>({1, 2, 3, 4, 5, 6}) << point.left(33) << QStringLiteral("Cannot fetch data for pkey");
		}


		void createKeyFails()
		{
			QFETCH(QList<int>, tags);
			QFETCH(QByteArray, point);
			QFETCH(QString, message);

			const auto key = decodeObject<ecdsapublickey_st>(keyWith(QStringLiteral("prime256v1"), tags));
			QVERIFY(key);

			const LogCapture log;
			QVERIFY(!key->createKey(point));
			if (message.isEmpty())
			{
				QVERIFY(log.messages().isEmpty());
			}
			else
			{
				QVERIFY2(log.contains(message), qPrintable(log.messages().join(QLatin1Char('\n'))));
			}
		}


		void curveDataWithoutParameters_data()
		{
			QTest::addColumn<QList<int>>("tags");

			QTest::newRow("point only") << QList<int>({6});
			QTest::newRow("point and cofactor") << QList<int>({6, 7});
		}


		// Keys below the CVCA carry no curve; asking them for one must fail, not crash.
		void curveDataWithoutParameters()
		{
			QFETCH(QList<int>, tags);

			const auto key = decodeObject<ecdsapublickey_st>(keyWith(QStringLiteral("prime256v1"), tags));
			QVERIFY(key);

			const LogCapture log;
			const auto data = key->createCurveData();
			QVERIFY(!data.isValid());
			QVERIFY(!data.mP && !data.mCofactor);
			QVERIFY(log.contains(QStringLiteral("Cannot convert prime modulus")));
		}


		void zeroPrimeIsNoCurve()
		{
			auto fields = keyFields(QStringLiteral("prime256v1"));
			const auto key = decodeObject<ecdsapublickey_st>(CvcFixture::publicKey({{1, QByteArray()}, {2, fields.value(2)},
					{3, fields.value(3)}, {4, fields.value(4)}, {5, fields.value(5)}, {6, fields.value(6)}}));
			QVERIFY(key);
			QVERIFY(key->isComplete());

			const LogCapture log;
			QVERIFY(!key->createKey(key->getUncompressedPublicPoint()));
			QVERIFY(log.contains(QStringLiteral("Cannot fetch data for pkey")));
		}


};

KENDRAWELL_TEST_MAIN(test_EcdsaPublicKey)
#include "test_EcdsaPublicKey.moc"
