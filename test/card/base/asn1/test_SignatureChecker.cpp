#include "asn1/SignatureChecker.h"

#include "asn1/ASN1Struct.h"
#include "asn1/ASN1Util.h"
#include "CvcFixture.h"

#include "LogCapture.h"
#include "TestEnvironment.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace tessarovin;

namespace
{

const QString cBrainpool = QStringLiteral("brainpoolP256r1");
const QString cP256 = QStringLiteral("prime256v1");

using Certificates = QList<QSharedPointer<const cvcertificate_st>>;


QSharedPointer<const cvcertificate_st> load(const QString& pCurve, const QString& pName)
{
	return cvcertificate_st::decode(CvcFixture::read(pCurve, pName + QStringLiteral(".cvcert")));
}


Certificates loadAll(const QString& pCurve, const QStringList& pNames)
{
	Certificates certificates;
	for (const auto& name : pNames)
	{
		certificates += load(pCurve, name);
	}
	return certificates;
}


QSharedPointer<const cvcertificate_st> signedBy(const CvcFixture::Body& pBody, const QString& pCurve, const QString& pKey, bool pLeadingZero = false)
{
	const QByteArray body = pBody.encode();
	return cvcertificate_st::decode(CvcFixture::certificate(body, CvcFixture::sign(CvcFixture::privateKey(pCurve, pKey), body, pLeadingZero)));
}


// What cvc-print says about a certificate whose issuers lie, named by their CHR, in a folder.
bool cvcPrintVerifies(const QString& pCurve, const QStringList& pIssuers, const QByteArray& pCertificate)
{
	const QTemporaryDir dir;
	for (const auto& issuer : pIssuers)
	{
		QFile::copy(CvcFixture::path(pCurve, issuer + QStringLiteral(".cvcert")),
				dir.filePath(QString::fromLatin1(load(pCurve, issuer)->getBody().getCertificateHolderReference())));
	}
	QFile file(dir.filePath(QStringLiteral("certificate.cvcert")));
	if (!file.open(QIODevice::WriteOnly) || file.write(pCertificate) != pCertificate.size())
	{
		return false;
	}
	file.close();

	QProcess process;
	process.start(QStringLiteral("cvc-print"), {QStringLiteral("--cvc=") + file.fileName(), QStringLiteral("--cvc-dir=") + dir.path()});
	process.waitForFinished(-1);
	const auto lines = QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\n'));
	return lines.contains(QStringLiteral("certificate verified"));
}


QByteArray flipped(const QByteArray& pCertificate)
{
	// The last digit of the effective date: the certificate still decodes, its body differs.
	const CvcFixture::Body body = CvcFixture::bodyOf(pCertificate);
	QByteArray result = pCertificate;
	const auto index = result.indexOf(body.mEffectiveDate) + body.mEffectiveDate.size() - 1;
	result[index] = static_cast<char>(result.at(index) ^ 0x01);
	return result;
}


} // namespace


class test_SignatureChecker
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void fixtureChains_data()
		{
			QTest::addColumn<QString>("curve");
			QTest::addColumn<QStringList>("names");

			for (const auto& curve : {cBrainpool, cP256})
			{
				QTest::addRow("%s root, link, DV, terminal", qPrintable(curve)) << curve << QStringList({"cvca", "link", "dv_domestic", "terminal"});
				QTest::addRow("%s root, foreign DV, terminal", qPrintable(curve)) << curve << QStringList({"cvca", "dv_foreign", "terminal_foreign"});
				QTest::addRow("%s root alone", qPrintable(curve)) << curve << QStringList({"cvca"});
			}
		}


		void fixtureChains()
		{
			QFETCH(QString, curve);
			QFETCH(QStringList, names);

			const LogCapture log;
			QVERIFY(SignatureChecker(loadAll(curve, names)).check());
			QVERIFY(log.messages().isEmpty());

			// OpenPACE verifies the same chain.
			QVERIFY(cvcPrintVerifies(curve, names, CvcFixture::read(curve, names.constLast() + QStringLiteral(".cvcert"))));
		}


		void flippedByteInBody_data()
		{
			QTest::addColumn<QString>("curve");
			QTest::addColumn<int>("index");

			for (const auto& curve : {cBrainpool, cP256})
			{
				for (int index = 0; index < 4; ++index)
				{
					QTest::addRow("%s certificate %d", qPrintable(curve), index) << curve << index;
				}
			}
		}


		void flippedByteInBody()
		{
			QFETCH(QString, curve);
			QFETCH(int, index);

			const QStringList names({"cvca", "link", "dv_domestic", "terminal"});
			const QByteArray changed = flipped(CvcFixture::read(curve, names.at(index) + QStringLiteral(".cvcert")));
			Certificates certificates = loadAll(curve, names);
			certificates[index] = cvcertificate_st::decode(changed);
			QVERIFY(certificates.at(index));

			const LogCapture log;
			QVERIFY(!SignatureChecker(certificates).check());
			const QString chr = QString::fromLatin1(certificates.at(index)->getBody().getCertificateHolderReference());
			QVERIFY2(log.contains(QStringLiteral("Certificate verification failed: \"%1\"").arg(chr)), qPrintable(log.messages().join(QLatin1Char('\n'))));

			if (index > 0)
			{
				QVERIFY(!cvcPrintVerifies(curve, names.mid(0, index), changed));
			}
		}


		void refusedChains_data()
		{
			QTest::addColumn<QStringList>("names");
			QTest::addColumn<QString>("message");

			QTest::newRow("empty") << QStringList() << QStringLiteral("Certificate chain is empty");
			QTest::newRow("DV first") << QStringList({"dv_foreign", "terminal_foreign"}) << QStringLiteral("No elliptic curve parameters");
			QTest::newRow("link first") << QStringList({"link", "dv_domestic", "terminal"}) << QStringLiteral("Certificate verification failed: \"DETESTCVCA00002\"");
			QTest::newRow("link left out") << QStringList({"cvca", "dv_domestic", "terminal"}) << QStringLiteral("Certificate verification failed: \"DETESTDVDE00001\"");
			QTest::newRow("terminal under the wrong DV") << QStringList({"cvca", "dv_foreign", "terminal"}) << QStringLiteral("Certificate verification failed: \"DETESTTERM00001\"");
		}


		void refusedChains()
		{
			QFETCH(QStringList, names);
			QFETCH(QString, message);

			const LogCapture log;
			QVERIFY(!SignatureChecker(loadAll(cP256, names)).check());
			QVERIFY2(log.contains(message), qPrintable(log.messages().join(QLatin1Char('\n'))));
		}


		void rootWithoutCofactor_data()
		{
			QTest::addColumn<QString>("curve");
			QTest::newRow("brainpoolP256r1") << cBrainpool;
			QTest::newRow("P-256") << cP256;
		}


		void rootWithoutCofactor()
		{
			QFETCH(QString, curve);

			// The same root key re-issued without the optional cofactor; the foreign DV stays valid under it.
			auto body = CvcFixture::bodyOf(CvcFixture::read(curve, QStringLiteral("cvca.cvcert")));
			const ASN1Struct key(body.mPublicKey);
			QList<QPair<int, QByteArray>> fields;
			for (int tag = 1; tag <= 6; ++tag)
			{
				fields += qMakePair(tag, key.getData(V_ASN1_CONTEXT_SPECIFIC, tag));
			}
			body.mPublicKey = CvcFixture::publicKey(fields);
			const auto root = signedBy(body, curve, QStringLiteral("cvca.pkcs8"));
			QVERIFY(root);
			QVERIFY(root->getBody().getPublicKey().mCofactor == nullptr);

			QVERIFY(SignatureChecker({root, load(curve, QStringLiteral("dv_foreign")), load(curve, QStringLiteral("terminal_foreign"))}).check());
		}


		void linkWithItsOwnParameters_data()
		{
			QTest::addColumn<bool>("withParameters");
			QTest::addColumn<bool>("valid");

			QTest::newRow("link carries the new curve") << true << true;
			QTest::newRow("link without parameters") << false << false;
		}


		void linkWithItsOwnParameters()
		{
			QFETCH(bool, withParameters);
			QFETCH(bool, valid);

			// The old root is on brainpoolP256r1, the new CVCA key on P-256: the link certificate,
			// signed on the old curve, brings the new curve for the DV below it.
			auto body = CvcFixture::bodyOf(CvcFixture::read(cP256, QStringLiteral("link.cvcert")));
			if (!withParameters)
			{
				body.mPublicKey = CvcFixture::publicKey({{6, ASN1Struct(body.mPublicKey).getData(V_ASN1_CONTEXT_SPECIFIC, 6)}});
			}
			const auto link = signedBy(body, cBrainpool, QStringLiteral("cvca.pkcs8"));
			QVERIFY(link);

			const Certificates chain({load(cBrainpool, QStringLiteral("cvca")), link,
									  load(cP256, QStringLiteral("dv_domestic")), load(cP256, QStringLiteral("terminal"))});
			const LogCapture log;
			QCOMPARE(SignatureChecker(chain).check(), valid);
			QCOMPARE(log.contains(QStringLiteral("Certificate verification failed: \"DETESTDVDE00001\"")), !valid);
		}


		void signatureForm_data()
		{
			QTest::addColumn<QString>("curve");
			QTest::addColumn<bool>("leadingZero");
			QTest::addColumn<QByteArray>("middle");

			for (const auto& curve : {cBrainpool, cP256})
			{
				QTest::addRow("%s r with leading zero", qPrintable(curve)) << curve << true << QByteArray();
				QTest::addRow("%s odd length, middle octet ignored", qPrintable(curve)) << curve << false << QByteArray("\x5A", 1);
			}
		}


		void signatureForm()
		{
			QFETCH(QString, curve);
			QFETCH(bool, leadingZero);
			QFETCH(QByteArray, middle);

			const QByteArray body = CvcFixture::bodyOf(CvcFixture::read(curve, QStringLiteral("terminal.cvcert"))).encode();
			QByteArray signature = CvcFixture::sign(CvcFixture::privateKey(curve, QStringLiteral("dv_domestic.pkcs8")), body, leadingZero);
			QCOMPARE(signature.size(), 64);
			QCOMPARE(signature.at(0) == '\0', leadingZero);
			signature.insert(32, middle);

			const auto terminal = cvcertificate_st::decode(CvcFixture::certificate(body, signature));
			QVERIFY(terminal);
			QVERIFY(SignatureChecker(loadAll(curve, {"cvca", "link", "dv_domestic"}) << terminal).check());
		}


		void lowLevelCheck_data()
		{
			QTest::addColumn<bool>("withKey");
			QTest::addColumn<QByteArray>("data");
			QTest::addColumn<int>("signatureSize");
			QTest::addColumn<QCryptographicHash::Algorithm>("hash");
			QTest::addColumn<bool>("valid");
			QTest::addColumn<QString>("message");

			QTest::newRow("valid") << true << QByteArray("data") << 64 << QCryptographicHash::Sha256 << true << QString();
			QTest::newRow("no key") << false << QByteArray("data") << 64 << QCryptographicHash::Sha256 << false << QStringLiteral("Missing signing key");
			QTest::newRow("other data") << true << QByteArray("date") << 64 << QCryptographicHash::Sha256 << false << QString();
			QTest::newRow("other hash") << true << QByteArray("data") << 64 << QCryptographicHash::Sha384 << false << QString();
			QTest::newRow("empty signature") << true << QByteArray("data") << 0 << QCryptographicHash::Sha256 << false << QString();
			QTest::newRow("half a signature") << true << QByteArray("data") << 32 << QCryptographicHash::Sha256 << false << QString();
		}


		void lowLevelCheck()
		{
			QFETCH(bool, withKey);
			QFETCH(QByteArray, data);
			QFETCH(int, signatureSize);
			QFETCH(QCryptographicHash::Algorithm, hash);
			QFETCH(bool, valid);
			QFETCH(QString, message);

			const auto root = load(cP256, QStringLiteral("cvca"));
			const auto& key = root->getBody().getPublicKey();
			const QByteArray signature = CvcFixture::sign(CvcFixture::privateKey(cP256, QStringLiteral("cvca.pkcs8")), "data").left(signatureSize);

			const LogCapture log;
			const auto publicKey = withKey ? key.createKey(key.getUncompressedPublicPoint()) : QSharedPointer<EVP_PKEY>();
			QCOMPARE(SignatureChecker::checkSignature(publicKey, signature, data, hash), valid);
			if (message.isEmpty())
			{
				QVERIFY2(!log.contains(QStringLiteral("Signature verification failed")), qPrintable(log.messages().join(QLatin1Char('\n'))));
			}
			else
			{
				QVERIFY(log.contains(message));
			}
		}


		void signingKeyMissing()
		{
			// Domain parameters without a curve: no key can be made for the signer.
			const auto dv = load(cP256, QStringLiteral("dv_foreign"));
			const LogCapture log;
			QVERIFY(!SignatureChecker::checkSignature(load(cP256, QStringLiteral("terminal_foreign")), dv, &dv->getBody().getPublicKey()));
			QVERIFY(log.contains(QStringLiteral("Cannot fetch signing key")));
		}


};

KENDRAWELL_TEST_MAIN(test_SignatureChecker)
#include "test_SignatureChecker.moc"
