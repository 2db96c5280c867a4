#include "TestPki.h"

#include "asn1/ASN1Struct.h"
#include "asn1/ASN1TemplateUtil.h"
#include "asn1/ASN1Util.h"
#include "asn1/CVCertificate.h"
#include "asn1/CertificateDescription.h"
#include "Env.h"
#include "OpenSslUtil.h"
#include "OpenSslCli.h"
#include "PeerTerminalProcess.h"
#include "SecureStorage.h"
#include "SimulatorCard.h"
#include "TestEnvironment.h"
#include "TlsChecker.h"
#include "VolatileSettings.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSslCertificate>
#include <QTemporaryDir>
#include <QtTest>

#include <openssl/ec.h>
#include <openssl/obj_mac.h>

using namespace tessarovin;

Q_DECLARE_METATYPE(TestPki::Chain)

namespace
{

constexpr quint16 cPort = 44301;
const QByteArray cTaOid = QByteArray::fromHex("04007F00070202020203");
const QByteArray cCaOid = QByteArray::fromHex("04007F00070202030202");


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


QSharedPointer<const cvcertificate_st> decode(const QByteArray& pDer)
{
	return cvcertificate_st::decode(pDer);
}


// An uncompressed point of brainpoolP256r1 with the given x coordinate: the peer's terminal
// derives ID_PICC from the card's PACE key, of which the card reports only x.
QByteArray pointWithX(const QByteArray& pX)
{
	const OpenSslPtr<EC_GROUP, EC_GROUP_free> group(EC_GROUP_new_by_curve_name(NID_brainpoolP256r1));
	const OpenSslPtr<EC_POINT, EC_POINT_free> point(EC_POINT_new(group.get()));
	const QByteArray compressed = QByteArray(1, '\x02') + pX;
	QByteArray uncompressed(65, '\0');
	if (EC_POINT_oct2point(group.get(), point.get(), reinterpret_cast<const uchar*>(compressed.constData()), static_cast<size_t>(compressed.size()), nullptr) != 1
			|| EC_POINT_point2oct(group.get(), point.get(), POINT_CONVERSION_UNCOMPRESSED, reinterpret_cast<uchar*>(uncompressed.data()), 65, nullptr) != 65)
	{
		return QByteArray();
	}
	return uncompressed;
}


QString run(const QString& pProgram, const QStringList& pArguments, int* pExitCode = nullptr)
{
	QProcess process;
	process.start(pProgram, pArguments);
	if (!process.waitForFinished(30000))
	{
		qWarning() << pProgram << "did not finish:" << process.errorString();
	}
	if (pExitCode)
	{
		*pExitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
	}
	return QString::fromUtf8(process.readAllStandardOutput());
}


QString sha256OfTlsCertificate(const QString& pName)
{
	const QByteArray der = runOpenSsl({QStringLiteral("x509"), QStringLiteral("-in"), TestPki::getFixture(pName + QStringLiteral(".pem")),
									   QStringLiteral("-outform"), QStringLiteral("DER")});
	const QByteArray digest = runOpenSsl({QStringLiteral("dgst"), QStringLiteral("-sha256"), QStringLiteral("-binary")}, der);
	return QString::fromLatin1(digest.toHex().toUpper());
}


} // namespace


class test_TestPki
	: public QObject
{
	Q_OBJECT

	private:
		QTemporaryDir mDir;
		TestPki mPki;

		// cvc-print finds the issuer of a certificate as the file named by its CAR.
		QString trustFolder(const QString& pName, const QMap<QString, QString>& pFiles) const
		{
			const QString folder = mDir.filePath(pName);
			if (!QDir().mkpath(folder))
			{
				return QString();
			}
			for (auto file = pFiles.constBegin(); file != pFiles.constEnd(); ++file)
			{
				QFile::remove(folder + QLatin1Char('/') + file.key());
				if (!QFile::copy(mPki.path(file.value()), folder + QLatin1Char('/') + file.key()))
				{
					return QString();
				}
			}
			return folder;
		}


		QMap<QString, QString> everyIssuer() const
		{
			QMap<QString, QString> files;
			const auto names = QDir(mPki.path(QString())).entryList({QStringLiteral("*.cvcert")});
			for (const auto& name : names)
			{
				const auto certificate = decode(mPki.read(name));
				if (certificate && certificate->getBody().getCHAT().getAccessRole() != AccessRole::AT)
				{
					files.insert(QString::fromLatin1(certificate->getBody().getCertificateHolderReference()), name);
				}
			}
			return files;
		}


		// Terminal authentication of the simulated card with the chain, the peer's terminal signing;
		// the first status word that is not 9000, or 9000. Chip authentication follows a success.
		QByteArray authenticate(TestPki::Chain pChain, PeerTerminalProcess& pTerminal, SimulatorCard& pCard, const QByteArray& pChat) const
		{
			const auto output = pCard.establishPaceChannel(PacePasswordId::PACE_PIN, 6, pChat, mPki.getDescription(pChain));
			if (output.getPaceReturnCode() != CardReturnCode::OK)
			{
				return "PACE";
			}
			const auto send = [&pCard](const QByteArray& pCommand) {
						return pCard.transmit(CommandApdu(pCommand)).mResponseApdu;
					};

			// The card needs the chain from its own trust point on.
			QByteArrayList chain = mPki.getEac1Certificates(pChain);
			for (qsizetype i = 0; i < chain.size(); ++i)
			{
				if (decode(chain.at(i))->getBody().getCertificationAuthorityReference() == output.getCarCurr())
				{
					chain = chain.mid(i);
					break;
				}
			}
			QByteArray terminalReference;
			for (const auto& der : std::as_const(chain))
			{
				const auto certificate = decode(der);
				const auto dst = send(command("002281B6", context(3, certificate->getBody().getCertificationAuthorityReference())));
				if (dst.getStatusCode() != StatusCode::SUCCESS)
				{
					return dst.getStatusBytes().toHex().toUpper();
				}
				const auto verify = send(command("002A00BE", certificate->getRawBody() + certificate->getRawSignature()));
				if (verify.getStatusCode() != StatusCode::SUCCESS)
				{
					return verify.getStatusBytes().toHex().toUpper();
				}
				terminalReference = certificate->getBody().getCertificateHolderReference();
			}

			const auto ephemeralKey = pTerminal.request("ephemeral-key");
			if (!ephemeralKey)
			{
				return "peer: " + pTerminal.getLastError();
			}
			const QByteArray point = ephemeralKey->constFirst();
			const auto setAt = send(command("002281A4", context(0, cTaOid) + context(3, terminalReference) + context(0x11, point.mid(1, 32))));
			if (setAt.getStatusCode() != StatusCode::SUCCESS)
			{
				return setAt.getStatusBytes().toHex().toUpper();
			}
			const QByteArray challenge = send(QByteArray::fromHex("0084000008")).getData();
			const auto signature = pTerminal.request("sign", {challenge, pointWithX(output.getIdIcc())});
			if (!signature)
			{
				return "peer: " + pTerminal.getLastError();
			}
			const auto authenticated = send(command("00820000", signature->constFirst()));
			if (authenticated.getStatusCode() != StatusCode::SUCCESS)
			{
				return authenticated.getStatusBytes().toHex().toUpper();
			}

			// Chip authentication with key 41; the peer checks the card's token.
			const QByteArray cardKey = runOpenSsl({QStringLiteral("pkey"), QStringLiteral("-inform"), QStringLiteral("DER"), QStringLiteral("-in"),
												   getProgramDirectory() + QStringLiteral("/fixtures/simulator/key41.pkcs8"), QStringLiteral("-pubout"),
												   QStringLiteral("-outform"), QStringLiteral("DER")}).right(65);
			if (send(command("002241A4", context(0, cCaOid) + context(4, QByteArray(1, 41)))).getStatusCode() != StatusCode::SUCCESS)
			{
				return "MSE:Set AT CA";
			}
			const auto chipAuthentication = send(command("00860000", tlv(V_ASN1_APPLICATION, 0x1C, context(0, point), true), CommandApdu::SHORT_MAX_LE));
			const ASN1Struct answer(chipAuthentication.getData());
			if (chipAuthentication.getStatusCode() != StatusCode::SUCCESS
					|| !pTerminal.request("chip-authentication", {cardKey, answer.getData(V_ASN1_CONTEXT_SPECIFIC, 1), answer.getData(V_ASN1_CONTEXT_SPECIFIC, 2)}))
			{
				return "chip authentication: " + pTerminal.getLastError();
			}
			return "9000";
		}

	private Q_SLOTS:
		void initTestCase()
		{
			Env::getSingleton<VolatileSettings>()->setDelay(0);
			QVERIFY(mDir.isValid());
			QVERIFY(mPki.create(mDir.filePath(QStringLiteral("pki")), cPort));
		}


		void chainVerifies_data()
		{
			QTest::addColumn<QString>("certificate");
			QTest::addColumn<bool>("swapRoot");
			QTest::addColumn<QString>("result");

			const QString verified = QStringLiteral("certificate verified");
			const QString refused = QStringLiteral("certificate not verified");
			// The link CVCA is accepted under its expired issuer, as by the card.
			QTest::newRow("link CVCA") << QStringLiteral("DETESTeID00006.cvcert") << false << verified;
			QTest::newRow("link CVCA under another key") << QStringLiteral("DETESTeID00006.cvcert") << true << refused;
			QTest::newRow("DV domestic") << QStringLiteral("dv_domestic.cvcert") << false << verified;
			QTest::newRow("DV foreign") << QStringLiteral("dv_foreign.cvcert") << false << verified;
			QTest::newRow("DV SHA-384") << QStringLiteral("dv_sha384.cvcert") << false << verified;
			QTest::newRow("DV productive") << QStringLiteral("dv_productive.cvcert") << false << verified;
			// OpenPACE refuses the DV for its date: it is expired indeed.
			QTest::newRow("DV expired") << QStringLiteral("dv_expired.cvcert") << false << refused;
			QTest::newRow("terminal") << QStringLiteral("terminal.cvcert") << false << verified;
			QTest::newRow("terminal under SHA-384 DV") << QStringLiteral("terminal_sha384_dv.cvcert") << false << verified;
			QTest::newRow("terminal productive") << QStringLiteral("terminal_productive.cvcert") << false << verified;
			QTest::newRow("terminal without subject URL") << QStringLiteral("terminal_no_subject_url.cvcert") << false << verified;
			QTest::newRow("terminal with wrong description") << QStringLiteral("terminal_wrong_description.cvcert") << false << verified;
		}


		void chainVerifies()
		{
			QFETCH(QString, certificate);
			QFETCH(bool, swapRoot);
			QFETCH(QString, result);

			auto issuers = everyIssuer();
			if (swapRoot)
			{
				issuers.insert(QStringLiteral("DETESTeID00005"), QStringLiteral("DETESTeID00004.cvcert"));
			}
			const QString folder = trustFolder(swapRoot ? QStringLiteral("swapped") : QStringLiteral("trust"), issuers);
			QVERIFY(!folder.isEmpty());

			const QString output = run(QStringLiteral("cvc-print"), {QStringLiteral("-c"), mPki.path(certificate), QStringLiteral("--cvc-dir=") + folder});
			QCOMPARE(output.trimmed().split(QLatin1Char('\n')).constLast(), result);
		}


		void chains_data()
		{
			QTest::addColumn<TestPki::Chain>("chain");
			QTest::addColumn<int>("dvs");
			QTest::addColumn<int>("terminals");
			QTest::addColumn<QByteArray>("root");
			QTest::addColumn<bool>("datesValid");

			QTest::newRow("valid") << TestPki::Chain::VALID << 1 << 1 << QByteArray("DETESTeID00004") << true;
			QTest::newRow("expired DV") << TestPki::Chain::EXPIRED_DV << 1 << 1 << QByteArray("DETESTeID00004") << false;
			QTest::newRow("productive") << TestPki::Chain::PRODUCTIVE << 1 << 1 << QByteArray("DEPRODCVCA00001") << true;
			QTest::newRow("description mismatch") << TestPki::Chain::DESCRIPTION_MISMATCH << 1 << 1 << QByteArray("DETESTeID00004") << true;
			QTest::newRow("no subject URL") << TestPki::Chain::NO_SUBJECT_URL << 1 << 1 << QByteArray("DETESTeID00004") << true;
			QTest::newRow("two DVs") << TestPki::Chain::TWO_DVS << 2 << 1 << QByteArray("DETESTeID00004") << true;
			QTest::newRow("no terminal") << TestPki::Chain::NO_TERMINAL << 1 << 0 << QByteArray("DETESTeID00004") << true;
			QTest::newRow("mixed hash") << TestPki::Chain::MIXED_HASH << 1 << 1 << QByteArray("DETESTeID00004") << true;
		}


		void chains()
		{
			QFETCH(TestPki::Chain, chain);
			QFETCH(int, dvs);
			QFETCH(int, terminals);
			QFETCH(QByteArray, root);
			QFETCH(bool, datesValid);

			// Each certificate hangs below the root or a certificate before it.
			const auto certificates = mPki.getEac1Certificates(chain);
			QVERIFY(!certificates.isEmpty());
			QCOMPARE(decode(certificates.constFirst())->getBody().getCertificationAuthorityReference(), root);

			int dvCount = 0;
			int terminalCount = 0;
			bool valid = true;
			QSet<QByteArray> holders {root};
			const QDate today = QDateTime::currentDateTimeUtc().date();
			for (const auto& der : certificates)
			{
				const auto certificate = decode(der);
				QVERIFY(certificate);
				const auto& body = certificate->getBody();
				const auto role = body.getCHAT().getAccessRole();
				dvCount += role == AccessRole::DV_od || role == AccessRole::DV_no_f ? 1 : 0;
				terminalCount += role == AccessRole::AT ? 1 : 0;
				QVERIFY(holders.contains(body.getCertificationAuthorityReference()));
				holders << body.getCertificateHolderReference();
				// The card's trust point expired long ago; nobody checks dates before the last CVCA.
				if (body.getCertificateHolderReference() != "DETESTeID00005")
				{
					valid = valid && body.getEffectiveDate() <= today && today <= body.getExpirationDate();
				}
			}
			QCOMPARE(dvCount, dvs);
			QCOMPARE(terminalCount, terminals);
			QCOMPARE(valid, datesValid);
		}


		void mixedHash()
		{
			const auto certificates = mPki.getEac1Certificates(TestPki::Chain::MIXED_HASH);
			QCOMPARE(decode(certificates.at(2))->getBody().getHashAlgorithm(), QCryptographicHash::Sha384);
			QCOMPARE(decode(certificates.at(3))->getBody().getHashAlgorithm(), QCryptographicHash::Sha256);
		}


		void descriptionMatches_data()
		{
			QTest::addColumn<TestPki::Chain>("chain");
			QTest::addColumn<bool>("matches");

			QTest::newRow("valid") << TestPki::Chain::VALID << true;
			QTest::newRow("expired DV") << TestPki::Chain::EXPIRED_DV << true;
			QTest::newRow("productive") << TestPki::Chain::PRODUCTIVE << true;
			QTest::newRow("description mismatch") << TestPki::Chain::DESCRIPTION_MISMATCH << false;
			QTest::newRow("no subject URL") << TestPki::Chain::NO_SUBJECT_URL << true;
			QTest::newRow("mixed hash") << TestPki::Chain::MIXED_HASH << true;
		}


		void descriptionMatches()
		{
			QFETCH(TestPki::Chain, chain);
			QFETCH(bool, matches);

			const QString terminal = mPki.path(mPki.getEac1CertificateNames(chain).constLast());
			const QString description = mPki.path(mPki.getDescriptionName(chain));
			int exitCode = -1;
			const QString output = run(getProgramDirectory() + QStringLiteral("/DescriptionCheck"), {terminal, description}, &exitCode);
			QCOMPARE(output.trimmed(), matches ? QStringLiteral("matches") : QStringLiteral("does not match"));
			QCOMPARE(exitCode, matches ? 0 : 1);

			// cvc-print says the same of a match; it also says so of a mismatch, hence the check above.
			if (matches)
			{
				const QString printed = run(QStringLiteral("cvc-print"), {QStringLiteral("-c"), terminal, QStringLiteral("-d"), description});
				QVERIFY(printed.contains(QStringLiteral("certificate description matches certificate")));
			}
		}


		void descriptionContent_data()
		{
			QTest::addColumn<TestPki::Chain>("chain");
			QTest::addColumn<QString>("subjectUrl");

			QTest::newRow("valid") << TestPki::Chain::VALID << QStringLiteral("https://127.0.0.1:%1").arg(cPort);
			QTest::newRow("no subject URL") << TestPki::Chain::NO_SUBJECT_URL << QString();
		}


		void descriptionContent()
		{
			QFETCH(TestPki::Chain, chain);
			QFETCH(QString, subjectUrl);

			const auto description = CertificateDescription::decode(mPki.getDescription(chain));
			QVERIFY(description);
			QCOMPARE(description->getSubjectUrl(), subjectUrl);
			QCOMPARE(description->getSubjectName(), QStringLiteral("Tessarovin Testdienst GmbH"));
			QCOMPARE(description->getPurpose(), QStringLiteral("Test der Online-Ausweisfunktion"));
			if (!subjectUrl.isEmpty())
			{
				QCOMPARE(mPki.getSubjectUrl(), subjectUrl);
			}

			QSet<QString> listed;
			const auto names = TestPki::getListedTlsCertificates();
			for (const auto& name : names)
			{
				listed << sha256OfTlsCertificate(name);
			}
			QCOMPARE(listed.size(), 4);
			QCOMPARE(description->getCommCertificates(), listed);
			QVERIFY(!description->getCommCertificates().contains(sha256OfTlsCertificate(QStringLiteral("outsider"))));
		}


		void securityConfiguration()
		{
			// The configuration is compiled into this test as ":/config.json".
			const auto& storage = SecureStorage::getInstance();
			QVERIFY(storage.isValid());
			QCOMPARE(storage.getCVRootCertificates(false), QByteArrayList {mPki.read(QStringLiteral("DETESTeID00004.cvcert"))});
			QCOMPARE(storage.getCVRootCertificates(true), QByteArrayList {TestPki::readFixture(QStringLiteral("DEPRODCVCA00001.cvcert"))});

			const auto& psk = storage.getTlsConfig(SecureStorage::TlsSuite::PSK).getConfiguration();
			QCOMPARE(psk.protocol(), QSsl::TlsV1_2);
			QVERIFY(!psk.ciphers().isEmpty());
			QCOMPARE(psk.ciphers().constFirst().name(), QStringLiteral("RSA-PSK-AES256-GCM-SHA384"));
			QCOMPARE(storage.getTlsConfig().getConfiguration().protocol(), QSsl::TlsV1_2);

			// RSA 3072 and P-256 pass the minimum sizes, RSA 2048 does not.
			const QStringList names {QStringLiteral("provider"), QStringLiteral("eid_server"), QStringLiteral("redirect"), QStringLiteral("outsider"), QStringLiteral("weak")};
			for (const auto& name : names)
			{
				const auto certificates = QSslCertificate::fromPath(TestPki::getFixture(name + QStringLiteral(".pem")));
				QCOMPARE(certificates.size(), 1);
				QCOMPARE(TlsChecker::hasValidCertificateKeyLength(certificates.constFirst(), TlsChecker::cDefaultMinimumKeySize), name != QLatin1String("weak"));
			}
			QVERIFY(TlsChecker::isValidKeyLength(256, QSsl::Ec, storage.getMinimumKeySize(QSsl::Ec)));
		}


		void terminalAuthentication_data()
		{
			QTest::addColumn<TestPki::Chain>("chain");
			QTest::addColumn<QString>("terminalKey");
			QTest::addColumn<QByteArray>("result");

			const QString key = QStringLiteral("terminal.pkcs8");
			QTest::newRow("valid") << TestPki::Chain::VALID << key << QByteArray("9000");
			QTest::newRow("signed with another key") << TestPki::Chain::VALID << QStringLiteral("dv_domestic.pkcs8") << QByteArray("6300");
			QTest::newRow("mixed hash") << TestPki::Chain::MIXED_HASH << key << QByteArray("9000");
			// The card never compares dates; refusing the DV is for the client's pre-verification.
			QTest::newRow("expired DV") << TestPki::Chain::EXPIRED_DV << key << QByteArray("9000");
			// The productive root is no trust point of the card: MSE:Set DST finds no such key.
			QTest::newRow("productive") << TestPki::Chain::PRODUCTIVE << key << QByteArray("6A88");
		}


		void terminalAuthentication()
		{
			QFETCH(TestPki::Chain, chain);
			QFETCH(QString, terminalKey);
			QFETCH(QByteArray, result);

			PeerTerminalProcess terminal;
			QVERIFY(terminal.start(TestPki::getFixture(terminalKey)));

			const auto terminalCertificate = decode(mPki.getEac1Certificates(chain).constLast());
			const QByteArray chat = encodeObject(&terminalCertificate->getBody().getCHAT());
			SimulatorCard card{SimulatorFileSystem()};
			QCOMPARE(authenticate(chain, terminal, card, chat), result);
		}


};

KENDRAWELL_TEST_MAIN(test_TestPki)
#include "test_TestPki.moc"
