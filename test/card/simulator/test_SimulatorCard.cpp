#include "SimulatorCard.h"

#include "apdu/GeneralAuthenticateResponse.h"
#include "asn1/ASN1Struct.h"
#include "asn1/ASN1Util.h"
#include "asn1/CVCertificate.h"
#include "asn1/SecurityInfos.h"
#include "Env.h"
#include "LogCapture.h"
#include "OpenSslCli.h"
#include "pace/CardTransmitter.h"
#include "pace/PaceHandler.h"
#include "pace/SecureMessaging.h"
#include "pace/ec/EcUtil.h"
#include "TestEnvironment.h"
#include "VolatileSettings.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <openssl/ecdsa.h>
#include <openssl/obj_mac.h>

using namespace tessarovin;

namespace
{

const QByteArray cPaceOid = QByteArray::fromHex("04007F00070202040202");
const QByteArray cPace256Oid = QByteArray::fromHex("04007F00070202040204");
const QByteArray cCaOid = QByteArray::fromHex("04007F00070202030202");
const QByteArray cRiOid = QByteArray::fromHex("04007F00070202050203");
const QByteArray cRiSha1Oid = QByteArray::fromHex("04007F00070202050201");
const QByteArray cTaOid = QByteArray::fromHex("04007F00070202020203");
const QByteArray cDateOfBirthOid = QByteArray::fromHex("04007F000703010401");


QString fixturePath(const QString& pName)
{
	return getProgramDirectory() + QStringLiteral("/fixtures/simulator/") + pName;
}


QByteArray fixture(const QString& pName)
{
	QFile file(fixturePath(pName));
	return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}


QByteArray tlv(int pClass, int pTag, const QByteArray& pContent, bool pConstructed = false)
{
	return Asn1Util::encode(pClass, pTag, pContent, pConstructed);
}


QByteArray context(int pTag, const QByteArray& pContent)
{
	return tlv(V_ASN1_CONTEXT_SPECIFIC, pTag, pContent);
}


QByteArray oidObject(const QByteArray& pOid)
{
	return tlv(V_ASN1_UNIVERSAL, V_ASN1_OBJECT, pOid);
}


QByteArray dynamicAuthenticationData(const QByteArray& pContent)
{
	return tlv(V_ASN1_APPLICATION, 0x1C, pContent, true);
}


QByteArray command(const char* pHeader, const QByteArray& pData = QByteArray(), int pLe = CommandApdu::NO_LE)
{
	return CommandApdu(QByteArray::fromHex(pHeader), pData, pLe);
}


QByteArray mseSetAtPace(const QByteArray& pOid, char pPassword, const QByteArray& pChat = QByteArray())
{
	return command("0022C1A4", context(0, pOid) + context(3, QByteArray(1, pPassword)) + context(4, QByteArray(1, 13)) + pChat);
}


QByteArray chat()
{
	return tlv(V_ASN1_APPLICATION, 0x4C, oidObject(QByteArray::fromHex("04007F000703010202")) + tlv(V_ASN1_APPLICATION, 0x13, QByteArray::fromHex("3C0F13FFE7")), true);
}


QByteArray auxiliaryData(const QByteArray& pAgeVerificationDate)
{
	const QByteArray entry = tlv(V_ASN1_APPLICATION, 0x13, oidObject(cDateOfBirthOid) + tlv(V_ASN1_APPLICATION, 0x13, pAgeVerificationDate), true);
	return tlv(V_ASN1_APPLICATION, 0x07, entry, true);
}


// The uncompressed public point of a key file: the last 65 octets of its SubjectPublicKeyInfo.
QByteArray publicPoint(const QString& pKeyFile, const char* pForm)
{
	return runOpenSsl({QStringLiteral("pkey"), QStringLiteral("-inform"), QLatin1String(pForm), QStringLiteral("-in"), pKeyFile,
					   QStringLiteral("-pubout"), QStringLiteral("-outform"), QStringLiteral("DER")}).right(65);
}


QByteArray deriveWithOpenSsl(const QString& pKeyFile, const char* pKeyForm, const QString& pPeerKeyFile)
{
	return runOpenSsl({QStringLiteral("pkeyutl"), QStringLiteral("-derive"), QStringLiteral("-inkey"), pKeyFile, QStringLiteral("-keyform"),
					   QLatin1String(pKeyForm), QStringLiteral("-peerkey"), pPeerKeyFile});
}


// The key-derivation function of the 128-bit AES protocols: SHA-1 over secret, nonce and counter.
QByteArray kdfWithOpenSsl(const QByteArray& pSecret, const QByteArray& pNonce, char pCounter)
{
	return runOpenSsl({QStringLiteral("dgst"), QStringLiteral("-sha1"), QStringLiteral("-binary")}, pSecret + pNonce + QByteArray(3, '\0') + pCounter).left(16);
}


QByteArray cmacWithOpenSsl(const QByteArray& pKey, const QByteArray& pData)
{
	const QByteArray hex = runOpenSsl({QStringLiteral("mac"), QStringLiteral("-cipher"), QStringLiteral("AES-128-CBC"),
									   QStringLiteral("-macopt"), QStringLiteral("hexkey:") + QString::fromLatin1(pKey.toHex()), QStringLiteral("CMAC")}, pData);
	return QByteArray::fromHex(hex.trimmed()).left(8);
}


// The card as our terminal reaches it; keeps the last answer so that a test sees its status word.
class CardOnTransmitter
	: public CardTransmitter
{
	public:
		SimulatorCard& mCard;
		ResponseApdu mLastResponse;

		explicit CardOnTransmitter(SimulatorCard& pCard)
			: mCard(pCard)
			, mLastResponse()
		{
		}


		ResponseApduResult transmit(const CommandApdu& pCommandApdu) override
		{
			const auto result = mCard.transmit(pCommandApdu);
			mLastResponse = result.mResponseApdu;
			return result;
		}


		[[nodiscard]] QSharedPointer<const SecurityInfos> getEfCardAccess() const override
		{
			return SecurityInfos::decode(fixture(QStringLiteral("ef_card_access.der")));
		}


};


// Our terminal: PACE with the PaceHandler, then every command under its session keys.
class Terminal
{
	private:
		SimulatorCard& mCard;
		QSharedPointer<CardOnTransmitter> mTransmitter;
		std::unique_ptr<SecureMessaging> mSecureMessaging;

	public:
		explicit Terminal(SimulatorCard& pCard)
			: mCard(pCard)
			, mTransmitter(new CardOnTransmitter(pCard))
			, mSecureMessaging()
		{
		}


		EstablishPaceChannelOutput pace(PacePasswordId pPasswordId, const QByteArray& pPassword, const QByteArray& pChat = QByteArray())
		{
			PaceHandler handler(mTransmitter);
			if (!pChat.isEmpty())
			{
				handler.setChat(pChat);
			}
			const auto output = handler.establishPaceChannel(pPasswordId, pPassword);
			if (output.isSuccess())
			{
				startSecureMessaging(handler.getPaceProtocol(), handler.getEncryptionKey(), handler.getMacKey());
			}
			return output;
		}


		void startSecureMessaging(const SecurityProtocol& pProtocol, const QByteArray& pEncryptionKey, const QByteArray& pMacKey)
		{
			mSecureMessaging = std::make_unique<SecureMessaging>(pProtocol, pEncryptionKey, pMacKey);
		}


		void stopSecureMessaging()
		{
			mSecureMessaging.reset();
		}


		[[nodiscard]] const ResponseApdu& lastPaceResponse() const
		{
			return mTransmitter->mLastResponse;
		}


		ResponseApdu send(const QByteArray& pCommand)
		{
			if (!mSecureMessaging)
			{
				return mCard.transmit(CommandApdu(pCommand)).mResponseApdu;
			}
			const auto response = mCard.transmit(mSecureMessaging->encrypt(CommandApdu(pCommand))).mResponseApdu;
			return mSecureMessaging->decrypt(response);
		}


};


} // namespace


class test_SimulatorCard
	: public QObject
{
	Q_OBJECT

	private:
		QTemporaryDir mPki;

		QString pki(const char* pName) const
		{
			return mPki.filePath(QLatin1String(pName));
		}


		static bool cvcCreate(const QStringList& pArguments)
		{
			QProcess process;
			process.start(QStringLiteral("cvc-create"), pArguments);
			if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
			{
				qWarning() << "cvc-create failed:" << process.readAllStandardError();
				return false;
			}
			return true;
		}


		QSharedPointer<const cvcertificate_st> certificate(const char* pName) const
		{
			QFile file(pki(pName));
			return file.open(QIODevice::ReadOnly) ? cvcertificate_st::decode(file.readAll()) : QSharedPointer<const cvcertificate_st>();
		}


		// The plain r ‖ s signature of the terminal's key, made by the openssl tool.
		QByteArray signAsTerminal(const QByteArray& pData) const
		{
			const QByteArray der = runOpenSsl({QStringLiteral("dgst"), QStringLiteral("-sha256"), QStringLiteral("-keyform"), QStringLiteral("DER"),
											   QStringLiteral("-sign"), pki("terminal.pkcs8")}, pData);
			const auto* data = reinterpret_cast<const unsigned char*>(der.constData());
			const OpenSslPtr<ECDSA_SIG, ECDSA_SIG_free> signature(d2i_ECDSA_SIG(nullptr, &data, der.size()));
			if (!signature)
			{
				return QByteArray();
			}
			QByteArray plain(64, '\0');
			BN_bn2binpad(ECDSA_SIG_get0_r(signature.get()), reinterpret_cast<unsigned char*>(plain.data()), 32);
			BN_bn2binpad(ECDSA_SIG_get0_s(signature.get()), reinterpret_cast<unsigned char*>(plain.data()) + 32, 32);
			return plain;
		}


		static QByteArray verifyCertificateCommand(const QSharedPointer<const cvcertificate_st>& pCertificate)
		{
			return command("002A00BE", pCertificate->getRawBody() + pCertificate->getRawSignature());
		}


		static QByteArray mseSetDst(const QByteArray& pReference)
		{
			return command("002281B6", context(3, pReference));
		}

	private Q_SLOTS:
		void initTestCase()
		{
			Env::getSingleton<VolatileSettings>()->setDelay(0);

			// A DV and a terminal under the card's trust point, and a link certificate after it.
			QVERIFY(mPki.isValid());
			const QString trustPoint = fixturePath(QStringLiteral("DETESTeID00005.cvcert"));
			const QString trustPointKey = fixturePath(QStringLiteral("DETESTeID00005.pkcs8"));
			const QStringList dates {QStringLiteral("--issued=240101"), QStringLiteral("--expires=451231"), QStringLiteral("--scheme=ECDSA_SHA_256")};
			QVERIFY(cvcCreate(QStringList {QStringLiteral("--role=dv_domestic"), QStringLiteral("--chr=DETESTDV000001"),
										   QStringLiteral("--sign-as=") + trustPoint, QStringLiteral("--sign-with=") + trustPointKey,
										   QStringLiteral("--out-cert=") + pki("dv.cvcert"), QStringLiteral("--out-key=") + pki("dv.pkcs8")} + dates));
			QVERIFY(cvcCreate(QStringList {QStringLiteral("--role=terminal"), QStringLiteral("--type=at"), QStringLiteral("--chr=DETESTTERM00001"),
										   QStringLiteral("--sign-as=") + pki("dv.cvcert"), QStringLiteral("--sign-with=") + pki("dv.pkcs8"),
										   QStringLiteral("--out-cert=") + pki("terminal.cvcert"), QStringLiteral("--out-key=") + pki("terminal.pkcs8"),
										   QStringLiteral("--verify-age")} + dates));
			runOpenSsl({QStringLiteral("genpkey"), QStringLiteral("-algorithm"), QStringLiteral("EC"), QStringLiteral("-pkeyopt"),
								 QStringLiteral("ec_paramgen_curve:brainpoolP256r1"), QStringLiteral("-pkeyopt"), QStringLiteral("ec_param_enc:explicit"),
								 QStringLiteral("-outform"), QStringLiteral("DER"), QStringLiteral("-out"), pki("link.pkcs8")});
			QVERIFY(QFile::exists(pki("link.pkcs8")));
			QVERIFY(cvcCreate(QStringList {QStringLiteral("--role=cvca"), QStringLiteral("--chr=DETESTeID00006"),
										   QStringLiteral("--sign-as=") + trustPoint, QStringLiteral("--sign-with=") + trustPointKey,
										   QStringLiteral("--key=") + pki("link.pkcs8"), QStringLiteral("--out-cert=") + pki("link.cvcert")} + dates));
		}


		void connection()
		{
			SimulatorCard card{SimulatorFileSystem()};
			QVERIFY(!card.isConnected());
			QCOMPARE(card.releaseConnection(), CardReturnCode::COMMAND_FAILED);
			QCOMPARE(card.establishConnection(), CardReturnCode::OK);
			QCOMPARE(card.establishConnection(), CardReturnCode::COMMAND_FAILED);
			QVERIFY(card.isConnected());
			QCOMPARE(card.releaseConnection(), CardReturnCode::OK);
			QVERIFY(!card.isConnected());
		}


		void apdu_data()
		{
			QTest::addColumn<QByteArrayList>("commands");
			QTest::addColumn<QByteArray>("statusWord");
			// Null: the data is not compared, only its size (-1: not even that).
			QTest::addColumn<QByteArray>("data");
			QTest::addColumn<int>("dataSize");

			const QByteArray cardAccess = fixture(QStringLiteral("ef_card_access.der"));
			const QByteArray paceOk = mseSetAtPace(cPaceOid, 3);
			const QByteArray emptyGa = dynamicAuthenticationData(QByteArray());
			const QByteArray terminalPoint = EcUtil::getEncodedPublicKey(EcUtil::generateKey(NID_brainpoolP256r1));

			QTest::newRow("select EF.CardAccess") << QByteArrayList {command("00A4020C", QByteArray::fromHex("011C"))} << QByteArray("9000") << QByteArray("") << 0;
			QTest::newRow("read after select") << QByteArrayList {command("00A4020C", QByteArray::fromHex("011C")), QByteArray::fromHex("00B0000000")} << QByteArray("9000") << cardAccess << 0;
			QTest::newRow("read by short file id") << QByteArrayList {QByteArray::fromHex("00B09C0000")} << QByteArray("9000") << cardAccess << 0;
			QTest::newRow("read missing short file id") << QByteArrayList {QByteArray::fromHex("00B09F0000")} << QByteArray("6A80") << QByteArray("") << 0;
			QTest::newRow("failed selection leaves none") << QByteArrayList {QByteArray::fromHex("00B09C0000"), QByteArray::fromHex("00B09F0000"), QByteArray::fromHex("00B0000000")} << QByteArray("6A82") << QByteArray("") << 0;
			QTest::newRow("short file id at offset reads selected") << QByteArrayList {QByteArray::fromHex("00B09C0000"), QByteArray::fromHex("00B0810200")} << QByteArray("6282") << cardAccess.mid(2) << 0;
			QTest::newRow("update then read") << QByteArrayList {command("00D68100", QByteArray::fromHex("414243")), QByteArray::fromHex("00B0810000")} << QByteArray("9000") << QByteArray("ABC") << 0;
			QTest::newRow("select unknown type") << QByteArrayList {command("00A4010C", QByteArray::fromHex("011C"))} << QByteArray("6A82") << QByteArray("") << 0;
			QTest::newRow("select eID application") << QByteArrayList {command("00A4040C", QByteArray::fromHex("E80704007F00070302"))} << QByteArray("9000") << QByteArray("") << 0;
			QTest::newRow("select other application") << QByteArrayList {command("00A4040C", QByteArray::fromHex("E80704007F00070301"))} << QByteArray("6A82") << QByteArray("") << 0;
			QTest::newRow("select master file") << QByteArrayList {command("00A4000C", QByteArray::fromHex("3F00"))} << QByteArray("9000") << QByteArray("") << 0;
			QTest::newRow("select other master file") << QByteArrayList {command("00A4000C", QByteArray::fromHex("3F01"))} << QByteArray("6A82") << QByteArray("") << 0;
			QTest::newRow("verify not proprietary") << QByteArrayList {command("00208000", oidObject(cDateOfBirthOid))} << QByteArray("6E00") << QByteArray("") << 0;
			QTest::newRow("verify without auxiliary data") << QByteArrayList {command("80208000", oidObject(cDateOfBirthOid))} << QByteArray("6300") << QByteArray("") << 0;
			QTest::newRow("change PIN") << QByteArrayList {command("002C0203", QByteArray("123456"))} << QByteArray("9000") << QByteArray("") << 0;
			QTest::newRow("unblock PIN") << QByteArrayList {QByteArray::fromHex("002C0303")} << QByteArray("9000") << QByteArray("") << 0;
			QTest::newRow("reset retry counter other P1") << QByteArrayList {QByteArray::fromHex("002C0403")} << QByteArray("6A86") << QByteArray("") << 0;
			QTest::newRow("reset retry counter other P2") << QByteArrayList {QByteArray::fromHex("002C0302")} << QByteArray("6A86") << QByteArray("") << 0;
			QTest::newRow("deactivate PIN") << QByteArrayList {QByteArray::fromHex("00041003")} << QByteArray("9000") << QByteArray("") << 0;
			QTest::newRow("activate PIN") << QByteArrayList {QByteArray::fromHex("00441003")} << QByteArray("9000") << QByteArray("") << 0;
			QTest::newRow("deactivate other P1") << QByteArrayList {QByteArray::fromHex("00041103")} << QByteArray("6A86") << QByteArray("") << 0;
			QTest::newRow("unknown instruction") << QByteArrayList {QByteArray::fromHex("00B10000")} << QByteArray("6D00") << QByteArray("") << 0;
			QTest::newRow("PSO compute") << QByteArrayList {QByteArray::fromHex("002B0000")} << QByteArray("6D00") << QByteArray("") << 0;
			QTest::newRow("get challenge") << QByteArrayList {QByteArray::fromHex("0084000008")} << QByteArray("9000") << QByteArray() << 8;
			QTest::newRow("MSE other P2") << QByteArrayList {command("0022C1A0", context(0, cPaceOid))} << QByteArray("6A86") << QByteArray("") << 0;
			QTest::newRow("MSE:Set AT empty") << QByteArrayList {QByteArray::fromHex("0022C1A4")} << QByteArray("6700") << QByteArray("") << 0;
			QTest::newRow("MSE:Set AT other P1") << QByteArrayList {command("002201A4", context(0, cPaceOid))} << QByteArray("6A86") << QByteArray("") << 0;
			QTest::newRow("MSE:Set AT PACE") << QByteArrayList {paceOk} << QByteArray("9000") << QByteArray("") << 0;
			QTest::newRow("MSE:Set AT PACE with CA protocol") << QByteArrayList {mseSetAtPace(cCaOid, 3)} << QByteArray("6A88") << QByteArray("") << 0;
			QTest::newRow("MSE:Set AT PACE unknown password") << QByteArrayList {mseSetAtPace(cPaceOid, 5)} << QByteArray("6A88") << QByteArray("") << 0;
			QTest::newRow("MSE:Set AT PACE without password") << QByteArrayList {command("0022C1A4", context(0, cPaceOid))} << QByteArray("6A80") << QByteArray("") << 0;
			QTest::newRow("MSE:Set AT TA without certificate") << QByteArrayList {command("002281A4", context(0, cTaOid) + context(3, "DETESTeID00005"))} << QByteArray("6A88") << QByteArray("") << 0;
			QTest::newRow("MSE:Set AT CA with PACE protocol") << QByteArrayList {command("002241A4", context(0, cPaceOid) + context(4, QByteArray(1, 41)))} << QByteArray("6A88") << QByteArray("") << 0;
			QTest::newRow("MSE:Set AT CA without key id") << QByteArrayList {command("002241A4", context(0, cCaOid))} << QByteArray("6A80") << QByteArray("") << 0;
			QTest::newRow("MSE:Set AT CA missing key") << QByteArrayList {command("002241A4", context(0, cCaOid) + context(4, QByteArray(1, 99)))} << QByteArray("9000") << QByteArray("") << 0;
			QTest::newRow("CA with missing key") << QByteArrayList {command("002241A4", context(0, cCaOid) + context(4, QByteArray(1, 99))), command("00860000", dynamicAuthenticationData(context(0, terminalPoint)))} << QByteArray("6985") << QByteArray("") << 0;
			QTest::newRow("CA without terminal key") << QByteArrayList {command("002241A4", context(0, cCaOid) + context(4, QByteArray(1, 41))), command("00860000", emptyGa)} << QByteArray("6A80") << QByteArray("") << 0;
			QTest::newRow("CA with bad terminal key") << QByteArrayList {command("002241A4", context(0, cCaOid) + context(4, QByteArray(1, 41))), command("00860000", dynamicAuthenticationData(context(0, QByteArray::fromHex("0401"))))} << QByteArray("6A80") << QByteArray("") << 0;
			QTest::newRow("RI with SHA-1") << QByteArrayList {command("002241A4", context(0, cRiOid) + context(4, QByteArray(1, 1))), command("00860000", dynamicAuthenticationData(oidObject(cRiSha1Oid) + context(6, terminalPoint)))} << QByteArray("6981") << QByteArray("") << 0;
			QTest::newRow("RI without sector key") << QByteArrayList {command("002241A4", context(0, cRiOid) + context(4, QByteArray(1, 1))), command("00860000", dynamicAuthenticationData(oidObject(cRiOid)))} << QByteArray("6A80") << QByteArray("") << 0;
			QTest::newRow("MSE:Set DST without certificate") << QByteArrayList {mseSetDst("DETESTeID00005")} << QByteArray("6A88") << QByteArray("") << 0;
			QTest::newRow("PSO:Verify without certificate") << QByteArrayList {command("002A00BE", QByteArray::fromHex("7F4E00"))} << QByteArray("6985") << QByteArray("") << 0;
			QTest::newRow("external authenticate empty") << QByteArrayList {QByteArray::fromHex("00820000")} << QByteArray("6700") << QByteArray("") << 0;
			QTest::newRow("external authenticate without TA") << QByteArrayList {command("00820000", QByteArray(64, '\x01'))} << QByteArray("6985") << QByteArray("") << 0;
			QTest::newRow("general authenticate empty") << QByteArrayList {QByteArray::fromHex("00860000")} << QByteArray("6700") << QByteArray("") << 0;
			QTest::newRow("general authenticate without protocol") << QByteArrayList {command("00860000", emptyGa)} << QByteArray("6300") << QByteArray("") << 0;
			QTest::newRow("PACE step without chaining") << QByteArrayList {paceOk, command("00860000", emptyGa)} << QByteArray("6E00") << QByteArray("") << 0;
			QTest::newRow("PACE encrypted nonce") << QByteArrayList {paceOk, command("10860000", emptyGa)} << QByteArray("9000") << QByteArray() << 20;
			QTest::newRow("PACE bad mapping data") << QByteArrayList {paceOk, command("10860000", emptyGa), command("10860000", dynamicAuthenticationData(context(1, QByteArray::fromHex("0401"))))} << QByteArray("6A80") << QByteArray("") << 0;
			QTest::newRow("PACE token after failed mapping") << QByteArrayList {paceOk, command("10860000", emptyGa), command("10860000", emptyGa), command("10860000", emptyGa), command("00860000", dynamicAuthenticationData(context(5, QByteArray(8, '\0'))))} << QByteArray("63C2") << QByteArray("") << 0;
			QTest::newRow("PACE unsupported protocol") << QByteArrayList {mseSetAtPace(cPace256Oid, 3), command("10860000", emptyGa)} << QByteArray("6300") << QByteArray("") << 0;
			QTest::newRow("PACE last step chained") << QByteArrayList {paceOk, command("10860000", emptyGa), command("10860000", emptyGa), command("10860000", emptyGa), command("10860000", emptyGa)} << QByteArray("6883") << QByteArray("") << 0;
			QTest::newRow("PACE restarts after 6883") << QByteArrayList {paceOk, command("10860000", emptyGa), command("10860000", emptyGa), command("10860000", emptyGa), command("10860000", emptyGa), command("10860000", emptyGa)} << QByteArray("9000") << QByteArray() << 20;
		}


		void apdu()
		{
			QFETCH(QByteArrayList, commands);
			QFETCH(QByteArray, statusWord);
			QFETCH(QByteArray, data);
			QFETCH(int, dataSize);

			SimulatorCard card{SimulatorFileSystem()};
			ResponseApduResult result;
			for (const auto& apdu : std::as_const(commands))
			{
				result = card.transmit(CommandApdu(apdu));
				QCOMPARE(result.mReturnCode, CardReturnCode::OK);
			}
			QCOMPARE(result.mResponseApdu.getStatusBytes().toHex().toUpper(), statusWord);
			if (data.isNull())
			{
				if (dataSize >= 0)
				{
					QCOMPARE(result.mResponseApdu.getData().size(), dataSize);
				}
			}
			else
			{
				QCOMPARE(result.mResponseApdu.getData(), data);
			}
		}


		void pace_data()
		{
			QTest::addColumn<PacePasswordId>("passwordId");
			QTest::addColumn<QByteArray>("password");
			QTest::addColumn<bool>("success");

			QTest::newRow("CAN") << PacePasswordId::PACE_CAN << QByteArray("284067") << true;
			QTest::newRow("PIN") << PacePasswordId::PACE_PIN << QByteArray("731862") << true;
			QTest::newRow("PUK") << PacePasswordId::PACE_PUK << QByteArray("4602719385") << true;
			QTest::newRow("wrong CAN") << PacePasswordId::PACE_CAN << QByteArray("284068") << false;
			QTest::newRow("PIN as CAN") << PacePasswordId::PACE_CAN << QByteArray("731862") << false;
		}


		void pace()
		{
			QFETCH(PacePasswordId, passwordId);
			QFETCH(QByteArray, password);
			QFETCH(bool, success);

			SimulatorCard card{SimulatorFileSystem()};
			Terminal terminal(card);
			const auto output = terminal.pace(passwordId, password);
			QCOMPARE(output.isSuccess(), success);
			QCOMPARE(terminal.lastPaceResponse().getStatusCode(), success ? StatusCode::SUCCESS : StatusCode::PIN_RETRY_COUNT_2);

			// Under the session keys the card serves DG1 as it is; after a failure it stays in plain.
			const auto dg1 = terminal.send(QByteArray::fromHex("0CB0810000"));
			if (success)
			{
				QCOMPARE(dg1.getStatusCode(), StatusCode::SUCCESS);
				QCOMPARE(dg1.getData(), fixture(QStringLiteral("dg01.der")));
			}
			const auto plain = card.transmit(CommandApdu(QByteArray::fromHex("00B0810000"))).mResponseApdu;
			QCOMPARE(plain.getStatusCode(), StatusCode::SUCCESS);
			QCOMPARE(plain.getData(), fixture(QStringLiteral("dg01.der")));
		}


		void paceCarCurr_data()
		{
			QTest::addColumn<bool>("withChat");

			QTest::newRow("without CHAT") << false;
			QTest::newRow("with CHAT") << true;
		}


		void paceCarCurr()
		{
			QFETCH(bool, withChat);

			SimulatorCard card{SimulatorFileSystem()};
			Terminal terminal(card);
			const auto output = terminal.pace(PacePasswordId::PACE_PIN, "731862", withChat ? chat() : QByteArray());
			QCOMPARE(output.getPaceReturnCode(), CardReturnCode::OK);
			QCOMPARE(output.getCarCurr(), withChat ? QByteArray("DETESTeID00005") : QByteArray());
			QVERIFY(output.getCarPrev().isEmpty());
			QCOMPARE(output.getIdIcc().size(), 32);
		}


		void newPinIsNotStored()
		{
			SimulatorCard card{SimulatorFileSystem()};
			QCOMPARE(card.transmit(CommandApdu(command("002C0203", "112233"))).mResponseApdu.getStatusCode(), StatusCode::SUCCESS);
			Terminal terminal(card);
			QCOMPARE(terminal.pace(PacePasswordId::PACE_PIN, "731862").getPaceReturnCode(), CardReturnCode::OK);
		}


		void secureMessaging()
		{
			SimulatorCard card{SimulatorFileSystem()};
			Terminal terminal(card);
			QCOMPARE(terminal.pace(PacePasswordId::PACE_CAN, "284067").getPaceReturnCode(), CardReturnCode::OK);

			// A wrong checksum reads as an empty command.
			SecureMessaging wrongKeys(SecurityProtocol(Oid(KnownOid::ID_PACE_ECDH_GM_AES_CBC_CMAC_128)), QByteArray(16, '\x01'), QByteArray(16, '\x02'));
			const auto forged = card.transmit(wrongKeys.encrypt(CommandApdu(QByteArray::fromHex("00B0810000"))));
			QCOMPARE(forged.mReturnCode, CardReturnCode::OK);
			QVERIFY(forged.mResponseApdu.getStatusCode() != StatusCode::SUCCESS);

			// A plain command ends secure messaging and is answered in plain.
			const auto plain = card.transmit(CommandApdu(QByteArray::fromHex("00B0810000"))).mResponseApdu;
			QCOMPARE(plain.getData(), fixture(QStringLiteral("dg01.der")));
			QCOMPARE(plain.getStatusCode(), StatusCode::SUCCESS);

			QCOMPARE(card.destroyPaceChannel(), CardReturnCode::OK);
		}


		void pinPad_data()
		{
			QTest::addColumn<QByteArray>("chat");
			QTest::addColumn<QByteArray>("carCurr");

			QTest::newRow("without CHAT") << QByteArray() << QByteArray();
			QTest::newRow("with CHAT") << chat() << QByteArray("DETESTeID00005");
		}


		void pinPad()
		{
			QFETCH(QByteArray, chat);
			QFETCH(QByteArray, carCurr);

			SimulatorCard card{SimulatorFileSystem()};
			const auto output = card.establishPaceChannel(PacePasswordId::PACE_PIN, 6, chat, QByteArray());
			QCOMPARE(output.getPaceReturnCode(), CardReturnCode::OK);
			QCOMPARE(output.getResultCode(), quint32(0));
			QCOMPARE(output.getStatusCodeMseSetAt(), StatusCode::SUCCESS);
			QCOMPARE(output.getEfCardAccess(), fixture(QStringLiteral("ef_card_access.der")));
			QCOMPARE(output.getCarCurr(), carCurr);
			QCOMPARE(output.getIdIcc().size(), chat.isEmpty() ? 0 : 32);

			// With a CHAT the trust point is the certificate that the next MSE:Set DST names.
			const auto dst = card.transmit(CommandApdu(mseSetDst("DETESTeID00005"))).mResponseApdu;
			QCOMPARE(dst.getStatusCode(), chat.isEmpty() ? StatusCode::REFERENCED_DATA_NOT_FOUND : StatusCode::SUCCESS);

			const auto pin = card.setEidPin(30);
			QCOMPARE(pin.mReturnCode, CardReturnCode::OK);
			QCOMPARE(pin.mResponseApdu.getStatusCode(), StatusCode::SUCCESS);
		}


		void pinPadWithoutPaceInfo()
		{
			// EF.CardAccess replaced by a set without PACEInfo.
			const QJsonObject file {
				{QStringLiteral("fileId"), QStringLiteral("011C")},
				{QStringLiteral("shortFileId"), QStringLiteral("1C")},
				{QStringLiteral("content"), QStringLiteral("3100")}
			};
			SimulatorCard card{SimulatorFileSystem(QJsonObject {{QStringLiteral("files"), QJsonArray {file}}})};
			const auto output = card.establishPaceChannel(PacePasswordId::PACE_PIN, 6, chat(), QByteArray());
			QCOMPARE(output.getPaceReturnCode(), CardReturnCode::COMMAND_FAILED);
			QVERIFY(output.getIdIcc().isEmpty());
			QCOMPARE(card.transmit(CommandApdu(mseSetDst("DETESTeID00005"))).mResponseApdu.getStatusCode(), StatusCode::REFERENCED_DATA_NOT_FOUND);
		}


		void terminalAuthentication_data()
		{
			QTest::addColumn<bool>("challengeFirst");
			QTest::addColumn<bool>("forgeSignature");
			QTest::addColumn<QByteArray>("ageVerificationDate");
			QTest::addColumn<QByteArray>("verifyStatus");

			QTest::newRow("challenge first") << true << false << QByteArray("20000101") << QByteArray("9000");
			QTest::newRow("MSE:Set AT first") << false << false << QByteArray("20000101") << QByteArray("9000");
			QTest::newRow("too young") << true << false << QByteArray("19800101") << QByteArray("6300");
			// VERIFY reads the auxiliary data of MSE:Set AT whatever EXTERNAL AUTHENTICATE answered.
			QTest::newRow("forged signature") << true << true << QByteArray("20000101") << QByteArray();
		}


		void terminalAuthentication()
		{
			QFETCH(bool, challengeFirst);
			QFETCH(bool, forgeSignature);
			QFETCH(QByteArray, ageVerificationDate);
			QFETCH(QByteArray, verifyStatus);

			const auto dv = certificate("dv.cvcert");
			const auto terminalCertificate = certificate("terminal.cvcert");
			QVERIFY(dv && terminalCertificate);

			SimulatorCard card{SimulatorFileSystem()};
			Terminal terminal(card);
			const auto output = terminal.pace(PacePasswordId::PACE_PIN, "731862", chat());
			QCOMPARE(output.getPaceReturnCode(), CardReturnCode::OK);

			QCOMPARE(terminal.send(mseSetDst("DETESTeID00005")).getStatusCode(), StatusCode::SUCCESS);
			QCOMPARE(terminal.send(verifyCertificateCommand(dv)).getStatusCode(), StatusCode::SUCCESS);
			QCOMPARE(terminal.send(mseSetDst(dv->getBody().getCertificateHolderReference())).getStatusCode(), StatusCode::SUCCESS);
			QCOMPARE(terminal.send(verifyCertificateCommand(terminalCertificate)).getStatusCode(), StatusCode::SUCCESS);

			const QByteArray ephemeralKey = EcUtil::compressPoint(EcUtil::getEncodedPublicKey(EcUtil::generateKey(NID_brainpoolP256r1)));
			const QByteArray aux = auxiliaryData(ageVerificationDate);
			const QByteArray mseSetAt = command("002281A4", context(0, cTaOid) + context(3, "DETESTTERM00001") + context(0x11, ephemeralKey) + aux);

			QByteArray challenge;
			if (challengeFirst)
			{
				challenge = terminal.send(QByteArray::fromHex("0084000008")).getData();
			}
			QCOMPARE(terminal.send(mseSetAt).getStatusCode(), StatusCode::SUCCESS);
			if (!challengeFirst)
			{
				challenge = terminal.send(QByteArray::fromHex("0084000008")).getData();
			}
			QCOMPARE(challenge.size(), 8);

			QByteArray signature = signAsTerminal(output.getIdIcc() + challenge + ephemeralKey + aux);
			QCOMPARE(signature.size(), 64);
			if (forgeSignature)
			{
				signature[10] = static_cast<char>(signature.at(10) ^ 0x01);
			}
			QCOMPARE(terminal.send(command("00820000", signature)).getStatusCode(), forgeSignature ? StatusCode::VERIFICATION_FAILED : StatusCode::SUCCESS);

			// The input is used once: the same signature does not verify twice.
			QCOMPARE(terminal.send(command("00820000", signature)).getStatusCode(), StatusCode::VERIFICATION_FAILED);

			if (!verifyStatus.isNull())
			{
				const auto verified = terminal.send(command("80208000", oidObject(cDateOfBirthOid)));
				QCOMPARE(verified.getStatusBytes().toHex().toUpper(), verifyStatus);
			}
		}


		void terminalAuthenticationChecks()
		{
			const auto dv = certificate("dv.cvcert");
			const auto terminalCertificate = certificate("terminal.cvcert");
			SimulatorCard card{SimulatorFileSystem()};
			QCOMPARE(card.establishPaceChannel(PacePasswordId::PACE_PIN, 6, chat(), QByteArray()).getPaceReturnCode(), CardReturnCode::OK);

			// The terminal certificate is not signed by the trust point.
			QCOMPARE(card.transmit(CommandApdu(verifyCertificateCommand(terminalCertificate))).mResponseApdu.getStatusCode(), StatusCode::VERIFICATION_FAILED);
			QCOMPARE(card.transmit(CommandApdu(command("002A00BE", QByteArray::fromHex("0102")))).mResponseApdu.getStatusCode(), StatusCode::INVALID_DATAFIELD);
			QCOMPARE(card.transmit(CommandApdu(mseSetDst("DETESTDV000001"))).mResponseApdu.getStatusCode(), StatusCode::REFERENCED_DATA_NOT_FOUND);
			QCOMPARE(card.transmit(CommandApdu(verifyCertificateCommand(dv))).mResponseApdu.getStatusCode(), StatusCode::SUCCESS);

			// MSE:Set AT for TA names the certificate verified last, with its hash.
			QCOMPARE(card.transmit(CommandApdu(command("002281A4", context(0, cTaOid) + context(3, "DETESTTERM00001")))).mResponseApdu.getStatusCode(), StatusCode::REFERENCED_DATA_NOT_FOUND);
			QCOMPARE(card.transmit(CommandApdu(command("002281A4", context(0, cCaOid) + context(3, "DETESTDV000001")))).mResponseApdu.getStatusCode(), StatusCode::REFERENCED_DATA_NOT_FOUND);
			QCOMPARE(card.transmit(CommandApdu(command("002281A4", context(0, QByteArray::fromHex("04007F00070202020202")) + context(3, "DETESTDV000001")))).mResponseApdu.getStatusCode(), StatusCode::NOT_YET_INITIALIZED);
		}


		void linkCertificate()
		{
			const auto link = certificate("link.cvcert");
			QVERIFY(link);

			SimulatorCard card{SimulatorFileSystem()};
			QCOMPARE(card.establishPaceChannel(PacePasswordId::PACE_PIN, 6, chat(), QByteArray()).getPaceReturnCode(), CardReturnCode::OK);
			const LogCapture log;
			QCOMPARE(card.transmit(CommandApdu(mseSetDst("DETESTeID00005"))).mResponseApdu.getStatusCode(), StatusCode::SUCCESS);
			QCOMPARE(card.transmit(CommandApdu(verifyCertificateCommand(link))).mResponseApdu.getStatusCode(), StatusCode::SUCCESS);
			QVERIFY(log.contains(QStringLiteral("Updated TrustPoint to")));

			QCOMPARE(card.establishPaceChannel(PacePasswordId::PACE_PIN, 6, chat(), QByteArray()).getCarCurr(), QByteArray("DETESTeID00006"));
		}


		void chipAuthentication()
		{
			// The terminal's ephemeral key, the card's expected keys and token all come from openssl.
			const QString terminalKey = pki("ca_terminal.pem");
			const QString cardPublicKey = pki("ca_card.pem");
			runOpenSsl({QStringLiteral("genpkey"), QStringLiteral("-algorithm"), QStringLiteral("EC"), QStringLiteral("-pkeyopt"),
								 QStringLiteral("ec_paramgen_curve:brainpoolP256r1"), QStringLiteral("-pkeyopt"), QStringLiteral("ec_param_enc:explicit"),
								 QStringLiteral("-out"), terminalKey});
			QVERIFY(QFile::exists(terminalKey));
			runOpenSsl({QStringLiteral("pkey"), QStringLiteral("-inform"), QStringLiteral("DER"), QStringLiteral("-in"),
								 fixturePath(QStringLiteral("key41.pkcs8")), QStringLiteral("-pubout"), QStringLiteral("-out"), cardPublicKey});
			QVERIFY(QFile::exists(cardPublicKey));
			const QByteArray terminalPoint = publicPoint(terminalKey, "PEM");
			const QByteArray secret = deriveWithOpenSsl(terminalKey, "PEM", cardPublicKey);
			QCOMPARE(secret.size(), 32);
			const QByteArray nonce = QByteArray::fromHex("0001020304050607");
			const QByteArray encKey = kdfWithOpenSsl(secret, nonce, 1);
			const QByteArray macKey = kdfWithOpenSsl(secret, nonce, 2);
			const QByteArray expectedToken = cmacWithOpenSsl(macKey, tlv(V_ASN1_APPLICATION, 0x49, oidObject(cCaOid) + context(6, terminalPoint), true));

			SimulatorCard card{SimulatorFileSystem()};
			Terminal terminal(card);
			QCOMPARE(terminal.pace(PacePasswordId::PACE_PIN, "731862", chat()).getPaceReturnCode(), CardReturnCode::OK);
			QCOMPARE(terminal.send(command("002241A4", context(0, cCaOid) + context(4, QByteArray(1, 41)))).getStatusCode(), StatusCode::SUCCESS);
			const auto answer = terminal.send(command("00860000", dynamicAuthenticationData(context(0, terminalPoint)), CommandApdu::SHORT_MAX_LE));
			QCOMPARE(answer.getStatusCode(), StatusCode::SUCCESS);
			QCOMPARE(answer.getData(), QByteArray::fromHex("7C14810800010203040506078208") + expectedToken);

			// The next command must come under the new keys.
			terminal.startSecureMessaging(SecurityProtocol(Oid(KnownOid::ID_CA_ECDH_AES_CBC_CMAC_128)), encKey, macKey);
			const auto dg1 = terminal.send(QByteArray::fromHex("0CB0810000"));
			QCOMPARE(dg1.getStatusCode(), StatusCode::SUCCESS);
			QCOMPARE(dg1.getData(), fixture(QStringLiteral("dg01.der")));
		}


		void restrictedIdentification_data()
		{
			QTest::addColumn<int>("keyId");

			QTest::newRow("key 1") << 1;
			QTest::newRow("key 2") << 2;
		}


		void restrictedIdentification()
		{
			QFETCH(int, keyId);

			const QString sectorKey = pki("sector.pem");
			runOpenSsl({QStringLiteral("genpkey"), QStringLiteral("-algorithm"), QStringLiteral("EC"), QStringLiteral("-pkeyopt"),
								 QStringLiteral("ec_paramgen_curve:brainpoolP256r1"), QStringLiteral("-pkeyopt"), QStringLiteral("ec_param_enc:explicit"),
								 QStringLiteral("-out"), sectorKey});
			QVERIFY(QFile::exists(sectorKey));
			const QString sectorPublicKey = pki("sector_public.pem");
			runOpenSsl({QStringLiteral("pkey"), QStringLiteral("-in"), sectorKey, QStringLiteral("-pubout"), QStringLiteral("-out"), sectorPublicKey});
			QVERIFY(QFile::exists(sectorPublicKey));
			const QByteArray secret = deriveWithOpenSsl(fixturePath(QStringLiteral("key%1.pkcs8").arg(keyId)), "DER", sectorPublicKey);
			QCOMPARE(secret.size(), 32);
			const QByteArray sectorId = runOpenSsl({QStringLiteral("dgst"), QStringLiteral("-sha256"), QStringLiteral("-binary")}, secret);

			SimulatorCard card{SimulatorFileSystem()};
			QCOMPARE(card.transmit(CommandApdu(command("002241A4", context(0, cRiOid) + context(4, QByteArray(1, static_cast<char>(keyId)))))).mResponseApdu.getStatusCode(), StatusCode::SUCCESS);
			const auto answer = card.transmit(CommandApdu(command("00860000", dynamicAuthenticationData(oidObject(cRiOid) + context(6, publicPoint(sectorKey, "PEM")))))).mResponseApdu;
			QCOMPARE(answer.getStatusCode(), StatusCode::SUCCESS);
			QCOMPARE(answer.getData(), dynamicAuthenticationData(context(1, sectorId)));
		}


};

KENDRAWELL_TEST_MAIN(test_SimulatorCard)
#include "test_SimulatorCard.moc"
