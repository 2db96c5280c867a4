#include "PortWrapper.h"

#include "LogCategories.h"
#include "ProcFileSystem.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSet>

#include <cstring>

using namespace tessarovin;

namespace
{

const QString cDeletedSuffix = QStringLiteral(" (deleted)");

// The kernel keeps at most 15 bytes of a process name in "comm".
constexpr qsizetype cCommLength = 15;


// The kernel prints each 32-bit word of an address as the hexadecimal number that the word's
// bytes, in network order, make in host order: 127.0.0.1 is "0100007F" here.
std::optional<QHostAddress> parseAddress(const QByteArray& pHex)
{
	if (pHex.size() != 8 && pHex.size() != 32)
	{
		return std::nullopt;
	}

	quint8 bytes[16] = {};
	for (qsizetype word = 0; word < pHex.size() / 8; ++word)
	{
		bool ok = false;
		const quint32 value = pHex.mid(word * 8, 8).toUInt(&ok, 16);
		if (!ok)
		{
			return std::nullopt;
		}
		std::memcpy(bytes + word * 4, &value, sizeof(value));
	}

	if (pHex.size() == 8)
	{
		return QHostAddress(static_cast<quint32>(bytes[0]) << 24 | static_cast<quint32>(bytes[1]) << 16 | static_cast<quint32>(bytes[2]) << 8 | bytes[3]);
	}
	return QHostAddress(bytes);
}


// "ADDRESS:PORT", the port in hexadecimal and host order.
bool parseEndpoint(const QByteArray& pText, QHostAddress& pAddress, quint16& pPort)
{
	const auto colon = pText.indexOf(':');
	if (colon < 0)
	{
		return false;
	}

	const auto address = parseAddress(pText.left(colon));
	bool ok = false;
	const auto port = pText.mid(colon + 1).toUShort(&ok, 16);
	if (!address || !ok)
	{
		return false;
	}

	pAddress = *address;
	pPort = port;
	return true;
}


QString withoutDeletedSuffix(const QString& pPath)
{
	// An upgrade replaces the file under a running instance.
	return pPath.endsWith(cDeletedSuffix) ? pPath.chopped(cDeletedSuffix.size()) : pPath;
}


QString getOwnExecutable()
{
	const auto link = ProcFileSystem::getInstance().readLink(QStringLiteral("/proc/self/exe")).value_or(QString());
	const auto path = link.isEmpty() ? QCoreApplication::applicationFilePath() : withoutDeletedSuffix(link);
	return QFileInfo(path).fileName();
}


} // namespace


PortWrapper::PortWrapper(const QList<quint16>& pPorts)
	: mPorts(pPorts)
{
	qCDebug(rproxy) << "Found instances on Ports:" << mPorts;
}


PortWrapper::PortWrapper(quint16 pOwnPort, quint16 pPeerPort)
	: PortWrapper(findPorts(pOwnPort, pPeerPort))
{
}


bool PortWrapper::isEmpty() const
{
	return mPorts.isEmpty();
}


quint16 PortWrapper::fetchPort()
{
	return mPorts.isEmpty() ? 0 : mPorts.takeFirst();
}


QList<quint16> PortWrapper::findPorts(quint16 pOwnPort, quint16 pPeerPort)
{
	QList<quint16> ports;
	if (pPeerPort != 0)
	{
		if (const auto port = getProcessPort(pOwnPort, pPeerPort); port != 0)
		{
			ports << port;
		}
		return ports;
	}

	const auto connections = getConnections();
	for (const auto& connection : connections)
	{
		if (const auto port = getPortOfRunningProcess(connection, std::nullopt, pOwnPort); port != 0)
		{
			ports << port;
		}
	}
	return ports;
}


std::optional<TcpConnection> PortWrapper::parseConnection(const QByteArray& pLine)
{
	// "sl local_address rem_address st tx_queue:rx_queue tr:tm->when retrnsmt uid timeout inode ..."
	const auto fields = pLine.simplified().split(' ');
	if (fields.size() < 10 || !fields.at(0).endsWith(':'))
	{
		return std::nullopt;
	}

	TcpConnection connection;
	bool stateOk = false;
	bool uidOk = false;
	bool inodeOk = false;
	connection.mState = fields.at(3).toInt(&stateOk, 16);
	connection.mUid = fields.at(7).toUInt(&uidOk);
	connection.mInode = fields.at(9).toULongLong(&inodeOk);
	if (!stateOk || !uidOk || !inodeOk
			|| !parseEndpoint(fields.at(1), connection.mLocalAddress, connection.mLocalPort)
			|| !parseEndpoint(fields.at(2), connection.mRemoteAddress, connection.mRemotePort))
	{
		return std::nullopt;
	}
	return connection;
}


QList<TcpConnection> PortWrapper::parseTable(const QByteArray& pTable)
{
	QList<TcpConnection> connections;
	const auto lines = pTable.split('\n');
	for (const auto& line : lines)
	{
		if (const auto connection = parseConnection(line))
		{
			connections << *connection;
		}
	}
	return connections;
}


QList<TcpConnection> PortWrapper::getConnections()
{
	const auto& fileSystem = ProcFileSystem::getInstance();

	const auto ipv4 = fileSystem.readFile(QStringLiteral("/proc/net/tcp"));
	if (ipv4.isNull())
	{
		qCWarning(rproxy) << "Cannot get IP table:" << "/proc/net/tcp";
	}

	// Missing on a kernel without IPv6; then no client can come over ::1 either.
	const auto ipv6 = fileSystem.readFile(QStringLiteral("/proc/net/tcp6"));
	if (ipv6.isNull())
	{
		qCDebug(rproxy) << "Cannot get IP table:" << "/proc/net/tcp6";
	}

	return parseTable(ipv4) + parseTable(ipv6);
}


QString PortWrapper::describeUser(uint pUid)
{
	const auto name = ProcFileSystem::getInstance().getUserName(pUid);
	return name.isNull() ? QStringLiteral("uid %1").arg(pUid) : QStringLiteral("%1 (uid %2)").arg(name).arg(pUid);
}


bool PortWrapper::isLoopback(const QHostAddress& pAddress)
{
	static const QHostAddress mapped(QStringLiteral("::ffff:127.0.0.1"));
	return pAddress == QHostAddress(QHostAddress::LocalHost)
		   || pAddress == QHostAddress(QHostAddress::LocalHostIPv6)
		   || pAddress == mapped;
}


quint16 PortWrapper::getProcessPort(quint16 pOwnPort, quint16 pPeerPort)
{
	const auto connections = getConnections();
	const auto user = getUserOfConnection(connections, pOwnPort, pPeerPort);
	if (!user)
	{
		qCWarning(rproxy) << "Cannot detect user of connection";
		return 0;
	}

	qCDebug(rproxy).noquote() << "Detected user of request:" << describeUser(*user);
	for (const auto& connection : connections)
	{
		if (const auto port = getPortOfRunningProcess(connection, user, pOwnPort); port != 0)
		{
			return port;
		}
	}
	return 0;
}


std::optional<uint> PortWrapper::getUserOfConnection(const QList<TcpConnection>& pConnections, quint16 pOwnPort, quint16 pPeerPort)
{
	QList<uint> users;
	for (const auto& connection : pConnections)
	{
		if (connection.mState == TcpConnection::cEstablished
				&& isLoopback(connection.mLocalAddress) && isLoopback(connection.mRemoteAddress)
				&& connection.mLocalPort == pPeerPort && connection.mRemotePort == pOwnPort
				&& !users.contains(connection.mUid))
		{
			users << connection.mUid;
		}
	}

	// The same ports over 127.0.0.1 and over ::1 are two connections: with two users behind them
	// the request cannot be told apart, and guessing would hand it to the wrong user.
	if (users.size() > 1)
	{
		qCWarning(rproxy) << "Connection is claimed by several users:" << users;
		return std::nullopt;
	}

	if (users.isEmpty())
	{
		return std::nullopt;
	}
	return users.constFirst();
}


quint16 PortWrapper::getPortOfRunningProcess(const TcpConnection& pConnection, std::optional<uint> pUser, quint16 pOwnPort)
{
	// The cheap tests first: every further step scans /proc.
	if (pConnection.mState != TcpConnection::cListening
			|| pConnection.mLocalAddress != QHostAddress(QHostAddress::LocalHost)
			|| (pUser && pConnection.mUid != *pUser)
			|| pConnection.mLocalPort == pOwnPort)
	{
		return 0;
	}

	const auto processId = getProcessIdOfSocket(pConnection.mInode, pConnection.mUid);
	if (!processId || !isOwnExecutable(getExecutableOfProcessID(*processId)))
	{
		return 0;
	}
	return pConnection.mLocalPort;
}


bool PortWrapper::mayBelongTo(qint64 pProcessId, uint pUid)
{
	// "Uid:" lists the real, effective, saved and file-system user ids; a socket carries the
	// file-system id of its creator. Without the line nothing can be ruled out.
	const auto status = ProcFileSystem::getInstance().readFile(QStringLiteral("/proc/%1/status").arg(pProcessId));
	const auto lines = status.split('\n');
	for (const auto& line : lines)
	{
		if (line.startsWith("Uid:"))
		{
			const auto ids = line.mid(4).simplified().split(' ');
			return ids.contains(QByteArray::number(pUid));
		}
	}
	return true;
}


std::optional<qint64> PortWrapper::getProcessIdOfSocket(quint64 pInode, uint pUid)
{
	auto& fileSystem = ProcFileSystem::getInstance();
	const auto target = QStringLiteral("socket:[%1]").arg(pInode);

	bool denied = false;
	const auto processes = fileSystem.listFolder(QStringLiteral("/proc")).value_or(QStringList());
	for (const auto& process : processes)
	{
		bool numeric = false;
		const qint64 processId = process.toLongLong(&numeric);
		if (!numeric)
		{
			continue;
		}

		const auto folder = QStringLiteral("/proc/%1/fd").arg(processId);
		const auto descriptors = fileSystem.listFolder(folder);
		// A process of another user cannot hold the socket: that it stays closed says nothing.
		if (!descriptors)
		{
			denied = denied || mayBelongTo(processId, pUid);
			continue;
		}

		for (const auto& descriptor : *descriptors)
		{
			// Root without the capability may list the folder but read none of its links.
			const auto link = fileSystem.readLink(folder + QLatin1Char('/') + descriptor);
			if (!link)
			{
				denied = denied || mayBelongTo(processId, pUid);
				break;
			}
			if (*link == target)
			{
				return processId;
			}
		}
	}

	if (denied && fileSystem.reportAccessDenied())
	{
		qCWarning(rproxy) << "Cannot read the open files of other users' processes: their instances stay unreachable."
						  << "The reverse proxy needs CAP_SYS_PTRACE, which its system service grants.";
	}
	return std::nullopt;
}


QString PortWrapper::getExecutableOfProcessID(qint64 pProcessId)
{
	const auto& fileSystem = ProcFileSystem::getInstance();
	const auto link = fileSystem.readLink(QStringLiteral("/proc/%1/exe").arg(pProcessId)).value_or(QString());
	if (!link.isEmpty())
	{
		return QFileInfo(withoutDeletedSuffix(link)).fileName();
	}

	const auto name = fileSystem.readFile(QStringLiteral("/proc/%1/comm").arg(pProcessId)).trimmed();
	return name.isEmpty() ? QString() : QString::fromLocal8Bit(name);
}


bool PortWrapper::isOwnExecutable(const QString& pExecutable)
{
	if (pExecutable.isEmpty())
	{
		return false;
	}

	// The whole name: "rawell" is not "Kendrawell". A name from "comm" is cut short by the kernel.
	const auto own = getOwnExecutable();
	return pExecutable == own || (pExecutable.size() == cCommLength && own.startsWith(pExecutable));
}
