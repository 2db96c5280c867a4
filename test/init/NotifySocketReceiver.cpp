#include "NotifySocketReceiver.h"

#include <QFile>

#include <array>
#include <cstddef>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace tessarovin;


NotifySocketReceiver::NotifySocketReceiver(const QByteArray& pAddress)
	: mAddress(pAddress)
	, mFd(::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0))
	, mMessages()
{
	sockaddr_un address = {};
	address.sun_family = AF_UNIX;
	if (mFd < 0 || pAddress.isEmpty() || static_cast<size_t>(pAddress.size()) >= sizeof(address.sun_path))
	{
		return;
	}

	std::memcpy(address.sun_path, pAddress.constData(), static_cast<size_t>(pAddress.size()));
	const bool abstract = pAddress.startsWith('@');
	if (abstract)
	{
		address.sun_path[0] = '\0';
	}
	else
	{
		QFile::remove(QString::fromUtf8(pAddress));
	}
	const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + static_cast<size_t>(pAddress.size()) + (abstract ? 0 : 1));
	if (::bind(mFd, reinterpret_cast<const sockaddr*>(&address), length) != 0)
	{
		::close(mFd);
		mFd = -1;
	}
}


NotifySocketReceiver::~NotifySocketReceiver()
{
	if (mFd >= 0)
	{
		::close(mFd);
		if (!mAddress.startsWith('@'))
		{
			QFile::remove(QString::fromUtf8(mAddress));
		}
	}
}


bool NotifySocketReceiver::isValid() const
{
	return mFd >= 0;
}


const QByteArray& NotifySocketReceiver::getAddress() const
{
	return mAddress;
}


const QList<QByteArray>& NotifySocketReceiver::getMessages()
{
	std::array<char, 4096> buffer = {};
	while (mFd >= 0)
	{
		const auto received = ::recv(mFd, buffer.data(), buffer.size(), 0);
		if (received < 0)
		{
			break;
		}
		mMessages << QByteArray(buffer.data(), received);
	}
	return mMessages;
}
