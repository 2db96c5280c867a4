// PACE, terminal and chip authentication and the server's own secure messaging, end to end
// against the OpenPACE card. The eID server's part (the signature over the card's challenge,
// checking the chip-authentication token, protecting the APDUs under the new keys) is done by
// the peer's terminal mode, so nothing of our protocol code checks itself.

#include "asn1/CVCertificateChain.h"
#include "CardSecurityFixture.h"
#include "command/DidAuthenticateEAC1Command.h"
#include "command/DidAuthenticateEAC2Command.h"
#include "command/EstablishPaceChannelCommand.h"
#include "command/TransmitCommand.h"
#include "OpenSslCli.h"
#include "PeerReader.h"
#include "PeerTerminalProcess.h"
#include "TestEnvironment.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace tessarovin;

namespace
{

QString cvc(const QString& pName)
{
	return getProgramDirectory() + QStringLiteral("/fixtures/asn1/cvc/brainpoolP256r1/") + pName;
}


const QByteArray PIN("123456");

// Runs a command on this thread as the worker's thread would, and hands it back.
template<typename Command>
QSharedPointer<Command> execute(Command* pCommand)
{
	QSharedPointer<BaseCardCommand> done;
	QObject::connect(pCommand, &BaseCardCommand::commandDone, [&done](const QSharedPointer<BaseCardCommand>& pDone){
			done = pDone;
		});
	pCommand->execute();
	return done.template objectCast<Command>();
}


QByteArray readFile(const QString& pPath)
{
	QFile file(pPath);
	return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}


} // namespace


class test_ExtendedAccessControl
	: public QObject
{
	Q_OBJECT

	private:
		QTemporaryDir mDir;
		CardSecurityFixture mCardSecurityFixture;
		QByteArray mCardSecurity;
		QByteArray mChipAuthenticationKey;
		CVCertificateChain mChain;

		struct Session
		{
			std::unique_ptr<PeerReader> mCard;
			QSharedPointer<CardConnectionWorker> mWorker;
			std::unique_ptr<PeerTerminalProcess> mTerminal;
			QByteArray mChallenge;
			QByteArray mEphemeralKey;
		};

		// PACE with the PIN and the challenge of EAC1; the terminal holds its ephemeral key.
		// Fails the test on its own; the caller checks QTest::currentTestFailed.
		void open(Session& pSession, const QStringList& pCardOptions = QStringList(), const QStringList& pTerminalOptions = QStringList())
		{
			pSession.mCard = std::make_unique<PeerReader>();
			QVERIFY(pSession.mCard->start(QStringList({"--curves", "13", "--cvca", cvc(QStringLiteral("cvca.cvcert")),
											"--ca-key", mDir.filePath(QStringLiteral("ca.pkcs8")), "--card-security", mDir.filePath(QStringLiteral("card_security.der"))}) << pCardOptions));
			pSession.mWorker = pSession.mCard->connect();
			const auto pace = execute(new EstablishPaceChannelCommand(pSession.mWorker, PacePasswordId::PACE_PIN, PIN, QByteArray(), QByteArray()));
			QVERIFY(pace);
			QVERIFY2(pace->getPaceOutput().isSuccess(), pSession.mCard->peer().readLog().constData());

			const auto eac1 = execute(new DidAuthenticateEAC1Command(pSession.mWorker));
			QVERIFY(eac1);
			QVERIFY2(eac1->getReturnCode() == CardReturnCode::OK, pSession.mCard->peer().readLog().constData());
			QCOMPARE(eac1->getChallenge().size(), 8);
			pSession.mChallenge = eac1->getChallenge();

			pSession.mTerminal = std::make_unique<PeerTerminalProcess>();
			QVERIFY(pSession.mTerminal->start(cvc(QStringLiteral("terminal.pkcs8")), 13, pTerminalOptions));
			const auto key = pSession.mTerminal->request("ephemeral-key");
			QVERIFY2(key, pSession.mTerminal->getLastError().constData());
			QCOMPARE(key->size(), 1);
			pSession.mEphemeralKey = key->constFirst();
		}

	private Q_SLOTS:
		void initTestCase()
		{
			QVERIFY(mDir.isValid());
			const QString caKey = mDir.filePath(QStringLiteral("ca.pkcs8"));
			runOpenSsl({"genpkey", "-algorithm", "EC", "-pkeyopt", "ec_paramgen_curve:brainpoolP256r1", "-outform", "DER", "-out", caKey});
			// The uncompressed point ends the SubjectPublicKeyInfo.
			mChipAuthenticationKey = runOpenSsl({"pkey", "-inform", "DER", "-in", caKey, "-pubout", "-outform", "DER"}).right(65);
			QCOMPARE(mChipAuthenticationKey.size(), 65);

			mCardSecurity = mCardSecurityFixture.sign(CardSecurityFixture::securityInfos({
						CardSecurityFixture::paceInfo(),
						CardSecurityFixture::chipAuthenticationInfo(CardSecurityFixture::CA_ECDH_AES_128, 2, 1)}));
			QVERIFY(!mCardSecurity.isEmpty());
			QFile file(mDir.filePath(QStringLiteral("card_security.der")));
			QVERIFY(file.open(QIODevice::WriteOnly));
			QCOMPARE(file.write(mCardSecurity), mCardSecurity.size());

			// The card trusts the first CVCA; the link certificate brings it to the second one.
			for (const auto& name : {QStringLiteral("link"), QStringLiteral("dv_domestic"), QStringLiteral("terminal")})
			{
				const auto certificate = cvcertificate_st::decode(readFile(cvc(name + QStringLiteral(".cvcert"))));
				QVERIFY(certificate);
				mChain << certificate;
			}
		}


		void authenticationThenServerSecureMessaging_data()
		{
			QTest::addColumn<QByteArray>("auxiliaryData");
			QTest::addColumn<QStringList>("cardOptions");
			QTest::addColumn<QStringList>("terminalOptions");

			// Keys whose x coordinate starts with a zero octet (by chance once in 128 sessions):
			// ID_PICC and Comp(PK_PCD) keep the full field length on every side.
			const QStringList leadingZero({QStringLiteral("--leading-zero-key")});
			QTest::newRow("without auxiliary data") << QByteArray() << QStringList() << QStringList();
			QTest::newRow("card's PACE key with leading zero") << QByteArray() << leadingZero << QStringList();
			QTest::newRow("terminal's ephemeral key with leading zero") << QByteArray() << QStringList() << leadingZero;
			QTest::newRow("with auxiliary data") << runOpenSsl({"asn1parse", "-genconf", "-", "-noout", "-out", "-"},
					"asn1=IMPLICIT:7A,SET:t\n[t]\nage=IMPLICIT:19A,SEQUENCE:age\ncommunity=IMPLICIT:19A,SEQUENCE:community\n"
					"[age]\noid=OID:0.4.0.127.0.7.3.1.4.1\nvalue=IMPLICIT:19A,FORMAT:ASCII,OCTETSTRING:20060515\n"
					"[community]\noid=OID:0.4.0.127.0.7.3.1.4.3\nvalue=IMPLICIT:19A,FORMAT:HEX,OCTETSTRING:02760400000000\n")
					<< QStringList() << QStringList();
		}


		void authenticationThenServerSecureMessaging()
		{
			QFETCH(QByteArray, auxiliaryData);
			QFETCH(QStringList, cardOptions);
			QFETCH(QStringList, terminalOptions);

			Session session;
			open(session, cardOptions, terminalOptions);
			if (QTest::currentTestFailed())
			{
				return;
			}
			auto& terminal = *session.mTerminal;
			if (!cardOptions.isEmpty())
			{
				QCOMPARE(session.mCard->peer().getLastCardEphemeralKey().at(1), '\0');
			}
			if (!terminalOptions.isEmpty())
			{
				QCOMPARE(session.mEphemeralKey.at(1), '\0');
			}

			QByteArrayList signArguments({session.mChallenge, session.mCard->peer().getLastCardEphemeralKey()});
			if (!auxiliaryData.isEmpty())
			{
				signArguments << auxiliaryData;
			}
			const auto signature = terminal.request("sign", signArguments);
			QVERIFY2(signature, terminal.getLastError().constData());

			const auto eac2 = execute(new DidAuthenticateEAC2Command(session.mWorker, mChain, session.mEphemeralKey.toHex(), signature->constFirst().toHex(), auxiliaryData, PIN));
			QVERIFY(eac2);
			QVERIFY2(eac2->getReturnCode() == CardReturnCode::OK, session.mCard->peer().readLog().constData());
			QCOMPARE(eac2->getCardSecurity(), mCardSecurity.toHex());

			// The token proves the card holds the key of EF.CardSecurity; checked by the terminal alone.
			const auto chipAuthentication = terminal.request("chip-authentication",
					{mChipAuthenticationKey, QByteArray::fromHex(eac2->getNonceAsHex()), QByteArray::fromHex(eac2->getAuthTokenAsHex())});
			QVERIFY2(chipAuthentication, terminal.getLastError().constData());

			// The server's APDUs carry its own secure messaging: ours steps aside. One APDU at a
			// time, since the send sequence counter counts the answers too.
			QByteArrayList plainResponses;
			bool first = true;
			for (const char* plain : {"00a4040c09e80704007f00070302", "00b0810000"})
			{
				const auto wrapped = terminal.request("wrap", {QByteArray::fromHex(plain)});
				QVERIFY2(wrapped, terminal.getLastError().constData());
				InputApduInfo info(wrapped->constFirst());
				info.addAcceptableStatusCode("9000");
				info.addAcceptableStatusCode("6282");

				const auto transmit = execute(new TransmitCommand(session.mWorker, {info}, QStringLiteral("slot")));
				QVERIFY(transmit);
				QVERIFY2(transmit->getReturnCode() == CardReturnCode::OK, (transmit->getOutputApduAsHex().join(' ') + ' ' + session.mCard->peer().readLog()).constData());
				QCOMPARE(transmit->getSecureMessagingStopped(), first);
				QCOMPARE(transmit->getOutputApduAsHex().size(), 1);
				first = false;

				const auto unwrapped = terminal.request("unwrap", {QByteArray::fromHex(transmit->getOutputApduAsHex().constFirst())});
				QVERIFY2(unwrapped, terminal.getLastError().constData());
				plainResponses << unwrapped->constFirst().toHex();
			}
			QCOMPARE(plainResponses, QByteArrayList({"9000", "6104130249446282"}));
		}


		void signatureOverAnotherChallenge()
		{
			Session session;
			open(session);
			if (QTest::currentTestFailed())
			{
				return;
			}

			QByteArray challenge = session.mChallenge;
			challenge[0] = static_cast<char>(challenge.at(0) ^ 0x01);
			const auto signature = session.mTerminal->request("sign", {challenge, session.mCard->peer().getLastCardEphemeralKey()});
			QVERIFY(signature);

			const auto eac2 = execute(new DidAuthenticateEAC2Command(session.mWorker, mChain, session.mEphemeralKey.toHex(), signature->constFirst().toHex(), QByteArray(), PIN));
			QVERIFY(eac2);
			QCOMPARE(eac2->getReturnCode(), CardReturnCode::PROTOCOL_ERROR);
			QVERIFY(eac2->getCardSecurity().isEmpty());
			QVERIFY(eac2->getAuthTokenAsHex().isEmpty());
			QVERIFY(session.mCard->peer().readLog().contains("Terminal signature not verified"));
		}


		void tamperedToken()
		{
			Session session;
			open(session);
			if (QTest::currentTestFailed())
			{
				return;
			}
			const auto signature = session.mTerminal->request("sign", {session.mChallenge, session.mCard->peer().getLastCardEphemeralKey()});
			QVERIFY(signature);

			const auto eac2 = execute(new DidAuthenticateEAC2Command(session.mWorker, mChain, session.mEphemeralKey.toHex(), signature->constFirst().toHex(), QByteArray(), PIN));
			QVERIFY(eac2);
			QCOMPARE(eac2->getReturnCode(), CardReturnCode::OK);

			QByteArray token = QByteArray::fromHex(eac2->getAuthTokenAsHex());
			token[0] = static_cast<char>(token.at(0) ^ 0x01);
			QVERIFY(!session.mTerminal->request("chip-authentication", {mChipAuthenticationKey, QByteArray::fromHex(eac2->getNonceAsHex()), token}));
			QCOMPARE(session.mTerminal->getLastError(), QByteArray("ERROR token not verified"));
		}


};

KENDRAWELL_TEST_MAIN(test_ExtendedAccessControl)
#include "test_ExtendedAccessControl.moc"
