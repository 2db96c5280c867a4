#include "ProviderConfiguration.h"

#include "Env.h"
#include "LogCapture.h"
#include "TestEnvironment.h"
#include "UpdatableFile.h"
#include "UpdateServer.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>

using namespace tessarovin;

namespace
{

// JSON written with single quotes, which read more easily in C++ strings than escaped ones.
QByteArray quoted(const char* pJson)
{
	return QByteArray(pJson).replace('\'', '"');
}


QStringList ids(const QList<ProviderConfigurationInfo>& pInfos)
{
	QStringList result;
	for (const auto& info : pInfos)
	{
		result << info.getInternalId();
	}
	return result;
}


const QByteArray cNewerList = quoted("{'callcosts': [{'prefixes': ['0900'], 'free-seconds': 60}],"
		"'provider': ["
		"{'internalId': 'bank', 'category': 'finance', 'icon': 'bank-icon.svg', 'image': 'bank-bg.svg', 'address': 'https://bank.example/'},"
		"{'internalId': 'pinResetService', 'icon': 'pin-icon.svg', 'image': 'pin-bg.svg', 'address': 'https://pin.example/'}"
		"]}");

} // namespace


class test_ProviderConfiguration
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
			// Nothing cached yet: the built-in copy, loaded at construction.
			const auto* configuration = Env::getSingleton<ProviderConfiguration>();
			QCOMPARE(ids(configuration->getProviderConfigurationInfos()), QStringList({"citizenPortal", "pensionAccount", "pinResetService"}));
			QCOMPARE(configuration->getCallCosts().keys(), QStringList({"01805", "0800"}));
			QCOMPARE(configuration->getCallCosts().value(QStringLiteral("01805")).getMobilePerMinute(), 0.42);

			const auto pinReset = configuration->getProviderInfo(QStringLiteral("pinResetService"));
			QCOMPARE(pinReset.getInternalId(), QStringLiteral("pinResetService"));
			QCOMPARE(pinReset.getAddress(), QStringLiteral("https://pin.kendrawell.example/"));
			QCOMPARE(pinReset.getShortName().getText(QStringLiteral("en")), QStringLiteral("PIN reset service"));
		}


		void unknownProvider()
		{
			const auto info = Env::getSingleton<ProviderConfiguration>()->getProviderInfo(QStringLiteral("unknown"));
			QVERIFY(info.getInternalId().isEmpty());
			QVERIFY(info.getAddress().isEmpty());
			QVERIFY(info.getCategory().isEmpty());
			// One empty text under the user-interface locale, English when no translation is loaded.
			const QMap<QString, QString> empty({{QStringLiteral("en_US"), QString()}});
			QCOMPARE(info.getShortName().getTexts(), empty);
			QCOMPARE(info.getLongName().getTexts(), empty);
			QCOMPARE(info.getLongDescription().getTexts(), empty);
		}


		void pictureDefaults_data()
		{
			QTest::addColumn<QString>("category");
			QTest::addColumn<QString>("icon");
			QTest::addColumn<QString>("image");

			QTest::newRow("category") << "finance" << ":/images/provider/finance_button.svg" << ":/images/provider/finance_bg.svg";
			QTest::newRow("no category") << "" << ":/images/provider/general_button.svg" << ":/images/provider/general_bg.svg";
		}


		void pictureDefaults()
		{
			QFETCH(QString, category);
			QFETCH(QString, icon);
			QFETCH(QString, image);

			const auto name = QStringLiteral("defaults-%1").arg(QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('-')));
			const ProviderConfigurationInfo info(LocalizedText(), LocalizedText(), LocalizedText(), QString(), QString(), category,
					QString(), QString(), QString(), name + QStringLiteral("-icon.svg"), name + QStringLiteral("-bg.svg"));
			QCOMPARE(info.getIcon()->lookupPath(), icon);
			QCOMPARE(info.getImage()->lookupPath(), image);
			// The same picture for every user of one name.
			QCOMPARE(info.getIcon(), info.getIcon());
		}


		void newerListFromTheServer()
		{
			auto* configuration = Env::getSingleton<ProviderConfiguration>();
			mServer.putFile(QStringLiteral("supported-providers.json"), cNewerList, QDateTime(QDate(2024, 3, 4), QTime(5, 6, 7), Qt::UTC));
			QSignalSpy updated(configuration, &ProviderConfiguration::fireUpdated);
			QSignalSpy current(configuration, &ProviderConfiguration::fireNoUpdateAvailable);

			configuration->update();
			QVERIFY(updated.wait(30000));
			QCOMPARE(ids(configuration->getProviderConfigurationInfos()), QStringList({"bank", "pinResetService"}));
			QCOMPARE(configuration->getCallCosts().keys(), QStringList({"0900"}));
			QCOMPARE(configuration->getProviderInfo(QStringLiteral("pinResetService")).getAddress(), QStringLiteral("https://pin.example/"));
			QVERIFY(configuration->getProviderInfo(QStringLiteral("citizenPortal")).getInternalId().isEmpty());

			// Every picture of the new list is fetched again on its next lookup.
			for (const auto& info : configuration->getProviderConfigurationInfos())
			{
				QVERIFY(info.getIcon()->isDirty());
				QVERIFY(info.getImage()->isDirty());
			}
			const auto icon = configuration->getProviderInfo(QStringLiteral("bank")).getIcon();
			mServer.putFile(QStringLiteral("provider/bank-icon.svg"), QByteArrayLiteral("<svg/>"), QDateTime(QDate(2024, 3, 4), QTime(5, 6, 7), Qt::UTC));
			QSignalSpy iconUpdated(icon.data(), &UpdatableFile::fireUpdated);
			QCOMPARE(icon->lookupPath(), QStringLiteral(":/images/provider/finance_button.svg"));
			QVERIFY(iconUpdated.wait(30000));
			QVERIFY(!icon->isDirty());
			QVERIFY(icon->lookupPath().endsWith(QStringLiteral("/provider/bank-icon.svg_20240304050607UTC")));

			// The same copy again: nothing new, no reload.
			configuration->update();
			QVERIFY(current.wait(30000));
			QCOMPARE(updated.size(), 1);
		}


		void brokenDownloadFallsBackToTheBuiltInCopy()
		{
			auto* configuration = Env::getSingleton<ProviderConfiguration>();
			mServer.putFile(QStringLiteral("supported-providers.json"), quoted("{'provider': [{'internalId': 'lonely'}]}"),
					QDateTime(QDate(2025, 1, 1), QTime(0, 0), Qt::UTC));
			QSignalSpy updated(configuration, &ProviderConfiguration::fireUpdated);
			const LogCapture capture;

			configuration->update();
			QVERIFY(updated.wait(30000));
			QVERIFY(capture.contains(QStringLiteral("Parse error while reading ProviderConfiguration:")));
			QCOMPARE(ids(configuration->getProviderConfigurationInfos()), QStringList({"citizenPortal", "pensionAccount", "pinResetService"}));
		}


		void rejectedFileKeepsTheLists_data()
		{
			QTest::addColumn<QByteArray>("data");
			QTest::addColumn<QString>("message");

			const QString parseError = QStringLiteral("Parse error while reading ProviderConfiguration:");
			QTest::newRow("no call costs") << quoted("{'provider': [{'internalId': 'a'}]}") << parseError;
			QTest::newRow("empty call costs") << quoted("{'callcosts': [], 'provider': [{'internalId': 'a'}]}") << parseError;
			QTest::newRow("call costs without prefixes") << quoted("{'callcosts': [{'free-seconds': 1}], 'provider': [{'internalId': 'a'}]}") << parseError;
			QTest::newRow("no providers") << quoted("{'callcosts': [{'prefixes': ['0800']}]}") << parseError;
			QTest::newRow("empty providers") << quoted("{'callcosts': [{'prefixes': ['0800']}], 'provider': []}") << parseError;
			QTest::newRow("syntax error") << QByteArray("{\"callcosts\": [") << parseError;
			QTest::newRow("missing file") << QByteArray() << QStringLiteral("ProviderConfiguration file not found:");
			QTest::newRow("directory") << QByteArray() << QStringLiteral("Wasn't able to open ProviderConfiguration file:");
		}


		void rejectedFileKeepsTheLists()
		{
			QFETCH(QByteArray, data);
			QFETCH(QString, message);

			auto* configuration = Env::getSingleton<ProviderConfiguration>();
			const QTemporaryDir dir;
			const auto goodPath = dir.filePath(QStringLiteral("good.json"));
			QFile good(goodPath);
			QVERIFY(good.open(QIODevice::WriteOnly) && good.write(cNewerList) == cNewerList.size());
			good.close();
			QVERIFY(configuration->parseProviderConfiguration(goodPath));

			auto path = dir.filePath(QStringLiteral("rejected.json"));
			if (QByteArray(QTest::currentDataTag()) == "directory")
			{
				QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("rejected.json")));
			}
			else if (!data.isEmpty())
			{
				QFile file(path);
				QVERIFY(file.open(QIODevice::WriteOnly) && file.write(data) == data.size());
			}

			QSignalSpy updated(configuration, &ProviderConfiguration::fireUpdated);
			const LogCapture capture;
			QVERIFY(!configuration->parseProviderConfiguration(path));
			QVERIFY(capture.contains(message));
			QCOMPARE(ids(configuration->getProviderConfigurationInfos()), QStringList({"bank", "pinResetService"}));
			QCOMPARE(configuration->getCallCosts().keys(), QStringList({"0900"}));
			QCOMPARE(updated.size(), 0);
		}


};

KENDRAWELL_TEST_MAIN(test_ProviderConfiguration)
#include "test_ProviderConfiguration.moc"
