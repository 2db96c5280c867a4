#include "RedirectBroadcast.h"

#include "LogCategories.h"

#include <QHostAddress>

using namespace tessarovin;


RedirectBroadcast::RedirectBroadcast(const QNetworkDatagram& pDatagram, QUdpSocket& pSocket, QObject* pParent)
	: QObject(pParent)
	, mPorts(pSocket.localPort())
{
	if (pDatagram.senderAddress().isLoopback() && mPorts.contains(static_cast<quint16>(pDatagram.senderPort())))
	{
		qCDebug(rproxy) << "Copy of another proxy not passed on, from port:" << pDatagram.senderPort();
	}
	else if (!mPorts.isEmpty())
	{
		redirect(pDatagram, pSocket);
	}
	deleteLater();
}


void RedirectBroadcast::redirect(const QNetworkDatagram& pDatagram, QUdpSocket& pSocket)
{
	const auto payload = pDatagram.data();
	while (!mPorts.isEmpty())
	{
		const auto port = mPorts.fetchPort();
		if (pSocket.writeDatagram(payload, QHostAddress(QHostAddress::LocalHost), port) != payload.size())
		{
			qCDebug(rproxy) << "Cannot redirect to port:" << port;
			continue;
		}
		pSocket.flush();
	}
}
