// The CV certificates come from the authentication test PKI (cvc-create, run by make_pki.py at
// test start); the trusted roots from the tests' security configuration.
#include "states/StatePreVerification.h"

#include "AppSettings.h"
#include "Env.h"
#include "LogCapture.h"
#include "PkiMessages.h"
#include "SingleStateController.h"
#include "TemporarySettings.h"
#include "TestEnvironment.h"
#include "TestPki.h"
#include "TestWorkflowUi.h"

#include <QTemporaryDir>

using namespace tessarovin;

class test_StatePreVerification
	: public QObject
{
	Q_OBJECT

	private:
		TemporarySettings mSettings;
		QTemporaryDir mDir;
		TestPki mPki;

		QSharedPointer<AuthContext> createContext(TestPki::Chain pChain) const
		{
			const auto context = QSharedPointer<AuthContext>::create();
			context->setDidAuthenticateEac1(pkiEac1(mPki, mPki.getEac1CertificateNames(pChain), QString()));
			context->initCvcChainBuilder();
			return context;
		}


		QStringList run(TestPki::Chain pChain) const
		{
			const auto context = createContext(pChain);
			TestWorkflowUi ui;
			ui.claim(context);
			return SingleStateController::runOnce<StatePreVerification>(context);
		}


		static QStringList checkedCertificates(const LogCapture& pLog)
		{
			QStringList result;
			for (const auto& message : pLog.messages())
			{
				if (message.startsWith(QLatin1String("CVC ")))
				{
					result += message.section(QLatin1Char(' '), 1, 1);
				}
			}
			return result;
		}

	private Q_SLOTS:
		void initTestCase()
		{
			QVERIFY(mDir.isValid());
			QVERIFY(mPki.create(mDir.path(), 443));
		}


		void init()
		{
			AbstractSettings::getStore()->remove(QStringLiteral("preverification"));
		}


		void linkCertificatesStoredOnce()
		{
			const auto& settings = Env::getSingleton<AppSettings>()->getPreVerificationSettings();
			const QByteArrayList links({mPki.read(QStringLiteral("DETESTeID00005.cvcert")), mPki.read(QStringLiteral("DETESTeID00006.cvcert"))});

			// The trusted root that starts the chain is no link certificate.
			QCOMPARE(run(TestPki::Chain::VALID), QStringList({QStringLiteral("fireContinue")}));
			QCOMPARE(settings.getLinkCertificates(), links);

			QCOMPARE(run(TestPki::Chain::VALID), QStringList({QStringLiteral("fireContinue")}));
			QCOMPARE(settings.getLinkCertificates(), links);
			QCOMPARE(mSettings.userFileContents().count("linkcertificate="), 2);
		}


		void nothingStored_data()
		{
			QTest::addColumn<TestPki::Chain>("chain");
			QTest::addColumn<bool>("enabled");
			QTest::addColumn<QString>("endedBy");

			QTest::newRow("productive root only") << TestPki::Chain::PRODUCTIVE << true << QStringLiteral("fireContinue");
			QTest::newRow("pre-verification off") << TestPki::Chain::VALID << false << QStringLiteral("fireContinue");
			QTest::newRow("expired DV") << TestPki::Chain::EXPIRED_DV << true << QStringLiteral("fireAbort");
		}


		void nothingStored()
		{
			QFETCH(TestPki::Chain, chain);
			QFETCH(bool, enabled);
			QFETCH(QString, endedBy);

			AbstractSettings::getStore()->setValue(QStringLiteral("preverification/enabled"), enabled);
			const LogCapture log;
			QCOMPARE(run(chain), QStringList({endedBy}));
			QVERIFY(Env::getSingleton<AppSettings>()->getPreVerificationSettings().getLinkCertificates().isEmpty());
			QCOMPARE(log.count(QStringLiteral("Save link certificate")), 0);
			QCOMPARE(log.count(QStringLiteral("Pre-verification is disabled")), enabled ? 0 : 1);
		}


		void isValid_data()
		{
			QTest::addColumn<QStringList>("certificates");
			QTest::addColumn<bool>("valid");
			QTest::addColumn<QStringList>("checked");

			const QString root = QStringLiteral("DETESTeID00004.cvcert");
			// Expired long ago; its successor DETESTeID00006 is a CVCA too.
			const QString expiredCvca = QStringLiteral("DETESTeID00005.cvcert");
			const QString link = QStringLiteral("DETESTeID00006.cvcert");

			QTest::newRow("stops at the last CVCA") << QStringList({root, expiredCvca, link, QStringLiteral("dv_domestic.cvcert"), QStringLiteral("terminal.cvcert")}) << true
													<< QStringList({QStringLiteral("DETESTTERM00001"), QStringLiteral("DETESTDVOD00001"), QStringLiteral("DETESTeID00006")});
			QTest::newRow("expired CVCA last") << QStringList({root, expiredCvca, QStringLiteral("dv_domestic.cvcert"), QStringLiteral("terminal.cvcert")}) << false
											   << QStringList({QStringLiteral("DETESTTERM00001"), QStringLiteral("DETESTDVOD00001"), QStringLiteral("DETESTeID00005")});
			QTest::newRow("expired DV") << QStringList({link, QStringLiteral("dv_expired.cvcert"), QStringLiteral("terminal_expired_dv.cvcert")}) << false
										<< QStringList({QStringLiteral("DETESTTERM00002"), QStringLiteral("DETESTDVEX00001")});
			QTest::newRow("no CVCA") << QStringList({QStringLiteral("dv_domestic.cvcert"), QStringLiteral("terminal.cvcert")}) << true
									 << QStringList({QStringLiteral("DETESTTERM00001"), QStringLiteral("DETESTDVOD00001")});
		}


		void isValid()
		{
			QFETCH(QStringList, certificates);
			QFETCH(bool, valid);
			QFETCH(QStringList, checked);

			const auto context = QSharedPointer<AuthContext>::create();
			const QScopedPointer<StatePreVerification> state(createState<StatePreVerification>(context));
			const LogCapture log;
			QCOMPARE(state->isValid(pkiCertificates(mPki, certificates)), valid);
			QCOMPARE(checkedCertificates(log), checked);
			QCOMPARE(log.count(QStringLiteral("Check certificate chain validity on UTC:")), 1);

			const auto dv = pkiCertificates(mPki, {certificates.at(certificates.size() - 2)}).first();
			QVERIFY(log.contains(QStringLiteral("| valid from/to [%1, %2]").arg(dv->getBody().getEffectiveDate().toString(Qt::ISODate),
					dv->getBody().getExpirationDate().toString(Qt::ISODate))));
			QCOMPARE(log.count(QStringLiteral("| valid from/to [")), checked.size());
		}


};

KENDRAWELL_TEST_MAIN(test_StatePreVerification)
#include "test_StatePreVerification.moc"
