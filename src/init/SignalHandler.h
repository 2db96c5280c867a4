#pragma once

#include "Env.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QSocketNotifier>
#include <QString>

#include <functional>

namespace tessarovin
{

// Turns outside requests to stop the process (SIGINT, SIGTERM) into one orderly shutdown through
// the quit callback, and tells a service manager (systemd's NOTIFY_SOCKET) when the program runs and
// when it stops. The signal handler proper only writes the signal's number to a pipe; everything
// else happens on the main thread, which reads that pipe.
class SignalHandler
	: public QObject
	, public Env::ThreadSafe
{
	Q_OBJECT
	friend class Env;

	public:
		// The states of a service as the log names them.
		enum ServiceState : quint32
		{
			SERVICE_STOPPED = 1,
			SERVICE_START_PENDING = 2,
			SERVICE_STOP_PENDING = 3,
			SERVICE_RUNNING = 4,
			SERVICE_CONTINUE_PENDING = 5,
			SERVICE_PAUSE_PENDING = 6,
			SERVICE_PAUSED = 7
		};

	private:
		bool mInitialized;
		std::function<void()> mQuitCallback;
		// The service manager's notification address; empty when the process runs as no service.
		QByteArray mNotifySocket;
		QPointer<QSocketNotifier> mSignalNotifier;

		SignalHandler();
		~SignalHandler() override;

		void registerService();
		void setServiceStatus(ServiceState pState) const;

	private Q_SLOTS:
		void onSignalReceived();

	public:
		[[nodiscard]] static QString toString(quint32 pState);
		// Sends one datagram to a notification socket: a path, or an abstract name when it starts
		// with "@".
		static bool notifyServiceManager(const QByteArray& pAddress, const QByteArray& pMessage);

		void init();
		void setQuitCallback(const std::function<void()>& pQuitCallback);

	public Q_SLOTS:
		void quit();
};

} // namespace tessarovin
