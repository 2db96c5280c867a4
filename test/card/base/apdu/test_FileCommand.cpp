#include "apdu/FileCommand.h"

#include "LogCapture.h"
#include "TestEnvironment.h"

using namespace tessarovin;

class test_FileCommand
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void toCommandApdu_data()
		{
			QTest::addColumn<FileRef>("fileRef");
			QTest::addColumn<uint>("offset");
			QTest::addColumn<int>("le");
			QTest::addColumn<QByteArray>("expected");
			QTest::addColumn<bool>("empty");
			QTest::addColumn<QtMsgType>("logType");
			QTest::addColumn<QString>("message");

			const FileRef efWithoutSfi(FileRef::ELEMENTARY_FILE, QByteArray::fromHex("011C"), QByteArray());

			QTest::newRow("select master file") << FileRef::masterFile() << 0u << 0 << QByteArray::fromHex("00A4000C023F00") << false << QtDebugMsg << QString();
			QTest::newRow("select EF.CardAccess") << FileRef::efCardAccess() << 0u << 0 << QByteArray::fromHex("00A4020C02011C") << false << QtDebugMsg << QString();
			QTest::newRow("select eID") << FileRef::appEId() << 0u << 0 << QByteArray::fromHex("00A4040C09E80704007F00070302") << false << QtDebugMsg << QString();
			QTest::newRow("read by short id") << FileRef::efCardAccess() << 0u << 256 << QByteArray::fromHex("00B09C0000") << false << QtDebugMsg << QString();
			QTest::newRow("read by short id, Le 1") << FileRef::efCardSecurity() << 0u << 1 << QByteArray::fromHex("00B09D0001") << false << QtDebugMsg << QString();
			QTest::newRow("read by short id, Le 65536") << FileRef::efDir() << 0u << 65536 << QByteArray::fromHex("00B09E00000000") << false << QtDebugMsg << QString();
			QTest::newRow("read at offset 0x0123") << FileRef::efCardAccess() << 0x0123u << 256 << QByteArray::fromHex("00B0012300") << false << QtDebugMsg << QString();
			QTest::newRow("read at offset 0x7FFF") << FileRef::efCardAccess() << 0x7FFFu << 256 << QByteArray::fromHex("00B07FFF00") << false << QtDebugMsg << QString();
			QTest::newRow("read application at offset 0") << FileRef::appEId() << 0u << 256 << QByteArray::fromHex("00B0000000") << false << QtDebugMsg << QString();
			QTest::newRow("read unknown file at offset 0") << FileRef() << 0u << 256 << QByteArray::fromHex("00B0000000") << false << QtDebugMsg << QString();
			QTest::newRow("read EF without short id") << efWithoutSfi << 0u << 256 << QByteArray::fromHex("00B0000000") << false
													  << QtWarningMsg << QStringLiteral("No short file identifier, reading the currently selected file: 011C (ElementaryFile)");
			QTest::newRow("read EF without short id at offset 5") << efWithoutSfi << 5u << 256 << QByteArray::fromHex("00B0000500") << false << QtDebugMsg << QString();
			QTest::newRow("short id beyond five bits") << FileRef(FileRef::ELEMENTARY_FILE, QByteArray::fromHex("011C"), QByteArray::fromHex("3C")) << 0u << 256 << QByteArray::fromHex("00000000") << true
													   << QtCriticalMsg << QStringLiteral("Invalid short file identifier: \"3c\"");
			QTest::newRow("short id of two bytes") << FileRef(FileRef::ELEMENTARY_FILE, QByteArray::fromHex("011C"), QByteArray::fromHex("011C")) << 0u << 256 << QByteArray::fromHex("00000000") << true
												   << QtCriticalMsg << QStringLiteral("Invalid short file identifier: \"011c\"");
			QTest::newRow("short id 1F") << FileRef(FileRef::ELEMENTARY_FILE, QByteArray::fromHex("011C"), QByteArray::fromHex("1F")) << 0u << 256 << QByteArray::fromHex("00B09F0000") << false << QtDebugMsg << QString();
			QTest::newRow("offset 0x8000") << FileRef::efCardAccess() << 0x8000u << 256 << QByteArray::fromHex("00000000") << true
										   << QtCriticalMsg << QStringLiteral("Offset exceeds the range of READ BINARY: 32768");
			QTest::newRow("offset 0xFFFF") << FileRef::efCardAccess() << 0xFFFFu << 256 << QByteArray::fromHex("00000000") << true
										   << QtCriticalMsg << QStringLiteral("Offset exceeds the range of READ BINARY: 65535");
			QTest::newRow("offset 0x10123") << FileRef::efCardAccess() << 0x10123u << 256 << QByteArray::fromHex("00000000") << true
											<< QtCriticalMsg << QStringLiteral("Offset exceeds the range of READ BINARY: 65827");
		}


		void toCommandApdu()
		{
			QFETCH(FileRef, fileRef);
			QFETCH(uint, offset);
			QFETCH(int, le);
			QFETCH(QByteArray, expected);
			QFETCH(bool, empty);
			QFETCH(QtMsgType, logType);
			QFETCH(QString, message);

			LogCapture capture;
			const CommandApdu apdu = FileCommand(fileRef, offset, le);
			QCOMPARE(QByteArray(apdu).toHex(), expected.toHex());
			QCOMPARE(apdu.isEmpty(), empty);

			if (message.isEmpty())
			{
				QVERIFY(capture.entries().isEmpty());
			}
			else
			{
				QCOMPARE(capture.entries().size(), 1);
				QCOMPARE(capture.entries().constFirst().mType, logType);
				QCOMPARE(capture.entries().constFirst().mCategory, QStringLiteral("card"));
				QCOMPARE(capture.entries().constFirst().mMessage, message);
			}
		}


		void fromCommandApdu_data()
		{
			QTest::addColumn<QByteArray>("bytes");
			QTest::addColumn<FileRef>("fileRef");
			QTest::addColumn<uint>("offset");
			QTest::addColumn<int>("le");
			QTest::addColumn<QStringList>("messages");

			const auto shortId = [](const char* pHex) {
					return FileRef(FileRef::ELEMENTARY_FILE, QByteArray(), QByteArray::fromHex(pHex));
				};

			QTest::newRow("read by short id") << QByteArray::fromHex("00B09C0000") << shortId("1C") << 0u << 256 << QStringList();
			QTest::newRow("read by short id 1F at 0x10") << QByteArray::fromHex("00B09F1008") << shortId("1F") << 0x10u << 8 << QStringList();
			QTest::newRow("read at offset") << QByteArray::fromHex("00B0012300") << FileRef() << 0x0123u << 256 << QStringList();
			QTest::newRow("P1 A0 is an offset") << QByteArray::fromHex("00B0A00000") << FileRef() << 0xA000u << 256 << QStringList();
			QTest::newRow("extended read") << QByteArray::fromHex("00B09D00000000") << shortId("1D") << 0u << 65536 << QStringList();
			QTest::newRow("update by short id") << QByteArray::fromHex("00D69D0502AABB") << shortId("1D") << 5u << 0 << QStringList();
			QTest::newRow("update at offset") << QByteArray::fromHex("00D6000102AABB") << FileRef() << 1u << 0 << QStringList();
			QTest::newRow("select EF") << QByteArray::fromHex("00A4020C02011C") << FileRef(FileRef::ELEMENTARY_FILE, QByteArray::fromHex("011C"), QByteArray()) << 0u << 0 << QStringList();
			QTest::newRow("select eID") << QByteArray::fromHex("00A4040C09E80704007F00070302") << FileRef(FileRef::APPLICATION, QByteArray::fromHex("E80704007F00070302"), QByteArray()) << 0u << 0 << QStringList();
			QTest::newRow("select with Le") << QByteArray::fromHex("00A4000C023F0000") << FileRef::masterFile() << 0u << 256 << QStringList();
			QTest::newRow("select unknown type") << QByteArray::fromHex("00A4070C02011C") << FileRef(FileRef::UNKNOWN, QByteArray::fromHex("011C"), QByteArray()) << 0u << 0
												 << QStringList({QStringLiteral("Ignoring unknown file type 0x07")});
			QTest::newRow("other INS") << QByteArray::fromHex("0084000008") << FileRef() << 0u << 8 << QStringList({QStringLiteral("Unexpected INS")});
			QTest::newRow("unknown INS") << QByteArray::fromHex("00CA000000") << FileRef() << 0u << 256
										 << QStringList({QStringLiteral("Unknown INS value, returning UNKNOWN, value: 0xca"), QStringLiteral("Unexpected INS")});
		}


		void fromCommandApdu()
		{
			QFETCH(QByteArray, bytes);
			QFETCH(FileRef, fileRef);
			QFETCH(uint, offset);
			QFETCH(int, le);
			QFETCH(QStringList, messages);

			LogCapture capture;
			const FileCommand command{CommandApdu(bytes)};
			QCOMPARE(command.getFileRef(), fileRef);
			QCOMPARE(command.getOffset(), offset);
			QCOMPARE(command.getLe(), le);
			QCOMPARE(capture.messages(), messages);
		}


		void readsContinueAtOffset()
		{
			// The first read selects the file by its short identifier, the next reads address the now current file.
			const FileRef file = FileRef::efCardSecurity();
			QCOMPARE(QByteArray(CommandApdu(FileCommand(file, 0, 0xDF))).toHex(), QByteArray("00b09d00df"));
			QCOMPARE(QByteArray(CommandApdu(FileCommand(file, 0xDF, 0xDF))).toHex(), QByteArray("00b000dfdf"));
			QCOMPARE(QByteArray(CommandApdu(FileCommand(file, 0x1BE, 0xDF))).toHex(), QByteArray("00b001bedf"));
		}


};

KENDRAWELL_TEST_MAIN(test_FileCommand)
#include "test_FileCommand.moc"
