#include "EidServer.h"

#include <QCoreApplication>
#include <QDate>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPointer>
#include <QProcess>
#include <QRandomGenerator>
#include <QSslCipher>
#include <QSslKey>
#include <QSslPreSharedKeyAuthenticator>
#include <QSslServer>
#include <QSslSocket>
#include <QTimer>
#include <QUrlQuery>

#include <cstdio>

using namespace tessarovin;


namespace
{

const char* const cPskProperty = "pskIdentity";
const char* const cSessionProperty = "sessionIdentifier";

QByteArray randomHex(int pBytes)
{
	QByteArray data(pBytes, '\0');
	QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(data.data()), pBytes / 4);
	return data.toHex().toUpper();
}


// The text of a data group: the first primitive value inside its constructed objects.
QString innermostText(const QByteArray& pDer)
{
	qsizetype position = 0;
	while (position + 2 <= pDer.size())
	{
		const auto tag = static_cast<uchar>(pDer.at(position++));
		if ((tag & 0x1F) == 0x1F)
		{
			while (position < pDer.size() && (static_cast<uchar>(pDer.at(position)) & 0x80))
			{
				++position;
			}
			++position;
		}
		if (position >= pDer.size())
		{
			break;
		}
		qsizetype length = static_cast<uchar>(pDer.at(position++));
		if (length & 0x80)
		{
			const qsizetype count = length & 0x7F;
			length = 0;
			for (qsizetype i = 0; i < count && position < pDer.size(); ++i)
			{
				length = (length << 8) | static_cast<uchar>(pDer.at(position++));
			}
		}
		if (!(tag & 0x20))
		{
			return QString::fromUtf8(pDer.mid(position, length));
		}
	}
	return QString();
}


} // namespace


EidServer::EidServer(const QString& pFixtures, const QString& pPkiFolder)
	: mFixtures(pFixtures)
	, mPkiFolder(pPkiFolder)
{
}


EidServer::~EidServer()
{
	if (mStunnelProcess.state() != QProcess::NotRunning)
	{
		mStunnelProcess.terminate();
		if (!mStunnelProcess.waitForFinished(10000))
		{
			mStunnelProcess.kill();
			mStunnelProcess.waitForFinished();
		}
	}
}


void EidServer::setStunnel(bool pStunnel)
{
	mStunnel = pStunnel;
}


void EidServer::report(const QJsonObject& pObject)
{
	const QByteArray line = QJsonDocument(pObject).toJson(QJsonDocument::Compact) + '\n';
	fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stdout);
	fflush(stdout);
}


QByteArray EidServer::readFile(const QString& pPath) const
{
	QFile file(pPath);
	if (!file.open(QIODevice::ReadOnly))
	{
		report({{QStringLiteral("event"), QStringLiteral("error")}, {QStringLiteral("message"), QStringLiteral("Cannot read ") + pPath}});
		return QByteArray();
	}
	return file.readAll();
}


quint16 EidServer::port(const QString& pName) const
{
	if (pName == QLatin1String("stunnel"))
	{
		return mStunnelPort;
	}
	for (const auto& listener : mListeners)
	{
		if (listener.mName == pName)
		{
			return listener.mServer->serverPort();
		}
	}
	return 0;
}


QString EidServer::origin(const QString& pName) const
{
	return (pName == QLatin1String("plain") ? QStringLiteral("http://127.0.0.1:") : QStringLiteral("https://127.0.0.1:")) + QString::number(port(pName));
}


QSslConfiguration EidServer::tlsConfiguration(const QString& pCertificate) const
{
	QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
	configuration.setLocalCertificate(QSslCertificate(readFile(mFixtures + QLatin1Char('/') + pCertificate + QStringLiteral(".pem"))));
	configuration.setPrivateKey(QSslKey(readFile(mFixtures + QLatin1Char('/') + pCertificate + QStringLiteral(".key")), QSsl::Rsa));
	configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
	return configuration;
}


QTcpServer* EidServer::createTlsServer(const QSslConfiguration& pConfiguration)
{
	auto* server = new QSslServer(this);
	server->setSslConfiguration(pConfiguration);
	connect(server, &QSslServer::preSharedKeyAuthenticationRequired, this, &EidServer::onPreSharedKeyAuthenticationRequired);
	connect(server, &QSslServer::errorOccurred, this, [server, this](QSslSocket* pSocket, QAbstractSocket::SocketError){
				for (const auto& listener : std::as_const(mListeners))
				{
					if (listener.mServer == server)
					{
						report({{QStringLiteral("event"), QStringLiteral("tlsError")}, {QStringLiteral("origin"), listener.mName},
								{QStringLiteral("error"), pSocket->errorString()}});
					}
				}
			});
	return server;
}


bool EidServer::listen(const QString& pName, QTcpServer* pServer)
{
	mListeners << Listener {pName, pServer};
	connect(pServer, &QTcpServer::pendingConnectionAvailable, this, &EidServer::onNewConnection);
	if (!pServer->listen(QHostAddress::LocalHost, 0))
	{
		report({{QStringLiteral("event"), QStringLiteral("error")}, {QStringLiteral("message"), pName + QStringLiteral(": ") + pServer->errorString()}});
		return false;
	}
	return true;
}


bool EidServer::createPki()
{
	QProcess process;
	process.start(QStringLiteral("/usr/bin/python3"), {mFixtures + QStringLiteral("/make_pki.py"), mPkiFolder, QString::number(port(QStringLiteral("provider")))});
	if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
	{
		report({{QStringLiteral("event"), QStringLiteral("error")},
				{QStringLiteral("message"), QStringLiteral("make_pki.py failed: ") + QString::fromUtf8(process.readAllStandardError())}});
		return false;
	}
	mPki = QJsonDocument::fromJson(readFile(mPkiFolder + QStringLiteral("/pki.json"))).object();
	return !mPki.isEmpty();
}


bool EidServer::start()
{
	QSslConfiguration psk = tlsConfiguration(QStringLiteral("eid_server"));
	psk.setProtocol(QSsl::TlsV1_2);
	psk.setCiphers({QSslCipher(QStringLiteral("RSA-PSK-AES256-GCM-SHA384")), QSslCipher(QStringLiteral("RSA-PSK-AES128-GCM-SHA256"))});
	psk.setPreSharedKeyIdentityHint(QByteArrayLiteral("test-eid-server"));
	QSslConfiguration outsider = psk;
	outsider.setLocalCertificate(QSslCertificate(readFile(mFixtures + QStringLiteral("/outsider.pem"))));
	outsider.setPrivateKey(QSslKey(readFile(mFixtures + QStringLiteral("/outsider.key")), QSsl::Rsa));
	QSslConfiguration tls13 = tlsConfiguration(QStringLiteral("eid_server"));
	tls13.setProtocol(QSsl::TlsV1_3OrLater);

	const bool listening = listen(QStringLiteral("provider"), createTlsServer(tlsConfiguration(QStringLiteral("provider"))))
			&& listen(QStringLiteral("redirect"), createTlsServer(tlsConfiguration(QStringLiteral("redirect"))))
			&& listen(QStringLiteral("plain"), new QTcpServer(this))
			&& listen(QStringLiteral("eid"), createTlsServer(psk))
			&& listen(QStringLiteral("eidOutsider"), createTlsServer(outsider))
			&& listen(QStringLiteral("eidTls13"), createTlsServer(tls13));
	if (!listening || !createPki() || (mStunnel && !startStunnel()))
	{
		return false;
	}

	QJsonObject ports;
	for (const auto& listener : std::as_const(mListeners))
	{
		ports[listener.mName] = listener.mServer->serverPort();
	}
	if (mStunnel)
	{
		ports[QStringLiteral("stunnel")] = mStunnelPort;
	}
	report({{QStringLiteral("event"), QStringLiteral("ready")}, {QStringLiteral("ports"), ports},
			{QStringLiteral("pki"), mPkiFolder}, {QStringLiteral("tcTokenUrl"), origin(QStringLiteral("provider")) + QStringLiteral("/tctoken")}});
	return true;
}


bool EidServer::startStunnel()
{
	// stunnel reads its keys once: a list made now, one entry per TC token. It decodes keys
	// written in hexadecimal, as the TC token carries them.
	QByteArray secrets;
	for (int i = 0; i < 64; ++i)
	{
		const QByteArray identity = randomHex(16);
		const QByteArray key = randomHex(32);
		mStunnelKeys << qMakePair(identity, key);
		secrets += identity + ':' + key + '\n';
	}
	QFile secretsFile(mPkiFolder + QStringLiteral("/stunnel-psk.txt"));
	if (!secretsFile.open(QIODevice::WriteOnly) || secretsFile.write(secrets) != secrets.size())
	{
		return false;
	}
	secretsFile.close();
	secretsFile.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);

	// A free port: taken and given back, since stunnel cannot report the one it gets.
	{
		QTcpServer probe;
		if (!probe.listen(QHostAddress::LocalHost, 0))
		{
			return false;
		}
		mStunnelPort = probe.serverPort();
	}
	const QString configuration = QStringLiteral(
			"foreground = yes\n"
			"pid =\n"
			"syslog = no\n"
			"output = %1/stunnel.log\n"
			"[eid]\n"
			"accept = 127.0.0.1:%2\n"
			"connect = 127.0.0.1:%3\n"
			"cert = %4/eid_server.pem\n"
			"key = %4/eid_server.key\n"
			"sslVersionMin = TLSv1.2\n"
			"sslVersionMax = TLSv1.2\n"
			"ciphers = ECDHE-RSA-AES256-GCM-SHA384:ECDHE-RSA-AES128-GCM-SHA256:RSA-PSK-AES256-GCM-SHA384\n"
			"PSKsecrets = %1/stunnel-psk.txt\n"
			// Each PAOS message is one small write: Nagle's algorithm would hold it back.
			"socket = r:TCP_NODELAY=1\n"
			"socket = l:TCP_NODELAY=1\n").arg(mPkiFolder).arg(mStunnelPort).arg(port(QStringLiteral("plain"))).arg(mFixtures);
	QFile configurationFile(mPkiFolder + QStringLiteral("/stunnel.conf"));
	if (!configurationFile.open(QIODevice::WriteOnly) || configurationFile.write(configuration.toUtf8()) < 0)
	{
		return false;
	}
	configurationFile.close();

	// Its start-up lines come before it reads the log file's name.
	mStunnelProcess.setProcessChannelMode(QProcess::MergedChannels);
	mStunnelProcess.setStandardOutputFile(mPkiFolder + QStringLiteral("/stunnel-start.log"));
	mStunnelProcess.start(QStringLiteral("stunnel4"), {configurationFile.fileName()});
	if (!mStunnelProcess.waitForStarted())
	{
		report({{QStringLiteral("event"), QStringLiteral("error")}, {QStringLiteral("message"), QStringLiteral("Cannot start stunnel4: ") + mStunnelProcess.errorString()}});
		return false;
	}
	for (int attempt = 0; attempt < 300 && mStunnelProcess.state() == QProcess::Running; ++attempt)
	{
		QTcpSocket probe;
		probe.connectToHost(QHostAddress::LocalHost, mStunnelPort);
		if (probe.waitForConnected(100))
		{
			return true;
		}
		mStunnelProcess.waitForFinished(100);
	}
	report({{QStringLiteral("event"), QStringLiteral("error")}, {QStringLiteral("message"), QStringLiteral("stunnel4 does not listen, see ") + mPkiFolder + QStringLiteral("/stunnel.log")}});
	return false;
}


void EidServer::onNewConnection()
{
	auto* server = qobject_cast<QTcpServer*>(sender());
	QString name;
	for (const auto& listener : std::as_const(mListeners))
	{
		if (listener.mServer == server)
		{
			name = listener.mName;
		}
	}
	while (QTcpSocket* socket = server->nextPendingConnection())
	{
		auto* connection = new HttpConnection(socket, name);
		connect(connection, &HttpConnection::fireRequest, this, &EidServer::onRequest);
	}
}


void EidServer::onPreSharedKeyAuthenticationRequired(QSslSocket* pSocket, QSslPreSharedKeyAuthenticator* pAuthenticator)
{
	const QByteArray identity = pAuthenticator->identity();
	const auto session = mSessions.value(identity);
	QJsonObject event {{QStringLiteral("event"), QStringLiteral("psk")}, {QStringLiteral("identity"), QString::fromUtf8(identity)},
					   {QStringLiteral("accepted"), !session.isNull()}};
	report(event);
	if (session)
	{
		pAuthenticator->setPreSharedKey(QByteArray::fromHex(session->getPsk()));
		pSocket->setProperty(cPskProperty, identity);
	}
}


void EidServer::onRequest(HttpConnection* pConnection, const HttpConnection::Request& pRequest)
{
	QJsonObject headers;
	for (const auto& [name, value] : pRequest.mHeaders)
	{
		const QString key = QString::fromLatin1(name);
		headers[key] = headers.contains(key) ? headers.value(key).toString() + QStringLiteral(", ") + QString::fromLatin1(value) : QString::fromLatin1(value);
	}
	report({{QStringLiteral("event"), QStringLiteral("request")}, {QStringLiteral("origin"), pConnection->getOrigin()},
			{QStringLiteral("method"), QString::fromLatin1(pRequest.mMethod)}, {QStringLiteral("path"), pRequest.mUrl.path()},
			{QStringLiteral("query"), pRequest.mUrl.query()}, {QStringLiteral("headers"), headers}});

	const QString path = pRequest.mUrl.path();
	// Behind stunnel the PAOS messages arrive on the plain listener.
	if (pConnection->getOrigin().startsWith(QLatin1String("eid")) || (pConnection->getOrigin() == QLatin1String("plain") && path == QLatin1String("/paos")))
	{
		handlePaos(pConnection, pRequest);
	}
	else if (path == QLatin1String("/redirect"))
	{
		handleRedirect(pConnection, pRequest);
	}
	else if (pConnection->getOrigin() == QLatin1String("redirect"))
	{
		pConnection->answer(404);
	}
	else if (path == QLatin1String("/tctoken"))
	{
		handleTcToken(pConnection, pRequest);
	}
	else if (path == QLatin1String("/refresh"))
	{
		handleRefresh(pConnection, pRequest);
	}
	else if (path == QLatin1String("/communication-error"))
	{
		pConnection->answer(200, pRequest.mMethod == "HEAD" ? QByteArray() : QByteArrayLiteral("<html><body>Communication error</body></html>"),
				{{"Content-Type", "text/html; charset=utf-8"}});
	}
	else
	{
		pConnection->answer(404);
	}
}


void EidServer::handleTcToken(HttpConnection* pConnection, const HttpConnection::Request& pRequest)
{
	const QUrlQuery query(pRequest.mUrl);
	const auto item = [&query](const char* pName){
				return query.queryItemValue(QLatin1String(pName), QUrl::FullyDecoded);
			};
	if (query.hasQueryItem(QStringLiteral("status")))
	{
		pConnection->answer(item("status").toInt());
		return;
	}
	if (item("body") == QLatin1String("empty"))
	{
		pConnection->answer(200, QByteArray(), {{"Content-Type", "text/xml; charset=utf-8"}});
		return;
	}

	const bool stunnel = item("server") == QLatin1String("stunnel");
	if (stunnel && (!mStunnel || mStunnelKeys.isEmpty()))
	{
		pConnection->answer(500);
		return;
	}
	QByteArray sessionId = randomHex(16);
	const bool usePsk = item("psk") != QLatin1String("0");
	QByteArray psk = usePsk ? randomHex(32) : QByteArray();
	if (stunnel && usePsk)
	{
		const auto [identity, key] = mStunnelKeys.takeFirst();
		sessionId = identity;
		psk = key;
	}
	const QString chainName = query.hasQueryItem(QStringLiteral("chain")) ? item("chain") : QStringLiteral("valid");
	const QJsonObject chain = mPki.value(QLatin1String("chains")).toObject().value(chainName).toObject();
	QByteArrayList certificates;
	const auto names = chain.value(QLatin1String("certificates")).toArray();
	for (const auto& name : names)
	{
		certificates << readFile(mPkiFolder + QLatin1Char('/') + name.toString());
	}
	const QByteArray description = readFile(mPkiFolder + QLatin1Char('/') + chain.value(QLatin1String("description")).toString());

	auto session = QSharedPointer<PaosSession>::create(sessionId, psk, PaosSession::parseOptions(query), certificates, description,
			readFile(mFixtures + QStringLiteral("/terminal.pkcs8")));
	// A wrong identity: the server knows the session under another name than the token gives.
	const QByteArray identity = item("identity") == QLatin1String("wrong") ? sessionId + "00" : sessionId;
	if (usePsk && !stunnel)
	{
		mSessions.insert(identity, session);
	}
	mSessionsById.insert(sessionId, session);

	QString listener = QStringLiteral("eid");
	if (stunnel)
	{
		listener = QStringLiteral("stunnel");
	}
	else if (item("cert") == QLatin1String("outsider"))
	{
		listener = QStringLiteral("eidOutsider");
	}
	else if (item("tls") == QLatin1String("13"))
	{
		listener = QStringLiteral("eidTls13");
	}
	const QString serverAddress = origin(listener) + QStringLiteral("/paos");
	QString refresh = origin(QStringLiteral("provider")) + QStringLiteral("/refresh?session=") + QString::fromLatin1(sessionId);
	if (item("selfauth") == QLatin1String("1"))
	{
		refresh += QStringLiteral("&selfauth=1");
	}
	if (query.hasQueryItem(QStringLiteral("refresh")))
	{
		refresh = item("refresh");
	}
	const QString communicationError = origin(QStringLiteral("provider")) + QStringLiteral("/communication-error?session=") + QString::fromLatin1(sessionId);

	QByteArray token = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<TCTokenType>\n"
					   "  <ServerAddress>" + serverAddress.toUtf8() + "</ServerAddress>\n"
					   "  <SessionIdentifier>" + sessionId + "</SessionIdentifier>\n"
					   "  <RefreshAddress>" + refresh.toHtmlEscaped().toUtf8() + "</RefreshAddress>\n"
					   "  <CommunicationErrorAddress>" + communicationError.toHtmlEscaped().toUtf8() + "</CommunicationErrorAddress>\n"
					   "  <Binding>urn:liberty:paos:2006-08</Binding>\n";
	if (usePsk)
	{
		token += "  <PathSecurity-Protocol>urn:ietf:rfc:4279</PathSecurity-Protocol>\n"
				 "  <PathSecurity-Parameters>\n    <PSK>" + psk + "</PSK>\n  </PathSecurity-Parameters>\n";
	}
	token += "</TCTokenType>\n";

	report({{QStringLiteral("event"), QStringLiteral("tcToken")}, {QStringLiteral("session"), QString::fromLatin1(sessionId)},
			{QStringLiteral("psk"), QString::fromLatin1(psk)}, {QStringLiteral("identity"), QString::fromLatin1(identity)},
			{QStringLiteral("serverAddress"), serverAddress}, {QStringLiteral("refreshAddress"), refresh},
			{QStringLiteral("chain"), chainName}, {QStringLiteral("token"), QString::fromUtf8(token)}});
	pConnection->answer(200, token, {{"Content-Type", "text/xml; charset=utf-8"}});
}


QByteArray EidServer::selfAuthenticationDocument(const PaosSession& pSession) const
{
	static const QStringList names = {QString(), QStringLiteral("DocumentType"), QStringLiteral("IssuingState"),
									  QStringLiteral("DateOfExpiry"), QStringLiteral("GivenNames"), QStringLiteral("FamilyNames")};
	QJsonObject allowed;
	QJsonObject personal;
	const auto& groups = pSession.getDataGroups();
	for (auto it = groups.cbegin(); it != groups.cend(); ++it)
	{
		if (it.key() > 0 && it.key() < names.size())
		{
			allowed[names.at(it.key())] = QStringLiteral("ALLOWED");
			QString value = innermostText(it.value());
			if (it.key() == 3)
			{
				// The card holds YYYYMMDD; the service writes a full date with its zone offset.
				value = QDate::fromString(value, QStringLiteral("yyyyMMdd")).toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral("+02:00");
			}
			personal[names.at(it.key())] = value;
		}
	}
	return QJsonDocument(QJsonObject {{QStringLiteral("OperationsAllowedByUser"), allowed}, {QStringLiteral("PersonalData"), personal}}).toJson();
}


void EidServer::handleRefresh(HttpConnection* pConnection, const HttpConnection::Request& pRequest)
{
	const QUrlQuery query(pRequest.mUrl);
	const auto session = mSessionsById.value(query.queryItemValue(QStringLiteral("session")).toLatin1());
	const bool head = pRequest.mMethod == "HEAD";
	if (session && query.queryItemValue(QStringLiteral("selfauth")) == QLatin1String("1"))
	{
		pConnection->answer(200, head ? QByteArray() : selfAuthenticationDocument(*session), {{"Content-Type", "application/json"}});
		return;
	}
	// A browser that lands here shows what the client appended, for the tests that only see the page.
	QByteArray body = QByteArrayLiteral("<html><body>Authentication done");
	if (const auto shown = pRequest.mUrl.query(QUrl::FullyDecoded); !shown.isEmpty())
	{
		body += "<p id=\"query\">" + shown.toHtmlEscaped().toUtf8() + "</p>";
	}
	body += "</body></html>";
	pConnection->answer(200, head ? QByteArray() : body, {{"Content-Type", "text/html; charset=utf-8"}});
}


void EidServer::handleRedirect(HttpConnection* pConnection, const HttpConnection::Request& pRequest)
{
	const QUrlQuery query(pRequest.mUrl);
	const int code = query.hasQueryItem(QStringLiteral("code")) ? query.queryItemValue(QStringLiteral("code")).toInt() : 302;
	// Without a target the hop points to itself: a loop.
	QByteArray location = (origin(pConnection->getOrigin()) + pRequest.mUrl.toString()).toUtf8();
	if (query.hasQueryItem(QStringLiteral("to")))
	{
		location = query.queryItemValue(QStringLiteral("to"), QUrl::FullyDecoded).toUtf8();
	}
	pConnection->answer(code, QByteArray(), {{"Location", location}});
}


void EidServer::handlePaos(HttpConnection* pConnection, const HttpConnection::Request& pRequest)
{
	if (pRequest.mMethod != "POST" || pRequest.mUrl.path() != QLatin1String("/paos"))
	{
		pConnection->answer(404);
		return;
	}

	QTcpSocket* socket = pConnection->getSocket();
	QSharedPointer<PaosSession> session = mSessions.value(socket->property(cPskProperty).toByteArray());
	if (!session)
	{
		// Without a pre-shared key the first message names the session.
		QByteArray id = socket->property(cSessionProperty).toByteArray();
		const PaosMessage message(pRequest.mBody);
		if (id.isEmpty())
		{
			id = message.value(QStringLiteral("SessionIdentifier")).toUtf8();
		}
		session = mSessionsById.value(id);
		if (!session)
		{
			// A later connection without pre-shared key: the message answers one of ours.
			session = mSessionsByMessageId.value(message.getRelatesTo());
		}
		if (session)
		{
			socket->setProperty(cSessionProperty, session->getSessionId());
		}
	}
	if (!session)
	{
		report({{QStringLiteral("event"), QStringLiteral("paos")}, {QStringLiteral("origin"), pConnection->getOrigin()},
				{QStringLiteral("error"), QStringLiteral("unknown session")}});
		pConnection->answer(400);
		return;
	}

	QJsonObject event {{QStringLiteral("event"), QStringLiteral("paos")}, {QStringLiteral("origin"), pConnection->getOrigin()}};
	const auto reply = session->handle(pRequest.mBody, event);
	report(event);
	if (event.contains(QLatin1String("sentMessageId")))
	{
		mSessionsByMessageId.insert(event.value(QLatin1String("sentMessageId")).toString(), session);
	}

	if (reply.mClose)
	{
		pConnection->close();
		return;
	}
	QList<QPair<QByteArray, QByteArray>> headers;
	if (!reply.mBody.isEmpty())
	{
		headers << qMakePair(QByteArrayLiteral("Content-Type"), QByteArrayLiteral("application/vnd.paos+xml; charset=utf-8"));
	}
	if (session->getOptions().mNoLog)
	{
		headers << qMakePair(QByteArrayLiteral("Pragma"), QByteArrayLiteral("no-log"));
	}
	if (reply.mDelaySeconds > 0)
	{
		QTimer::singleShot(reply.mDelaySeconds * 1000, pConnection, [pConnection, reply, headers]{
					pConnection->answer(reply.mStatus, reply.mBody, headers);
				});
		return;
	}
	pConnection->answer(reply.mStatus, reply.mBody, headers);
}
