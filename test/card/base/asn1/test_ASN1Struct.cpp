#include "asn1/ASN1Struct.h"
#include "asn1/ASN1Util.h"

#include "asn1/Oid.h"
#include "LogCapture.h"
#include "OpenSslAsn1Parse.h"
#include "TestEnvironment.h"

#include <QtTest>

using namespace tessarovin;

namespace
{

// Shape of a tree as text: class/tag{children} or class/tag=hex.
QString describe(const ASN1Struct& pNode)
{
	QString text = QStringLiteral("%1/%2").arg(pNode.getClass(), 2, 16, QLatin1Char('0')).arg(pNode.getTag());
	if (!pNode.getContent().isNull())
	{
		return text + QLatin1Char('=') + QString::fromLatin1(pNode.getContent().toHex());
	}

	QStringList children;
	for (const auto& child : pNode.getChildren())
	{
		children << describe(child);
	}
	return text + QLatin1Char('{') + children.join(QLatin1Char(',')) + QLatin1Char('}');
}


// SEQUENCEs inside each other around one INTEGER, written from the outside in; every header
// takes six bytes (long form with four length octets), so no level needs to be re-encoded.
QByteArray nested(int pDepth)
{
	const QByteArray inner = QByteArray::fromHex("020105");
	QByteArray der;
	der.reserve(6 * pDepth + inner.size());
	for (int level = 0; level < pDepth; ++level)
	{
		const auto length = static_cast<quint32>(6 * (pDepth - level - 1) + inner.size());
		der += QByteArray::fromHex("3084");
		der += static_cast<char>(length >> 24);
		der += static_cast<char>(length >> 16);
		der += static_cast<char>(length >> 8);
		der += static_cast<char>(length);
	}
	return der + inner;
}


} // namespace


class test_ASN1Struct
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void parseAndEncode_data()
		{
			QTest::addColumn<QByteArray>("der");
			QTest::addColumn<QString>("tree");

			QTest::newRow("sequence") << QByteArray::fromHex("3003020105") << QStringLiteral("00/16{00/2=05}");
			QTest::newRow("two top-level elements") << QByteArray::fromHex("020105020106") << QStringLiteral("00/-1{00/2=05,00/2=06}");
			QTest::newRow("primitive") << QByteArray::fromHex("800107") << QStringLiteral("80/0=07");
			QTest::newRow("empty primitive stays primitive") << QByteArray::fromHex("0400") << QStringLiteral("00/4=");
			QTest::newRow("empty constructed") << QByteArray::fromHex("3000") << QStringLiteral("00/16{}");
			QTest::newRow("nested") << QByteArray::fromHex("7C0A80010181010230028100") << QStringLiteral("40/28{80/0=01,80/1=02,00/16{80/1=}}");
			QTest::newRow("two-byte application tag") << QByteArray::fromHex("7F4C0306012A") << QStringLiteral("40/76{00/6=2a}");
			QTest::newRow("long length") << QByteArray::fromHex("048181") + QByteArray(129, 'x') << QStringLiteral("00/4=") + QString::fromLatin1(QByteArray(129, 'x').toHex());
		}


		void parseAndEncode()
		{
			QFETCH(QByteArray, der);
			QFETCH(QString, tree);

			LogCapture capture;
			const ASN1Struct node(der);
			QCOMPARE(describe(node), tree);
			QCOMPARE(node.encode(), der);
			QVERIFY(!capture.contains(QStringLiteral("ASN1Struct")));
		}


		void malformed_data()
		{
			QTest::addColumn<QByteArray>("der");
			QTest::addColumn<QString>("tree");
			QTest::addColumn<QString>("message");

			QTest::newRow("length past the end") << QByteArray::fromHex("30050201") << QStringLiteral("00/-1{}") << QStringLiteral("Could not parse ASN1Struct:");
			QTest::newRow("truncated header") << QByteArray::fromHex("30") << QStringLiteral("00/-1{}") << QStringLiteral("Could not parse ASN1Struct:");
			QTest::newRow("truncated long length") << QByteArray::fromHex("3082") << QStringLiteral("00/-1{}") << QStringLiteral("Could not parse ASN1Struct:");
			QTest::newRow("over-long length") << QByteArray::fromHex("0484FFFFFFFF00") << QStringLiteral("00/-1{}") << QStringLiteral("Could not parse ASN1Struct:");
			QTest::newRow("bad second sibling keeps the first") << QByteArray::fromHex("02010502050102") << QStringLiteral("00/-1{00/2=05}") << QStringLiteral("Could not parse ASN1Struct:");
			QTest::newRow("bad content keeps the sibling before") << QByteArray::fromHex("3006020105020301") << QStringLiteral("00/16{00/2=05}") << QStringLiteral("Could not parse ASN1Struct:");
			QTest::newRow("indefinite length") << QByteArray::fromHex("30800201050000") << QStringLiteral("00/-1{}") << QStringLiteral("Could not parse ASN1Struct:");
			QTest::newRow("bad nested element keeps the siblings after it") << QByteArray::fromHex("30083003020501020107") << QStringLiteral("00/16{00/16{},00/2=07}") << QStringLiteral("Could not parse ASN1Struct:");
			QTest::newRow("bad nested element in a bare list") << QByteArray::fromHex("3003020501020107") << QStringLiteral("00/-1{00/16{},00/2=07}") << QStringLiteral("Could not parse ASN1Struct:");
		}


		void malformed()
		{
			QFETCH(QByteArray, der);
			QFETCH(QString, tree);
			QFETCH(QString, message);

			LogCapture capture;
			const ASN1Struct node(der);
			QCOMPARE(describe(node), tree);
			QCOMPARE(capture.count(message), 1);
			QVERIFY(capture.entries().constFirst().mType == QtCriticalMsg);
		}


		void deepNesting_data()
		{
			QTest::addColumn<int>("depth");
			QTest::addColumn<bool>("complete");

			QTest::newRow("certificate-like") << 12 << true;
			QTest::newRow("at the limit") << 64 << true;
			QTest::newRow("beyond the limit") << 65 << false;
			QTest::newRow("hostile") << 100000 << false;
		}


		void deepNesting()
		{
			QFETCH(int, depth);
			QFETCH(bool, complete);

			const QByteArray der = nested(depth);
			LogCapture capture;
			const ASN1Struct node(der);
			QCOMPARE(capture.contains(QStringLiteral("Could not parse ASN1Struct:")), !complete);
			// Encoding writes short length forms, so compare the trees instead of the bytes.
			QCOMPARE(ASN1Struct(node.encode()).encode(), node.encode());
			QCOMPARE(node.getData(V_ASN1_UNIVERSAL, V_ASN1_INTEGER), complete ? QByteArray::fromHex("05") : QByteArray());

			// What was read before the limit stays: the outer levels are there.
			QCOMPARE(node.getTag(), V_ASN1_SEQUENCE);
			QVERIFY(!node.getChildren().isEmpty());
		}


		void appendValues_data()
		{
			QTest::addColumn<int>("value");
			QTest::addColumn<QByteArray>("encoded");

			QTest::newRow("0") << 0 << QByteArray::fromHex("810100");
			QTest::newRow("127") << 127 << QByteArray::fromHex("81017F");
			QTest::newRow("128") << 128 << QByteArray::fromHex("81020080");
			QTest::newRow("-1") << -1 << QByteArray::fromHex("8101FF");
			QTest::newRow("-129") << -129 << QByteArray::fromHex("8102FF7F");
			QTest::newRow("max") << std::numeric_limits<int>::max() << QByteArray::fromHex("81047FFFFFFF");
		}


		void appendValues()
		{
			QFETCH(int, value);
			QFETCH(QByteArray, encoded);

			ASN1Struct node(V_ASN1_UNIVERSAL, V_ASN1_SEQUENCE, QByteArray());
			node.append(0x01, value);
			QCOMPARE(node.encode(), Asn1Util::encode(V_ASN1_UNIVERSAL, V_ASN1_SEQUENCE, encoded, true));
		}


		void buildCommandData()
		{
			ASN1Struct data(V_ASN1_APPLICATION, 0x1C, QByteArray());
			data.append(0x00, Oid(KnownOid::ID_PACE_ECDH_GM_AES_CBC_CMAC_128));
			data.append(0x03, '\x03');
			data.append(0x04, QByteArray::fromHex("0102"));
			data.append(0x05, QByteArray());
			data.append(QByteArray::fromHex("7F4C0306012A"));
			data.append(0x1F, QByteArray(200, 'a'));

			const QByteArray der = data.encode();
			QCOMPARE(der.left(2), QByteArray::fromHex("7C81"));
			QCOMPARE(der.size(), 3 + static_cast<uchar>(der.at(2)));
			QCOMPARE(der.mid(3, 2), QByteArray::fromHex("800A"));
			QCOMPARE(ASN1Struct(der).encode(), der);
			QCOMPARE(ASN1Struct(der).getData(V_ASN1_CONTEXT_SPECIFIC, 0x05), QByteArray(""));
			QCOMPARE(ASN1Struct(der).getObject(V_ASN1_APPLICATION, 0x4C), QByteArray::fromHex("7F4C0306012A"));

			const QString listing = openSslAsn1Parse(der);
			if (listing.isEmpty() && !listing.isNull())
			{
				QSKIP("openssl is not installed");
			}
			QVERIFY2(!listing.isNull(), der.toHex().constData());
			QVERIFY(listing.contains(QStringLiteral("cont [ 31 ]")));
			QVERIFY(listing.contains(QStringLiteral("appl [ 76 ]")));
		}


		void search()
		{
			// [1] constructed first, then [1] primitive inside it, then another one after it.
			const ASN1Struct tree(QByteArray::fromHex("3010A1058101AA05008101009B0102810101"));
			QCOMPARE(tree.getData(V_ASN1_CONTEXT_SPECIFIC, 1), QByteArray::fromHex("AA"));
			QCOMPARE(tree.getObject(V_ASN1_CONTEXT_SPECIFIC, 1), QByteArray::fromHex("A1058101AA0500"));
			QCOMPARE(tree.getData(V_ASN1_UNIVERSAL, V_ASN1_NULL), QByteArray(""));
			QCOMPARE(tree.getData(V_ASN1_CONTEXT_SPECIFIC, 27), QByteArray::fromHex("02"));
			QVERIFY(tree.getData(V_ASN1_CONTEXT_SPECIFIC, 2).isNull());
			QVERIFY(tree.getObject(V_ASN1_PRIVATE, 1).isNull());
			QVERIFY(tree.getData(V_ASN1_UNIVERSAL, V_ASN1_SEQUENCE).isNull());
			QCOMPARE(tree.getObject(V_ASN1_UNIVERSAL, V_ASN1_SEQUENCE), tree.encode());
		}


};

KENDRAWELL_TEST_MAIN(test_ASN1Struct)
#include "test_ASN1Struct.moc"
