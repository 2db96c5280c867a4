// Terminal and chip authentication against a scripted card: the APDUs byte for byte, and where
// each failure stops. The full protocol against an independent card is test_ExtendedAccessControl.

#include "command/DidAuthenticateEAC2Command.h"

#include "asn1/CVCertificate.h"
#include "CardCommandFixture.h"
#include "CardSecurityFixture.h"
#include "LogCapture.h"
#include "TestEnvironment.h"

#include <QFile>

using namespace tessarovin;

namespace
{

const QByteArray TA_ECDSA_SHA_256 = QByteArray::fromHex("04007f00070202020203");
const QByteArray CA_ECDH_AES_128 = QByteArray::fromHex("04007f00070202030202");
const QByteArray NONCE = QByteArray::fromHex("0102030405060708");
const QByteArray TOKEN = QByteArray::fromHex("a1a2a3a4a5a6a7a8");
const QByteArray EPHEMERAL_KEY = QByteArray(1, '\x04') + QByteArray(32, '\x11') + QByteArray(32, '\x22');
const QByteArray SIGNATURE = QByteArray(64, '\x33');

// One BER-TLV with a one- or two-byte tag, written independently of the code under test.
QByteArray tlv(const QByteArray& pTagHex, const QByteArray& pValue)
{
	QByteArray length;
	if (pValue.size() < 0x80)
	{
		length += static_cast<char>(pValue.size());
	}
	else if (pValue.size() < 0x100)
	{
		length += '\x81';
		length += static_cast<char>(pValue.size());
	}
	else
	{
		length += '\x82';
		length += static_cast<char>(pValue.size() >> 8);
		length += static_cast<char>(pValue.size() & 0xFF);
	}
	return QByteArray::fromHex(pTagHex) + length + pValue;
}


// Header, Lc and data (short or extended), Le when given.
QByteArray apdu(const char* pHeaderHex, const QByteArray& pData, const QByteArray& pLeHex = QByteArray())
{
	QByteArray command = QByteArray::fromHex(pHeaderHex);
	if (pData.size() > 255)
	{
		command += '\0';
		command += static_cast<char>(pData.size() >> 8);
		command += static_cast<char>(pData.size() & 0xFF);
	}
	else
	{
		command += static_cast<char>(pData.size());
	}
	return (command + pData + QByteArray::fromHex(pLeHex)).toHex();
}


QByteArray readCertificate(const QString& pName)
{
	QFile file(getProgramDirectory() + QStringLiteral("/fixtures/asn1/cvc/brainpoolP256r1/") + pName + QStringLiteral(".cvcert"));
	return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}


// The content of the outer [APPLICATION 33]: body and signature with their tags.
QByteArray contentOf(const QByteArray& pCertificate)
{
	const auto first = static_cast<uchar>(pCertificate.at(2));
	const int header = first < 0x80 ? 3 : 3 + (first & 0x7F);
	return pCertificate.mid(header);
}


QByteArray referenceOf(const QByteArray& pCertificate, const char* pTagHex)
{
	const QByteArray tag = QByteArray::fromHex(pTagHex);
	const auto position = pCertificate.indexOf(tag);
	return pCertificate.mid(position + tag.size() + 1, static_cast<uchar>(pCertificate.at(position + tag.size())));
}


using Rules = QList<QPair<QByteArray, QByteArray>>;

} // namespace


class test_DidAuthenticateEAC2Command
	: public QObject
{
	Q_OBJECT

	private:
		CardCommandFixture mFixture;
		CardSecurityFixture mCardSecurity;
		QByteArrayList mCertificates;
		CVCertificateChain mChain;
		QByteArray mAuxiliaryData;

		QList<QByteArray> chainCommands(int pCount) const
		{
			QList<QByteArray> commands;
			for (int i = 0; i < pCount; ++i)
			{
				commands << apdu("002281b6", tlv("83", referenceOf(mCertificates.at(i / 2), "42")));
				if (++i < pCount)
				{
					commands << apdu("002a00be", contentOf(mCertificates.at(i / 2)));
				}
			}
			return commands;
		}


		QList<QByteArray> terminalAuthentication(const QByteArray& pAuxiliaryData) const
		{
			const QByteArray chr = referenceOf(mCertificates.constLast(), "5f20");
			return QList<QByteArray>({
						apdu("002281a4", tlv("80", TA_ECDSA_SHA_256) + tlv("83", chr) + pAuxiliaryData + tlv("91", EPHEMERAL_KEY.mid(1, 32))),
						apdu("00820000", SIGNATURE)
					});
		}

	private Q_SLOTS:
		void initTestCase()
		{
			for (const auto& name : {QStringLiteral("link"), QStringLiteral("dv_domestic"), QStringLiteral("terminal")})
			{
				const QByteArray certificate = readCertificate(name);
				QVERIFY(!certificate.isEmpty());
				mCertificates << certificate;
				mChain << cvcertificate_st::decode(certificate);
			}
			mAuxiliaryData = runOpenSsl({"asn1parse", "-genconf", "-", "-noout", "-out", "-"},
					"asn1=IMPLICIT:7A,SET:t\n[t]\nt=IMPLICIT:19A,SEQUENCE:v\n[v]\noid=OID:0.4.0.127.0.7.3.1.4.1\nvalue=IMPLICIT:19A,FORMAT:ASCII,OCTETSTRING:20060515\n");
			QVERIFY(!mAuxiliaryData.isEmpty());
		}


		void init()
		{
			QVERIFY(mFixture.start());
		}


		void cleanup()
		{
			QVERIFY(mFixture.stop());
		}


		void authenticate_data()
		{
			QTest::addColumn<QByteArray>("cardSecurity");
			QTest::addColumn<bool>("withAuxiliaryData");
			QTest::addColumn<Rules>("rules");
			QTest::addColumn<CardReturnCode>("code");
			QTest::addColumn<QList<QByteArray>>("chipAuthentication");
			QTest::addColumn<int>("commandCount");
			QTest::addColumn<bool>("cardSecurityRead");
			QTest::addColumn<QString>("message");

			const QByteArray ca = mCardSecurity.sign(CardSecurityFixture::securityInfos({
						CardSecurityFixture::paceInfo(),
						CardSecurityFixture::chipAuthenticationInfo(CardSecurityFixture::CA_ECDH_AES_128, 2, 41)}));
			const QByteArray ga = apdu("00860000", tlv("7c", tlv("80", EPHEMERAL_KEY)), "00");
			const QByteArray keyId41 = apdu("002241a4", tlv("80", CA_ECDH_AES_128) + tlv("84", QByteArray::fromHex("29")));
			const QByteArray caOnly = apdu("002241a4", tlv("80", CA_ECDH_AES_128));
			// Chain of three: six commands; TA two, READ BINARY one.
			constexpr int all = 11;

			QTest::newRow("with auxiliary data and key id") << ca << true << Rules() << CardReturnCode::OK << QList<QByteArray>({keyId41, ga}) << all << true << QString();
			QTest::newRow("empty auxiliary data") << ca << false << Rules() << CardReturnCode::OK << QList<QByteArray>({keyId41, ga}) << all << true << QString();
			QTest::newRow("key id absent") << mCardSecurity.sign(CardSecurityFixture::securityInfos({CardSecurityFixture::chipAuthenticationInfo(CardSecurityFixture::CA_ECDH_AES_128, 2)}))
										   << false << Rules() << CardReturnCode::OK << QList<QByteArray>({caOnly, ga}) << all << true << QString();
			QTest::newRow("key id of two octets") << mCardSecurity.sign(CardSecurityFixture::securityInfos({CardSecurityFixture::chipAuthenticationInfo(CardSecurityFixture::CA_ECDH_AES_128, 2, 200)}))
												  << false << Rules() << CardReturnCode::OK
												  << QList<QByteArray>({apdu("002241a4", tlv("80", CA_ECDH_AES_128) + tlv("84", QByteArray::fromHex("00c8"))), ga}) << all << true << QString();
			QTest::newRow("version 2 chosen after version 1") << mCardSecurity.sign(CardSecurityFixture::securityInfos({
						CardSecurityFixture::chipAuthenticationInfo(CardSecurityFixture::CA_ECDH_AES_128, 1, 1),
						CardSecurityFixture::chipAuthenticationInfo(CardSecurityFixture::CA_ECDH_AES_128, 2, 41)}))
															  << false << Rules() << CardReturnCode::OK << QList<QByteArray>({keyId41, ga}) << all << true
															  << QStringLiteral("Choose ChipAuthenticationInfo:");
			QTest::newRow("version 1 only") << mCardSecurity.sign(CardSecurityFixture::securityInfos({CardSecurityFixture::chipAuthenticationInfo(CardSecurityFixture::CA_ECDH_AES_128, 1, 41)}))
											<< false << Rules() << CardReturnCode::PROTOCOL_ERROR << QList<QByteArray>() << all - 2 << true
											<< QStringLiteral("No ChipAuthenticationInfo with version 2 found in EF.CardSecurity");
			QTest::newRow("no chip authentication") << mCardSecurity.sign(CardSecurityFixture::securityInfos({CardSecurityFixture::paceInfo()}))
													<< false << Rules() << CardReturnCode::PROTOCOL_ERROR << QList<QByteArray>() << all - 2 << true
													<< QStringLiteral("No ChipAuthenticationInfo found in EF.CardSecurity");
			QTest::newRow("EF.CardSecurity unsigned") << CardSecurityFixture::securityInfos({CardSecurityFixture::chipAuthenticationInfo(CardSecurityFixture::CA_ECDH_AES_128, 2, 41)})
													  << false << Rules() << CardReturnCode::PROTOCOL_ERROR << QList<QByteArray>() << all - 2 << true
													  << QStringLiteral("Cannot parse EF.CardSecurity");
			QTest::newRow("EF.CardSecurity not readable") << ca << false << Rules({{"00b09d", "6982"}}) << CardReturnCode::PROTOCOL_ERROR << QList<QByteArray>() << all - 2 << false
														  << QStringLiteral("Cannot read EF.CardSecurity");
			QTest::newRow("token missing") << ca << false << Rules({{"00860000", (tlv("7c", tlv("81", NONCE)) + QByteArray::fromHex("9000")).toHex()}})
										   << CardReturnCode::PROTOCOL_ERROR << QList<QByteArray>({keyId41, ga}) << all << true
										   << QStringLiteral("Cannot parse chip authentication response");
			QTest::newRow("CA General Authenticate refused") << ca << false << Rules({{"00860000", "6a80"}}) << CardReturnCode::PROTOCOL_ERROR
															 << QList<QByteArray>({keyId41, ga}) << all << true << QStringLiteral("CA General Authenticate failed:");
			QTest::newRow("CA MSE:Set AT refused") << ca << false << Rules({{"002241a4", "6a80"}}) << CardReturnCode::PROTOCOL_ERROR
												   << QList<QByteArray>({keyId41}) << all << true << QStringLiteral("CA MSE:Set AT failed:");
			QTest::newRow("signature refused") << ca << false << Rules({{"00820000", "6300"}}) << CardReturnCode::PROTOCOL_ERROR << QList<QByteArray>() << all - 3 << false
											   << QStringLiteral("TA External Authenticate failed:");
			QTest::newRow("TA MSE:Set AT refused") << ca << false << Rules({{"002281a4", "6a80"}}) << CardReturnCode::PROTOCOL_ERROR << QList<QByteArray>() << all - 4 << false
												   << QStringLiteral("TA MSE:Set AT failed:");
			QTest::newRow("PSO:Verify 6700") << ca << false << Rules({{"002a00be", "6700"}}) << CardReturnCode::WRONG_LENGTH << QList<QByteArray>() << 2 << false << QString();
			QTest::newRow("PSO:Verify refused") << ca << false << Rules({{"002a00be", "6300"}}) << CardReturnCode::PROTOCOL_ERROR << QList<QByteArray>() << 2 << false
												<< QStringLiteral("TA PSO:Verify Certificate failed:");
			QTest::newRow("MSE:Set DST refused") << ca << false << Rules({{"002281b6", "6a88"}}) << CardReturnCode::PROTOCOL_ERROR << QList<QByteArray>() << 1 << false
												 << QStringLiteral("TA MSE:Set DST failed:");
			QTest::newRow("card gone at MSE:Set DST") << ca << false << Rules({{"002281b6", ""}}) << CardReturnCode::COMMAND_FAILED << QList<QByteArray>() << 1 << false
													  << QStringLiteral("TA MSE:Set DST failed.");
		}


		void authenticate()
		{
			QFETCH(QByteArray, cardSecurity);
			QFETCH(bool, withAuxiliaryData);
			QFETCH(Rules, rules);
			QFETCH(CardReturnCode, code);
			QFETCH(QList<QByteArray>, chipAuthentication);
			QFETCH(int, commandCount);
			QFETCH(bool, cardSecurityRead);
			QFETCH(QString, message);
			QVERIFY(!cardSecurity.isEmpty());

			const QByteArray gaAnswer = (tlv("7c", tlv("81", NONCE) + tlv("82", TOKEN)) + QByteArray::fromHex("9000")).toHex();
			const auto connection = mFixture.connect(CardCommandFixture::eidCard("9000", [&rules, &cardSecurity, &gaAnswer](ScriptedCard& pCard){
					for (const auto& [prefix, answer] : std::as_const(rules))
					{
						if (answer.isEmpty())
						{
							pCard.add(prefix, ScriptedCard::answer(QByteArray(), CardReturnCode::COMMAND_FAILED));
							continue;
						}
						pCard.add(prefix, answer);
					}
					pCard.add("002281b6", "9000");
					pCard.add("002a00be", "9000");
					pCard.add("002281a4", "9000");
					pCard.add("00820000", "9000");
					pCard.add("00b09d", cardSecurity.toHex() + "6282");
					pCard.add("002241a4", "9000");
					pCard.add("00860000", gaAnswer);
				}));
			QVERIFY(connection);

			const QByteArray auxiliaryData = withAuxiliaryData ? mAuxiliaryData : QByteArray();
			LogCapture log;
			const auto command = mFixture.run(*connection, connection->createDidAuthenticateEAC2Command(mChain, EPHEMERAL_KEY.toHex(), SIGNATURE.toHex(), auxiliaryData, "123456"));
			QVERIFY(command);
			QCOMPARE(command->getReturnCode(), code);

			const QList<QByteArray> expected = (chainCommands(6) + terminalAuthentication(auxiliaryData) + QList<QByteArray>({"00b09d00000000"}) + chipAuthentication).mid(0, commandCount);
			QCOMPARE(mFixture.commandsAfterInsertion(7), expected);

			QCOMPARE(command->getCardSecurity(), cardSecurityRead ? cardSecurity.toHex() : QByteArray());
			const bool done = code == CardReturnCode::OK;
			QCOMPARE(command->getNonceAsHex(), done ? NONCE.toHex() : QByteArray());
			QCOMPARE(command->getAuthTokenAsHex(), done ? TOKEN.toHex() : QByteArray());
			if (!message.isEmpty())
			{
				QVERIFY2(log.contains(message), qPrintable(log.messages().join(QLatin1Char('\n'))));
			}
		}


		// Nothing to authenticate with: no card traffic, and no crash on the missing terminal certificate.
		void emptyChain()
		{
			const auto connection = mFixture.connect(CardCommandFixture::eidCard());
			QVERIFY(connection);

			const auto command = mFixture.run(*connection, connection->createDidAuthenticateEAC2Command(CVCertificateChain(), EPHEMERAL_KEY.toHex(), SIGNATURE.toHex(), QByteArray(), "123456"));
			QVERIFY(command);
			QCOMPARE(command->getReturnCode(), CardReturnCode::COMMAND_FAILED);
			QCOMPARE(mFixture.commandsAfterInsertion(7), QList<QByteArray>());
		}


};

KENDRAWELL_TEST_MAIN(test_DidAuthenticateEAC2Command)
#include "test_DidAuthenticateEAC2Command.moc"
