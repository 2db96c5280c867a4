#pragma once

#include "TcpConnection.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace tessarovin
{

// The ports on which other instances of this program listen, taken one by one: either the one of
// the user on the other end of a local connection, or those of all instances. An instance is a
// listening socket on 127.0.0.1 whose process runs this program's executable; everything is read
// from /proc (ProcFileSystem). Seeing another user's processes needs CAP_SYS_PTRACE.
class PortWrapper
{
	private:
		QList<quint16> mPorts;

		static std::optional<TcpConnection> parseConnection(const QByteArray& pLine);
		static QList<TcpConnection> parseTable(const QByteArray& pTable);
		static QString describeUser(uint pUid);
		[[nodiscard]] static bool isLoopback(const QHostAddress& pAddress);
		[[nodiscard]] static bool isOwnExecutable(const QString& pExecutable);
		[[nodiscard]] static bool mayBelongTo(qint64 pProcessId, uint pUid);

	public:
		explicit PortWrapper(const QList<quint16>& pPorts);
		// A peer port of 0 asks for the instances of every user.
		explicit PortWrapper(quint16 pOwnPort, quint16 pPeerPort = 0);

		[[nodiscard]] bool isEmpty() const;
		// Removes and returns the first port; 0 when none is left.
		quint16 fetchPort();

		[[nodiscard]] static QList<quint16> findPorts(quint16 pOwnPort, quint16 pPeerPort);
		// Both tables, IPv4 first; an unreadable table adds no row.
		[[nodiscard]] static QList<TcpConnection> getConnections();
		[[nodiscard]] static quint16 getProcessPort(quint16 pOwnPort, quint16 pPeerPort);
		// The user of the client's end of the connection from the peer port to the own port.
		[[nodiscard]] static std::optional<uint> getUserOfConnection(const QList<TcpConnection>& pConnections, quint16 pOwnPort, quint16 pPeerPort);
		// The row's port when it is an instance of this program (of that user, when one is given)
		// other than the own port; else 0.
		[[nodiscard]] static quint16 getPortOfRunningProcess(const TcpConnection& pConnection, std::optional<uint> pUser, quint16 pOwnPort);
		// The process that holds the socket of that user; nullopt when none can be seen.
		[[nodiscard]] static std::optional<qint64> getProcessIdOfSocket(quint64 pInode, uint pUid);
		// The file name of the process's executable; null when unknown.
		[[nodiscard]] static QString getExecutableOfProcessID(qint64 pProcessId);
};

} // namespace tessarovin
