#include "ProviderConfigurationParser.h"

#include "LogCapture.h"
#include "TestEnvironment.h"

#include <QOperatingSystemVersion>

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


const QByteArray cMixedSupport = quoted("{'provider': ["
		"{'internalId': 'default'},"
		"{'internalId': 'supported', 'eidSupport': true},"
		"{'internalId': 'unsupported', 'eidSupport': false},"
		"{'internalId': 'wrongType', 'eidSupport': 'no'}"
		"]}");

} // namespace

Q_DECLARE_METATYPE(QOperatingSystemVersion)


class test_ProviderConfigurationParser
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void eidSupport_data()
		{
			QTest::addColumn<QOperatingSystemVersion>("system");
			QTest::addColumn<QStringList>("expected");

			const QStringList all({"default", "supported", "unsupported", "wrongType"});
			const QStringList supported({"default", "supported", "wrongType"});
			QTest::newRow("Android 11") << QOperatingSystemVersion(QOperatingSystemVersion::Android, 11) << all;
			QTest::newRow("Android 12") << QOperatingSystemVersion(QOperatingSystemVersion::Android, 12) << supported;
			QTest::newRow("Android 13") << QOperatingSystemVersion(QOperatingSystemVersion::Android, 13) << supported;
			QTest::newRow("iOS 12") << QOperatingSystemVersion(QOperatingSystemVersion::IOS, 12) << supported;
			QTest::newRow("iOS 17") << QOperatingSystemVersion(QOperatingSystemVersion::IOS, 17) << supported;
			QTest::newRow("Windows") << QOperatingSystemVersion::Windows10 << all;
			QTest::newRow("macOS") << QOperatingSystemVersion(QOperatingSystemVersion::MacOS, 14) << all;
			QTest::newRow("running system") << QOperatingSystemVersion::current() << all;
		}


		void eidSupport()
		{
			QFETCH(QOperatingSystemVersion, system);
			QFETCH(QStringList, expected);

			QCOMPARE(ids(ProviderConfigurationParser::parseProvider(cMixedSupport, system)), expected);
		}


		void runningSystemListsEveryProvider()
		{
			QCOMPARE(ids(ProviderConfigurationParser::parseProvider(cMixedSupport)).size(), 4);
		}


		void providerFields()
		{
			const auto data = quoted("{'provider': [{"
					"'shortName': {'de': 'Kurz', 'en': 'Short'},"
					"'longName': {'en': 'Long'},"
					"'longDescription': 'plain text',"
					"'address': 'https://service.example/login',"
					"'homepage': 'https://service.example/',"
					"'category': 'finance',"
					"'phone': '0800 1',"
					"'email': 'mail@service.example',"
					"'postalAddress': 'Street 1',"
					"'icon': 'icon.svg',"
					"'image': 'image.svg',"
					"'internalId': 'service',"
					"'unknown': 'ignored'"
					"}, {'address': 42, 'shortName': null}]}");

			const auto providers = ProviderConfigurationParser::parseProvider(data, QOperatingSystemVersion::Windows10);
			QCOMPARE(providers.size(), 2);

			const auto& full = providers.at(0);
			QCOMPARE(full.getShortName().getTexts(), (QMap<QString, QString>{{"de", "Kurz"}, {"en", "Short"}}));
			QCOMPARE(full.getLongName().getText(QStringLiteral("en")), QStringLiteral("Long"));
			// A name that is no object has no text in any language.
			QVERIFY(full.getLongDescription().isEmpty());
			QCOMPARE(full.getAddress(), QStringLiteral("https://service.example/login"));
			QCOMPARE(full.getHomepage(), QStringLiteral("https://service.example/"));
			QCOMPARE(full.getCategory(), QStringLiteral("finance"));
			QCOMPARE(full.getPhone(), QStringLiteral("0800 1"));
			QCOMPARE(full.getEMail(), QStringLiteral("mail@service.example"));
			QCOMPARE(full.getPostalAddress(), QStringLiteral("Street 1"));
			QCOMPARE(full.getIconName(), QStringLiteral("icon.svg"));
			QCOMPARE(full.getImageName(), QStringLiteral("image.svg"));
			QCOMPARE(full.getInternalId(), QStringLiteral("service"));

			// Missing members and members of the wrong type are empty; the element is still taken.
			const auto& sparse = providers.at(1);
			QVERIFY(sparse.getShortName().isEmpty());
			QVERIFY(sparse.getAddress().isEmpty());
			QVERIFY(sparse.getInternalId().isEmpty());
		}


		void callCosts()
		{
			const auto data = quoted("{'callcosts': ["
					"{'prefixes': ['0800', '0180'], 'free-seconds': 30, 'landline': {'per-minute': 0.14, 'per-call': 0.2}, 'mobile': {'per-minute': 0.42, 'per-call': 0.6}},"
					"{'prefixes': ['0180'], 'landline': {'per-minute': 0.09}},"
					"{'prefixes': ['0900'], 'free-seconds': 'many', 'mobile': 3}"
					"]}");

			const auto costs = ProviderConfigurationParser::parseCallCosts(data);
			QCOMPARE(costs.keys(), QStringList({"0180", "0800", "0900"}));
			QCOMPARE(costs.value(QStringLiteral("0800")), CallCost(30, 0.14, 0.2, 0.42, 0.6));
			// The later record replaces the earlier one as a whole, unset fields included.
			QCOMPARE(costs.value(QStringLiteral("0180")), CallCost(0, 0.09, 0.0, 0.0, 0.0));
			QCOMPARE(costs.value(QStringLiteral("0900")), CallCost());
		}


		void emptyLists_data()
		{
			QTest::addColumn<QByteArray>("data");

			QTest::newRow("syntax error") << QByteArray("{'callcosts': [");
			QTest::newRow("no members") << QByteArray("{}");
			QTest::newRow("lists of the wrong type") << quoted("{'callcosts': {}, 'provider': 'none'}");
			QTest::newRow("array document") << quoted("[{'prefixes': ['0800']}]");
		}


		void emptyLists()
		{
			QFETCH(QByteArray, data);

			const LogCapture capture;
			QVERIFY(ProviderConfigurationParser::parseCallCosts(data).isEmpty());
			QVERIFY(ProviderConfigurationParser::parseProvider(data, QOperatingSystemVersion::Windows10).isEmpty());

			const bool syntaxError = QByteArray(QTest::currentDataTag()) == "syntax error";
			QCOMPARE(capture.contains(QStringLiteral("Cannot parse call costs:")), syntaxError);
			QCOMPARE(capture.contains(QStringLiteral("Cannot parse providers:")), syntaxError);
		}


};

KENDRAWELL_TEST_MAIN(test_ProviderConfigurationParser)
#include "test_ProviderConfigurationParser.moc"
