// The self-authentication document: documents written by hand in the service's format (fixtures/,
// one with the simulated card's data) and in the tests, and the display rows they give. The
// locale is the English one of a program without translation, so the labels and dates are the untranslated ones.
#include "SelfAuthenticationData.h"

#include "LanguageLoader.h"
#include "LogCapture.h"
#include "TestEnvironment.h"

#include <QDateTime>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QScopeGuard>

#include <ctime>


using namespace tessarovin;

namespace
{

using Rows = SelfAuthenticationData::OrderedSelfData;

const QString cAddress = QStringLiteral("Address");
const QString cNotOnChip = QStringLiteral("This data has not been stored in this chip generation.");


// Documents written by hand in the service's format.
QByteArray fixture(const QString& pName)
{
	QFile file(getProgramDirectory() + QStringLiteral("/fixtures/selfauth/") + pName);
	if (!file.open(QIODevice::ReadOnly))
	{
		qFatal("Missing fixture %s", qPrintable(file.fileName()));
	}
	return file.readAll();
}


// What the service returns after reading the simulated card with every right granted.
QByteArray simulatorDocument()
{
	return fixture(QStringLiteral("simulator_card.json"));
}


QByteArray document(const QJsonObject& pAllowed, const QJsonObject& pPersonal)
{
	return QJsonDocument(QJsonObject({{QStringLiteral("OperationsAllowedByUser"), pAllowed}, {QStringLiteral("PersonalData"), pPersonal}})).toJson();
}


Rows row(const QString& pLabel, const QString& pValue)
{
	return Rows({qMakePair(pLabel, pValue)});
}


} // namespace


class test_SelfAuthenticationData
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void initTestCase()
		{
			// A zone with summer time, whose clocks skipped 02:00 to 03:00 on 25 March 1984.
			qputenv("TZ", "Europe/Berlin");
			tzset();
			QVERIFY(!QDateTime(QDate(1984, 3, 25), QTime(2, 30)).isValid());
			QCOMPARE(LanguageLoader::getInstance().getUsedLocale().language(), QLocale::English);
		}


		void enums()
		{
			QCOMPARE(Enum<SelfAuthData>::allValues().size(), 22);
			QCOMPARE(static_cast<int>(SelfAuthData::PlaceOfResidence), 11);
			QCOMPARE(static_cast<int>(SelfAuthData::PlaceOfResidenceNoPlaceInfo), 21);
			QCOMPARE(static_cast<int>(SelfAuthDataPermission::NOTONCHIP), 3);
		}


		void documents_data()
		{
			QTest::addColumn<QString>("file");
			QTest::addColumn<Rows>("rows");

			// An empty value is a value; only items without one are left out.
			QTest::newRow("simulated card") << QStringLiteral("simulator_card.json") << Rows({
						{QStringLiteral("Family name"), QStringLiteral("KESTERMANN")},
						{QStringLiteral("Birth name"), QStringLiteral("BRANDT")},
						{QStringLiteral("Given name(s)"), QStringLiteral("MARLENE")},
						{QStringLiteral("Doctoral degree"), QString()},
						{QStringLiteral("Date of birth"), QStringLiteral("12.08.1984")},
						{QStringLiteral("Place of birth"), QStringLiteral("HAMBURG")},
						{cAddress, QStringLiteral("MÜHLENWEG 7")},
						{QString(), QStringLiteral("50667 KÖLN")},
						{QString(), QStringLiteral("D")},
						{QStringLiteral("Document type"), QStringLiteral("ID")},
						{QStringLiteral("Nationality"), QStringLiteral("D")},
						{QStringLiteral("Religious / artistic name"), QString()},
						{QStringLiteral("Issuing country"), QStringLiteral("D")},
						{QStringLiteral("Valid until"), QStringLiteral("30.06.2034")}
					});
			QTest::newRow("card of the first generation") << QStringLiteral("first_generation_card.json") << Rows({
						{QStringLiteral("Family name"), QStringLiteral("KESTERMANN")},
						{QStringLiteral("Given name(s)"), QStringLiteral("MARLENE")},
						{QStringLiteral("Doctoral degree"), QStringLiteral("DR.")},
						{QStringLiteral("Date of birth"), QStringLiteral("xx.xx.1984")},
						{QStringLiteral("Place of birth"), QStringLiteral("HAMBURG")},
						{cAddress, QStringLiteral("keine Hauptwohnung in Deutschland")},
						{QStringLiteral("Document type"), QStringLiteral("ID")},
						{QStringLiteral("Nationality"), QStringLiteral("D")},
						{QStringLiteral("Religious / artistic name"), cNotOnChip},
						{QStringLiteral("Issuing country"), QStringLiteral("D")},
						{QStringLiteral("Valid until"), QStringLiteral("xx.11.2020")}
					});
			QTest::newRow("residence permit") << QStringLiteral("residence_permit.json") << Rows({
						{QStringLiteral("Family name"), QStringLiteral("OKONKWO")},
						{QStringLiteral("Given name(s)"), QStringLiteral("ADA")},
						{QStringLiteral("Date of birth"), QStringLiteral("xx.08.1984")},
						{QStringLiteral("Place of birth"), QStringLiteral("LAGOS")},
						{cAddress, QStringLiteral("10115 BERLIN")},
						{QStringLiteral("Document type"), QStringLiteral("AR")},
						{QStringLiteral("Nationality"), cNotOnChip},
						{QStringLiteral("Issuing country"), QStringLiteral("D")},
						{QStringLiteral("Residence permit I"), QStringLiteral("RESIDENCE PERMIT 1")},
						{QStringLiteral("Valid until"), QStringLiteral("31.01.2029")}
					});
		}


		void documents()
		{
			QFETCH(QString, file);
			QFETCH(Rows, rows);

			const SelfAuthenticationData data(fixture(file));
			QVERIFY(data.isValid());
			QCOMPARE(data.getOrderedSelfData(), rows);
		}


		void invalid_data()
		{
			QTest::addColumn<QByteArray>("json");
			QTest::addColumn<QString>("message");

			QTest::newRow("empty") << QByteArray() << QString();
			QTest::newRow("not JSON") << QByteArray("{\"OperationsAllowedByUser\": {") << QStringLiteral("JSON parsing failed:");
			QTest::newRow("an array") << QByteArray("[]") << QStringLiteral("JSON value \"OperationsAllowedByUser\" is of wrong type: 128");
			QTest::newRow("no permissions") << QByteArray(R"({"PersonalData": {"Unheard": "x"}})") << QStringLiteral("JSON value \"OperationsAllowedByUser\" is of wrong type: 128");
			QTest::newRow("permissions a string") << QByteArray(R"({"OperationsAllowedByUser": "ALLOWED", "PersonalData": {}})") << QStringLiteral("JSON value \"OperationsAllowedByUser\" is of wrong type: 3");
			QTest::newRow("permissions null") << QByteArray(R"({"OperationsAllowedByUser": null, "PersonalData": {}})") << QStringLiteral("JSON value \"OperationsAllowedByUser\" is of wrong type: 0");
			QTest::newRow("no data") << QByteArray(R"({"OperationsAllowedByUser": {"FamilyNames": "ALLOWED"}})") << QStringLiteral("JSON value \"PersonalData\" is of wrong type: 128");
			QTest::newRow("data an array") << QByteArray(R"({"OperationsAllowedByUser": {}, "PersonalData": []})") << QStringLiteral("JSON value \"PersonalData\" is of wrong type: 4");
			QTest::newRow("data a number") << QByteArray(R"({"OperationsAllowedByUser": {}, "PersonalData": 5})") << QStringLiteral("JSON value \"PersonalData\" is of wrong type: 2");
		}


		void invalid()
		{
			QFETCH(QByteArray, json);
			QFETCH(QString, message);

			const LogCapture log;
			const SelfAuthenticationData data(json);
			QVERIFY(!data.isValid());
			QVERIFY(data.getOrderedSelfData().isEmpty());
			if (message.isEmpty())
			{
				QVERIFY(log.messages().isEmpty());
			}
			else
			{
				QVERIFY2(log.contains(message), qPrintable(log.messages().join(QLatin1Char('\n'))));
			}
			// The personal data of a document without permissions are never read.
			QVERIFY(!log.contains(QStringLiteral("PersonalData is unknown")));
		}


		void permissions_data()
		{
			QTest::addColumn<QJsonObject>("allowed");
			QTest::addColumn<QJsonObject>("personal");
			QTest::addColumn<Rows>("rows");

			const QJsonObject names({{QStringLiteral("FamilyNames"), QStringLiteral("KESTERMANN")}, {QStringLiteral("GivenNames"), QStringLiteral("MARLENE")}});
			QTest::newRow("allowed") << QJsonObject({{QStringLiteral("FamilyNames"), QStringLiteral("ALLOWED")}, {QStringLiteral("GivenNames"), QStringLiteral("ALLOWED")}}) << names
									 << Rows({{QStringLiteral("Family name"), QStringLiteral("KESTERMANN")}, {QStringLiteral("Given name(s)"), QStringLiteral("MARLENE")}});
			QTest::newRow("prohibited") << QJsonObject({{QStringLiteral("FamilyNames"), QStringLiteral("PROHIBITED")}, {QStringLiteral("GivenNames"), QStringLiteral("ALLOWED")}}) << names
										<< row(QStringLiteral("Given name(s)"), QStringLiteral("MARLENE"));
			QTest::newRow("no permission") << QJsonObject({{QStringLiteral("GivenNames"), QStringLiteral("ALLOWED")}}) << names
										   << row(QStringLiteral("Given name(s)"), QStringLiteral("MARLENE"));
			QTest::newRow("unknown permission") << QJsonObject({{QStringLiteral("FamilyNames"), QStringLiteral("UNKNOWN")}, {QStringLiteral("GivenNames"), QStringLiteral("allowed")}}) << names
												<< Rows();
			QTest::newRow("allowed without a value") << QJsonObject({{QStringLiteral("FamilyNames"), QStringLiteral("ALLOWED")}, {QStringLiteral("BirthName"), QStringLiteral("ALLOWED")}}) << names
													 << row(QStringLiteral("Family name"), QStringLiteral("KESTERMANN"));
			QTest::newRow("values of other types") << QJsonObject({{QStringLiteral("FamilyNames"), QStringLiteral("ALLOWED")}, {QStringLiteral("GivenNames"), QStringLiteral("ALLOWED")}})
												   << QJsonObject({{QStringLiteral("FamilyNames"), 5}, {QStringLiteral("GivenNames"), QJsonObject()}}) << Rows();
			QTest::newRow("items never shown") << QJsonObject({{QStringLiteral("RestrictedID"), QStringLiteral("ALLOWED")}, {QStringLiteral("AgeVerification"), QStringLiteral("ALLOWED")}, {QStringLiteral("PlaceVerification"), QStringLiteral("ALLOWED")}})
											   << QJsonObject({{QStringLiteral("RestrictedID"), QStringLiteral("x")}, {QStringLiteral("AgeVerification"), QStringLiteral("true")}, {QStringLiteral("PlaceVerification"), QStringLiteral("true")}})
											   << Rows();

			QTest::newRow("not on chip") << QJsonObject({{QStringLiteral("ArtisticName"), QStringLiteral("NOTONCHIP")}}) << QJsonObject()
										 << row(QStringLiteral("Religious / artistic name"), cNotOnChip);
			QTest::newRow("nationality not on chip of an ID") << QJsonObject({{QStringLiteral("Nationality"), QStringLiteral("NOTONCHIP")}, {QStringLiteral("DocumentType"), QStringLiteral("ALLOWED")}})
															  << QJsonObject({{QStringLiteral("DocumentType"), QStringLiteral("ID")}})
															  << Rows({{QStringLiteral("Document type"), QStringLiteral("ID")}, {QStringLiteral("Nationality"), QStringLiteral("D")}});
			QTest::newRow("nationality not on chip of an AR") << QJsonObject({{QStringLiteral("Nationality"), QStringLiteral("NOTONCHIP")}, {QStringLiteral("DocumentType"), QStringLiteral("ALLOWED")}})
															  << QJsonObject({{QStringLiteral("DocumentType"), QStringLiteral("AR")}})
															  << Rows({{QStringLiteral("Document type"), QStringLiteral("AR")}, {QStringLiteral("Nationality"), cNotOnChip}});
			// The rule reads the document type as shown: a prohibited one is no "ID".
			QTest::newRow("nationality not on chip, type prohibited") << QJsonObject({{QStringLiteral("Nationality"), QStringLiteral("NOTONCHIP")}, {QStringLiteral("DocumentType"), QStringLiteral("PROHIBITED")}})
																	  << QJsonObject({{QStringLiteral("DocumentType"), QStringLiteral("ID")}})
																	  << row(QStringLiteral("Nationality"), cNotOnChip);
			QTest::newRow("dates not on chip") << QJsonObject({{QStringLiteral("DateOfBirth"), QStringLiteral("NOTONCHIP")}, {QStringLiteral("DateOfExpiry"), QStringLiteral("NOTONCHIP")}})
											   << QJsonObject() << Rows();
		}


		void permissions()
		{
			QFETCH(QJsonObject, allowed);
			QFETCH(QJsonObject, personal);
			QFETCH(Rows, rows);

			const SelfAuthenticationData data(document(allowed, personal));
			QVERIFY(data.isValid());
			QCOMPARE(data.getOrderedSelfData(), rows);
		}


		void unknownNames()
		{
			const LogCapture log;
			const SelfAuthenticationData data(R"({
				"OperationsAllowedByUser": {"familynames": "ALLOWED", "UNKNOWN": "ALLOWED", "GivenNames": "Allowed", "BirthName": "ALLOWED"},
				"PersonalData": {"Unheard": "x", "UNKNOWN": "y", "BirthName": "BRANDT"}
			})");
			QVERIFY(data.isValid());
			QCOMPARE(data.getOrderedSelfData(), row(QStringLiteral("Birth name"), QStringLiteral("BRANDT")));
			QVERIFY(log.contains(QStringLiteral("SelfAuthData is unknown: \"familynames\"")));
			QVERIFY(log.contains(QStringLiteral("SelfAuthData is unknown: \"UNKNOWN\"")));
			QVERIFY(log.contains(QStringLiteral("SelfAuthDataPermission is unknown: \"GivenNames\" | \"Allowed\"")));
			QVERIFY(log.contains(QStringLiteral("PersonalData is unknown: \"Unheard\"")));
			QVERIFY(log.contains(QStringLiteral("PersonalData is unknown: \"UNKNOWN\"")));
			// Personal data go nowhere but to the "secure" category, which is off.
			QVERIFY(!log.contains(QStringLiteral("BRANDT")));
		}


		void rawDataOnlyInSecure()
		{
			QLoggingCategory::setFilterRules(QStringLiteral("secure.debug=true"));
			const auto restore = qScopeGuard([] {
					QLoggingCategory::setFilterRules(QString());
				});
			const LogCapture log;
			const SelfAuthenticationData data(simulatorDocument());
			QVERIFY(data.isValid());

			int secureLines = 0;
			const auto entries = log.entries();
			for (const auto& entry : entries)
			{
				if (entry.mCategory == QLatin1String("secure"))
				{
					++secureLines;
					QVERIFY(entry.mMessage.startsWith(QStringLiteral("parsing data:\n{")));
					QVERIFY(entry.mMessage.contains(QStringLiteral("KESTERMANN")));
					continue;
				}
				QVERIFY2(!entry.mMessage.contains(QStringLiteral("KESTERMANN")), qPrintable(entry.mCategory));
			}
			QCOMPARE(secureLines, 1);
		}


		void dates_data()
		{
			QTest::addColumn<QString>("date");
			QTest::addColumn<QString>("shown");

			QTest::newRow("full date with offset") << QStringLiteral("1984-08-12+02:00") << QStringLiteral("12.08.1984");
			QTest::newRow("hours in the gap of a clock change") << QStringLiteral("1984-03-25+02:00") << QStringLiteral("25.03.1984");
			QTest::newRow("offset zero") << QStringLiteral("2034-06-30+00:00") << QStringLiteral("30.06.2034");
			QTest::newRow("year and month") << QStringLiteral("1984-08") << QStringLiteral("xx.08.1984");
			QTest::newRow("year and month without hyphen") << QStringLiteral("198408") << QStringLiteral("xx.08.1984");
			QTest::newRow("year") << QStringLiteral("1984") << QStringLiteral("xx.xx.1984");
			QTest::newRow("full date without offset") << QStringLiteral("1984-08-12") << QString();
			QTest::newRow("negative offset") << QStringLiteral("1984-08-12-02:00") << QString();
			QTest::newRow("digits of a data group") << QStringLiteral("19840812") << QString();
			QTest::newRow("no month 13") << QStringLiteral("1984-13") << QString();
			QTest::newRow("text") << QStringLiteral("twelfth of August") << QString();
			QTest::newRow("empty") << QString() << QString();
		}


		void dates()
		{
			QFETCH(QString, date);
			QFETCH(QString, shown);

			const QJsonObject allowed({{QStringLiteral("DateOfBirth"), QStringLiteral("ALLOWED")}, {QStringLiteral("DateOfExpiry"), QStringLiteral("ALLOWED")}});
			const SelfAuthenticationData data(document(allowed, QJsonObject({{QStringLiteral("DateOfBirth"), date}, {QStringLiteral("DateOfExpiry"), date}})));
			QVERIFY(data.isValid());
			const Rows rows = shown.isNull() ? Rows() : Rows({{QStringLiteral("Date of birth"), shown}, {QStringLiteral("Valid until"), shown}});
			QCOMPARE(data.getOrderedSelfData(), rows);
		}


		void address_data()
		{
			QTest::addColumn<QString>("permission");
			QTest::addColumn<QJsonObject>("place");
			QTest::addColumn<Rows>("rows");

			const auto structured = [](const QJsonObject& pPlace) {
						return QJsonObject({{QStringLiteral("StructuredPlace"), pPlace}});
					};
			const QString allowed = QStringLiteral("ALLOWED");
			const QJsonObject full({{QStringLiteral("Street"), QStringLiteral("MÜHLENWEG 7")}, {QStringLiteral("ZipCode"), QStringLiteral("50667")},
									{QStringLiteral("City"), QStringLiteral("KÖLN")}, {QStringLiteral("Country"), QStringLiteral("D")}});

			QTest::newRow("full") << allowed << structured(full)
								  << Rows({{cAddress, QStringLiteral("MÜHLENWEG 7")}, {QString(), QStringLiteral("50667 KÖLN")}, {QString(), QStringLiteral("D")}});
			QTest::newRow("city only") << allowed << structured(QJsonObject({{QStringLiteral("City"), QStringLiteral("KÖLN")}}))
									   << row(cAddress, QStringLiteral(" KÖLN"));
			QTest::newRow("zip code only") << allowed << structured(QJsonObject({{QStringLiteral("ZipCode"), QStringLiteral("50667")}}))
										   << row(cAddress, QStringLiteral("50667 "));
			QTest::newRow("street only") << allowed << structured(QJsonObject({{QStringLiteral("Street"), QStringLiteral("MÜHLENWEG 7")}}))
										 << row(cAddress, QStringLiteral("MÜHLENWEG 7"));
			// The country alone continues an address that is not there.
			QTest::newRow("country only") << allowed << structured(QJsonObject({{QStringLiteral("Country"), QStringLiteral("D")}}))
										  << row(QString(), QStringLiteral("D"));
			QTest::newRow("no place info") << allowed << QJsonObject({{QStringLiteral("NoPlaceInfo"), QStringLiteral("keine Hauptwohnung in Deutschland")}})
										   << row(cAddress, QStringLiteral("keine Hauptwohnung in Deutschland"));
			QTest::newRow("no place info wins") << allowed << QJsonObject({{QStringLiteral("NoPlaceInfo"), QStringLiteral("keine Angabe")}, {QStringLiteral("StructuredPlace"), full}})
												<< row(cAddress, QStringLiteral("keine Angabe"));
			QTest::newRow("wrong types skipped") << allowed << structured(QJsonObject({{QStringLiteral("Street"), 7}, {QStringLiteral("City"), QStringLiteral("KÖLN")}}))
												 << row(cAddress, QStringLiteral(" KÖLN"));
			QTest::newRow("neither") << allowed << QJsonObject({{QStringLiteral("Freetext"), QStringLiteral("KÖLN")}}) << Rows();
			QTest::newRow("prohibited") << QStringLiteral("PROHIBITED") << structured(full) << Rows();
			QTest::newRow("no place info prohibited") << QStringLiteral("PROHIBITED") << QJsonObject({{QStringLiteral("NoPlaceInfo"), QStringLiteral("keine Angabe")}}) << Rows();
			QTest::newRow("not on chip") << QStringLiteral("NOTONCHIP") << structured(QJsonObject({{QStringLiteral("City"), QStringLiteral("KÖLN")}}))
										 << row(cAddress, QLatin1Char(' ') + cNotOnChip);
		}


		void address()
		{
			QFETCH(QString, permission);
			QFETCH(QJsonObject, place);
			QFETCH(Rows, rows);

			const SelfAuthenticationData data(document(QJsonObject({{QStringLiteral("PlaceOfResidence"), permission}}),
					QJsonObject({{QStringLiteral("PlaceOfResidence"), place}})));
			QVERIFY(data.isValid());
			QCOMPARE(data.getOrderedSelfData(), rows);
		}


		void addressRowsBetween()
		{
			// The address rows stand between the place of birth and the document type.
			const QJsonObject allowed({{QStringLiteral("PlaceOfBirth"), QStringLiteral("ALLOWED")}, {QStringLiteral("PlaceOfResidence"), QStringLiteral("ALLOWED")},
									   {QStringLiteral("DocumentType"), QStringLiteral("ALLOWED")}});
			const QJsonObject personal({{QStringLiteral("PlaceOfBirth"), QJsonObject({{QStringLiteral("FreetextPlace"), QStringLiteral("HAMBURG")}})},
										{QStringLiteral("PlaceOfResidence"), QJsonObject({{QStringLiteral("NoPlaceInfo"), QStringLiteral("keine Angabe")}})},
										{QStringLiteral("DocumentType"), QStringLiteral("ID")}});
			const SelfAuthenticationData data(document(allowed, personal));
			QCOMPARE(data.getOrderedSelfData(), Rows({{QStringLiteral("Place of birth"), QStringLiteral("HAMBURG")}, {cAddress, QStringLiteral("keine Angabe")},
														 {QStringLiteral("Document type"), QStringLiteral("ID")}}));
		}


		void residencePermit_data()
		{
			QTest::addColumn<QString>("documentType");
			QTest::addColumn<bool>("shown");

			QTest::newRow("AR") << QStringLiteral("AR") << true;
			QTest::newRow("AS") << QStringLiteral("AS") << true;
			QTest::newRow("AF") << QStringLiteral("AF") << true;
			QTest::newRow("TA") << QStringLiteral("TA") << true;
			QTest::newRow("ID") << QStringLiteral("ID") << false;
			QTest::newRow("UB") << QStringLiteral("UB") << false;
			QTest::newRow("lower case") << QStringLiteral("ar") << false;
		}


		void residencePermit()
		{
			QFETCH(QString, documentType);
			QFETCH(bool, shown);

			const QJsonObject allowed({{QStringLiteral("DocumentType"), QStringLiteral("ALLOWED")}, {QStringLiteral("ResidencePermitI"), QStringLiteral("ALLOWED")}});
			const SelfAuthenticationData data(document(allowed, QJsonObject({{QStringLiteral("DocumentType"), documentType}, {QStringLiteral("ResidencePermitI"), QStringLiteral("RESIDENCE PERMIT 1")}})));
			Rows rows = row(QStringLiteral("Document type"), documentType);
			if (shown)
			{
				rows << qMakePair(QStringLiteral("Residence permit I"), QStringLiteral("RESIDENCE PERMIT 1"));
			}
			QCOMPARE(data.getOrderedSelfData(), rows);

			// Without a value there is no row for any type.
			const SelfAuthenticationData withoutValue(document(allowed, QJsonObject({{QStringLiteral("DocumentType"), documentType}})));
			QCOMPARE(withoutValue.getOrderedSelfData(), row(QStringLiteral("Document type"), documentType));
		}


		void sharedValue()
		{
			const SelfAuthenticationData empty;
			QVERIFY(!empty.isValid());
			QCOMPARE(empty, SelfAuthenticationData(QByteArray()));

			const SelfAuthenticationData data(simulatorDocument());
			const SelfAuthenticationData copy = data; // NOLINT(performance-unnecessary-copy-initialization)
			QCOMPARE(copy, data);
			QCOMPARE(SelfAuthenticationData(simulatorDocument()), data);
			QVERIFY(data != empty);
			// A document that parses to the same items is the same value.
			QCOMPARE(SelfAuthenticationData(QJsonDocument::fromJson(simulatorDocument()).toJson(QJsonDocument::Compact)), data);
		}


};

KENDRAWELL_TEST_MAIN(test_SelfAuthenticationData)
#include "test_SelfAuthenticationData.moc"
