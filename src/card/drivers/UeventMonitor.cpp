#include "UeventMonitor.h"

#include "LogCategories.h"

#include <QList>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <linux/netlink.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace tessarovin;

namespace
{

// The group the kernel sends its uevents to; group 2 carries udev's own, differently framed copies.
constexpr unsigned int cKernelUeventGroup = 1;

// Larger than the kernel's uevent buffer, so that no message is cut.
constexpr int cReceiveBufferSize = 16 * 1024;

} // namespace


UeventMonitor::UeventMonitor()
	: UeventMonitor(openKernelSocket())
{
}


UeventMonitor::UeventMonitor(int pSocket)
	: QObject()
	, mSocket(pSocket)
	, mNotifier(nullptr)
{
	listen();
}


UeventMonitor::~UeventMonitor()
{
	delete mNotifier;
	if (mSocket >= 0)
	{
		::close(mSocket);
	}
}


int UeventMonitor::openKernelSocket()
{
	const int fd = ::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_KOBJECT_UEVENT);
	if (fd < 0)
	{
		qCWarning(card_drivers) << "Cannot open uevent socket, no device changes are reported:" << std::strerror(errno);
		return -1;
	}

	sockaddr_nl address {};
	address.nl_family = AF_NETLINK;
	address.nl_groups = cKernelUeventGroup;
	if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0)
	{
		qCWarning(card_drivers) << "Cannot bind uevent socket, no device changes are reported:" << std::strerror(errno);
		::close(fd);
		return -1;
	}

	return fd;
}


void UeventMonitor::listen()
{
	if (mSocket < 0)
	{
		return;
	}

	mNotifier = new QSocketNotifier(mSocket, QSocketNotifier::Read);
	connect(mNotifier, &QSocketNotifier::activated, this, &UeventMonitor::onReadyRead);
}


bool UeventMonitor::isListening() const
{
	return mNotifier != nullptr;
}


void UeventMonitor::onReadyRead()
{
	QByteArray buffer(cReceiveBufferSize, '\0');
	for (;;)
	{
		sockaddr_storage sender {};
		socklen_t senderLength = sizeof(sender);
		const auto received = ::recvfrom(mSocket, buffer.data(), static_cast<size_t>(buffer.size()), MSG_DONTWAIT,
				reinterpret_cast<sockaddr*>(&sender), &senderLength);
		if (received < 0)
		{
			if (errno == EINTR)
			{
				continue;
			}
			if (errno != EAGAIN && errno != EWOULDBLOCK)
			{
				// ENOBUFS after a burst of events: the lost ones are gone, later ones still arrive.
				qCDebug(card_drivers) << "Reading uevent socket failed:" << std::strerror(errno);
			}
			return;
		}

		// On the netlink socket only the kernel (port 0) speaks for the devices.
		if (sender.ss_family == AF_NETLINK && reinterpret_cast<const sockaddr_nl*>(&sender)->nl_pid != 0)
		{
			continue;
		}

		if (isUsbDeviceChange(buffer.left(static_cast<int>(received))))
		{
			qCDebug(card_drivers) << "System information: device changed";
			Q_EMIT fireUsbDeviceChanged();
		}
	}
}


bool UeventMonitor::isUsbDeviceChange(const QByteArray& pMessage)
{
	// A kernel message: "<action>@<devpath>", then "KEY=value" fields, each ended by a NUL.
	const auto fields = pMessage.split('\0');
	if (fields.isEmpty() || !fields.first().contains('@'))
	{
		return false;
	}

	QByteArray action;
	QByteArray subsystem;
	QByteArray devType;
	for (const auto& field : fields)
	{
		if (field.startsWith("ACTION="))
		{
			action = field.mid(7);
		}
		else if (field.startsWith("SUBSYSTEM="))
		{
			subsystem = field.mid(10);
		}
		else if (field.startsWith("DEVTYPE="))
		{
			devType = field.mid(8);
		}
	}

	return (action == "add" || action == "remove") && subsystem == "usb" && devType == "usb_device";
}
