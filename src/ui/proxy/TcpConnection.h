#pragma once

#include <QHostAddress>

namespace tessarovin
{

// One row of the kernel's TCP tables (/proc/net/tcp, /proc/net/tcp6), ports in host order.
struct TcpConnection
{
	// The kernel's numbers of the socket states.
	static constexpr int cEstablished = 0x01;
	static constexpr int cListening = 0x0A;

	int mState = 0;
	QHostAddress mLocalAddress;
	quint16 mLocalPort = 0;
	QHostAddress mRemoteAddress;
	quint16 mRemotePort = 0;
	uint mUid = 0;
	quint64 mInode = 0;
};

} // namespace tessarovin
