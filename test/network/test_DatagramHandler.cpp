#include "DatagramHandler.h"

#include "LogCapture.h"
#include "NetworkNamespace.h"
#include "TestEnvironment.h"

#include <QNetworkInterface>

#include <algorithm>

using namespace tessarovin;

namespace
{

QNetworkAddressEntry entry(const QString& pIp, const QString& pBroadcast)
{
	QNetworkAddressEntry result;
	result.setIp(QHostAddress(pIp));
	result.setBroadcast(QHostAddress(pBroadcast));
	return result;
}


} // namespace


class test_DatagramHandler
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void addressEntry_data()
		{
			QTest::addColumn<QNetworkAddressEntry>("entry");
			QTest::addColumn<bool>("valid");
			QTest::addColumn<QHostAddress>("broadcast");

			const QHostAddress group(QStringLiteral("ff02::178"));
			const auto ipv4 = [](const char* pBroadcast) {
						return QHostAddress(QString::fromLatin1(pBroadcast));
					};

			QTest::newRow("private IPv4") << entry(QStringLiteral("192.168.1.20"), QStringLiteral("192.168.1.255")) << true << ipv4("192.168.1.255");
			QTest::newRow("10/8") << entry(QStringLiteral("10.1.2.3"), QStringLiteral("10.255.255.255")) << true << ipv4("10.255.255.255");
			QTest::newRow("public IPv4") << entry(QStringLiteral("198.51.100.7"), QStringLiteral("198.51.100.127")) << true << ipv4("198.51.100.127");
			QTest::newRow("IPv4 without broadcast") << entry(QStringLiteral("192.168.1.20"), QString()) << false << QHostAddress();
			QTest::newRow("IPv4 loopback") << entry(QStringLiteral("127.0.0.1"), QStringLiteral("127.255.255.255")) << false << ipv4("127.255.255.255");
			QTest::newRow("IPv4 link-local") << entry(QStringLiteral("169.254.10.1"), QStringLiteral("169.254.255.255")) << false << ipv4("169.254.255.255");
			QTest::newRow("IPv6 global") << entry(QStringLiteral("2001:db8::1"), QString()) << true << group;
			QTest::newRow("IPv6 unique local") << entry(QStringLiteral("fd00::5"), QString()) << true << group;
			QTest::newRow("IPv6 link-local") << entry(QStringLiteral("fe80::1"), QString()) << false << group;
			QTest::newRow("IPv6 loopback") << entry(QStringLiteral("::1"), QString()) << false << group;
			QTest::newRow("IPv4-mapped loopback") << entry(QStringLiteral("::ffff:127.0.0.1"), QString()) << false << group;
			QTest::newRow("no address") << QNetworkAddressEntry() << false << QHostAddress();
		}


		void addressEntry()
		{
			QFETCH(QNetworkAddressEntry, entry);
			QFETCH(bool, valid);
			QFETCH(QHostAddress, broadcast);

			LogCapture log;
			QCOMPARE(DatagramHandler::isValidAddressEntry(entry), valid);
			QCOMPARE(DatagramHandler::getBroadcastAddress(entry), broadcast);
			QCOMPARE(log.count(QStringLiteral("Skipping unknown protocol type:")), entry.ip().isNull() ? 2 : 0);
		}


		void allBroadcastAddressesOfRunningInterfaces()
		{
			NetworkNamespace space(QStringLiteral("kw-datagram-list"));
			if (!space.create())
			{
				QSKIP(qPrintable(QStringLiteral("Network namespaces are unavailable: ") + space.error()));
			}

			// v0 runs (its peer v1 is up); v2 is up without carrier, since its peer v3 is down.
			const QStringList setup[] = {
				{QStringLiteral("link"), QStringLiteral("add"), QStringLiteral("v0"), QStringLiteral("type"), QStringLiteral("veth"), QStringLiteral("peer"), QStringLiteral("name"), QStringLiteral("v1")},
				{QStringLiteral("link"), QStringLiteral("add"), QStringLiteral("v2"), QStringLiteral("type"), QStringLiteral("veth"), QStringLiteral("peer"), QStringLiteral("name"), QStringLiteral("v3")},
				{QStringLiteral("address"), QStringLiteral("add"), QStringLiteral("10.26.1.1/24"), QStringLiteral("broadcast"), QStringLiteral("+"), QStringLiteral("dev"), QStringLiteral("v0")},
				{QStringLiteral("address"), QStringLiteral("add"), QStringLiteral("169.254.3.4/16"), QStringLiteral("broadcast"), QStringLiteral("+"), QStringLiteral("dev"), QStringLiteral("v0")},
				{QStringLiteral("address"), QStringLiteral("add"), QStringLiteral("fd26::1/64"), QStringLiteral("dev"), QStringLiteral("v0"), QStringLiteral("nodad")},
				{QStringLiteral("address"), QStringLiteral("add"), QStringLiteral("10.26.2.1/24"), QStringLiteral("broadcast"), QStringLiteral("+"), QStringLiteral("dev"), QStringLiteral("v2")},
				{QStringLiteral("address"), QStringLiteral("add"), QStringLiteral("fd26:2::1/64"), QStringLiteral("dev"), QStringLiteral("v2"), QStringLiteral("nodad")},
				{QStringLiteral("link"), QStringLiteral("set"), QStringLiteral("v0"), QStringLiteral("up")},
				{QStringLiteral("link"), QStringLiteral("set"), QStringLiteral("v1"), QStringLiteral("up")},
				{QStringLiteral("link"), QStringLiteral("set"), QStringLiteral("v2"), QStringLiteral("up")}
			};
			for (const auto& arguments : setup)
			{
				QVERIFY2(space.ip(arguments), qPrintable(space.error()));
			}

			QVERIFY2(space.enter(), qPrintable(space.error()));
			const auto flags = [](const char* pName) {
						return QNetworkInterface::interfaceFromName(QString::fromLatin1(pName)).flags();
					};
			QTRY_VERIFY_WITH_TIMEOUT(flags("v0").testFlag(QNetworkInterface::IsRunning), 30000);
			QVERIFY(flags("v2").testFlag(QNetworkInterface::IsUp));
			QVERIFY(!flags("v2").testFlag(QNetworkInterface::IsRunning));
			QVERIFY(flags("lo").testFlag(QNetworkInterface::IsRunning));

			QStringList found;
			const auto entries = DatagramHandler::getAllBroadcastAddresses();
			for (const auto& addressEntry : entries)
			{
				found << addressEntry.ip().toString() + QLatin1Char(' ') + DatagramHandler::getBroadcastAddress(addressEntry).toString();
			}
			space.leave();

			// Neither loopback, link-local nor the interface without carrier.
			found.sort();
			QVERIFY2(found == QStringList({QStringLiteral("10.26.1.1 10.26.1.255"), QStringLiteral("fd26::1 ff02::178")}), qPrintable(found.join(QLatin1Char(','))));
		}


};

KENDRAWELL_TEST_MAIN(test_DatagramHandler)
#include "test_DatagramHandler.moc"
