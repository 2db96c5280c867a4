// The CV certificates and descriptions come from the authentication test PKI (cvc-create and
// openssl, run by make_pki.py at test start); its descriptions list the SHA-256 hashes of the
// PKI's TLS certificates, computed there with Python's hashlib.
#include "TlsCertificateHashCheck.h"

#include "context/AuthContext.h"
#include "PkiMessages.h"
#include "TestEnvironment.h"
#include "TestPki.h"
#include "TlsChecker.h"

#include <QTemporaryDir>

using namespace tessarovin;

namespace
{

QSslCertificate tlsCertificate(const QString& pName)
{
	const auto certificates = QSslCertificate::fromPath(TestPki::getFixture(pName + QStringLiteral(".pem")));
	return certificates.isEmpty() ? QSslCertificate() : certificates.first();
}


} // namespace


class test_TlsCertificateHashCheck
	: public QObject
{
	Q_OBJECT

	private:
		QTemporaryDir mDir;
		TestPki mPki;

		// The context as the EAC1 checks leave it.
		QSharedPointer<AuthContext> createContext(const QStringList& pCertificates, const QString& pDescription) const
		{
			const auto context = QSharedPointer<AuthContext>::create();
			context->setDidAuthenticateEac1(pkiEac1(mPki, pCertificates, pDescription));
			const auto certificates = pkiCertificates(mPki, pCertificates);
			context->setDvCvc(certificates.at(certificates.size() - 2));
			context->initAccessRightManager(certificates.last());
			return context;
		}

	private Q_SLOTS:
		void initTestCase()
		{
			QVERIFY(mDir.isValid());
			QVERIFY(mPki.create(mDir.path(), 443));
		}


		void terminalAlgorithm_data()
		{
			QTest::addColumn<int>("chain");
			QTest::addColumn<QCryptographicHash::Algorithm>("dvAlgorithm");

			QTest::newRow("same algorithm") << static_cast<int>(TestPki::Chain::VALID) << QCryptographicHash::Sha256;
			QTest::newRow("DV with SHA-384") << static_cast<int>(TestPki::Chain::MIXED_HASH) << QCryptographicHash::Sha384;
		}


		void terminalAlgorithm()
		{
			QFETCH(int, chain);
			QFETCH(QCryptographicHash::Algorithm, dvAlgorithm);

			const auto context = createContext(mPki.getEac1CertificateNames(static_cast<TestPki::Chain>(chain)), mPki.getDescriptionName(TestPki::Chain::VALID));
			QCOMPARE(context->getDvCvc()->getBody().getHashAlgorithm(), dvAlgorithm);

			const auto check = TlsCertificateHashCheck::fromContext(*context);
			QVERIFY(check.has_value());
			QCOMPARE(check->getAlgorithm(), QCryptographicHash::Sha256);
			QCOMPARE(check->getAcceptedHashes().size(), TestPki::getListedTlsCertificates().size());

			for (const auto& name : TestPki::getListedTlsCertificates())
			{
				const auto certificate = tlsCertificate(name);
				QVERIFY(!certificate.isNull());
				QVERIFY2(check->isAccepted(certificate), qPrintable(name));
				// With the DV's algorithm a provider of different algorithms would be refused.
				QCOMPARE(TlsChecker::checkCertificate(certificate, dvAlgorithm, check->getAcceptedHashes()), dvAlgorithm == QCryptographicHash::Sha256);
			}
			QVERIFY(!check->isAccepted(tlsCertificate(QStringLiteral("outsider"))));
		}


		void nothingToCheckYet()
		{
			const QStringList valid = mPki.getEac1CertificateNames(TestPki::Chain::VALID);

			AuthContext empty;
			QVERIFY(!TlsCertificateHashCheck::fromContext(empty).has_value());

			// EAC1 arrived, but its certificates are not taken out yet.
			AuthContext withoutTerminal;
			withoutTerminal.setDidAuthenticateEac1(pkiEac1(mPki, valid, mPki.getDescriptionName(TestPki::Chain::VALID)));
			QVERIFY(!TlsCertificateHashCheck::fromContext(withoutTerminal).has_value());

			QVERIFY(!TlsCertificateHashCheck::fromContext(*createContext(valid, QString())).has_value());
			QVERIFY(TlsCertificateHashCheck::fromContext(*createContext(valid, mPki.getDescriptionName(TestPki::Chain::VALID))).has_value());
		}


};

KENDRAWELL_TEST_MAIN(test_TlsCertificateHashCheck)
#include "test_TlsCertificateHashCheck.moc"
