#pragma once

#include "HttpRequest.h"
#include "PortWrapper.h"

#include <QByteArray>
#include <QObject>
#include <QSharedPointer>
#include <QTcpSocket>

namespace tessarovin
{

// Passes one request of the proxy port on to the instance of the client's user: byte for byte
// over a connection of its own, or as a redirect to the instance's port. When no answer reaches
// the client, it gets an error page as this object ends. Main thread only.
class RedirectRequest
	: public QObject
{
	Q_OBJECT

	private:
		QTcpSocket mSocket;
		const QSharedPointer<HttpRequest> mRequest;
		PortWrapper mPorts;
		bool mAnswered;
		// What the client sent while no instance was connected yet.
		QByteArray mPending;

		void redirect();
		void onConnected();
		void onSocketBuffer(const QByteArray& pBuffer);
		void passAnswer();
		void sendRedirect();
		void sendErrorPage();

	public:
		RedirectRequest(const QSharedPointer<HttpRequest>& pRequest, QObject* pParent = nullptr);
		~RedirectRequest() override;

		// The port after the last ":" outside brackets becomes pPort; a host without port gets it.
		[[nodiscard]] static QByteArray replacePort(const QByteArray& pHost, quint16 pPort);
};

} // namespace tessarovin
