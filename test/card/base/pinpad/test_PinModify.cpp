#include "pinpad/PinModify.h"

#include "LogCapture.h"
#include "TestEnvironment.h"

#include <QtEndian>

#include <cstddef>
#include <cstring>

#include <reader.h>

using namespace tessarovin;

class test_PinModify
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void createCcid_data()
		{
			QTest::addColumn<quint8>("timeout");
			QTest::addColumn<QByteArray>("structure");

			QTest::newRow("30 seconds") << quint8(30) << QByteArray::fromHex("1E1E82000000000606010202070400010200000004000000002C0203");
			QTest::newRow("no time-out") << quint8(0) << QByteArray::fromHex("000082000000000606010202070400010200000004000000002C0203");
			QTest::newRow("255 seconds") << quint8(255) << QByteArray::fromHex("FFFF82000000000606010202070400010200000004000000002C0203");
		}


		void createCcid()
		{
			QFETCH(quint8, timeout);
			QFETCH(QByteArray, structure);

			const PinModify pinModify(timeout);
			QCOMPARE(pinModify.getTimeoutSeconds(), timeout);
			QCOMPARE(pinModify.createCcid().toHex(), structure.toHex());
		}


		// The same structure filled field by field through pcsc-lite's packed declaration.
		void matchesPcscLite()
		{
			static_assert(sizeof(PIN_MODIFY_STRUCTURE) == 24);
			static_assert(offsetof(PIN_MODIFY_STRUCTURE, wPINMaxExtraDigit) == 7);
			static_assert(offsetof(PIN_MODIFY_STRUCTURE, wLangId) == 12);
			static_assert(offsetof(PIN_MODIFY_STRUCTURE, ulDataLength) == 20);

			const uint8_t apdu[] = {0x00, 0x2C, 0x02, 0x03};
			alignas(PIN_MODIFY_STRUCTURE) uint8_t buffer[sizeof(PIN_MODIFY_STRUCTURE) + sizeof(apdu)] = {};
			auto* modify = reinterpret_cast<PIN_MODIFY_STRUCTURE*>(buffer);
			modify->bTimerOut = 45;
			modify->bTimerOut2 = 45;
			modify->bmFormatString = 0x82;
			modify->bmPINBlockString = 0x00;
			modify->bmPINLengthFormat = 0x00;
			modify->bInsertionOffsetOld = 0x00;
			modify->bInsertionOffsetNew = 0x00;
			modify->wPINMaxExtraDigit = qToLittleEndian<uint16_t>(0x0606);
			modify->bConfirmPIN = 0x01;
			modify->bEntryValidationCondition = 0x02;
			modify->bNumberMessage = 0x02;
			modify->wLangId = qToLittleEndian<uint16_t>(0x0407);
			modify->bMsgIndex1 = 0x00;
			modify->bMsgIndex2 = 0x01;
			modify->bMsgIndex3 = 0x02;
			modify->ulDataLength = qToLittleEndian<uint32_t>(sizeof(apdu));
			std::memcpy(buffer + offsetof(PIN_MODIFY_STRUCTURE, abData), apdu, sizeof(apdu));

			const QByteArray expected(reinterpret_cast<const char*>(buffer), sizeof(buffer));
			QCOMPARE(expected.size(), 28);
			QCOMPARE(PinModify(45).createCcid().toHex(), expected.toHex());
		}


		void fromCommandData_data()
		{
			QTest::addColumn<QByteArray>("commandData");
			QTest::addColumn<quint8>("timeout");
			QTest::addColumn<bool>("logged");

			QTest::newRow("one byte") << QByteArray::fromHex("1E") << quint8(30) << false;
			QTest::newRow("further bytes ignored") << QByteArray::fromHex("3C00") << quint8(60) << false;
			QTest::newRow("whole structure") << PinModify(90).createCcid() << quint8(90) << false;
			QTest::newRow("empty") << QByteArray() << quint8(0) << true;
		}


		void fromCommandData()
		{
			QFETCH(QByteArray, commandData);
			QFETCH(quint8, timeout);
			QFETCH(bool, logged);

			LogCapture capture;
			const PinModify pinModify(commandData);
			QCOMPARE(pinModify.getTimeoutSeconds(), timeout);
			QCOMPARE(capture.contains(QStringLiteral("Parsing failed. Command data should contain at least 1 bytes")), logged);
		}


};

KENDRAWELL_TEST_MAIN(test_PinModify)
#include "test_PinModify.moc"
