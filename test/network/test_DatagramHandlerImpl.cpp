#include "DatagramHandlerImpl.h"

#include "Env.h"
#include "LogCapture.h"
#include "NetworkNamespace.h"
#include "PortFile.h"
#include "TestEnvironment.h"
#include "TestPeer.h"

#include <QFile>
#include <QNetworkInterface>
#include <QSignalSpy>
#include <QUdpSocket>

#include <memory>

using namespace tessarovin;

namespace
{

QNetworkAddressEntry entry(const QString& pIp, const QString& pBroadcast)
{
	QNetworkAddressEntry result;
	result.setIp(QHostAddress(pIp));
	if (!pBroadcast.isEmpty())
	{
		result.setBroadcast(QHostAddress(pBroadcast));
	}
	return result;
}


// Safe on the host: this broadcast stays on the loopback interface.
QNetworkAddressEntry loopbackEntry()
{
	return entry(QStringLiteral("127.0.0.1"), QStringLiteral("127.255.255.255"));
}


QString udpPortFilename()
{
	return PortFile::getPortFilename(QStringLiteral("udp"), QCoreApplication::applicationPid(), QCoreApplication::applicationName());
}


QByteArray fileContent(const QString& pFilename)
{
	QFile file(pFilename);
	return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}


// The receiver's lines "<sender> <hex>" whose data is the given one.
QStringList sendersOf(const QByteArray& pOutput, const QByteArray& pData)
{
	QStringList senders;
	const auto lines = pOutput.split('\n');
	for (const auto& line : lines)
	{
		const auto parts = line.split(' ');
		if (parts.size() == 2 && parts.at(1) == pData.toHex())
		{
			senders << QString::fromLatin1(parts.at(0));
		}
	}
	return senders;
}


} // namespace


class test_DatagramHandlerImpl
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void listeningOnFreePort()
		{
			LogCapture log;
			auto handler = std::make_unique<DatagramHandlerImpl>(true, quint16(0));
			QVERIFY(handler->isBound());

			const auto bound = log.messages().filter(QStringLiteral("Bound on port:"));
			QCOMPARE(bound.size(), 1);
			const auto port = bound.at(0).section(QLatin1Char(' '), -1).toUShort();
			QVERIFY(port != 0);
			QCOMPARE(fileContent(udpPortFilename()), QByteArray::number(port));

			handler.reset();
			QVERIFY(log.contains(QStringLiteral("Shutdown socket")));
			QVERIFY(!QFile::exists(udpPortFilename()));
		}


		void receive_data()
		{
			QTest::addColumn<QByteArrayList>("datagrams");

			QTest::newRow("one") << QByteArrayList({QByteArray("hello")});
			QTest::newRow("empty") << QByteArrayList({QByteArray()});
			QTest::newRow("largest IPv4") << QByteArrayList({QByteArray(65507, '\xa5')});
			QTest::newRow("several at once") << QByteArrayList({QByteArray("first"), QByteArray(2000, '\x00'), QByteArray("third")});
		}


		void receive()
		{
			QFETCH(QByteArrayList, datagrams);

			DatagramHandlerImpl handler(true, 0);
			QVERIFY(handler.isBound());
			const auto port = QString::fromLatin1(fileContent(udpPortFilename()));
			QSignalSpy received(&handler, &DatagramHandler::fireNewMessage);

			QStringList arguments({QStringLiteral("send"), QStringLiteral("--port"), port});
			for (const auto& datagram : std::as_const(datagrams))
			{
				// Repeated, so that the largest one stays below the limit of one argument.
				const bool same = !datagram.isEmpty() && datagram.count(datagram.at(0)) == datagram.size();
				arguments << QStringLiteral("--data") << (same ? QStringLiteral("%1*%2").arg(QString::fromLatin1(datagram.left(1).toHex())).arg(datagram.size()) : QString::fromLatin1(datagram.toHex()));
			}
			TestPeer sender;
			QVERIFY(sender.startScript(QStringLiteral("udp_peer.py"), arguments));

			QTRY_COMPARE_WITH_TIMEOUT(received.size(), datagrams.size(), 30000);
			for (qsizetype i = 0; i < datagrams.size(); ++i)
			{
				QCOMPARE(received.at(i).at(0).toByteArray(), datagrams.at(i));
				const auto sender = received.at(i).at(1).value<QHostAddress>();
				QVERIFY2(sender.isEqual(QHostAddress(QHostAddress::LocalHost), QHostAddress::ConvertV4MappedToIPv4), qPrintable(sender.toString()));
			}
		}


		void sendOverLoopback()
		{
			TestPeer receiver;
			QVERIFY(receiver.startScript(QStringLiteral("udp_peer.py"), {QStringLiteral("receive")}));
			DatagramHandlerImpl listener(true, 0);
			QSignalSpy received(&listener, &DatagramHandler::fireNewMessage);

			LogCapture log;
			DatagramHandlerImpl handler(false, receiver.port());
			QVERIFY(!handler.isBound());
			QVERIFY(log.contains(QStringLiteral("Skipping binding")));

			handler.send("discovery", {loopbackEntry()});
			QTRY_COMPARE_WITH_TIMEOUT(sendersOf(receiver.output(), "discovery"), QStringList({QStringLiteral("127.0.0.1")}), 30000);
			QVERIFY(log.contains(QStringLiteral("Broadcast Addresses changed...")));

			// The same entries once more: no new list, and the first datagram bound the socket.
			log.clear();
			handler.send("again", {loopbackEntry()});
			QTRY_COMPARE_WITH_TIMEOUT(sendersOf(receiver.output(), "again").size(), 1, 30000);
			QVERIFY(!log.contains(QStringLiteral("Broadcast Addresses changed...")));
			QVERIFY(handler.isBound());

			// One of ours reaches another handler of ours on its port.
			DatagramHandlerImpl toListener(false, fileContent(udpPortFilename()).toUShort());
			toListener.send("to listener", {loopbackEntry()});
			QTRY_COMPARE_WITH_TIMEOUT(received.size(), 1, 30000);
			QCOMPARE(received.at(0).at(0).toByteArray(), QByteArray("to listener"));
		}


		void sendingWithoutPortTakesDefault()
		{
			TestPeer receiver;
			if (!receiver.startScript(QStringLiteral("udp_peer.py"), {QStringLiteral("receive"), QStringLiteral("--port"), QStringLiteral("24727")}))
			{
				QSKIP("UDP port 24727 is taken on this machine");
			}

			LogCapture log;
			DatagramHandlerImpl handler(false, 0);
			QVERIFY(log.contains(QStringLiteral("Client port cannot be 0! Reset to default: 24727")));
			QVERIFY(!QFile::exists(udpPortFilename()));

			handler.send("default port", {loopbackEntry()});
			QTRY_COMPARE_WITH_TIMEOUT(sendersOf(receiver.output(), "default port").size(), 1, 30000);
		}


		void bindFails()
		{
			TestPeer holder;
			QVERIFY(holder.startScript(QStringLiteral("udp_peer.py"), {QStringLiteral("receive")}));

			LogCapture log;
			DatagramHandlerImpl handler(true, holder.port());
			QVERIFY(!handler.isBound());
			QVERIFY(log.contains(QStringLiteral("Cannot bind socket:")));
			QVERIFY(!log.contains(QStringLiteral("Bound on port:")));
			QVERIFY(!QFile::exists(udpPortFilename()));
		}


		void factoryUsesServerPort()
		{
			const auto serverPort = HttpServer::cPort;
			HttpServer::cPort = 0;

			LogCapture log;
			std::unique_ptr<DatagramHandler> listening(Env::create<DatagramHandler*>());
			QVERIFY(listening->isBound());
			QVERIFY(QFile::exists(udpPortFilename()));

			std::unique_ptr<DatagramHandler> sending(Env::create<DatagramHandler*>(false));
			QVERIFY(!sending->isBound());
			QVERIFY(log.contains(QStringLiteral("Client port cannot be 0! Reset to default: 24727")));

			HttpServer::cPort = serverPort;
		}


		void broadcastInNamespace()
		{
			NetworkNamespace sending(QStringLiteral("kw-datagram-send"));
			NetworkNamespace receiving(QStringLiteral("kw-datagram-receive"));
			if (!sending.create() || !receiving.create())
			{
				QSKIP(qPrintable(QStringLiteral("Network namespaces are unavailable: ") + sending.error() + receiving.error()));
			}

			const auto address = [](NetworkNamespace& pSpace, const char* pAddress, const char* pDevice) {
						QStringList arguments({QStringLiteral("address"), QStringLiteral("add"), QString::fromLatin1(pAddress)});
						arguments << (QString::fromLatin1(pAddress).contains(QLatin1Char(':')) ? QStringList({QStringLiteral("nodad")}) : QStringList({QStringLiteral("broadcast"), QStringLiteral("+")}));
						arguments << QStringLiteral("dev") << QString::fromLatin1(pDevice);
						return pSpace.ip(arguments);
					};
			QVERIFY2(sending.ip({QStringLiteral("link"), QStringLiteral("add"), QStringLiteral("v0"), QStringLiteral("type"), QStringLiteral("veth"), QStringLiteral("peer"), QStringLiteral("name"), QStringLiteral("v1"), QStringLiteral("netns"), receiving.name()}), qPrintable(sending.error()));
			QVERIFY(address(sending, "10.26.0.1/24", "v0"));
			QVERIFY(address(sending, "fd26::1/64", "v0"));
			QVERIFY(address(sending, "fd26::2/64", "v0"));
			QVERIFY(address(receiving, "10.26.0.2/24", "v1"));
			QVERIFY(address(receiving, "fd26::b/64", "v1"));
			QVERIFY(sending.ip({QStringLiteral("link"), QStringLiteral("set"), QStringLiteral("v0"), QStringLiteral("up")}));
			QVERIFY(receiving.ip({QStringLiteral("link"), QStringLiteral("set"), QStringLiteral("v1"), QStringLiteral("up")}));

			// Another device of the network: listens for the IPv4 broadcast and the IPv6 group on v1.
			TestPeer receiver;
			QVERIFY(receiver.startProgram(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("exec"), receiving.name(), QStringLiteral("/usr/bin/python3"), TestPeer::script(QStringLiteral("udp_peer.py")),
					QStringLiteral("receive"), QStringLiteral("--group"), QStringLiteral("ff02::178"), QStringLiteral("--interface"), QStringLiteral("v1")}));

			QVERIFY2(sending.enter(), qPrintable(sending.error()));
			QTRY_VERIFY_WITH_TIMEOUT(QNetworkInterface::interfaceFromName(QStringLiteral("v0")).flags().testFlag(QNetworkInterface::IsRunning), 30000);

			// A fresh link passes IPv6 multicast only after a while: probe until both ways arrive.
			QUdpSocket probe;
			const auto probed = [&] {
						probe.writeDatagram("probe", DatagramHandler::cMulticastGroup, receiver.port());
						probe.writeDatagram("probe", QHostAddress(QStringLiteral("10.26.0.255")), receiver.port());
						return sendersOf(receiver.output(), "probe").filter(QStringLiteral(":")).size() > 0
							   && sendersOf(receiver.output(), "probe").contains(QStringLiteral("10.26.0.1"));
					};
			QTRY_VERIFY_WITH_TIMEOUT(probed(), 30000);

			const auto ipv4 = entry(QStringLiteral("10.26.0.1"), QStringLiteral("10.26.0.255"));
			const auto sameNetwork = entry(QStringLiteral("10.26.0.3"), QStringLiteral("10.26.0.255"));
			const auto unreachable = entry(QStringLiteral("192.0.2.1"), QStringLiteral("192.0.2.255"));
			const QList<QNetworkAddressEntry> entries({entry(QStringLiteral("fd26::1"), QString()), ipv4, entry(QStringLiteral("fd26::2"), QString()), sameNetwork, unreachable});

			const QString cannotWrite = QStringLiteral("Cannot write datagram to address QHostAddress(\"192.0.2.255\"):");
			const QString failed = QStringLiteral("Broadcasting to QHostAddress(\"192.0.2.255\") failed");
			const QString changed = QStringLiteral("Broadcast Addresses changed...");
			LogCapture log;
			DatagramHandlerImpl handler(false, receiver.port());
			const auto tick = [&](const QByteArray& pData, const QList<QNetworkAddressEntry>& pEntries) {
						log.clear();
						handler.send(pData, pEntries);
					};

			// One datagram for the two IPv6 entries, one for the two IPv4 entries of one network.
			tick("tick 1", entries);
			QTRY_COMPARE_WITH_TIMEOUT(sendersOf(receiver.output(), "tick 1").size(), 2, 30000);
			auto senders = sendersOf(receiver.output(), "tick 1");
			QVERIFY2(senders.removeAll(QStringLiteral("10.26.0.1")) == 1, qPrintable(senders.join(QLatin1Char(','))));
			QCOMPARE(QHostAddress(senders.at(0)).protocol(), QAbstractSocket::IPv6Protocol);
			QVERIFY(log.contains(changed));
			QCOMPARE(log.count(cannotWrite), 1);
			QCOMPARE(log.count(failed), 1);

			// A failing network is reported on its first tick only.
			tick("tick 2", entries);
			QTRY_COMPARE_WITH_TIMEOUT(sendersOf(receiver.output(), "tick 2").size(), 2, 30000);
			QCOMPARE(sendersOf(receiver.output(), "tick 1").size(), 2);
			QVERIFY(!log.contains(changed));
			QCOMPARE(log.count(cannotWrite), 0);
			QCOMPARE(log.count(failed), 0);

			// Reachable for a while, then gone again: reported anew.
			QVERIFY(address(sending, "192.0.2.1/24", "v0"));
			tick("tick 3", entries);
			QCOMPARE(log.count(cannotWrite), 0);
			QVERIFY(sending.ip({QStringLiteral("address"), QStringLiteral("delete"), QStringLiteral("192.0.2.1/24"), QStringLiteral("dev"), QStringLiteral("v0")}));
			tick("tick 4", entries);
			QCOMPARE(log.count(cannotWrite), 1);
			QCOMPARE(log.count(failed), 1);
			tick("tick 5", entries);
			QCOMPARE(log.count(cannotWrite), 0);

			// A changed list forgets the failures and names its entries.
			tick("tick 6", {ipv4, unreachable});
			QVERIFY(log.contains(changed));
			QVERIFY(log.contains(QStringLiteral("QHostAddress(\"192.0.2.1\") QHostAddress(\"192.0.2.255\")")));
			QCOMPARE(log.count(cannotWrite), 1);
			QTRY_COMPARE_WITH_TIMEOUT(sendersOf(receiver.output(), "tick 6"), QStringList({QStringLiteral("10.26.0.1")}), 30000);
			QCOMPARE(sendersOf(receiver.output(), "tick 4").size(), 2);

			sending.leave();
		}


};

KENDRAWELL_TEST_MAIN(test_DatagramHandlerImpl)
#include "test_DatagramHandlerImpl.moc"
