#include "pinpad/EstablishPaceChannel.h"

#include "apdu/CommandApdu.h"

#include "LogCapture.h"
#include "TestEnvironment.h"

#include <QFile>

using namespace tessarovin;

namespace
{

QByteArray readFixture(const QString& pName)
{
	QFile file(getProgramDirectory() + QStringLiteral("/fixtures/pinpad/") + pName);
	if (!file.open(QIODevice::ReadOnly))
	{
		qFatal("Missing fixture %s", qPrintable(pName));
	}
	return file.readAll();
}


QByteArray hex(const char* pHex)
{
	return QByteArray::fromHex(pHex);
}


const QByteArray cChat = hex("7F4C12060904007F0007030102025305000513FF87");

} // namespace


class test_EstablishPaceChannel
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void defaults()
		{
			const EstablishPaceChannel channel;
			QCOMPARE(channel.getPasswordId(), PacePasswordId::UNKNOWN);
			QVERIFY(channel.getChat().isEmpty());
			QVERIFY(channel.getCertificateDescription().isEmpty());
			QVERIFY(channel.getTransmittedPassword().isNull());
			QCOMPARE(channel.createInputData(), hex("00 00 00 0000"));
		}


		void createInputData_data()
		{
			QTest::addColumn<PacePasswordId>("passwordId");
			QTest::addColumn<QByteArray>("chat");
			QTest::addColumn<QByteArray>("description");
			QTest::addColumn<QByteArray>("password");
			QTest::addColumn<QByteArray>("inputData");
			QTest::addColumn<QByteArray>("featureCommand");
			QTest::addColumn<QString>("message");

			const QByteArray description = readFixture(QStringLiteral("certificate_description.der"));
			const QByteArray longDescription = readFixture(QStringLiteral("certificate_description_long.der"));
			const QByteArray pinChat = hex("03 15") + cChat + hex("00 0000");

			QTest::newRow("PIN with CHAT, no description") << PacePasswordId::PACE_PIN << cChat << QByteArray() << QByteArray()
														   << pinChat << hex("02 1A00") + pinChat << QString();
			QTest::newRow("CAN with CHAT and description") << PacePasswordId::PACE_CAN << cChat << description << QByteArray()
														   << hex("02 15") + cChat + hex("00 7E00") + description
														   << hex("02 9800 02 15") + cChat + hex("00 7E00") + description << QString();
			// The description's length needs its high byte.
			QTest::newRow("description above 255 bytes") << PacePasswordId::PACE_CAN << QByteArray() << longDescription << QByteArray()
														 << hex("02 00 00 1B02") + longDescription
														 << hex("02 2002 02 00 00 1B02") + longDescription << QString();
			QTest::newRow("transmitted password") << PacePasswordId::PACE_PUK << QByteArray() << QByteArray() << QByteArray("1234567890")
												  << hex("04 00 0A 31323334353637383930 0000")
												  << hex("02 0F00 04 00 0A 31323334353637383930 0000") << QString();
			QTest::newRow("CHAT of 255 bytes") << PacePasswordId::PACE_PIN << QByteArray(255, 'c') << QByteArray() << QByteArray()
											   << hex("03 FF") + QByteArray(255, 'c') + hex("00 0000")
											   << hex("02 0401 03 FF") + QByteArray(255, 'c') + hex("00 0000") << QString();
			QTest::newRow("CHAT of 256 bytes") << PacePasswordId::PACE_PIN << QByteArray(256, 'c') << QByteArray() << QByteArray()
											   << QByteArray() << hex("02 0000")
											   << QStringLiteral("Certificate Holder Authorization Template of size > 0xFF not supported");
			// Its length byte would otherwise name only the low byte of 256.
			QTest::newRow("password of 256 bytes") << PacePasswordId::PACE_PIN << QByteArray() << QByteArray() << QByteArray(256, '1')
												   << QByteArray() << hex("02 0000")
												   << QStringLiteral("Transmitted password of size > 0xFF not supported");
			QTest::newRow("description of 65535 bytes") << PacePasswordId::PACE_CAN << QByteArray() << QByteArray(0xFFFF, 'd') << QByteArray()
														<< hex("02 00 00 FFFF") + QByteArray(0xFFFF, 'd') << QByteArray()
														<< QStringLiteral("InputData of size > 0xFFFF not supported");
			QTest::newRow("description of 65536 bytes") << PacePasswordId::PACE_CAN << QByteArray() << QByteArray(0x10000, 'd') << QByteArray()
														<< QByteArray() << hex("02 0000")
														<< QStringLiteral("Certificate Description of size > 0xFFFF not supported");
		}


		void createInputData()
		{
			QFETCH(PacePasswordId, passwordId);
			QFETCH(QByteArray, chat);
			QFETCH(QByteArray, description);
			QFETCH(QByteArray, password);
			QFETCH(QByteArray, inputData);
			QFETCH(QByteArray, featureCommand);
			QFETCH(QString, message);

			EstablishPaceChannel channel(passwordId, chat, description);
			if (!password.isNull())
			{
				channel.setTransmittedPassword(password);
			}

			LogCapture capture;
			QCOMPARE(channel.createInputData(), inputData);
			QCOMPARE(channel.createASN1Struct(), featureCommand);
			if (!message.isEmpty())
			{
				QVERIFY(capture.contains(message));
				QCOMPARE(capture.entries().constFirst().mType, QtCriticalMsg);
				QCOMPARE(capture.entries().constFirst().mCategory, QStringLiteral("card"));
			}
		}


		void fromInputData_data()
		{
			QTest::addColumn<QByteArray>("inputData");
			QTest::addColumn<bool>("parsed");
			QTest::addColumn<PacePasswordId>("passwordId");
			QTest::addColumn<QByteArray>("chat");
			QTest::addColumn<QByteArray>("description");
			QTest::addColumn<QStringList>("messages");

			const QByteArray none;
			const QString wrongSize = QStringLiteral("Decapsulation of command failed. Wrong size.");
			const QString noChat = QStringLiteral("Decapsulation: No CHAT");
			const QString noDescription = QStringLiteral("Decapsulation: No certificate description");

			QTest::newRow("bare PIN") << hex("03 00 00 0000") << true << PacePasswordId::PACE_PIN << none << none << QStringList({noChat, noDescription});
			QTest::newRow("bare PUK needs nothing") << hex("04 00 00 0000") << true << PacePasswordId::PACE_PUK << none << none << QStringList();
			QTest::newRow("CAN with all fields") << hex("02 02 7F4C 03 313233 0300 AABBCC") << true << PacePasswordId::PACE_CAN << hex("7F4C") << hex("AABBCC") << QStringList();
			QTest::newRow("description length high byte") << hex("02 00 00 0001") + QByteArray(256, 'd') << true << PacePasswordId::PACE_CAN << none << QByteArray(256, 'd') << QStringList({noChat});
			QTest::newRow("bad password id") << hex("05 00 00 0000") << false << PacePasswordId::UNKNOWN << none << none << QStringList({QStringLiteral("Decapsulation: Bad PIN ID!")});
			QTest::newRow("one byte too many") << hex("03 00 00 0000 00") << false << PacePasswordId::PACE_PIN << none << none << QStringList({noChat, noDescription, wrongSize});
			QTest::newRow("four bytes") << hex("03 00 00 00") << false << PacePasswordId::UNKNOWN << none << none << QStringList({wrongSize});
			QTest::newRow("empty") << QByteArray() << false << PacePasswordId::UNKNOWN << none << none << QStringList({wrongSize});
			QTest::newRow("CHAT runs past the end") << hex("03 09 7F4C 00 0000") << false << PacePasswordId::PACE_PIN << hex("7F4C000000") << none << QStringList({noDescription, wrongSize});
			QTest::newRow("description runs past the end") << hex("02 00 00 0500 AABB") << false << PacePasswordId::PACE_CAN << none << hex("AABB") << QStringList({noChat, wrongSize});
			QTest::newRow("description length cut off") << hex("02 01 7F 00 00") << false << PacePasswordId::PACE_CAN << hex("7F") << none << QStringList({noDescription, wrongSize});
		}


		void fromInputData()
		{
			QFETCH(QByteArray, inputData);
			QFETCH(bool, parsed);
			QFETCH(PacePasswordId, passwordId);
			QFETCH(QByteArray, chat);
			QFETCH(QByteArray, description);
			QFETCH(QStringList, messages);

			// Fields of an earlier request must not survive.
			EstablishPaceChannel channel(PacePasswordId::PACE_MRZ, hex("0102"), hex("0304"));
			LogCapture capture;
			QCOMPARE(channel.fromInputData(inputData), parsed);
			QCOMPARE(channel.getPasswordId(), passwordId);
			QCOMPARE(channel.getChat(), chat);
			QCOMPARE(channel.getCertificateDescription(), description);
			QCOMPARE(capture.messages(), messages);
			QVERIFY(channel.getTransmittedPassword().isEmpty());
		}


		void inputDataRoundTrip()
		{
			const QByteArray description = readFixture(QStringLiteral("certificate_description_long.der"));
			const EstablishPaceChannel sent(PacePasswordId::PACE_CAN, cChat, description);

			EstablishPaceChannel received;
			QVERIFY(received.fromInputData(sent.createInputData()));
			QCOMPARE(received.getPasswordId(), PacePasswordId::PACE_CAN);
			QCOMPARE(received.getChat(), cChat);
			QCOMPARE(received.getCertificateDescription(), description);
		}


		void createCommandDataCcid_data()
		{
			QTest::addColumn<PacePasswordId>("passwordId");
			QTest::addColumn<QByteArray>("chat");
			QTest::addColumn<QString>("description");
			QTest::addColumn<QByteArray>("password");
			QTest::addColumn<QString>("request");

			QTest::newRow("CAN") << PacePasswordId::PACE_CAN << cChat << QStringLiteral("certificate_description.der") << QByteArray() << QStringLiteral("request_can.der");
			QTest::newRow("CAN, extended length") << PacePasswordId::PACE_CAN << cChat << QStringLiteral("certificate_description_long.der") << QByteArray() << QStringLiteral("request_can_long.der");
			QTest::newRow("PIN, no fields") << PacePasswordId::PACE_PIN << QByteArray() << QString() << QByteArray() << QStringLiteral("request_pin_bare.der");
		}


		void createCommandDataCcid()
		{
			QFETCH(PacePasswordId, passwordId);
			QFETCH(QByteArray, chat);
			QFETCH(QString, description);
			QFETCH(QByteArray, password);
			QFETCH(QString, request);

			const QByteArray der = readFixture(request);
			const EstablishPaceChannel channel(passwordId, chat, description.isEmpty() ? QByteArray() : readFixture(description));
			const QByteArray command = channel.createCommandDataCcid();

			// The DER of another encoder, framed by hand: short or extended Lc, Le 256 (00 short, 01 00 extended).
			QByteArray expected = hex("FF9A0402");
			if (der.size() < 256)
			{
				expected += static_cast<char>(der.size()) + der + hex("00");
			}
			else
			{
				expected += hex("00") + static_cast<char>(der.size() >> 8) + static_cast<char>(der.size() & 0xFF) + der + hex("0100");
			}
			QCOMPARE(command.toHex(), expected.toHex());
			QVERIFY(EstablishPaceChannel::isCcid(command));
		}


		void createCommandDataCcidWithPassword()
		{
			// The password is a NumericString under [2], and an empty CHAT still goes out.
			EstablishPaceChannel channel(PacePasswordId::PACE_PIN, QByteArray(""));
			channel.setTransmittedPassword(QByteArray("123456"));
			QCOMPARE(CommandApdu(channel.createCommandDataCcid()).getData(), hex("3013 A103020103 A208 1206313233343536 A3020400"));
		}


		void createCommandDataCcidUndecodableDescription()
		{
			const EstablishPaceChannel channel(PacePasswordId::PACE_CAN, QByteArray(), hex("30030101FF"));
			LogCapture capture;
			QCOMPARE(CommandApdu(channel.createCommandDataCcid()).getData(), hex("3005 A103020102"));
		}


		void isCcid_data()
		{
			QTest::addColumn<QByteArray>("bytes");
			QTest::addColumn<bool>("ccid");

			QTest::newRow("request") << hex("FF9A0402 05 3003A10100 00") << true;
			QTest::newRow("header only") << hex("FF9A0402") << true;
			QTest::newRow("feature command") << hex("02 0500 0300000000") << false;
			QTest::newRow("other function") << hex("FF9A0403 00") << false;
			QTest::newRow("short") << hex("FF9A04") << false;
			QTest::newRow("empty") << QByteArray() << false;
		}


		void isCcid()
		{
			QFETCH(QByteArray, bytes);
			QFETCH(bool, ccid);

			QCOMPARE(EstablishPaceChannel::isCcid(bytes), ccid);
		}


		void fromCcid_data()
		{
			QTest::addColumn<QByteArray>("command");
			QTest::addColumn<bool>("parsed");
			QTest::addColumn<PacePasswordId>("passwordId");
			QTest::addColumn<QByteArray>("chat");
			QTest::addColumn<QString>("description");
			QTest::addColumn<QString>("message");

			const auto request = [](const QString& pName) {
					return QByteArray(CommandApdu(hex("FF9A0402"), readFixture(pName), CommandApdu::SHORT_MAX_LE));
				};
			const QByteArray none;
			const QString badId = QStringLiteral("Decapsulation: Bad PIN ID!");

			QTest::newRow("CAN") << request(QStringLiteral("request_can.der")) << true << PacePasswordId::PACE_CAN << cChat << QStringLiteral("certificate_description.der") << QString();
			QTest::newRow("CAN, extended length") << request(QStringLiteral("request_can_long.der")) << true << PacePasswordId::PACE_CAN << cChat << QStringLiteral("certificate_description_long.der") << QString();
			QTest::newRow("PIN with password and hash OID") << request(QStringLiteral("request_pin_password.der")) << true << PacePasswordId::PACE_PIN << cChat << QStringLiteral("certificate_description.der") << QString();
			QTest::newRow("bare PIN") << request(QStringLiteral("request_pin_bare.der")) << true << PacePasswordId::PACE_PIN << none << QString() << QStringLiteral("Decapsulation: No CHAT");
			QTest::newRow("PUK drops CHAT and description") << request(QStringLiteral("request_puk_chat.der")) << true << PacePasswordId::PACE_PUK << none << QString() << QString();
			QTest::newRow("password id 5") << request(QStringLiteral("request_id_5.der")) << false << PacePasswordId::UNKNOWN << none << QString() << badId;
			// 259 = 0x0103: only its low byte names the PIN.
			QTest::newRow("password id 259") << request(QStringLiteral("request_id_259.der")) << false << PacePasswordId::UNKNOWN << none << QString() << badId;
			QTest::newRow("unexpected header") << hex("FF9A0403 05 3003A10100 00") << false << PacePasswordId::UNKNOWN << none << QString() << QStringLiteral("Decapsulation of command failed. Unexpected header.");
			QTest::newRow("bad command data") << hex("FF9A0402 03 A10100 00") << false << PacePasswordId::UNKNOWN << none << QString() << QStringLiteral("Decapsulation of command failed. Bad command data.");
			QTest::newRow("no data") << hex("FF9A0402") << false << PacePasswordId::UNKNOWN << none << QString() << QStringLiteral("Decapsulation of command failed. Bad command data.");
			QTest::newRow("empty") << QByteArray() << false << PacePasswordId::UNKNOWN << none << QString() << QStringLiteral("Decapsulation of command failed. Unexpected header.");
		}


		void fromCcid()
		{
			QFETCH(QByteArray, command);
			QFETCH(bool, parsed);
			QFETCH(PacePasswordId, passwordId);
			QFETCH(QByteArray, chat);
			QFETCH(QString, description);
			QFETCH(QString, message);

			EstablishPaceChannel channel(PacePasswordId::PACE_MRZ, hex("0102"), hex("0304"));
			LogCapture capture;
			QCOMPARE(channel.fromCcid(command), parsed);
			QCOMPARE(channel.getPasswordId(), passwordId);
			QCOMPARE(channel.getChat(), chat);
			QCOMPARE(channel.getCertificateDescription(), description.isEmpty() ? QByteArray() : readFixture(description));
			QVERIFY(channel.getTransmittedPassword().isEmpty());
			if (!message.isEmpty())
			{
				QVERIFY(capture.contains(message));
			}
		}


		void ccidRoundTrip()
		{
			const QByteArray description = readFixture(QStringLiteral("certificate_description.der"));
			const EstablishPaceChannel sent(PacePasswordId::PACE_CAN, cChat, description);

			EstablishPaceChannel received;
			QVERIFY(received.fromCcid(sent.createCommandDataCcid()));
			QCOMPARE(received.getPasswordId(), PacePasswordId::PACE_CAN);
			QCOMPARE(received.getChat(), cChat);
			QCOMPARE(received.getCertificateDescription(), description);
		}


};

KENDRAWELL_TEST_MAIN(test_EstablishPaceChannel)
#include "test_EstablishPaceChannel.moc"
