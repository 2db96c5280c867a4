#pragma once

#include "PortWrapper.h"

#include <QNetworkDatagram>
#include <QObject>

namespace tessarovin
{

// Copies one datagram of the proxy port to the same port number of every other instance, which
// serves its datagrams on its HTTP port. Deletes itself when done. Main thread only.
class RedirectBroadcast
	: public QObject
{
	Q_OBJECT

	private:
		PortWrapper mPorts;

		void redirect(const QNetworkDatagram& pDatagram);

	public:
		RedirectBroadcast(const QNetworkDatagram& pDatagram, quint16 pLocalPort, QObject* pParent = nullptr);
};

} // namespace tessarovin
