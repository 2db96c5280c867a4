#include "ReaderDetector.h"

#include "Env.h"
#include "LogCapture.h"
#include "ReaderConfiguration.h"
#include "ReaderInfo.h"
#include "TestEnvironment.h"
#include "UeventMonitor.h"
#include "UpdatableFile.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <sys/socket.h>
#include <unistd.h>

using namespace tessarovin;

Q_DECLARE_METATYPE(QList<tessarovin::UsbId>)

namespace
{

// A detector over given devices, without a uevent source.
class FixedDetector
	: public ReaderDetector
{
	public:
		QList<UsbId> mIds;

		explicit FixedDetector(const QList<UsbId>& pIds = {})
			: ReaderDetector(QString(), new UeventMonitor(-1))
			, mIds(pIds)
		{
		}


		[[nodiscard]] QList<UsbId> attachedDevIds() const override
		{
			return mIds;
		}


};


// A detector that reads a sysfs tree and the uevents written into a socket pair.
class SocketDetector
	: public ReaderDetector
{
	public:
		SocketDetector(const QString& pSysfsRoot, int pSocket)
			: ReaderDetector(pSysfsRoot, new UeventMonitor(pSocket))
		{
		}


};


void writeFile(const QString& pPath, const QByteArray& pData)
{
	QDir().mkpath(QFileInfo(pPath).absolutePath());
	QFile file(pPath);
	if (!file.open(QIODevice::WriteOnly) || file.write(pData) != pData.size())
	{
		qFatal("cannot write %s", qPrintable(pPath));
	}
}


// A kernel uevent as it comes off the netlink socket: header and fields, each ended by a NUL.
QByteArray uevent(const QByteArray& pAction, const QByteArray& pDevPath, const QByteArray& pSubsystem, const QByteArray& pDevType)
{
	QByteArrayList fields({pAction + '@' + pDevPath, "ACTION=" + pAction, "DEVPATH=" + pDevPath, "SUBSYSTEM=" + pSubsystem});
	if (!pDevType.isEmpty())
	{
		fields << "DEVTYPE=" + pDevType;
	}
	fields << "PRODUCT=c4b/9102/100" << "TYPE=0/0/0" << "SEQNUM=4711";
	return fields.join('\0') + '\0';
}


const QByteArray cDevice = "/devices/pci0000:00/0000:00:14.0/usb1/1-2";
const QByteArray cInterface = "/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0";

} // namespace


class test_ReaderDetector
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void parseUsbId_data()
		{
			QTest::addColumn<QByteArray>("text");
			QTest::addColumn<quint32>("id");

			QTest::newRow("as sysfs writes it") << QByteArray("0c4b\n") << 0x0C4Bu;
			QTest::newRow("upper case, no line end") << QByteArray("072F") << 0x072Fu;
			QTest::newRow("three digits") << QByteArray("c4b\n") << 0u;
			QTest::newRow("five digits") << QByteArray("00c4b\n") << 0u;
			QTest::newRow("hex prefix") << QByteArray("0x4b") << 0u;
			QTest::newRow("leading space") << QByteArray(" c4b") << 0u;
			QTest::newRow("sign") << QByteArray("+c4b") << 0u;
			QTest::newRow("no hex digit") << QByteArray("0c4g") << 0u;
			QTest::newRow("two line ends") << QByteArray("0c4b\n\n") << 0u;
			QTest::newRow("empty") << QByteArray() << 0u;
		}


		void parseUsbId()
		{
			QFETCH(QByteArray, text);
			QFETCH(quint32, id);

			QCOMPARE(ReaderDetector::parseUsbId(text), id);
		}


		void readUsbIds()
		{
			QTemporaryDir sysfs;
			QVERIFY(sysfs.isValid());
			const auto devices = sysfs.path() + QStringLiteral("/bus/usb/devices/");
			const auto real = sysfs.path() + QStringLiteral("/devices/pci0000:00/0000:00:14.0/usb1/");

			// As in sysfs: the entries are links into the device tree.
			writeFile(real + QStringLiteral("idVendor"), "1d6b\n");
			writeFile(real + QStringLiteral("idProduct"), "0002\n");
			writeFile(real + QStringLiteral("1-1/idVendor"), "0c4b\n");
			writeFile(real + QStringLiteral("1-1/idProduct"), "9102\n");
			writeFile(real + QStringLiteral("1-1/1-1:1.0/bInterfaceClass"), "0b\n");
			QVERIFY(QDir().mkpath(devices));
			QVERIFY(QFile::link(real, devices + QStringLiteral("usb1")));
			QVERIFY(QFile::link(real + QStringLiteral("1-1"), devices + QStringLiteral("1-1")));
			QVERIFY(QFile::link(real + QStringLiteral("1-1/1-1:1.0"), devices + QStringLiteral("1-1:1.0")));

			writeFile(devices + QStringLiteral("1-2/idVendor"), "vid\n");
			writeFile(devices + QStringLiteral("1-2/idProduct"), "9102\n");
			writeFile(devices + QStringLiteral("1-3/idVendor"), "0c4b\n");
			writeFile(devices + QStringLiteral("1-4/idVendor"), "00c4b\n");
			writeFile(devices + QStringLiteral("1-4/idProduct"), "9102\n");
			writeFile(devices + QStringLiteral("1-5/idVendor"), "0000\n");
			writeFile(devices + QStringLiteral("1-5/idProduct"), "9102\n");
			writeFile(devices + QStringLiteral("2-1/idVendor"), "072F");
			writeFile(devices + QStringLiteral("2-1/idProduct"), "2200");
			writeFile(devices + QStringLiteral("2-2/idVendor"), "0c4b\n");
			writeFile(devices + QStringLiteral("2-2/idProduct"), "9102\n");

			const QList<UsbId> expected({{0x0C4B, 0x9102}, {0x072F, 0x2200}, {0x0C4B, 0x9102}, {0x1D6B, 0x0002}});
			QCOMPARE(ReaderDetector::readUsbIds(sysfs.path()), expected);

			int pair[2] = {-1, -1};
			QCOMPARE(::socketpair(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0, pair), 0);
			const SocketDetector detector(sysfs.path(), pair[0]);
			::close(pair[1]);
			QCOMPARE(detector.attachedDevIds(), expected);

			QVERIFY(ReaderDetector::readUsbIds(sysfs.path() + QStringLiteral("/absent")).isEmpty());
		}


		void attachedSupportedDevices_data()
		{
			QTest::addColumn<QList<UsbId>>("ids");
			QTest::addColumn<QStringList>("names");

			QTest::newRow("nothing attached") << QList<UsbId>() << QStringList();
			QTest::newRow("unknown devices") << QList<UsbId>({{0x1D6B, 0x0002}, {0x1111, 0x9999}}) << QStringList();
			QTest::newRow("known readers in order") << QList<UsbId>({{0x1111, 0x3334}, {0x1D6B, 0x0002}, {0x1111, 0x2222}})
													<< QStringList({"Beta Reader (NFC)", "Alpha Reader"});
			QTest::newRow("two of a kind") << QList<UsbId>({{0x1111, 0x2222}, {0x1111, 0x2222}}) << QStringList({"Alpha Reader", "Alpha Reader"});
			QTest::newRow("no driver for this system") << QList<UsbId>({{0x2222, 0x4444}, {0x1111, 0x2222}}) << QStringList({"Alpha Reader"});
			QTest::newRow("virtual ids") << QList<UsbId>({{0, 1}, {0, 2}}) << QStringList();
		}


		void attachedSupportedDevices()
		{
			QFETCH(QList<UsbId>, ids);
			QFETCH(QStringList, names);

			const FixedDetector detector(ids);
			QStringList found;
			for (const auto& info : detector.getAttachedSupportedDevices())
			{
				QVERIFY(info.isKnownReader());
				QVERIFY(!info.getUrl().isEmpty());
				found << info.getName();
			}
			QCOMPARE(found, names);
		}


		void readerConfigurationInfo_data()
		{
			QTest::addColumn<QList<UsbId>>("ids");
			QTest::addColumn<QString>("readerName");
			QTest::addColumn<QString>("entry");

			const QList<UsbId> alpha({{0x1111, 0x2222}});
			const QList<UsbId> beta({{0x1111, 0x3333}});

			QTest::newRow("attached reader beats virtual entry") << alpha << "Alpha Reader 00 00" << "Alpha Reader";
			QTest::newRow("virtual entry when not attached") << beta << "Alpha Reader 00 00" << "Alpha Virtual";
			QTest::newRow("virtual pattern") << QList<UsbId>() << "Simulator 0" << "Simulator";
			QTest::newRow("pattern matches anywhere") << alpha << "Vendor Alpha Reader [CCID] 01 00" << "Alpha Reader";
			QTest::newRow("name with parentheses is an expression") << beta << "Beta Reader NFC 00 00" << "Beta Reader (NFC)";
			QTest::newRow("parentheses are no literal text") << beta << "Beta Reader (NFC) 00 00" << "";
			QTest::newRow("entry without driver not used") << QList<UsbId>({{0x2222, 0x4444}}) << "Gamma Reader" << "";
			QTest::newRow("no match") << alpha << "ACS ACR122U PICC Interface 00 00" << "";
			QTest::newRow("empty name") << alpha << "" << "";
		}


		void readerConfigurationInfo()
		{
			QFETCH(QList<UsbId>, ids);
			QFETCH(QString, readerName);
			QFETCH(QString, entry);

			const FixedDetector detector(ids);
			const auto info = detector.getReaderConfigurationInfo(readerName);
			if (entry.isEmpty())
			{
				QCOMPARE(info, ReaderConfigurationInfo(readerName));
				QVERIFY(!info.isKnownReader());
				QCOMPARE(info.getIcon()->lookupPath(), QStringLiteral(":/images/desktop/default_reader.png"));
				return;
			}
			QVERIFY(info.isKnownReader());
			QCOMPARE(info.getName(), entry);
		}


		void invalidPatternNeverMatches()
		{
			const LogCapture capture;
			const FixedDetector detector({{0x3333, 0x5555}});
			QCOMPARE(detector.getAttachedSupportedDevices().size(), 1);

			const auto info = detector.getReaderConfigurationInfo(QStringLiteral("Delta[ 00 00"));
			QVERIFY(!info.isKnownReader());
			QCOMPARE(info.getName(), QStringLiteral("Delta[ 00 00"));
			QVERIFY(capture.contains(QStringLiteral("Invalid reader pattern \"Delta[\" of \"Delta Reader\"")));
		}


		void readerInfoAsksTheDetector()
		{
			// The process's own detector; only virtual entries are asserted, whatever is plugged in here.
			QCOMPARE(ReaderInfo(QStringLiteral("Simulator")).getReaderConfigurationInfo().getName(), QStringLiteral("Simulator"));
			const auto unknown = ReaderInfo(QStringLiteral("Zeta 00 00")).getReaderConfigurationInfo();
			QVERIFY(!unknown.isKnownReader());
			QCOMPARE(unknown.getName(), QStringLiteral("Zeta 00 00"));
		}


		void changeSignals_data()
		{
			QTest::addColumn<QByteArrayList>("messages");
			QTest::addColumn<int>("changes");

			QTest::newRow("device added") << QByteArrayList({uevent("add", cDevice, "usb", "usb_device")}) << 1;
			QTest::newRow("device removed") << QByteArrayList({uevent("remove", cDevice, "usb", "usb_device")}) << 1;
			QTest::newRow("device with its interfaces") << QByteArrayList({
						uevent("add", cDevice, "usb", "usb_device"),
						uevent("add", cInterface, "usb", "usb_interface"),
						uevent("bind", cInterface, "usb", "usb_interface"),
						uevent("bind", cDevice, "usb", "usb_device"),
						uevent("unbind", cInterface, "usb", "usb_interface"),
						uevent("remove", cInterface, "usb", "usb_interface"),
						uevent("unbind", cDevice, "usb", "usb_device"),
						uevent("remove", cDevice, "usb", "usb_device")}) << 2;
			QTest::newRow("interfaces only") << QByteArrayList({
						uevent("add", cInterface, "usb", "usb_interface"),
						uevent("remove", cInterface, "usb", "usb_interface")}) << 0;
			QTest::newRow("other subsystems") << QByteArrayList({
						uevent("add", cInterface + "/0003:0C4B:9102.0001/hidraw/hidraw0", "hidraw", ""),
						uevent("add", "/devices/virtual/net/veth0", "net", "usb_device")}) << 0;
			QTest::newRow("change of a device") << QByteArrayList({uevent("change", cDevice, "usb", "usb_device")}) << 0;
			QTest::newRow("udev's copy") << QByteArrayList({QByteArray("libudev\0\xfe\xed\xca\xfe", 11) + uevent("add", cDevice, "usb", "usb_device").mid(37)}) << 0;
			QTest::newRow("header only") << QByteArrayList({QByteArray("add@") + cDevice + '\0'}) << 0;
			QTest::newRow("empty datagram") << QByteArrayList({QByteArray()}) << 0;
		}


		void changeSignals()
		{
			QFETCH(QByteArrayList, messages);
			QFETCH(int, changes);

			int pair[2] = {-1, -1};
			QCOMPARE(::socketpair(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0, pair), 0);
			const SocketDetector detector(QString(), pair[0]);
			QSignalSpy spy(&detector, &ReaderDetector::fireReaderChangeDetected);

			// The last device change ends the sequence: when it is counted, every message before it is read.
			messages << uevent("add", "/devices/pci0000:00/0000:00:14.0/usb2/2-1", "usb", "usb_device");
			for (const auto& message : std::as_const(messages))
			{
				QCOMPARE(::send(pair[1], message.constData(), static_cast<size_t>(message.size()), 0), static_cast<ssize_t>(message.size()));
			}
			::close(pair[1]);

			QTRY_COMPARE_WITH_TIMEOUT(spy.size(), changes + 1, 30000);
			QCOMPARE(UeventMonitor::isUsbDeviceChange(messages.constLast()), true);
		}


		void kernelSocket()
		{
			// Where the kernel socket cannot be had, the monitor says so once and stays quiet.
			const LogCapture capture;
			const UeventMonitor monitor;
			if (!monitor.isListening())
			{
				QCOMPARE(capture.count(QStringLiteral("uevent socket")), 1);
			}
			QVERIFY(!capture.contains(QStringLiteral("Reading uevent socket failed")));
		}


};

KENDRAWELL_TEST_MAIN(test_ReaderDetector)
#include "test_ReaderDetector.moc"
