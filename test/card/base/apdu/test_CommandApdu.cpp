#include "apdu/CommandApdu.h"

#include "LogCapture.h"
#include "LogCategories.h"
#include "TestEnvironment.h"

using namespace tessarovin;

class test_CommandApdu
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void serialise_data()
		{
			QTest::addColumn<QByteArray>("header");
			QTest::addColumn<QByteArray>("data");
			QTest::addColumn<int>("le");
			QTest::addColumn<bool>("extended");
			QTest::addColumn<QByteArray>("expected");

			const auto header = QByteArray::fromHex("00B00000");
			const QByteArray data3 = QByteArray::fromHex("AABBCC");
			const QByteArray data255(255, '\x11');
			const QByteArray data256(256, '\x22');
			const QByteArray data300(300, '\x33');

			QTest::newRow("case 1") << header << QByteArray() << 0 << false << header;
			QTest::newRow("case 2, Le 1") << header << QByteArray() << 1 << false << header + QByteArray::fromHex("01");
			QTest::newRow("case 2, Le 255") << header << QByteArray() << 255 << false << header + QByteArray::fromHex("FF");
			QTest::newRow("case 2, Le 256 is short") << header << QByteArray() << 256 << false << header + QByteArray::fromHex("00");
			QTest::newRow("case 2, Le 257") << header << QByteArray() << 257 << true << header + QByteArray::fromHex("000101");
			QTest::newRow("case 2, Le 65535") << header << QByteArray() << 65535 << true << header + QByteArray::fromHex("00FFFF");
			QTest::newRow("case 2, Le 65536") << header << QByteArray() << 65536 << true << header + QByteArray::fromHex("000000");
			QTest::newRow("case 3, select") << QByteArray::fromHex("00A4020C") << QByteArray::fromHex("011C") << 0 << false << QByteArray::fromHex("00A4020C02011C");
			QTest::newRow("case 3, 255 bytes") << header << data255 << 0 << false << header + QByteArray::fromHex("FF") + data255;
			QTest::newRow("case 3, 256 bytes") << header << data256 << 0 << true << header + QByteArray::fromHex("000100") + data256;
			QTest::newRow("case 3, 300 bytes") << header << data300 << 0 << true << header + QByteArray::fromHex("00012C") + data300;
			QTest::newRow("case 4, short") << header << data3 << 8 << false << header + QByteArray::fromHex("03AABBCC08");
			QTest::newRow("case 4, 255 bytes, Le 256") << header << data255 << 256 << false << header + QByteArray::fromHex("FF") + data255 + QByteArray::fromHex("00");
			QTest::newRow("case 4, Le 257") << header << data3 << 257 << true << header + QByteArray::fromHex("000003AABBCC0101");
			QTest::newRow("case 4, 300 bytes, Le 65536") << header << data300 << 65536 << true << header + QByteArray::fromHex("00012C") + data300 + QByteArray::fromHex("0000");
			QTest::newRow("case 4, 300 bytes, Le 2") << header << data300 << 2 << true << header + QByteArray::fromHex("00012C") + data300 + QByteArray::fromHex("0002");
			QTest::newRow("short header") << QByteArray::fromHex("0084") << QByteArray() << 8 << false << QByteArray::fromHex("0084000008");
		}


		void serialise()
		{
			QFETCH(QByteArray, header);
			QFETCH(QByteArray, data);
			QFETCH(int, le);
			QFETCH(bool, extended);
			QFETCH(QByteArray, expected);

			const CommandApdu apdu(header, data, le);
			QCOMPARE(apdu.isExtendedLength(), extended);
			QCOMPARE(CommandApdu::isExtendedLength(data, le), extended);
			QCOMPARE(QByteArray(apdu).toHex(), expected.toHex());

			// What was written must read back as the same command.
			LogCapture capture;
			const CommandApdu parsed(expected);
			QCOMPARE(parsed.getHeaderBytes().toHex(), (header + QByteArray(4, '\0')).left(4).toHex());
			QCOMPARE(parsed.getData().toHex(), data.toHex());
			QCOMPARE(parsed.getLe(), le);
			QCOMPARE(parsed.isExtendedLength(), extended);
			QVERIFY(capture.entries().isEmpty());
		}


		void limits_data()
		{
			QTest::addColumn<int>("dataSize");
			QTest::addColumn<int>("le");
			QTest::addColumn<QString>("message");

			QTest::newRow("data 65536 bytes") << 0x10000 << 0 << QStringLiteral("Command data exceeds maximum of 0xffff");
			QTest::newRow("Le 65537") << 0 << 0x10001 << QStringLiteral("Expected length exceeds maximum value of 0x10000");
		}


		void limits()
		{
			QFETCH(int, dataSize);
			QFETCH(int, le);
			QFETCH(QString, message);

			LogCapture capture;
			const CommandApdu byIns(Ins::UPDATE_BINARY, 0, 0, QByteArray(dataSize, 'x'), le);
			const CommandApdu byHeader(QByteArray::fromHex("00D60000"), QByteArray(dataSize, 'x'), le);
			QCOMPARE(capture.count(message), 2);

			// The command is kept but cannot be sent.
			QCOMPARE(byIns.getData().size(), dataSize);
			QCOMPARE(byIns.getLe(), le);
			QVERIFY(QByteArray(byIns).isEmpty());
			QVERIFY(QByteArray(byHeader).isEmpty());
		}


		void maximumsAreAccepted()
		{
			LogCapture capture;
			const CommandApdu apdu(Ins::UPDATE_BINARY, 0, 0, QByteArray(0xFFFF, 'x'), 0x10000);
			QVERIFY(capture.entries().isEmpty());
			const QByteArray bytes = apdu;
			QCOMPARE(bytes.size(), 4 + 3 + 0xFFFF + 2);
			QCOMPARE(bytes.mid(4, 3).toHex(), QByteArray("00ffff"));
			QCOMPARE(bytes.right(2).toHex(), QByteArray("0000"));
		}


		void parse_data()
		{
			QTest::addColumn<QByteArray>("bytes");
			QTest::addColumn<QByteArray>("header");
			QTest::addColumn<QByteArray>("data");
			QTest::addColumn<int>("le");
			QTest::addColumn<QString>("message");

			const auto header = QByteArray::fromHex("00B00000");
			const auto select = QByteArray::fromHex("00A4020C");
			const auto fid = QByteArray::fromHex("011C");

			QTest::newRow("empty") << QByteArray() << QByteArray::fromHex("00000000") << QByteArray() << 0 << QString();
			QTest::newRow("header only") << header << header << QByteArray() << 0 << QString();
			QTest::newRow("one byte") << QByteArray::fromHex("80") << QByteArray::fromHex("80000000") << QByteArray() << 0 << QStringLiteral("Wrong command header size!");
			QTest::newRow("three bytes") << QByteArray::fromHex("00A402") << QByteArray::fromHex("00A40200") << QByteArray() << 0 << QStringLiteral("Wrong command header size!");
			QTest::newRow("Le 8") << QByteArray::fromHex("0084000008") << QByteArray::fromHex("00840000") << QByteArray() << 8 << QString();
			QTest::newRow("short Le 0 is 256") << QByteArray::fromHex("00B0000000") << header << QByteArray() << 256 << QString();
			QTest::newRow("extended Le 0 is 65536") << QByteArray::fromHex("00B00000000000") << header << QByteArray() << 65536 << QString();
			QTest::newRow("extended Le 257") << QByteArray::fromHex("00B00000000101") << header << QByteArray() << 257 << QString();
			QTest::newRow("short case 3") << QByteArray::fromHex("00A4020C02011C") << select << fid << 0 << QString();
			QTest::newRow("short case 4") << QByteArray::fromHex("00A4020C02011C00") << select << fid << 256 << QString();
			QTest::newRow("extended case 3") << QByteArray::fromHex("00A4020C000002011C") << select << fid << 0 << QString();
			QTest::newRow("extended case 4") << QByteArray::fromHex("00A4020C000002011C0000") << select << fid << 65536 << QString();
			QTest::newRow("extended case 4, one Le byte") << QByteArray::fromHex("00A4020C000002011C05") << select << fid << 5 << QStringLiteral("Extended length expected");
			QTest::newRow("extended case 4, one Le byte 00") << QByteArray::fromHex("00A4020C000002011C00") << select << fid << 65536 << QStringLiteral("Extended length expected");
			QTest::newRow("Lc beyond the end") << QByteArray::fromHex("00A4020C05011C") << select << QByteArray() << 0 << QStringLiteral("Unexpected end of data");
			QTest::newRow("extended Lc beyond the end") << QByteArray::fromHex("00A4020C000005011C") << select << QByteArray() << 0 << QStringLiteral("Unexpected end of data");
			QTest::newRow("extended length cut") << QByteArray::fromHex("00B0000000FF") << header << QByteArray() << 0 << QStringLiteral("Unexpected end of data");
			QTest::newRow("additional data") << QByteArray::fromHex("00A4020C02011C00FFEE") << select << fid << 256 << QStringLiteral("Unexpected additional data: ffee");
			QTest::newRow("extended additional data") << QByteArray::fromHex("00A4020C000002011C000102") << select << fid << 1 << QStringLiteral("Unexpected additional data: 02");
		}


		void parse()
		{
			QFETCH(QByteArray, bytes);
			QFETCH(QByteArray, header);
			QFETCH(QByteArray, data);
			QFETCH(int, le);
			QFETCH(QString, message);

			LogCapture capture;
			const CommandApdu apdu(bytes);
			QCOMPARE(apdu.getHeaderBytes().toHex(), header.toHex());
			QCOMPARE(apdu.getP1(), static_cast<uchar>(header.at(2)));
			QCOMPARE(apdu.getP2(), static_cast<uchar>(header.at(3)));
			QCOMPARE(apdu.getData().toHex(), data.toHex());
			QCOMPARE(apdu.getLe(), le);

			if (message.isEmpty())
			{
				QVERIFY(capture.entries().isEmpty());
			}
			else
			{
				QCOMPARE(capture.entries().size(), 1);
				const auto& entry = capture.entries().constFirst();
				QCOMPARE(entry.mType, QtCriticalMsg);
				QCOMPARE(entry.mCategory, QStringLiteral("card"));
				QCOMPARE(entry.mMessage, message);
			}
		}


		void ins_data()
		{
			QTest::addColumn<uchar>("byte");
			QTest::addColumn<Ins>("ins");

			const QList<QPair<uchar, Ins>> table = {
				{0x04, Ins::DEACTIVATE},
				{0x20, Ins::VERIFY},
				{0x22, Ins::MSE_SET},
				{0x44, Ins::ACTIVATE},
				{0x82, Ins::EXTERNAL_AUTHENTICATE},
				{0x84, Ins::GET_CHALLENGE},
				{0x86, Ins::GENERAL_AUTHENTICATE},
				{0x2A, Ins::PSO_VERIFY},
				{0x2B, Ins::PSO_COMPUTE},
				{0x2C, Ins::RESET_RETRY_COUNTER},
				{0xA4, Ins::SELECT},
				{0xB0, Ins::READ_BINARY},
				{0xD6, Ins::UPDATE_BINARY}
			};
			for (const auto& [byte, ins] : table)
			{
				QTest::newRow(Enum<Ins>::getName(ins).data()) << byte << ins;
			}
		}


		void ins()
		{
			QFETCH(uchar, byte);
			QFETCH(Ins, ins);

			LogCapture capture;
			const CommandApdu fromHeader(QByteArray::fromHex("00") + QByteArray(1, static_cast<char>(byte)) + QByteArray::fromHex("0000"), QByteArray());
			QCOMPARE(fromHeader.getINS(), ins);
			QCOMPARE(CommandApdu(ins, 1, 2).getHeaderBytes().toHex(), (QByteArray::fromHex("00") + QByteArray(1, static_cast<char>(byte)) + QByteArray::fromHex("0102")).toHex());
			QVERIFY(capture.entries().isEmpty());
		}


		void unknownIns_data()
		{
			QTest::addColumn<QByteArray>("bytes");
			QTest::addColumn<QString>("message");

			QTest::newRow("00") << QByteArray::fromHex("00000000") << QStringLiteral("Unknown INS value, returning UNKNOWN, value: 0x0");
			QTest::newRow("CA") << QByteArray::fromHex("00CA0000") << QStringLiteral("Unknown INS value, returning UNKNOWN, value: 0xca");
		}


		void unknownIns()
		{
			QFETCH(QByteArray, bytes);
			QFETCH(QString, message);

			LogCapture capture;
			QCOMPARE(CommandApdu(bytes).getINS(), Ins::UNKNOWN);
			QCOMPARE(capture.entries().size(), 1);
			QCOMPARE(capture.entries().constFirst().mType, QtCriticalMsg);
			QCOMPARE(capture.entries().constFirst().mMessage, message);
		}


		void classByte_data()
		{
			QTest::addColumn<uchar>("cla");
			QTest::addColumn<bool>("secureMessaging");
			QTest::addColumn<bool>("chaining");
			QTest::addColumn<bool>("proprietary");

			QTest::newRow("00") << uchar(0x00) << false << false << false;
			QTest::newRow("0C") << uchar(0x0C) << true << false << false;
			QTest::newRow("08, one bit only") << uchar(0x08) << false << false << false;
			QTest::newRow("04, one bit only") << uchar(0x04) << false << false << false;
			QTest::newRow("10") << uchar(0x10) << false << true << false;
			QTest::newRow("1C") << uchar(0x1C) << true << true << false;
			QTest::newRow("80") << uchar(0x80) << false << false << true;
			QTest::newRow("8C") << uchar(0x8C) << true << false << true;
		}


		void classByte()
		{
			QFETCH(uchar, cla);
			QFETCH(bool, secureMessaging);
			QFETCH(bool, chaining);
			QFETCH(bool, proprietary);

			CommandApdu apdu(QByteArray(1, static_cast<char>(cla)) + QByteArray::fromHex("B00000"), QByteArray());
			QCOMPARE(apdu.isSecureMessaging(), secureMessaging);
			QCOMPARE(apdu.isCommandChaining(), chaining);
			QCOMPARE(apdu.isProprietary(), proprietary);

			apdu.setSecureMessaging(true);
			QVERIFY(apdu.isSecureMessaging());
			QCOMPARE(static_cast<uchar>(apdu.getHeaderBytes().at(0)), static_cast<uchar>(cla | 0x0C));

			apdu.setSecureMessaging(false);
			QVERIFY(!apdu.isSecureMessaging());
			QCOMPARE(static_cast<uchar>(apdu.getHeaderBytes().at(0)), static_cast<uchar>(cla & ~0x0C));

			apdu.enableCommandChaining();
			QVERIFY(apdu.isCommandChaining());
			QCOMPARE(apdu.isProprietary(), proprietary);
		}


		void isEmpty()
		{
			QVERIFY(CommandApdu().isEmpty());
			QVERIFY(CommandApdu(QByteArray::fromHex("0C000102"), QByteArray::fromHex("AA")).isEmpty());
			QVERIFY(!CommandApdu(Ins::SELECT, 0, 0).isEmpty());
		}


		void debugIsMasked()
		{
			const CommandApdu apdu(Ins::VERIFY, 0x00, 0x03, QByteArray::fromHex("313233343536"));

			LogCapture capture;
			qCDebug(card) << apdu;
			QCOMPARE(capture.messages(), QStringList({QStringLiteral("\"0020000306~3536\" (11)")}));
		}


};

KENDRAWELL_TEST_MAIN(test_CommandApdu)
#include "test_CommandApdu.moc"
