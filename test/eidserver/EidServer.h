#pragma once

#include "HttpConnection.h"
#include "PaosSession.h"

#include <QJsonObject>
#include <QMap>
#include <QObject>
#include <QSharedPointer>
#include <QSslConfiguration>

class QSslPreSharedKeyAuthenticator;
class QSslSocket;
class QTcpServer;

namespace tessarovin
{

// The service provider and eID server of the tests on 127.0.0.1, every port chosen by the system:
// - "provider" (HTTPS, provider.pem): /tctoken, /refresh, /communication-error, /redirect
// - "redirect" (HTTPS, redirect.pem): a second origin for redirect hops
// - "plain" (HTTP): the provider's routes without TLS
// - "eid" (TLS 1.2 RSA-PSK, eid_server.pem), "eidOutsider" (the same with outsider.pem, in no
//   certificate description) and "eidTls13" (TLS 1.3 only): POST /paos
// Everything it sees is written to stdout as one JSON object per line.
class EidServer
	: public QObject
{
	Q_OBJECT

	private:
		struct Listener
		{
			QString mName;
			QTcpServer* mServer = nullptr;
		};

		QString mFixtures;
		QString mPkiFolder;
		QJsonObject mPki;
		QList<Listener> mListeners;
		QMap<QByteArray, QSharedPointer<PaosSession>> mSessions; // by PSK identity
		QMap<QByteArray, QSharedPointer<PaosSession>> mSessionsById; // by SessionIdentifier

		[[nodiscard]] quint16 port(const QString& pName) const;
		[[nodiscard]] QString origin(const QString& pName) const;
		[[nodiscard]] QByteArray readFile(const QString& pPath) const;
		bool listen(const QString& pName, QTcpServer* pServer);
		[[nodiscard]] QSslConfiguration tlsConfiguration(const QString& pCertificate) const;
		QTcpServer* createTlsServer(const QSslConfiguration& pConfiguration);
		bool createPki();

		void handleTcToken(HttpConnection* pConnection, const HttpConnection::Request& pRequest);
		void handleRefresh(HttpConnection* pConnection, const HttpConnection::Request& pRequest);
		void handleRedirect(HttpConnection* pConnection, const HttpConnection::Request& pRequest);
		void handlePaos(HttpConnection* pConnection, const HttpConnection::Request& pRequest);
		[[nodiscard]] QByteArray selfAuthenticationDocument(const PaosSession& pSession) const;

	private Q_SLOTS:
		void onNewConnection();
		void onRequest(tessarovin::HttpConnection* pConnection, const tessarovin::HttpConnection::Request& pRequest);
		void onPreSharedKeyAuthenticationRequired(QSslSocket* pSocket, QSslPreSharedKeyAuthenticator* pAuthenticator);

	public:
		EidServer(const QString& pFixtures, const QString& pPkiFolder);

		// Opens the listeners, writes the PKI for the provider's port and reports "ready".
		bool start();

		static void report(const QJsonObject& pObject);
};

} // namespace tessarovin
