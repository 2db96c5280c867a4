#include "HttpServerRequestor.h"

#include "Env.h"
#include "LogCapture.h"
#include "NetworkManager.h"
#include "TestEnvironment.h"
#include "TestPeer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

using namespace tessarovin;

class test_HttpServerRequestor
	: public QObject
{
	Q_OBJECT

	private:
		TestPeer mEchoServer;

		QUrl echoUrl(const QString& pPath) const
		{
			return HttpServerRequestor::getUrl(QString(), mEchoServer.port(), QHostAddress(QHostAddress::LocalHost), pPath);
		}


		static QString userAgentOf(const QSharedPointer<QNetworkReply>& pReply)
		{
			const auto headers = QJsonDocument::fromJson(pReply->readAll()).object().value(QLatin1String("headers")).toArray();
			for (const auto& header : headers)
			{
				if (header.toArray().at(0).toString() == QLatin1String("User-Agent"))
				{
					return header.toArray().at(1).toString();
				}
			}
			return QString();
		}

	private Q_SLOTS:
		void initTestCase()
		{
			QCoreApplication::setApplicationVersion(QStringLiteral("2.6.3"));
			NetworkManager::lockProxy = true;
			NetworkManager::setApplicationProxyFactory();
			QVERIFY(mEchoServer.startScript(QStringLiteral("echo_server.py")));
		}


		void getUrl_data()
		{
			QTest::addColumn<QString>("query");
			QTest::addColumn<quint16>("port");
			QTest::addColumn<QHostAddress>("host");
			QTest::addColumn<QString>("path");
			QTest::addColumn<QString>("url");

			const QHostAddress ipv4(QHostAddress::LocalHost);
			QTest::newRow("status") << QStringLiteral("Status") << quint16(24727) << ipv4 << QStringLiteral("/eID-Client") << QStringLiteral("http://127.0.0.1:24727/eID-Client?Status");
			QTest::newRow("query with value") << QStringLiteral("ShowUI=UPDATE") << quint16(1) << ipv4 << QStringLiteral("/eID-Client") << QStringLiteral("http://127.0.0.1:1/eID-Client?ShowUI=UPDATE");
			QTest::newRow("IPv6 host") << QStringLiteral("Status") << quint16(65535) << QHostAddress(QHostAddress::LocalHostIPv6) << QStringLiteral("/eID-Client") << QStringLiteral("http://[::1]:65535/eID-Client?Status");
			QTest::newRow("decoded path") << QString() << quint16(80) << ipv4 << QStringLiteral("/a b/%41") << QStringLiteral("http://127.0.0.1:80/a%20b/%2541");
			QTest::newRow("no query") << QString() << quint16(8080) << ipv4 << QStringLiteral("/") << QStringLiteral("http://127.0.0.1:8080/");
		}


		void getUrl()
		{
			QFETCH(QString, query);
			QFETCH(quint16, port);
			QFETCH(QHostAddress, host);
			QFETCH(QString, path);
			QFETCH(QString, url);

			const auto result = HttpServerRequestor::getUrl(query, port, host, path);
			QCOMPARE(result.toString(QUrl::FullyEncoded), url);
			QCOMPARE(result.path(), path);
			QCOMPARE(result.port(), int(port));
		}


		void answeredThroughProcessManager()
		{
			LogCapture log;
			HttpServerRequestor requestor;
			const auto url = echoUrl(QStringLiteral("/eID-Client"));
			const auto reply = requestor.getRequest(url, 30000);
			QVERIFY(reply);
			QVERIFY(reply->isFinished());
			QCOMPARE(reply->error(), QNetworkReply::NoError);
			QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 200);
			// The process-wide manager adds its User-Agent.
			QVERIFY(userAgentOf(reply).startsWith(QLatin1String("Kendrawell2/2.6.3 ")));
			QVERIFY(log.contains(QStringLiteral("Request URL (GET): QUrl(\"%1\")").arg(url.toString())));

			// The requestor is idle again and takes the next request.
			QVERIFY(requestor.getRequest(QNetworkRequest(echoUrl(QStringLiteral("/again"))), 30000));
		}


		void silentServerTimesOut()
		{
			TestPeer silent;
			QVERIFY(silent.startScript(QStringLiteral("status_peer.py"), {QStringLiteral("--silent")}));

			LogCapture log;
			HttpServerRequestor requestor;
			const auto reply = requestor.getRequest(HttpServerRequestor::getUrl(QStringLiteral("Status"), silent.port(), QHostAddress(QHostAddress::LocalHost), QStringLiteral("/eID-Client")), 300);
			QVERIFY(reply.isNull());
			QCOMPARE(log.count(QStringLiteral("Request timed out.")), 1);

			// Aborted: the connection is closed, not left to the server.
			QTRY_VERIFY_WITH_TIMEOUT(silent.output().contains("closed"), 30000);
			QVERIFY(silent.output().startsWith("request GET /eID-Client?Status HTTP/1.1"));
			QTRY_COMPARE(Env::getSingleton<NetworkManager>()->getOpenConnectionCount(), 0);
		}


		void secondRequestDuringWait()
		{
			TestPeer silent;
			QVERIFY(silent.startScript(QStringLiteral("status_peer.py"), {QStringLiteral("--silent")}));
			const auto silentUrl = HttpServerRequestor::getUrl(QString(), silent.port(), QHostAddress(QHostAddress::LocalHost), QStringLiteral("/outer"));

			LogCapture log;
			HttpServerRequestor requestor;
			bool nestedDone = false;
			QSharedPointer<QNetworkReply> nested;
			// Runs inside the first wait's event loop, as a socket or timer slot of the program would.
			QTimer::singleShot(0, this, [&] {
						nested = requestor.getRequest(echoUrl(QStringLiteral("/nested")), 30000);
						nestedDone = true;
					});

			const auto outer = requestor.getRequest(silentUrl, 1000);
			QVERIFY(nestedDone);
			QVERIFY(nested.isNull());
			QCOMPARE(log.count(QStringLiteral("Requestor already active...")), 1);
			QVERIFY(outer.isNull());
			QCOMPARE(log.count(QStringLiteral("Request timed out.")), 1);

			// Neither reply stays open, and the requestor works again.
			QTRY_COMPARE(Env::getSingleton<NetworkManager>()->getOpenConnectionCount(), 0);
			QVERIFY(requestor.getRequest(echoUrl(QStringLiteral("/after")), 30000));
		}


		void ownManagerOutlivesProcessManager()
		{
			HttpServerRequestor shared;
			auto own = std::make_unique<HttpServerRequestor>(true);

			// Shutting the process-wide manager down leaves an own manager alone.
			Env::getSingleton<NetworkManager>()->onShutdown();
			const auto refused = shared.getRequest(echoUrl(QStringLiteral("/shared")), 30000);
			QVERIFY(refused);
			QCOMPARE(refused->error(), QNetworkReply::OperationCanceledError);

			const auto answered = own->getRequest(echoUrl(QStringLiteral("/own")), 30000);
			QVERIFY(answered);
			QCOMPARE(answered->error(), QNetworkReply::NoError);
			QVERIFY(userAgentOf(answered).startsWith(QLatin1String("Kendrawell2/")));

			// Its manager goes with it (the sanitizer's leak check sees it otherwise).
			own.reset();

			// Without its manager a requestor gives nothing.
			delete Env::getSingleton<NetworkManager>();
			QVERIFY(shared.getRequest(echoUrl(QStringLiteral("/gone")), 30000).isNull());
		}


};

KENDRAWELL_TEST_MAIN(test_HttpServerRequestor)
#include "test_HttpServerRequestor.moc"
