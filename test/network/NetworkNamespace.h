#pragma once

#include <QString>
#include <QStringList>

namespace tessarovin
{

// A network namespace of the test's own ("ip netns"), so that datagrams to broadcast addresses
// and multicast groups never reach the host's networks. The calling thread may enter it: sockets
// and interface lists made by that thread then belong to the namespace. Removed with its owner.
class NetworkNamespace
{
	private:
		const QString mName;
		bool mCreated;
		int mHostNamespace;
		QString mError;

	public:
		// The name gets the process id, so that parallel runs do not meet.
		explicit NetworkNamespace(const QString& pName);
		~NetworkNamespace();
		NetworkNamespace(const NetworkNamespace&) = delete;
		NetworkNamespace& operator=(const NetworkNamespace&) = delete;

		// False where namespaces are unavailable (no iproute2, no privileges); see error().
		bool create();
		[[nodiscard]] const QString& name() const;
		[[nodiscard]] const QString& error() const;

		// "ip -n <name> …", and a command run inside by "ip netns exec".
		bool ip(const QStringList& pArguments);
		bool exec(const QStringList& pCommand);

		bool enter();
		void leave();
};

} // namespace tessarovin
