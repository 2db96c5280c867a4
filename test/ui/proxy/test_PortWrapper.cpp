#include "PortWrapper.h"

#include "LinuxProcFileSystem.h"
#include "LogCapture.h"
#include "ProcFileSystem.h"
#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QMap>
#include <QSet>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtEndian>
#include <QtTest>

#include <cstdio>
#include <memory>
#include <unistd.h>

using namespace tessarovin;

namespace
{

// A /proc made of text: the rows of both TCP tables, processes with their sockets and
// executables, and the account names.
class FixtureProcFileSystem
	: public ProcFileSystem
{
	public:
		struct Process
		{
			// Null: the link cannot be read.
			QString mExecutable;
			QByteArray mComm;
			QList<quint64> mSockets;
			// False: another user's process without CAP_SYS_PTRACE.
			bool mReadable = true;
			// False: the same as seen by root without CAP_SYS_PTRACE, which lists the folder only.
			bool mLinksReadable = true;
		};

		QByteArray mTcp;
		QByteArray mTcp6;
		QMap<qint64, Process> mProcesses;
		QMap<qint64, uint> mProcessUids;
		QMap<uint, QString> mUsers;
		QString mOwnExecutable = QStringLiteral("/usr/bin/Kendrawell");
		mutable int mFolderReads = 0;

		QByteArray readFile(const QString& pPath) const override
		{
			if (pPath == QLatin1String("/proc/net/tcp"))
			{
				return mTcp;
			}
			if (pPath == QLatin1String("/proc/net/tcp6"))
			{
				return mTcp6;
			}
			if (const auto process = processOf(pPath, QStringLiteral("/comm")))
			{
				return process->mComm;
			}
			if (processOf(pPath, QStringLiteral("/status")))
			{
				const auto uid = QByteArray::number(mProcessUids.value(pPath.split(QLatin1Char('/')).at(2).toLongLong()));
				return "Name:\tx\nUmask:\t0022\nState:\tS (sleeping)\nUid:\t" + uid + '\t' + uid + '\t' + uid + '\t' + uid + "\nGid:\t0\t0\t0\t0\n";
			}
			return QByteArray();
		}


		std::optional<QStringList> listFolder(const QString& pPath) const override
		{
			++mFolderReads;
			if (pPath == QLatin1String("/proc"))
			{
				QStringList entries({QStringLiteral("self"), QStringLiteral("net"), QStringLiteral("sys")});
				for (const auto processId : mProcesses.keys())
				{
					entries << QString::number(processId);
				}
				return entries;
			}

			const auto process = processOf(pPath, QStringLiteral("/fd"));
			if (!process)
			{
				return QStringList();
			}
			if (!process->mReadable)
			{
				return std::nullopt;
			}

			// Descriptors 0 to 2 are no sockets; the sockets follow from 3 on.
			QStringList entries({QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2")});
			for (qsizetype i = 0; i < process->mSockets.size(); ++i)
			{
				entries << QString::number(i + 3);
			}
			return entries;
		}


		std::optional<QString> readLink(const QString& pPath) const override
		{
			if (pPath == QLatin1String("/proc/self/exe"))
			{
				return mOwnExecutable;
			}
			if (const auto process = processOf(pPath, QStringLiteral("/exe")))
			{
				return process->mExecutable;
			}

			const auto parts = pPath.split(QLatin1Char('/'));
			if (parts.size() == 5 && parts.at(3) == QLatin1String("fd"))
			{
				const auto process = mProcesses.value(parts.at(2).toLongLong());
				if (!process.mLinksReadable)
				{
					return std::nullopt;
				}
				const auto descriptor = parts.at(4).toInt();
				if (descriptor < 3)
				{
					return QStringLiteral("/dev/pts/0");
				}
				if (descriptor - 3 < process.mSockets.size())
				{
					return QStringLiteral("socket:[%1]").arg(process.mSockets.at(descriptor - 3));
				}
			}
			return QString();
		}


		QString getUserName(uint pUid) const override
		{
			return mUsers.value(pUid);
		}

	private:
		// The process of "/proc/<pid><suffix>".
		std::optional<Process> processOf(const QString& pPath, const QString& pSuffix) const
		{
			if (!pPath.startsWith(QLatin1String("/proc/")) || !pPath.endsWith(pSuffix))
			{
				return std::nullopt;
			}

			bool ok = false;
			const auto processId = pPath.mid(6, pPath.size() - 6 - pSuffix.size()).toLongLong(&ok);
			if (!ok || !mProcesses.contains(processId))
			{
				return std::nullopt;
			}
			return mProcesses.value(processId);
		}


};


const QByteArray cHeader("  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  timeout inode\n");


QByteArray row(int pLine, const char* pLocal, const char* pRemote, const char* pState, uint pUid, quint64 pInode)
{
	return QStringLiteral("%1: %2 %3 %4 00000000:00000000 00:00000000 00000000 %5        0 %6 1 0000000000000000 100 0 0 10 0\n")
		   .arg(pLine, 4).arg(QLatin1String(pLocal), QLatin1String(pRemote), QLatin1String(pState)).arg(pUid, 5).arg(pInode).toLatin1();
}


// Ports of the machine below, in hexadecimal as the tables show them.
constexpr quint16 cProxyPort = 24727;        // 6097
constexpr quint16 cAlicePort = 30000;        // 7530
constexpr quint16 cBobPort = 30001;          // 7531
constexpr quint16 cNamelessPort = 30003;     // 7533
constexpr quint16 cAliceClient = 0xC000;
constexpr quint16 cBobClient = 0xC001;
constexpr quint16 cNamelessClient = 0xC002;
constexpr quint16 cGoneClient = 0xC003;
constexpr quint16 cSharedClient = 0xC004;
constexpr quint16 cAliceOwnClient = 0xC005;
constexpr quint16 cHiddenClient = 0xC006;
constexpr quint16 cUnlinkedClient = 0xC007;

const char* const cIpv6Loopback = "00000000000000000000000001000000";
const char* const cMappedLoopback = "0000000000000000FFFF00000100007F";

QByteArray ipv6(const char* pAddress, const char* pPort)
{
	return QByteArray(pAddress) + ':' + pPort;
}


// The proxy as root, instances of alice (1000), bob (1001, updated under it), a uid without
// account (1002, its executable only in "comm") and a hidden one (1004), beside listeners that are
// no instances, and the clients' connections to the proxy.
std::unique_ptr<FixtureProcFileSystem> createMachine()
{
	auto machine = std::make_unique<FixtureProcFileSystem>();
	machine->mUsers = {{0, QStringLiteral("root")}, {1000, QStringLiteral("alice")}, {1001, QStringLiteral("bob")}, {1003, QStringLiteral("carol")}, {1004, QStringLiteral("dave")}, {1005, QStringLiteral("erin")}};

	machine->mTcp = cHeader
			+ row(0, "0100007F:6097", "00000000:0000", "0A", 0, 5001)        // the proxy
			+ row(1, "00000000:7532", "00000000:0000", "0A", 1000, 4001)     // an instance on all addresses
			+ row(2, "0100007F:1F90", "00000000:0000", "0A", 1000, 3001)     // nginx of alice
			+ row(3, "0100007F:7530", "00000000:0000", "0A", 1000, 1001)     // alice
			+ row(4, "0100007F:7534", "00000000:0000", "0A", 1003, 8001)     // "rawell" of carol
			+ row(5, "0100007F:7531", "00000000:0000", "0A", 1001, 2001)     // bob
			+ row(6, "0100007F:7533", "00000000:0000", "0A", 1002, 6001)     // the nameless uid
			+ row(7, "0100007F:7535", "00000000:0000", "0A", 1004, 7001)     // dave, hidden
			+ row(8, "0100007F:6097", "0100007F:C000", "01", 0, 5002)        // the proxy's end of alice's request
			+ row(9, "0100007F:C000", "0100007F:6097", "01", 1000, 9001)     // alice's client
			+ row(10, "0100007F:C003", "0100007F:6097", "06", 1003, 0)       // carol's client, gone
			+ row(11, "0100007F:C004", "0100007F:6097", "01", 1000, 9002)    // alice, same ports as bob over ::1
			+ row(12, "0100007F:C005", "0100007F:7530", "01", 1000, 9003)    // alice's client of her own instance
			+ row(13, "0100007F:C006", "0100007F:6097", "01", 1004, 9004)    // dave's client
			+ row(14, "0100007F:7537", "00000000:0000", "0A", 1005, 7101)    // erin, links hidden
			+ row(15, "0100007F:C007", "0100007F:6097", "01", 1005, 9005)    // erin's client
			+ "  16: 0100007F:ZZZZ 00000000:0000 0A\n"                      // cut short
			+ "  17: 7F00000:7536 00000000:0000 0A 00000000:00000000 00:00000000 00000000 1000 0 1002 1\n";

	machine->mTcp6 = cHeader
			+ row(0, ipv6(cIpv6Loopback, "6097").constData(), ipv6("00000000000000000000000000000000", "0000").constData(), "0A", 0, 5003)
			+ row(1, ipv6(cIpv6Loopback, "C001").constData(), ipv6(cIpv6Loopback, "6097").constData(), "01", 1001, 9101)
			+ row(2, ipv6(cMappedLoopback, "C002").constData(), ipv6(cMappedLoopback, "6097").constData(), "01", 1002, 9102)
			+ row(3, ipv6(cIpv6Loopback, "C004").constData(), ipv6(cIpv6Loopback, "6097").constData(), "01", 1001, 9103)
			// An instance port over ::1 only is none: instances are IPv4 listeners.
			+ row(4, ipv6(cIpv6Loopback, "7536").constData(), ipv6("00000000000000000000000000000000", "0000").constData(), "0A", 1000, 1003);

	const auto kendrawell = QStringLiteral("/usr/bin/Kendrawell");
	machine->mProcesses = {
		{1, {kendrawell, "Kendrawell\n", {5001, 5002, 5003}, true}},
		{100, {kendrawell, "Kendrawell\n", {1001, 1002, 1003}, true}},
		{110, {QStringLiteral("/usr/bin/curl"), "curl\n", {9001, 9002, 9003}, true}},
		{200, {QStringLiteral("/usr/bin/Kendrawell (deleted)"), "Kendrawell\n", {2001}, true}},
		{210, {QStringLiteral("/usr/bin/python3.11"), "python3\n", {9101, 9103}, true}},
		{300, {QStringLiteral("/usr/sbin/nginx"), "nginx\n", {3001}, true}},
		{400, {kendrawell, "Kendrawell\n", {4001}, true}},
		{500, {QString(), "Kendrawell\n", {6001}, true}},
		{510, {QStringLiteral("/usr/bin/firefox-esr"), "firefox-esr\n", {9102}, true}},
		{600, {QStringLiteral("/opt/rawell"), "rawell\n", {8001}, true}},
		{700, {kendrawell, "Kendrawell\n", {7001}, false}},
		{800, {kendrawell, "Kendrawell\n", {7101}, true, false}},
	};
	machine->mProcessUids = {{1, 0}, {100, 1000}, {110, 1000}, {200, 1001}, {210, 1001}, {300, 1000}, {400, 1000}, {500, 1002}, {510, 1002}, {600, 1003}, {700, 1004}, {800, 1005}};
	return machine;
}




// The real /proc, except that this program counts as the given executable: a Python process of
// another user then stands for an instance.
class OwnExecutableProcFileSystem
	: public LinuxProcFileSystem
{
	private:
		QString mOwnExecutable;

	public:
		explicit OwnExecutableProcFileSystem(const QString& pOwnExecutable)
			: mOwnExecutable(pOwnExecutable)
		{
		}


		std::optional<QString> readLink(const QString& pPath) const override
		{
			if (pPath == QLatin1String("/proc/self/exe"))
			{
				return mOwnExecutable;
			}
			return LinuxProcFileSystem::readLink(pPath);
		}


};


// Another user's process needs CAP_SYS_PTRACE to be seen (bit 19 of the effective set).
bool mayTraceOthers()
{
	QFile status(QStringLiteral("/proc/self/status"));
	if (::geteuid() != 0 || !status.open(QIODevice::ReadOnly))
	{
		return false;
	}

	const auto lines = status.readAll().split('\n');
	for (const auto& line : lines)
	{
		if (line.startsWith("CapEff:"))
		{
			return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> 19) & 1U;
		}
	}
	return false;
}


// A uid without account: it listens on 127.0.0.1, connects to the given port and waits for stdin to end.
const char* const cOtherUserScript = R"(
import socket, sys
server = socket.socket()
server.bind(("127.0.0.1", 0))
server.listen()
client = socket.create_connection(("127.0.0.1", int(sys.argv[1])))
print(server.getsockname()[1], client.getsockname()[1], flush=True)
sys.stdin.read()
)";

constexpr uint cOtherUid = 54321;

// Set for a child of this test that only looks up: "<own executable> <own port> <peer port>".
const char* const cLookupVariable = "KENDRAWELL_PORT_WRAPPER_LOOKUP";


// The child's part: prints the ports found and how often the missing capability was logged.
int runLookup(const QByteArray& pArguments)
{
	const auto arguments = pArguments.split(' ');
	OwnExecutableProcFileSystem fileSystem(QString::fromLocal8Bit(arguments.value(0)));
	ProcFileSystem::install(&fileSystem);

	LogCapture log;
	const auto ports = PortWrapper::findPorts(arguments.value(1).toUShort(), arguments.value(2).toUShort());
	ProcFileSystem::install(nullptr);

	QByteArrayList numbers;
	for (const auto port : ports)
	{
		numbers << QByteArray::number(port);
	}
	const auto output = "ports=" + numbers.join(',') + "\ncapability=" + QByteArray::number(log.count(QStringLiteral("CAP_SYS_PTRACE"))) + '\n';
	fwrite(output.constData(), 1, static_cast<size_t>(output.size()), stdout);
	return 0;
}

} // namespace


class test_PortWrapper
	: public QObject
{
	Q_OBJECT

	std::unique_ptr<FixtureProcFileSystem> mMachine;

	private Q_SLOTS:
		void initTestCase()
		{
			if (QSysInfo::ByteOrder != QSysInfo::LittleEndian)
			{
				QSKIP("The fixture tables are those of a little-endian machine");
			}
		}


		void init()
		{
			mMachine = createMachine();
			ProcFileSystem::install(mMachine.get());
		}


		void cleanup()
		{
			ProcFileSystem::install(nullptr);
			mMachine.reset();
		}


		void connections()
		{
			const auto connections = PortWrapper::getConnections();
			QCOMPARE(connections.size(), 16 + 5);

			const auto& alice = connections.at(3);
			QCOMPARE(alice.mState, TcpConnection::cListening);
			QCOMPARE(alice.mLocalAddress, QHostAddress(QHostAddress::LocalHost));
			QCOMPARE(alice.mLocalPort, cAlicePort);
			QCOMPARE(alice.mRemoteAddress, QHostAddress(QHostAddress::AnyIPv4));
			QCOMPARE(alice.mUid, 1000U);
			QCOMPARE(alice.mInode, 1001ULL);

			const auto& bob = connections.at(16 + 1);
			QCOMPARE(bob.mState, TcpConnection::cEstablished);
			QCOMPARE(bob.mLocalAddress, QHostAddress(QHostAddress::LocalHostIPv6));
			QCOMPARE(bob.mLocalPort, cBobClient);
			QCOMPARE(bob.mRemotePort, cProxyPort);

			QCOMPARE(connections.at(16 + 2).mLocalAddress, QHostAddress(QStringLiteral("::ffff:127.0.0.1")));
		}


		void missingTables()
		{
			mMachine->mTcp = QByteArray();
			mMachine->mTcp6 = QByteArray();
			LogCapture log;
			QVERIFY(PortWrapper::getConnections().isEmpty());
			QVERIFY(log.contains(QStringLiteral("Cannot get IP table: /proc/net/tcp")));
			QCOMPARE(PortWrapper::findPorts(cProxyPort, 0), QList<quint16>());
		}


		void findPorts_data()
		{
			QTest::addColumn<quint16>("ownPort");
			QTest::addColumn<quint16>("peerPort");
			QTest::addColumn<QList<quint16>>("ports");
			QTest::addColumn<QString>("log");

			const QString noUser = QStringLiteral("Cannot detect user of connection");

			QTest::newRow("all instances") << cProxyPort << quint16(0) << QList<quint16>({cAlicePort, cBobPort, cNamelessPort}) << QString();
			QTest::newRow("all but the own port") << cAlicePort << quint16(0) << QList<quint16>({cProxyPort, cBobPort, cNamelessPort}) << QString();
			QTest::newRow("alice over 127.0.0.1") << cProxyPort << cAliceClient << QList<quint16>({cAlicePort}) << QStringLiteral("Detected user of request: alice (uid 1000)");
			QTest::newRow("bob over ::1, updated executable") << cProxyPort << cBobClient << QList<quint16>({cBobPort}) << QStringLiteral("Detected user of request: bob (uid 1001)");
			QTest::newRow("uid without account over ::ffff:127.0.0.1, name from comm") << cProxyPort << cNamelessClient << QList<quint16>({cNamelessPort}) << QStringLiteral("Detected user of request: uid 1002");
			QTest::newRow("client gone") << cProxyPort << cGoneClient << QList<quint16>() << noUser;
			QTest::newRow("no such connection") << cProxyPort << quint16(0xC0FF) << QList<quint16>() << noUser;
			QTest::newRow("two users behind the same ports") << cProxyPort << cSharedClient << QList<quint16>() << QStringLiteral("Connection is claimed by several users: QList(1000, 1001)");
			QTest::newRow("own port of the user excluded") << cAlicePort << cAliceOwnClient << QList<quint16>() << QStringLiteral("Detected user of request: alice (uid 1000)");
			QTest::newRow("instance of the user hidden") << cProxyPort << cHiddenClient << QList<quint16>() << QStringLiteral("needs CAP_SYS_PTRACE");
			QTest::newRow("descriptors of the user hidden") << cProxyPort << cUnlinkedClient << QList<quint16>() << QStringLiteral("needs CAP_SYS_PTRACE");
		}


		void findPorts()
		{
			QFETCH(quint16, ownPort);
			QFETCH(quint16, peerPort);
			QFETCH(QList<quint16>, ports);
			QFETCH(QString, log);

			LogCapture capture;
			PortWrapper wrapper(ownPort, peerPort);
			QVERIFY(capture.contains(QStringLiteral("Found instances on Ports: QList(")));
			if (!log.isEmpty())
			{
				QVERIFY2(capture.contains(log), qPrintable(capture.messages().join(QLatin1Char('\n'))));
			}

			QList<quint16> fetched;
			while (!wrapper.isEmpty())
			{
				fetched << wrapper.fetchPort();
			}
			QCOMPARE(fetched, ports);
			QCOMPARE(wrapper.fetchPort(), quint16(0));
		}


		void executableOfOwnDeletedFile()
		{
			// The proxy itself may run from a replaced file: the instances still count.
			mMachine->mOwnExecutable = QStringLiteral("/usr/bin/Kendrawell (deleted)");
			QCOMPARE(PortWrapper::findPorts(cProxyPort, cAliceClient), QList<quint16>({cAlicePort}));

			mMachine->mOwnExecutable = QStringLiteral("/usr/bin/Kendrawell2");
			QCOMPARE(PortWrapper::findPorts(cProxyPort, 0), QList<quint16>());
		}


		void executableOfProcess_data()
		{
			QTest::addColumn<qint64>("processId");
			QTest::addColumn<QString>("executable");

			QTest::newRow("link") << qint64(100) << QStringLiteral("Kendrawell");
			QTest::newRow("link to a replaced file") << qint64(200) << QStringLiteral("Kendrawell");
			QTest::newRow("comm") << qint64(500) << QStringLiteral("Kendrawell");
			QTest::newRow("no process") << qint64(999) << QString();
		}


		void executableOfProcess()
		{
			QFETCH(qint64, processId);
			QFETCH(QString, executable);
			const auto result = PortWrapper::getExecutableOfProcessID(processId);
			QCOMPARE(result, executable);
			QCOMPARE(result.isNull(), executable.isNull());
		}


		void longNameFromComm()
		{
			// "comm" holds 15 bytes of the name.
			mMachine->mOwnExecutable = QStringLiteral("/opt/test_UiPluginProxy");
			mMachine->mProcesses[500].mComm = "test_UiPluginPr\n";
			QCOMPARE(PortWrapper::findPorts(cProxyPort, cNamelessClient), QList<quint16>({cNamelessPort}));

			mMachine->mProcesses[500].mComm = "test_UiPlugin\n";
			QCOMPARE(PortWrapper::findPorts(cProxyPort, cNamelessClient), QList<quint16>());
		}


		void missingCapabilityLoggedOnce()
		{
			LogCapture log;
			QCOMPARE(PortWrapper::findPorts(cProxyPort, cHiddenClient), QList<quint16>());
			QCOMPARE(PortWrapper::findPorts(cProxyPort, cUnlinkedClient), QList<quint16>());
			QCOMPARE(PortWrapper::findPorts(cProxyPort, cHiddenClient), QList<quint16>());
			QCOMPARE(PortWrapper::findPorts(cProxyPort, 0), QList<quint16>({cAlicePort, cBobPort, cNamelessPort}));
			QCOMPARE(log.count(QStringLiteral("CAP_SYS_PTRACE")), 1);
		}


		void deniedProcessOfAnotherUser()
		{
			// Only dave's and erin's processes could hold their sockets: a closed process of root
			// does not hide any of alice's, whose instance ended before its row was read.
			mMachine->mProcesses.remove(700);
			mMachine->mProcesses.remove(800);
			mMachine->mProcesses.insert(900, {QStringLiteral("/sbin/init"), "init\n", {}, false});
			mMachine->mProcessUids.insert(900, 0);
			mMachine->mTcp += row(18, "0100007F:7538", "00000000:0000", "0A", 1000, 1099);

			LogCapture log;
			QCOMPARE(PortWrapper::findPorts(cProxyPort, 0), QList<quint16>({cAlicePort, cBobPort, cNamelessPort}));
			QVERIFY(!log.contains(QStringLiteral("CAP_SYS_PTRACE")));

			mMachine->mProcessUids.insert(900, 1000);
			QCOMPARE(PortWrapper::findPorts(cProxyPort, 0), QList<quint16>({cAlicePort, cBobPort, cNamelessPort}));
			QCOMPARE(log.count(QStringLiteral("CAP_SYS_PTRACE")), 1);
		}


		void emptyWrapper()
		{
			PortWrapper wrapper{QList<quint16>()};
			QVERIFY(wrapper.isEmpty());
			QCOMPARE(wrapper.fetchPort(), quint16(0));
			QCOMPARE(wrapper.fetchPort(), quint16(0));

			PortWrapper two(QList<quint16>({1, 2}));
			QCOMPARE(two.fetchPort(), quint16(1));
			QVERIFY(!two.isEmpty());
			QCOMPARE(two.fetchPort(), quint16(2));
			QVERIFY(two.isEmpty());
		}


		// The real /proc: this process's listeners and the connection of a client socket of its own.
		void realProc_data()
		{
			QTest::addColumn<QHostAddress>("proxyAddress");

			QTest::newRow("127.0.0.1") << QHostAddress(QHostAddress::LocalHost);
			QTest::newRow("::1") << QHostAddress(QHostAddress::LocalHostIPv6);
		}


		void realProc()
		{
			QFETCH(QHostAddress, proxyAddress);

			ProcFileSystem::install(nullptr);
			QTcpServer proxy;
			if (!proxy.listen(proxyAddress))
			{
				QSKIP("No such loopback address here");
			}
			QTcpServer instance;
			QVERIFY(instance.listen(QHostAddress::LocalHost));
			QTcpServer everywhere;
			QVERIFY(everywhere.listen(QHostAddress::AnyIPv4));

			const auto all = PortWrapper::findPorts(proxy.serverPort(), 0);
			QVERIFY(all.contains(instance.serverPort()));
			QVERIFY(!all.contains(everywhere.serverPort()));
			QVERIFY(!all.contains(proxy.serverPort()));

			QTcpSocket client;
			client.connectToHost(proxyAddress, proxy.serverPort());
			QVERIFY(client.waitForConnected(30000));
			QTRY_VERIFY(proxy.hasPendingConnections());

			const auto ports = PortWrapper::findPorts(proxy.serverPort(), client.localPort());
			QCOMPARE(ports.size(), 1);
			QVERIFY(all.contains(ports.constFirst()));
		}


		// As root with CAP_SYS_PTRACE, the instance of another user is found by the uid of the
		// client's connection, although that uid has no account.
		void otherUser()
		{
			if (!mayTraceOthers())
			{
				if (qEnvironmentVariableIsSet("CI"))
				{
					QFAIL("Needs root with CAP_SYS_PTRACE");
				}
				QSKIP("Needs root with CAP_SYS_PTRACE to read another user's /proc entries");
			}

			QTcpServer proxy;
			QVERIFY(proxy.listen(QHostAddress::LocalHost));

			QProcess other;
			other.start(QStringLiteral("setpriv"), {QStringLiteral("--reuid=%1").arg(cOtherUid), QStringLiteral("--regid=%1").arg(cOtherUid), QStringLiteral("--clear-groups"),
													QStringLiteral("/usr/bin/python3"), QStringLiteral("-c"), QString::fromLatin1(cOtherUserScript), QString::number(proxy.serverPort())});
			QVERIFY(other.waitForStarted(30000));
			QTRY_VERIFY_WITH_TIMEOUT(other.canReadLine() || other.state() != QProcess::Running, 30000);
			const auto ports = other.readLine().trimmed().split(' ');
			QCOMPARE(ports.size(), 2);
			const auto instancePort = static_cast<quint16>(ports.at(0).toUInt());
			const auto clientPort = static_cast<quint16>(ports.at(1).toUInt());

			// The child's own file, as the kernel names it.
			const auto executable = QFileInfo(QStringLiteral("/usr/bin/python3")).canonicalFilePath();
			OwnExecutableProcFileSystem fileSystem(executable);
			ProcFileSystem::install(&fileSystem);

			LogCapture log;
			QCOMPARE(PortWrapper::findPorts(proxy.serverPort(), clientPort), QList<quint16>({instancePort}));
			QVERIFY(log.contains(QStringLiteral("Detected user of request: uid %1").arg(cOtherUid)));
			QVERIFY(!log.contains(QStringLiteral("CAP_SYS_PTRACE")));
			// Not asked whether all of root's processes could be read: a sandbox's init may stay closed.
			QVERIFY(PortWrapper::findPorts(proxy.serverPort(), 0).contains(instancePort));
			ProcFileSystem::install(nullptr);

			// Root alone is not enough: without the capability the descriptors' links stay closed,
			// and the proxy says why once.
			QProcess lookup;
			auto environment = QProcessEnvironment::systemEnvironment();
			environment.insert(QString::fromLatin1(cLookupVariable), QStringLiteral("%1 %2 %3").arg(executable).arg(proxy.serverPort()).arg(clientPort));
			lookup.setProcessEnvironment(environment);
			lookup.start(QStringLiteral("setpriv"), {QStringLiteral("--bounding-set=-sys_ptrace"), QStringLiteral("--inh-caps=-sys_ptrace"), QCoreApplication::applicationFilePath()});
			QVERIFY(lookup.waitForFinished(60000));
			QCOMPARE(lookup.exitCode(), 0);
			QCOMPARE(lookup.readAllStandardOutput(), QByteArray("ports=\ncapability=1\n"));

			other.closeWriteChannel();
			QVERIFY(other.waitForFinished(30000));
		}


};

int main(int argc, char** argv)
{
	if (const auto lookup = qgetenv(cLookupVariable); !lookup.isEmpty())
	{
		QCoreApplication app(argc, argv);
		return runLookup(lookup);
	}

	prepareTestEnvironment(KENDRAWELL_TEST_HOME);
	QCoreApplication app(argc, argv);
	test_PortWrapper testObject;
	return QTest::qExec(&testObject, argc, argv);
}
#include "test_PortWrapper.moc"
