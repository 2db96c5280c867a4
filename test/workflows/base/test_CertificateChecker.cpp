// The certificates and descriptions come from the authentication test PKI: every description lists
// the SHA-256 hashes of "provider", "eid_server", "redirect" and "weak" (RSA 2048, below the
// configured minimum), none lists "outsider".
#include "CertificateChecker.h"

#include "AppSettings.h"
#include "EacContextFixture.h"
#include "Env.h"
#include "LogCapture.h"
#include "TestEnvironment.h"
#include "TestPki.h"
#include "VolatileSettings.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace tessarovin;

Q_DECLARE_METATYPE(TestPki::Chain)

namespace
{

void setDeveloperMode(bool pEnabled)
{
	Env::getSingleton<VolatileSettings>()->setDeveloperMode(pEnabled);
	auto& settings = Env::getSingleton<AppSettings>()->getGeneralSettings();
	settings.setDeveloperOptions(pEnabled);
	settings.setDeveloperMode(pEnabled);
	QCOMPARE(settings.isDeveloperMode(), pEnabled);
}


} // namespace


class test_CertificateChecker
	: public QObject
{
	Q_OBJECT

	private:
		QTemporaryDir mDir;
		TestPki mPki;

	private Q_SLOTS:
		void initTestCase()
		{
			QVERIFY(mDir.isValid());
			QVERIFY(mPki.create(mDir.path(), 443));
		}


		void cleanup()
		{
			setDeveloperMode(false);
		}


		void checkAndSave_data()
		{
			QTest::addColumn<QString>("certificate");
			QTest::addColumn<QString>("context");
			QTest::addColumn<TestPki::Chain>("chain");
			QTest::addColumn<bool>("developerMode");
			QTest::addColumn<CertificateChecker::CertificateStatus>("status");

			using Status = CertificateChecker::CertificateStatus;
			const auto valid = TestPki::Chain::VALID;
			QTest::newRow("listed") << "eid_server" << "description" << valid << false << Status::Good;
			QTest::newRow("listed, other") << "provider" << "description" << valid << false << Status::Good;
			QTest::newRow("not listed") << "outsider" << "description" << valid << false << Status::Hash_Not_In_Description;
			QTest::newRow("not listed, developer mode") << "outsider" << "description" << valid << true << Status::Good;
			// The hash algorithm is the terminal's (SHA-256), not its DV's (SHA-384).
			QTest::newRow("listed, DV of another hash") << "eid_server" << "description" << TestPki::Chain::MIXED_HASH << false << Status::Good;
			QTest::newRow("short key, listed") << "weak" << "description" << valid << false << Status::Unsupported_Algorithm_Or_Length;
			QTest::newRow("short key, no context data") << "weak" << "empty" << valid << false << Status::Unsupported_Algorithm_Or_Length;
			QTest::newRow("before EAC1") << "outsider" << "empty" << valid << false << Status::Good;
			QTest::newRow("EAC1 without description") << "outsider" << "no description" << valid << false << Status::Good;
			QTest::newRow("EAC1 without terminal") << "outsider" << "description" << TestPki::Chain::NO_TERMINAL << false << Status::Good;
		}


		void checkAndSave()
		{
			QFETCH(QString, certificate);
			QFETCH(QString, context);
			QFETCH(TestPki::Chain, chain);
			QFETCH(bool, developerMode);
			QFETCH(CertificateChecker::CertificateStatus, status);

			setDeveloperMode(developerMode);
			QSharedPointer<AuthContext> authContext;
			if (context == QLatin1String("empty"))
			{
				authContext = QSharedPointer<AuthContext>::create();
			}
			else
			{
				const auto description = context == QLatin1String("description") ? mPki.getDescription(chain) : QByteArray();
				authContext = EacContextFixture::create(mPki.getEac1Certificates(chain), QByteArray(), description);
			}
			QVERIFY(authContext);

			const QSslCertificate tlsCertificate(TestPki::readFixture(certificate + QStringLiteral(".pem")));
			QVERIFY(!tlsCertificate.isNull());
			const QUrl url(QStringLiteral("https://eid.example/paos?session=1"));

			const LogCapture capture;
			QCOMPARE(CertificateChecker::checkAndSaveCertificate(tlsCertificate, url, authContext), status);

			const auto& recorded = authContext->getCertificateList();
			if (status == CertificateChecker::CertificateStatus::Good)
			{
				QCOMPARE(recorded.size(), 1);
				QCOMPARE(recorded.firstKey(), QUrl(QStringLiteral("https://eid.example:443")));
				QCOMPARE(recorded.first(), tlsCertificate);
			}
			else
			{
				QVERIFY(recorded.isEmpty());
			}

			const bool mismatch = certificate == QLatin1String("outsider") && context == QLatin1String("description") && chain != TestPki::Chain::NO_TERMINAL;
			const auto entries = capture.entries();
			const auto line = std::find_if(entries.cbegin(), entries.cend(), [](const auto& pEntry){
						return pEntry.mMessage == QLatin1String("hash of certificate not in certificate description");
					});
			QCOMPARE(line != entries.cend(), mismatch);
			if (mismatch)
			{
				QCOMPARE(line->mType, QtCriticalMsg);
				QCOMPARE(line->mCategory, developerMode ? QStringLiteral("developermode") : QStringLiteral("default"));
			}
		}


		void statusCode_data()
		{
			QTest::addColumn<CertificateChecker::CertificateStatus>("status");
			QTest::addColumn<bool>("paos");
			QTest::addColumn<GlobalStatus::Code>("code");

			using Status = CertificateChecker::CertificateStatus;
			using Code = GlobalStatus::Code;
			QTest::newRow("good, PAOS") << Status::Good << true << Code::No_Error;
			QTest::newRow("good, other") << Status::Good << false << Code::No_Error;
			QTest::newRow("key, PAOS") << Status::Unsupported_Algorithm_Or_Length << true << Code::Workflow_TrustedChannel_Ssl_Certificate_Unsupported_Algorithm_Or_Length;
			QTest::newRow("key, other") << Status::Unsupported_Algorithm_Or_Length << false << Code::Workflow_Network_Ssl_Certificate_Unsupported_Algorithm_Or_Length;
			QTest::newRow("hash, PAOS") << Status::Hash_Not_In_Description << true << Code::Workflow_TrustedChannel_Hash_Not_In_Description;
			QTest::newRow("hash, other") << Status::Hash_Not_In_Description << false << Code::Workflow_Network_Ssl_Hash_Not_In_Certificate_Description;
		}


		void statusCode()
		{
			QFETCH(CertificateChecker::CertificateStatus, status);
			QFETCH(bool, paos);
			QFETCH(GlobalStatus::Code, code);

			QCOMPARE(CertificateChecker::getStatusCode(status, paos), code);
		}


		void statusNames()
		{
			QCOMPARE(Enum<CertificateChecker::CertificateStatus>::getName(CertificateChecker::CertificateStatus::Good), QLatin1String("Good"));
			QCOMPARE(Enum<CertificateChecker::CertificateStatus>::getName(CertificateChecker::CertificateStatus::Hash_Not_In_Description), QLatin1String("Hash_Not_In_Description"));
			QCOMPARE(static_cast<int>(CertificateChecker::CertificateStatus::Unsupported_Algorithm_Or_Length), 1);
		}


};

KENDRAWELL_TEST_MAIN(test_CertificateChecker)
#include "test_CertificateChecker.moc"
