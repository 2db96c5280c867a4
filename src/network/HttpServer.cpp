#include "HttpServer.h"

#include "LogCategories.h"

#include <QAbstractSocket>

#include <algorithm>

using namespace tessarovin;

namespace
{

constexpr quint16 cDefaultPort = 24727;

QSharedPointer<HttpRequest> shareRequest(HttpRequest* pRequest)
{
	return QSharedPointer<HttpRequest>(pRequest, &QObject::deleteLater);
}


} // namespace


quint16 HttpServer::cPort = cDefaultPort;
QList<QHostAddress> HttpServer::cAddresses = {QHostAddress(QHostAddress::LocalHost), QHostAddress(QHostAddress::LocalHostIPv6)};


HttpServer::HttpServer(quint16 pPort, const QList<QHostAddress>& pAddresses)
	: QObject()
	, mServer()
	, mPortFile(QString(), cDefaultPort)
{
	bindAddresses(pPort, pAddresses);
}


HttpServer::~HttpServer()
{
	shutdown();
}


QString HttpServer::getDefaultAddresses()
{
	QStringList addresses;
	for (const auto& address : std::as_const(cAddresses))
	{
		addresses << address.toString();
	}
	return addresses.join(QLatin1Char(','));
}


void HttpServer::bindAddresses(quint16 pPort, const QList<QHostAddress>& pAddresses)
{
	if (pAddresses.isEmpty())
	{
		qCCritical(network) << "Cannot start server without addresses";
		return;
	}

	quint16 port = pPort;
	for (const auto& address : pAddresses)
	{
		auto* server = new QTcpServer(this);
		connect(server, &QTcpServer::newConnection, this, &HttpServer::onNewConnection);

		if (server->listen(address, port))
		{
			qCDebug(network) << "Listening on port:" << server->serverPort() << address;
			mServer << server;
			if (mServer.size() == 1)
			{
				// With port 0 every further address takes the port the system chose for the first.
				port = server->serverPort();
				mPortFile.handlePort(port);
			}
			continue;
		}

		qCDebug(network) << "Cannot start server:" << server->errorString() << address << port;
		if (server->serverError() == QAbstractSocket::AddressInUseError)
		{
			qCDebug(network) << "Abort init of http server because of fatal error...";
			shutdown();
			// Written for the first address: it would announce a port on which nobody listens.
			mPortFile.remove();
			delete server;
			return;
		}

		// An address the machine lacks, such as ::1 without IPv6, is skipped.
		delete server;
	}

	if (isListening())
	{
		cPort = getServerPort();
	}
}


bool HttpServer::isListening() const
{
	for (const auto* server : std::as_const(mServer))
	{
		if (server->isListening())
		{
			return true;
		}
	}
	return false;
}


quint16 HttpServer::getServerPort() const
{
	return mServer.isEmpty() ? 0 : mServer.constFirst()->serverPort();
}


QStringList HttpServer::getAddresses() const
{
	QStringList addresses;
	for (const auto* server : std::as_const(mServer))
	{
		addresses << server->serverAddress().toString() + QLatin1Char(':') + QString::number(server->serverPort());
	}
	return addresses;
}


void HttpServer::rebind(quint16 pPort, const QList<QHostAddress>& pAddresses)
{
	qCDebug(network) << "Rebind HttpServer:" << pPort << pAddresses;
	mPortFile.remove();
	mServer.clear();
	bindAddresses(pPort, pAddresses);
	Q_EMIT fireRebound();
}


void HttpServer::shutdown()
{
	if (!isListening())
	{
		return;
	}

	qCDebug(network) << "Shutdown server";
	for (auto* server : std::as_const(mServer))
	{
		server->close();
	}
	mServer.clear();
}


bool HttpServer::isHostAccepted(const QByteArray& pHost) const
{
	// Bound beyond loopback, any name of the machine is a right name.
	for (const auto* server : std::as_const(mServer))
	{
		if (!server->serverAddress().isLoopback())
		{
			return true;
		}
	}

	// HTTP/1.0 tools send no Host; a browser always does.
	const QByteArray host = pHost.trimmed();
	if (host.isEmpty())
	{
		return true;
	}

	QByteArray name = host;
	QByteArray port;
	const bool bracketed = host.startsWith('[');
	if (bracketed)
	{
		const auto end = host.indexOf(']');
		if (end < 0)
		{
			return false;
		}
		name = host.mid(1, end - 1);
		port = host.mid(end + 1);
	}
	else if (const auto colon = host.indexOf(':'); colon >= 0)
	{
		name = host.left(colon);
		port = host.mid(colon);
	}

	if (!port.isEmpty())
	{
		const auto digits = port.mid(1);
		if (!port.startsWith(':') || digits.size() > 5 || !std::all_of(digits.cbegin(), digits.cend(), [](char pChar){
					return pChar >= '0' && pChar <= '9';
				}))
		{
			return false;
		}
	}

	if (!bracketed && name.compare(QByteArrayLiteral("localhost"), Qt::CaseInsensitive) == 0)
	{
		return true;
	}

	QHostAddress address;
	if (!address.setAddress(QString::fromLatin1(name)) || bracketed != (address.protocol() == QAbstractSocket::IPv6Protocol))
	{
		return false;
	}

	if (address.isEqual(QHostAddress(QHostAddress::LocalHost)) || address.isEqual(QHostAddress(QHostAddress::LocalHostIPv6)))
	{
		return true;
	}

	for (const auto* server : std::as_const(mServer))
	{
		if (address.isEqual(server->serverAddress()))
		{
			return true;
		}
	}
	return false;
}


bool HttpServer::checkReceiver(const QMetaMethod& pSignal, HttpRequest* pRequest)
{
	if (isSignalConnected(pSignal))
	{
		return true;
	}

	qCDebug(network) << "No registration found:" << pSignal.name();
	pRequest->sendStatus(HTTP_STATUS_SERVICE_UNAVAILABLE);
	pRequest->deleteLater();
	return false;
}


void HttpServer::onNewConnection()
{
	for (auto* server : std::as_const(mServer))
	{
		while (server->hasPendingConnections())
		{
			auto* socket = server->nextPendingConnection();
			auto* request = new HttpRequest(socket, this);
			connect(request, &HttpRequest::fireMessageComplete, this, &HttpServer::onMessageComplete);

			// Nobody but the server holds an incomplete request: one whose peer left goes now, not
			// when the server does.
			connect(request, &HttpRequest::fireSocketStateChanged, this, [request](QAbstractSocket::SocketState pState){
					if (pState == QAbstractSocket::UnconnectedState)
					{
						qCDebug(network) << "Connection closed before the request completed";
						request->deleteLater();
					}
				});

			request->triggerSocketBuffer();
		}
	}
}


void HttpServer::onMessageComplete(HttpRequest* pRequest)
{
	pRequest->setParent(nullptr);
	pRequest->disconnect(this);

	// A page of a name that resolves to 127.0.0.1 (DNS rebinding) would count as same-origin.
	if (const auto host = pRequest->getHeader(QByteArrayLiteral("host")); !isHostAccepted(host))
	{
		qCWarning(network) << "Request for another host refused:" << host;
		pRequest->sendStatus(HTTP_STATUS_MISDIRECTED_REQUEST);
		pRequest->deleteLater();
		return;
	}

	if (pRequest->isUpgrade())
	{
		if (pRequest->getHeader(QByteArrayLiteral("upgrade")).toLower() != QByteArrayLiteral("websocket"))
		{
			qCWarning(network) << "Unknown upgrade requested";
			pRequest->sendStatus(HTTP_STATUS_NOT_FOUND);
			pRequest->deleteLater();
			return;
		}

		qCDebug(network) << "Upgrade to websocket requested";
		if (checkReceiver(QMetaMethod::fromSignal(&HttpServer::fireNewWebSocketRequest), pRequest))
		{
			Q_EMIT fireNewWebSocketRequest(shareRequest(pRequest));
		}
		return;
	}

	if (checkReceiver(QMetaMethod::fromSignal(&HttpServer::fireNewHttpRequest), pRequest))
	{
		Q_EMIT fireNewHttpRequest(shareRequest(pRequest));
	}
}
