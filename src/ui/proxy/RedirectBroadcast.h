#pragma once

#include "PortWrapper.h"

#include <QNetworkDatagram>
#include <QObject>
#include <QUdpSocket>

namespace tessarovin
{

// Copies one datagram of the proxy port to the same port number of every other instance, which
// serves its datagrams on its HTTP port. The copies leave from the proxy port itself: a proxy that
// receives one from the port of an instance knows it for a copy of another proxy (which counts as
// an instance, being this program on 127.0.0.1) and drops it, else two proxies would pass their
// copies back and forth for ever. Deletes itself when done. Main thread only.
class RedirectBroadcast
	: public QObject
{
	Q_OBJECT

	private:
		PortWrapper mPorts;

		void redirect(const QNetworkDatagram& pDatagram, QUdpSocket& pSocket);

	public:
		RedirectBroadcast(const QNetworkDatagram& pDatagram, QUdpSocket& pSocket, QObject* pParent = nullptr);
};

} // namespace tessarovin
