#include "pace/SecureMessaging.h"

#include "LogCapture.h"
#include "LogCategories.h"
#include "OpenSslCli.h"
#include "TestEnvironment.h"

#include <QLoggingCategory>
#include <QTemporaryFile>
#include <QtEndian>
#include <QtTest>

#include <memory>

using namespace tessarovin;

namespace
{

enum class Card
{
	SECURED, // unwraps the command and answers cardResponse under secure messaging
	PLAIN, // answers cardResponse as it is
	TAMPERED_MAC, // as SECURED, with one bit of the MAC flipped
	CRAFTED, // cryptogram of cardResponse (padded unless whole blocks), 99 and outer status from the table
	EMPTY // reports OK without any response
};

const QByteArray cEncKey = QByteArray::fromHex("68406b4162100563d9c901a6154d2901");
const QByteArray cMacKey = QByteArray::fromHex("73ff268784f72af833fdc9464049afc9");


SecurityProtocol protocol()
{
	return SecurityProtocol(Oid(KnownOid::ID_PACE_ECDH_GM_AES_CBC_CMAC_128));
}


QByteArray bytes(int pSize, int pSeed = 1)
{
	QByteArray data(pSize, '\0');
	for (int i = 0; i < pSize; ++i)
	{
		data[i] = static_cast<char>(i * 13 + pSeed);
	}
	return data;
}


QByteArray sscBlock(quint32 pSsc)
{
	QByteArray block(16, '\0');
	qToBigEndian(pSsc, block.data() + 12);
	return block;
}


QByteArray pad(const QByteArray& pData)
{
	QByteArray padded = pData + QByteArray(1, '\x80');
	return padded + QByteArray((16 - padded.size() % 16) % 16, '\0');
}


// A protected answer built by hand, so that each check of the terminal side can be hit alone.
ResponseApdu craftResponse(quint32 pSsc, const QByteArray& pPlain, const QByteArray& pStatus99, const QByteArray& pOuterStatus)
{
	SymmetricCipher cipher(protocol(), cEncKey);
	cipher.setIv(cipher.encrypt(sscBlock(pSsc)));

	QByteArray encryptedObject;
	if (!pPlain.isEmpty())
	{
		const QByteArray cryptogram = cipher.encrypt(pPlain.size() % 16 == 0 ? pPlain : pad(pPlain));
		encryptedObject = QByteArray::fromHex("87") + char(cryptogram.size() + 1) + '\x01' + cryptogram;
	}
	const QByteArray statusObject = QByteArray::fromHex("9902") + pStatus99;
	const QByteArray mac = CipherMac(protocol(), cMacKey).generate(sscBlock(pSsc) + pad(encryptedObject + statusObject));
	return ResponseApdu(encryptedObject + statusObject + QByteArray::fromHex("8e08") + mac + pOuterStatus);
}


} // namespace

Q_DECLARE_METATYPE(Card)

class test_SecureMessaging
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void transmit_data()
		{
			QTest::addColumn<QByteArray>("command");
			QTest::addColumn<bool>("secureMessaging");
			QTest::addColumn<Card>("behaviour");
			QTest::addColumn<QByteArray>("cardResponse");
			QTest::addColumn<QByteArray>("crafted99AndStatus");
			QTest::addColumn<QByteArray>("sentData");
			QTest::addColumn<int>("sentLe");
			QTest::addColumn<CardReturnCode>("returnCode");
			QTest::addColumn<QByteArray>("response");
			QTest::addColumn<bool>("stillSecured");
			QTest::addColumn<QString>("log");

			const QByteArray ok = QByteArray::fromHex("9000");
			const QByteArray file = bytes(256, 7) + ok;
			const QByteArray bigFile = bytes(1000, 3) + ok;
			const QByteArray data16 = bytes(16);
			const QByteArray data300 = bytes(300);
			const QByteArray ext = QByteArray::fromHex("000000");

			// Command cases 1 to 4, short and extended; sentData is the expected start of the protected data.
			QTest::newRow("case 1") << QByteArray::fromHex("00a4000c") << true << Card::SECURED << ok << QByteArray() << QByteArray::fromHex("8e08") << 256 << CardReturnCode::OK << ok << true << QString();
			QTest::newRow("case 2 short Le 256") << QByteArray::fromHex("00b0000000") << true << Card::SECURED << file << QByteArray() << QByteArray::fromHex("9701008e08") << 256 << CardReturnCode::OK << file << true << QString();
			QTest::newRow("case 2 short Le 1") << QByteArray::fromHex("00b0000001") << true << Card::SECURED << QByteArray::fromHex("019000") << QByteArray() << QByteArray::fromHex("9701018e08") << 256 << CardReturnCode::OK << QByteArray::fromHex("019000") << true << QString();
			QTest::newRow("case 2 extended Le 65536") << QByteArray::fromHex("00b00000000000") << true << Card::SECURED << bigFile << QByteArray() << QByteArray::fromHex("970200008e08") << 65536 << CardReturnCode::OK << bigFile << true << QString();
			QTest::newRow("case 2 extended Le 257") << QByteArray::fromHex("00b00000000101") << true << Card::SECURED << ok << QByteArray() << QByteArray::fromHex("970201018e08") << 65536 << CardReturnCode::OK << ok << true << QString();
			QTest::newRow("case 3 short 16 bytes") << QByteArray::fromHex("0022c1a410") + data16 << true << Card::SECURED << ok << QByteArray() << QByteArray::fromHex("872101") << 256 << CardReturnCode::OK << ok << true << QString();
			QTest::newRow("case 3 extended") << QByteArray::fromHex("00d60000") + ext.left(1) + QByteArray::fromHex("012c") + data300 << true << Card::SECURED << ok << QByteArray() << QByteArray::fromHex("8782013101") << 65536 << CardReturnCode::OK << ok << true << QString();
			QTest::newRow("case 4 short") << QByteArray::fromHex("008600001a") + bytes(26) + QByteArray::fromHex("00") << true << Card::SECURED << QByteArray::fromHex("7c0a8108") + bytes(8) + ok << QByteArray() << QByteArray::fromHex("872101") << 256 << CardReturnCode::OK << QByteArray::fromHex("7c0a8108") + bytes(8) + ok << true << QString();
			QTest::newRow("case 4 extended") << QByteArray::fromHex("002a00be00012c") + data300 + QByteArray::fromHex("0000") << true << Card::SECURED << bigFile << QByteArray() << QByteArray::fromHex("8782013101") << 65536 << CardReturnCode::OK << bigFile << true << QString();
			QTest::newRow("chaining bit kept") << QByteArray::fromHex("1086000002") + bytes(2) << true << Card::SECURED << ok << QByteArray() << QByteArray::fromHex("871101") << 256 << CardReturnCode::OK << ok << true << QString();
			QTest::newRow("card error under secure messaging") << QByteArray::fromHex("00b0000000") << true << Card::SECURED << QByteArray::fromHex("6a82") << QByteArray() << QByteArray() << 256 << CardReturnCode::OK << QByteArray::fromHex("6a82") << true << QString();

			// Failures of the channel end secure messaging.
			QTest::newRow("wrong MAC") << QByteArray::fromHex("00b0000000") << true << Card::TAMPERED_MAC << file << QByteArray() << QByteArray() << 256 << CardReturnCode::COMMAND_FAILED << QByteArray() << false << QStringLiteral("MAC on secured ResponseApdu does not match");
			QTest::newRow("plain error answer 6988") << QByteArray::fromHex("00b0000000") << true << Card::PLAIN << QByteArray::fromHex("6988") << QByteArray() << QByteArray() << 256 << CardReturnCode::COMMAND_FAILED << QByteArray() << false << QStringLiteral("No data to decrypt");
			QTest::newRow("99 differs from status word") << QByteArray::fromHex("00b0000000") << true << Card::CRAFTED << QByteArray::fromHex("0102") << QByteArray::fromHex("90006282") << QByteArray() << 256 << CardReturnCode::COMMAND_FAILED << QByteArray() << false << QStringLiteral("SW1SW2 on secured ResponseApdu does not match");
			QTest::newRow("two different unknown status words") << QByteArray::fromHex("00b0000000") << true << Card::CRAFTED << QByteArray::fromHex("0102") << QByteArray::fromHex("00009a00") << QByteArray() << 256 << CardReturnCode::COMMAND_FAILED << QByteArray() << false << QStringLiteral("SW1SW2 on secured ResponseApdu does not match");
			QTest::newRow("same unknown status word") << QByteArray::fromHex("00b0000000") << true << Card::CRAFTED << QByteArray::fromHex("0102") << QByteArray::fromHex("9a009a00") << QByteArray() << 256 << CardReturnCode::OK << QByteArray::fromHex("01029a00") << true << QString();
			QTest::newRow("status word without key") << QByteArray::fromHex("00a4000c") << true << Card::CRAFTED << QByteArray() << QByteArray::fromHex("6a846a84") << QByteArray() << 256 << CardReturnCode::OK << QByteArray::fromHex("6a84") << true << QString();
			QTest::newRow("valid MAC, no padding") << QByteArray::fromHex("00b0000000") << true << Card::CRAFTED << QByteArray(16, '\0') << QByteArray::fromHex("90009000") << QByteArray() << 256 << CardReturnCode::COMMAND_FAILED << QByteArray() << false << QStringLiteral("Cannot find padding delimiter! Message seems to be broken");
			QTest::newRow("valid MAC, unpadding") << QByteArray::fromHex("00b0000000") << true << Card::CRAFTED << QByteArray::fromHex("00118000000000000000000000000000") << QByteArray::fromHex("90009000") << QByteArray() << 256 << CardReturnCode::OK << QByteArray::fromHex("00119000") << true << QString();
			QTest::newRow("empty answer") << QByteArray::fromHex("00b0000000") << true << Card::EMPTY << QByteArray() << QByteArray() << QByteArray() << 256 << CardReturnCode::COMMAND_FAILED << QByteArray() << true << QString();
			QTest::newRow("empty command") << QByteArray() << true << Card::SECURED << ok << QByteArray() << QByteArray() << 0 << CardReturnCode::COMMAND_FAILED << QByteArray() << true << QStringLiteral("CommandApdu is empty");

			// 6700 is reported as such, with or without secure messaging.
			QTest::newRow("6700 under secure messaging") << QByteArray::fromHex("00b0000000") << true << Card::PLAIN << QByteArray::fromHex("6700") << QByteArray() << QByteArray() << 256 << CardReturnCode::WRONG_LENGTH << QByteArray() << true << QString();
			QTest::newRow("6700 plain") << QByteArray::fromHex("00b0000000") << false << Card::PLAIN << QByteArray::fromHex("6700") << QByteArray() << QByteArray() << 256 << CardReturnCode::WRONG_LENGTH << QByteArray() << false << QString();
			QTest::newRow("plain") << QByteArray::fromHex("00b0000000") << false << Card::PLAIN << file << QByteArray() << QByteArray() << 256 << CardReturnCode::OK << file << false << QString();

			// The eID server protects its own APDUs after chip authentication.
			const QByteArray serverSecured = QByteArray::fromHex("0cb000000d970200008e08") + bytes(8) + QByteArray::fromHex("0000");
			const QByteArray serverAnswer = QByteArray::fromHex("990290008e08") + bytes(8, 9) + ok;
			QTest::newRow("command with secure-messaging bits") << serverSecured << true << Card::PLAIN << serverAnswer << QByteArray() << QByteArray() << 65536 << CardReturnCode::OK << serverAnswer << false << QStringLiteral("The eService has established Secure Messaging. Stopping local Secure Messaging.");
		}


		void transmit()
		{
			QFETCH(QByteArray, command);
			QFETCH(bool, secureMessaging);
			QFETCH(Card, behaviour);
			QFETCH(QByteArray, cardResponse);
			QFETCH(QByteArray, crafted99AndStatus);
			QFETCH(QByteArray, sentData);
			QFETCH(int, sentLe);
			QFETCH(CardReturnCode, returnCode);
			QFETCH(QByteArray, response);
			QFETCH(bool, stillSecured);
			QFETCH(QString, log);

			LogCapture capture;
			auto terminal = secureMessaging ? std::make_unique<SecureMessaging>(protocol(), cEncKey, cMacKey) : nullptr;
			SecureMessaging cardSide(protocol(), cEncKey, cMacKey);
			const CommandApdu plainCommand(command);

			// What the card connection does before its reader check.
			if (terminal && SecureMessaging::isSecuredByPeer(plainCommand))
			{
				qCDebug(tessarovin::card) << "The eService has established Secure Messaging. Stopping local Secure Messaging.";
				terminal.reset();
			}

			int transmissions = 0;
			const bool securedBeforeSending = terminal != nullptr;
			CommandApdu sent;
			CommandApdu received;
			const auto cardTransmit = [&](const CommandApdu& pSent) -> ResponseApduResult {
					++transmissions;
					sent = pSent;

					ResponseApdu answer(cardResponse);
					switch (behaviour)
					{
						case Card::SECURED:
						case Card::TAMPERED_MAC:
						{
							received = cardSide.decrypt(pSent);
							answer = cardSide.encrypt(answer);
							if (behaviour == Card::TAMPERED_MAC)
							{
								QByteArray raw = answer;
								raw[raw.size() - 3] = static_cast<char>(raw.at(raw.size() - 3) ^ 0x01);
								answer = ResponseApdu(raw);
							}
							break;
						}

						case Card::CRAFTED:
							answer = craftResponse(terminal->getSendSequenceCounter() + 1, cardResponse, crafted99AndStatus.left(2), crafted99AndStatus.mid(2));
							break;

						case Card::PLAIN:
							break;

						case Card::EMPTY:
							answer = ResponseApdu();
							break;
					}
					return {CardReturnCode::OK, answer};
				};

			bool channelBroken = false;
			const ResponseApduResult result = SecureMessaging::transmit(terminal.get(), plainCommand, cardTransmit, channelBroken);
			if (channelBroken)
			{
				terminal.reset();
			}

			if (transmissions > 0 && securedBeforeSending)
			{
				QVERIFY(sent.isSecureMessaging());
				QCOMPARE(sent.getHeaderBytes().mid(1), plainCommand.getHeaderBytes().mid(1));
				QCOMPARE(static_cast<uchar>(sent.getHeaderBytes().at(0)), static_cast<uchar>(plainCommand.getHeaderBytes().at(0) | 0x0C));
				QVERIFY2(sent.getData().startsWith(sentData), sent.getData().toHex().constData());
				QCOMPARE(sent.getLe(), sentLe);
			}
			else if (transmissions > 0)
			{
				QCOMPARE(QByteArray(sent), QByteArray(plainCommand));
			}
			if (behaviour == Card::SECURED || behaviour == Card::TAMPERED_MAC)
			{
				CommandApdu expected = plainCommand;
				expected.setSecureMessaging(false);
				QCOMPARE(QByteArray(received), QByteArray(expected));
			}

			QCOMPARE(transmissions, plainCommand.isEmpty() ? 0 : 1);
			QCOMPARE(result.mReturnCode, returnCode);
			QCOMPARE(QByteArray(result.mResponseApdu), response);
			QCOMPARE(result.mResponseApdu.isEmpty(), response.isEmpty());
			QCOMPARE(terminal != nullptr, stillSecured);
			if (!log.isEmpty())
			{
				QVERIFY2(capture.contains(log), qPrintable(capture.messages().join(QLatin1Char('\n'))));
			}
			if (returnCode == CardReturnCode::COMMAND_FAILED && !stillSecured)
			{
				QVERIFY(capture.contains(QStringLiteral("Stopping Secure Messaging since it failed. The channel therefore must not be reused.")));
			}
		}


		void counterAdvancesOnFailure()
		{
			SecureMessaging terminal(protocol(), cEncKey, cMacKey);
			QVERIFY(terminal.isInitialized());
			QCOMPARE(terminal.getSendSequenceCounter(), 0u);

			QVERIFY(!terminal.encrypt(CommandApdu(QByteArray::fromHex("00b0000000"))).isEmpty());
			QCOMPARE(terminal.getSendSequenceCounter(), 1u);

			LogCapture capture;
			QVERIFY(terminal.decrypt(ResponseApdu(QByteArray::fromHex("6988"))).isEmpty());
			QVERIFY(capture.contains(QStringLiteral("No data to decrypt")));
			QCOMPARE(terminal.getSendSequenceCounter(), 2u);
		}


		// The first protected command of a channel, recomputed with the openssl tool.
		void wrapAgainstOpenSsl_data()
		{
			QTest::addColumn<QByteArray>("header");
			QTest::addColumn<QByteArray>("data");
			QTest::addColumn<QByteArray>("le");
			QTest::addColumn<QByteArray>("protectedLe");

			QTest::newRow("case 1: header padded once") << QByteArray::fromHex("00a4000c") << QByteArray() << QByteArray() << QByteArray();
			QTest::newRow("case 2") << QByteArray::fromHex("00b08100") << QByteArray() << QByteArray::fromHex("00") << QByteArray::fromHex("970100");
			QTest::newRow("case 3") << QByteArray::fromHex("0022c1a4") << QByteArray::fromHex("800a04007f00070202040202830103") << QByteArray() << QByteArray();
			QTest::newRow("case 4") << QByteArray::fromHex("0022c1a4") << QByteArray::fromHex("800a04007f00070202040202830103") << QByteArray::fromHex("00") << QByteArray::fromHex("970100");
		}


		void wrapAgainstOpenSsl()
		{
			QFETCH(QByteArray, header);
			QFETCH(QByteArray, data);
			QFETCH(QByteArray, le);
			QFETCH(QByteArray, protectedLe);

			SecureMessaging terminal(protocol(), cEncKey, cMacKey);
			const QByteArray lc = data.isEmpty() ? QByteArray() : QByteArray(1, static_cast<char>(data.size()));
			const CommandApdu secured = terminal.encrypt(CommandApdu(header + lc + data + le));

			QByteArray dataObjects;
			if (!data.isEmpty())
			{
				const QString key = QString::fromLatin1(cEncKey.toHex());
				const QByteArray iv = runOpenSsl({"enc", "-aes-128-cbc", "-nopad", "-K", key, "-iv", QString(32, QLatin1Char('0'))}, sscBlock(1));
				const QByteArray cryptogram = runOpenSsl({"enc", "-aes-128-cbc", "-nopad", "-K", key, "-iv", QString::fromLatin1(iv.toHex())}, pad(data));
				QCOMPARE(cryptogram.size(), 16);
				dataObjects = QByteArray::fromHex("871101") + cryptogram;
			}
			dataObjects += protectedLe;

			QByteArray securedHeader = header;
			securedHeader[0] = static_cast<char>(securedHeader.at(0) | 0x0C);
			QTemporaryFile macInput;
			QVERIFY(macInput.open());
			macInput.write(sscBlock(1) + (dataObjects.isEmpty() ? pad(securedHeader) : pad(pad(securedHeader) + dataObjects)));
			macInput.close();
			const QByteArray mac = QByteArray::fromHex(runOpenSsl({"mac", "-cipher", "AES-128-CBC", "-macopt", "hexkey:" + QString::fromLatin1(cMacKey.toHex()), "-in", macInput.fileName(), "CMAC"}).trimmed()).left(8);
			QCOMPARE(mac.size(), 8);

			QCOMPARE(QByteArray(secured).toHex(), (securedHeader + char(dataObjects.size() + 10) + dataObjects + QByteArray::fromHex("8e08") + mac + QByteArray::fromHex("00")).toHex());
		}


		void cardSide_data()
		{
			QTest::addColumn<QByteArray>("plain");
			QTest::addColumn<QByteArray>("expected");

			const QByteArray nested = QByteArray::fromHex("8e08") + bytes(8);
			QTest::newRow("cleared") << QByteArray::fromHex("0cb0000000") << QByteArray::fromHex("00b0000000");
			QTest::newRow("nested checksum keeps bits") << QByteArray::fromHex("0c2a00be0c") + bytes(2) + nested << QByteArray::fromHex("0c2a00be0c") + bytes(2) + nested;
			QTest::newRow("checksum not at the end") << QByteArray::fromHex("0c2a00be0c") + nested + bytes(2) << QByteArray::fromHex("002a00be0c") + nested + bytes(2);
		}


		void cardSide()
		{
			QFETCH(QByteArray, plain);
			QFETCH(QByteArray, expected);

			SecureMessaging terminal(protocol(), cEncKey, cMacKey);
			SecureMessaging cardSm(protocol(), cEncKey, cMacKey);
			QCOMPARE(QByteArray(cardSm.decrypt(terminal.encrypt(CommandApdu(plain)))), expected);
		}


		void cardSideRejects()
		{
			SecureMessaging terminal(protocol(), cEncKey, cMacKey);
			SecureMessaging cardSm(protocol(), cEncKey, cMacKey);
			LogCapture capture;

			QByteArray secured = terminal.encrypt(CommandApdu(QByteArray::fromHex("00b0000000")));
			secured[secured.size() - 2] = static_cast<char>(secured.at(secured.size() - 2) ^ 0x01);
			QVERIFY(cardSm.decrypt(CommandApdu(secured)).isEmpty());
			QVERIFY(capture.contains(QStringLiteral("MAC on secured CommandApdu does not match")));

			QVERIFY(cardSm.decrypt(CommandApdu(QByteArray::fromHex("0cb0000003970100"))).isEmpty());
			QVERIFY(capture.contains(QStringLiteral("Error on decoding mac")));
			QVERIFY(capture.contains(QStringLiteral("Secured CommandApdu is invalid")));

			QVERIFY(cardSm.decrypt(CommandApdu(QByteArray::fromHex("0cb000000487020201"))).isEmpty());
			QVERIFY(capture.contains(QStringLiteral("Error on decoding encrypted data")));
		}


		// A valid MAC over a cryptogram without padding: the command must not pass on with empty data.
		void cardSideUndecryptable()
		{
			SymmetricCipher cipher(protocol(), cEncKey);
			QVERIFY(cipher.setIv(cipher.encrypt(sscBlock(1))));
			const QByteArray encryptedObject = QByteArray::fromHex("871101") + cipher.encrypt(QByteArray(16, '\0'));
			const QByteArray header = QByteArray::fromHex("0cd60000");
			const QByteArray mac = CipherMac(protocol(), cMacKey).generate(sscBlock(1) + pad(pad(header) + encryptedObject));
			const QByteArray data = encryptedObject + QByteArray::fromHex("8e08") + mac;

			SecureMessaging cardSm(protocol(), cEncKey, cMacKey);
			LogCapture capture;
			QVERIFY(cardSm.decrypt(CommandApdu(header + char(data.size()) + data)).isEmpty());
			QVERIFY(capture.contains(QStringLiteral("Cannot find padding delimiter! Message seems to be broken")));
			QVERIFY(!capture.contains(QStringLiteral("MAC on secured CommandApdu does not match")));
		}


		void notInitialized()
		{
			LogCapture capture;
			SecureMessaging sm(SecurityProtocol(Oid(KnownOid::ID_PACE_ECDH_GM_3DES_CBC_CBC)), cEncKey, cMacKey);
			QVERIFY(!sm.isInitialized());
			QVERIFY(sm.encrypt(CommandApdu(QByteArray::fromHex("00b0000000"))).isEmpty());
			QVERIFY(sm.decrypt(ResponseApdu(QByteArray::fromHex("9000"))).isEmpty());
			QVERIFY(sm.decrypt(CommandApdu(QByteArray::fromHex("0cb0000000"))).isEmpty());
			QVERIFY(sm.encrypt(ResponseApdu(QByteArray::fromHex("9000"))).isEmpty());
			QCOMPARE(capture.count(QStringLiteral("SecureMessaging not successfully initialized")), 4);
		}


		void keysOnlyInSecureCategory()
		{
			QLoggingCategory::setFilterRules(QStringLiteral("secure.debug=true"));
			LogCapture capture;
			SecureMessaging sm(protocol(), cEncKey, cMacKey);
			QVERIFY(!sm.encrypt(CommandApdu(QByteArray::fromHex("00200003") + QByteArray::fromHex("06313233343536"))).isEmpty());
			QLoggingCategory::setFilterRules(QString());

			const QList<QByteArray> secrets = {cEncKey.toHex(), cMacKey.toHex(), QByteArrayLiteral("313233343536")};
			for (const auto& secret : secrets)
			{
				bool seen = false;
				for (const auto& entry : capture.entries())
				{
					if (entry.mMessage.contains(QLatin1String(secret)))
					{
						QCOMPARE(entry.mCategory, QStringLiteral("secure"));
						seen = true;
					}
				}
				QVERIFY(seen);
			}
		}


};

KENDRAWELL_TEST_MAIN(test_SecureMessaging)
#include "test_SecureMessaging.moc"
