#include "asn1/ASN1Util.h"

#include "asn1/ASN1Struct.h"
#include "LogCapture.h"
#include "OpenSslAsn1Parse.h"
#include "TestEnvironment.h"

#include <QtTest>

#include <limits>

#include <openssl/bn.h>
#include <openssl/err.h>

using namespace tessarovin;

namespace
{

QSharedPointer<ASN1_STRING> octetString(const QByteArray& pValue)
{
	QSharedPointer<ASN1_STRING> string(ASN1_OCTET_STRING_new(), &ASN1_STRING_free);
	Asn1OctetStringUtil::setValue(pValue, string.data());
	return string;
}


} // namespace


class test_ASN1Util
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void bcdDate_data()
		{
			QTest::addColumn<QByteArray>("digits");
			QTest::addColumn<QDate>("date");
			QTest::addColumn<QString>("message");

			QTest::newRow("end of 2012") << QByteArray::fromHex("010201020301") << QDate(2012, 12, 31) << QString();
			QTest::newRow("first day") << QByteArray::fromHex("000000010001") << QDate(2000, 1, 1) << QString();
			QTest::newRow("last year") << QByteArray::fromHex("090900090208") << QDate(2099, 9, 28) << QString();
			QTest::newRow("leap day") << QByteArray::fromHex("020400020209") << QDate(2024, 2, 29) << QString();
			QTest::newRow("no leap day") << QByteArray::fromHex("020300020209") << QDate() << QString();
			QTest::newRow("month 13") << QByteArray::fromHex("020401030001") << QDate() << QString();
			QTest::newRow("ASCII digits") << QByteArrayLiteral("241231") << QDate() << QString();
			QTest::newRow("octets above 9") << QByteArray::fromHex("303f01020101") << QDate() << QString();
			QTest::newRow("one octet above 9") << QByteArray::fromHex("02040100010A") << QDate() << QString();
			QTest::newRow("five octets") << QByteArray::fromHex("0102010203") << QDate() << QStringLiteral("Invalid date length.");
			QTest::newRow("seven octets") << QByteArray::fromHex("01020102030100") << QDate() << QStringLiteral("Invalid date length.");
		}


		void bcdDate()
		{
			QFETCH(QByteArray, digits);
			QFETCH(QDate, date);
			QFETCH(QString, message);

			const auto string = octetString(digits);
			LogCapture capture;
			const QDate result = Asn1BCDDateUtil::convertFromUnpackedBCDToQDate(string.data());
			QCOMPARE(result, date);
			QCOMPARE(result.isValid(), date.isValid());
			QCOMPARE(capture.messages(), message.isNull() ? QStringList() : QStringList{message});
		}


		void bcdDateNull()
		{
			LogCapture capture;
			QVERIFY(Asn1BCDDateUtil::convertFromUnpackedBCDToQDate(nullptr).isNull());
			QCOMPARE(capture.messages(), QStringList{QStringLiteral("Date pointer null.")});
			QCOMPARE(capture.entries().constFirst().mType, QtCriticalMsg);
		}


		void integer_data()
		{
			QTest::addColumn<QByteArray>("decimal");
			QTest::addColumn<int>("value");
			QTest::addColumn<bool>("error");

			QTest::newRow("0") << QByteArray("0") << 0 << false;
			QTest::newRow("13") << QByteArray("13") << 13 << false;
			QTest::newRow("-5") << QByteArray("-5") << -5 << false;
			QTest::newRow("int max") << QByteArray("2147483647") << 2147483647 << false;
			QTest::newRow("truncated to 32 bits") << QByteArray("4294967298") << 2 << false;
			QTest::newRow("beyond 64 bits") << QByteArray("18446744073709551616") << -1 << true;
		}


		void integer()
		{
			QFETCH(QByteArray, decimal);
			QFETCH(int, value);
			QFETCH(bool, error);

			BIGNUM* number = nullptr;
			QVERIFY(BN_dec2bn(&number, decimal.constData()) > 0);
			const QSharedPointer<ASN1_INTEGER> integer(BN_to_ASN1_INTEGER(number, nullptr), &ASN1_INTEGER_free);
			BN_free(number);

			LogCapture capture;
			QCOMPARE(Asn1IntegerUtil::getValue(integer.data()), value);
			QCOMPARE(capture.contains(QStringLiteral("Conversion error on ASN1_INTEGER")), error);
			ERR_clear_error();

			QCOMPARE(Asn1IntegerUtil::getValue(nullptr), -1);
		}


		void integerContent_data()
		{
			QTest::addColumn<int>("value");
			QTest::addColumn<QByteArray>("content");

			QTest::newRow("0") << 0 << QByteArray::fromHex("00");
			QTest::newRow("127") << 127 << QByteArray::fromHex("7F");
			QTest::newRow("128 needs a sign octet") << 128 << QByteArray::fromHex("0080");
			QTest::newRow("255") << 255 << QByteArray::fromHex("00FF");
			QTest::newRow("256") << 256 << QByteArray::fromHex("0100");
			QTest::newRow("-1") << -1 << QByteArray::fromHex("FF");
			QTest::newRow("-128") << -128 << QByteArray::fromHex("80");
			QTest::newRow("-129") << -129 << QByteArray::fromHex("FF7F");
			QTest::newRow("int max") << std::numeric_limits<int>::max() << QByteArray::fromHex("7FFFFFFF");
			QTest::newRow("int min") << std::numeric_limits<int>::min() << QByteArray::fromHex("80000000");
		}


		void integerContent()
		{
			QFETCH(int, value);
			QFETCH(QByteArray, content);

			QCOMPARE(Asn1IntegerUtil::encodeContent(value).toHex(), content.toHex());

			// OpenSSL encodes the same value to the same octets.
			const QSharedPointer<ASN1_INTEGER> integer(ASN1_INTEGER_new(), &ASN1_INTEGER_free);
			QVERIFY(ASN1_INTEGER_set_int64(integer.data(), value) == 1);
			unsigned char* encoded = nullptr;
			const int length = i2d_ASN1_INTEGER(integer.data(), &encoded);
			const QByteArray der(reinterpret_cast<const char*>(encoded), length);
			OPENSSL_free(encoded);
			QCOMPARE(der.toHex(), Asn1Util::encode(V_ASN1_UNIVERSAL, V_ASN1_INTEGER, content).toHex());
		}


		void octetStrings()
		{
			QCOMPARE(Asn1OctetStringUtil::getValue(nullptr), QByteArray());
			QCOMPARE(Asn1OctetStringUtil::getValue(octetString(QByteArray::fromHex("00FF00")).data()), QByteArray::fromHex("00FF00"));
			QVERIFY(!Asn1OctetStringUtil::setValue(QByteArray("x"), nullptr));

			const auto string = octetString(QByteArray("old"));
			QVERIFY(Asn1OctetStringUtil::setValue(QByteArray(), string.data()));
			QCOMPARE(ASN1_STRING_length(string.data()), 0);
		}


		void strings()
		{
			QCOMPARE(Asn1StringUtil::getValue(nullptr), QString());

			const QSharedPointer<ASN1_STRING> utf8(ASN1_UTF8STRING_new(), &ASN1_STRING_free);
			const QByteArray text = QStringLiteral("Stra\u00DFe \u20AC").toUtf8();
			ASN1_STRING_set(utf8.data(), text.constData(), static_cast<int>(text.size()));
			QCOMPARE(Asn1StringUtil::getValue(utf8.data()), QStringLiteral("Stra\u00DFe \u20AC"));

			// A BMPString with an odd length cannot be converted.
			const QSharedPointer<ASN1_STRING> bmp(ASN1_STRING_type_new(V_ASN1_BMPSTRING), &ASN1_STRING_free);
			ASN1_STRING_set(bmp.data(), "\x00\x41\x00", 3);
			QVERIFY(Asn1StringUtil::getValue(bmp.data()).isEmpty());
			ERR_clear_error();
		}


		void anyValue()
		{
			QVERIFY(Asn1TypeUtil::encode(nullptr).isEmpty());

			const QSharedPointer<ASN1_TYPE> any(ASN1_TYPE_new(), &ASN1_TYPE_free);
			ASN1_TYPE_set(any.data(), V_ASN1_NULL, nullptr);
			QCOMPARE(Asn1TypeUtil::encode(any.data()), QByteArray::fromHex("0500"));
		}


		void encode_data()
		{
			QTest::addColumn<int>("asn1Class");
			QTest::addColumn<int>("tag");
			QTest::addColumn<int>("length");
			QTest::addColumn<bool>("constructed");
			QTest::addColumn<QByteArray>("header");

			QTest::newRow("empty primitive") << V_ASN1_UNIVERSAL << V_ASN1_OCTET_STRING << 0 << false << QByteArray::fromHex("0400");
			QTest::newRow("short length") << V_ASN1_CONTEXT_SPECIFIC << 1 << 127 << false << QByteArray::fromHex("817F");
			QTest::newRow("one length octet") << V_ASN1_CONTEXT_SPECIFIC << 1 << 128 << false << QByteArray::fromHex("818180");
			QTest::newRow("two length octets") << V_ASN1_CONTEXT_SPECIFIC << 30 << 256 << false << QByteArray::fromHex("9E820100");
			QTest::newRow("three length octets") << V_ASN1_PRIVATE << 2 << 65536 << false << QByteArray::fromHex("C283010000");
			QTest::newRow("tag 31") << V_ASN1_CONTEXT_SPECIFIC << 31 << 1 << false << QByteArray::fromHex("9F1F01");
			QTest::newRow("application 76") << V_ASN1_APPLICATION << 76 << 3 << true << QByteArray::fromHex("7F4C03");
			QTest::newRow("application 73") << V_ASN1_APPLICATION << 73 << 0 << true << QByteArray::fromHex("7F4900");
			QTest::newRow("tag 200") << V_ASN1_APPLICATION << 200 << 1 << false << QByteArray::fromHex("5F814801");
		}


		void encode()
		{
			QFETCH(int, asn1Class);
			QFETCH(int, tag);
			QFETCH(int, length);
			QFETCH(bool, constructed);
			QFETCH(QByteArray, header);

			const QByteArray content = constructed ? QByteArray::fromHex("020101").left(length) : QByteArray(length, '\x5A');
			const QByteArray der = Asn1Util::encode(asn1Class, tag, content, constructed);
			QCOMPARE(der, header + content);

			const ASN1Struct parsed(der);
			QCOMPARE(parsed.getClass(), asn1Class);
			QCOMPARE(parsed.getTag(), tag);

			const QString listing = openSslAsn1Parse(der);
			if (listing.isEmpty() && !listing.isNull())
			{
				QSKIP("openssl is not installed");
			}
			QVERIFY2(!listing.isNull(), der.left(8).toHex().constData());
			QVERIFY(listing.contains(QStringLiteral("l=%1 %2").arg(length, 4).arg(constructed ? QLatin1String("cons") : QLatin1String("prim"))));
		}


};

KENDRAWELL_TEST_MAIN(test_ASN1Util)
#include "test_ASN1Util.moc"
