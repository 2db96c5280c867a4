#pragma once

#include <QByteArray>
#include <QList>

namespace tessarovin
{

// The service manager's end of NOTIFY_SOCKET in the tests: a datagram socket bound to a path or,
// for an address starting with "@", to an abstract name. Collects what arrives.
class NotifySocketReceiver
{
	private:
		QByteArray mAddress;
		int mFd;
		QList<QByteArray> mMessages;

	public:
		explicit NotifySocketReceiver(const QByteArray& pAddress);
		~NotifySocketReceiver();
		NotifySocketReceiver(const NotifySocketReceiver&) = delete;
		NotifySocketReceiver& operator=(const NotifySocketReceiver&) = delete;

		[[nodiscard]] bool isValid() const;
		[[nodiscard]] const QByteArray& getAddress() const;
		// Every datagram received so far, in order; reads what waits without blocking.
		[[nodiscard]] const QList<QByteArray>& getMessages();
};

} // namespace tessarovin
