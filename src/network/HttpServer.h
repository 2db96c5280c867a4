#pragma once

#include "HttpRequest.h"
#include "PortFile.h"

#include <QHostAddress>
#include <QList>
#include <QMetaMethod>
#include <QObject>
#include <QSharedPointer>
#include <QStringList>
#include <QTcpServer>

namespace tessarovin
{

// The local web server: listens on the loopback addresses, parses each connection's request and
// hands complete ones to whoever registered. Answers only to refuse. Lives on the main thread;
// the process shares one instance through Env::getShared.
class HttpServer
	: public QObject
{
	Q_OBJECT

	public:
		// Set before the first instance is created; cPort holds the bound port afterwards.
		static quint16 cPort;
		static QList<QHostAddress> cAddresses;

	private:
		QList<QTcpServer*> mServer;
		PortFile mPortFile;

		void bindAddresses(quint16 pPort, const QList<QHostAddress>& pAddresses);
		bool checkReceiver(const QMetaMethod& pSignal, HttpRequest* pRequest);
		[[nodiscard]] bool isHostAccepted(const QByteArray& pHost) const;

	public:
		explicit HttpServer(quint16 pPort = HttpServer::cPort, const QList<QHostAddress>& pAddresses = HttpServer::cAddresses);
		~HttpServer() override;

		[[nodiscard]] static QString getDefaultAddresses();

		[[nodiscard]] bool isListening() const;
		[[nodiscard]] quint16 getServerPort() const;
		[[nodiscard]] QStringList getAddresses() const;
		void rebind(quint16 pPort, const QList<QHostAddress>& pAddresses);
		void shutdown();

	private Q_SLOTS:
		void onNewConnection();
		void onMessageComplete(HttpRequest* pRequest);

	Q_SIGNALS:
		void fireNewHttpRequest(QSharedPointer<HttpRequest> pRequest);
		void fireNewWebSocketRequest(QSharedPointer<HttpRequest> pRequest);
		void fireRebound();
};

} // namespace tessarovin
