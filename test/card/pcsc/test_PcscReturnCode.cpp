#include "PcscReturnCode.h"

#include "TestEnvironment.h"

#include <QMetaEnum>
#include <QtTest>

#include <pcsclite.h>

using namespace tessarovin;
using namespace tessarovin::pcsc;


class test_PcscReturnCode
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void text_data()
		{
			QTest::addColumn<quint32>("code");
			QTest::addColumn<QString>("text");

			QTest::newRow("success") << 0x00000000U << QStringLiteral("Scard_S_Success");
			QTest::newRow("first") << 0x80100001U << QStringLiteral("Scard_F_Internal_Error");
			QTest::newRow("no service") << 0x8010001DU << QStringLiteral("Scard_E_No_Service");
			QTest::newRow("unexpected") << 0x8010001FU << QStringLiteral("Scard_E_Unexpected");
			QTest::newRow("unsupported feature") << 0x80100022U << QStringLiteral("Scard_E_Unsupported_Feature");
			QTest::newRow("last error") << 0x80100031U << QStringLiteral("Scard_E_Server_Too_Busy");
			QTest::newRow("first warning") << 0x80100065U << QStringLiteral("Scard_W_Unsupported_Card");
			QTest::newRow("last warning") << 0x8010006FU << QStringLiteral("Scard_W_Card_Not_Authenticated");
			QTest::newRow("after the errors") << 0x80100032U << QStringLiteral("UNKNOWN_STATE (-7fefffce)");
			QTest::newRow("before the warnings") << 0x80100064U << QStringLiteral("UNKNOWN_STATE (-7fefff9c)");
			QTest::newRow("after the warnings") << 0x80100070U << QStringLiteral("UNKNOWN_STATE (-7fefff90)");
			QTest::newRow("small") << 0x00000001U << QStringLiteral("UNKNOWN_STATE (00000001)");
			QTest::newRow("padded") << 0x00012345U << QStringLiteral("UNKNOWN_STATE (00012345)");
			QTest::newRow("largest positive") << 0x7FFFFFFFU << QStringLiteral("UNKNOWN_STATE (7fffffff)");
		}


		void text()
		{
			QFETCH(quint32, code);
			QFETCH(QString, text);

			const auto returnCode = static_cast<PcscReturnCode>(code);
			QCOMPARE(toString(returnCode), text);

			QString streamed;
			QDebug(&streamed) << returnCode;
			QCOMPARE(streamed.trimmed(), text);
		}


		void declaration()
		{
			const auto metaEnum = QMetaEnum::fromType<PcscReturnCode>();
			QCOMPARE(metaEnum.keyCount(), 61);
			QCOMPARE(QByteArray(metaEnum.key(0)), QByteArray("Scard_S_Success"));
			// The one place where declaration order and value order differ.
			QCOMPARE(QByteArray(metaEnum.key(31)), QByteArray("Scard_E_Unsupported_Feature"));
			QCOMPARE(QByteArray(metaEnum.key(32)), QByteArray("Scard_E_Unexpected"));
			QCOMPARE(QByteArray(metaEnum.key(60)), QByteArray("Scard_W_Card_Not_Authenticated"));
			QCOMPARE(QByteArray(QMetaType::fromType<PcscReturnCode>().name()), QByteArray("tessarovin::pcsc::PcscReturnCode"));
		}


		// pcsc-lite's constants are the other source of the values; its feature code is the one exception.
		void platformCodes_data()
		{
			QTest::addColumn<qint64>("platformCode");
			QTest::addColumn<PcscReturnCode>("code");

			QTest::newRow("success") << qint64(SCARD_S_SUCCESS) << Scard_S_Success;
			QTest::newRow("invalid handle") << qint64(SCARD_E_INVALID_HANDLE) << Scard_E_Invalid_Handle;
			QTest::newRow("insufficient buffer") << qint64(SCARD_E_INSUFFICIENT_BUFFER) << Scard_E_Insufficient_Buffer;
			QTest::newRow("unknown reader") << qint64(SCARD_E_UNKNOWN_READER) << Scard_E_Unknown_Reader;
			QTest::newRow("timeout") << qint64(SCARD_E_TIMEOUT) << Scard_E_Timeout;
			QTest::newRow("proto mismatch") << qint64(SCARD_E_PROTO_MISMATCH) << Scard_E_Proto_Mismatch;
			QTest::newRow("unknown error") << qint64(SCARD_F_UNKNOWN_ERROR) << Scard_F_Unknown_Error;
			QTest::newRow("no service") << qint64(SCARD_E_NO_SERVICE) << Scard_E_No_Service;
			QTest::newRow("service stopped") << qint64(SCARD_E_SERVICE_STOPPED) << Scard_E_Service_Stopped;
			QTest::newRow("no readers") << qint64(SCARD_E_NO_READERS_AVAILABLE) << Scard_E_No_Readers_Available;
			QTest::newRow("reset card") << qint64(SCARD_W_RESET_CARD) << Scard_W_Reset_Card;
			QTest::newRow("removed card") << qint64(SCARD_W_REMOVED_CARD) << Scard_W_Removed_Card;
			QTest::newRow("unsupported feature is unexpected") << qint64(SCARD_E_UNSUPPORTED_FEATURE) << Scard_E_Unexpected;
			QTest::newRow("server too busy") << qint64(SCARD_E_SERVER_TOO_BUSY) << Scard_E_Server_Too_Busy;
			QTest::newRow("card not authenticated") << qint64(SCARD_W_CARD_NOT_AUTHENTICATED) << Scard_W_Card_Not_Authenticated;

			QTest::newRow("sign-extended") << qint64(qint32(0x8010001D)) << Scard_E_No_Service;
			QTest::newRow("zero-extended") << qint64(0x8010001D) << Scard_E_No_Service;
			QTest::newRow("lowest 32-bit") << qint64(std::numeric_limits<qint32>::min()) << static_cast<PcscReturnCode>(0x80000000);
			QTest::newRow("highest 32-bit") << qint64(std::numeric_limits<quint32>::max()) << static_cast<PcscReturnCode>(0xFFFFFFFF);
			QTest::newRow("64-bit with low zero") << qint64(0x100000000) << Scard_F_Unknown_Error;
			QTest::newRow("64-bit with low code") << qint64(0x18010001D) << Scard_F_Unknown_Error;
			QTest::newRow("below 32-bit") << qint64(std::numeric_limits<qint32>::min()) - 1 << Scard_F_Unknown_Error;
			QTest::newRow("negative 64-bit with low zero") << qint64(-0x100000000) << Scard_F_Unknown_Error;
		}


		void platformCodes()
		{
			QFETCH(qint64, platformCode);
			QFETCH(PcscReturnCode, code);

			// Compared as text: QTest would take pcsc::toString for its own.
			QCOMPARE(toString(toPcscReturnCode(platformCode)), toString(code));
		}
};

KENDRAWELL_TEST_MAIN(test_PcscReturnCode)
#include "test_PcscReturnCode.moc"
