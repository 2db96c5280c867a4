#include "HttpServer.h"

#include "Env.h"
#include "LogCapture.h"
#include "PortFile.h"
#include "TestEnvironment.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>

#include <memory>
#include <vector>

using namespace tessarovin;

namespace
{

// The Python client beside the program (test/network/http_client.py).
QString httpClient()
{
	return getProgramDirectory() + QStringLiteral("/fixtures/network/http_client.py");
}


// Receivers that answer at once and note what they got.
struct Receivers
{
	QList<QByteArray> mHttp;
	QList<QByteArray> mWebSocket;

	void connectTo(HttpServer& pServer, bool pHttp, bool pWebSocket)
	{
		if (pHttp)
		{
			QObject::connect(&pServer, &HttpServer::fireNewHttpRequest, &pServer, [this](const QSharedPointer<HttpRequest>& pRequest){
					mHttp << pRequest->getUrl().toEncoded();
					pRequest->sendStatus(204);
				});
		}
		if (pWebSocket)
		{
			QObject::connect(&pServer, &HttpServer::fireNewWebSocketRequest, &pServer, [this](const QSharedPointer<HttpRequest>& pRequest){
					mWebSocket << pRequest->getUrl().toEncoded();
					pRequest->sendStatus(101);
				});
		}
	}


};


QString portFilename()
{
	return PortFile::getPortFilename(QString(), QCoreApplication::applicationPid(), QCoreApplication::applicationName());
}


QByteArray portFileContent()
{
	QFile file(portFilename());
	return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}


bool hasIpv6()
{
	QTcpServer probe;
	return probe.listen(QHostAddress::LocalHostIPv6, 0);
}


QByteArray statusLine(const QByteArray& pAnswer)
{
	return pAnswer.left(pAnswer.indexOf("\r\n"));
}


} // namespace


class test_HttpServer
	: public QObject
{
	Q_OBJECT

	quint16 mPort = 0;
	QList<QHostAddress> mAddresses;

	// Runs an outside client while the event loop keeps serving.
	static QByteArray runClient(const QString& pProgram, const QStringList& pArguments, const QByteArray& pInput = QByteArray())
	{
		QProcess process;
		process.setProgram(pProgram);
		process.setArguments(pArguments);
		QSignalSpy finished(&process, &QProcess::finished);
		process.start();
		if (!process.waitForStarted(30000))
		{
			qWarning() << "Cannot start" << pProgram << process.errorString();
			return QByteArray();
		}
		process.write(pInput);
		process.closeWriteChannel();
		if (!finished.wait(120000))
		{
			process.kill();
			process.waitForFinished();
			qWarning() << pProgram << "did not finish";
		}
		const auto errors = process.readAllStandardError();
		if (!errors.isEmpty())
		{
			qWarning().noquote() << pProgram << errors;
		}
		return process.readAllStandardOutput();
	}


	static QByteArray sendRaw(quint16 pPort, const QByteArray& pRequest, const QString& pHost = QStringLiteral("127.0.0.1"))
	{
		return runClient(QStringLiteral("/usr/bin/python3"), {httpClient(), QStringLiteral("raw"), QString::number(pPort), QStringLiteral("--host"), pHost}, pRequest);
	}


	static int openRequests(const HttpServer& pServer)
	{
		return static_cast<int>(pServer.findChildren<HttpRequest*>().size());
	}

	private Q_SLOTS:
		void initTestCase()
		{
			QCOMPARE(HttpServer::cPort, quint16(24727));
			QCOMPARE(HttpServer::cAddresses, QList<QHostAddress>({QHostAddress(QHostAddress::LocalHost), QHostAddress(QHostAddress::LocalHostIPv6)}));
			QCOMPARE(HttpServer::getDefaultAddresses(), QStringLiteral("127.0.0.1,::1"));
		}


		void init()
		{
			mPort = HttpServer::cPort;
			mAddresses = HttpServer::cAddresses;
		}


		void cleanup()
		{
			HttpServer::cPort = mPort;
			HttpServer::cAddresses = mAddresses;
			QVERIFY(!QFile::exists(portFilename()));
		}


		void portZeroOnBothLoopbacks()
		{
			if (!hasIpv6())
			{
				QSKIP("No IPv6 loopback");
			}

			auto server = std::make_unique<HttpServer>(0, QList<QHostAddress>({QHostAddress(QHostAddress::LocalHost), QHostAddress(QHostAddress::LocalHostIPv6)}));
			QVERIFY(server->isListening());
			const auto port = server->getServerPort();
			QVERIFY(port != 0);
			const auto portText = QString::number(port);
			QCOMPARE(server->getAddresses(), QStringList({QStringLiteral("127.0.0.1:") + portText, QStringLiteral("::1:") + portText}));
			QCOMPARE(HttpServer::cPort, port);
			QCOMPARE(portFileContent(), portText.toLatin1());

			// The port file goes with the server, and the port with it.
			server.reset();
			QVERIFY(!QFile::exists(portFilename()));
			QTcpServer probe;
			QVERIFY(probe.listen(QHostAddress::LocalHost, port));
		}


		void portTaken_data()
		{
			QTest::addColumn<int>("taken");

			QTest::newRow("on 127.0.0.1") << 0;
			QTest::newRow("on ::1") << 1;
		}


		void portTaken()
		{
			QFETCH(int, taken);
			if (!hasIpv6())
			{
				QSKIP("No IPv6 loopback");
			}

			const QList<QHostAddress> addresses({QHostAddress(QHostAddress::LocalHost), QHostAddress(QHostAddress::LocalHostIPv6)});
			QTcpServer blocker;
			QVERIFY(blocker.listen(addresses.at(taken), 0));
			const auto port = blocker.serverPort();
			{
				QTcpServer probe;
				if (!probe.listen(addresses.at(1 - taken), port))
				{
					QSKIP("The port is in use on the other address as well");
				}
			}

			HttpServer server(port, addresses);
			QVERIFY(!server.isListening());
			QCOMPARE(server.getServerPort(), quint16(0));
			QVERIFY(server.getAddresses().isEmpty());
			QCOMPARE(HttpServer::cPort, mPort);
			QVERIFY(!QFile::exists(portFilename()));

			// Nothing of the attempt stays bound.
			{
				QTcpServer probe;
				QVERIFY(probe.listen(addresses.at(1 - taken), port));
			}

			QSignalSpy rebound(&server, &HttpServer::fireRebound);
			server.rebind(0, {QHostAddress(QHostAddress::LocalHost)});
			QCOMPARE(rebound.count(), 1);
			QVERIFY(server.isListening());
			QVERIFY(server.getServerPort() != port);
			QCOMPARE(HttpServer::cPort, server.getServerPort());
			QCOMPARE(portFileContent(), QByteArray::number(server.getServerPort()));
		}


		void unusableAddresses_data()
		{
			QTest::addColumn<QList<QHostAddress>>("addresses");
			QTest::addColumn<bool>("listening");
			QTest::addColumn<QString>("log");

			QTest::newRow("foreign address skipped") << QList<QHostAddress>({QHostAddress(QStringLiteral("192.0.2.1")), QHostAddress(QHostAddress::LocalHost)}) << true << QString();
			QTest::newRow("only a foreign address") << QList<QHostAddress>({QHostAddress(QStringLiteral("192.0.2.1"))}) << false << QString();
			QTest::newRow("no address") << QList<QHostAddress>() << false << QStringLiteral("Cannot start server without addresses");
		}


		void unusableAddresses()
		{
			QFETCH(QList<QHostAddress>, addresses);
			QFETCH(bool, listening);
			QFETCH(QString, log);

			LogCapture capture;
			HttpServer server(0, addresses);
			QCOMPARE(server.isListening(), listening);
			QVERIFY(log.isEmpty() || capture.contains(log));
			if (listening)
			{
				QCOMPARE(server.getAddresses(), QStringList({QStringLiteral("127.0.0.1:") + QString::number(server.getServerPort())}));
				QCOMPARE(HttpServer::cPort, server.getServerPort());
			}
			else
			{
				QCOMPARE(server.getServerPort(), quint16(0));
				QCOMPARE(HttpServer::cPort, mPort);
			}
		}


		void sharedInstance()
		{
			HttpServer::cPort = 0;
			HttpServer::cAddresses = {QHostAddress(QHostAddress::LocalHost)};

			auto server = Env::getShared<HttpServer>();
			QVERIFY(server->isListening());
			QCOMPARE(HttpServer::cPort, server->getServerPort());
			QCOMPARE(Env::getShared<HttpServer>(false), server);
			QVERIFY(QFile::exists(portFilename()));

			server.reset();
			QVERIFY(!Env::getShared<HttpServer>(false));
			QVERIFY(!QFile::exists(portFilename()));
		}


		void answeredWithCurl()
		{
			HttpServer server(0, {QHostAddress(QHostAddress::LocalHost)});
			Receivers receivers;
			receivers.connectTo(server, true, false);

			const auto url = QStringLiteral("http://127.0.0.1:%1/eID-Client?tcTokenURL=https%3A%2F%2Fexample.org").arg(server.getServerPort());
			const auto answer = runClient(QStringLiteral("curl"), {QStringLiteral("-sS"), QStringLiteral("-i"), url});
			const auto lines = answer.split('\n');
			QCOMPARE(lines.size(), 6);
			QCOMPARE(lines.at(0), QByteArray("HTTP/1.0 204 NO_CONTENT\r"));
			QCOMPARE(lines.at(1), QByteArray("Content-Length: 0\r"));
			QVERIFY(lines.at(2).startsWith("Date: "));
			QVERIFY(lines.at(3).startsWith("Server: Kendrawell2/"));
			QCOMPARE(lines.at(4), QByteArray("\r"));
			QCOMPARE(receivers.mHttp, QList<QByteArray>({"/eID-Client?tcTokenURL=https%3A%2F%2Fexample.org"}));
		}


		void noReceiverWithHttpClient()
		{
			HttpServer server(0, {QHostAddress(QHostAddress::LocalHost)});
			const auto answer = runClient(QStringLiteral("/usr/bin/python3"), {httpClient(), QStringLiteral("get"), QString::number(server.getServerPort()), QStringLiteral("--path"), QStringLiteral("/eID-Client")});
			QVERIFY2(answer.startsWith("503 SERVICE_UNAVAILABLE\nContent-Length: 0\nDate: "), answer.constData());
			QTRY_COMPARE(openRequests(server), 0);
		}


		void routing_data()
		{
			QTest::addColumn<QByteArray>("request");
			QTest::addColumn<bool>("httpReceiver");
			QTest::addColumn<bool>("webSocketReceiver");
			QTest::addColumn<int>("status");
			QTest::addColumn<int>("http");
			QTest::addColumn<int>("webSocket");

			const QByteArray upgrade("GET /eID-Kernel HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: Upgrade\r\nUpgrade: ");
			const QByteArray plain("GET /eID-Client HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");

			QTest::newRow("plain") << plain << true << true << 204 << 1 << 0;
			QTest::newRow("plain without receiver") << plain << false << true << 503 << 0 << 0;
			QTest::newRow("websocket") << upgrade + "websocket\r\n\r\n" << true << true << 101 << 0 << 1;
			QTest::newRow("WebSocket") << upgrade + "WebSocket\r\n\r\n" << true << true << 101 << 0 << 1;
			QTest::newRow("websocket without receiver") << upgrade + "websocket\r\n\r\n" << true << false << 503 << 0 << 0;
			QTest::newRow("h2c") << upgrade + "h2c\r\n\r\n" << true << true << 404 << 0 << 0;
			QTest::newRow("CONNECT") << QByteArray("CONNECT 127.0.0.1:443 HTTP/1.1\r\nHost: 127.0.0.1:443\r\n\r\n") << true << true << 404 << 0 << 0;
			QTest::newRow("websocket for another host") << QByteArray("GET /eID-Kernel HTTP/1.1\r\nHost: localhost.attacker.example\r\nConnection: Upgrade\r\nUpgrade: websocket\r\n\r\n") << true << true << 421 << 0 << 0;
		}


		void routing()
		{
			QFETCH(QByteArray, request);
			QFETCH(bool, httpReceiver);
			QFETCH(bool, webSocketReceiver);
			QFETCH(int, status);
			QFETCH(int, http);
			QFETCH(int, webSocket);

			HttpServer server(0, {QHostAddress(QHostAddress::LocalHost)});
			Receivers receivers;
			receivers.connectTo(server, httpReceiver, webSocketReceiver);

			const auto answer = sendRaw(server.getServerPort(), request);
			QVERIFY2(answer.startsWith("HTTP/1.0 " + QByteArray::number(status) + ' '), answer.constData());
			QCOMPARE(receivers.mHttp.size(), http);
			QCOMPARE(receivers.mWebSocket.size(), webSocket);
			QTRY_COMPARE(openRequests(server), 0);
		}


		void host_data()
		{
			QTest::addColumn<QByteArray>("host");
			QTest::addColumn<int>("status");

			QTest::newRow("absent") << QByteArray() << 204;
			QTest::newRow("127.0.0.1") << QByteArray("127.0.0.1") << 204;
			QTest::newRow("127.0.0.1:port") << QByteArray("127.0.0.1:%1") << 204;
			QTest::newRow("127.0.0.1 other port") << QByteArray("127.0.0.1:80") << 204;
			QTest::newRow("localhost") << QByteArray("localhost") << 204;
			QTest::newRow("LocalHost:port") << QByteArray("LocalHost:%1") << 204;
			QTest::newRow("localhost empty port") << QByteArray("localhost:") << 204;
			QTest::newRow("[::1]") << QByteArray("[::1]") << 204;
			QTest::newRow("[::1]:port") << QByteArray("[::1]:%1") << 204;
			QTest::newRow("[::1] long form") << QByteArray("[0:0:0:0:0:0:0:1]:%1") << 204;

			QTest::newRow("localhost.attacker.example") << QByteArray("localhost.attacker.example") << 421;
			QTest::newRow("localhost.attacker.example:port") << QByteArray("localhost.attacker.example:%1") << 421;
			QTest::newRow("127.0.0.1.example.org") << QByteArray("127.0.0.1.example.org") << 421;
			QTest::newRow("attacker.example") << QByteArray("attacker.example:%1") << 421;
			QTest::newRow("other loopback address") << QByteArray("127.0.0.2:%1") << 421;
			QTest::newRow("private address") << QByteArray("10.0.0.1") << 421;
			QTest::newRow("::1 without brackets") << QByteArray("::1") << 421;
			QTest::newRow("IPv4 in brackets") << QByteArray("[127.0.0.1]") << 421;
			QTest::newRow("open bracket") << QByteArray("[::1") << 421;
			QTest::newRow("port not a number") << QByteArray("localhost:abc") << 421;
			QTest::newRow("port too long") << QByteArray("localhost:123456") << 421;
			QTest::newRow("text after brackets") << QByteArray("[::1]x") << 421;
		}


		void host()
		{
			QFETCH(QByteArray, host);
			QFETCH(int, status);

			HttpServer server(0, {QHostAddress(QHostAddress::LocalHost)});
			Receivers receivers;
			receivers.connectTo(server, true, true);

			const QByteArray request = host.isNull()
					? QByteArrayLiteral("GET /eID-Client HTTP/1.0\r\n\r\n")
					: QByteArrayLiteral("GET /eID-Client HTTP/1.1\r\nHost: ") + host.replace("%1", QByteArray::number(server.getServerPort())) + QByteArrayLiteral("\r\n\r\n");
			const auto answer = sendRaw(server.getServerPort(), request);
			QCOMPARE(statusLine(answer), status == 204 ? QByteArray("HTTP/1.0 204 NO_CONTENT") : QByteArray("HTTP/1.0 421 MISDIRECTED_REQUEST"));
			QCOMPARE(receivers.mHttp.size(), status == 204 ? 1 : 0);
			QTRY_COMPARE(openRequests(server), 0);
		}


		void hostOfListener_data()
		{
			QTest::addColumn<QHostAddress>("address");
			QTest::addColumn<QByteArray>("host");
			QTest::addColumn<int>("status");

			QTest::newRow("listening on 127.0.0.2") << QHostAddress(QStringLiteral("127.0.0.2")) << QByteArray("127.0.0.2:%1") << 204;
			QTest::newRow("other name on 127.0.0.2") << QHostAddress(QStringLiteral("127.0.0.2")) << QByteArray("attacker.example") << 421;
			// Bound to every address, clients may use any name of the machine.
			QTest::newRow("any address") << QHostAddress(QHostAddress::AnyIPv4) << QByteArray("kendrawell.example:%1") << 204;
		}


		void hostOfListener()
		{
			QFETCH(QHostAddress, address);
			QFETCH(QByteArray, host);
			QFETCH(int, status);

			HttpServer server(0, {address});
			QVERIFY(server.isListening());
			Receivers receivers;
			receivers.connectTo(server, true, false);

			const auto target = address == QHostAddress(QHostAddress::AnyIPv4) ? QStringLiteral("127.0.0.1") : address.toString();
			const auto request = QByteArrayLiteral("GET / HTTP/1.1\r\nHost: ") + host.replace("%1", QByteArray::number(server.getServerPort())) + QByteArrayLiteral("\r\n\r\n");
			const auto answer = sendRaw(server.getServerPort(), request, target);
			QVERIFY2(answer.startsWith("HTTP/1.0 " + QByteArray::number(status) + ' '), answer.constData());
		}


		void refused_data()
		{
			QTest::addColumn<QByteArray>("request");
			QTest::addColumn<QByteArray>("status");

			const auto headerSize = HttpRequest::cMaxHeaderSize;
			const auto bodySize = HttpRequest::cMaxBodySize;
			QTest::newRow("header too large") << "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Long: " + QByteArray(headerSize, 'a') + "\r\n\r\n" << QByteArray("HTTP/1.0 431 REQUEST_HEADER_FIELDS_TOO_LARGE");
			QTest::newRow("body too large") << "POST / HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: " + QByteArray::number(bodySize + 1) + "\r\n\r\n" + QByteArray(bodySize + 1, 'b') << QByteArray("HTTP/1.0 413 PAYLOAD_TOO_LARGE");
			QTest::newRow("malformed request line") << QByteArray("GET /\x01 HTTP/1.1\r\n\r\n") << QByteArray("HTTP/1.0 400 BAD_REQUEST");
		}


		void refused()
		{
			QFETCH(QByteArray, request);
			QFETCH(QByteArray, status);

			HttpServer server(0, {QHostAddress(QHostAddress::LocalHost)});
			Receivers receivers;
			receivers.connectTo(server, true, true);

			const auto answer = sendRaw(server.getServerPort(), request);
			QCOMPARE(statusLine(answer), status);
			QVERIFY(receivers.mHttp.isEmpty());
			QTRY_COMPARE(openRequests(server), 0);
		}


		void peerLeavesMidRequest()
		{
			HttpServer server(0, {QHostAddress(QHostAddress::LocalHost)});
			Receivers receivers;
			receivers.connectTo(server, true, true);

			QTcpSocket client;
			client.connectToHost(QHostAddress::LocalHost, server.getServerPort());
			QVERIFY(client.waitForConnected(10000));
			client.write("POST /eID-Client HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 100\r\n\r\nonly a part");
			QTRY_COMPARE(openRequests(server), 1);

			client.disconnectFromHost();
			QTRY_COMPARE(openRequests(server), 0);
			QVERIFY(receivers.mHttp.isEmpty());
		}


		void destroyedWithOpenRequests()
		{
			auto server = std::make_unique<HttpServer>(0, QList<QHostAddress>({QHostAddress(QHostAddress::LocalHost)}));
			QTcpSocket client;
			client.connectToHost(QHostAddress::LocalHost, server->getServerPort());
			QVERIFY(client.waitForConnected(10000));
			client.write("GET /eID-Client HTTP/1.1\r\nHost: 127.0.0.1\r\n");
			QTRY_COMPARE(openRequests(*server), 1);

			QSignalSpy closed(&client, &QTcpSocket::disconnected);
			server.reset();
			QVERIFY(closed.wait());
		}


		void answeredBesideIdleConnections()
		{
			HttpServer server(0, {QHostAddress(QHostAddress::LocalHost)});
			Receivers receivers;
			receivers.connectTo(server, true, false);

			std::vector<std::unique_ptr<QTcpSocket>> idle;
			for (int i = 0; i < 200; ++i)
			{
				// Connected by the event loop: a blocking wait would keep the server from accepting.
				auto* client = idle.emplace_back(std::make_unique<QTcpSocket>()).get();
				connect(client, &QTcpSocket::connected, client, [client] {
						client->write("GET /eID-Client HTTP/1.1\r\nHost: 127.0.0.1\r\nUser-Agent: ");
					});
				client->connectToHost(QHostAddress::LocalHost, server.getServerPort());
			}
			QTRY_COMPARE_WITH_TIMEOUT(openRequests(server), 200, 60000);

			const auto answer = runClient(QStringLiteral("/usr/bin/python3"), {httpClient(), QStringLiteral("get"), QString::number(server.getServerPort()), QStringLiteral("--path"), QStringLiteral("/eID-Client?x=1")});
			QVERIFY2(answer.startsWith("204 NO_CONTENT\n"), answer.constData());
			QCOMPARE(receivers.mHttp, QList<QByteArray>({"/eID-Client?x=1"}));

			idle.clear();
			QTRY_COMPARE_WITH_TIMEOUT(openRequests(server), 0, 60000);
		}


};

KENDRAWELL_TEST_MAIN(test_HttpServer)
#include "test_HttpServer.moc"
