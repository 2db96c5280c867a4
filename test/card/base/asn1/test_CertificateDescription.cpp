#include "asn1/CertificateDescription.h"

#include "asn1/ASN1Util.h"

#include "LogCapture.h"
#include "OpenSslAsn1Parse.h"
#include "TestEnvironment.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace tessarovin;

namespace
{

const auto PLAIN = QStringLiteral("OID:0.4.0.127.0.7.3.1.3.1.1");
const auto HTML = QStringLiteral("OID:0.4.0.127.0.7.3.1.3.1.2");
const auto PDF = QStringLiteral("OID:0.4.0.127.0.7.3.1.3.1.3");

const auto ADDRESS = QStringLiteral("Name, Anschrift und E-Mail-Adresse des Diensteanbieters:");
const auto PURPOSE = QStringLiteral("Geschäftszweck:");
const auto PURPOSE_READING = QStringLiteral("Zweck des Auslesevorgangs:");
const auto PURPOSE_USAGE = QStringLiteral("Verwendung der Daten:");
const auto AUTHORITY = QStringLiteral("Hinweis auf die für den Diensteanbieter zuständigen Stellen, die die Einhaltung der Vorschriften zum Datenschutz kontrollieren:");


// Fields of a description as "openssl asn1parse -genconf" values; empty ones are left out.
struct Fields
{
	QString mType = PLAIN;
	QString mIssuerName = QStringLiteral("FORMAT:UTF8,UTF8String:Kendrawell Test-CA");
	QString mIssuerUrl = QStringLiteral("PRINTABLESTRING:https://ca.example");
	QString mSubjectName = QStringLiteral("FORMAT:UTF8,UTF8String:Anbieter GmbH & Söhne");
	QString mSubjectUrl = QStringLiteral("PRINTABLESTRING:https://provider.example");
	QString mTerms = QStringLiteral("FORMAT:UTF8,UTF8String:Nutzungsbedingungen");
	QString mRedirectUrl = QStringLiteral("PRINTABLESTRING:https://provider.example/done");
	QStringList mHashes = {QStringLiteral("00112233445566778899AABBCCDDEEFF00112233445566778899AABBCCDDEEFF")};
};


// Plain-text terms as a genconf value: the configuration parser turns \n and \r into line breaks.
QString plainTerms(const QString& pText)
{
	QString escaped = pText;
	escaped.replace(QLatin1Char('\r'), QStringLiteral("\\r")).replace(QLatin1Char('\n'), QStringLiteral("\\n"));
	return QStringLiteral("FORMAT:UTF8,UTF8String:") + escaped;
}


} // namespace


class test_CertificateDescription
	: public QObject
{
	Q_OBJECT

	private:
		QTemporaryDir mDir;

		QByteArray genconf(const QString& pConfig) const
		{
			const QString config = mDir.filePath(QStringLiteral("description.conf"));
			const QString der = mDir.filePath(QStringLiteral("description.der"));
			QFile file(config);
			if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(pConfig.toUtf8()) < 0)
			{
				qFatal("Cannot write %s", qPrintable(config));
			}
			file.close();
			QFile::remove(der);

			QProcess process;
			process.start(QStringLiteral("openssl"), {QStringLiteral("asn1parse"), QStringLiteral("-genconf"), config, QStringLiteral("-noout"), QStringLiteral("-out"), der});
			if (!process.waitForFinished(30000) || process.exitCode() != 0)
			{
				qFatal("openssl asn1parse -genconf failed: %s", process.readAllStandardError().constData());
			}

			QFile result(der);
			if (!result.open(QIODevice::ReadOnly))
			{
				qFatal("No output of openssl asn1parse -genconf");
			}
			return result.readAll();
		}


		QByteArray build(const Fields& pFields) const
		{
			QStringList lines({QStringLiteral("asn1=SEQUENCE:description"), QStringLiteral("[description]"), QStringLiteral("type=") + pFields.mType});
			const auto add = [&lines](int pTag, const QString& pValue) {
						if (!pValue.isEmpty())
						{
							lines << QStringLiteral("field%1=EXPLICIT:%1,%2").arg(pTag).arg(pValue);
						}
					};
			add(1, pFields.mIssuerName);
			add(2, pFields.mIssuerUrl);
			add(3, pFields.mSubjectName);
			add(4, pFields.mSubjectUrl);
			add(5, pFields.mTerms);
			add(6, pFields.mRedirectUrl);
			if (!pFields.mHashes.isEmpty())
			{
				lines << QStringLiteral("field7=EXPLICIT:7,SET:hashes") << QStringLiteral("[hashes]");
				for (int i = 0; i < pFields.mHashes.size(); ++i)
				{
					lines << QStringLiteral("hash%1=FORMAT:HEX,OCTETSTRING:%2").arg(i).arg(pFields.mHashes.at(i));
				}
			}
			return genconf(lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
		}


		QSharedPointer<const CertificateDescription> withTerms(const QString& pTerms) const
		{
			Fields fields;
			fields.mTerms = plainTerms(pTerms);
			return CertificateDescription::decode(build(fields));
		}

	private Q_SLOTS:
		void initTestCase()
		{
			QVERIFY(!QStandardPaths::findExecutable(QStringLiteral("openssl")).isEmpty());
			QVERIFY(mDir.isValid());
		}


		void fields()
		{
			const QByteArray der = build(Fields());
			const auto description = CertificateDescription::decode(der);
			QVERIFY(description);
			QCOMPARE(description->getIssuerName(), QStringLiteral("Kendrawell Test-CA"));
			QCOMPARE(description->getIssuerUrl(), QStringLiteral("https://ca.example"));
			QCOMPARE(description->getSubjectName(), QStringLiteral("Anbieter GmbH & Söhne"));
			QCOMPARE(description->getSubjectUrl(), QStringLiteral("https://provider.example"));
			QCOMPARE(description->getTermsOfUsage(), QStringLiteral("Nutzungsbedingungen"));
			QCOMPARE(description->getCommCertificates(), QSet<QString>({QStringLiteral("00112233445566778899AABBCCDDEEFF00112233445566778899AABBCCDDEEFF")}));
			QCOMPARE(Asn1StringUtil::getValue(description->mRedirectURL), QStringLiteral("https://provider.example/done"));

			QCOMPARE(description->encode(), der);
			QVERIFY(!openSslAsn1Parse(description->encode()).isNull());

			const auto fromHex = CertificateDescription::fromHex(QString::fromLatin1(der.toHex()));
			QVERIFY(fromHex);
			QCOMPARE(fromHex->encode(), der);
		}


		void termsOfUsage_data()
		{
			QTest::addColumn<QString>("type");
			QTest::addColumn<QString>("terms");
			QTest::addColumn<QString>("text");

			QTest::newRow("plain") << PLAIN << plainTerms(QStringLiteral("Zeile 1\nZeile 2")) << QStringLiteral("Zeile 1\nZeile 2");
			QTest::newRow("html") << HTML << QStringLiteral("IA5STRING:<html><body><p>Nutzung</p></body></html>") << QStringLiteral("<html><body><p>Nutzung</p></body></html>");
			QTest::newRow("pdf") << PDF << QStringLiteral("FORMAT:HEX,OCTETSTRING:0102") << QStringLiteral("04020102");
			QTest::newRow("pdf lower-case digits") << PDF << QStringLiteral("FORMAT:HEX,OCTETSTRING:abcdef") << QStringLiteral("0403ABCDEF");
			QTest::newRow("empty pdf") << PDF << QStringLiteral("OCTETSTRING:") << QStringLiteral("0400");
			QTest::newRow("other type") << PLAIN << QStringLiteral("INTEGER:5") << QString();
			QTest::newRow("type not consulted") << PDF << plainTerms(QStringLiteral("Text")) << QStringLiteral("Text");
		}


		void termsOfUsage()
		{
			QFETCH(QString, type);
			QFETCH(QString, terms);
			QFETCH(QString, text);

			Fields fields;
			fields.mType = type;
			fields.mTerms = terms;
			const QByteArray der = build(fields);
			const auto description = CertificateDescription::decode(der);
			QVERIFY(description);
			QCOMPARE(description->getTermsOfUsage(), text);
			QCOMPARE(description->encode(), der);
		}


		void absentOptionalFields()
		{
			Fields fields;
			fields.mIssuerUrl.clear();
			fields.mSubjectUrl.clear();
			fields.mRedirectUrl.clear();
			fields.mHashes.clear();
			const QByteArray der = build(fields);

			const auto description = CertificateDescription::decode(der);
			QVERIFY(description);
			QCOMPARE(description->getIssuerName(), QStringLiteral("Kendrawell Test-CA"));
			QCOMPARE(description->getIssuerUrl(), QString());
			QCOMPARE(description->getSubjectUrl(), QString());
			QVERIFY(description->mRedirectURL == nullptr);
			QVERIFY(description->getCommCertificates().isEmpty());
			QCOMPARE(description->encode(), der);
		}


		void commCertificates_data()
		{
			QTest::addColumn<QStringList>("hashes");
			QTest::addColumn<QStringList>("expected");

			const auto first = QStringLiteral("a1b2c3d4e5f60718293a4b5c6d7e8f90a1b2c3d4e5f60718293a4b5c6d7e8f90");
			const auto second = QStringLiteral("FFEEDDCCBBAA99887766554433221100FFEEDDCCBBAA99887766554433221100");
			QTest::newRow("two") << QStringList({first, second}) << QStringList({first.toUpper(), second});
			QTest::newRow("repeated") << QStringList({second, first, second}) << QStringList({first.toUpper(), second});
		}


		void commCertificates()
		{
			QFETCH(QStringList, hashes);
			QFETCH(QStringList, expected);

			Fields fields;
			fields.mHashes = hashes;
			const auto description = CertificateDescription::decode(build(fields));
			QVERIFY(description);
			const auto set = description->getCommCertificates();
			QCOMPARE(set, QSet<QString>(expected.cbegin(), expected.cend()));
		}


		void sections_data()
		{
			QTest::addColumn<QString>("terms");
			QTest::addColumn<QString>("address");
			QTest::addColumn<QString>("purpose");
			QTest::addColumn<QString>("authority");

			QTest::newRow("address and purpose")
				<< ADDRESS + QStringLiteral("\nAnbieter GmbH\nHauptstraße 1, 12345 Musterstadt\n\n") + PURPOSE + QStringLiteral("\nDemonstration")
				<< QStringLiteral("Anbieter GmbH\nHauptstraße 1, 12345 Musterstadt") << QStringLiteral("Demonstration") << QString();
			QTest::newRow("empty first purpose")
				<< PURPOSE + QStringLiteral("\n\n") + PURPOSE_USAGE + QStringLiteral(" Registrierung")
				<< QString() << QStringLiteral("Registrierung") << QString();
			QTest::newRow("empty first purpose, CR LF")
				<< PURPOSE + QStringLiteral("\r\n\r\n") + PURPOSE_READING + QStringLiteral("\r\nAltersnachweis\r\n")
				<< QString() << QStringLiteral("Altersnachweis") << QString();
			QTest::newRow("one CR LF is not blank")
				<< PURPOSE + QStringLiteral("\r\nAltersnachweis")
				<< QString() << QStringLiteral("Altersnachweis") << QString();
			QTest::newRow("carriage returns and spaces trimmed")
				<< ADDRESS + QStringLiteral("\r\n  Anbieter GmbH  \r\nPostfach 1 \r\n \r\n") + AUTHORITY + QStringLiteral(" Landesbeauftragte \r\n")
				<< QStringLiteral("Anbieter GmbH\nPostfach 1") << QString() << QStringLiteral("Landesbeauftragte");
			QTest::newRow("label at the end")
				<< QStringLiteral("Text\n") + PURPOSE
				<< QString() << QString() << QString();
			QTest::newRow("no labels")
				<< QStringLiteral("Nutzungsbedingungen ohne Abschnitte")
				<< QString() << QString() << QString();
			QTest::newRow("label case-sensitive")
				<< PURPOSE.toLower() + QStringLiteral(" Demonstration")
				<< QString() << QString() << QString();
			QTest::newRow("section ends at blank line")
				<< AUTHORITY + QStringLiteral("\nBehörde\nStraße 2\n\nWeiteres")
				<< QString() << QString() << QStringLiteral("Behörde\nStraße 2");
		}


		void sections()
		{
			QFETCH(QString, terms);
			QFETCH(QString, address);
			QFETCH(QString, purpose);
			QFETCH(QString, authority);

			const auto description = withTerms(terms);
			QVERIFY(description);
			QCOMPARE(description->getTermsOfUsage(), terms);
			QCOMPARE(description->getServiceProviderAddress(), address);
			QCOMPARE(description->getPurpose(), purpose);
			QCOMPARE(description->getDataProtectionAuthority(), authority);
		}


		void sectionsOfOtherFormats()
		{
			Fields html;
			html.mType = HTML;
			html.mTerms = QStringLiteral("IA5STRING:Verwendung der Daten: Anmeldung<br>");
			const auto htmlDescription = CertificateDescription::decode(build(html));
			QVERIFY(htmlDescription);
			QCOMPARE(htmlDescription->getPurpose(), QStringLiteral("Anmeldung<br>"));

			Fields pdf;
			pdf.mType = PDF;
			pdf.mTerms = QStringLiteral("FORMAT:HEX,OCTETSTRING:") + QString::fromLatin1(PURPOSE.toUtf8().toHex()) + QStringLiteral("0A41");
			const auto pdfDescription = CertificateDescription::decode(build(pdf));
			QVERIFY(pdfDescription);
			QCOMPARE(pdfDescription->getPurpose(), QString());
		}


		void invalid_data()
		{
			QTest::addColumn<QByteArray>("der");

			Fields noSubject;
			noSubject.mSubjectName.clear();
			Fields noTerms;
			noTerms.mTerms.clear();
			Fields urlAsUtf8;
			urlAsUtf8.mSubjectUrl = QStringLiteral("UTF8String:https://provider.example");

			QTest::newRow("empty") << QByteArray();
			QTest::newRow("no subject name") << build(noSubject);
			QTest::newRow("no terms") << build(noTerms);
			QTest::newRow("subject URL of the wrong type") << build(urlAsUtf8);
			QTest::newRow("truncated") << build(Fields()).chopped(1);
		}


		void invalid()
		{
			QFETCH(QByteArray, der);

			LogCapture capture;
			QVERIFY(!CertificateDescription::decode(der));
			QCOMPARE(capture.count(QStringLiteral("Cannot decode ASN.1 object:")), 1);
			QVERIFY(!CertificateDescription::fromHex(QString::fromLatin1(der.toHex())));
		}


};

KENDRAWELL_TEST_MAIN(test_CertificateDescription)
#include "test_CertificateDescription.moc"
