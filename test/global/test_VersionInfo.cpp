#include "VersionInfo.h"

#include "LogCapture.h"
#include "TestEnvironment.h"

using namespace tessarovin;

namespace
{

using InfoMap = QMap<QString, QString>;

InfoMap toMap(const VersionInfo& pInfo)
{
	InfoMap map;
	const auto object = pInfo.toJsonObject();
	for (auto entry = object.constBegin(); entry != object.constEnd(); ++entry)
	{
		map.insert(entry.key(), entry.value().toString());
	}
	return map;
}


} // namespace


class test_VersionInfo
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void initTestCase()
		{
			QCoreApplication::setOrganizationName(QStringLiteral("Tessarovin"));
			QCoreApplication::setApplicationVersion(QStringLiteral("2.6.3+120-default"));
		}


		void ownRecord()
		{
			const auto info = VersionInfo::getInstance();
			QVERIFY(!info.isNull());
			QCOMPARE(toMap(info), InfoMap({
						{QStringLiteral("Name"), QStringLiteral("Kendrawell2")},
						{QStringLiteral("Implementation-Title"), QStringLiteral("Kendrawell2")},
						{QStringLiteral("Implementation-Vendor"), QStringLiteral("Tessarovin")},
						{QStringLiteral("Implementation-Version"), QStringLiteral("2.6.3+120-default")},
						{QStringLiteral("Specification-Title"), QStringLiteral("TR-03124-1")},
						{QStringLiteral("Specification-Vendor"), QStringLiteral("Federal Office for Information Security")},
						{QStringLiteral("Specification-Version"), QStringLiteral("1.4")}
					}));
			QCOMPARE(info.getImplementationTitle(), QStringLiteral("Kendrawell2"));
			QCOMPARE(info.getImplementationVersion(), QStringLiteral("2.6.3+120-default"));
			QCOMPARE(info.getSpecificationTitle(), QStringLiteral("TR-03124-1"));
			QCOMPARE(info.getSpecificationVersion(), QStringLiteral("1.4"));

			QCOMPARE(info.toText(), QStringLiteral(
						"Implementation-Title: Kendrawell2\n"
						"Implementation-Vendor: Tessarovin\n"
						"Implementation-Version: 2.6.3+120-default\n"
						"Name: Kendrawell2\n"
						"Specification-Title: TR-03124-1\n"
						"Specification-Vendor: Federal Office for Information Security\n"
						"Specification-Version: 1.4"));
		}


		void textRoundTrip()
		{
			const auto info = VersionInfo::getInstance();
			const LogCapture capture;
			const auto parsed = VersionInfo::fromText(info.toText());
			QCOMPARE(toMap(parsed), toMap(info));
			QCOMPARE(parsed.toText(), info.toText());
			QVERIFY(capture.entries().isEmpty());
		}


		void fromText_data()
		{
			QTest::addColumn<QString>("text");
			QTest::addColumn<InfoMap>("map");
			QTest::addColumn<QStringList>("logged");

			QTest::newRow("trimmed") << QStringLiteral(" Name :  x ") << InfoMap({{QStringLiteral("Name"), QStringLiteral("x")}}) << QStringList();
			QTest::newRow("no name") << QStringLiteral("Implementation-Version: 2.6.3") << InfoMap() << QStringList({QStringLiteral("VersionInfo invalid... clearing")});
			QTest::newRow("two colons") << QStringLiteral("Name: x\nImplementation-Version: http://a:1") << InfoMap({{QStringLiteral("Name"), QStringLiteral("x")}})
										<< QStringList({QStringLiteral("Cannot parse line: \"Implementation-Version: http://a:1\"")});
			QTest::newRow("empty line") << QStringLiteral("Name: x\n\nSpecification-Version: 1.4\n") << InfoMap({{QStringLiteral("Name"), QStringLiteral("x")}, {QStringLiteral("Specification-Version"), QStringLiteral("1.4")}})
										<< QStringList({QStringLiteral("Cannot parse line: \"\""), QStringLiteral("Cannot parse line: \"\"")});
			QTest::newRow("empty key") << QStringLiteral("Name: x\n  : y") << InfoMap({{QStringLiteral("Name"), QStringLiteral("x")}}) << QStringList({QStringLiteral("Cannot parse line: \"  : y\"")});
			QTest::newRow("empty value") << QStringLiteral("Name:") << InfoMap({{QStringLiteral("Name"), QString()}}) << QStringList();
			QTest::newRow("later line wins") << QStringLiteral("Name: a\nName: b") << InfoMap({{QStringLiteral("Name"), QStringLiteral("b")}}) << QStringList();
			QTest::newRow("no colon") << QStringLiteral("Name x") << InfoMap() << QStringList({QStringLiteral("Cannot parse line: \"Name x\"")});
		}


		void fromText()
		{
			QFETCH(QString, text);
			QFETCH(InfoMap, map);
			QFETCH(QStringList, logged);

			const LogCapture capture;
			const auto info = VersionInfo::fromText(text);
			QCOMPARE(toMap(info), map);
			QCOMPARE(info.isNull(), map.isEmpty());
			QCOMPARE(capture.messages(), logged);
		}


		void mapInvariant()
		{
			QVERIFY(VersionInfo().isNull());
			QVERIFY(VersionInfo(InfoMap()).isNull());

			const LogCapture capture;
			const VersionInfo withoutName(InfoMap({{QStringLiteral("Implementation-Title"), QStringLiteral("x")}}));
			QVERIFY(withoutName.isNull());
			QVERIFY(withoutName.getImplementationTitle().isEmpty());
			QCOMPARE(capture.messages(), QStringList({QStringLiteral("VersionInfo invalid... clearing")}));

			const VersionInfo onlyName(InfoMap({{QStringLiteral("Name"), QStringLiteral("x")}}));
			QVERIFY(!onlyName.isNull());
			QVERIFY(onlyName.getImplementationTitle().isEmpty());
			QVERIFY(onlyName.getSpecificationVersion().isEmpty());
		}


		void json()
		{
			const VersionInfo info(InfoMap({{QStringLiteral("Name"), QStringLiteral("Kendrawell2")}, {QStringLiteral("Specification-Version"), QStringLiteral("1.4")}}));
			QCOMPARE(info.toJson(QJsonDocument::Compact), QByteArray("{\"Name\":\"Kendrawell2\",\"Specification-Version\":\"1.4\"}"));
			QCOMPARE(info.toJson(QJsonDocument::Indented), QByteArray("{\n    \"Name\": \"Kendrawell2\",\n    \"Specification-Version\": \"1.4\"\n}\n"));

			QString text;
			QDebug(&text) << info;
			QCOMPARE(text.trimmed(), QStringLiteral("VersionInfo({\"Name\":\"Kendrawell2\",\"Specification-Version\":\"1.4\"})"));
		}


};

KENDRAWELL_TEST_MAIN(test_VersionInfo)
#include "test_VersionInfo.moc"
