#include "HttpServerStatusParser.h"

#include "HttpHandler.h"
#include "HttpServer.h"
#include "LogCapture.h"
#include "NetworkManager.h"
#include "TestEnvironment.h"
#include "TestPeer.h"

#include <QTcpServer>

#include <memory>

using namespace tessarovin;

namespace
{

// A running instance of the program as far as the status query goes.
class StatusOnlyHandler
	: public HttpHandler
{
	protected:
		void handleShowUiRequest(const QString&, const QSharedPointer<HttpRequest>& pRequest) override
		{
			pRequest->sendStatus(HTTP_STATUS_NOT_IMPLEMENTED);
		}


		void handleWorkflowRequest(const QSharedPointer<HttpRequest>& pRequest) override
		{
			pRequest->sendStatus(HTTP_STATUS_NOT_IMPLEMENTED);
		}


};


const QString cVersionText = QStringLiteral("Name: Kendrawell2\nImplementation-Title: Kendrawell2\nImplementation-Version: 2.5.0");

} // namespace


class test_HttpServerStatusParser
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void initTestCase()
		{
			QCoreApplication::setApplicationVersion(QStringLiteral("2.6.3"));
			QCoreApplication::setOrganizationName(QStringLiteral("Tessarovin"));
			NetworkManager::lockProxy = true;
			NetworkManager::setApplicationProxyFactory();
		}


		void runningInstance()
		{
			const auto defaultPort = HttpServer::cPort;
			HttpServer server(0, {QHostAddress(QHostAddress::LocalHost)});
			QVERIFY(server.isListening());
			StatusOnlyHandler handler;
			connect(&server, &HttpServer::fireNewHttpRequest, this, [&handler](const QSharedPointer<HttpRequest>& pRequest){
					handler.handle(pRequest);
				});

			LogCapture log;
			HttpServerStatusParser parser(server.getServerPort(), QHostAddress(QHostAddress::LocalHost));
			QVERIFY(parser.request());

			const auto expected = VersionInfo::getInstance();
			QCOMPARE(parser.getVersionInfo().toJsonObject(), expected.toJsonObject());
			QCOMPARE(parser.getVersionInfo().toJsonObject().size(), 7);
			QCOMPARE(parser.getServerHeader(), QStringLiteral("Kendrawell2/2.6.3 (TR-03124-1/1.4)"));
			QVERIFY(log.contains(QStringLiteral("Found version info")));
			QVERIFY(!log.contains(QStringLiteral("using User-Agent")));
			HttpServer::cPort = defaultPort;
		}


		void foreignServer_data()
		{
			QTest::addColumn<int>("status");
			QTest::addColumn<QStringList>("headers");
			QTest::addColumn<QString>("body");
			QTest::addColumn<bool>("result");
			QTest::addColumn<QString>("serverHeader");
			QTest::addColumn<QString>("implementationVersion");
			QTest::addColumn<QString>("log");

			const QString nginx = QStringLiteral("Server: nginx/1.22.1");
			const QString userAgent = QStringLiteral("User-Agent: Kendrawell2/2.5.0 (TR-03124-1/1.3)");
			const QString fallback = QStringLiteral("Server header is undefined... using User-Agent");

			QTest::newRow("404 keeps its Server header") << 404 << QStringList({nginx}) << cVersionText << false << QStringLiteral("nginx/1.22.1") << QString() << QStringLiteral("Cannot get status information! Got bad http status code: QNetworkReply::ContentNotFoundError");
			QTest::newRow("only User-Agent") << 200 << QStringList({userAgent}) << cVersionText << true << QStringLiteral("Kendrawell2/2.5.0 (TR-03124-1/1.3)") << QStringLiteral("2.5.0") << fallback;
			QTest::newRow("Server and User-Agent") << 200 << QStringList({userAgent, nginx}) << cVersionText << true << QStringLiteral("nginx/1.22.1") << QStringLiteral("2.5.0") << QStringLiteral("Found version info");
			QTest::newRow("neither header") << 200 << QStringList() << cVersionText << true << QString() << QStringLiteral("2.5.0") << QStringLiteral("Found version info");
			QTest::newRow("200 with a page") << 200 << QStringList({nginx}) << QStringLiteral("<html>It works!</html>") << false << QStringLiteral("nginx/1.22.1") << QString() << QStringLiteral("Cannot parse line:");
			QTest::newRow("200 without Name") << 200 << QStringList({nginx}) << QStringLiteral("Implementation-Version: 2.5.0") << false << QStringLiteral("nginx/1.22.1") << QString() << QStringLiteral("VersionInfo invalid... clearing");
			QTest::newRow("empty 200") << 200 << QStringList({nginx}) << QString() << false << QStringLiteral("nginx/1.22.1") << QString() << QStringLiteral("Found version info");
			QTest::newRow("500") << 500 << QStringList({userAgent}) << cVersionText << false << QStringLiteral("Kendrawell2/2.5.0 (TR-03124-1/1.3)") << QString() << fallback;
		}


		void foreignServer()
		{
			QFETCH(int, status);
			QFETCH(QStringList, headers);
			QFETCH(QString, body);
			QFETCH(bool, result);
			QFETCH(QString, serverHeader);
			QFETCH(QString, implementationVersion);
			QFETCH(QString, log);

			QStringList arguments({QStringLiteral("--status"), QString::number(status), QStringLiteral("--body"), body});
			for (const auto& header : std::as_const(headers))
			{
				arguments << QStringLiteral("--header") << header;
			}
			TestPeer peer;
			QVERIFY(peer.startScript(QStringLiteral("status_peer.py"), arguments));

			LogCapture logCapture;
			HttpServerStatusParser parser(peer.port(), QHostAddress(QHostAddress::LocalHost));
			QCOMPARE(parser.request(), result);
			QCOMPARE(parser.getServerHeader(), serverHeader);
			QCOMPARE(parser.getVersionInfo().getImplementationVersion(), implementationVersion);
			QCOMPARE(parser.getVersionInfo().isNull(), !result);
			QVERIFY2(logCapture.contains(log), qPrintable(logCapture.messages().join(QLatin1Char('\n'))));
			QCOMPARE(logCapture.contains(QStringLiteral("using User-Agent")), log == QLatin1String("Server header is undefined... using User-Agent"));
			QVERIFY(peer.output().startsWith("request GET /eID-Client?Status HTTP/1.1"));
		}


		void nobodyAnswers()
		{
			TestPeer silent;
			QVERIFY(silent.startScript(QStringLiteral("status_peer.py"), {QStringLiteral("--silent")}));

			LogCapture log;
			HttpServerStatusParser parser(silent.port(), QHostAddress(QHostAddress::LocalHost));
			QVERIFY(!parser.request());
			QVERIFY(log.contains(QStringLiteral("Request timed out.")));
			QVERIFY(parser.getServerHeader().isEmpty());
			QVERIFY(parser.getVersionInfo().isNull());
			QTRY_VERIFY_WITH_TIMEOUT(silent.output().contains("closed"), 30000);
		}


		void nobodyListens()
		{
			QTcpServer closed;
			QVERIFY(closed.listen(QHostAddress(QHostAddress::LocalHost)));
			const auto port = closed.serverPort();
			closed.close();

			LogCapture log;
			HttpServerStatusParser parser(port, QHostAddress(QHostAddress::LocalHost));
			QVERIFY(!parser.request());
			QVERIFY(log.contains(QStringLiteral("Got bad http status code: QNetworkReply::ConnectionRefusedError")));
		}


		void requestForgetsEarlierAnswer()
		{
			auto peer = std::make_unique<TestPeer>();
			QVERIFY(peer->startScript(QStringLiteral("status_peer.py"), {QStringLiteral("--header"), QStringLiteral("Server: first"), QStringLiteral("--body"), cVersionText}));

			HttpServerStatusParser parser(peer->port(), QHostAddress(QHostAddress::LocalHost));
			QVERIFY(parser.request());
			QCOMPARE(parser.getServerHeader(), QStringLiteral("first"));

			// The peer is gone: nothing of the first answer may remain.
			peer.reset();
			QVERIFY(!parser.request());
			QVERIFY(parser.getServerHeader().isEmpty());
			QVERIFY(parser.getVersionInfo().isNull());
		}


};

KENDRAWELL_TEST_MAIN(test_HttpServerStatusParser)
#include "test_HttpServerStatusParser.moc"
