#include "asn1/CVCertificate.h"

#include "asn1/ASN1Struct.h"
#include "asn1/ASN1Util.h"
#include "CvcFixture.h"

#include "LogCapture.h"
#include "TestEnvironment.h"

#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QtTest>

using namespace tessarovin;

namespace
{

const QString cBrainpool = QStringLiteral("brainpoolP256r1");
const QString cP256 = QStringLiteral("prime256v1");


QString toText(const auto& pValue)
{
	QString text;
	QDebug(&text) << pValue;
	return text.trimmed();
}


// The lines cvc-print writes for one certificate, keyed by their label.
QMap<QString, QString> cvcPrint(const QString& pPath)
{
	QProcess process;
	process.start(QStringLiteral("cvc-print"), {QStringLiteral("--cvc=") + pPath});
	process.waitForFinished(-1);

	QMap<QString, QString> fields;
	QStringList chatLines;
	bool inChat = false;
	const auto lines = QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\n'));
	for (const QString& line : lines)
	{
		if (line.startsWith(QLatin1String("    ")) && inChat)
		{
			chatLines += line.trimmed();
			continue;
		}
		inChat = line.trimmed() == QLatin1String("CHAT:");
		const auto colon = line.indexOf(QLatin1String(": "));
		if (line.startsWith(QLatin1String("  ")) && colon > 0)
		{
			fields.insert(line.left(colon).trimmed(), line.mid(colon + 2).trimmed());
		}
		if (line.trimmed() == QLatin1String("id-description"))
		{
			fields.insert(QStringLiteral("extension"), QStringLiteral("id-description"));
		}
	}
	// "Authentication terminal", the rights, then the role.
	if (chatLines.size() >= 2)
	{
		fields.insert(QStringLiteral("role"), chatLines.constLast());
		fields.insert(QStringLiteral("rights"), QString::number(chatLines.size() - 2));
	}
	return fields;
}


QByteArray withDates(const QByteArray& pEffective, const QByteArray& pExpiration)
{
	auto body = CvcFixture::bodyOf(CvcFixture::read(cP256, QStringLiteral("terminal.cvcert")));
	body.mEffectiveDate = Asn1Util::encode(V_ASN1_APPLICATION, 0x25, pEffective);
	body.mExpirationDate = Asn1Util::encode(V_ASN1_APPLICATION, 0x24, pExpiration);
	return CvcFixture::certificate(body.encode(), QByteArray(64, '\x01'));
}


} // namespace


class test_CVCertificate
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void fixtureFieldsMatchCvcPrint_data()
		{
			QTest::addColumn<QString>("curve");
			QTest::addColumn<QString>("name");
			QTest::addColumn<AccessRole>("role");

			for (const auto& curve : {cBrainpool, cP256})
			{
				const auto row = [&curve](const char* pName, AccessRole pRole) {
						QTest::addRow("%s %s", qPrintable(curve), pName) << curve << QString::fromLatin1(pName) << pRole;
					};
				row("cvca", AccessRole::CVCA);
				row("link", AccessRole::CVCA);
				row("dv_domestic", AccessRole::DV_od);
				row("dv_foreign", AccessRole::DV_no_f);
				row("terminal", AccessRole::AT);
				row("terminal_foreign", AccessRole::AT);
			}
		}


		void fixtureFieldsMatchCvcPrint()
		{
			QFETCH(QString, curve);
			QFETCH(QString, name);
			QFETCH(AccessRole, role);

			const QString file = name + QStringLiteral(".cvcert");
			const QByteArray der = CvcFixture::read(curve, file);
			const auto certificate = cvcertificate_st::decode(der);
			QVERIFY(certificate);
			const auto& body = certificate->getBody();

			const auto printed = cvcPrint(CvcFixture::path(curve, file));
			QVERIFY2(!printed.isEmpty(), "cvc-print (Debian package openpace) is needed");
			QCOMPARE(QString::fromLatin1(body.getCertificationAuthorityReference()), printed.value(QStringLiteral("CAR")));
			QCOMPARE(QString::fromLatin1(body.getCertificateHolderReference()), printed.value(QStringLiteral("CHR")));
			QCOMPARE(body.getEffectiveDate().toString(Qt::ISODate), printed.value(QStringLiteral("Effective Date")));
			QCOMPARE(body.getExpirationDate().toString(Qt::ISODate), printed.value(QStringLiteral("Expiration Date")));
			QCOMPARE(QString::number(body.getCHAT().getAccessRights().size()), printed.value(QStringLiteral("rights")));
			QCOMPARE(body.getCHAT().getAccessRole(), role);
			const QString printedRole = printed.value(QStringLiteral("role"));
			QCOMPARE(printedRole, role == AccessRole::CVCA ? QStringLiteral("CVCA certificate")
					: role == AccessRole::AT ? QStringLiteral("Terminal certificate") : QStringLiteral("DV certificate"));
			QCOMPARE(!body.getExtension(KnownOid::ID_DESCRIPTION).isEmpty(), printed.contains(QStringLiteral("extension")));
			QCOMPARE(body.getHashAlgorithm(), QCryptographicHash::Sha256);
			QCOMPARE(certificate->isSelfSigned(), name == QLatin1String("cvca"));

			// Body and signature as the card gets them are the very octets of the file.
			const ASN1Struct parsed(der);
			QCOMPARE(certificate->getRawBody(), parsed.getObject(V_ASN1_APPLICATION, 0x4E));
			QCOMPARE(certificate->getRawSignature(), parsed.getObject(V_ASN1_APPLICATION, 0x37));
			QCOMPARE(certificate->getSignature(), parsed.getData(V_ASN1_APPLICATION, 0x37));
			QCOMPARE(certificate->encode(), der);
		}


		void descriptionHash_data()
		{
			QTest::addColumn<QString>("curve");
			QTest::newRow("brainpoolP256r1") << cBrainpool;
			QTest::newRow("P-256") << cP256;
		}


		void descriptionHash()
		{
			QFETCH(QString, curve);

			// cvc-create puts the SHA-256 of the description it wrote into the terminal certificate.
			const auto terminal = cvcertificate_st::decode(CvcFixture::read(curve, QStringLiteral("terminal.cvcert")));
			QVERIFY(terminal);
			const QByteArray description = CvcFixture::read(curve, QStringLiteral("terminal.desc"));
			QCOMPARE(terminal->getBody().getExtension(KnownOid::ID_DESCRIPTION), QCryptographicHash::hash(description, QCryptographicHash::Sha256));
			QCOMPARE(terminal->getBody().getExtension(KnownOid::ID_SECTOR_RI), QByteArray());

			const auto root = cvcertificate_st::decode(CvcFixture::read(curve, QStringLiteral("cvca.cvcert")));
			QVERIFY(root);
			QVERIFY(root->getBody().mExtensions == nullptr);
			QCOMPARE(root->getBody().getExtension(KnownOid::ID_DESCRIPTION), QByteArray());
		}


		void extensions_data()
		{
			QTest::addColumn<QByteArray>("extensions");
			QTest::addColumn<QByteArray>("description");

			const auto entry = [](const QByteArray& pOidHex, const QByteArray& pContent) {
					QByteArray content = pOidHex.isNull() ? QByteArray() : QByteArray::fromHex(pOidHex);
					if (!pContent.isNull())
					{
						content += Asn1Util::encode(V_ASN1_CONTEXT_SPECIFIC, 0, pContent);
					}
					return Asn1Util::encode(V_ASN1_APPLICATION, 0x13, content, true);
				};
			const auto extensions = [](const QByteArray& pEntries) {
					return Asn1Util::encode(V_ASN1_APPLICATION, 0x05, pEntries, true);
				};
			const QByteArray idDescription("060904007F000703010301");
			const QByteArray idSector("060904007F000703010302");

			QTest::newRow("absent") << QByteArray() << QByteArray();
			QTest::newRow("empty") << extensions(QByteArray()) << QByteArray();
			QTest::newRow("only description") << extensions(entry(idDescription, "hash")) << QByteArray("hash");
			QTest::newRow("description second") << extensions(entry(idSector, "sector") + entry(idDescription, "hash")) << QByteArray("hash");
			QTest::newRow("first match wins") << extensions(entry(idDescription, "one") + entry(idDescription, "two")) << QByteArray("one");
			QTest::newRow("other only") << extensions(entry(idSector, "sector")) << QByteArray();
			QTest::newRow("entry without identifier") << extensions(entry(QByteArray(), "hash") + entry(idDescription, "hash")) << QByteArray("hash");
			QTest::newRow("description without data") << extensions(entry(idDescription, QByteArray())) << QByteArray();
		}


		void extensions()
		{
			QFETCH(QByteArray, extensions);
			QFETCH(QByteArray, description);

			auto body = CvcFixture::bodyOf(CvcFixture::read(cP256, QStringLiteral("terminal.cvcert")));
			body.mExtensions = extensions;
			const auto certificate = cvcertificate_st::decode(CvcFixture::certificate(body.encode(), QByteArray(64, '\x01')));
			QVERIFY(certificate);
			QCOMPARE(certificate->getBody().getExtension(KnownOid::ID_DESCRIPTION), description);
		}


		void dates_data()
		{
			QTest::addColumn<QByteArray>("digits");
			QTest::addColumn<QDate>("date");
			QTest::addColumn<QString>("message");

			QTest::newRow("2024-12-31") << QByteArray("020401020301") << QDate(2024, 12, 31) << QString();
			QTest::newRow("2012-12-31") << QByteArray("010201020301") << QDate(2012, 12, 31) << QString();
			QTest::newRow("2000-01-01") << QByteArray("000000010001") << QDate(2000, 1, 1) << QString();
			QTest::newRow("2099-12-31") << QByteArray("090901020301") << QDate(2099, 12, 31) << QString();
			QTest::newRow("month 13") << QByteArray("020401030001") << QDate() << QString();
			QTest::newRow("five octets") << QByteArray("0204010203") << QDate() << QStringLiteral("Invalid date length.");
			QTest::newRow("seven octets") << QByteArray("02040102030100") << QDate() << QStringLiteral("Invalid date length.");
			QTest::newRow("empty") << QByteArray("") << QDate() << QStringLiteral("Invalid date length.");
		}


		void dates()
		{
			QFETCH(QByteArray, digits);
			QFETCH(QDate, date);
			QFETCH(QString, message);

			const auto certificate = cvcertificate_st::decode(withDates(QByteArray::fromHex(digits), QByteArray::fromHex(digits)));
			QVERIFY(certificate);

			const LogCapture log;
			QCOMPARE(certificate->getBody().getEffectiveDate(), date);
			QCOMPARE(certificate->getBody().getExpirationDate(), date);
			if (!message.isEmpty())
			{
				QCOMPARE(log.count(message), 2);
			}
			if (!date.isValid())
			{
				QVERIFY(!certificate->isValidOn(QDateTime(QDate(2024, 12, 31), QTime(12, 0), Qt::UTC)));
			}
		}


		void unreadableDateIsNeverValid_data()
		{
			QTest::addColumn<QByteArray>("effective");
			QTest::addColumn<QByteArray>("expiration");

			QTest::newRow("effective date too short") << QByteArray("0204000100") << QByteArray("020401020301");
			QTest::newRow("effective month 00") << QByteArray("020400000001") << QByteArray("020401020301");
			QTest::newRow("expiration date too long") << QByteArray("020400010001") << QByteArray("02040102030100");
		}


		void unreadableDateIsNeverValid()
		{
			QFETCH(QByteArray, effective);
			QFETCH(QByteArray, expiration);

			// A null date sorts before every date: as a lower limit it would admit any time.
			const auto certificate = cvcertificate_st::decode(withDates(QByteArray::fromHex(effective), QByteArray::fromHex(expiration)));
			QVERIFY(certificate);
			QVERIFY(!certificate->isValidOn(QDateTime(QDate(2024, 6, 1), QTime(12, 0), Qt::UTC)));
			QVERIFY(!certificate->isValidOn(QDateTime(QDate(1970, 1, 1), QTime(0, 0), Qt::UTC)));
		}


		void validity_data()
		{
			QTest::addColumn<QDateTime>("time");
			QTest::addColumn<bool>("valid");

			const auto utc = [](int pYear, int pMonth, int pDay, int pHour, int pMinute) {
					return QDateTime(QDate(pYear, pMonth, pDay), QTime(pHour, pMinute), Qt::UTC);
				};
			QTest::newRow("first day") << utc(2024, 1, 1, 0, 0) << true;
			QTest::newRow("last day") << utc(2024, 12, 31, 23, 59) << true;
			QTest::newRow("day after") << utc(2025, 1, 1, 0, 0) << false;
			QTest::newRow("day before") << utc(2023, 12, 31, 23, 59) << false;
			QTest::newRow("UTC+1 just after midnight is still the last day")
				<< QDateTime(QDate(2025, 1, 1), QTime(0, 30), Qt::OffsetFromUTC, 3600) << true;
			QTest::newRow("UTC-1 late on the day before is already the first day")
				<< QDateTime(QDate(2023, 12, 31), QTime(23, 30), Qt::OffsetFromUTC, -3600) << true;
		}


		void validity()
		{
			QFETCH(QDateTime, time);
			QFETCH(bool, valid);

			const auto certificate = cvcertificate_st::decode(withDates(QByteArray::fromHex("020400010001"), QByteArray::fromHex("020401020301")));
			QVERIFY(certificate);
			QCOMPARE(certificate->isValidOn(time), valid);
		}


		void identity()
		{
			const QByteArray der = CvcFixture::read(cP256, QStringLiteral("terminal.cvcert"));
			const auto body = CvcFixture::bodyOf(der);
			const auto first = cvcertificate_st::decode(der);
			const auto copy = cvcertificate_st::decode(der);
			const auto resigned = cvcertificate_st::decode(CvcFixture::certificate(body.encode(),
					CvcFixture::sign(CvcFixture::privateKey(cP256, QStringLiteral("dv_domestic.pkcs8")), body.encode())));
			QVERIFY(first && copy && resigned);

			QVERIFY(*first == *copy);
			QVERIFY(!(*first != *copy));
			QCOMPARE(qHash(*first, 7), qHash(*copy, 7));

			QCOMPARE(resigned->getRawBody(), first->getRawBody());
			QVERIFY(*first != *resigned);
			QVERIFY(!(*first == *resigned));
			QVERIFY(qHash(*first, 7) != qHash(*resigned, 7));
		}


		void logText()
		{
			const QSharedPointer<const cvcertificate_st> terminal = cvcertificate_st::decode(CvcFixture::read(cBrainpool, QStringLiteral("terminal.cvcert")));
			QVERIFY(terminal);
			QCOMPARE(toText(terminal), QStringLiteral("AT(DETESTTERM00001, authority=DETESTDVDE00001, 2024-01-01 - 2045-12-31, valid)"));
			QCOMPARE(toText(QSharedPointer<const cvcertificate_st>()), QStringLiteral("0x0"));

			auto body = CvcFixture::bodyOf(CvcFixture::unsignedCertificate(" DETESTDV00009 ", "\tDETESTTERM00009 ", AccessRole::AT));
			body.mExpirationDate = Asn1Util::encode(V_ASN1_APPLICATION, 0x24, QByteArray::fromHex("020401020301"));
			const auto expired = cvcertificate_st::decode(CvcFixture::certificate(body.encode(), QByteArray(64, '\x01')));
			QVERIFY(expired);
			QCOMPARE(toText(*expired), QStringLiteral("AT(DETESTTERM00009, authority=DETESTDV00009, 2024-01-01 - 2024-12-31, invalid)"));

			const auto dv = cvcertificate_st::decode(CvcFixture::unsignedCertificate("DETESTCVCA00001", "DETESTDVFO00001", AccessRole::DV_no_f));
			QVERIFY(dv);
			QCOMPARE(toText(*dv), QStringLiteral("DV_no_f(DETESTDVFO00001, authority=DETESTCVCA00001, 2024-01-01 - 2045-12-31, valid)"));
		}


		void listText_data()
		{
			QTest::addColumn<QStringList>("names");
			QTest::addColumn<QString>("text");

			QTest::newRow("empty") << QStringList() << QStringLiteral("[]");
			QTest::newRow("chain") << QStringList({"cvca", "link", "dv_domestic", "terminal"})
								   << QStringLiteral("[(Self Signed) DETESTCVCA00001, DETESTCVCA00002, DETESTDVDE00001, DETESTTERM00001]");
			QTest::newRow("terminal only") << QStringList({"terminal_foreign"}) << QStringLiteral("[DETESTTERM00002]");
		}


		void listText()
		{
			QFETCH(QStringList, names);
			QFETCH(QString, text);

			QList<QByteArray> ders;
			for (const auto& name : names)
			{
				ders += CvcFixture::read(cP256, name + QStringLiteral(".cvcert"));
			}
			QCOMPARE(toText(cvcertificate_st::decodeList(ders)), text);
		}


		void decodeListDropsGarbage()
		{
			const QByteArray root = CvcFixture::read(cP256, QStringLiteral("cvca.cvcert"));
			const QByteArray terminal = CvcFixture::read(cP256, QStringLiteral("terminal.cvcert"));

			const LogCapture log;
			const auto certificates = cvcertificate_st::decodeList({root, QByteArray("garbage"), terminal});
			QCOMPARE(certificates.size(), 2);
			QCOMPARE(certificates.at(0)->encode(), root);
			QCOMPARE(certificates.at(1)->encode(), terminal);
			QCOMPARE(log.count(QStringLiteral("Cannot decode ASN.1 object:")), 1);
		}


		void malformed_data()
		{
			QTest::addColumn<QByteArray>("der");
			QTest::addColumn<QString>("message");

			const QByteArray der = CvcFixture::read(cP256, QStringLiteral("terminal.cvcert"));
			const auto body = CvcFixture::bodyOf(der);
			const QByteArray signature = QByteArray(64, '\x01');
			const auto rebuilt = [&signature](const CvcFixture::Body& pBody) {
					return CvcFixture::certificate(pBody.encode(), signature);
				};
			const QString decodeFailed = QStringLiteral("Cannot decode ASN.1 object:");

			QTest::newRow("empty") << QByteArray() << decodeFailed;
			QTest::newRow("cut in the body") << der.left(der.size() / 2) << decodeFailed;
			QTest::newRow("last octet missing") << der.chopped(1) << decodeFailed;
			QTest::newRow("wrong outer tag") << QByteArray(der).replace(0, 2, QByteArray::fromHex("7F22")) << decodeFailed;
			QTest::newRow("body only") << body.encode() << decodeFailed;
			QTest::newRow("length beyond the data") << QByteArray::fromHex("7F218480000000") + der.mid(5) << decodeFailed;
			QTest::newRow("certificate without signature") << Asn1Util::encode(V_ASN1_APPLICATION, 0x21, body.encode(), true) << decodeFailed;

			auto swapped = body;
			std::swap(swapped.mProfile, swapped.mCar);
			QTest::newRow("fields out of order") << rebuilt(swapped) << decodeFailed;

			auto noChat = body;
			noChat.mChat.clear();
			QTest::newRow("CHAT missing") << rebuilt(noChat) << decodeFailed;

			auto trailing = body;
			trailing.mExtensions += Asn1Util::encode(V_ASN1_APPLICATION, 0x06, "x");
			QTest::newRow("unknown element after the extensions") << rebuilt(trailing) << decodeFailed;

			auto longChat = body;
			longChat.mChat = Asn1Util::encode(V_ASN1_APPLICATION, 0x4C,
					QByteArray::fromHex("060904007F000703010202") + Asn1Util::encode(V_ASN1_APPLICATION, 0x13, QByteArray(6, '\0')), true);
			QTest::newRow("CHAT template too long") << rebuilt(longChat) << QStringLiteral("CHAT Template has wrong size");

			auto partialKey = body;
			partialKey.mPublicKey = CvcFixture::publicKey({{1, "p"}, {2, "a"}, {6, "point"}});
			QTest::newRow("partial domain parameters") << rebuilt(partialKey) << QStringLiteral("Some conditional domain parameters are present and some are absent");

			auto hugeReference = body;
			hugeReference.mChr = Asn1Util::encode(V_ASN1_APPLICATION, 0x20, QByteArray(70000, 'A'));
			QByteArray cut = rebuilt(hugeReference);
			cut.truncate(cut.size() - 100);
			QTest::newRow("over-long reference cut off") << cut << decodeFailed;
		}


		void malformed()
		{
			QFETCH(QByteArray, der);
			QFETCH(QString, message);

			const LogCapture log;
			QVERIFY(!cvcertificate_st::decode(der));
			QVERIFY2(log.contains(message), qPrintable(log.messages().join(QLatin1Char('\n'))));
		}


		void trailingBytesAreIgnored()
		{
			const QByteArray der = CvcFixture::read(cP256, QStringLiteral("dv_foreign.cvcert"));
			const auto certificate = cvcertificate_st::decode(der + QByteArray::fromHex("0000FF"));
			QVERIFY(certificate);
			QCOMPARE(certificate->encode(), der);
		}


};

KENDRAWELL_TEST_MAIN(test_CVCertificate)
#include "test_CVCertificate.moc"
