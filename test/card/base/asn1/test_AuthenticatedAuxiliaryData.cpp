// Auxiliary data made by "openssl asn1parse -genconf" in each test: DER the way an eID
// server sends it, not as our encoder would write it.

#include "asn1/AuthenticatedAuxiliaryData.h"

#include "LogCapture.h"
#include "OpenSslCli.h"
#include "TestEnvironment.h"

#include <QtTest>

using namespace tessarovin;

namespace
{

const QByteArray DATE_OF_BIRTH("0.4.0.127.0.7.3.1.4.1");
const QByteArray DATE_OF_EXPIRY("0.4.0.127.0.7.3.1.4.2");
const QByteArray MUNICIPALITY_ID("0.4.0.127.0.7.3.1.4.3");
const QByteArray PSM_MESSAGE("0.4.0.127.0.7.3.1.4.4");

// A template: identifier and the value element as a genconf type, e.g. "FORMAT:ASCII,OCTETSTRING:20060515".
using Template = QPair<QByteArray, QByteArray>;


QByteArray auxiliaryData(const QList<Template>& pTemplates)
{
	QByteArray conf = "asn1=IMPLICIT:7A,SET:templates\n[templates]\n";
	for (int i = 0; i < pTemplates.size(); ++i)
	{
		conf += "t" + QByteArray::number(i) + "=IMPLICIT:19A,SEQUENCE:t" + QByteArray::number(i) + "\n";
	}
	for (int i = 0; i < pTemplates.size(); ++i)
	{
		conf += "[t" + QByteArray::number(i) + "]\noid=OID:" + pTemplates.at(i).first + "\nvalue=" + pTemplates.at(i).second + "\n";
	}
	return runOpenSsl({"asn1parse", "-genconf", "-", "-noout", "-out", "-"}, conf);
}


Template ascii(const QByteArray& pOid, const QByteArray& pText)
{
	return {pOid, "IMPLICIT:19A,FORMAT:ASCII,OCTETSTRING:" + pText};
}


} // namespace


class test_AuthenticatedAuxiliaryData
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void values_data()
		{
			QTest::addColumn<QList<Template>>("templates");
			QTest::addColumn<QDate>("birth");
			QTest::addColumn<QDate>("expiry");
			QTest::addColumn<QByteArray>("community");

			const Template community = {MUNICIPALITY_ID, "IMPLICIT:19A,FORMAT:HEX,OCTETSTRING:02760400000000"};

			QTest::newRow("empty set") << QList<Template>() << QDate() << QDate() << QByteArray();
			QTest::newRow("all three") << QList<Template>({ascii(DATE_OF_BIRTH, "20060515"), ascii(DATE_OF_EXPIRY, "20301231"), community})
									   << QDate(2006, 5, 15) << QDate(2030, 12, 31) << QByteArray("02760400000000");
			QTest::newRow("community only") << QList<Template>({community}) << QDate() << QDate() << QByteArray("02760400000000");
			QTest::newRow("upper-case hex digits become lower case") << QList<Template>({{MUNICIPALITY_ID, "IMPLICIT:19A,FORMAT:HEX,OCTETSTRING:ABCDEF"}})
																	 << QDate() << QDate() << QByteArray("abcdef");
			QTest::newRow("seven digits") << QList<Template>({ascii(DATE_OF_BIRTH, "2006051")}) << QDate() << QDate() << QByteArray();
			QTest::newRow("no date") << QList<Template>({ascii(DATE_OF_EXPIRY, "2030AB31")}) << QDate() << QDate() << QByteArray();
			QTest::newRow("value not tagged 53") << QList<Template>({{DATE_OF_BIRTH, "FORMAT:ASCII,OCTETSTRING:20060515"}, {MUNICIPALITY_ID, "INTEGER:5"}})
												 << QDate() << QDate() << QByteArray();
		}


		void values()
		{
			QFETCH(QList<Template>, templates);
			QFETCH(QDate, birth);
			QFETCH(QDate, expiry);
			QFETCH(QByteArray, community);

			const QByteArray der = auxiliaryData(templates);
			QVERIFY(!der.isEmpty());
			const auto data = AuthenticatedAuxiliaryData::decode(der);
			QVERIFY(data);

			const auto has = [&templates](const QByteArray& pOid){
					return std::any_of(templates.cbegin(), templates.cend(), [&pOid](const auto& pTemplate){
							return pTemplate.first == pOid;
						});
				};
			QCOMPARE(data->hasAgeVerificationDate(), has(DATE_OF_BIRTH));
			QCOMPARE(data->hasValidityDate(), has(DATE_OF_EXPIRY));
			QCOMPARE(data->hasCommunityId(), has(MUNICIPALITY_ID));
			QCOMPARE(data->getAgeVerificationDate(), birth);
			QVERIFY(data->getAgeVerificationDate().isValid() == birth.isValid());
			QCOMPARE(data->getValidityDate(), expiry);
			QCOMPARE(data->getCommunityId(), community);
			if (!birth.isValid())
			{
				QCOMPARE(data->getRequiredAge(QDate(2024, 5, 15)), QString());
				QCOMPARE(data->getRequiredAge(), QString());
			}

			// The same through the hexadecimal form of the first DIDAuthenticate message.
			const auto fromHex = AuthenticatedAuxiliaryData::fromHex(der.toHex().toUpper());
			QVERIFY(fromHex);
			QCOMPARE(fromHex->getCommunityId(), community);
		}


		void requiredAge_data()
		{
			QTest::addColumn<QByteArray>("birth");
			QTest::addColumn<QDate>("reference");
			QTest::addColumn<QString>("age");

			QTest::newRow("day before the birthday") << QByteArray("20060515") << QDate(2024, 5, 14) << QStringLiteral("17");
			QTest::newRow("birthday") << QByteArray("20060515") << QDate(2024, 5, 15) << QStringLiteral("18");
			QTest::newRow("month before") << QByteArray("20060515") << QDate(2024, 4, 30) << QStringLiteral("17");
			QTest::newRow("month after") << QByteArray("20060515") << QDate(2024, 6, 1) << QStringLiteral("18");
			QTest::newRow("29 February, on 28 February") << QByteArray("20040229") << QDate(2022, 2, 28) << QStringLiteral("17");
			QTest::newRow("29 February, on 1 March") << QByteArray("20040229") << QDate(2022, 3, 1) << QStringLiteral("18");
			QTest::newRow("born on the reference day") << QByteArray("20240515") << QDate(2024, 5, 15) << QStringLiteral("0");
			QTest::newRow("invalid reference day") << QByteArray("20060515") << QDate() << QString();
			QTest::newRow("seven digits") << QByteArray("2006051") << QDate(2024, 5, 15) << QString();
		}


		void requiredAge()
		{
			QFETCH(QByteArray, birth);
			QFETCH(QDate, reference);
			QFETCH(QString, age);

			const auto data = AuthenticatedAuxiliaryData::decode(auxiliaryData({ascii(DATE_OF_BIRTH, birth)}));
			QVERIFY(data);
			QCOMPARE(data->getRequiredAge(reference), age);
		}


		void requiredAgeToday()
		{
			const QDate today = QDateTime::currentDateTimeUtc().date();
			const QDate birth = today.addYears(-18);
			const auto data = AuthenticatedAuxiliaryData::decode(auxiliaryData({ascii(DATE_OF_BIRTH, birth.toString(QStringLiteral("yyyyMMdd")).toLatin1())}));
			QVERIFY(data);
			// Unless the day changed meanwhile.
			QVERIFY(data->getRequiredAge() == QStringLiteral("18") || QDateTime::currentDateTimeUtc().date() != today);
		}


		void refused_data()
		{
			QTest::addColumn<QByteArray>("der");
			QTest::addColumn<QString>("message");

			QTest::newRow("expiry twice") << auxiliaryData({ascii(DATE_OF_EXPIRY, "20301231"), ascii(DATE_OF_EXPIRY, "20311231")})
										  << QStringLiteral("More than one AuxDataTemplate with OID");
			QTest::newRow("PSM message") << auxiliaryData({ascii(DATE_OF_BIRTH, "20060515"), ascii(PSM_MESSAGE, "00")})
										 << QStringLiteral("Unknown AuxDataTemplate with OID");
			QTest::newRow("not tagged 67") << runOpenSsl({"asn1parse", "-genconf", "-", "-noout", "-out", "-"}, "asn1=SET:t\n[t]\n")
										   << QStringLiteral("Cannot decode ASN.1 object:");
			QTest::newRow("template not tagged 73") << runOpenSsl({"asn1parse", "-genconf", "-", "-noout", "-out", "-"},
					"asn1=IMPLICIT:7A,SET:t\n[t]\nt=SEQUENCE:v\n[v]\noid=OID:0.4.0.127.0.7.3.1.4.1\nvalue=IMPLICIT:19A,OCTETSTRING:20060515\n")
													<< QStringLiteral("Cannot decode ASN.1 object:");
			QTest::newRow("truncated") << auxiliaryData({ascii(DATE_OF_BIRTH, "20060515")}).chopped(1) << QStringLiteral("Cannot decode ASN.1 object:");
			QTest::newRow("empty") << QByteArray() << QStringLiteral("Cannot decode ASN.1 object:");
		}


		void refused()
		{
			QFETCH(QByteArray, der);
			QFETCH(QString, message);

			LogCapture log;
			QVERIFY(!AuthenticatedAuxiliaryData::decode(der));
			QCOMPARE(log.count(message), 1);
		}


};

KENDRAWELL_TEST_MAIN(test_AuthenticatedAuxiliaryData)
#include "test_AuthenticatedAuxiliaryData.moc"
