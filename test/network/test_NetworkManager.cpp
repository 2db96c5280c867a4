#include "NetworkManager.h"

#include "AbstractSettings.h"
#include "AppSettings.h"
#include "Env.h"
#include "HttpResponse.h"
#include "LogCapture.h"
#include "LogCategories.h"
#include "NetworkReplyError.h"
#include "SecureStorage.h"
#include "TestEnvironment.h"
#include "TestPeer.h"
#include "TlsChecker.h"
#include "UrlUtil.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkProxyFactory>
#include <QSignalSpy>
#include <QSslPreSharedKeyAuthenticator>

using namespace tessarovin;

namespace
{

// A reply whose error, headers and TLS session a test sets; records what it was told to do.
class FakeReply
	: public QNetworkReply
{
	Q_OBJECT

	public:
		QSslConfiguration mConfiguration;
		QList<QSslError> mIgnored;
		int mAborted = 0;

		explicit FakeReply(QNetworkReply::NetworkError pError = QNetworkReply::NoError, const QUrl& pUrl = QUrl(QStringLiteral("https://service.example/path")))
		{
			setRequest(QNetworkRequest(pUrl));
			setUrl(pUrl);
			if (pError != QNetworkReply::NoError)
			{
				setError(pError, QStringLiteral("fake error text"));
			}
		}


		void addHeader(const QByteArray& pName, const QByteArray& pValue)
		{
			setRawHeader(pName, pValue);
		}


		void setStatus(int pStatus)
		{
			setAttribute(QNetworkRequest::HttpStatusCodeAttribute, pStatus);
		}


		void abort() override
		{
			++mAborted;
		}

	protected:
		qint64 readData(char*, qint64) override
		{
			return -1;
		}


		void sslConfigurationImplementation(QSslConfiguration& pConfiguration) const override
		{
			pConfiguration = mConfiguration;
		}


		void ignoreSslErrorsImplementation(const QList<QSslError>& pErrors) override
		{
			mIgnored << pErrors;
		}


};


// Opens the handlers of updater connections to the test.
class TestNetworkManager
	: public NetworkManager
{
	Q_OBJECT

	public:
		using NetworkManager::onEncryptedResponse;
		using NetworkManager::onSslErrors;
};


QByteArray readFile(const QString& pPath)
{
	QFile file(pPath);
	if (!file.open(QIODevice::ReadOnly))
	{
		qFatal("cannot read %s", qPrintable(pPath));
	}
	return file.readAll();
}


QSslCertificate loadCertificate(const QString& pName)
{
	return QSslCertificate(readFile(TestPeer::certificate(pName)), QSsl::Pem);
}


// The shipped configuration, with the update certificates of the tests: the pinned self-signed one and a CA.
void writeLocalConfig()
{
	auto config = QJsonDocument::fromJson(readFile(QStringLiteral(":/config.json"))).object();
	config.insert(QStringLiteral("updateCertificates"), QJsonArray({
				QString::fromLatin1(loadCertificate(QStringLiteral("rsa2048")).toDer().toHex()),
				QString::fromLatin1(loadCertificate(QStringLiteral("ca")).toDer().toHex())
			}));
	QFile file(QCoreApplication::applicationDirPath() + QStringLiteral("/config.json"));
	if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(QJsonDocument(config).toJson()) <= 0)
	{
		qFatal("cannot write config.json");
	}
}


// The echo server's JSON of the request it got.
struct Echo
{
	QString mMethod;
	QList<QPair<QString, QString>> mHeaders;
	QString mBody;

	explicit Echo(const QByteArray& pJson)
	{
		const auto object = QJsonDocument::fromJson(pJson).object();
		mMethod = object.value(QStringLiteral("method")).toString();
		mBody = object.value(QStringLiteral("body")).toString();
		for (const auto& header : object.value(QStringLiteral("headers")).toArray())
		{
			mHeaders << qMakePair(header.toArray().at(0).toString(), header.toArray().at(1).toString());
		}
	}


	[[nodiscard]] QStringList values(const QString& pName) const
	{
		QStringList result;
		for (const auto& [name, value] : mHeaders)
		{
			if (name.compare(pName, Qt::CaseInsensitive) == 0)
			{
				result << value;
			}
		}
		return result;
	}


};


bool waitFinished(const QSharedPointer<QNetworkReply>& pReply)
{
	if (pReply->isFinished())
	{
		return true;
	}
	QSignalSpy finished(pReply.data(), &QNetworkReply::finished);
	return finished.wait(30000);
}


void setCustomProxy(quint16 pPort)
{
	const auto store = AbstractSettings::getStore();
	store->setValue(QStringLiteral("customProxyType"), QStringLiteral("HTTP"));
	store->setValue(QStringLiteral("customProxyHost"), QStringLiteral("127.0.0.1"));
	store->setValue(QStringLiteral("customProxyPort"), pPort);
	store->setValue(QStringLiteral("useCustomProxy"), true);
	store->sync();
}


const QByteArray cPsk = QByteArrayLiteral("\x01\x23\x45\x67\x89\xab\xcd\xef\x01\x23\x45\x67\x89\xab\xcd\xef");


} // namespace


class test_NetworkManager
	: public QObject
{
	Q_OBJECT

	private:
		TestPeer mServer;

		QUrl serverUrl(const QString& pPath) const
		{
			return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(mServer.port()).arg(pPath));
		}

	private Q_SLOTS:
		void initTestCase()
		{
			QCoreApplication::setApplicationVersion(QStringLiteral("2.6.3"));
			writeLocalConfig();
			QVERIFY(SecureStorage::getInstance().isValid());
			QCOMPARE(SecureStorage::getInstance().getUpdateCertificates().size(), 2);

			// Only a locked proxy keeps libproxy's view of the host out of these tests.
			NetworkManager::lockProxy = true;
			NetworkManager::setApplicationProxyFactory();
			QVERIFY(mServer.startScript(QStringLiteral("echo_server.py")));
		}


		void cleanupTestCase()
		{
			QFile::remove(QCoreApplication::applicationDirPath() + QStringLiteral("/config.json"));
		}


		void toNetworkError_data()
		{
			QTest::addColumn<QNetworkReply::NetworkError>("error");
			QTest::addColumn<NetworkManager::NetworkError>("networkError");
			QTest::addColumn<GlobalStatus::Code>("networkStatus");
			QTest::addColumn<GlobalStatus::Code>("status");

			using E = NetworkManager::NetworkError;
			using C = GlobalStatus::Code;
			const auto row = [](const char* pName, QNetworkReply::NetworkError pError, E pNetworkError, C pNetwork, C pTrusted) {
						QTest::newRow(pName) << pError << pNetworkError << pNetwork << pTrusted;
					};
			row("service unavailable 403", QNetworkReply::ServiceUnavailableError, E::ServiceUnavailable, C::Network_ServiceUnavailable, C::Workflow_TrustedChannel_ServiceUnavailable);
			row("internal server 401", QNetworkReply::InternalServerError, E::ServerError, C::Network_ServerError, C::Workflow_TrustedChannel_Server_Error);
			row("not implemented 402", QNetworkReply::OperationNotImplementedError, E::ServerError, C::Network_ServerError, C::Workflow_TrustedChannel_Server_Error);
			row("unknown server 499", QNetworkReply::UnknownServerError, E::ServerError, C::Network_ServerError, C::Workflow_TrustedChannel_Server_Error);
			row("access denied 201", QNetworkReply::ContentAccessDenied, E::ClientError, C::Network_ClientError, C::Workflow_TrustedChannel_Client_Error);
			row("not found 203", QNetworkReply::ContentNotFoundError, E::ClientError, C::Network_ClientError, C::Workflow_TrustedChannel_Client_Error);
			row("authentication 204", QNetworkReply::AuthenticationRequiredError, E::ClientError, C::Network_ClientError, C::Workflow_TrustedChannel_Client_Error);
			row("re-send 205", QNetworkReply::ContentReSendError, E::OtherError, C::Network_Other_Error, C::Workflow_TrustedChannel_Other_Network_Error);
			row("conflict 206", QNetworkReply::ContentConflictError, E::ClientError, C::Network_ClientError, C::Workflow_TrustedChannel_Client_Error);
			row("gone 207", QNetworkReply::ContentGoneError, E::ClientError, C::Network_ClientError, C::Workflow_TrustedChannel_Client_Error);
			row("unknown content 299", QNetworkReply::UnknownContentError, E::ClientError, C::Network_ClientError, C::Workflow_TrustedChannel_Client_Error);
			row("protocol unknown 301", QNetworkReply::ProtocolUnknownError, E::OtherError, C::Network_Other_Error, C::Workflow_TrustedChannel_Other_Network_Error);
			row("invalid operation 302", QNetworkReply::ProtocolInvalidOperationError, E::ClientError, C::Network_ClientError, C::Workflow_TrustedChannel_Client_Error);
			row("protocol failure 399", QNetworkReply::ProtocolFailure, E::OtherError, C::Network_Other_Error, C::Workflow_TrustedChannel_Other_Network_Error);
			row("timeout 4", QNetworkReply::TimeoutError, E::TimeOut, C::Network_TimeOut, C::Workflow_TrustedChannel_TimeOut);
			row("proxy refused 101", QNetworkReply::ProxyConnectionRefusedError, E::ProxyError, C::Network_Proxy_Error, C::Workflow_TrustedChannel_Proxy_Error);
			row("proxy authentication 105", QNetworkReply::ProxyAuthenticationRequiredError, E::ProxyError, C::Network_Proxy_Error, C::Workflow_TrustedChannel_Proxy_Error);
			row("unknown proxy 199", QNetworkReply::UnknownProxyError, E::ProxyError, C::Network_Proxy_Error, C::Workflow_TrustedChannel_Proxy_Error);
			row("handshake 6", QNetworkReply::SslHandshakeFailedError, E::SecurityError, C::Network_Ssl_Establishment_Error, C::Workflow_TrustedChannel_Establishment_Error);
			row("canceled 5", QNetworkReply::OperationCanceledError, E::OtherError, C::Network_Other_Error, C::Workflow_TrustedChannel_Other_Network_Error);
			row("refused 1", QNetworkReply::ConnectionRefusedError, E::OtherError, C::Network_Other_Error, C::Workflow_TrustedChannel_Other_Network_Error);
			row("no error 0", QNetworkReply::NoError, E::OtherError, C::Network_Other_Error, C::Workflow_TrustedChannel_Other_Network_Error);
		}


		void toNetworkError()
		{
			QFETCH(QNetworkReply::NetworkError, error);
			QFETCH(NetworkManager::NetworkError, networkError);
			QFETCH(GlobalStatus::Code, networkStatus);
			QFETCH(GlobalStatus::Code, status);

			const QUrl url(QStringLiteral("https://service.example/path?x=1"));
			const QSharedPointer<QNetworkReply> reply(new FakeReply(error, url));

			const LogCapture capture;
			QCOMPARE(NetworkManager::toNetworkError(reply), networkError);
			const bool other = networkError == NetworkManager::NetworkError::OtherError;
			QCOMPARE(capture.count(QStringLiteral("Network error opening URL")), other ? 1 : 0);
			QCOMPARE(capture.count(QStringLiteral("Network error description")), other ? 1 : 0);

			const GlobalStatus::ExternalInfoMap info({{GlobalStatus::ExternalInformation::LAST_URL, url.toString()}});
			QCOMPARE(NetworkManager::toNetworkStatus(reply), GlobalStatus(networkStatus, info, GlobalStatus::Origin::Client));
			QCOMPARE(NetworkManager::toStatus(reply), GlobalStatus(status, info, GlobalStatus::Origin::Client));
		}


		void statusNames_data()
		{
			QTest::addColumn<int>("code");
			QTest::addColumn<QByteArray>("name");

			QTest::newRow("0") << 0 << QByteArray();
			QTest::newRow("100") << 100 << QByteArray("CONTINUE");
			QTest::newRow("200") << 200 << QByteArray("OK");
			QTest::newRow("302") << 302 << QByteArray("FOUND");
			QTest::newRow("404") << 404 << QByteArray("NOT_FOUND");
			QTest::newRow("427") << 427 << QByteArray();
			QTest::newRow("500") << 500 << QByteArray("INTERNAL_SERVER_ERROR");
			QTest::newRow("599") << 599 << QByteArray("NETWORK_CONNECT_TIMEOUT");
			QTest::newRow("600") << 600 << QByteArray();
			QTest::newRow("-1") << -1 << QByteArray();
		}


		void statusNames()
		{
			QFETCH(int, code);
			QFETCH(QByteArray, name);

			QCOMPARE(NetworkManager::getStatusMessage(code), name);
			QCOMPARE(NetworkManager::getFormattedStatusCode(code), QString::number(code) + QLatin1Char(' ') + QString::fromLatin1(name));
		}


		void logReply()
		{
			const QSharedPointer<FakeReply> reply(new FakeReply(QNetworkReply::ContentNotFoundError));
			reply->addHeader("Content-Type", "text/html");
			reply->addHeader("X-Second", "two words");

			LogCapture capture;
			QCOMPARE(NetworkManager::logReply(reply, CategoryMessageLogger(__FILE__, __LINE__, Q_FUNC_INFO, webservice)), 0);
			QStringList lines;
			for (const auto& entry : capture.entries())
			{
				QCOMPARE(entry.mCategory, QStringLiteral("webservice"));
				lines << entry.mMessage;
			}
			QCOMPARE(lines, QStringList({
						QStringLiteral("An error occurred: QNetworkReply::ContentNotFoundError \"fake error text\""),
						QStringLiteral("Status Code: 0 "),
						QStringLiteral("Header | Content-Type: text/html"),
						QStringLiteral("Header | X-Second: two words")
					}));
			QCOMPARE(capture.entries().at(0).mType, QtCriticalMsg);

			const QSharedPointer<FakeReply> found(new FakeReply());
			found->setStatus(404);
			capture.clear();
			QCOMPARE(NetworkManager::logReply(found, CategoryMessageLogger(__FILE__, __LINE__, Q_FUNC_INFO, network)), 404);
			QCOMPARE(capture.messages(), QStringList({QStringLiteral("Status Code: 404 NOT_FOUND")}));
		}


		void loggingAllowed_data()
		{
			QTest::addColumn<QByteArray>("name");
			QTest::addColumn<QByteArray>("value");
			QTest::addColumn<bool>("allowed");

			QTest::newRow("no header") << QByteArray() << QByteArray() << true;
			QTest::newRow("no-log") << QByteArray("Pragma") << QByteArray("no-log") << false;
			QTest::newRow("among others") << QByteArray("Pragma") << QByteArray("no-cache, no-log") << false;
			QTest::newRow("lower-case name") << QByteArray("pragma") << QByteArray("no-log") << false;
			QTest::newRow("other directive") << QByteArray("Pragma") << QByteArray("no-cache") << true;
			QTest::newRow("upper-case value") << QByteArray("Pragma") << QByteArray("NO-LOG") << true;
			QTest::newRow("other header") << QByteArray("X-Pragma") << QByteArray("no-log") << true;
		}


		void loggingAllowed()
		{
			QFETCH(QByteArray, name);
			QFETCH(QByteArray, value);
			QFETCH(bool, allowed);

			const QSharedPointer<FakeReply> reply(new FakeReply());
			if (!name.isEmpty())
			{
				reply->addHeader(name, value);
			}
			QCOMPARE(NetworkManager::isLoggingAllowed(reply), allowed);
		}


		void requestPreparation()
		{
			NetworkManager manager;

			QNetworkRequest request(serverUrl(QStringLiteral("/echo")));
			request.setTransferTimeout(5);
			const auto reply = manager.get(request);
			QVERIFY(waitFinished(reply));
			QCOMPARE(reply->error(), QNetworkReply::NoError);

			// The caller's request object carries what was sent.
			QCOMPARE(request.transferTimeout(), 30000);
			QCOMPARE(request.sslConfiguration(), SecureStorage::getInstance().getTlsConfig().getConfiguration());

			const QByteArray userAgent("Kendrawell2/2.6.3 (TR-03124-1/1.4)");
			QCOMPARE(request.rawHeader("User-Agent"), userAgent);
			const Echo echo(reply->readAll());
			QCOMPARE(echo.values(QStringLiteral("User-Agent")), QStringList({QString::fromLatin1(userAgent)}));
			QVERIFY(HttpResponse(200).getMessage().contains("\r\nServer: " + userAgent + "\r\n"));

			QNetworkRequest own(serverUrl(QStringLiteral("/echo")));
			own.setRawHeader("User-Agent", "Browser/1.0");
			const auto ownReply = manager.get(own);
			QVERIFY(waitFinished(ownReply));
			QCOMPARE(Echo(ownReply->readAll()).values(QStringLiteral("User-Agent")), QStringList({QStringLiteral("Browser/1.0")}));
		}


		void methods_data()
		{
			QTest::addColumn<QString>("method");
			QTest::newRow("GET") << "GET";
			QTest::newRow("POST") << "POST";
			QTest::newRow("DELETE") << "DELETE";
			QTest::newRow("OPTIONS") << "OPTIONS";
			QTest::newRow("HEAD") << "HEAD";
		}


		void methods()
		{
			QFETCH(QString, method);

			NetworkManager manager;
			QNetworkRequest request(serverUrl(QStringLiteral("/echo")));
			QSharedPointer<QNetworkReply> reply;
			if (method == QLatin1String("GET"))
			{
				reply = manager.get(request);
			}
			else if (method == QLatin1String("POST"))
			{
				reply = manager.post(request, QByteArrayLiteral("data"));
			}
			else if (method == QLatin1String("DELETE"))
			{
				reply = manager.deleteResource(request);
			}
			else if (method == QLatin1String("OPTIONS"))
			{
				reply = manager.options(request);
			}
			else
			{
				reply = manager.head(request);
			}
			QVERIFY(waitFinished(reply));
			QCOMPARE(reply->error(), QNetworkReply::NoError);
			QCOMPARE(reply->operation() == QNetworkAccessManager::CustomOperation ? reply->request().attribute(QNetworkRequest::CustomVerbAttribute).toString() : method,
					method);
			QVERIFY(reply->parent() == nullptr);
			if (method != QLatin1String("HEAD"))
			{
				const Echo echo(reply->readAll());
				QCOMPARE(echo.mMethod, method);
				QCOMPARE(echo.mBody, method == QLatin1String("POST") ? QStringLiteral("data") : QString());
			}
		}


		void paosHeaders()
		{
			NetworkManager manager;
			QNetworkRequest request(serverUrl(QStringLiteral("/paos")));
			const auto reply = manager.paos(request, QByteArrayLiteral("urn:liberty:paos:2006-08"), QByteArray(), false, QByteArray());
			QVERIFY(waitFinished(reply));
			QCOMPARE(reply->error(), QNetworkReply::NoError);

			const Echo echo(reply->readAll());
			QCOMPARE(echo.mMethod, QStringLiteral("POST"));
			QCOMPARE(echo.values(QStringLiteral("Content-Type")), QStringList({QStringLiteral("application/vnd.paos+xml; charset=UTF-8")}));
			QCOMPARE(echo.values(QStringLiteral("Connection")), QStringList({QStringLiteral("keep-alive")}));
			QCOMPARE(echo.values(QStringLiteral("Accept")), QStringList({QStringLiteral("text/html; application/vnd.paos+xml")}));
			QCOMPARE(echo.values(QStringLiteral("PAOS")), QStringList({QStringLiteral("ver=\"urn:liberty:paos:2006-08\"")}));
			QCOMPARE(echo.values(QStringLiteral("Content-Length")), QStringList({QStringLiteral("0")}));
			QCOMPARE(echo.values(QStringLiteral("User-Agent")), QStringList({QStringLiteral("Kendrawell2/2.6.3 (TR-03124-1/1.4)")}));
			QCOMPARE(echo.mBody, QString());
		}


		void paosConfiguration_data()
		{
			QTest::addColumn<bool>("psk");
			QTest::newRow("default") << false;
			QTest::newRow("psk") << true;
		}


		void paosConfiguration()
		{
			QFETCH(bool, psk);

			// The PSK configuration differs from Qt's default, so preparation keeps it.
			NetworkManager manager;
			QNetworkRequest request(serverUrl(QStringLiteral("/paos")));
			const auto reply = manager.paos(request, QByteArrayLiteral("ns"), QByteArrayLiteral("<xml/>"), psk, QByteArrayLiteral("ticket"));
			auto expected = SecureStorage::getInstance().getTlsConfig(psk ? SecureStorage::TlsSuite::PSK : SecureStorage::TlsSuite::DEFAULT).getConfiguration();
			expected.setSessionTicket(QByteArrayLiteral("ticket"));
			QCOMPARE(request.sslConfiguration(), expected);
			QCOMPARE(request.sslConfiguration().ciphers(), SecureStorage::getInstance().getTlsConfig(psk ? SecureStorage::TlsSuite::PSK : SecureStorage::TlsSuite::DEFAULT).getCiphers());
			QVERIFY(waitFinished(reply));
		}


		void redirectNotFollowed()
		{
			NetworkManager manager;
			QNetworkRequest request(serverUrl(QStringLiteral("/redirect")));
			const auto reply = manager.get(request);
			QVERIFY(waitFinished(reply));
			QCOMPARE(reply->error(), QNetworkReply::NoError);
			QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 302);
			QCOMPARE(reply->url(), serverUrl(QStringLiteral("/redirect")));
			QCOMPARE(UrlUtil::getRedirectUrl(reply), serverUrl(QStringLiteral("/target?from=redirect")));
		}


		void openConnectionCount()
		{
			NetworkManager manager;
			QCOMPARE(manager.getOpenConnectionCount(), 0);

			QNetworkRequest request(serverUrl(QStringLiteral("/hang")));
			auto first = manager.get(request);
			auto second = manager.get(request);
			QCOMPARE(manager.getOpenConnectionCount(), 2);

			// A caller that lets go of an unfinished reply closes it, though it never finishes.
			first.reset();
			QTRY_COMPARE(manager.getOpenConnectionCount(), 1);

			QSignalSpy finished(second.data(), &QNetworkReply::finished);
			manager.onShutdown();
			QCOMPARE(finished.count(), 0);
			QTRY_COMPARE(manager.getOpenConnectionCount(), 0);
			QCOMPARE(finished.count(), 1);
			QCOMPARE(second->error(), QNetworkReply::OperationCanceledError);
		}


		void afterShutdown()
		{
			NetworkManager manager;
			QSignalSpy shutdown(&manager, &NetworkManager::fireShutdown);
			manager.onShutdown();
			QCOMPARE(shutdown.count(), 1);

			QNetworkRequest request(serverUrl(QStringLiteral("/paos")));
			const auto reply = manager.paos(request, QByteArrayLiteral("ns"), QByteArrayLiteral("<xml/>"), true, QByteArray());
			QVERIFY(qobject_cast<NetworkReplyError*>(reply.data()));
			QVERIFY(request.rawHeaderList().isEmpty());
			QCOMPARE(request.sslConfiguration(), QSslConfiguration::defaultConfiguration());
			QCOMPARE(reply->error(), QNetworkReply::OperationCanceledError);
			QCOMPARE(reply->errorString(), QStringLiteral("Application shutting down"));
			QCOMPARE(manager.getOpenConnectionCount(), 0);

			QStringList order;
			connect(reply.data(), &QNetworkReply::errorOccurred, this, [&order](QNetworkReply::NetworkError pError){
						QCOMPARE(pError, QNetworkReply::OperationCanceledError);
						order << QStringLiteral("error");
					});
			connect(reply.data(), &QNetworkReply::finished, this, [&order]{
						order << QStringLiteral("finished");
					});
			QVERIFY(order.isEmpty());
			QTRY_COMPARE(order, QStringList({QStringLiteral("error"), QStringLiteral("finished")}));
			QVERIFY(reply->isFinished());
			QVERIFY(reply->readAll().isEmpty());
			reply->abort();
			QCOMPARE(NetworkManager::toNetworkError(reply), NetworkManager::NetworkError::OtherError);

			QNetworkRequest get(serverUrl(QStringLiteral("/echo")));
			QVERIFY(qobject_cast<NetworkReplyError*>(manager.get(get).data()));
			QVERIFY(qobject_cast<NetworkReplyError*>(manager.getAsUpdater(get).data()));
		}


		void pskHandshakes_data()
		{
			QTest::addColumn<QStringList>("serverArguments");

			const auto psk = QString::fromLatin1(cPsk.toHex());
			QTest::newRow("ECDHE-PSK without certificate") << QStringList({"-tls1_2", "-nocert", "-psk", psk, "-psk_identity", "identity", "-www"});
			QTest::newRow("RSA-PSK") << QStringList({"-tls1_2", "-cert", TestPeer::certificate("rsa2048"), "-key", TestPeer::key("rsa2048"),
														  "-cipher", "RSA-PSK-AES256-GCM-SHA384", "-psk", psk, "-psk_identity", "identity", "-www"});
		}


		void pskHandshakes()
		{
			QFETCH(QStringList, serverArguments);

			TestPeer server;
			QVERIFY(server.startServer(serverArguments));

			NetworkManager manager;
			QNetworkRequest request(QUrl(QStringLiteral("https://127.0.0.1:%1/").arg(server.port())));
			const auto reply = manager.paos(request, QByteArrayLiteral("ns"), QByteArrayLiteral("<xml/>"), true, QByteArray());
			connect(reply.data(), &QNetworkReply::preSharedKeyAuthenticationRequired, this, [](QSslPreSharedKeyAuthenticator* pAuthenticator){
						pAuthenticator->setIdentity(QByteArrayLiteral("identity"));
						pAuthenticator->setPreSharedKey(cPsk);
					});
			bool fatal = false;
			connect(reply.data(), &QNetworkReply::sslErrors, this, [&reply, &fatal](const QList<QSslError>& pErrors){
						fatal = TlsChecker::containsFatalError(reply, pErrors);
					});
			QSignalSpy encrypted(reply.data(), &QNetworkReply::encrypted);
			// s_server's page answers GET only: the handshake is what counts here.
			QVERIFY(encrypted.wait(30000));
			QVERIFY(!fatal);
			QVERIFY(reply->sslConfiguration().sessionCipher().name().contains(QLatin1String("PSK")));
			reply->abort();
		}


		void updaterPinning_data()
		{
			QTest::addColumn<QString>("certificate");
			QTest::addColumn<QNetworkReply::NetworkError>("error");
			QTest::addColumn<QString>("log");

			QTest::newRow("pinned") << "rsa2048" << QNetworkReply::NoError << QString();
			QTest::newRow("stranger") << "stranger" << QNetworkReply::OperationCanceledError << "Fatal SSL error:";
			QTest::newRow("issued by a pinned CA") << "leaf" << QNetworkReply::OperationCanceledError << "Untrusted certificate found [file.json]: ";
		}


		void updaterPinning()
		{
			QFETCH(QString, certificate);
			QFETCH(QNetworkReply::NetworkError, error);
			QFETCH(QString, log);

			TestPeer server;
			QVERIFY(server.startScript(QStringLiteral("echo_server.py"), {"--cert", TestPeer::certificate(certificate), "--key", TestPeer::key(certificate), "--tls12"}));

			NetworkManager manager;
			QNetworkRequest request(QUrl(QStringLiteral("https://127.0.0.1:%1/updates/file.json").arg(server.port())));
			const LogCapture capture;
			const auto reply = manager.getAsUpdater(request);
			QCOMPARE(request.sslConfiguration().caCertificates(), SecureStorage::getInstance().getUpdateCertificates());
			QSignalSpy encrypted(reply.data(), &QNetworkReply::encrypted);
			QVERIFY(waitFinished(reply));
			QCOMPARE(reply->error(), error);
			if (log.isEmpty())
			{
				QCOMPARE(encrypted.count(), 1);
				QVERIFY(capture.contains(QStringLiteral("Handshake of tls connection done!")));
				QVERIFY(!capture.contains(QStringLiteral("Fatal SSL error:")));
				QVERIFY(!capture.contains(QStringLiteral("Untrusted certificate found")));
			}
			else
			{
				QVERIFY(capture.contains(log));
			}
		}


		void trustedSessionTickets()
		{
			TestPeer server;
			QVERIFY(server.startScript(QStringLiteral("echo_server.py"), {"--cert", TestPeer::certificate("rsa2048"), "--key", TestPeer::key("rsa2048"), "--tls12"}));

			TestNetworkManager manager;
			QNetworkRequest request(QUrl(QStringLiteral("https://127.0.0.1:%1/file.json").arg(server.port())));
			const auto reply = manager.getAsUpdater(request);
			QByteArray ticket;
			connect(reply.data(), &QNetworkReply::encrypted, this, [&reply, &ticket]{
						ticket = reply->sslConfiguration().sessionTicket();
					});
			QVERIFY(waitFinished(reply));
			QCOMPARE(reply->error(), QNetworkReply::NoError);
			// A TLS 1.2 handshake hands out its ticket at once; updater tickets depend on it.
			QVERIFY(!ticket.isEmpty());

			const QList<QSslError> errors({QSslError(QSslError::OcspNoResponseFound)});
			const QSharedPointer<FakeReply> resumed(new FakeReply());
			resumed->mConfiguration.setSessionTicket(ticket);
			manager.onSslErrors(resumed, errors);
			QCOMPARE(resumed->mIgnored, errors);
			QCOMPARE(resumed->mAborted, 0);

			// Only the OCSP error of a trusted session is tolerated; another error still fails the handshake.
			const QSharedPointer<FakeReply> mixed(new FakeReply());
			mixed->mConfiguration.setSessionTicket(ticket);
			manager.onSslErrors(mixed, {QSslError(QSslError::OcspNoResponseFound), QSslError(QSslError::CertificateExpired)});
			QCOMPARE(mixed->mIgnored, errors);
			QCOMPARE(mixed->mAborted, 0);

			const QSharedPointer<FakeReply> unknown(new FakeReply());
			unknown->mConfiguration.setSessionTicket(QByteArrayLiteral("other"));
			manager.onSslErrors(unknown, errors);
			QVERIFY(unknown->mIgnored.isEmpty());
			QCOMPARE(unknown->mAborted, 1);

			manager.clearConnections();
			const QSharedPointer<FakeReply> forgotten(new FakeReply());
			forgotten->mConfiguration.setSessionTicket(ticket);
			const LogCapture capture;
			manager.onSslErrors(forgotten, errors);
			QVERIFY(forgotten->mIgnored.isEmpty());
			QCOMPARE(forgotten->mAborted, 1);
			QVERIFY(capture.contains(QStringLiteral("Fatal SSL error:")));
		}


		void proxyFactory_data()
		{
			QTest::addColumn<bool>("locked");
			QTest::addColumn<bool>("custom");
			QTest::addColumn<QString>("log");
			QTest::addColumn<int>("type");

			QTest::newRow("locked beats custom") << true << true << "proxy -> none" << int(QNetworkProxy::NoProxy);
			QTest::newRow("custom") << false << true << "proxy -> custom" << int(QNetworkProxy::HttpProxy);
			QTest::newRow("system") << false << false << "proxy -> system" << -1;
		}


		void proxyFactory()
		{
			QFETCH(bool, locked);
			QFETCH(bool, custom);
			QFETCH(QString, log);
			QFETCH(int, type);

			setCustomProxy(3128);
			if (!custom)
			{
				AbstractSettings::getStore()->setValue(QStringLiteral("customProxyHost"), QString());
				AbstractSettings::getStore()->sync();
			}
			NetworkManager::lockProxy = locked;
			const LogCapture capture;
			NetworkManager::setApplicationProxyFactory();
			QVERIFY(capture.contains(log));
			QCOMPARE(capture.contains(QStringLiteral("Won't use any proxy because user locked it!")), locked);

			const auto proxies = QNetworkProxyFactory::proxyForQuery(QNetworkProxyQuery(QUrl(QStringLiteral("https://service.example/"))));
			QVERIFY(!proxies.isEmpty());
			if (type != -1)
			{
				QCOMPARE(proxies.size(), 1);
				QCOMPARE(int(proxies.at(0).type()), type);
			}
			if (type == QNetworkProxy::HttpProxy)
			{
				QCOMPARE(proxies.at(0).hostName(), QStringLiteral("127.0.0.1"));
				QCOMPARE(proxies.at(0).port(), quint16(3128));

				// Read at every query: a new port reaches the next connection without reinstalling.
				AbstractSettings::getStore()->setValue(QStringLiteral("customProxyPort"), 8080);
				AbstractSettings::getStore()->sync();
				QCOMPARE(QNetworkProxyFactory::proxyForQuery(QNetworkProxyQuery()).at(0).port(), quint16(8080));
			}

			AbstractSettings::getStore()->clear();
			AbstractSettings::getStore()->sync();
			NetworkManager::lockProxy = true;
			NetworkManager::setApplicationProxyFactory();
		}


		void customProxyTunnels()
		{
			TestPeer proxy;
			QVERIFY(proxy.startScript(QStringLiteral("connect_proxy.py")));
			TestPeer server;
			QVERIFY(server.startScript(QStringLiteral("echo_server.py"), {"--cert", TestPeer::certificate("rsa2048"), "--key", TestPeer::key("rsa2048")}));
			// Qt never asks the proxy factory about loopback addresses.
			const QUrl url(QStringLiteral("https://service.kendrawell.test:%1/echo").arg(server.port()));
			const QByteArray tunnel = "CONNECT service.kendrawell.test:" + QByteArray::number(server.port());

			NetworkManager manager;
			NetworkManager::lockProxy = false;
			setCustomProxy(proxy.port());
			// The settings' signal reinstalls the factory through the manager.
			Env::getSingleton<AppSettings>()->getGeneralSettings().setUseCustomProxy(false);
			Env::getSingleton<AppSettings>()->getGeneralSettings().setUseCustomProxy(true);

			const auto send = [&manager, &url] {
						QNetworkRequest request(url);
						const auto reply = manager.get(request);
						// The made-up name is not in the certificate; the proxy is under test, not TLS.
						connect(reply.data(), &QNetworkReply::sslErrors, reply.data(), [&reply]{
									reply->ignoreSslErrors();
								});
						if (!waitFinished(reply))
						{
							return QNetworkReply::TimeoutError;
						}
						return reply->error();
					};

			QCOMPARE(send(), QNetworkReply::NoError);
			QTRY_VERIFY(proxy.output().contains(tunnel));

			NetworkManager::lockProxy = true;
			manager.onProxyChanged();
			manager.clearConnections();
			const auto before = proxy.output().count(tunnel);
			// Without the proxy nobody knows the made-up name.
			QVERIFY(send() != QNetworkReply::NoError);
			QCOMPARE(proxy.output().count(tunnel), before);

			AbstractSettings::getStore()->clear();
			AbstractSettings::getStore()->sync();
		}


};

KENDRAWELL_TEST_MAIN(test_NetworkManager)
#include "test_NetworkManager.moc"
