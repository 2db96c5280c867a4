#include "apdu/ResponseApdu.h"

#include "LogCapture.h"
#include "LogCategories.h"
#include "TestEnvironment.h"

using namespace tessarovin;

class test_ResponseApdu
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void statusCodes_data()
		{
			QTest::addColumn<QByteArray>("statusBytes");
			QTest::addColumn<StatusCode>("statusCode");
			QTest::addColumn<QString>("name");
			QTest::addColumn<int>("retryCounter");

			const auto row = [](const char* pHex, StatusCode pCode, const char* pName, int pRetryCounter) {
					QTest::newRow(pName) << QByteArray::fromHex(pHex) << pCode << QString::fromLatin1(pName) << pRetryCounter;
				};
			row("9000", StatusCode::SUCCESS, "SUCCESS", 3);
			row("6200", StatusCode::NO_PKCS15_APP, "NO_PKCS15_APP", -1);
			row("6282", StatusCode::END_OF_FILE, "END_OF_FILE", -1);
			row("6283", StatusCode::PIN_DEACTIVATED, "PIN_DEACTIVATED", 0);
			row("6284", StatusCode::FCI_NO_ISO7816_4, "FCI_NO_ISO7816_4", -1);
			row("6300", StatusCode::VERIFICATION_FAILED, "VERIFICATION_FAILED", -1);
			row("6400", StatusCode::INPUT_TIMEOUT, "INPUT_TIMEOUT", -1);
			row("6401", StatusCode::INPUT_CANCELLED, "INPUT_CANCELLED", -1);
			row("6402", StatusCode::PASSWORDS_DIFFER, "PASSWORDS_DIFFER", -1);
			row("6403", StatusCode::PASSWORD_OUTOF_RANGE, "PASSWORD_OUTOF_RANGE", -1);
			row("64A2", StatusCode::CARD_EJECTED_AND_REINSERTED, "CARD_EJECTED_AND_REINSERTED", -1);
			row("6581", StatusCode::EEPROM_CELL_DEFECT, "EEPROM_CELL_DEFECT", -1);
			row("6600", StatusCode::SECURITY_ENVIRONMENT, "SECURITY_ENVIRONMENT", -1);
			row("6700", StatusCode::WRONG_LENGTH, "WRONG_LENGTH", -1);
			row("6981", StatusCode::NO_BINARY_FILE, "NO_BINARY_FILE", -1);
			row("6883", StatusCode::LAST_CHAIN_CMD_EXPECTED, "LAST_CHAIN_CMD_EXPECTED", -1);
			row("6982", StatusCode::ACCESS_DENIED, "ACCESS_DENIED", -1);
			row("6983", StatusCode::PASSWORD_COUNTER_EXPIRED, "PASSWORD_COUNTER_EXPIRED", -1);
			row("6984", StatusCode::DIRECTORY_OR_PASSWORD_LOCKED_OR_NOT_ALLOWED, "DIRECTORY_OR_PASSWORD_LOCKED_OR_NOT_ALLOWED", -1);
			row("6985", StatusCode::NO_PARENT_FILE, "NO_PARENT_FILE", -1);
			row("6986", StatusCode::NO_CURRENT_DIRECTORY_SELECTED, "NO_CURRENT_DIRECTORY_SELECTED", -1);
			row("6987", StatusCode::DATAFIELD_EXPECTED, "DATAFIELD_EXPECTED", -1);
			row("6988", StatusCode::INVALID_SM_OBJECTS, "INVALID_SM_OBJECTS", -1);
			row("6999", StatusCode::SW_APPLET_SELECT_FAILED, "SW_APPLET_SELECT_FAILED", -1);
			row("69F0", StatusCode::COMMAND_NOT_ALLOWED, "COMMAND_NOT_ALLOWED", -1);
			row("6A80", StatusCode::INVALID_DATAFIELD, "INVALID_DATAFIELD", -1);
			row("6A81", StatusCode::ALGORITHM_ID, "ALGORITHM_ID", -1);
			row("6A82", StatusCode::FILE_NOT_FOUND, "FILE_NOT_FOUND", -1);
			row("6A83", StatusCode::RECORD_NOT_FOUND, "RECORD_NOT_FOUND", -1);
			row("6A86", StatusCode::INVALID_PARAMETER, "INVALID_PARAMETER", -1);
			row("6A87", StatusCode::LC_INCONSISTENT, "LC_INCONSISTENT", -1);
			row("6A88", StatusCode::REFERENCED_DATA_NOT_FOUND, "REFERENCED_DATA_NOT_FOUND", -1);
			row("6B00", StatusCode::ILLEGAL_OFFSET, "ILLEGAL_OFFSET", -1);
			row("6E00", StatusCode::UNSUPPORTED_CLA, "UNSUPPORTED_CLA", -1);
			row("6410", StatusCode::CANT_DISPLAY, "CANT_DISPLAY", -1);
			row("6A00", StatusCode::INVALID_P1P2, "INVALID_P1P2", -1);
			row("6D00", StatusCode::UNSUPPORTED_INS, "UNSUPPORTED_INS", -1);
			row("63C0", StatusCode::PIN_BLOCKED, "PIN_BLOCKED", 0);
			row("63C1", StatusCode::PIN_SUSPENDED, "PIN_SUSPENDED", 1);
			row("63C2", StatusCode::PIN_RETRY_COUNT_2, "PIN_RETRY_COUNT_2", 2);
			row("6F00", StatusCode::NO_PRECISE_DIAGNOSIS, "NO_PRECISE_DIAGNOSIS", -1);
		}


		void statusCodes()
		{
			QFETCH(QByteArray, statusBytes);
			QFETCH(StatusCode, statusCode);
			QFETCH(QString, name);
			QFETCH(int, retryCounter);

			LogCapture capture;
			const ResponseApdu apdu(QByteArray::fromHex("0102") + statusBytes);
			QCOMPARE(apdu.getStatusCode(), statusCode);
			QCOMPARE(Enum<StatusCode>::getName(apdu.getStatusCode()), name);
			QCOMPARE(apdu.getStatusBytes().toHex(), statusBytes.toHex());
			QCOMPARE(apdu.getData().toHex(), QByteArray("0102"));
			QCOMPARE(apdu.getRetryCounter(), retryCounter);
			QCOMPARE(QByteArray(ResponseApdu(statusCode)).toHex(), statusBytes.toHex());
			QVERIFY(capture.entries().isEmpty());
		}


		void sharedStatusWord()
		{
			QCOMPARE(static_cast<int>(StatusCode::NOT_YET_INITIALIZED), 0x6985);
			QCOMPARE(ResponseApdu(StatusCode::NOT_YET_INITIALIZED).getStatusCode(), StatusCode::NO_PARENT_FILE);
			QCOMPARE(Enum<StatusCode>::getName(StatusCode::NOT_YET_INITIALIZED), QLatin1String("NO_PARENT_FILE"));
			QCOMPARE(Enum<StatusCode>::allValues().size(), 43);
		}


		void parse_data()
		{
			QTest::addColumn<QByteArray>("bytes");
			QTest::addColumn<QByteArray>("statusBytes");
			QTest::addColumn<QByteArray>("data");
			QTest::addColumn<StatusCode>("statusCode");
			QTest::addColumn<int>("retryCounter");
			QTest::addColumn<QStringList>("messages");

			QTest::newRow("empty") << QByteArray() << QByteArray() << QByteArray() << StatusCode::UNKNOWN << -1 << QStringList();
			QTest::newRow("one byte") << QByteArray::fromHex("90") << QByteArray::fromHex("0090") << QByteArray() << StatusCode::UNKNOWN << -1
									  << QStringList({QStringLiteral("One byte status, assuming 90 is SW2"), QStringLiteral("Unknown StatusCode value, returning UNKNOWN, value: 90")});
			QTest::newRow("status only") << QByteArray::fromHex("9000") << QByteArray::fromHex("9000") << QByteArray() << StatusCode::SUCCESS << 3 << QStringList();
			QTest::newRow("data and status") << QByteArray::fromHex("0A0B0C9000") << QByteArray::fromHex("9000") << QByteArray::fromHex("0A0B0C") << StatusCode::SUCCESS << 3 << QStringList();
			QTest::newRow("one data byte") << QByteArray::fromHex("FF6A82") << QByteArray::fromHex("6A82") << QByteArray::fromHex("FF") << StatusCode::FILE_NOT_FOUND << -1 << QStringList();
			QTest::newRow("63C1") << QByteArray::fromHex("63C1") << QByteArray::fromHex("63C1") << QByteArray() << StatusCode::PIN_SUSPENDED << 1 << QStringList();
			QTest::newRow("unknown word") << QByteArray::fromHex("1234") << QByteArray::fromHex("1234") << QByteArray() << StatusCode::UNKNOWN << -1
										  << QStringList({QStringLiteral("Unknown StatusCode value, returning UNKNOWN, value: 1234")});
			QTest::newRow("63C3 has no key") << QByteArray::fromHex("63C3") << QByteArray::fromHex("63C3") << QByteArray() << StatusCode::UNKNOWN << -1
											 << QStringList({QStringLiteral("Unknown StatusCode value, returning UNKNOWN, value: 63c3")});
		}


		void parse()
		{
			QFETCH(QByteArray, bytes);
			QFETCH(QByteArray, statusBytes);
			QFETCH(QByteArray, data);
			QFETCH(StatusCode, statusCode);
			QFETCH(int, retryCounter);
			QFETCH(QStringList, messages);

			LogCapture capture;
			const ResponseApdu apdu(bytes);
			QCOMPARE(apdu.getStatusBytes().toHex(), statusBytes.toHex());
			QCOMPARE(apdu.getData().toHex(), data.toHex());
			QCOMPARE(apdu.getStatusCode(), statusCode);
			QCOMPARE(apdu.getRetryCounter(), retryCounter);
			QCOMPARE(apdu.isEmpty(), bytes.isEmpty());
			QCOMPARE(QByteArray(apdu).toHex(), (data + statusBytes).toHex());

			QCOMPARE(capture.messages(), messages);
			for (const auto& entry : capture.entries())
			{
				QCOMPARE(entry.mType, QtCriticalMsg);
				QCOMPARE(entry.mCategory, QStringLiteral("card"));
			}
		}


		void serialise()
		{
			QCOMPARE(QByteArray(ResponseApdu(StatusCode::SUCCESS, QByteArray::fromHex("0102"))).toHex(), QByteArray("01029000"));

			// Data without a status word is no response.
			const ResponseApdu noStatus(StatusCode::UNKNOWN, QByteArray::fromHex("0102"));
			QVERIFY(QByteArray(noStatus).isEmpty());
			QVERIFY(noStatus.getStatusBytes().isEmpty());
			QVERIFY(!noStatus.isEmpty());
			QVERIFY(ResponseApdu(StatusCode::UNKNOWN).isEmpty());
		}


		void debugIsMasked()
		{
			const ResponseApdu apdu(QByteArray::fromHex("0102030405069000"));

			LogCapture capture;
			qCDebug(card) << apdu;
			qCDebug(card) << ResponseApdu(StatusCode::SUCCESS);
			QCOMPARE(capture.messages(), QStringList({QStringLiteral("\"0102030405~9000\" (8)"), QStringLiteral("\"9000\"")}));
		}


};

KENDRAWELL_TEST_MAIN(test_ResponseApdu)
#include "test_ResponseApdu.moc"
