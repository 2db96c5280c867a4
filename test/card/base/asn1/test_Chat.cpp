#include "asn1/Chat.h"

#include "asn1/ASN1Util.h"

#include "LogCapture.h"
#include "TestEnvironment.h"

#include <QtTest>

using namespace tessarovin;

namespace
{

// id-AT, 0.4.0.127.0.7.3.1.2.2
const QByteArray ID_AT_HEX("06 09 04 00 7F 00 07 03 01 02 02");


QByteArray chatDer(const QByteArray& pTypeHex, const QByteArray& pTemplateHex)
{
	const QByteArray type = QByteArray::fromHex(pTypeHex);
	const QByteArray templ = QByteArray::fromHex(pTemplateHex);
	const QByteArray body = type + QByteArray(1, '\x53') + QByteArray(1, static_cast<char>(templ.size())) + templ;
	return QByteArray::fromHex("7F4C") + QByteArray(1, static_cast<char>(body.size())) + body;
}


QSet<AccessRight> rightsOf(const QList<int>& pBits)
{
	QSet<AccessRight> rights;
	for (const int bit : pBits)
	{
		rights += static_cast<AccessRight>(bit);
	}
	return rights;
}


} // namespace


class test_Chat
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void decodeTemplate_data()
		{
			QTest::addColumn<QByteArray>("templ");
			QTest::addColumn<AccessRole>("role");
			QTest::addColumn<QSet<AccessRight>>("rights");

			QSet<AccessRight> all;
			for (const auto right : AccessRoleAndRightsUtil::allRights())
			{
				all += right;
			}

			QTest::newRow("age and address verification") << QByteArray("0000000003") << AccessRole::AT << rightsOf({0, 1});
			QTest::newRow("CVCA without rights") << QByteArray("C000000000") << AccessRole::CVCA << QSet<AccessRight>();
			QTest::newRow("all rights") << QByteArray("3FFFFFFFFF") << AccessRole::AT << all;
			QTest::newRow("DV official") << QByteArray("8000000100") << AccessRole::DV_od << rightsOf({8});
			QTest::newRow("DV non-official, write DG17, read DG05") << QByteArray("6000001000") << AccessRole::DV_no_f << rightsOf({37, 12});
			QTest::newRow("typical service") << QByteArray("000513FF07") << AccessRole::AT << rightsOf({0, 1, 2, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 20, 24, 26});
		}


		void decodeTemplate()
		{
			QFETCH(QByteArray, templ);
			QFETCH(AccessRole, role);
			QFETCH(QSet<AccessRight>, rights);

			const QByteArray der = chatDer(ID_AT_HEX, templ);
			const auto chat = chat_st::decode(der);
			QVERIFY(chat);
			QCOMPARE(chat->getType(), Oid(KnownOid::ID_AT));
			QCOMPARE(chat->getTemplate(), QByteArray::fromHex(templ));
			QCOMPARE(chat->getAccessRole(), role);
			QCOMPARE(chat->getAccessRights(), rights);
			QCOMPARE(encodeObject(chat.data()), der);

			const auto fromHex = chat_st::fromHex(QString::fromLatin1(der.toHex(' ')));
			QVERIFY(fromHex);
			QCOMPARE(fromHex->getTemplate(), QByteArray::fromHex(templ));
		}


		void decodeRefused_data()
		{
			QTest::addColumn<QByteArray>("der");
			QTest::addColumn<QString>("log");

			QTest::newRow("template of one octet") << QByteArray::fromHex("7F4C0E0609 04007F0007030102 02 530100") << QStringLiteral("CHAT Template has wrong size 1");
			QTest::newRow("template of six octets") << chatDer(ID_AT_HEX, "000000000003") << QStringLiteral("CHAT Template has wrong size 6");
			QTest::newRow("empty template") << chatDer(ID_AT_HEX, "") << QStringLiteral("CHAT Template has wrong size 0");
			QTest::newRow("inspection system") << chatDer("06 09 04 00 7F 00 07 03 01 02 01", "0000000003") << QStringLiteral("CHAT type is unsupported");
			QTest::newRow("signature terminal") << chatDer("06 09 04 00 7F 00 07 03 01 02 03", "0000000003") << QStringLiteral("CHAT type is unsupported");
			QTest::newRow("missing template") << QByteArray::fromHex("7F4C0B0609 04007F0007030102 02") << QString();
			QTest::newRow("wrong outer tag") << QByteArray::fromHex("7F4D0E0609 04007F0007030102 02 530100") << QString();
			QTest::newRow("truncated") << chatDer(ID_AT_HEX, "0000000003").chopped(1) << QString();
			QTest::newRow("empty") << QByteArray() << QString();
		}


		void decodeRefused()
		{
			QFETCH(QByteArray, der);
			QFETCH(QString, log);

			LogCapture capture;
			QVERIFY(!chat_st::decode(der));
			QVERIFY(capture.contains(QStringLiteral("Cannot decode ASN.1 object:")));
			if (!log.isEmpty())
			{
				QVERIFY2(capture.contains(log), qPrintable(capture.messages().join('\n')));
			}
		}


		void setTemplateBit_data()
		{
			QTest::addColumn<QByteArray>("initial");
			QTest::addColumn<uint>("bit");
			QTest::addColumn<bool>("set");
			QTest::addColumn<QByteArray>("expected");

			QTest::newRow("bit 39 on empty template") << QByteArray() << 39u << true << QByteArray("8000000000");
			QTest::newRow("bit 0 on empty template") << QByteArray() << 0u << true << QByteArray("0000000001");
			QTest::newRow("bit 8") << QByteArray("0000000000") << 8u << true << QByteArray("0000000100");
			QTest::newRow("bit 38") << QByteArray("0000000000") << 38u << true << QByteArray("4000000000");
			QTest::newRow("set is idempotent") << QByteArray("0000000001") << 0u << true << QByteArray("0000000001");
			QTest::newRow("clear bit 1") << QByteArray("0000000003") << 1u << false << QByteArray("0000000001");
			QTest::newRow("clear bit 37") << QByteArray("3FFFFFFFFF") << 37u << false << QByteArray("1FFFFFFFFF");
			QTest::newRow("clear an unset bit") << QByteArray("0000000002") << 0u << false << QByteArray("0000000002");
		}


		void setTemplateBit()
		{
			QFETCH(QByteArray, initial);
			QFETCH(uint, bit);
			QFETCH(bool, set);
			QFETCH(QByteArray, expected);

			const QSharedPointer<chat_st> chat(chat_st_new(), &chat_st_free);
			QVERIFY(Asn1OctetStringUtil::setValue(QByteArray::fromHex(initial), chat->mTemplate));
			chat->setTemplateBit(bit, set);
			QCOMPARE(chat->getTemplate().toHex().toUpper(), expected);
		}


		void setTemplateBitAbove39()
		{
			const auto chat = chat_st::decode(chatDer(ID_AT_HEX, "0000000003"));
			QVERIFY(chat);

			LogCapture capture;
			chat->setTemplateBit(40, true);
			chat->setTemplateBit(64, true);
			QCOMPARE(capture.count(QStringLiteral("Setting template bit > 39 not supported")), 2);
			QCOMPARE(chat->getTemplate(), QByteArray::fromHex("0000000003"));
		}


		void effectiveChat()
		{
			// Required CHAT of the service, rights cut down to what the user allows.
			const auto required = chat_st::decode(chatDer(ID_AT_HEX, "C3000513FF"));
			QVERIFY(required);

			const auto effective = required->copy();
			QVERIFY(effective);
			effective->removeAllAccessRights();
			QCOMPARE(effective->getTemplate(), QByteArray::fromHex("C000000000"));
			QCOMPARE(effective->getAccessRole(), AccessRole::CVCA);

			effective->setAccessRights({AccessRight::READ_DG05, AccessRight::AGE_VERIFICATION});
			effective->setAccessRights({AccessRight::WRITE_DG17});
			QCOMPARE(effective->getTemplate(), QByteArray::fromHex("E000001001"));
			effective->removeAccessRight(AccessRight::WRITE_DG17);
			QCOMPARE(effective->getAccessRights(), rightsOf({0, 12}));
			QCOMPARE(encodeObject(effective.data()), chatDer(ID_AT_HEX, "C000001001"));

			// The copy is deep: the required CHAT keeps its rights.
			QCOMPARE(required->getTemplate(), QByteArray::fromHex("C3000513FF"));
		}


		void removeAllAccessRightsKeepsRole()
		{
			const auto chat = chat_st::decode(chatDer(ID_AT_HEX, "C300000001"));
			QVERIFY(chat);
			chat->removeAllAccessRights();
			QCOMPARE(chat->getTemplate(), QByteArray::fromHex("C000000000"));
		}


		void emptyObject()
		{
			const QSharedPointer<chat_st> chat(chat_st_new(), &chat_st_free);
			QCOMPARE(chat->getAccessRole(), AccessRole::UNKNOWN);
			QVERIFY(chat->getAccessRights().isEmpty());
		}


};

KENDRAWELL_TEST_MAIN(test_Chat)
#include "test_Chat.moc"
