// The whole gate between EAC1 and PACE over the chains, variants and descriptions of the
// authentication test PKI (cvc-create, openssl), with the CV roots of the tests' security
// configuration. Rows marked "handshakes" fill the certificate map from TLS handshakes with
// openssl s_server peers that show the PKI's certificates.
#include "states/CompositeStateProcessCvcsAndSetRights.h"

#include "AppSettings.h"
#include "asn1/CVCertificateChain.h"
#include "Env.h"
#include "LogCapture.h"
#include "PkiMessages.h"
#include "SecureStorage.h"
#include "SpyArgument.h"
#include "TemporarySettings.h"
#include "TestEnvironment.h"
#include "TestPeer.h"
#include "TestPki.h"
#include "TestWorkflowUi.h"
#include "VolatileSettings.h"

#include <QFinalState>
#include <QSignalSpy>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QStateMachine>
#include <QTemporaryDir>

using namespace tessarovin;

namespace
{

constexpr quint16 cProviderPort = 8443;


void setDeveloperMode(bool pEnabled)
{
	Env::getSingleton<VolatileSettings>()->setDeveloperMode(pEnabled);
	auto& settings = Env::getSingleton<AppSettings>()->getGeneralSettings();
	settings.setDeveloperOptions(pEnabled);
	settings.setDeveloperMode(pEnabled);
	QCOMPARE(settings.isDeveloperMode(), pEnabled);
}


void setPreVerification(bool pEnabled)
{
	AbstractSettings::getStore()->setValue(QStringLiteral("preverification/enabled"), pEnabled);
	QCOMPARE(Env::getSingleton<AppSettings>()->getPreVerificationSettings().isEnabled(), pEnabled);
}


QSslCertificate readTlsCertificate(const QString& pName)
{
	const auto certificates = QSslCertificate::fromPath(TestPki::getFixture(pName + QStringLiteral(".pem")));
	return certificates.isEmpty() ? QSslCertificate() : certificates.first();
}


} // namespace


class test_CompositeStateProcessCvcsAndSetRights
	: public QObject
{
	Q_OBJECT

	private:
		TemporarySettings mSettings;
		QTemporaryDir mDir;
		TestPki mPki;

		QStringList chain(TestPki::Chain pChain) const
		{
			return mPki.getEac1CertificateNames(pChain);
		}


		QString providerUrl(const QString& pPath = QStringLiteral("/tctoken")) const
		{
			return QStringLiteral("https://127.0.0.1:%1%2").arg(cProviderPort).arg(pPath);
		}


		// What a TLS server of the test PKI shows in a real handshake, under the URL it was met at.
		static bool addFromHandshake(AuthContext& pContext, const QString& pName)
		{
			TestPeer server;
			if (!server.startServer({QStringLiteral("-cert"), TestPki::getFixture(pName + QStringLiteral(".pem")),
										 QStringLiteral("-key"), TestPki::getFixture(pName + QStringLiteral(".key")), QStringLiteral("-www")}))
			{
				qWarning() << "openssl s_server did not start for" << pName;
				return false;
			}

			QSslSocket socket;
			auto configuration = socket.sslConfiguration();
			configuration.setCaCertificates(QSslCertificate::fromPath(TestPki::getFixture(QStringLiteral("tls_ca.pem"))));
			socket.setSslConfiguration(configuration);
			socket.connectToHostEncrypted(QStringLiteral("127.0.0.1"), server.port());
			if (!socket.waitForEncrypted(30000))
			{
				qWarning() << "No handshake with" << pName << socket.errorString();
				return false;
			}
			pContext.addCertificateData(QUrl(QStringLiteral("https://127.0.0.1:%1/").arg(server.port())), socket.peerCertificate());
			socket.disconnectFromHost();
			socket.waitForDisconnected(5000);
			return true;
		}

	private Q_SLOTS:
		void initTestCase()
		{
			QVERIFY(mDir.isValid());
			QVERIFY(mPki.create(mDir.path(), cProviderPort));
			// As the program does at start: the productive roots come from the security configuration.
			CVCertificateChain::setProductiveRootSource([] {
					return Env::getSingleton<SecureStorage>()->getCVRootCertificates(true);
				});

			// A DV whose signature no longer fits its body.
			QByteArray tampered = mPki.read(QStringLiteral("dv_domestic.cvcert"));
			QVERIFY(!tampered.isEmpty());
			tampered[tampered.size() - 1] = static_cast<char>(tampered.at(tampered.size() - 1) ^ 0x01);
			QFile file(mPki.path(QStringLiteral("dv_bad_signature.cvcert")));
			QVERIFY(file.open(QIODevice::WriteOnly));
			QCOMPARE(file.write(tampered), tampered.size());
		}


		void init()
		{
			AbstractSettings::getStore()->remove(QStringLiteral("preverification"));
			setDeveloperMode(false);
		}


		void cleanupTestCase()
		{
			CVCertificateChain::setProductiveRootSource(nullptr);
		}


		void failureRows_data()
		{
			QTest::addColumn<QStringList>("certificates");
			QTest::addColumn<QString>("description");
			QTest::addColumn<QString>("tcTokenUrl");
			QTest::addColumn<QStringList>("tls");
			QTest::addColumn<bool>("handshakes");
			QTest::addColumn<bool>("developerMode");
			QTest::addColumn<bool>("preVerification");
			QTest::addColumn<GlobalStatus::Code>("status");
			QTest::addColumn<FailureCode::Reason>("reason");
			QTest::addColumn<QString>("failedState");
			QTest::addColumn<QString>("developerLine");

			const QString description = mPki.getDescriptionName(TestPki::Chain::VALID);
			const QString token = providerUrl();
			const QStringList listed({QStringLiteral("provider"), QStringLiteral("eid_server")});
			const QStringList withOutsider({QStringLiteral("provider"), QStringLiteral("outsider"), QStringLiteral("eid_server")});
			const auto ok = GlobalStatus::Code::No_Error;
			// The reason is not compared when the gate is passed.
			const auto none = FailureCode::Reason::User_Cancelled;
			const QStringList link({QStringLiteral("DETESTeID00005.cvcert"), QStringLiteral("DETESTeID00006.cvcert")});

			const QString expiredLine = QStringLiteral("Pre-verification failed: certificate not valid");
			const QString hashLine = QStringLiteral("The certificate description does not match the certificate.");
			const QString sopLine = QStringLiteral("The subject URL in the certificate description and the TCToken URL do not satisfy the same origin policy.");
			const QString tlsLine = QStringLiteral("Hash of certificate not in certificate description");

			QTest::newRow("valid chain") << chain(TestPki::Chain::VALID) << description << token << listed << false << false << true
										 << ok << none << QString() << QString();
			QTest::newRow("valid chain, developer mode") << chain(TestPki::Chain::VALID) << description << token << listed << false << true << true
														 << ok << none << QString() << QString();
			QTest::newRow("valid chain, handshakes") << chain(TestPki::Chain::VALID) << description << token << listed << true << false << true
													 << ok << none << QString() << QString();
			QTest::newRow("TC token under another path") << chain(TestPki::Chain::VALID) << description << providerUrl(QStringLiteral("/other?x=1")) << QStringList() << false << false << true
																		   << ok << none << QString() << QString();

			QTest::newRow("expired DV") << chain(TestPki::Chain::EXPIRED_DV) << description << token << listed << false << false << true
										<< GlobalStatus::Code::Workflow_Preverification_Error << FailureCode::Reason::Pre_Verification_Certificate_Expired
										<< QStringLiteral("StatePreVerification") << QString();
			QTest::newRow("expired DV, developer mode") << chain(TestPki::Chain::EXPIRED_DV) << description << token << listed << false << true << true
														<< ok << none << QString() << expiredLine;

			QTest::newRow("productive root") << chain(TestPki::Chain::PRODUCTIVE) << description << token << listed << false << false << true
											 << ok << none << QString() << QString();
			QTest::newRow("productive root, developer mode") << chain(TestPki::Chain::PRODUCTIVE) << description << token << listed << false << true << true
															 << GlobalStatus::Code::Workflow_Preverification_Developermode_Error << FailureCode::Reason::Pre_Verification_No_Test_Environment
															 << QStringLiteral("StatePreVerification") << QString();
			QTest::newRow("productive root, developer mode, pre-verification off") << chain(TestPki::Chain::PRODUCTIVE) << description << token << listed << false << true << false
																				   << GlobalStatus::Code::Workflow_Preverification_Developermode_Error << FailureCode::Reason::Pre_Verification_No_Test_Environment
																				   << QStringLiteral("StatePreVerification") << QString();

			const QStringList unrooted({QStringLiteral("dv_domestic.cvcert"), QStringLiteral("terminal.cvcert")});
			QTest::newRow("no chain to a trust point") << unrooted << description << token << listed << false << false << true
													   << GlobalStatus::Code::Workflow_Preverification_Error << FailureCode::Reason::Pre_Verification_Invalid_Certificate_Chain
													   << QStringLiteral("StatePreVerification") << QString();
			QTest::newRow("no chain to a trust point, pre-verification off") << unrooted << description << token << listed << false << false << false
																			 << ok << none << QString() << QString();
			QTest::newRow("no chain to a trust point, developer mode, pre-verification off") << unrooted << description << token << listed << false << true << false
																							 << ok << none << QString() << QString();
			QTest::newRow("bad signature") << link + QStringList({QStringLiteral("dv_bad_signature.cvcert"), QStringLiteral("terminal.cvcert")}) << description << token << listed << false << false << true
										   << GlobalStatus::Code::Workflow_Preverification_Error << FailureCode::Reason::Pre_Verification_Invalid_Certificate_Signature
										   << QStringLiteral("StatePreVerification") << QString();

			QTest::newRow("description hash mismatch") << chain(TestPki::Chain::DESCRIPTION_MISMATCH) << description << token << listed << false << false << true
													   << GlobalStatus::Code::Workflow_Certificate_Hash_Error << FailureCode::Reason::Certificate_Check_Failed_Hash_Mismatch
													   << QStringLiteral("StateCertificateDescriptionCheck") << QString();
			QTest::newRow("description hash mismatch, developer mode") << chain(TestPki::Chain::DESCRIPTION_MISMATCH) << description << token << listed << false << true << true
																	   << ok << none << QString() << hashLine;

			for (const bool developerMode : {false, true})
			{
				const char* suffix = developerMode ? ", developer mode" : "";
				QTest::addRow("no description%s", suffix) << chain(TestPki::Chain::VALID) << QString() << token << listed << false << developerMode << true
														  << GlobalStatus::Code::Workflow_Certificate_No_Description << FailureCode::Reason::Certificate_Check_Failed_No_Description
														  << QStringLiteral("StateCertificateDescriptionCheck") << QString();
				QTest::addRow("no subject URL%s", suffix) << chain(TestPki::Chain::NO_SUBJECT_URL) << mPki.getDescriptionName(TestPki::Chain::NO_SUBJECT_URL) << token << listed << false << developerMode << true
														  << GlobalStatus::Code::Workflow_Certificate_No_Url_In_Description << FailureCode::Reason::Certificate_Check_Failed_No_SubjectUrl_In_Description
														  << QStringLiteral("StateCertificateDescriptionCheck") << QString();
			}

			const QString otherPort = QStringLiteral("https://127.0.0.1:8444/tctoken");
			const QString otherHost = QStringLiteral("https://localhost:%1/tctoken").arg(cProviderPort);
			const QString plainHttp = QStringLiteral("http://127.0.0.1:%1/tctoken").arg(cProviderPort);
			QTest::newRow("TC token on another port") << chain(TestPki::Chain::VALID) << description << otherPort << listed << false << false << true
													  << GlobalStatus::Code::Workflow_Certificate_Sop_Error << FailureCode::Reason::Certificate_Check_Failed_Same_Origin_Policy_Violation
													  << QStringLiteral("StateCertificateDescriptionCheck") << QString();
			QTest::newRow("TC token on another host") << chain(TestPki::Chain::VALID) << description << otherHost << listed << false << false << true
													  << GlobalStatus::Code::Workflow_Certificate_Sop_Error << FailureCode::Reason::Certificate_Check_Failed_Same_Origin_Policy_Violation
													  << QStringLiteral("StateCertificateDescriptionCheck") << QString();
			QTest::newRow("TC token over http") << chain(TestPki::Chain::VALID) << description << plainHttp << listed << false << false << true
												<< GlobalStatus::Code::Workflow_Certificate_Sop_Error << FailureCode::Reason::Certificate_Check_Failed_Same_Origin_Policy_Violation
												<< QStringLiteral("StateCertificateDescriptionCheck") << QString();
			QTest::newRow("TC token on another port, developer mode") << chain(TestPki::Chain::VALID) << description << otherPort << listed << false << true << true
																	  << ok << none << QString() << sopLine;

			QTest::newRow("TLS certificate not listed") << chain(TestPki::Chain::VALID) << description << token << withOutsider << false << false << true
														<< GlobalStatus::Code::Workflow_TrustedChannel_Hash_Not_In_Description << FailureCode::Reason::Certificate_Check_Failed_Hash_Missing_In_Description
														<< QStringLiteral("StateCheckCertificates") << QString();
			QTest::newRow("TLS certificate not listed, handshakes") << chain(TestPki::Chain::VALID) << description << token << withOutsider << true << false << true
																	<< GlobalStatus::Code::Workflow_TrustedChannel_Hash_Not_In_Description << FailureCode::Reason::Certificate_Check_Failed_Hash_Missing_In_Description
																	<< QStringLiteral("StateCheckCertificates") << QString();
			QTest::newRow("TLS certificate not listed, developer mode") << chain(TestPki::Chain::VALID) << description << token << withOutsider << false << true << true
																		<< ok << none << QString() << tlsLine;

			// The description lists SHA-256 hashes, made with the terminal's algorithm; the DV's is SHA-384.
			QTest::newRow("DV and terminal of different hash algorithms, handshakes") << chain(TestPki::Chain::MIXED_HASH) << description << token
																					  << QStringList({QStringLiteral("provider"), QStringLiteral("eid_server"), QStringLiteral("redirect")}) << true << false << true
																					  << ok << none << QString() << QString();

			QTest::newRow("two DVs") << chain(TestPki::Chain::TWO_DVS) << description << token << listed << false << false << true
									 << GlobalStatus::Code::Workflow_No_Unique_DvCvc << FailureCode::Reason::Extract_Cvcs_From_Eac1_No_Unique_Dv
									 << QStringLiteral("StateExtractCvcsFromEac1InputType") << QString();
			QTest::newRow("no DV") << link + QStringList({QStringLiteral("terminal.cvcert")}) << description << token << listed << false << false << true
								   << GlobalStatus::Code::Workflow_No_Unique_DvCvc << FailureCode::Reason::Extract_Cvcs_From_Eac1_Dv_Missing
								   << QStringLiteral("StateExtractCvcsFromEac1InputType") << QString();
			QTest::newRow("no terminal") << chain(TestPki::Chain::NO_TERMINAL) << description << token << listed << false << false << true
										 << GlobalStatus::Code::Workflow_No_Unique_AtCvc << FailureCode::Reason::Extract_Cvcs_From_Eac1_At_Missing
										 << QStringLiteral("StateExtractCvcsFromEac1InputType") << QString();
			QTest::newRow("two terminals") << chain(TestPki::Chain::VALID) + QStringList({QStringLiteral("terminal_no_subject_url.cvcert")}) << description << token << listed << false << false << true
										   << GlobalStatus::Code::Workflow_No_Unique_AtCvc << FailureCode::Reason::Extract_Cvcs_From_Eac1_No_Unique_At
										   << QStringLiteral("StateExtractCvcsFromEac1InputType") << QString();
		}


		void failureRows()
		{
			QFETCH(QStringList, certificates);
			QFETCH(QString, description);
			QFETCH(QString, tcTokenUrl);
			QFETCH(QStringList, tls);
			QFETCH(bool, handshakes);
			QFETCH(bool, developerMode);
			QFETCH(bool, preVerification);
			QFETCH(GlobalStatus::Code, status);
			QFETCH(FailureCode::Reason, reason);
			QFETCH(QString, failedState);
			QFETCH(QString, developerLine);

			setDeveloperMode(developerMode);
			setPreVerification(preVerification);

			const auto context = QSharedPointer<AuthContext>::create();
			context->setTcTokenUrl(QUrl(tcTokenUrl));
			context->setDidAuthenticateEac1(pkiEac1(mPki, certificates, description));
			for (const auto& name : std::as_const(tls))
			{
				if (handshakes)
				{
					QVERIFY(addFromHandshake(*context, name));
				}
				else
				{
					context->addCertificateData(QUrl(providerUrl()), readTlsCertificate(name));
				}
			}
			QCOMPARE(context->getCertificateList().size(), tls.size());

			TestWorkflowUi ui;
			ui.claim(context);
			QStateMachine machine;
			auto* composite = new CompositeStateProcessCvcsAndSetRights(context);
			auto* continued = new QFinalState();
			auto* aborted = new QFinalState();
			machine.addState(composite);
			machine.addState(continued);
			machine.addState(aborted);
			machine.setInitialState(composite);
			composite->addTransition(composite, &CompositeStateProcessCvcsAndSetRights::fireContinue, continued);
			composite->addTransition(composite, &CompositeStateProcessCvcsAndSetRights::fireAbort, aborted);
			QSignalSpy continueSpy(composite, &CompositeStateProcessCvcsAndSetRights::fireContinue);
			QSignalSpy abortSpy(composite, &CompositeStateProcessCvcsAndSetRights::fireAbort);
			QSignalSpy finished(&machine, &QStateMachine::finished);

			const LogCapture log;
			machine.start();
			QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 30000);

			QStringList developerLines;
			for (const auto& entry : log.entries())
			{
				if (entry.mCategory == QLatin1String("developermode"))
				{
					QCOMPARE(entry.mType, QtCriticalMsg);
					developerLines += entry.mMessage;
				}
			}
			QCOMPARE(developerLines, developerLine.isEmpty() ? QStringList() : QStringList({developerLine}));

			const QStringList allStates({QStringLiteral("StateExtractCvcsFromEac1InputType"), QStringLiteral("StatePreVerification"),
										 QStringLiteral("StateCertificateDescriptionCheck"), QStringLiteral("StateCheckCertificates"), QStringLiteral("StateEditAccessRights")});
			QCOMPARE(context->getStatus().getStatusCode(), status);
			if (status == GlobalStatus::Code::No_Error)
			{
				QCOMPARE(continueSpy.count(), 1);
				QCOMPARE(abortSpy.count(), 0);
				QCOMPARE(ui.getStates(), allStates);
				QVERIFY(context->getAccessRightManager());
				QVERIFY(context->getDvCvc());
				QVERIFY(context->getTerminalCvc());
				QVERIFY(!context->getFailureCode().has_value());
				return;
			}

			QCOMPARE(continueSpy.count(), 0);
			QCOMPARE(abortSpy.count(), 1);
			const auto& failure = spyArgument<FailureCode>(abortSpy.at(0).at(0));
			QCOMPARE(failure.getReason(), reason);
			QCOMPARE(failure.getInfoMap().value(FailureCode::Info::State_Name), failedState);
			QCOMPARE(ui.getStates().last(), failedState);
			QCOMPARE(ui.getStates(), allStates.mid(0, allStates.indexOf(failedState) + 1));
			QCOMPARE(context->getStatus().getExternalInfo(GlobalStatus::ExternalInformation::CERTIFICATE_ISSUER_NAME),
					status == GlobalStatus::Code::Workflow_TrustedChannel_Hash_Not_In_Description ? QStringLiteral("Tessarovin Test TLS CA") : QString());
		}


		void reviewWaitsForTheFrontEnd()
		{
			const auto context = QSharedPointer<AuthContext>::create();
			context->setTcTokenUrl(QUrl(providerUrl()));
			context->setDidAuthenticateEac1(pkiEac1(mPki, chain(TestPki::Chain::VALID), mPki.getDescriptionName(TestPki::Chain::VALID)));

			TestWorkflowUi ui(false);
			ui.claim(context);
			// Approve everything up to the review, then hold.
			connect(context.data(), &WorkflowContext::fireStateChanged, &ui, [&ui](const QString& pState) {
						if (pState != QLatin1String("StateEditAccessRights"))
						{
							ui.approve();
						}
					});

			QStateMachine machine;
			auto* composite = new CompositeStateProcessCvcsAndSetRights(context);
			machine.addState(composite);
			machine.setInitialState(composite);
			QSignalSpy continueSpy(composite, &CompositeStateProcessCvcsAndSetRights::fireContinue);
			QSignalSpy managerCreated(context.data(), &AuthContext::fireAccessRightManagerCreated);
			machine.start();

			QTRY_COMPARE(context->getCurrentState(), QStringLiteral("StateEditAccessRights"));
			QCOMPARE(managerCreated.count(), 1);
			QCoreApplication::processEvents();
			QCOMPARE(continueSpy.count(), 0);

			// The front end edits the optional rights, then approves.
			*context->getAccessRightManager() = QSet<AccessRight>();
			ui.approve();
			QTRY_COMPARE(continueSpy.count(), 1);
			QVERIFY(context->getStatus().isNoError());
		}


};

KENDRAWELL_TEST_MAIN(test_CompositeStateProcessCvcsAndSetRights)
#include "test_CompositeStateProcessCvcsAndSetRights.moc"
