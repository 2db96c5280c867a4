#include "ReaderConfigurationParser.h"

#include "LogCapture.h"
#include "TestEnvironment.h"
#include "UpdatableFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace tessarovin;

namespace
{

// JSON written with single quotes, which read more easily in C++ strings than escaped ones.
QByteArray quoted(const char* pJson)
{
	return QByteArray(pJson).replace('\'', '"');
}


const QByteArray cDriver = quoted("'Drivers': [{'Platforms': [{'os': 'unknown'}], 'URL': 'https://drivers.example/ccid'}]");


QByteArray document(const QByteArray& pDevices)
{
	return quoted("{'SupportedDevices': [") + pDevices + QByteArrayLiteral("]}");
}


QByteArray entry(const QByteArray& pFields, const QByteArray& pDrivers = cDriver)
{
	return QByteArrayLiteral("{") + pFields + QByteArrayLiteral(", ") + pDrivers + QByteArrayLiteral("}");
}


QStringList driverWarnings(const LogCapture& pCapture)
{
	QStringList result;
	for (const auto& logEntry : pCapture.entries())
	{
		if (logEntry.mCategory == QLatin1String("card_drivers") && logEntry.mType == QtWarningMsg)
		{
			result << logEntry.mMessage;
		}
	}
	return result;
}


} // namespace


class test_ReaderConfigurationParser
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void rejected_data()
		{
			QTest::addColumn<QByteArray>("json");
			QTest::addColumn<QStringList>("warnings");

			const QString invalidEntry = QStringLiteral("Invalid reader configuration entry: <last>");
			const QString duplicate = QStringLiteral("Invalid reader configuration entry: '<last>' duplicate reader information");
			const QByteArray reader = entry(quoted("'VendorId': '0C4B', 'ProductIds': ['9102'], 'Name': 'cyberJack'"));

			QTest::newRow("top level is an array") << QByteArray("[]") << QStringList({"Expected object at top level"});
			QTest::newRow("empty object") << QByteArray("{}") << QStringList({"Expected object at top level"});
			QTest::newRow("no device list") << quoted("{'Devices': []}")
											<< QStringList({"Root object does not contain a property named 'SupportedDevices'"});
			QTest::newRow("device list no array") << quoted("{'SupportedDevices': {}}")
												  << QStringList({"The value of 'SupportedDevices' must be an array"});
			QTest::newRow("empty device list") << document("") << QStringList();

			QTest::newRow("entry no object") << document("1") << QStringList({"Cannot parse Json value: object expected", invalidEntry});
			QTest::newRow("vendor id missing") << document(entry(quoted("'ProductIds': ['9102'], 'Name': 'A'")))
											   << QStringList({"Invalid or missing vendor id", invalidEntry});
			QTest::newRow("vendor id a number") << document(entry(quoted("'VendorId': 3147, 'ProductIds': ['9102'], 'Name': 'A'")))
												<< QStringList({"Invalid or missing vendor id", invalidEntry});
			QTest::newRow("vendor id no hex") << document(entry(quoted("'VendorId': '0C4G', 'ProductIds': ['9102'], 'Name': 'A'")))
											  << QStringList({"Invalid or missing vendor id", invalidEntry});
			QTest::newRow("empty ProductIds") << document(entry(quoted("'VendorId': '0C4B', 'ProductIds': [], 'Name': 'A'")))
											  << QStringList({"Invalid or missing product ids", invalidEntry});
			QTest::newRow("empty ProductIds beside ProductId") << document(entry(quoted("'VendorId': '0C4B', 'ProductIds': [], 'ProductId': '9102', 'Name': 'A'")))
															   << QStringList({"Invalid or missing product ids", invalidEntry});
			QTest::newRow("ProductIds with a number") << document(entry(quoted("'VendorId': '0C4B', 'ProductIds': ['9102', 1], 'Name': 'A'")))
													  << QStringList({"Invalid or missing product ids", invalidEntry});
			QTest::newRow("no product id") << document(entry(quoted("'VendorId': '0C4B', 'Name': 'A'")))
										   << QStringList({"Invalid or missing product ids", invalidEntry});
			QTest::newRow("virtual reader without product id") << document(entry(quoted("'VendorId': '0', 'Name': 'A'")))
															   << QStringList({"Invalid or missing product ids", invalidEntry});
			QTest::newRow("empty name") << document(entry(quoted("'VendorId': '0C4B', 'ProductIds': ['9102'], 'Name': ''")))
										<< QStringList({"Invalid or missing name", invalidEntry});
			QTest::newRow("drivers no array") << document(entry(quoted("'VendorId': '0C4B', 'ProductIds': ['9102'], 'Name': 'A'"), quoted("'Drivers': {}")))
											  << QStringList({"The value of 'Drivers' must be an array", "Invalid driver URL entry", invalidEntry});
			QTest::newRow("empty driver object") << document(entry(quoted("'VendorId': '0C4B', 'ProductIds': ['9102'], 'Name': 'A'"), quoted("'Drivers': [{}]")))
												 << QStringList({"Drivers entry must be a valid object", "Invalid driver URL entry", invalidEntry});
			QTest::newRow("no platforms") << document(entry(quoted("'VendorId': '0C4B', 'ProductIds': ['9102'], 'Name': 'A'"), quoted("'Drivers': [{'URL': 'https://a'}]")))
										  << QStringList({"Invalid or missing Platforms tag", "Invalid driver URL entry", invalidEntry});
			QTest::newRow("driver without URL before a matching one")
				<< document(entry(quoted("'VendorId': '0C4B', 'ProductIds': ['9102'], 'Name': 'A'"),
					quoted("'Drivers': [{'Platforms': [{'os': 'win'}]}, {'Platforms': [{'os': 'unknown'}], 'URL': 'https://a'}]")))
				<< QStringList({"Invalid or missing URL tag", "Invalid driver URL entry", invalidEntry});

			QTest::newRow("a broken entry after good ones") << document(reader + ", 1") << QStringList({"Cannot parse Json value: object expected", invalidEntry});
			QTest::newRow("duplicate name") << document(reader + ", " + entry(quoted("'VendorId': '0C4B', 'ProductIds': ['0500'], 'Name': 'cyberJack'")))
											<< QStringList({duplicate});
			QTest::newRow("duplicate ids") << document(reader + ", " + entry(quoted("'VendorId': '0x0c4b', 'ProductIds': ['0500', '9102'], 'Name': 'B'")))
										   << QStringList({duplicate});
			QTest::newRow("duplicate pattern") << document(entry(quoted("'VendorId': '0', 'ProductIds': ['1'], 'Name': 'A', 'Pattern': '^Sim'")) + ", "
					+ entry(quoted("'VendorId': '0', 'ProductIds': ['2'], 'Name': 'B', 'Pattern': '^Sim'")))
											   << QStringList({duplicate});
		}


		void rejected()
		{
			QFETCH(QByteArray, json);
			QFETCH(QStringList, warnings);

			const auto devices = QJsonDocument::fromJson(json).object().value(QLatin1String("SupportedDevices")).toArray();
			const auto last = devices.isEmpty() ? QJsonValue() : devices.last();
			const auto lastText = last.isObject() ? QString::fromUtf8(QJsonDocument(last.toObject()).toJson(QJsonDocument::Indented)) : QStringLiteral("1");
			for (auto& warning : warnings)
			{
				warning.replace(QStringLiteral("<last>"), lastText);
			}

			const LogCapture capture;
			QVERIFY(ReaderConfigurationParser::parse(json).isEmpty());
			QCOMPARE(driverWarnings(capture), warnings);
		}


		void entryQuotedIndented()
		{
			const LogCapture capture;
			QVERIFY(ReaderConfigurationParser::parse(document(entry(quoted("'VendorId': '0C4B', 'ProductIds': ['9102'], 'Name': ''")))).isEmpty());

			// Qt's indented form: one member a line, four spaces in, keys in order.
			const auto message = driverWarnings(capture).constLast();
			QVERIFY(message.startsWith(QStringLiteral("Invalid reader configuration entry: {\n    \"Drivers\": [\n")));
			QVERIFY(message.contains(QStringLiteral("\n    \"Name\": \"\",\n    \"ProductIds\": [\n        \"9102\"\n    ],\n    \"VendorId\": \"0C4B\"\n}\n")));
		}


		void parseError()
		{
			const LogCapture capture;
			QVERIFY(ReaderConfigurationParser::parse(quoted("{'SupportedDevices': [")).isEmpty());
			const auto warnings = driverWarnings(capture);
			QCOMPARE(warnings.size(), 1);
			QVERIFY2(warnings.first().startsWith(QStringLiteral("Json parsing failed. Error at offset 22: ")), qPrintable(warnings.first()));
		}


		void accepted_data()
		{
			QTest::addColumn<QByteArray>("json");
			QTest::addColumn<int>("count");
			QTest::addColumn<quint32>("vendorId");
			QTest::addColumn<QList<quint32>>("productIds");
			QTest::addColumn<QString>("url");

			const QByteArray matching = quoted("{'Platforms': [{'os': 'unknown'}], 'URL': 'https://drivers.example/linux'}");
			const QByteArray windows = quoted("{'Platforms': [{'os': 'win', 'min': '10'}, {'os': 'mac'}], 'URL': 'https://drivers.example/win'}");

			QTest::newRow("ProductIds over ProductId") << document(entry(quoted("'VendorId': '0C4B', 'ProductIds': ['9102', '0x0500'], 'ProductId': '1234', 'Name': 'A'")))
													   << 1 << 0x0C4Bu << QList<quint32>({0x0500, 0x9102}) << "https://drivers.example/ccid";
			QTest::newRow("ProductId alone") << document(entry(quoted("'VendorId': '0x0C4B', 'ProductId': '9102', 'Name': 'A'")))
											 << 1 << 0x0C4Bu << QList<quint32>({0x9102}) << "https://drivers.example/ccid";
			QTest::newRow("ProductId when ProductIds is no array") << document(entry(quoted("'VendorId': '0C4B', 'ProductIds': '0500', 'ProductId': '9102', 'Name': 'A'")))
																   << 1 << 0x0C4Bu << QList<quint32>({0x9102}) << "https://drivers.example/ccid";
			QTest::newRow("non-matching then matching driver") << document(entry(quoted("'VendorId': '0C4B', 'ProductIds': ['9102'], 'Name': 'A'"),
					"\"Drivers\": [" + windows + ", " + matching + "]"))
															   << 1 << 0x0C4Bu << QList<quint32>({0x9102}) << "https://drivers.example/linux";
			QTest::newRow("no driver for this platform") << document(entry(quoted("'VendorId': '0C4B', 'ProductIds': ['9102'], 'Name': 'A'"), "\"Drivers\": [" + windows + "]"))
														 << 1 << 0x0C4Bu << QList<quint32>({0x9102}) << "";
			QTest::newRow("no drivers at all") << document(entry(quoted("'VendorId': '0C4B', 'ProductIds': ['9102'], 'Name': 'A'"), quoted("'Drivers': []")))
											   << 1 << 0x0C4Bu << QList<quint32>({0x9102}) << "";
			// No version of this system is known to compare with.
			QTest::newRow("versions not compared here") << document(entry(quoted("'VendorId': '0C4B', 'ProductIds': ['9102'], 'Name': 'A'"),
					quoted("'Drivers': [{'Platforms': [{'os': 'unknown', 'min': '99', 'max': '1'}], 'URL': 'https://a'}]")))
														<< 1 << 0x0C4Bu << QList<quint32>({0x9102}) << "https://a";
			QTest::newRow("two virtual entries with distinct names") << document(entry(quoted("'VendorId': '0', 'ProductIds': ['1'], 'Name': 'Simulator', 'Pattern': '^Sim'")) + ", "
					+ entry(quoted("'VendorId': '0', 'ProductIds': ['1'], 'Name': 'Remote', 'Pattern': '^Remote'")))
																	 << 2 << 0u << QList<quint32>({1}) << "https://drivers.example/ccid";
			QTest::newRow("same ids under other vendors") << document(entry(quoted("'VendorId': '0C4B', 'ProductIds': ['9102'], 'Name': 'A'")) + ", "
					+ entry(quoted("'VendorId': '04E6', 'ProductIds': ['9102'], 'Name': 'B'")))
														  << 2 << 0x0C4Bu << QList<quint32>({0x9102}) << "https://drivers.example/ccid";
			QTest::newRow("empty patterns are no duplicates") << document(entry(quoted("'VendorId': '0C4B', 'ProductIds': ['9102'], 'Name': 'A'")) + ", "
					+ entry(quoted("'VendorId': '0C4B', 'ProductIds': ['0500'], 'Name': 'B', 'Pattern': ''")))
															  << 2 << 0x0C4Bu << QList<quint32>({0x9102}) << "https://drivers.example/ccid";
		}


		void accepted()
		{
			QFETCH(QByteArray, json);
			QFETCH(int, count);
			QFETCH(quint32, vendorId);
			QFETCH(QList<quint32>, productIds);
			QFETCH(QString, url);

			const LogCapture capture;
			const auto infos = ReaderConfigurationParser::parse(json);
			QCOMPARE(driverWarnings(capture), QStringList());
			QCOMPARE(infos.size(), count);

			const auto& first = infos.constFirst();
			QVERIFY(first.isKnownReader());
			QCOMPARE(first.getVendorId(), vendorId);
			QCOMPARE(first.getProductIds(), QSet<quint32>(productIds.cbegin(), productIds.cend()));
			QCOMPARE(first.getUrl(), url);
			// Valid without a driver: empty, never the null that means failure.
			QVERIFY(!first.getUrl().isNull());
		}


		void entryFields()
		{
			const auto json = entry(quoted("'VendorId': '0C4B', 'ProductIds': ['9102'], 'Name': 'cyberJack', 'Pattern': 'cyberJack RFID (basis|komfort)', 'Icon': 'img_cyberjack.png'"));
			const auto info = ReaderConfigurationParser::EntryParser(QJsonDocument::fromJson(json).object()).parse();
			const ReaderConfigurationInfo expected(0x0C4B, {0x9102}, QStringLiteral("cyberJack"), QStringLiteral("https://drivers.example/ccid"),
					QStringLiteral("cyberJack RFID (basis|komfort)"), QStringLiteral("img_cyberjack.png"));
			QCOMPARE(info, expected);
			QVERIFY(!(info == ReaderConfigurationInfo(0x0C4B, {0x9102}, QStringLiteral("cyberJack"), QStringLiteral("https://drivers.example/ccid"),
					QStringLiteral("cyberJack RFID (basis|komfort)"), QStringLiteral("other.png"))));

			const auto missing = QJsonDocument::fromJson(entry(quoted("'VendorId': '0C4B', 'ProductIds': ['9102'], 'Name': 'cyberJack'"))).object();
			const auto plain = ReaderConfigurationParser::EntryParser(missing).parse();
			QCOMPARE(plain.getPattern(), QString());
			QCOMPARE(plain.getIcon()->lookupPath(), QStringLiteral(":/images/desktop/default_reader.png"));
		}


		void unknownReader()
		{
			const ReaderConfigurationInfo unknown;
			QVERIFY(!unknown.isKnownReader());
			QCOMPARE(unknown.getName(), QStringLiteral("Unknown reader"));
			QCOMPARE(unknown.getVendorId(), 0u);
			QVERIFY(unknown.getProductIds().isEmpty());
			QVERIFY(unknown.getUrl().isEmpty());
			QVERIFY(unknown.getPattern().isEmpty());

			const ReaderConfigurationInfo named(QStringLiteral("ACS ACR122U"));
			QVERIFY(!named.isKnownReader());
			QCOMPARE(named.getName(), QStringLiteral("ACS ACR122U"));
			QVERIFY(!(named == unknown));
			QCOMPARE(named, ReaderConfigurationInfo(QStringLiteral("ACS ACR122U")));
			// A known entry of the same name is a different thing.
			QVERIFY(!(named == ReaderConfigurationInfo(0, {1}, QStringLiteral("ACS ACR122U"), QString(), QString(), QStringLiteral("default_reader.png"))));
		}


};

KENDRAWELL_TEST_MAIN(test_ReaderConfigurationParser)
#include "test_ReaderConfigurationParser.moc"
