// The CV certificates come from the authentication test PKI (cvc-create, run by make_pki.py at
// test start); the CV roots from the tests' security configuration.
#include "context/AuthContext.h"

#include "AppSettings.h"
#include "Env.h"
#include "LogCapture.h"
#include "TestEnvironment.h"
#include "TestPki.h"
#include "VolatileSettings.h"

#include <QSignalSpy>
#include <QTemporaryDir>

using namespace tessarovin;

namespace
{

using Certificates = QList<QSharedPointer<const cvcertificate_st>>;


QStringList chrs(const CVCertificateChain& pChain)
{
	QStringList result;
	for (const auto& certificate : pChain)
	{
		result += QString::fromLatin1(certificate->getBody().getCertificateHolderReference());
	}
	return result;
}


} // namespace


class test_AuthContext
	: public QObject
{
	Q_OBJECT

	private:
		QTemporaryDir mDir;
		TestPki mPki;

		QSharedPointer<const cvcertificate_st> certificate(const QString& pName) const
		{
			return cvcertificate_st::decode(mPki.read(pName + QStringLiteral(".cvcert")));
		}


		Certificates certificates(const QStringList& pNames) const
		{
			Certificates result;
			for (const auto& name : pNames)
			{
				result += certificate(name);
			}
			return result;
		}


		static QSharedPointer<DIDAuthenticateEAC1> eac1(const Certificates& pCertificates,
				const QList<AcceptedEidType>& pAccepted = {AcceptedEidType::SE_CERTIFIED},
				const QSharedPointer<const chat_st>& pRequiredChat = nullptr)
		{
			Eac1InputType input;
			for (const auto& cvc : pCertificates)
			{
				input.appendCvcert(cvc);
			}
			input.setAcceptedEidTypes(pAccepted);
			input.setRequiredChat(pRequiredChat);
			auto message = QSharedPointer<DIDAuthenticateEAC1>::create();
			message->setEac1InputType(input);
			return message;
		}


		static QStringList sources(const LogCapture& pLog)
		{
			QStringList result;
			for (const auto& message : pLog.messages())
			{
				if (message.startsWith(QStringLiteral("    Source:")))
				{
					result += message.mid(12);
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


		void cleanup()
		{
			Env::getSingleton<VolatileSettings>()->setUsedAsSdk(false);
			Env::getSingleton<AppSettings>()->getGeneralSettings().setEnableCanAllowed(false);
		}


		void construction()
		{
			const QUrl activation(QStringLiteral("http://127.0.0.1:24727/eID-Client?tcTokenURL=https%3A%2F%2Fservice.example%2Ftoken"));
			const QMap<QByteArray, QByteArray> headers({{"X-Test", "1"}});
			AuthContext context(false, activation, [](const QSharedPointer<AuthContext>& pContext){
						return pContext ? QStringLiteral("context") : QStringLiteral("none");
					}, headers);

			QCOMPARE(context.getAction(), Action::AUTH);
			QVERIFY(!context.isActivateUi());
			QCOMPARE(context.getActivationUrl(), activation);
			QCOMPARE(context.getRequestHeaders(), headers);
			QCOMPARE(context.getBrowserHandler()(nullptr), QStringLiteral("none"));
			QVERIFY(context.isTcTokenNotFound());
			QVERIFY(!context.isErrorReportedToServer());
			QVERIFY(!context.isReceivedBrowserSendFailed());
			QVERIFY(!context.isCancelToQuit());
			QVERIFY(!context.isChangePinViewRequested());
			QVERIFY(!context.isRequestTransportPin());
			QVERIFY(context.getTcToken().isNull());
			QVERIFY(context.getAccessRightManager().isNull());
		}


		void signalsOnChange()
		{
			AuthContext context;
			QSignalSpy result(&context, &AuthContext::fireResultChanged);
			QSignalSpy refresh(&context, &AuthContext::fireRefreshUrlChanged);
			QSignalSpy changePin(&context, &AuthContext::fireShowChangePinViewChanged);

			context.setReceivedBrowserSendFailed(true);
			context.setReceivedBrowserSendFailed(true);
			context.setRefreshUrl(QUrl(QStringLiteral("https://service.example/refresh")));
			context.setRefreshUrl(QUrl(QStringLiteral("https://service.example/refresh")));
			context.requestChangePinView();
			context.requestChangePinView();

			QCOMPARE(result.count(), 1);
			QCOMPARE(refresh.count(), 1);
			QCOMPARE(changePin.count(), 1);
			QVERIFY(context.isChangePinViewRequested());
		}


		void storingEac1()
		{
			AuthContext context;
			QStringList order;
			connect(&context, &AuthContext::fireDidAuthenticateEac1Changed, this, [&order]{order += QStringLiteral("eac1");});
			connect(&context, &AuthContext::fireAcceptedEidTypesChanged, this, [&order, &context]{
						order += QStringLiteral("accepted");
						// The listeners must already see the new types.
						QCOMPARE(context.getAcceptedEidTypes(), QList<AcceptedEidType>({AcceptedEidType::SE_CERTIFIED}));
					});
			connect(&context, &AuthContext::fireEidTypeMismatchChanged, this, [&order]{order += QStringLiteral("mismatch");});

			QCOMPARE(context.getAcceptedEidTypes(), QList<AcceptedEidType>({AcceptedEidType::CARD_CERTIFIED}));
			context.setDidAuthenticateEac1(eac1({}));
			QCOMPARE(order, QStringList({QStringLiteral("eac1"), QStringLiteral("accepted"), QStringLiteral("mismatch")}));
		}


		void withoutAccessRightManager()
		{
			AuthContext context;
			context.setDidAuthenticateEac1(eac1({}, {AcceptedEidType::SE_ENDORSED, AcceptedEidType::HW_KEYSTORE}));
			QVERIFY(context.encodeEffectiveChat().isEmpty());
			QVERIFY(!context.isCanAllowedMode());
			QCOMPARE(context.getAcceptedEidTypes(), QList<AcceptedEidType>({AcceptedEidType::SE_ENDORSED, AcceptedEidType::HW_KEYSTORE}));
		}


		void accessRightManager_data()
		{
			QTest::addColumn<QString>("dv");
			QTest::addColumn<bool>("canAllowedMode");
			QTest::addColumn<QList<AcceptedEidType>>("accepted");

			const QList<AcceptedEidType> listed({AcceptedEidType::SE_CERTIFIED, AcceptedEidType::SE_ENDORSED});
			// The test PKI's terminals are granted CAN_ALLOWED; a domestic DV offers it.
			QTest::newRow("CAN mode") << QStringLiteral("dv_domestic") << true << QList<AcceptedEidType>({AcceptedEidType::CARD_CERTIFIED});
			QTest::newRow("PIN mode") << QStringLiteral("dv_foreign") << false << listed;
		}


		void accessRightManager()
		{
			QFETCH(QString, dv);
			QFETCH(bool, canAllowedMode);
			QFETCH(QList<AcceptedEidType>, accepted);

			const auto terminal = certificate(QStringLiteral("terminal"));
			QVERIFY(terminal);
			auto required = terminal->getBody().getCHAT().copy();
			required->removeAllAccessRights();
			required->setAccessRights({AccessRight::READ_DG04, AccessRight::CAN_ALLOWED});

			AuthContext context;
			context.setDidAuthenticateEac1(eac1({}, {AcceptedEidType::SE_CERTIFIED, AcceptedEidType::SE_ENDORSED}, required));
			context.setDvCvc(certificate(dv));

			QStringList order;
			QSharedPointer<AccessRightManager> announced;
			connect(&context, &AuthContext::fireAccessRightManagerCreated, this, [&order, &announced](const QSharedPointer<AccessRightManager>& pManager){
						order += QStringLiteral("created");
						announced = pManager;
					});
			connect(&context, &AuthContext::fireCanAllowedModeChanged, this, [&order]{order += QStringLiteral("can");});

			context.initAccessRightManager(terminal);
			QCOMPARE(order, QStringList({QStringLiteral("created"), QStringLiteral("can")}));
			QCOMPARE(announced, context.getAccessRightManager());
			QCOMPARE(context.getTerminalCvc(), terminal);
			QCOMPARE(context.isCanAllowedMode(), canAllowedMode);
			QCOMPARE(context.getAcceptedEidTypes(), accepted);
			QCOMPARE(context.encodeEffectiveChat(), QByteArray(*context.getAccessRightManager()));
			QVERIFY(!context.encodeEffectiveChat().isEmpty());

			// The user's choice switches the mode; the context passes the change on.
			QSignalSpy modeChanged(&context, &AuthContext::fireCanAllowedModeChanged);
			*context.getAccessRightManager() = QSet<AccessRight>();
			QCOMPARE(modeChanged.count(), 1);
			QVERIFY(!context.isCanAllowedMode());
			QCOMPARE(context.getAcceptedEidTypes(), QList<AcceptedEidType>({AcceptedEidType::SE_CERTIFIED, AcceptedEidType::SE_ENDORSED}));
		}


		void chainBuilder_data()
		{
			QTest::addColumn<QStringList>("eac1");
			QTest::addColumn<QStringList>("eac2");
			QTest::addColumn<QByteArray>("carCurr");
			QTest::addColumn<QByteArray>("carPrev");
			QTest::addColumn<QStringList>("chain");
			QTest::addColumn<QStringList>("sources");

			const QStringList dvAndTerminal({QStringLiteral("dv_domestic"), QStringLiteral("terminal")});
			const QStringList withLink = QStringList({QStringLiteral("DETESTeID00006")}) + dvAndTerminal;
			const QStringList dvTerminal({QStringLiteral("DETESTDVOD00001"), QStringLiteral("DETESTTERM00001")});
			const QStringList linkDvTerminal = QStringList({QStringLiteral("DETESTeID00006")}) + dvTerminal;
			const QStringList roots({QStringLiteral("Productive"), QStringLiteral("Test")});

			QTest::newRow("DV and terminal") << dvAndTerminal << QStringList() << QByteArray("DETESTeID00006") << QByteArray() << dvTerminal
											 << QStringList({QStringLiteral("Eac1")}) + roots;
			QTest::newRow("over the link certificate") << withLink << QStringList() << QByteArray("DETESTeID00005") << QByteArray() << linkDvTerminal
													   << QStringList({QStringLiteral("Eac1")}) + roots;
			QTest::newRow("previous CAR") << withLink << QStringList() << QByteArray("DETESTeID00099") << QByteArray("DETESTeID00006") << dvTerminal
										  << QStringList({QStringLiteral("Eac1")}) + roots;
			QTest::newRow("from the EAC2 message") << QStringList() << dvAndTerminal << QByteArray("DETESTeID00006") << QByteArray() << dvTerminal
												   << QStringList({QStringLiteral("Eac2")}) + roots;
			QTest::newRow("split over both messages") << QStringList({QStringLiteral("terminal")}) << QStringList({QStringLiteral("dv_domestic")})
													  << QByteArray("DETESTeID00006") << QByteArray() << dvTerminal
													  << QStringList({QStringLiteral("Eac1"), QStringLiteral("Eac2")}) + roots;
			QTest::newRow("no DV") << QStringList({QStringLiteral("terminal")}) << QStringList() << QByteArray("DETESTeID00006") << QByteArray("DETESTeID00005") << QStringList()
								   << QStringList({QStringLiteral("Eac1")}) + roots;
		}


		void chainBuilder()
		{
			QFETCH(QStringList, eac1);
			QFETCH(QStringList, eac2);
			QFETCH(QByteArray, carCurr);
			QFETCH(QByteArray, carPrev);
			QFETCH(QStringList, chain);
			QFETCH(QStringList, sources);

			AuthContext context;
			context.setDidAuthenticateEac1(this->eac1(certificates(eac1)));

			LogCapture log;
			context.initCvcChainBuilder(certificates(eac2));
			QCOMPARE(log.count(QStringLiteral("Initialize ChainBuilder with certificates")), 1);
			QCOMPARE(test_AuthContext::sources(log), sources);

			EstablishPaceChannelOutput output;
			output.setCarCurr(carCurr);
			output.setCarPrev(carPrev);
			QCOMPARE(chrs(context.getChainForCertificationAuthority(output)), chain);
			QCOMPARE(context.hasChainForCertificationAuthority(output), !chain.isEmpty());
		}


		void chainStartingWith()
		{
			AuthContext context;
			context.setDidAuthenticateEac1(eac1(certificates({QStringLiteral("DETESTeID00006"), QStringLiteral("dv_domestic"), QStringLiteral("terminal")})));
			context.initCvcChainBuilder();

			QCOMPARE(chrs(context.getChainStartingWith(certificate(QStringLiteral("DETESTeID00006")))),
					QStringList({QStringLiteral("DETESTeID00006"), QStringLiteral("DETESTDVOD00001"), QStringLiteral("DETESTTERM00001")}));
			// The test root leads on only through DETESTeID00005, which nobody gave.
			QVERIFY(context.getChainStartingWith(certificate(QStringLiteral("DETESTeID00004"))).isEmpty());
			// A terminal alone is no chain.
			QVERIFY(context.getChainStartingWith(certificate(QStringLiteral("terminal"))).isEmpty());
		}


		// Last: the stored link certificates only grow.
		void preVerificationLinks()
		{
			auto& preVerification = Env::getSingleton<AppSettings>()->getPreVerificationSettings();
			preVerification.addLinkCertificate(mPki.read(QStringLiteral("DETESTeID00005.cvcert")));
			preVerification.addLinkCertificate(QByteArray("no certificate"));

			AuthContext context;
			context.setDidAuthenticateEac1(eac1(certificates({QStringLiteral("DETESTeID00006"), QStringLiteral("dv_domestic"), QStringLiteral("terminal")})));
			LogCapture log;
			context.initCvcChainBuilder();
			QCOMPARE(sources(log), QStringList({QStringLiteral("PreVerification"), QStringLiteral("Eac1"), QStringLiteral("Productive"), QStringLiteral("Test")}));
			// One line per certificate: the undecodable entry is dropped.
			const auto messages = log.messages();
			const auto firstSource = messages.indexOf(QStringLiteral("    Source: PreVerification"));
			QVERIFY(firstSource >= 0);
			QVERIFY(messages.at(firstSource + 1).startsWith(QStringLiteral("        ")));
			QVERIFY(messages.at(firstSource + 2).startsWith(QStringLiteral("    Source: Eac1")));

			EstablishPaceChannelOutput output;
			output.setCarCurr("DETESTeID00004");
			QCOMPARE(chrs(context.getChainForCertificationAuthority(output)),
					QStringList({QStringLiteral("DETESTeID00005"), QStringLiteral("DETESTeID00006"), QStringLiteral("DETESTDVOD00001"), QStringLiteral("DETESTTERM00001")}));
		}


};

KENDRAWELL_TEST_MAIN(test_AuthContext)
#include "test_AuthContext.moc"
