#pragma once

#include <QByteArray>
#include <QObject>

class QSocketNotifier;

namespace tessarovin
{

// Listens to the kernel's device events (uevents) and reports each USB device that comes or goes.
// Lives on the thread that creates it; the socket is read there through a QSocketNotifier.
class UeventMonitor
	: public QObject
{
	Q_OBJECT

	private:
		int mSocket;
		QSocketNotifier* mNotifier;

		static int openKernelSocket();
		void listen();

	private Q_SLOTS:
		void onReadyRead();

	public:
		// Joins the kernel's uevent group; without it (some containers) nothing is ever reported.
		UeventMonitor();
		// Takes an open datagram socket whose messages are read as uevents.
		explicit UeventMonitor(int pSocket);
		~UeventMonitor() override;
		Q_DISABLE_COPY_MOVE(UeventMonitor)

		[[nodiscard]] bool isListening() const;

		// True for the kernel's "add" or "remove" of a whole USB device; its interfaces come and
		// go in messages of their own, which would report the one device several times.
		[[nodiscard]] static bool isUsbDeviceChange(const QByteArray& pMessage);

	Q_SIGNALS:
		void fireUsbDeviceChanged();
};

} // namespace tessarovin
