#include "ReaderConfiguration.h"

#include "Env.h"
#include "LogCapture.h"
#include "TestEnvironment.h"
#include "UpdatableFile.h"
#include "UpdateServer.h"

#include <QSignalSpy>

using namespace tessarovin;

namespace
{

// JSON written with single quotes, which read more easily in C++ strings than escaped ones.
QByteArray quoted(const char* pJson)
{
	return QByteArray(pJson).replace('\'', '"');
}


QStringList names(const QList<ReaderConfigurationInfo>& pInfos)
{
	QStringList result;
	for (const auto& info : pInfos)
	{
		result << info.getName();
	}
	return result;
}


const QByteArray cNewerList = quoted("{'SupportedDevices': [{'VendorId': '072F', 'ProductIds': ['2200'], 'Name': 'ACS ACR122U', 'Pattern': 'ACR122', 'Icon': 'img_acr122.png', 'Drivers': [{'Platforms': [{'os': 'unknown'}], 'URL': 'https://drivers.example/acs'}]}, {'VendorId': '0', 'ProductIds': ['1'], 'Name': 'Simulator', 'Pattern': '^Simulator', 'Icon': 'img_simulator.png', 'Drivers': []}]}");

} // namespace


class test_ReaderConfiguration
	: public QObject
{
	Q_OBJECT

	private:
		UpdateServer mServer;

	private Q_SLOTS:
		void initTestCase()
		{
			QVERIFY(mServer.setUp());
		}


		void cleanupTestCase()
		{
			UpdateServer::tearDown();
		}


		void shippedList()
		{
			// Nothing cached yet: the built-in copy, loaded without a signal.
			const auto* configuration = Env::getSingleton<ReaderConfiguration>();
			const auto& infos = configuration->getReaderConfigurationInfos();
			QVERIFY(infos.size() >= 2);
			QVERIFY(names(infos).contains(QStringLiteral("Simulator")));

			const auto basis = configuration->getReaderConfigurationInfoById({0x0C4B, 0x9102});
			QVERIFY(basis.isKnownReader());
			QCOMPARE(basis.getName(), QStringLiteral("REINER SCT cyberJack RFID basis"));
			// The entry's driver for this system, not the one for Windows listed first.
			QCOMPARE(basis.getUrl(), QStringLiteral("https://drivers.kendrawell.example/pcsc-lite"));
			QCOMPARE(configuration->getReaderConfigurationInfoById({0x0C4B, 0x0501}).getName(), QStringLiteral("REINER SCT cyberJack RFID standard / komfort"));

			const auto virtualInfos = configuration->getVirtualReaderConfigurationInfos();
			QCOMPARE(names(virtualInfos), QStringList({QStringLiteral("Simulator")}));
		}


		void unknownId_data()
		{
			QTest::addColumn<quint32>("vendorId");
			QTest::addColumn<quint32>("productId");

			QTest::newRow("unknown vendor") << 0x1234u << 0x9102u;
			QTest::newRow("known vendor, unknown product") << 0x0C4Bu << 0x1234u;
			QTest::newRow("product of another vendor") << 0x04E6u << 0x9102u;
			QTest::newRow("virtual ids") << 0u << 1u;
		}


		void unknownId()
		{
			QFETCH(quint32, vendorId);
			QFETCH(quint32, productId);

			const auto info = Env::getSingleton<ReaderConfiguration>()->getReaderConfigurationInfoById({vendorId, productId});
			if (vendorId == 0)
			{
				// Virtual entries carry ids too and are found by them like any other.
				QVERIFY(info.isKnownReader());
				return;
			}
			QVERIFY(!info.isKnownReader());
			QCOMPARE(info.getName(), QStringLiteral("Unknown reader"));
		}


		void newerListFromTheServer()
		{
			auto* configuration = Env::getSingleton<ReaderConfiguration>();
			mServer.putFile(QStringLiteral("supported-readers.json"), cNewerList, QDateTime(QDate(2024, 3, 4), QTime(5, 6, 7), Qt::UTC));
			QSignalSpy updated(configuration, &ReaderConfiguration::fireUpdated);
			QSignalSpy current(configuration, &ReaderConfiguration::fireNoUpdateAvailable);

			configuration->update();
			QVERIFY(updated.wait(30000));
			QCOMPARE(names(configuration->getReaderConfigurationInfos()), QStringList({QStringLiteral("ACS ACR122U"), QStringLiteral("Simulator")}));
			QVERIFY(configuration->getReaderConfigurationInfoById({0x072F, 0x2200}).isKnownReader());
			QVERIFY(!configuration->getReaderConfigurationInfoById({0x0C4B, 0x9102}).isKnownReader());

			// Every icon of the new list is fetched again on its next lookup.
			for (const auto& info : configuration->getReaderConfigurationInfos())
			{
				QVERIFY(info.getIcon()->isDirty());
			}
			const auto icon = configuration->getReaderConfigurationInfos().constFirst().getIcon();
			mServer.putFile(QStringLiteral("reader/img_acr122.png"), QByteArrayLiteral("png"), QDateTime(QDate(2024, 3, 4), QTime(5, 6, 7), Qt::UTC));
			QSignalSpy iconUpdated(icon.data(), &UpdatableFile::fireUpdated);
			QCOMPARE(icon->lookupPath(), QStringLiteral(":/images/desktop/default_reader.png"));
			QVERIFY(iconUpdated.wait(30000));
			QVERIFY(!icon->isDirty());
			QVERIFY(icon->lookupPath().endsWith(QStringLiteral("img_acr122.png_20240304050607UTC")));

			// The same copy again: nothing new, no reload.
			configuration->update();
			QVERIFY(current.wait(30000));
			QCOMPARE(updated.size(), 1);
		}


		void brokenDownloadFallsBackToTheBuiltInCopy()
		{
			auto* configuration = Env::getSingleton<ReaderConfiguration>();
			mServer.putFile(QStringLiteral("supported-readers.json"), quoted("{'SupportedDevices': []}"),
					QDateTime(QDate(2025, 1, 1), QTime(0, 0), Qt::UTC));
			QSignalSpy updated(configuration, &ReaderConfiguration::fireUpdated);
			const LogCapture capture;

			configuration->update();
			QVERIFY(updated.wait(30000));
			QVERIFY(capture.contains(QStringLiteral("Parse error while reading ReaderConfiguration:")));
			QVERIFY(configuration->getReaderConfigurationInfoById({0x0C4B, 0x9102}).isKnownReader());
			QVERIFY(!configuration->getReaderConfigurationInfoById({0x072F, 0x2200}).isKnownReader());
		}


};

KENDRAWELL_TEST_MAIN(test_ReaderConfiguration)
#include "test_ReaderConfiguration.moc"
