#include "ReaderManagerPluginInfo.h"

#include "TestEnvironment.h"

using namespace tessarovin;

class test_ReaderManagerPluginInfo
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void construction()
		{
			const ReaderManagerPluginInfo info(ReaderManagerPluginType::PCSC, true, true);
			QCOMPARE(info.getPluginType(), ReaderManagerPluginType::PCSC);
			QVERIFY(info.isEnabled());
			QVERIFY(info.isAvailable());
			QVERIFY(!info.isScanRunning());
			QCOMPARE(info.getInitialScanState(), ReaderManagerPluginInfo::UNKNOWN);
			QVERIFY(info.getValues().isEmpty());
			QVERIFY(!info.getValue(ReaderManagerPluginInfo::Key::PCSC_LITE_VERSION).isValid());

			const ReaderManagerPluginInfo unknown;
			QCOMPARE(unknown.getPluginType(), ReaderManagerPluginType::UNKNOWN);
			QVERIFY(!unknown.isEnabled());
			QVERIFY(!unknown.isAvailable());
			QVERIFY(!unknown.isScanRunning());
		}


		void setters()
		{
			ReaderManagerPluginInfo info(ReaderManagerPluginType::SIMULATOR, false, true);
			info.setEnabled(true);
			info.setScanRunning(true);
			info.setInitialScanState(ReaderManagerPluginInfo::FAILED);
			info.setValue(ReaderManagerPluginInfo::Key::PCSC_LITE_VERSION, QStringLiteral("2.0.0"));

			const ReaderManagerPluginInfo copy = info;
			info.setEnabled(false);
			QVERIFY(copy.isEnabled());
			QVERIFY(copy.isScanRunning());
			QVERIFY(copy.isAvailable());
			QCOMPARE(copy.getInitialScanState(), ReaderManagerPluginInfo::FAILED);
			QCOMPARE(copy.getValue(ReaderManagerPluginInfo::Key::PCSC_LITE_VERSION).toString(), QStringLiteral("2.0.0"));
			QCOMPARE(copy.getValues().size(), 1);
		}


		void pluginTypes()
		{
			const QList<QPair<ReaderManagerPluginType, QLatin1String>> table = {
				{ReaderManagerPluginType::UNKNOWN, QLatin1String("UNKNOWN")},
				{ReaderManagerPluginType::MOCK, QLatin1String("MOCK")},
				{ReaderManagerPluginType::PCSC, QLatin1String("PCSC")},
				{ReaderManagerPluginType::NFC, QLatin1String("NFC")},
				{ReaderManagerPluginType::REMOTE_IFD, QLatin1String("REMOTE_IFD")},
				{ReaderManagerPluginType::LOCAL_IFD, QLatin1String("LOCAL_IFD")},
				{ReaderManagerPluginType::SIMULATOR, QLatin1String("SIMULATOR")}
			};
			QCOMPARE(Enum<ReaderManagerPluginType>::allValues().size(), table.size());
			for (int i = 0; i < table.size(); ++i)
			{
				QCOMPARE(static_cast<int>(table.at(i).first), i);
				QCOMPARE(Enum<ReaderManagerPluginType>::getName(table.at(i).first), table.at(i).second);
			}
		}


};

KENDRAWELL_TEST_MAIN(test_ReaderManagerPluginInfo)
#include "test_ReaderManagerPluginInfo.moc"
