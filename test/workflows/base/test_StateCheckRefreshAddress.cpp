// The providers are the test eID server's HTTPS listeners with the test PKI's certificates:
// "provider" is the origin of the certificate description's subject URL, "redirect" another one,
// "plain" the provider over HTTP; openssl s_server shows the certificate that no description lists.
#include "states/StateCheckRefreshAddress.h"

#include "AppSettings.h"
#include "EidServerProcess.h"
#include "Env.h"
#include "LogCapture.h"
#include "NetworkManager.h"
#include "PkiMessages.h"
#include "SingleStateController.h"
#include "TestEnvironment.h"
#include "TestPeer.h"
#include "TestPki.h"
#include "TestWorkflowUi.h"
#include "VolatileSettings.h"

#include <QBuffer>
#include <QtTest>

using namespace tessarovin;

using StatusInfo = QMap<GlobalStatus::ExternalInformation, QString>;
Q_DECLARE_METATYPE(StatusInfo)
Q_DECLARE_METATYPE(std::optional<FailureCode::Reason>)

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


QSharedPointer<const TcToken> token(const QString& pRefreshAddress, bool pPsk = true)
{
	QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<TCTokenType>\n"
					 "  <ServerAddress>https://127.0.0.1:4433/paos</ServerAddress>\n"
					 "  <SessionIdentifier>1A2BB129</SessionIdentifier>\n"
					 "  <RefreshAddress>" + pRefreshAddress.toHtmlEscaped().toUtf8() + "</RefreshAddress>\n"
					 "  <CommunicationErrorAddress>https://127.0.0.1:4433/error</CommunicationErrorAddress>\n"
					 "  <Binding>urn:liberty:paos:2006-08</Binding>\n";
	if (pPsk)
	{
		xml += "  <PathSecurity-Protocol>urn:ietf:rfc:4279</PathSecurity-Protocol>\n"
			   "  <PathSecurity-Parameters><PSK>4BC1A0B5704F4B6B8D5BB2E2C0D1E4F1</PSK></PathSecurity-Parameters>\n";
	}
	xml += "</TCTokenType>\n";
	auto buffer = QSharedPointer<QBuffer>::create();
	buffer->setData(xml);
	buffer->open(QIODevice::ReadOnly);
	return QSharedPointer<const TcToken>::create(buffer);
}


} // namespace


class test_StateCheckRefreshAddress
	: public QObject
{
	Q_OBJECT

	private:
		EidServerProcess mServer;
		TestPki mPki;
		TestPeer mOutsider;
		QSharedPointer<AuthContext> mContext;
		QScopedPointer<TestWorkflowUi> mUi;

		QString origin(const QString& pListener) const
		{
			return QStringLiteral("%1://127.0.0.1:%2").arg(pListener == QLatin1String("plain") ? QStringLiteral("http") : QStringLiteral("https")).arg(mServer.getPort(pListener));
		}


		// A hop of the server: answers pCode with Location pTo (none: itself, a loop).
		QString hop(const QString& pListener, int pCode, const std::optional<QString>& pTo = std::nullopt) const
		{
			QUrlQuery query;
			query.addQueryItem(QStringLiteral("code"), QString::number(pCode));
			if (pTo)
			{
				query.addQueryItem(QStringLiteral("to"), QString::fromLatin1(QUrl::toPercentEncoding(*pTo)));
			}
			return origin(pListener) + QStringLiteral("/redirect?") + query.toString(QUrl::FullyEncoded);
		}


		QStringList run()
		{
			SingleStateController controller(mContext);
			controller.setState<StateCheckRefreshAddress>();
			controller.run();
			// Up to 21 handshakes under the sanitizers on a busy machine.
			if (!QTest::qWaitFor([&controller] {
					return controller.hasLeft();
				}, 120000))
			{
				return QStringList();
			}
			return controller.getEndedBy();
		}


		// "<origin> <method> <path>" of every GET and POST the server got in this case. The HEAD
		// that fetches a certificate is aborted after the handshake and may not arrive at all.
		QStringList requests()
		{
			QStringList result;
			const auto events = mServer.getEvents(QStringLiteral("request"));
			for (const auto& event : events)
			{
				const QString method = event.value(QLatin1String("method")).toString();
				if (method != QLatin1String("HEAD"))
				{
					result << event.value(QLatin1String("origin")).toString() + QLatin1Char(' ') + method
							+ QLatin1Char(' ') + event.value(QLatin1String("path")).toString();
				}
			}
			return result;
		}


		// The listeners under whose URLs certificates were recorded, sorted.
		QStringList certificateOrigins() const
		{
			QStringList origins;
			const auto urls = mContext->getCertificateList().uniqueKeys();
			for (const auto& url : urls)
			{
				for (const auto& listener : {QStringLiteral("provider"), QStringLiteral("redirect")})
				{
					if (url.port() == mServer.getPort(listener))
					{
						origins << listener;
					}
				}
			}
			origins.sort();
			return origins;
		}

	private Q_SLOTS:
		void initTestCase()
		{
			NetworkManager::lockProxy = true;
			NetworkManager::setApplicationProxyFactory();
			QVERIFY(mServer.start());
			QVERIFY(mPki.open(mServer.getPkiFolder()));
			QCOMPARE(mPki.getSubjectUrl(), origin(QStringLiteral("provider")));
			QVERIFY(mOutsider.startServer({QStringLiteral("-cert"), TestPki::getFixture(QStringLiteral("outsider.pem")),
											   QStringLiteral("-key"), TestPki::getFixture(QStringLiteral("outsider.key")), QStringLiteral("-www")}));
		}


		void init()
		{
			mContext = QSharedPointer<AuthContext>::create(true, QUrl(), AuthContext::BrowserHandler(),
					QMap<QByteArray, QByteArray>({{"X-Forwarded-Test", "kendrawell"}}));
			mContext->setTcTokenUrl(QUrl(origin(QStringLiteral("provider")) + QStringLiteral("/tctoken")));
			mContext->setDidAuthenticateEac1(pkiEac1(mPki, mPki.getEac1CertificateNames(TestPki::Chain::VALID), mPki.getDescriptionName(TestPki::Chain::VALID)));
			const auto certificates = pkiCertificates(mPki, mPki.getEac1CertificateNames(TestPki::Chain::VALID));
			for (const auto& certificate : certificates)
			{
				const auto role = certificate->getBody().getCHAT().getAccessRole();
				if (role == AccessRole::DV_od || role == AccessRole::DV_no_f)
				{
					mContext->setDvCvc(certificate);
				}
			}
			for (const auto& certificate : certificates)
			{
				if (certificate->getBody().getCHAT().getAccessRole() == AccessRole::AT)
				{
					mContext->initAccessRightManager(certificate);
				}
			}
			QVERIFY(mContext->getTerminalCvc());
			mUi.reset(new TestWorkflowUi());
			mUi->claim(mContext);
			mServer.clearEvents();
		}


		void cleanup()
		{
			mUi.reset();
			mContext.reset();
			setDeveloperMode(false);
		}


		void walk_data()
		{
			QTest::addColumn<QString>("refresh");
			QTest::addColumn<bool>("developerMode");
			QTest::addColumn<std::optional<FailureCode::Reason>>("failure");
			QTest::addColumn<GlobalStatus::Code>("code");
			QTest::addColumn<StatusInfo>("statusInfo");
			QTest::addColumn<QString>("refreshUrl");
			QTest::addColumn<QStringList>("requests");
			QTest::addColumn<QStringList>("certificates");

			using Reason = FailureCode::Reason;
			using Code = GlobalStatus::Code;
			using Info = GlobalStatus::ExternalInformation;
			const auto ok = std::optional<Reason>();
			const QString provider = origin(QStringLiteral("provider"));
			const QString redirect = origin(QStringLiteral("redirect"));
			const QString refresh = provider + QStringLiteral("/refresh?session=42");
			const QStringList both({QStringLiteral("provider"), QStringLiteral("redirect")});

			QTest::newRow("subject origin: HEAD only") << refresh << false << ok << Code::No_Error << StatusInfo() << refresh
													   << QStringList() << QStringList({QStringLiteral("provider")});

			const QString third = hop(QStringLiteral("redirect"), 200);
			const QString second = hop(QStringLiteral("provider"), 303, third);
			const QString first = hop(QStringLiteral("redirect"), 302, second);
			QTest::newRow("chain through another origin") << first << false << ok << Code::No_Error << StatusInfo() << third
														   << QStringList({QStringLiteral("redirect GET /redirect"), QStringLiteral("provider GET /redirect")})
														   << both;
			// Only the answer of the subject's origin names the page: the refresh page itself is no redirect.
			const QString viaRedirect = hop(QStringLiteral("redirect"), 307, refresh);
			QTest::newRow("307 to the subject's page") << viaRedirect << false << std::optional(Reason::Check_Refresh_Address_Invalid_Http_Response)
													   << Code::Workflow_Network_Expected_Redirect << StatusInfo({{Info::HTTP_STATUS_CODE, QStringLiteral("200")}, {Info::LAST_URL, refresh}})
													   << QString() << QStringList({QStringLiteral("redirect GET /redirect"), QStringLiteral("provider GET /refresh")}) << both;
			const QString subjectRedirect = hop(QStringLiteral("provider"), 302, refresh);
			QTest::newRow("refresh address of the subject's origin is not followed") << subjectRedirect << false << ok << Code::No_Error << StatusInfo() << subjectRedirect
																					 << QStringList() << QStringList({QStringLiteral("provider")});

			const QString answers200 = hop(QStringLiteral("redirect"), 200);
			QTest::newRow("another origin answers 200") << answers200 << false << std::optional(Reason::Check_Refresh_Address_Invalid_Http_Response)
														<< Code::Workflow_Network_Expected_Redirect << StatusInfo({{Info::HTTP_STATUS_CODE, QStringLiteral("200")}, {Info::LAST_URL, answers200}})
														<< QString() << QStringList({QStringLiteral("redirect GET /redirect")}) << QStringList({QStringLiteral("redirect")});
			for (int code : {301, 308})
			{
				const QString permanent = hop(QStringLiteral("redirect"), code, refresh);
				QTest::addRow("%d is not followed", code) << permanent << false << std::optional(Reason::Check_Refresh_Address_Invalid_Http_Response)
														  << Code::Workflow_Network_Expected_Redirect << StatusInfo({{Info::HTTP_STATUS_CODE, QString::number(code)}, {Info::LAST_URL, permanent}})
														  << QString() << QStringList({QStringLiteral("redirect GET /redirect")}) << QStringList({QStringLiteral("redirect")});
			}

			const QString plainTarget = origin(QStringLiteral("plain")) + QStringLiteral("/refresh");
			const QString toHttp = hop(QStringLiteral("redirect"), 302, plainTarget);
			QTest::newRow("http target") << toHttp << false << std::optional(Reason::Check_Refresh_Address_No_Https_Scheme)
										 << Code::Workflow_Network_Invalid_Scheme << StatusInfo({{Info::URL_SCHEME, QStringLiteral("http")}, {Info::LAST_URL, plainTarget}})
										 << QString() << QStringList({QStringLiteral("redirect GET /redirect")}) << QStringList({QStringLiteral("redirect")});

			const QString empty = hop(QStringLiteral("redirect"), 302, QString());
			QTest::newRow("empty Location") << empty << false << std::optional(Reason::Check_Refresh_Address_Empty)
											<< Code::Workflow_Network_Empty_Redirect_Url << StatusInfo({{Info::LAST_URL, empty}})
											<< QString() << QStringList({QStringLiteral("redirect GET /redirect")}) << QStringList({QStringLiteral("redirect")});

			const QString outsider = QStringLiteral("https://127.0.0.1:%1/refresh").arg(mOutsider.port());
			const QString toOutsider = hop(QStringLiteral("redirect"), 302, hop(QStringLiteral("provider"), 302, outsider));
			QTest::newRow("certificate not in the description") << toOutsider << false << std::optional(Reason::Check_Refresh_Address_Hash_Missing_In_Certificate)
																 << Code::Workflow_Network_Ssl_Hash_Not_In_Certificate_Description
																 << StatusInfo({{Info::LAST_URL, outsider}, {Info::CERTIFICATE_ISSUER_NAME, QStringLiteral("Tessarovin Test TLS CA")}})
																 << QString() << QStringList({QStringLiteral("redirect GET /redirect"), QStringLiteral("provider GET /redirect")}) << both;

			const QString loop = hop(QStringLiteral("redirect"), 302);
			QStringList loopRequests;
			for (int i = 0; i <= 20; ++i)
			{
				loopRequests << QStringLiteral("redirect GET /redirect");
			}
			QTest::newRow("a loop stops after 20 hops") << loop << false << std::optional(Reason::Check_Refresh_Address_Invalid_Url)
														<< Code::Workflow_Network_Malformed_Redirect_Url << StatusInfo({{Info::REDIRECT_URL, loop}, {Info::LAST_URL, loop}})
														<< QString() << loopRequests << QStringList({QStringLiteral("redirect")});

			QTest::newRow("developer mode: http on 8080 is the https origin") << QStringLiteral("http://127.0.0.1:8080/refresh") << true << ok << Code::No_Error << StatusInfo()
																			  << QStringLiteral("http://127.0.0.1:8080/refresh") << QStringList() << QStringList();
			// Followed in developer mode: the plain page then answers 200 instead of a redirect.
			QTest::newRow("developer mode: http redirect target followed") << toHttp << true << std::optional(Reason::Check_Refresh_Address_Invalid_Http_Response)
																		   << Code::Workflow_Network_Expected_Redirect << StatusInfo({{Info::HTTP_STATUS_CODE, QStringLiteral("200")}, {Info::LAST_URL, plainTarget}})
																		   << QString() << QStringList({QStringLiteral("redirect GET /redirect"), QStringLiteral("plain GET /refresh")})
																		   << QStringList({QStringLiteral("redirect")});
		}


		void walk()
		{
			QFETCH(QString, refresh);
			QFETCH(bool, developerMode);
			QFETCH(std::optional<FailureCode::Reason>, failure);
			QFETCH(GlobalStatus::Code, code);
			QFETCH(StatusInfo, statusInfo);
			QFETCH(QString, refreshUrl);
			QFETCH(QStringList, requests);
			QFETCH(QStringList, certificates);

			setDeveloperMode(developerMode);
			if (developerMode)
			{
				// In developer mode the TC token's address stands for the subject: https on the default port.
				mContext->setTcTokenUrl(QUrl(QStringLiteral("https://127.0.0.1/tctoken")));
			}
			mContext->setTcToken(token(refresh));

			const QStringList endedBy = run();
			QCOMPARE(endedBy, QStringList({failure ? QStringLiteral("fireAbort") : QStringLiteral("fireContinue")}));

			const auto& status = mContext->getStatus();
			QCOMPARE(status.getStatusCode(), code);
			for (auto it = statusInfo.cbegin(); it != statusInfo.cend(); ++it)
			{
				QCOMPARE(status.getExternalInfo(it.key()), it.value());
			}
			if (failure)
			{
				QVERIFY(mContext->getFailureCode());
				QCOMPARE(mContext->getFailureCode()->getReason(), *failure);
				QVERIFY(mContext->getRefreshUrl().isEmpty());
			}
			else
			{
				QVERIFY(!mContext->getFailureCode());
				if (!refreshUrl.isEmpty())
				{
					QCOMPARE(mContext->getRefreshUrl(), QUrl(refreshUrl));
				}
			}

			QTRY_COMPARE(this->requests(), requests);
			QCOMPARE(certificateOrigins(), certificates);
		}


		void headersOfTheAuthenticationGoAlong()
		{
			mContext->setTcToken(token(hop(QStringLiteral("redirect"), 302, hop(QStringLiteral("provider"), 302, origin(QStringLiteral("provider")) + QStringLiteral("/refresh")))));
			QCOMPARE(run(), QStringList({QStringLiteral("fireContinue")}));
			const auto get = mServer.waitForEvent(QStringLiteral("request"));
			QVERIFY(get);
			QCOMPARE(get->value(QLatin1String("method")).toString(), QStringLiteral("GET"));
			QCOMPARE(get->value(QLatin1String("headers")).toObject().value(QLatin1String("X-Forwarded-Test")).toString(), QStringLiteral("kendrawell"));
			// The HEAD that fetches the certificate carries none, if it arrives at all.
			const auto head = mServer.waitForEvent(QStringLiteral("request"), [](const QJsonObject& pEvent) {
					return pEvent.value(QLatin1String("method")).toString() == QLatin1String("HEAD");
				}, 1000);
			QVERIFY(!head || !head->value(QLatin1String("headers")).toObject().contains(QLatin1String("X-Forwarded-Test")));
		}


		void noFailureWithoutUsableAddress_data()
		{
			QTest::addColumn<QString>("refresh");

			QTest::newRow("no TC token") << QString();
			QTest::newRow("http refresh address") << QStringLiteral("http://127.0.0.1:8080/refresh");
			QTest::newRow("invalid refresh address") << QStringLiteral("https://127.0.0.1:99999/refresh");
		}


		void noFailureWithoutUsableAddress()
		{
			QFETCH(QString, refresh);

			if (!refresh.isEmpty())
			{
				mContext->setTcToken(token(refresh));
			}
			QCOMPARE(run(), QStringList({QStringLiteral("fireContinue")}));
			QVERIFY(mContext->getRefreshUrl().isEmpty());
			QVERIFY(mContext->getStatus().isNoError());
			QVERIFY(requests().isEmpty());
		}


		void subjectUrlFallsBackToTheTcTokenUrl()
		{
			mContext->setDidAuthenticateEac1(pkiEac1(mPki, mPki.getEac1CertificateNames(TestPki::Chain::NO_SUBJECT_URL), mPki.getDescriptionName(TestPki::Chain::NO_SUBJECT_URL)));
			const QString refresh = origin(QStringLiteral("provider")) + QStringLiteral("/refresh");
			mContext->setTcToken(token(refresh));
			const LogCapture log;
			QCOMPARE(run(), QStringList({QStringLiteral("fireContinue")}));
			QVERIFY(log.contains(QStringLiteral("No subjectURL/certificate description available, take the TcToken-URL instead")));
			QCOMPARE(mContext->getRefreshUrl(), QUrl(refresh));
			QTRY_VERIFY(requests().isEmpty());
		}


		void certificateCollectedOnTheWayIsNotFetchedAgain()
		{
			// The state is entered again in a second run and keeps what it collected.
			const QString refresh = origin(QStringLiteral("provider")) + QStringLiteral("/refresh");
			mContext->setTcToken(token(refresh));
			SingleStateController controller(mContext);
			auto* state = controller.setState<StateCheckRefreshAddress>();
			controller.run();
			QTRY_VERIFY_WITH_TIMEOUT(controller.hasLeft(), 60000);
			QCOMPARE(state->mCollectedUrls, QList<QUrl>({QUrl(refresh)}));
			QTRY_VERIFY(requests().isEmpty());

			const LogCapture log;
			state->mUrl = QUrl(refresh);
			state->fetchServerCertificate();
			QVERIFY(log.contains(QStringLiteral("SSL certificate already collected for")));
			QVERIFY(requests().isEmpty());
		}


};

KENDRAWELL_TEST_MAIN(test_StateCheckRefreshAddress)
#include "test_StateCheckRefreshAddress.moc"
