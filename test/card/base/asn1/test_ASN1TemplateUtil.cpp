#include "asn1/ASN1TemplateUtil.h"

#include "asn1/ASN1Util.h"
#include "LogCapture.h"
#include "OpenSslAsn1Parse.h"
#include "TestEnvironment.h"

#include <QtTest>

#include <openssl/objects.h>

using namespace tessarovin;

namespace tessarovin
{

/*
 * The tagging forms the card's data structures use, in one record:
 *
 * ExampleRecord ::= [APPLICATION 76] IMPLICIT SEQUENCE {     -- 7F4C, a two-byte tag
 *    type      OBJECT IDENTIFIER,
 *    data      [1] IMPLICIT OCTET STRING,
 *    version   [2] EXPLICIT INTEGER OPTIONAL,               -- must not be negative
 *    name      [APPLICATION 19] IMPLICIT UTF8String,
 *    numbers   [3] IMPLICIT SET OF INTEGER
 * }
 */
struct examplerecord_st
{
	ASN1_OBJECT* mType;
	ASN1_OCTET_STRING* mData;
	ASN1_INTEGER* mVersion;
	ASN1_UTF8STRING* mName;
	STACK_OF(ASN1_INTEGER)* mNumbers;
};

// The tagged wrapper has the same C type as its body; only the wrapper gets the functions.
using examplerecordtagged_st = examplerecord_st;

DECLARE_ASN1_OBJECT(examplerecordtagged_st)


namespace
{

// The decode callback sees the finished record and may still refuse it.
int exampleRecordCallback(int pOperation, ASN1_VALUE** pValue, const ASN1_ITEM* pItem, void* pExarg)
{
	Q_UNUSED(pItem)
	Q_UNUSED(pExarg)
	if (pOperation == ASN1_OP_D2I_POST)
	{
		const auto* record = reinterpret_cast<examplerecord_st*>(*pValue);
		if (record->mVersion && Asn1IntegerUtil::getValue(record->mVersion) < 0)
		{
			return 0;
		}
	}
	return 1;
}


} // namespace


ASN1_SEQUENCE_cb(examplerecord_st, exampleRecordCallback) = {
	ASN1_SIMPLE(examplerecord_st, mType, ASN1_OBJECT),
	ASN1_IMP(examplerecord_st, mData, ASN1_OCTET_STRING, 1),
	ASN1_EXP_OPT(examplerecord_st, mVersion, ASN1_INTEGER, 2),
	// Not ASN1_IMP_EX(..., ASN1_TFLG_APPLICATION): its context bit and the application bit add up to PRIVATE.
	ASN1_EX_TYPE(ASN1_TFLG_IMPTAG | ASN1_TFLG_APPLICATION, 19, examplerecord_st, mName, ASN1_UTF8STRING),
	ASN1_IMP_SET_OF(examplerecord_st, mNumbers, ASN1_INTEGER, 3)
} ASN1_SEQUENCE_END_cb(examplerecord_st, examplerecord_st)


ASN1_ITEM_TEMPLATE(examplerecordtagged_st) =
	ASN1_EX_TEMPLATE_TYPE(ASN1_TFLG_IMPTAG | ASN1_TFLG_APPLICATION, 0x4C, examplerecordtagged_st, examplerecord_st)
ASN1_ITEM_TEMPLATE_END(examplerecordtagged_st)

IMPLEMENT_ASN1_OBJECT(examplerecordtagged_st)

} // namespace tessarovin


namespace
{

QByteArray exampleContent(const QByteArray& pVersion)
{
	QByteArray content = QByteArray::fromHex("06032A0304") + QByteArray::fromHex("8102CAFE");
	if (!pVersion.isNull())
	{
		content += Asn1Util::encode(V_ASN1_CONTEXT_SPECIFIC, 2, Asn1Util::encode(V_ASN1_UNIVERSAL, V_ASN1_INTEGER, pVersion), true);
	}
	content += QByteArray::fromHex("5302") + QByteArrayLiteral("ab");
	content += QByteArray::fromHex("A306020101020102");
	return Asn1Util::encode(V_ASN1_APPLICATION, 76, content, true);
}


} // namespace


class test_ASN1TemplateUtil
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void decodeTaggedRecord()
		{
			const QByteArray der = exampleContent(QByteArray::fromHex("05"));
			QCOMPARE(der.left(2), QByteArray::fromHex("7F4C"));

			LogCapture capture;
			const auto record = decodeObject<examplerecordtagged_st>(der);
			QVERIFY2(record, qPrintable(capture.messages().join(QLatin1Char('\n')) + QLatin1Char(' ') + QString::fromLatin1(der.toHex())));
			QCOMPARE(Asn1OctetStringUtil::getValue(record->mData), QByteArray::fromHex("CAFE"));
			QCOMPARE(Asn1IntegerUtil::getValue(record->mVersion), 5);
			QCOMPARE(Asn1StringUtil::getValue(record->mName), QStringLiteral("ab"));
			QCOMPARE(OPENSSL_sk_num(reinterpret_cast<OPENSSL_STACK*>(record->mNumbers)), 2);
			QCOMPARE(encodeObject(record.data()), der);
			QVERIFY(capture.entries().isEmpty());

			const auto withoutVersion = decodeObject<examplerecordtagged_st>(exampleContent(QByteArray()));
			QVERIFY(withoutVersion);
			QCOMPARE(Asn1IntegerUtil::getValue(withoutVersion->mVersion), -1);
		}


		void decodeFailures_data()
		{
			QTest::addColumn<QByteArray>("der");

			const QByteArray der = exampleContent(QByteArray::fromHex("05"));
			QTest::newRow("empty") << QByteArray();
			QTest::newRow("refused by the callback") << exampleContent(QByteArray::fromHex("FF"));
			QTest::newRow("untagged sequence") << QByteArray::fromHex("30") + der.mid(3);
			QTest::newRow("truncated") << der.chopped(1);
			QTest::newRow("header only") << der.left(3);
			QTest::newRow("over-long length") << QByteArray::fromHex("7F4C84FFFFFFFF") + der.mid(3);
			QTest::newRow("indefinite nesting") << QByteArray(100000, '\x30');
		}


		void decodeFailures()
		{
			QFETCH(QByteArray, der);

			LogCapture capture;
			QVERIFY(!decodeObject<examplerecordtagged_st>(der, false));
			QVERIFY(capture.entries().isEmpty());

			QVERIFY(!decodeObject<examplerecordtagged_st>(der));
			QCOMPARE(capture.count(QStringLiteral("Cannot decode ASN.1 object:")), 1);
			QCOMPARE(capture.entries().size(), 1);
			QCOMPARE(capture.entries().constFirst().mCategory, QStringLiteral("card"));
			QCOMPARE(capture.entries().constFirst().mType, QtWarningMsg);
		}


		void trailingBytesIgnored()
		{
			const QByteArray der = exampleContent(QByteArray::fromHex("05"));
			const auto record = decodeObject<examplerecordtagged_st>(der + QByteArray::fromHex("9000"));
			QVERIFY(record);
			QCOMPARE(encodeObject(record.data()), der);
		}


		void encodeBuiltRecord()
		{
			const QSharedPointer<examplerecordtagged_st> record(examplerecordtagged_st_new(), &examplerecordtagged_st_free);
			record->mType = OBJ_txt2obj("0.4.0.127.0.7.2.2.4.2.2", 1);
			QVERIFY(Asn1OctetStringUtil::setValue(QByteArray(300, '\x42'), record->mData));
			QVERIFY(ASN1_STRING_set(record->mName, "name", 4));
			for (const long value : {300, 2})
			{
				ASN1_INTEGER* integer = ASN1_INTEGER_new();
				ASN1_INTEGER_set(integer, value);
				OPENSSL_sk_push(reinterpret_cast<OPENSSL_STACK*>(record->mNumbers), integer);
			}

			const QByteArray der = encodeObject(record.data());
			QCOMPARE(der.left(3), QByteArray::fromHex("7F4C82"));
			QCOMPARE(der.size(), 5 + (static_cast<uchar>(der.at(3)) << 8) + static_cast<uchar>(der.at(4)));

			// OpenSSL writes the SET OF sorted: 2 before 300.
			QVERIFY(der.endsWith(QByteArray::fromHex("A3070201020202012C")));

			const QString listing = openSslAsn1Parse(der);
			if (listing.isEmpty() && !listing.isNull())
			{
				QSKIP("openssl is not installed");
			}
			QVERIFY2(!listing.isNull(), der.toHex().constData());
			for (const char* part : {"appl [ 76 ]", "cont [ 1 ]", "appl [ 19 ]", "cont [ 3 ]", ":0.4.0.127.0.7.2.2.4.2.2"})
			{
				QVERIFY2(listing.contains(QLatin1String(part)), part);
			}
		}


		void encodeFailures()
		{
			LogCapture capture;
			QVERIFY(encodeObject<examplerecordtagged_st>(nullptr).isNull());
			QVERIFY(capture.entries().isEmpty());

			// A required field left empty cannot be encoded.
			const QSharedPointer<examplerecordtagged_st> record(examplerecordtagged_st_new(), &examplerecordtagged_st_free);
			ASN1_OBJECT_free(record->mType);
			record->mType = nullptr;
			ASN1_OCTET_STRING_free(record->mData);
			record->mData = nullptr;
			QVERIFY(encodeObject(record.data()).isNull());
			QCOMPARE(capture.count(QStringLiteral("Cannot encode ASN.1 object:")), 1);
		}


		// Nothing clears the queue before a call, so a failure must leave it empty, also when it
		// does not log: the next failure would report errors that are not its own.
		void failedDecodeDrainsErrors_data()
		{
			QTest::addColumn<bool>("logWarning");

			QTest::newRow("logged") << true;
			QTest::newRow("quiet") << false;
		}


		void failedDecodeDrainsErrors()
		{
			QFETCH(bool, logWarning);

			LogCapture capture;
			QVERIFY(decodeObject<examplerecordtagged_st>(QByteArray::fromHex("7F4C0506"), logWarning).isNull());
			QCOMPARE(ERR_peek_error(), 0UL);
			QCOMPARE(capture.count(QStringLiteral("Cannot decode ASN.1 object:")), logWarning ? 1 : 0);
		}


		void openSslErrors()
		{
			QVERIFY(getOpenSslErrors().isEmpty());

			ERR_raise(ERR_LIB_ASN1, ASN1_R_TOO_LONG);
			ERR_raise(ERR_LIB_ASN1, ASN1_R_HEADER_TOO_LONG);
			const QByteArray errors = getOpenSslErrors();
			QCOMPARE(errors.count(" | "), 1);
			QVERIFY(errors.indexOf("too long") < errors.indexOf("header too long"));
			QVERIFY(getOpenSslErrors().isEmpty());
		}


};

KENDRAWELL_TEST_MAIN(test_ASN1TemplateUtil)
#include "test_ASN1TemplateUtil.moc"
