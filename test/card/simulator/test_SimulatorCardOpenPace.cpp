#include "SimulatorCard.h"

#include "asn1/ASN1Struct.h"
#include "asn1/ASN1TemplateUtil.h"
#include "asn1/ASN1Util.h"
#include "asn1/CVCertificate.h"
#include "Env.h"
#include "OpenSslCli.h"
#include "PeerTerminalProcess.h"
#include "TestEnvironment.h"
#include "TestPki.h"
#include "VolatileSettings.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace tessarovin;

namespace
{

const QByteArray cPaceOid = QByteArray::fromHex("04007F00070202040202");
const QByteArray cTaOid = QByteArray::fromHex("04007F00070202020203");
const QByteArray cCaOid = QByteArray::fromHex("04007F00070202030202");
// Password references of MSE:Set AT.
constexpr char cCan = 2;
constexpr char cPin = 3;


QByteArray tlv(int pClass, int pTag, const QByteArray& pContent, bool pConstructed = false)
{
	return Asn1Util::encode(pClass, pTag, pContent, pConstructed);
}


QByteArray context(int pTag, const QByteArray& pContent)
{
	return tlv(V_ASN1_CONTEXT_SPECIFIC, pTag, pContent);
}


QByteArray command(const char* pHeader, const QByteArray& pData = QByteArray(), int pLe = CommandApdu::NO_LE)
{
	return CommandApdu(QByteArray::fromHex(pHeader), pData, pLe);
}


// A GENERAL AUTHENTICATE of PACE or chip authentication; all but the last PACE step are chained.
QByteArray generalAuthenticate(const QByteArray& pContent, bool pChained)
{
	return command(pChained ? "10860000" : "00860000", tlv(V_ASN1_APPLICATION, 0x1C, pContent, true), CommandApdu::SHORT_MAX_LE);
}


QByteArray simulatorFixture(const QString& pName)
{
	QFile file(getProgramDirectory() + QStringLiteral("/fixtures/simulator/") + pName);
	return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}


// The simulated card with an OpenPACE terminal in the helper process: this process only carries
// the APDUs, so PACE, the signature of terminal authentication, the check of the chip's token and
// secure messaging all come from OpenPACE.
class OpenPaceTerminal
{
	private:
		SimulatorCard& mCard;
		PeerTerminalProcess& mPeer;

	public:
		OpenPaceTerminal(SimulatorCard& pCard, PeerTerminalProcess& pPeer)
			: mCard(pCard)
			, mPeer(pPeer)
		{
		}


		ResponseApdu sendPlain(const QByteArray& pCommand)
		{
			return mCard.transmit(CommandApdu(pCommand)).mResponseApdu;
		}


		// The value of the answer's data object with the context tag, or null on any failure.
		QByteArray step(const QByteArray& pCommand, int pAnswerTag)
		{
			const auto response = sendPlain(pCommand);
			return response.getStatusCode() == StatusCode::SUCCESS ? ASN1Struct(response.getData()).getData(V_ASN1_CONTEXT_SPECIFIC, pAnswerTag) : QByteArray();
		}


		// Wrapped and unwrapped by the peer; a null response when the peer refuses either.
		std::optional<ResponseApdu> send(const QByteArray& pCommand)
		{
			const auto wrapped = mPeer.request("wrap", {pCommand});
			if (!wrapped)
			{
				return std::nullopt;
			}
			const QByteArray response = sendPlain(wrapped->constFirst());
			const auto unwrapped = mPeer.request("unwrap", {response});
			if (!unwrapped)
			{
				qWarning() << "Response not unwrapped:" << response.toHex() << mPeer.getLastError();
				return std::nullopt;
			}
			return ResponseApdu(unwrapped->constFirst());
		}


		QByteArray sendStatus(const QByteArray& pCommand)
		{
			const auto response = send(pCommand);
			return response ? response->getStatusBytes().toHex().toUpper() : QByteArray("peer: ") + mPeer.getLastError();
		}


};


} // namespace


class test_SimulatorCardOpenPace
	: public QObject
{
	Q_OBJECT

	private:
		QTemporaryDir mDir;
		TestPki mPki;

	private Q_SLOTS:
		void initTestCase()
		{
			Env::getSingleton<VolatileSettings>()->setDelay(0);
			QVERIFY(mDir.isValid());
			QVERIFY(mPki.create(mDir.path(), 44302));
		}


		void authentication_data()
		{
			QTest::addColumn<char>("passwordId");
			QTest::addColumn<QByteArray>("password");
			QTest::addColumn<QByteArray>("statusWord");

			QTest::newRow("CAN") << cCan << QByteArray("284067") << QByteArray("9000");
			QTest::newRow("PIN") << cPin << QByteArray("731862") << QByteArray("9000");
			QTest::newRow("wrong CAN") << cCan << QByteArray("284068") << QByteArray("63C2");
		}


		void authentication()
		{
			QFETCH(char, passwordId);
			QFETCH(QByteArray, password);
			QFETCH(QByteArray, statusWord);

			PeerTerminalProcess peer;
			QVERIFY(peer.start(TestPki::getFixture(QStringLiteral("terminal.pkcs8"))));
			SimulatorCard card{SimulatorFileSystem()};
			OpenPaceTerminal terminal(card, peer);

			const QByteArrayList chain = mPki.getEac1Certificates(TestPki::Chain::VALID);
			const auto terminalCertificate = cvcertificate_st::decode(chain.constLast());
			QVERIFY(terminalCertificate);
			const QByteArray chat = encodeObject(&terminalCertificate->getBody().getCHAT());

			// PACE, the card's messages from the simulator, the terminal's from OpenPACE.
			const auto setAt = terminal.sendPlain(command("0022C1A4", context(0, cPaceOid) + context(3, QByteArray(1, passwordId)) + context(4, QByteArray(1, 13)) + chat));
			QCOMPARE(setAt.getStatusCode(), StatusCode::SUCCESS);
			const QByteArray nonce = terminal.step(generalAuthenticate(QByteArray(), true), 0);
			QCOMPARE(nonce.size(), 16);
			const auto terminalMapping = peer.request("pace-nonce", {QByteArray(1, passwordId), password, nonce});
			QVERIFY2(terminalMapping, peer.getLastError().constData());
			const QByteArray cardMapping = terminal.step(generalAuthenticate(context(1, terminalMapping->constFirst()), true), 2);
			QVERIFY(!cardMapping.isEmpty());
			const auto terminalKey = peer.request("pace-map", {cardMapping});
			QVERIFY2(terminalKey, peer.getLastError().constData());
			const QByteArray cardPaceKey = terminal.step(generalAuthenticate(context(3, terminalKey->constFirst()), true), 4);
			QCOMPARE(cardPaceKey.size(), 65);
			const auto terminalToken = peer.request("pace-key", {cardPaceKey});
			QVERIFY2(terminalToken, peer.getLastError().constData());

			const auto mutualAuthentication = terminal.sendPlain(generalAuthenticate(context(5, terminalToken->constFirst()), false));
			QCOMPARE(mutualAuthentication.getStatusBytes().toHex().toUpper(), statusWord);
			if (statusWord != "9000")
			{
				// No channel on either side: the peer has nothing to wrap under, the card answers in plain.
				QVERIFY(!terminal.send(QByteArray::fromHex("00B0810000")));
				const auto plain = terminal.sendPlain(QByteArray::fromHex("00B0810000"));
				QCOMPARE(plain.getStatusCode(), StatusCode::SUCCESS);
				QCOMPARE(plain.getData(), simulatorFixture(QStringLiteral("dg01.der")));
				return;
			}
			const ASN1Struct paceAnswer(mutualAuthentication.getData());
			QVERIFY2(peer.request("pace-token", {paceAnswer.getData(V_ASN1_CONTEXT_SPECIFIC, 6)}), peer.getLastError().constData());
			const QByteArray carCurr = paceAnswer.getData(V_ASN1_CONTEXT_SPECIFIC, 7);
			QCOMPARE(carCurr, QByteArray("DETESTeID00005"));

			// Terminal authentication under the PACE channel, from the card's trust point on.
			QByteArrayList path = chain;
			while (!path.isEmpty() && cvcertificate_st::decode(path.constFirst())->getBody().getCertificationAuthorityReference() != carCurr)
			{
				path.removeFirst();
			}
			QVERIFY(!path.isEmpty());
			for (const auto& der : std::as_const(path))
			{
				const auto certificate = cvcertificate_st::decode(der);
				QCOMPARE(terminal.sendStatus(command("002281B6", context(3, certificate->getBody().getCertificationAuthorityReference()))), QByteArray("9000"));
				QCOMPARE(terminal.sendStatus(command("002A00BE", certificate->getRawBody() + certificate->getRawSignature())), QByteArray("9000"));
			}
			const auto ephemeralKey = peer.request("ephemeral-key");
			QVERIFY2(ephemeralKey, peer.getLastError().constData());
			const QByteArray ephemeralPoint = ephemeralKey->constFirst();
			const QByteArray terminalReference = terminalCertificate->getBody().getCertificateHolderReference();
			QCOMPARE(terminal.sendStatus(command("002281A4", context(0, cTaOid) + context(3, terminalReference) + context(0x11, ephemeralPoint.mid(1, 32)))), QByteArray("9000"));
			const auto challenge = terminal.send(QByteArray::fromHex("0084000008"));
			QVERIFY(challenge);
			QCOMPARE(challenge->getData().size(), 8);
			const auto signature = peer.request("sign", {challenge->getData(), cardPaceKey});
			QVERIFY2(signature, peer.getLastError().constData());
			QCOMPARE(terminal.sendStatus(command("00820000", signature->constFirst())), QByteArray("9000"));

			// Chip authentication with key 41; OpenPACE checks the card's token and takes the new keys.
			QCOMPARE(terminal.sendStatus(command("002241A4", context(0, cCaOid) + context(4, QByteArray(1, 41)))), QByteArray("9000"));
			const auto chipAuthentication = terminal.send(generalAuthenticate(context(0, ephemeralPoint), false));
			QVERIFY(chipAuthentication);
			QCOMPARE(chipAuthentication->getStatusCode(), StatusCode::SUCCESS);
			const QByteArray cardKey = runOpenSsl({QStringLiteral("pkey"), QStringLiteral("-inform"), QStringLiteral("DER"), QStringLiteral("-in"),
												   getProgramDirectory() + QStringLiteral("/fixtures/simulator/key41.pkcs8"), QStringLiteral("-pubout"),
												   QStringLiteral("-outform"), QStringLiteral("DER")}).right(65);
			const ASN1Struct caAnswer(chipAuthentication->getData());
			QVERIFY2(peer.request("chip-authentication", {cardKey, caAnswer.getData(V_ASN1_CONTEXT_SPECIFIC, 1), caAnswer.getData(V_ASN1_CONTEXT_SPECIFIC, 2)}),
					peer.getLastError().constData());

			const auto dg1 = terminal.send(QByteArray::fromHex("00B0810000"));
			QVERIFY(dg1);
			QCOMPARE(dg1->getStatusCode(), StatusCode::SUCCESS);
			QCOMPARE(dg1->getData(), simulatorFixture(QStringLiteral("dg01.der")));
		}


};

KENDRAWELL_TEST_MAIN(test_SimulatorCardOpenPace)
#include "test_SimulatorCardOpenPace.moc"
