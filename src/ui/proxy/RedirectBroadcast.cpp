#include "RedirectBroadcast.h"

#include "LogCategories.h"

#include <QHostAddress>
#include <QNetworkProxy>
#include <QUdpSocket>

using namespace tessarovin;


RedirectBroadcast::RedirectBroadcast(const QNetworkDatagram& pDatagram, quint16 pLocalPort, QObject* pParent)
	: QObject(pParent)
	, mPorts(pLocalPort)
{
	if (!mPorts.isEmpty())
	{
		redirect(pDatagram);
	}
	deleteLater();
}


void RedirectBroadcast::redirect(const QNetworkDatagram& pDatagram)
{
	QUdpSocket socket;
	socket.setProxy(QNetworkProxy::NoProxy);

	const auto payload = pDatagram.data();
	while (!mPorts.isEmpty())
	{
		const auto port = mPorts.fetchPort();
		if (socket.writeDatagram(payload, QHostAddress(QHostAddress::LocalHost), port) != payload.size())
		{
			qCDebug(rproxy) << "Cannot redirect to port:" << port;
			continue;
		}
		socket.flush();
	}
}
