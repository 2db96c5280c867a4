// The providers are Python HTTPS servers (test/network/provider_server.py) with the TLS
// certificates of the authentication test PKI: "provider" on one origin, "redirect" on another.
// The certificate below the configured key length is served by openssl s_server. The provider and
// redirect origins of the test eID server are checked too.
#include "states/StateGetTcToken.h"

#include "AppSettings.h"
#include "EidServerProcess.h"
#include "Env.h"
#include "LogCapture.h"
#include "NetworkManager.h"
#include "SingleStateController.h"
#include "TestEnvironment.h"
#include "TestPeer.h"
#include "TestPki.h"
#include "TestWorkflowUi.h"
#include "VolatileSettings.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

using namespace tessarovin;

using StatusInfo = QMap<GlobalStatus::ExternalInformation, QString>;
Q_DECLARE_METATYPE(StatusInfo)
Q_DECLARE_METATYPE(std::optional<FailureCode::Reason>)

namespace
{

const QStringList cContinue({QStringLiteral("fireContinue")});
const QStringList cAbort({QStringLiteral("fireAbort")});


QByteArray token(const QByteArray& pBinding = QByteArrayLiteral("urn:liberty:paos:2006-08"))
{
	return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<TCTokenType>\n"
		   "  <ServerAddress>https://127.0.0.1:4433/paos</ServerAddress>\n"
		   "  <SessionIdentifier>1A2BB129</SessionIdentifier>\n"
		   "  <RefreshAddress>https://service.example/refresh?id=42</RefreshAddress>\n"
		   "  <CommunicationErrorAddress>https://service.example/error</CommunicationErrorAddress>\n"
		   "  <Binding>" + pBinding + "</Binding>\n"
		   "  <PathSecurity-Protocol>urn:ietf:rfc:4279</PathSecurity-Protocol>\n"
		   "  <PathSecurity-Parameters><PSK>4BC1A0B5704F4B6B8D5BB2E2C0D1E4F1</PSK></PathSecurity-Parameters>\n"
		   "</TCTokenType>\n";
}


void setDeveloperMode(bool pEnabled)
{
	Env::getSingleton<VolatileSettings>()->setDeveloperMode(pEnabled);
	auto& settings = Env::getSingleton<AppSettings>()->getGeneralSettings();
	settings.setDeveloperOptions(pEnabled);
	settings.setDeveloperMode(pEnabled);
	QCOMPARE(settings.isDeveloperMode(), pEnabled);
}


// The requests a provider printed since the last call, one JSON object each.
QList<QJsonObject> requestsOf(TestPeer& pPeer)
{
	QList<QJsonObject> requests;
	const auto lines = pPeer.takeOutput().split('\n');
	for (const auto& line : lines)
	{
		if (!line.trimmed().isEmpty())
		{
			requests << QJsonDocument::fromJson(line).object();
		}
	}
	return requests;
}


// "origin CN" of each recorded certificate, sorted.
QStringList certificatesOf(const AuthContext& pContext)
{
	QStringList entries;
	const auto& certificates = pContext.getCertificateList();
	for (auto it = certificates.cbegin(); it != certificates.cend(); ++it)
	{
		entries << it.key().toString() + QLatin1Char(' ') + it.value().subjectInfo(QSslCertificate::CommonName).join(QLatin1Char(','));
	}
	entries.sort();
	return entries;
}


} // namespace


class test_StateGetTcToken
	: public QObject
{
	Q_OBJECT

	private:
		QTemporaryDir mDocuments;
		TestPeer mProvider;
		TestPeer mRedirect;
		TestPeer mPlain;
		QSharedPointer<AuthContext> mContext;
		QScopedPointer<TestWorkflowUi> mUi;

		bool startProvider(TestPeer& pPeer, const QString& pName)
		{
			QStringList arguments({QStringLiteral("--documents"), mDocuments.path()});
			if (!pName.isEmpty())
			{
				arguments << QStringLiteral("--cert") << TestPki::getFixture(pName + QStringLiteral(".pem"))
						  << QStringLiteral("--key") << TestPki::getFixture(pName + QStringLiteral(".key"));
			}
			return pPeer.startScript(QStringLiteral("provider_server.py"), arguments);
		}


		void writeDocument(const QString& pName, const QByteArray& pContent)
		{
			QFile file(mDocuments.filePath(pName));
			QVERIFY(file.open(QIODevice::WriteOnly));
			QCOMPARE(file.write(pContent), pContent.size());
		}


		static QString origin(const TestPeer& pPeer, const QString& pScheme = QStringLiteral("https"))
		{
			return QStringLiteral("%1://127.0.0.1:%2").arg(pScheme).arg(pPeer.port());
		}


		QString provider() const
		{
			return origin(mProvider);
		}


		QString redirect() const
		{
			return origin(mRedirect);
		}


		// "/answer" with the given query items, each value percent-encoded.
		static QString answer(const QString& pOrigin, const QList<QPair<QString, QString>>& pItems)
		{
			QStringList items;
			for (const auto& [name, value] : pItems)
			{
				items << name + QLatin1Char('=') + QString::fromLatin1(QUrl::toPercentEncoding(value));
			}
			return pOrigin + QStringLiteral("/answer?") + items.join(QLatin1Char('&'));
		}


		QStringList run(const QString& pUrl)
		{
			mContext->setTcTokenUrl(QUrl(pUrl));
			SingleStateController controller(mContext);
			controller.setState<StateGetTcToken>();
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


		// The requests of the providers since the last call.
		QList<QJsonObject> requests()
		{
			return requestsOf(mProvider) + requestsOf(mRedirect) + requestsOf(mPlain);
		}


		void verifyStatus(GlobalStatus::Code pCode, const StatusInfo& pInfo)
		{
			const auto& status = mContext->getStatus();
			QCOMPARE(status.getStatusCode(), pCode);
			QCOMPARE(status.getOrigin(), GlobalStatus::Origin::Client);
			const auto keys = QMetaEnum::fromType<GlobalStatus::ExternalInformation>();
			for (int i = 0; i < keys.keyCount(); ++i)
			{
				const auto key = static_cast<GlobalStatus::ExternalInformation>(keys.value(i));
				QCOMPARE(status.getExternalInfo(key), pInfo.value(key));
			}
		}

	private Q_SLOTS:
		void initTestCase()
		{
			QVERIFY(mDocuments.isValid());
			writeDocument(QStringLiteral("token.xml"), token());
			writeDocument(QStringLiteral("wrong_binding.xml"), token("urn:liberty:paos:2003-08"));
			writeDocument(QStringLiteral("page.html"), "<html><body><p>Welcome</p></body></html>\n");
			QVERIFY(startProvider(mProvider, QStringLiteral("provider")));
			QVERIFY(startProvider(mRedirect, QStringLiteral("redirect")));
			QVERIFY(startProvider(mPlain, QString()));
		}


		void cleanupTestCase()
		{
			// Nothing of the network manager's may outlive the test's event loop: its connections
			// end on its thread now, its released replies here.
			auto* manager = Env::getSingleton<NetworkManager>();
			manager->clearConnections();
			QTRY_COMPARE(manager->getOpenConnectionCount(), 0);
			QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
		}


		void init()
		{
			mContext = QSharedPointer<AuthContext>::create(true, QUrl(), AuthContext::BrowserHandler(),
					QMap<QByteArray, QByteArray>({{"X-Forwarded-Test", "kendrawell"}}));
			mUi.reset(new TestWorkflowUi());
			mUi->claim(mContext);
			// Forget the requests of the cases before.
			[[maybe_unused]] const auto earlier = requests();
		}


		void cleanup()
		{
			mUi.reset();
			mContext.reset();
			setDeveloperMode(false);
		}


		void fetch_data()
		{
			QTest::addColumn<QString>("url");
			QTest::addColumn<std::optional<FailureCode::Reason>>("failure");
			QTest::addColumn<GlobalStatus::Code>("code");
			QTest::addColumn<StatusInfo>("statusInfo");
			QTest::addColumn<QString>("httpStatus");
			QTest::addColumn<int>("requests");
			QTest::addColumn<QStringList>("certificates");
			QTest::addColumn<bool>("tcTokenNotFound");

			const QString token = answer(provider(), {{"file", "token.xml"}});
			QStringList both({provider() + QStringLiteral(" provider"), redirect() + QStringLiteral(" redirect")});
			both.sort();
			const QStringList first({provider() + QStringLiteral(" provider")});
			const auto noFailure = std::optional<FailureCode::Reason>();
			const auto ok = GlobalStatus::Code::No_Error;
			using Reason = FailureCode::Reason;
			using Code = GlobalStatus::Code;
			using Info = GlobalStatus::ExternalInformation;

			QTest::newRow("token") << token << noFailure << ok << StatusInfo() << QString() << 1 << first << false;
			for (const QString status : {"302", "303", "307"})
			{
				const auto url = answer(provider(), {{"status", status}, {"location", answer(redirect(), {{"file", "token.xml"}})}});
				QTest::addRow("%s to another origin", qPrintable(status)) << url << noFailure << ok << StatusInfo() << QString() << 2 << both << false;
			}
			for (const QString status : {"301", "308", "204"})
			{
				const auto url = answer(provider(), {{"status", status}, {"location", token}});
				QTest::addRow("%s", qPrintable(status)) << url << std::optional(Reason::Get_TcToken_Invalid_Server_Reply)
														<< Code::Workflow_TrustedChannel_Other_Network_Error << StatusInfo({{Info::LAST_URL, url}})
														<< status << 1 << first << true;
			}

			const auto toHttp = answer(provider(), {{"status", "302"}, {"location", answer(origin(mPlain, QStringLiteral("http")), {{"file", "token.xml"}})}});
			QTest::newRow("302 to http") << toHttp << std::optional(Reason::Get_TcToken_Invalid_Redirect_Url) << Code::Workflow_TrustedChannel_Server_Format_Error
										 << StatusInfo({{Info::LAST_URL, answer(origin(mPlain, QStringLiteral("http")), {{"file", "token.xml"}})}, {Info::URL_SCHEME, "http"}})
										 << QString() << 1 << first << false;
			QTest::newRow("302 to empty location") << answer(provider(), {{"status", "302"}, {"location", ""}}) << std::optional(Reason::Get_TcToken_Invalid_Redirect_Url)
												   << Code::Workflow_TrustedChannel_Server_Format_Error << StatusInfo() << QString() << 1 << first << true;

			const QList<std::tuple<QString, Reason, Code>> errors({
						{"503", Reason::Get_TcToken_ServiceUnavailable, Code::Workflow_TrustedChannel_ServiceUnavailable},
						{"502", Reason::Get_TcToken_Server_Error, Code::Workflow_TrustedChannel_Server_Error},
						{"500", Reason::Get_TcToken_Server_Error, Code::Workflow_TrustedChannel_Server_Error},
						{"404", Reason::Get_TcToken_Client_Error, Code::Workflow_TrustedChannel_Client_Error},
						{"400", Reason::Get_TcToken_Client_Error, Code::Workflow_TrustedChannel_Client_Error}
					});
			for (const auto& [status, reason, code] : errors)
			{
				const auto url = answer(provider(), {{"status", status}, {"body", "failed"}});
				QTest::addRow("%s", qPrintable(status)) << url << std::optional(reason) << code
														<< StatusInfo({{Info::LAST_URL, url}, {Info::HTTP_STATUS_CODE, status}}) << status << 1 << first << true;
			}
			// The network manager's HTTP layer may send an idempotent request again on a closed connection.
			const auto closed = provider() + QStringLiteral("/close");
			QTest::newRow("closed without answer") << closed << std::optional(Reason::Get_TcToken_Network_Error) << Code::Workflow_TrustedChannel_Other_Network_Error
												   << StatusInfo({{Info::LAST_URL, closed}, {Info::HTTP_STATUS_CODE, "0"}}) << "0" << -1 << first << true;

			const auto empty = answer(provider(), {{"body", ""}});
			QTest::newRow("empty body") << empty << std::optional(Reason::Get_TcToken_Empty_Data) << Code::Workflow_TrustedChannel_No_Data_Received
										<< StatusInfo({{Info::LAST_URL, empty}}) << QString() << 1 << first << true;
			const auto page = answer(provider(), {{"file", "page.html"}, {"type", "text/html"}});
			QTest::newRow("no token") << page << std::optional(Reason::Get_TcToken_Invalid_Data) << Code::Workflow_TrustedChannel_Server_Format_Error
									  << StatusInfo({{Info::LAST_URL, page}}) << QString() << 1 << first << true;
			const auto wrongBinding = answer(provider(), {{"file", "wrong_binding.xml"}});
			QTest::newRow("conforming but invalid token") << wrongBinding << std::optional(Reason::Get_TcToken_Invalid_Data) << Code::Workflow_TrustedChannel_Server_Format_Error
														  << StatusInfo({{Info::LAST_URL, wrongBinding}}) << QString() << 1 << first << false;

			// Twenty redirects are followed, the twenty-first is refused.
			QTest::newRow("20 hops") << provider() + QStringLiteral("/hops/20?file=token.xml") << noFailure << ok << StatusInfo() << QString() << 21 << first << false;
			QTest::newRow("21 hops") << provider() + QStringLiteral("/hops/21?file=token.xml") << std::optional(Reason::Get_TcToken_Invalid_Redirect_Url)
									 << Code::Workflow_TrustedChannel_Server_Format_Error << StatusInfo({{Info::LAST_URL, provider() + QStringLiteral("/hops/1?file=token.xml")}})
									 << QString() << 21 << first << true;
			QTest::newRow("loop") << provider() + QStringLiteral("/loop") << std::optional(Reason::Get_TcToken_Invalid_Redirect_Url)
								  << Code::Workflow_TrustedChannel_Server_Format_Error << StatusInfo({{Info::LAST_URL, provider() + QStringLiteral("/loop")}})
								  << QString() << 21 << first << true;
		}


		void fetch()
		{
			QFETCH(QString, url);
			QFETCH(std::optional<FailureCode::Reason>, failure);
			QFETCH(GlobalStatus::Code, code);
			QFETCH(StatusInfo, statusInfo);
			QFETCH(QString, httpStatus);
			QFETCH(int, requests);
			QFETCH(QStringList, certificates);
			QFETCH(bool, tcTokenNotFound);

			QCOMPARE(run(url), failure ? cAbort : cContinue);
			verifyStatus(code, statusInfo);
			QCOMPARE(mContext->getProgressValue(), 0);
			QCOMPARE(mContext->getProgressMessage(), QStringLiteral("Fetch TCToken"));
			QCOMPARE(mContext->isTcTokenNotFound(), tcTokenNotFound);
			// Only the first handshake with an origin is made: later requests reuse its connection.
			QStringList recorded = certificatesOf(*mContext);
			recorded.removeDuplicates();
			QCOMPARE(recorded, certificates);
			QVERIFY(!mContext->getTcTokenSslSession().isEmpty());

			const auto received = this->requests();
			if (requests < 0)
			{
				QVERIFY(!received.isEmpty());
			}
			else
			{
				QCOMPARE(received.size(), requests);
			}
			for (const auto& request : received)
			{
				QCOMPARE(request.value(QLatin1String("method")).toString(), QStringLiteral("GET"));
				QVERIFY(request.value(QLatin1String("headers")).toArray().contains(QJsonArray({"X-Forwarded-Test", "kendrawell"})));
			}

			if (failure)
			{
				const auto failureCode = mContext->getFailureCode();
				QVERIFY(failureCode);
				QCOMPARE(failureCode->getReason(), *failure);
				QCOMPARE(failureCode->getInfoMap().value(FailureCode::Info::Http_Status_Code), httpStatus);
				QCOMPARE(failureCode->getInfoMap().contains(FailureCode::Info::Network_Error), !httpStatus.isEmpty());
				QVERIFY(mContext->getTcToken().isNull() == (*failure != FailureCode::Reason::Get_TcToken_Invalid_Data));
				return;
			}

			QVERIFY(!mContext->getFailureCode());
			const auto& tcToken = mContext->getTcToken();
			QVERIFY(tcToken);
			QVERIFY(tcToken->isValid());
			QCOMPARE(tcToken->getSessionIdentifier(), QByteArray("1A2BB129"));
		}


		void certificatesOfEachHandshake()
		{
			// provider -> redirect -> provider -> token on redirect: each origin's connection may be
			// reused or made anew, and each handshake adds its certificate.
			const auto last = answer(redirect(), {{"file", "token.xml"}});
			const auto third = answer(provider(), {{"status", "307"}, {"location", last}});
			const auto second = answer(redirect(), {{"status", "303"}, {"location", third}});
			const auto url = answer(provider(), {{"status", "302"}, {"location", second}});

			QCOMPARE(run(url), cContinue);
			QCOMPARE(requests().size(), 4);
			const auto recorded = certificatesOf(*mContext);
			QVERIFY(recorded.size() >= 2 && recorded.size() <= 4);
			const auto fromProvider = recorded.count(provider() + QStringLiteral(" provider"));
			const auto fromRedirect = recorded.count(redirect() + QStringLiteral(" redirect"));
			QVERIFY(fromProvider >= 1 && fromRedirect >= 1);
			QCOMPARE(fromProvider + fromRedirect, recorded.size());
		}


		void plainHttp_data()
		{
			QTest::addColumn<bool>("developerMode");

			QTest::newRow("refused") << false;
			QTest::newRow("developer mode") << true;
		}


		void plainHttp()
		{
			QFETCH(bool, developerMode);

			setDeveloperMode(developerMode);
			const auto url = answer(origin(mPlain, QStringLiteral("http")), {{"file", "token.xml"}});
			const LogCapture capture;
			const auto endedBy = run(url);

			QCOMPARE(capture.count(QStringLiteral("The used URL is not of type HTTPS: ") + url), 1);
			const auto entries = capture.entries();
			const auto line = std::find_if(entries.cbegin(), entries.cend(), [](const auto& pEntry){
						return pEntry.mMessage.startsWith(QLatin1String("The used URL is not of type HTTPS"));
					});
			QCOMPARE(line->mType, QtCriticalMsg);
			QCOMPARE(line->mCategory, developerMode ? QStringLiteral("developermode") : QStringLiteral("network"));

			if (developerMode)
			{
				QCOMPARE(endedBy, cContinue);
				QVERIFY(mContext->getStatus().isNoError());
				QCOMPARE(requests().size(), 1);
				QVERIFY(mContext->getCertificateList().isEmpty());
				return;
			}

			QCOMPARE(endedBy, cAbort);
			QCOMPARE(mContext->getFailureCode()->getReason(), FailureCode::Reason::Get_TcToken_Invalid_Url);
			verifyStatus(GlobalStatus::Code::Workflow_TrustedChannel_Server_Format_Error,
					{{GlobalStatus::ExternalInformation::LAST_URL, url}, {GlobalStatus::ExternalInformation::URL_SCHEME, "http"}});
			QVERIFY(!mContext->isTcTokenNotFound());
			QVERIFY(requests().isEmpty());
		}


		void shortCertificateKey()
		{
			TestPeer server;
			QVERIFY(server.startServer({"-tls1_2", "-cert", TestPki::getFixture("weak.pem"), "-key", TestPki::getFixture("weak.key"), "-www"}));
			const auto url = origin(server) + QStringLiteral("/");

			QCOMPARE(run(url), cAbort);
			QCOMPARE(mContext->getFailureCode()->getReason(), FailureCode::Reason::Get_TcToken_Invalid_Certificate_Key_Length);
			verifyStatus(GlobalStatus::Code::Workflow_TrustedChannel_Establishment_Error, {{GlobalStatus::ExternalInformation::LAST_URL, url}});
			QVERIFY(mContext->getCertificateList().isEmpty());
			QVERIFY(mContext->getTcTokenSslSession().isEmpty());
		}


		void fatalTlsError()
		{
			// A certificate for another host name.
			TestPeer server;
			QVERIFY(server.startScript(QStringLiteral("provider_server.py"), {"--documents", mDocuments.path(),
						"--cert", TestPeer::certificate("wrongsan"), "--key", TestPeer::key("wrongsan")}));
			const auto url = answer(origin(server), {{"file", "token.xml"}});

			QCOMPARE(run(url), cAbort);
			QCOMPARE(mContext->getFailureCode()->getReason(), FailureCode::Reason::Get_TcToken_Network_Error);
			verifyStatus(GlobalStatus::Code::Workflow_TrustedChannel_Other_Network_Error,
					{{GlobalStatus::ExternalInformation::LAST_URL, url}, {GlobalStatus::ExternalInformation::HTTP_STATUS_CODE, "0"}});
			QVERIFY(mContext->getCertificateList().isEmpty());
			QCOMPARE(requestsOf(server).size(), 0);
		}


		void eidServerProvider_data()
		{
			QTest::addColumn<QString>("path");
			QTest::addColumn<QString>("tokenOptions");
			QTest::addColumn<std::optional<FailureCode::Reason>>("failure");
			QTest::addColumn<GlobalStatus::Code>("code");
			QTest::addColumn<QStringList>("certificates");

			using Reason = FailureCode::Reason;
			using Code = GlobalStatus::Code;
			const QStringList both({QStringLiteral("provider"), QStringLiteral("redirect")});
			QTest::newRow("hop over the redirect origin") << "/redirect?code=303&to=@TOKEN@" << QString() << std::optional<Reason>() << Code::No_Error << both;
			QTest::newRow("loop") << "/redirect?code=302" << QString() << std::optional(Reason::Get_TcToken_Invalid_Redirect_Url)
								  << Code::Workflow_TrustedChannel_Server_Format_Error << QStringList({QStringLiteral("redirect")});
			QTest::newRow("empty location") << "/redirect?code=307&to=" << QString() << std::optional(Reason::Get_TcToken_Invalid_Redirect_Url)
											<< Code::Workflow_TrustedChannel_Server_Format_Error << QStringList({QStringLiteral("redirect")});
			QTest::newRow("308") << "/redirect?code=308&to=@TOKEN@" << QString() << std::optional(Reason::Get_TcToken_Invalid_Server_Reply)
								 << Code::Workflow_TrustedChannel_Other_Network_Error << QStringList({QStringLiteral("redirect")});
			QTest::newRow("503") << QString() << "status=503" << std::optional(Reason::Get_TcToken_ServiceUnavailable)
								 << Code::Workflow_TrustedChannel_ServiceUnavailable << QStringList({QStringLiteral("provider")});
			QTest::newRow("empty body") << QString() << "body=empty" << std::optional(Reason::Get_TcToken_Empty_Data)
										<< Code::Workflow_TrustedChannel_No_Data_Received << QStringList({QStringLiteral("provider")});
		}


		void eidServerProvider()
		{
			QFETCH(QString, path);
			QFETCH(QString, tokenOptions);
			QFETCH(std::optional<FailureCode::Reason>, failure);
			QFETCH(GlobalStatus::Code, code);
			QFETCH(QStringList, certificates);

			EidServerProcess server;
			QVERIFY(server.start());
			const auto tokenUrl = server.getTcTokenUrl(QUrlQuery(tokenOptions)).toString();
			const auto url = path.isEmpty()
					? tokenUrl
					: QStringLiteral("https://127.0.0.1:%1").arg(server.getPort(QStringLiteral("redirect"))) + QString(path).replace(QStringLiteral("@TOKEN@"), QString::fromLatin1(QUrl::toPercentEncoding(tokenUrl)));

			QCOMPARE(run(url), failure ? cAbort : cContinue);
			QCOMPARE(mContext->getStatus().getStatusCode(), code);
			QStringList recorded;
			for (const auto& certificate : mContext->getCertificateList())
			{
				recorded << certificate.subjectInfo(QSslCertificate::CommonName);
			}
			recorded.removeDuplicates();
			recorded.sort();
			QCOMPARE(recorded, certificates);
			if (failure)
			{
				QCOMPARE(mContext->getFailureCode()->getReason(), *failure);
				return;
			}
			QVERIFY(mContext->getTcToken()->usePsk());
			QCOMPARE(mContext->getTcToken()->getServerAddress().port(), server.getPort(QStringLiteral("eid")));
		}


		void firstErrorWins()
		{
			const GlobalStatus earlier(GlobalStatus::Code::Workflow_Cancellation_By_User);
			mContext->setStatus(earlier);

			QCOMPARE(run(answer(provider(), {{"status", "404"}})), cAbort);
			QCOMPARE(mContext->getFailureCode()->getReason(), FailureCode::Reason::Get_TcToken_Client_Error);
			QVERIFY(mContext->getStatus() == earlier);
		}


};

KENDRAWELL_TEST_MAIN(test_StateGetTcToken)
#include "test_StateGetTcToken.moc"
