#pragma once

#include "HttpConnection.h"
#include "PaosSession.h"

#include <QJsonObject>
#include <QMap>
#include <QObject>
#include <QProcess>
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
// - "stunnel" (only with setStunnel): stunnel4 in front of "plain", TLS 1.2 with eid_server.pem,
//   with certificates or a pre-shared key of its own list. Qt's server never resumes a TLS
//   session across connections; stunnel does, as the eID server must for a TC token without
//   pre-shared key (the PAOS connection resumes the TC token's session) and as it may with one.
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
		QMap<QString, QSharedPointer<PaosSession>> mSessionsByMessageId; // by the server's MessageIDs
		bool mStunnel = false;
		quint16 mStunnelPort = 0;
		QProcess mStunnelProcess;
		QList<QPair<QByteArray, QByteArray>> mStunnelKeys; // unused identity and key text of stunnel's list

		[[nodiscard]] quint16 port(const QString& pName) const;
		[[nodiscard]] QString origin(const QString& pName) const;
		[[nodiscard]] QByteArray readFile(const QString& pPath) const;
		bool listen(const QString& pName, QTcpServer* pServer);
		[[nodiscard]] QSslConfiguration tlsConfiguration(const QString& pCertificate) const;
		QTcpServer* createTlsServer(const QSslConfiguration& pConfiguration);
		bool createPki();
		bool startStunnel();

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
		~EidServer() override;

		void setStunnel(bool pStunnel);

		// Opens the listeners, writes the PKI for the provider's port and reports "ready".
		bool start();

		static void report(const QJsonObject& pObject);
};

} // namespace tessarovin
