#include "VpcdAdapter.h"

#include <QDeadlineTimer>
#include <QThread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

using namespace tessarovin;

namespace
{

enum Control : char
{
	POWER_OFF = 0,
	POWER_ON = 1,
	RESET = 2,
	GET_ATR = 4
};


// Delayed acknowledgements hold each short answer back by tens of milliseconds; quick
// acknowledgement is not sticky on Linux and is set again after every read.
void setQuickAck(int pSocket)
{
	const int on = 1;
	setsockopt(pSocket, IPPROTO_TCP, TCP_QUICKACK, &on, sizeof(on));
}


int connectToVpcd()
{
	const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
	if (fd < 0)
	{
		return -1;
	}

	sockaddr_in address {};
	address.sin_family = AF_INET;
	address.sin_port = htons(VpcdAdapter::cPort);
	address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
	if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0)
	{
		close(fd);
		return -1;
	}

	const int on = 1;
	setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on));
	setQuickAck(fd);
	return fd;
}


bool readFully(int pSocket, char* pBuffer, size_t pLength)
{
	while (pLength > 0)
	{
		const ssize_t received = recv(pSocket, pBuffer, pLength, 0);
		if (received < 0 && errno == EINTR)
		{
			continue;
		}
		if (received <= 0)
		{
			return false;
		}
		pBuffer += received;
		pLength -= static_cast<size_t>(received);
	}
	setQuickAck(pSocket);
	return true;
}


} // namespace


VpcdAdapter::VpcdAdapter()
	: mCard()
	, mSocket(-1)
	, mThread()
	, mRunning(false)
	, mCommandCount(0)
{
}


VpcdAdapter::~VpcdAdapter()
{
	remove();
}


bool VpcdAdapter::insert(const std::shared_ptr<VirtualCard>& pCard, int pTimeoutMs)
{
	remove();

	// pcscd opens vpcd's port only once it has loaded the driver.
	const QDeadlineTimer deadline(pTimeoutMs);
	int fd = connectToVpcd();
	while (fd < 0 && !deadline.hasExpired())
	{
		QThread::msleep(50);
		fd = connectToVpcd();
	}
	if (fd < 0)
	{
		return false;
	}

	mCard = pCard;
	mSocket = fd;
	mRunning = true;
	mThread = std::thread(&VpcdAdapter::run, this);
	return true;
}


void VpcdAdapter::remove()
{
	if (mSocket >= 0)
	{
		// Wakes the thread in its recv.
		shutdown(mSocket, SHUT_RDWR);
	}
	if (mThread.joinable())
	{
		mThread.join();
	}
	if (mSocket >= 0)
	{
		close(mSocket);
		mSocket = -1;
	}
	mRunning = false;
	mCard.reset();
}


bool VpcdAdapter::isInserted() const
{
	return mRunning;
}


int VpcdAdapter::getCommandCount() const
{
	return mCommandCount;
}


bool VpcdAdapter::receive(QByteArray& pMessage) const
{
	uchar header[2];
	if (!readFully(mSocket, reinterpret_cast<char*>(header), sizeof(header)))
	{
		return false;
	}

	pMessage.resize((header[0] << 8) | header[1]);
	return readFully(mSocket, pMessage.data(), static_cast<size_t>(pMessage.size()));
}


bool VpcdAdapter::send(const QByteArray& pMessage) const
{
	QByteArray frame;
	frame.reserve(pMessage.size() + 2);
	frame += static_cast<char>((pMessage.size() >> 8) & 0xFF);
	frame += static_cast<char>(pMessage.size() & 0xFF);
	frame += pMessage;

	const char* data = frame.constData();
	size_t remaining = static_cast<size_t>(frame.size());
	while (remaining > 0)
	{
		const ssize_t sent = ::send(mSocket, data, remaining, MSG_NOSIGNAL);
		if (sent < 0 && errno == EINTR)
		{
			continue;
		}
		if (sent <= 0)
		{
			return false;
		}
		data += sent;
		remaining -= static_cast<size_t>(sent);
	}
	return true;
}


void VpcdAdapter::run()
{
	QByteArray message;
	while (receive(message))
	{
		if (message.size() == 1)
		{
			switch (message.at(0))
			{
				case POWER_ON:
				case RESET:
					mCard->reset();
					break;

				case GET_ATR:
					if (!send(mCard->getAtr()))
					{
						mRunning = false;
						return;
					}
					break;

				case POWER_OFF:
				default:
					break;
			}
			continue;
		}

		++mCommandCount;
		if (!send(mCard->transmit(message)))
		{
			break;
		}
	}
	mRunning = false;
}
