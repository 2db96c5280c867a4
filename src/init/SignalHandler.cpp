#include "SignalHandler.h"

#include "BuildHelper.h"
#include "LogCategories.h"

#include <QCoreApplication>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstddef>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace tessarovin;

namespace
{

// Both ends stay open until the process ends: a signal that arrives during teardown, after the
// handler object is gone, lands in the pipe unread instead of killing an orderly exit.
std::array<int, 2> gSignalPipe = {-1, -1};


extern "C" void onTerminationSignal(int pSignal)
{
	// Only async-signal-safe calls here: no Qt, no logging.
	const int savedErrno = errno;
	const auto number = static_cast<unsigned char>(pSignal);
	[[maybe_unused]] const auto written = ::write(gSignalPipe[1], &number, sizeof(number));
	errno = savedErrno;
}


bool installSignalPipe()
{
	static std::once_flag once;
	static bool installed = false;
	std::call_once(once, [] {
			if (::pipe2(gSignalPipe.data(), O_NONBLOCK | O_CLOEXEC) != 0)
			{
				qCCritical(system) << "Cannot create signal pipe:" << std::strerror(errno);
				return;
			}

			struct sigaction action = {};
			action.sa_handler = onTerminationSignal;
			sigemptyset(&action.sa_mask);
			action.sa_flags = SA_RESTART;
			// SIGHUP and SIGQUIT keep their default handling.
			for (const int signal : {SIGINT, SIGTERM})
			{
				if (::sigaction(signal, &action, nullptr) != 0)
				{
					qCCritical(system) << "Cannot install signal handler:" << signal << std::strerror(errno);
				}
			}
			installed = true;
		});
	return installed;
}


class FileDescriptor
{
	private:
		const int mFd;

	public:
		explicit FileDescriptor(int pFd)
			: mFd(pFd)
		{
		}


		~FileDescriptor()
		{
			// The caller reports the error of the call before, not of the close.
			const int savedErrno = errno;
			if (mFd >= 0)
			{
				::close(mFd);
			}
			errno = savedErrno;
		}


		FileDescriptor(const FileDescriptor&) = delete;
		FileDescriptor& operator=(const FileDescriptor&) = delete;

		[[nodiscard]] int get() const
		{
			return mFd;
		}


};


} // namespace


SignalHandler::SignalHandler()
	: QObject()
	, mInitialized(false)
	, mQuitCallback()
	, mNotifySocket()
	, mSignalNotifier()
{
}


SignalHandler::~SignalHandler()
{
	delete mSignalNotifier.data();
	setServiceStatus(SERVICE_STOPPED);
}


QString SignalHandler::toString(quint32 pState)
{
	switch (pState)
	{
		case SERVICE_STOPPED:
			return QStringLiteral("SERVICE_STOPPED");

		case SERVICE_START_PENDING:
			return QStringLiteral("SERVICE_START_PENDING");

		case SERVICE_STOP_PENDING:
			return QStringLiteral("SERVICE_STOP_PENDING");

		case SERVICE_RUNNING:
			return QStringLiteral("SERVICE_RUNNING");

		case SERVICE_CONTINUE_PENDING:
			return QStringLiteral("SERVICE_CONTINUE_PENDING");

		case SERVICE_PAUSE_PENDING:
			return QStringLiteral("SERVICE_PAUSE_PENDING");

		case SERVICE_PAUSED:
			return QStringLiteral("SERVICE_PAUSED");

		default:
			return QStringLiteral("UNKNOWN");
	}
}


void SignalHandler::init()
{
	if (mInitialized)
	{
		return;
	}

	if (installSignalPipe())
	{
		// Created here, on the thread that runs the event loop: the pipe is read only there.
		mSignalNotifier = new QSocketNotifier(gSignalPipe[0], QSocketNotifier::Read, this);
		connect(mSignalNotifier.data(), &QSocketNotifier::activated, this, &SignalHandler::onSignalReceived);
	}

	if (!BuildHelper::isUserInteractive())
	{
		registerService();
	}

	mInitialized = true;
}


void SignalHandler::setQuitCallback(const std::function<void()>& pQuitCallback)
{
	mQuitCallback = pQuitCallback;
}


void SignalHandler::quit()
{
	setServiceStatus(SERVICE_STOP_PENDING);

	if (mQuitCallback)
	{
		mQuitCallback();
		return;
	}

	QCoreApplication::exit(0);
}


void SignalHandler::onSignalReceived()
{
	unsigned char number = 0;
	while (::read(gSignalPipe[0], &number, sizeof(number)) == sizeof(number))
	{
		qCWarning(system) << "Got signal:" << number;
		quit();
	}
}


void SignalHandler::registerService()
{
	const QByteArray address = qgetenv("NOTIFY_SOCKET");
	if (address.isEmpty())
	{
		qCDebug(system) << "No service manager to notify";
		return;
	}

	qCDebug(system) << "Register service notification:" << address;
	if (!address.startsWith('/') && !address.startsWith('@'))
	{
		qCCritical(system) << "Cannot register service notification: unsupported address" << address;
		return;
	}

	mNotifySocket = address;
	setServiceStatus(SERVICE_START_PENDING);

	// Ready once the event loop processes events.
	QMetaObject::invokeMethod(this, [this] {
			setServiceStatus(SERVICE_RUNNING);
		}, Qt::QueuedConnection);
}


void SignalHandler::setServiceStatus(ServiceState pState) const
{
	if (mNotifySocket.isEmpty())
	{
		return;
	}

	qCDebug(system).noquote() << "Set service status:" << toString(pState);

	// The service manager learns the start and the end of the process by itself.
	QByteArray message;
	switch (pState)
	{
		case SERVICE_RUNNING:
			message = QByteArrayLiteral("READY=1");
			break;

		case SERVICE_STOP_PENDING:
			message = QByteArrayLiteral("STOPPING=1");
			break;

		default:
			return;
	}

	if (!notifyServiceManager(mNotifySocket, message))
	{
		qCCritical(system) << "Cannot set service status:" << std::strerror(errno);
	}
}


bool SignalHandler::notifyServiceManager(const QByteArray& pAddress, const QByteArray& pMessage)
{
	sockaddr_un address = {};
	address.sun_family = AF_UNIX;
	const bool abstract = pAddress.startsWith('@');
	// A path needs its terminating zero; an abstract name has none but starts with one.
	if ((!abstract && !pAddress.startsWith('/')) || pAddress.size() < 2 || static_cast<size_t>(pAddress.size()) >= sizeof(address.sun_path))
	{
		errno = EINVAL;
		return false;
	}

	std::memcpy(address.sun_path, pAddress.constData(), static_cast<size_t>(pAddress.size()));
	if (abstract)
	{
		address.sun_path[0] = '\0';
	}
	const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + static_cast<size_t>(pAddress.size()) + (abstract ? 0 : 1));

	const FileDescriptor socket(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0));
	if (socket.get() < 0)
	{
		return false;
	}

	const auto sent = ::sendto(socket.get(), pMessage.constData(), static_cast<size_t>(pMessage.size()), MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&address), length);
	return sent == pMessage.size();
}
