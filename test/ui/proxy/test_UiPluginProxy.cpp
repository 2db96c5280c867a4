#include "UiPluginProxy.h"

#include "Env.h"
#include "HttpAnswer.h"
#include "HttpServer.h"
#include "LanguageLoader.h"
#include "LogCapture.h"
#include "RedirectRequest.h"
#include "TestEnvironment.h"
#include "TestPeer.h"
#include "UiLoader.h"

#include <QNetworkDatagram>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUdpSocket>
#include <QWebSocket>
#include <QWebSocketServer>
#include <QtTest>

#include <memory>

using namespace tessarovin;

namespace
{

// The clients beside the program: test/network/http_client.py and test/ui/proxy/ws_client.py.
QString script(const QString& pPath)
{
	return getProgramDirectory() + QStringLiteral("/fixtures/") + pPath;
}


// An instance as the proxy sees it: a listener on 127.0.0.1 in this process, so of the same user
// and executable. It keeps what each connection sends and answers once the request's head is
// complete; an empty answer closes without a word.
class FakeInstance
	: public QObject
{
	Q_OBJECT

	public:
		QTcpServer mServer;
		QByteArray mAnswer;
		QList<QByteArray> mReceived;
		// Neither answers nor closes.
		bool mSilent = false;
		int mClosed = 0;

		explicit FakeInstance(const QByteArray& pAnswer = QByteArray())
			: mServer()
			, mAnswer(pAnswer)
			, mReceived()
		{
			connect(&mServer, &QTcpServer::newConnection, this, &FakeInstance::onNewConnection);
			if (!mServer.listen(QHostAddress::LocalHost))
			{
				qWarning() << "Cannot listen:" << mServer.errorString();
			}
		}


		[[nodiscard]] quint16 port() const
		{
			return mServer.serverPort();
		}

	private:
		void onNewConnection()
		{
			while (auto* socket = mServer.nextPendingConnection())
			{
				socket->setParent(this);
				const auto index = mReceived.size();
				mReceived << QByteArray();
				connect(socket, &QTcpSocket::disconnected, this, [this]{
						++mClosed;
					});
				connect(socket, &QTcpSocket::readyRead, this, [this, socket, index]{
						const bool complete = mReceived.at(index).contains("\r\n\r\n");
						mReceived[index] += socket->readAll();
						if (!mSilent && !complete && mReceived.at(index).contains("\r\n\r\n"))
						{
							socket->write(mAnswer);
							socket->disconnectFromHost();
						}
					});
			}
		}


};


QByteArray fill(QByteArray pText, quint16 pProxyPort, quint16 pInstancePort = 0)
{
	return pText.replace("%PROXY%", QByteArray::number(pProxyPort)).replace("%INSTANCE%", QByteArray::number(pInstancePort));
}


} // namespace


class test_UiPluginProxy
	: public QObject
{
	Q_OBJECT

	quint16 mDefaultPort = 0;
	QList<QHostAddress> mDefaultAddresses;
	QPointer<UiPluginProxy> mProxy;
	quint16 mProxyPort = 0;

	// Runs an outside client while the event loop keeps serving the proxy and the instances.
	static QByteArray runClient(const QStringList& pArguments, const QByteArray& pInput = QByteArray())
	{
		QProcess process;
		process.setProgram(QStringLiteral("/usr/bin/python3"));
		process.setArguments(pArguments);
		QSignalSpy finished(&process, &QProcess::finished);
		process.start();
		if (!process.waitForStarted(30000))
		{
			qWarning() << "Cannot start" << pArguments << process.errorString();
			return QByteArray();
		}
		process.write(pInput);
		process.closeWriteChannel();
		if (!finished.wait(120000))
		{
			process.kill();
			process.waitForFinished();
			qWarning() << pArguments << "did not finish";
		}
		const auto errors = process.readAllStandardError();
		if (!errors.isEmpty())
		{
			qWarning().noquote() << pArguments << errors;
		}
		return process.readAllStandardOutput();
	}


	[[nodiscard]] QByteArray sendRaw(const QByteArray& pRequest, const QString& pHost = QStringLiteral("127.0.0.1")) const
	{
		return runClient({script(QStringLiteral("network/http_client.py")), QStringLiteral("raw"), QString::number(mProxyPort), QStringLiteral("--host"), pHost}, pRequest);
	}

	private Q_SLOTS:
		void initTestCase()
		{
			QCoreApplication::setApplicationName(QStringLiteral("Kendrawell"));
			QCoreApplication::setApplicationVersion(QStringLiteral("2.6.3"));

			mDefaultPort = HttpServer::cPort;
			mDefaultAddresses = HttpServer::cAddresses;
			HttpServer::cPort = 0;
			HttpServer::cAddresses = {QHostAddress(QHostAddress::LocalHost), QHostAddress(QHostAddress::LocalHostIPv6)};

			// Only on request, and without readers.
			QVERIFY(!UiLoader::getDefault().contains(QStringLiteral("proxy")));
			auto* loader = Env::getSingleton<UiLoader>();
			QVERIFY(loader->load(QStringLiteral("proxy")));
			QVERIFY(!loader->requiresReaderManager());
			mProxy = loader->getLoaded<UiPluginProxy>();
			QVERIFY(mProxy);

			LogCapture log;
			QVERIFY(loader->initialize());
			QVERIFY(mProxy->initialize());
			QVERIFY(log.contains(QStringLiteral("UDP proxy port bound:")));

			const auto server = Env::getShared<HttpServer>(false);
			QVERIFY(server && server->isListening());
			mProxyPort = server->getServerPort();

			QSignalSpy domination(mProxy.data(), &UiPlugin::fireUiDominationRequest);
			mProxy->onApplicationStarted();
			QCOMPARE(domination.size(), 1);
			QCOMPARE(domination.at(0).at(0).value<const UiPlugin*>(), mProxy.data());
			QCOMPARE(domination.at(0).at(1).toString(), QStringLiteral("Reverse proxy plugin is enabled"));

			mProxy->onUiDomination(mProxy, domination.at(0).at(1).toString(), true);
			QVERIFY(log.contains(QStringLiteral("Reverse proxy enabled")));
		}


		void cleanupTestCase()
		{
			mProxy->doShutdown();
			QVERIFY(!Env::getShared<HttpServer>(false));
			Env::getSingleton<UiLoader>()->shutdown();
			QTRY_VERIFY(!mProxy);
			HttpServer::cPort = mDefaultPort;
			HttpServer::cAddresses = mDefaultAddresses;
		}


		void cleanup()
		{
			qunsetenv("KENDRAWELL_PROXY_USE_REDIRECT");
			QTRY_COMPARE(mProxy->findChildren<RedirectRequest*>().size(), 0);
		}


		void servesOnlyWithDomination()
		{
			const QByteArray request("GET /eID-Client?Status HTTP/1.0\r\n\r\n");

			mProxy->onUiDominationReleased();
			QCOMPARE(HttpAnswer::parse(sendRaw(request)).mStatus, 503);

			// Another front end's domination is not the proxy's.
			UiPluginProxy other;
			mProxy->onUiDomination(&other, QString(), true);
			mProxy->onUiDomination(mProxy, QString(), false);
			QCOMPARE(HttpAnswer::parse(sendRaw(request)).mStatus, 503);

			mProxy->onUiDomination(mProxy, QString(), true);
			mProxy->onUiDomination(mProxy, QString(), true);
			LogCapture log;
			QCOMPARE(HttpAnswer::parse(sendRaw(request)).mStatus, 200);
			QCOMPARE(log.count(QStringLiteral("Request type: status")), 1);
		}


		void forward_data()
		{
			QTest::addColumn<QString>("client");
			QTest::addColumn<QByteArray>("request");

			const QByteArray showUi("GET /eID-Client?ShowUI=SETTINGS HTTP/1.1\r\nHost: 127.0.0.1:%PROXY%\r\nuser-AGENT:  two  blanks \r\nAccept: */*\r\n\r\n");
			const QByteArray authentication("GET /eID-Client?tcTokenURL=https%3A%2F%2Fservice.example%2Ftoken%3Fa%3D1%26b%3D%C3%A4 HTTP/1.0\r\nX-Empty:\r\n\r\n");

			QTest::newRow("ShowUI over 127.0.0.1") << QStringLiteral("127.0.0.1") << showUi;
			QTest::newRow("ShowUI over ::1") << QStringLiteral("::1") << QByteArray(showUi).replace("127.0.0.1", "[::1]");
			QTest::newRow("authentication over 127.0.0.1") << QStringLiteral("127.0.0.1") << authentication;
			QTest::newRow("authentication over ::1") << QStringLiteral("::1") << authentication;
		}


		void forward()
		{
			QFETCH(QString, client);
			QFETCH(QByteArray, request);

			// Every byte value, and no end of the answer but the end of the connection.
			QByteArray answer("HTTP/1.0 303 See Other\r\nLocation: https://service.example/?ResultMajor=ok\r\nX-Raw: ");
			for (int i = 0; i < 256; ++i)
			{
				answer += static_cast<char>(i);
			}
			answer += "\r\n\r\nbody\0\xfe"_qba;

			FakeInstance instance(answer);
			request = fill(request, mProxyPort);

			LogCapture log;
			const auto received = sendRaw(request, client);
			QCOMPARE(received, answer);
			QCOMPARE(instance.mReceived, QList<QByteArray>({request}));
			QVERIFY(log.contains(QStringLiteral("Redirect to port: %1").arg(instance.port())));
		}


		void webSocket()
		{
			QWebSocketServer instance(QStringLiteral("instance"), QWebSocketServer::NonSecureMode);
			QVERIFY(instance.listen(QHostAddress::LocalHost));
			QList<std::shared_ptr<QWebSocket>> connections;
			connect(&instance, &QWebSocketServer::newConnection, this, [&instance, &connections]{
					std::shared_ptr<QWebSocket> socket(instance.nextPendingConnection());
					connections << socket;
					connect(socket.get(), &QWebSocket::textMessageReceived, socket.get(), [socket = socket.get()](const QString& pMessage){
							socket->sendTextMessage(QStringLiteral("{\"msg\": \"INFO\", \"request\": %1}").arg(pMessage));
						});
				});

			const auto output = runClient({script(QStringLiteral("proxy/ws_client.py")), QStringLiteral("ws://127.0.0.1:%1/eID-Kernel").arg(mProxyPort),
										   QStringLiteral("{\"cmd\": \"GET_INFO\"}"), QStringLiteral("{\"cmd\": \"GET_API_LEVEL\"}")});
			QCOMPARE(output, QByteArray("{\"msg\": \"INFO\", \"request\": {\"cmd\": \"GET_INFO\"}}\n"
										"{\"msg\": \"INFO\", \"request\": {\"cmd\": \"GET_API_LEVEL\"}}\n"));
			QCOMPARE(connections.size(), 1);
			QCOMPARE(connections.constFirst()->requestUrl().path(), QStringLiteral("/eID-Kernel"));
		}


		void clientLeavesFirst()
		{
			FakeInstance instance;
			instance.mSilent = true;
			const QByteArray request("GET /eID-Client?ShowUI HTTP/1.0\r\n\r\n");

			LogCapture log;
			QTcpSocket client;
			client.connectToHost(QHostAddress::LocalHost, mProxyPort);
			QVERIFY(client.waitForConnected(30000));
			client.write(request);
			QTRY_COMPARE(instance.mReceived, QList<QByteArray>({request}));
			QCOMPARE(mProxy->findChildren<RedirectRequest*>().size(), 1);

			client.abort();
			QTRY_COMPARE(mProxy->findChildren<RedirectRequest*>().size(), 0);
			QTRY_COMPARE(instance.mClosed, 1);
			QVERIFY(log.contains(QStringLiteral("Client left before an answer")));
		}


		void answeredByProxy_data()
		{
			QTest::addColumn<QByteArray>("target");
			QTest::addColumn<QByteArray>("contentType");
			QTest::addColumn<QByteArray>("bodyPart");

			QTest::newRow("status") << QByteArray("/eID-Client?Status") << QByteArray("text/plain; charset=utf-8") << QByteArray("Implementation-Version: 2.6.3");
			QTest::newRow("status as json") << QByteArray("/eID-Client?Status=json") << QByteArray("application/json") << QByteArray("\"Implementation-Version\": \"2.6.3\"");
			QTest::newRow("icon") << QByteArray("/favicon.ico") << QByteArray("image/x-icon") << QByteArray();
			QTest::newRow("image") << QByteArray("/images/html_templates/kendrawell_logo_en.svg") << QByteArray("image/svg+xml") << QByteArray("<svg");
		}


		void answeredByProxy()
		{
			QFETCH(QByteArray, target);
			QFETCH(QByteArray, contentType);
			QFETCH(QByteArray, bodyPart);

			FakeInstance instance("HTTP/1.0 500 Instance\r\n\r\n");
			const auto answer = HttpAnswer::parse(sendRaw("GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(mProxyPort) + "\r\n\r\n"));
			QCOMPARE(answer.mStatus, 200);
			QCOMPARE(answer.mHeader.value("content-type"), contentType);
			QVERIFY(!answer.mBody.isEmpty());
			QVERIFY(answer.mBody.contains(bodyPart));
			QCOMPARE(instance.mReceived, QList<QByteArray>());
		}


		void badGateway_data()
		{
			QTest::addColumn<bool>("instanceRuns");
			QTest::addColumn<QByteArray>("request");
			QTest::addColumn<QString>("link");
			QTest::addColumn<QStringList>("log");

			QTest::newRow("ShowUI without instance") << false
													 << QByteArray("GET /eID-Client?ShowUI=x&b=1 HTTP/1.1\r\nHost: 127.0.0.1:%PROXY%\r\n\r\n")
													 << QStringLiteral("/eID-Client?ShowUI=x&amp;b=1")
													 << QStringList({QStringLiteral("Found instances on Ports: QList()"), QStringLiteral("No port found")});
			QTest::newRow("authentication without instance") << false
															 << QByteArray("GET /eID-Client?tcTokenURL=https%3A%2F%2Fservice.example%2F%3Fa%3D1%26b%3D2 HTTP/1.0\r\n\r\n")
															 << QStringLiteral("/eID-Client?tcTokenURL=https%3A%2F%2Fservice.example%2F%3Fa%3D1%26b%3D2")
															 << QStringList({QStringLiteral("No port found")});
			QTest::newRow("WebSocket without instance") << false
														<< QByteArray("GET /eID-Kernel HTTP/1.1\r\nHost: localhost\r\nConnection: Upgrade\r\nUpgrade: websocket\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n")
														<< QStringLiteral("/eID-Kernel")
														<< QStringList({QStringLiteral("No port found")});
			QTest::newRow("instance closes without answer") << true
															<< QByteArray("GET /eID-Client?ShowUI HTTP/1.0\r\n\r\n")
															<< QStringLiteral("/eID-Client?ShowUI")
															<< QStringList({QStringLiteral("Cannot redirect: QAbstractSocket::RemoteHostClosedError"), QStringLiteral("No port left")});
		}


		void badGateway()
		{
			QFETCH(bool, instanceRuns);
			QFETCH(QByteArray, request);
			QFETCH(QString, link);
			QFETCH(QStringList, log);

			std::unique_ptr<FakeInstance> instance;
			if (instanceRuns)
			{
				instance = std::make_unique<FakeInstance>();
			}

			LogCapture capture;
			const auto answer = HttpAnswer::parse(sendRaw(fill(request, mProxyPort)));
			QCOMPARE(answer.mStatus, 502);
			QCOMPARE(answer.mHeader.value("content-type"), QByteArray("text/html; charset=utf-8"));
			for (const auto& entry : std::as_const(log))
			{
				QVERIFY2(capture.contains(entry), qPrintable(entry));
			}

			const auto languageCode = LanguageLoader::getLocaleCode(LanguageLoader::getInstance().getUsedLocale());
			const auto page = QString::fromUtf8(answer.mBody);
			QVERIFY(page.contains(QStringLiteral("<title>Cannot reach local Kendrawell</title>")));
			QVERIFY(page.contains(QStringLiteral("<h1>Cannot reach local Kendrawell</h1>")));
			QVERIFY(page.contains(QStringLiteral("<p>Your local Kendrawell is not running. Please start your local Kendrawell and try again.</p>")));
			QVERIFY(page.contains(QStringLiteral("<h2>Would you like to try again?</h2>")));
			QVERIFY2(page.contains(QStringLiteral("href=\"%1\">Try again</a>").arg(link)), qPrintable(page.mid(page.indexOf(QLatin1String("<h2>")))));
			QVERIFY(page.contains(QStringLiteral("href=\"https://www.kendrawell.example/%1\"").arg(languageCode)));
			QVERIFY(page.contains(QStringLiteral("src=\"/images/html_templates/kendrawell_logo_%1.svg\"").arg(languageCode)));
			QVERIFY(!page.contains(QStringLiteral("${")));
			QVERIFY(!capture.contains(QStringLiteral("Ignoring unknown key")));
		}


		void temporaryRedirect_data()
		{
			QTest::addColumn<QByteArray>("request");
			QTest::addColumn<QByteArray>("location");

			const QByteArray upgrade("Connection: Upgrade\r\nUpgrade: websocket\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n");

			QTest::newRow("127.0.0.1 with port") << QByteArray("GET /eID-Client?ShowUI HTTP/1.1\r\nHost: 127.0.0.1:%PROXY%\r\n\r\n")
												 << QByteArray("http://127.0.0.1:%INSTANCE%/eID-Client?ShowUI");
			QTest::newRow("query as sent") << QByteArray("GET /eID-Client?tcTokenURL=https%3A%2F%2Fservice.example%2Ft%3Fa%3D1%26b%3D2 HTTP/1.1\r\nHost: 127.0.0.1:%PROXY%\r\n\r\n")
										   << QByteArray("http://127.0.0.1:%INSTANCE%/eID-Client?tcTokenURL=https%3A%2F%2Fservice.example%2Ft%3Fa%3D1%26b%3D2");
			QTest::newRow("localhost without port") << QByteArray("GET /eID-Client?ShowUI HTTP/1.1\r\nHost: localhost\r\n\r\n")
													<< QByteArray("http://localhost:%INSTANCE%/eID-Client?ShowUI");
			QTest::newRow("[::1] with port") << QByteArray("GET /eID-Client?ShowUI HTTP/1.1\r\nHost: [::1]:%PROXY%\r\n\r\n")
											 << QByteArray("http://[::1]:%INSTANCE%/eID-Client?ShowUI");
			QTest::newRow("[::1] without port") << QByteArray("GET /eID-Client?ShowUI HTTP/1.1\r\nHost: [::1]\r\n\r\n")
												<< QByteArray("http://[::1]:%INSTANCE%/eID-Client?ShowUI");
			QTest::newRow("no host") << QByteArray("GET /eID-Client?ShowUI=SETTINGS HTTP/1.0\r\n\r\n")
									 << QByteArray("http://127.0.0.1:%INSTANCE%/eID-Client?ShowUI=SETTINGS");
			QTest::newRow("WebSocket") << QByteArray("GET /eID-Kernel HTTP/1.1\r\nHost: 127.0.0.1:%PROXY%\r\n" + upgrade + "\r\n")
									   << QByteArray("ws://127.0.0.1:%INSTANCE%/eID-Kernel");
		}


		void temporaryRedirect()
		{
			QFETCH(QByteArray, request);
			QFETCH(QByteArray, location);

			qputenv("KENDRAWELL_PROXY_USE_REDIRECT", "");
			FakeInstance instance("HTTP/1.0 500 Instance\r\n\r\n");
			const auto answer = HttpAnswer::parse(sendRaw(fill(request, mProxyPort)));
			QCOMPARE(answer.mStatus, 307);
			QCOMPARE(answer.mHeader.value("location"), fill(location, mProxyPort, instance.port()));
			QCOMPARE(answer.mHeader.keys(), QByteArrayList({"content-length", "date", "location", "server"}));
			QVERIFY(answer.mBody.isEmpty());

			// The instance was only tried.
			QCOMPARE(instance.mReceived, QList<QByteArray>({QByteArray()}));
		}


		void replacePort_data()
		{
			QTest::addColumn<QByteArray>("host");
			QTest::addColumn<QByteArray>("expected");

			QTest::newRow("IPv4") << QByteArray("127.0.0.1:24727") << QByteArray("127.0.0.1:30000");
			QTest::newRow("port digits inside the address") << QByteArray("127.0.0.1:127") << QByteArray("127.0.0.1:30000");
			QTest::newRow("port digits inside the name") << QByteArray("host24727:24727") << QByteArray("host24727:30000");
			QTest::newRow("another port") << QByteArray("localhost:8080") << QByteArray("localhost:30000");
			QTest::newRow("no port") << QByteArray("localhost") << QByteArray("localhost:30000");
			QTest::newRow("IPv6 with port") << QByteArray("[::1]:24727") << QByteArray("[::1]:30000");
			QTest::newRow("IPv6 without port") << QByteArray("[::1]") << QByteArray("[::1]:30000");
			QTest::newRow("mapped IPv6 without port") << QByteArray("[::ffff:127.0.0.1]") << QByteArray("[::ffff:127.0.0.1]:30000");
		}


		void replacePort()
		{
			QFETCH(QByteArray, host);
			QFETCH(QByteArray, expected);
			QCOMPARE(RedirectRequest::replacePort(host, 30000), expected);
		}


		void datagrams()
		{
			FakeInstance first;
			FakeInstance second;
			QUdpSocket firstReceiver;
			QUdpSocket secondReceiver;
			QVERIFY(firstReceiver.bind(QHostAddress::LocalHost, first.port()));
			QVERIFY(secondReceiver.bind(QHostAddress::LocalHost, second.port()));

			QByteArrayList firstReceived;
			QByteArrayList secondReceived;
			const auto collect = [](QUdpSocket* pSocket, QByteArrayList* pReceived){
						connect(pSocket, &QUdpSocket::readyRead, pSocket, [pSocket, pReceived]{
								while (pSocket->hasPendingDatagrams())
								{
									*pReceived << pSocket->receiveDatagram().data();
								}
							});
					};
			collect(&firstReceiver, &firstReceived);
			collect(&secondReceiver, &secondReceived);

			LogCapture log;
			TestPeer sender;
			QVERIFY(sender.startScript(QStringLiteral("udp_peer.py"), {QStringLiteral("send"), QStringLiteral("--port"), QString::number(mProxyPort),
																	   QStringLiteral("--data"), QStringLiteral("7b226d7367223a2252454d4f54455f494644227d"), QStringLiteral("--data"), QStringLiteral("00ff*600")}));

			const QByteArrayList expected({QByteArray("{\"msg\":\"REMOTE_IFD\"}"), QByteArray::fromHex("00ff").repeated(600)});
			QTRY_COMPARE(firstReceived, expected);
			QTRY_COMPARE(secondReceived, expected);

			// Never to the proxy's own port, which would copy its copies for ever.
			const auto lines = log.messages();
			int lookups = 0;
			for (const auto& line : lines)
			{
				if (line.startsWith(QLatin1String("Found instances on Ports:")))
				{
					++lookups;
					QVERIFY2(!line.contains(QString::number(mProxyPort)), qPrintable(line));
				}
			}
			QCOMPARE(lookups, 2);
		}


		// Another proxy on the machine counts as an instance (this program on 127.0.0.1): the copy
		// it makes comes back from its port and is not copied again, else the two would pass it
		// back and forth for ever.
		void copyOfAnotherProxy()
		{
			FakeInstance otherProxy;
			FakeInstance instance;
			QUdpSocket otherProxySocket;
			QUdpSocket receiver;
			QVERIFY(otherProxySocket.bind(QHostAddress::LocalHost, otherProxy.port()));
			QVERIFY(receiver.bind(QHostAddress::LocalHost, instance.port()));

			QByteArrayList passedOn;
			QList<int> senderPorts;
			connect(&otherProxySocket, &QUdpSocket::readyRead, &otherProxySocket, [this, &otherProxySocket, &passedOn, &senderPorts]{
					while (otherProxySocket.hasPendingDatagrams())
					{
						const auto datagram = otherProxySocket.receiveDatagram();
						passedOn << datagram.data();
						senderPorts << datagram.senderPort();
						otherProxySocket.writeDatagram(datagram.data(), QHostAddress::LocalHost, mProxyPort);
					}
				});
			QByteArrayList received;
			connect(&receiver, &QUdpSocket::readyRead, &receiver, [&receiver, &received]{
					while (receiver.hasPendingDatagrams())
					{
						received << receiver.receiveDatagram().data();
					}
				});

			LogCapture log;
			QUdpSocket sender;
			QCOMPARE(sender.writeDatagram("{\"msg\":\"REMOTE_IFD\"}", QHostAddress::LocalHost, mProxyPort), qint64(20));
			QTRY_VERIFY(log.contains(QStringLiteral("Copy of another proxy not passed on, from port: %1").arg(otherProxy.port())));
			QCoreApplication::processEvents();

			QCOMPARE(passedOn, QByteArrayList({"{\"msg\":\"REMOTE_IFD\"}"}));
			// The copies leave from the proxy's port: that is how another proxy knows them.
			QCOMPARE(senderPorts, QList<int>({mProxyPort}));
			QTRY_COMPARE(received, QByteArrayList({"{\"msg\":\"REMOTE_IFD\"}"}));
			QCOMPARE(log.count(QStringLiteral("Found instances on Ports:")), 2);
		}


		// The system service as installed, with this program in place of the installed one.
		void serviceUnit()
		{
			QFile unit(getProgramDirectory() + QStringLiteral("/kendrawell-proxy.service"));
			QVERIFY(unit.open(QIODevice::ReadOnly));
			auto content = unit.readAll();

			const auto lines = content.split('\n');
			QVERIFY(lines.contains(QByteArrayLiteral("AmbientCapabilities=CAP_SYS_PTRACE")));
			QVERIFY(lines.contains(QByteArrayLiteral("CapabilityBoundingSet=CAP_SYS_PTRACE")));
			QByteArray execStart;
			for (const auto& line : lines)
			{
				if (line.startsWith("ExecStart="))
				{
					execStart = line.mid(10);
				}
			}
			QVERIFY(execStart.startsWith('/'));
			QVERIFY(execStart.endsWith("/Kendrawell --ui proxy"));

			if (QStandardPaths::findExecutable(QStringLiteral("systemd-analyze")).isEmpty())
			{
				QSKIP("systemd-analyze is not installed");
			}

			QTemporaryDir folder;
			QVERIFY(folder.isValid());
			QFile testUnit(folder.filePath(QStringLiteral("kendrawell-proxy.service")));
			QVERIFY(testUnit.open(QIODevice::WriteOnly));
			testUnit.write(content.replace("ExecStart=" + execStart, "ExecStart=" + QCoreApplication::applicationFilePath().toUtf8() + " --ui proxy"));
			testUnit.close();

			QProcess analyze;
			analyze.setProcessChannelMode(QProcess::MergedChannels);
			analyze.start(QStringLiteral("systemd-analyze"), {QStringLiteral("verify"), testUnit.fileName()});
			QVERIFY(analyze.waitForFinished(60000));
			const auto complaints = analyze.readAll().trimmed();
			QVERIFY2(complaints.isEmpty(), complaints.constData());
			QCOMPARE(analyze.exitCode(), 0);
		}


};

KENDRAWELL_TEST_MAIN(test_UiPluginProxy)
#include "test_UiPluginProxy.moc"
