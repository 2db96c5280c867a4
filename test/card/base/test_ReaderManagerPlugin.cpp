#include "ReaderManagerPlugin.h"

#include "LogCapture.h"
#include "MockReader.h"
#include "TestEnvironment.h"

#include <QSignalSpy>

using namespace tessarovin;

namespace
{

class TestPlugin
	: public ReaderManagerPlugin
{
	Q_OBJECT

	public:
		using ReaderManagerPlugin::ReaderManagerPlugin;

		QPointer<Reader> getReader(const QString&) override
		{
			return nullptr;
		}


		void shelve() override
		{
		}


};

} // namespace


class test_ReaderManagerPlugin
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		// The plug-in takes (available, enabled), its info (enabled, available).
		void flagOrder_data()
		{
			QTest::addColumn<bool>("available");
			QTest::addColumn<bool>("enabled");

			QTest::newRow("available only") << true << false;
			QTest::newRow("enabled only") << false << true;
		}


		void flagOrder()
		{
			QFETCH(bool, available);
			QFETCH(bool, enabled);

			const TestPlugin plugin(ReaderManagerPluginType::PCSC, available, enabled);
			QCOMPARE(plugin.getInfo().isAvailable(), available);
			QCOMPARE(plugin.getInfo().isEnabled(), enabled);
			QVERIFY(!plugin.getInfo().isScanRunning());
			QCOMPARE(plugin.getInfo().getInitialScanState(), ReaderManagerPluginInfo::UNKNOWN);

			const ReaderManagerPluginInfo info(ReaderManagerPluginType::PCSC, available, enabled);
			QCOMPARE(info.isEnabled(), available);
			QCOMPARE(info.isAvailable(), enabled);
		}


		void statusSignalsOnChangeOnly()
		{
			TestPlugin plugin(ReaderManagerPluginType::SIMULATOR, true, false);
			QSignalSpy status(&plugin, &ReaderManagerPlugin::fireStatusChanged);

			plugin.stopScan();
			plugin.setPluginEnabled(false);
			plugin.setInitialScanState(ReaderManagerPluginInfo::UNKNOWN);
			QCOMPARE(status.count(), 0);

			plugin.startScan(true);
			plugin.startScan(true);
			plugin.setPluginEnabled(true);
			plugin.setPluginEnabled(true);
			plugin.setInitialScanState(ReaderManagerPluginInfo::FAILED);
			plugin.setInitialScanState(ReaderManagerPluginInfo::FAILED);
			plugin.stopScan(QStringLiteral("error"));
			plugin.stopScan();
			QCOMPARE(status.count(), 4);

			const auto last = status.last().first().value<ReaderManagerPluginInfo>();
			QCOMPARE(last.getPluginType(), ReaderManagerPluginType::SIMULATOR);
			QVERIFY(!last.isScanRunning());
			QVERIFY(last.isEnabled());
			QCOMPARE(last.getInitialScanState(), ReaderManagerPluginInfo::FAILED);
			QVERIFY(status.at(0).first().value<ReaderManagerPluginInfo>().isScanRunning());
		}


		void baseLogs()
		{
			TestPlugin plugin(ReaderManagerPluginType::REMOTE_IFD, true, false);
			LogCapture capture;
			plugin.init();
			plugin.insert(QStringLiteral("reader"), QVariant());
			plugin.shutdown();
			QCOMPARE(capture.messages(), QStringList({
						QStringLiteral("insert is not supported by ReaderManagerPluginType::REMOTE_IFD"),
						QStringLiteral("Shutdown ReaderManagerPluginType::REMOTE_IFD")
					}));
		}


		void shelveReader()
		{
			const TestPlugin plugin(ReaderManagerPluginType::MOCK, true, true);
			MockReader reader(QStringLiteral("reader"));
			QSignalSpy removed(&reader, &Reader::fireCardRemoved);
			QSignalSpy properties(&reader, &Reader::fireReaderPropertiesUpdated);

			// Not insertable: left alone.
			reader.insertEidCard();
			plugin.shelveReader(&reader);
			QVERIFY(reader.getReaderInfo().hasCard());

			reader.shelveCard();
			QCOMPARE(properties.count(), 1);
			reader.insertCard();
			plugin.shelveReader(&reader);
			QCOMPARE(removed.count(), 1);
			QVERIFY(!reader.getReaderInfo().hasCard());

			plugin.shelveReader(QPointer<Reader>());
		}


};

KENDRAWELL_TEST_MAIN(test_ReaderManagerPlugin)
#include "test_ReaderManagerPlugin.moc"
