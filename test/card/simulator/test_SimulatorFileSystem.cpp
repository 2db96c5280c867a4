#include "SimulatorFileSystem.h"

#include "FileRef.h"
#include "LogCapture.h"
#include "TestEnvironment.h"
#include "asn1/ASN1Struct.h"
#include "asn1/ASN1Util.h"
#include "asn1/ApplicationTemplates.h"
#include "asn1/AuthenticatedAuxiliaryData.h"
#include "asn1/ChipAuthenticationInfo.h"
#include "asn1/PaceInfo.h"
#include "asn1/SecurityInfos.h"
#include "pace/ec/EcKeyPair.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QResource>
#include <QTemporaryDir>
#include <QtTest>

#include <openssl/asn1.h>
#include <openssl/evp.h>

using namespace tessarovin;

namespace
{

// One AuxDataTemplate: the identifier and its [APPLICATION 19] value.
QByteArray auxDataTemplate(KnownOid pOid, const QByteArray& pValue)
{
	const QByteArray content = Asn1Util::encode(V_ASN1_UNIVERSAL, V_ASN1_OBJECT, Oid(pOid).getData())
			+ Asn1Util::encode(V_ASN1_APPLICATION, 0x13, pValue);
	return Asn1Util::encode(V_ASN1_APPLICATION, 0x13, content, true);
}


// Built beside the program from the program's own resources.
QString resourceFile()
{
	return getProgramDirectory() + QStringLiteral("/test_SimulatorFileSystem.rcc");
}


QString fixture(const QString& pName)
{
	return getProgramDirectory() + QStringLiteral("/fixtures/simulator/") + pName;
}


QByteArray readFixture(const QString& pName)
{
	QFile file(fixture(pName));
	if (!file.open(QIODevice::ReadOnly))
	{
		qWarning() << "Cannot read fixture" << pName;
		return QByteArray();
	}
	return file.readAll();
}


// Runs an independent tool; its standard output, nothing when it fails.
std::optional<QByteArray> runTool(const QString& pProgram, const QStringList& pArguments, const QByteArray& pInput = QByteArray())
{
	QProcess process;
	process.start(pProgram, pArguments);
	if (!process.waitForStarted())
	{
		qWarning() << "Cannot start" << pProgram << process.errorString();
		return std::nullopt;
	}
	process.write(pInput);
	process.closeWriteChannel();
	process.waitForFinished(60000);
	if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
	{
		qWarning() << pProgram << pArguments << "failed:" << process.readAllStandardError();
		return std::nullopt;
	}
	return process.readAllStandardOutput();
}


QByteArray run(const QString& pProgram, const QStringList& pArguments, const QByteArray& pInput = QByteArray())
{
	return runTool(pProgram, pArguments, pInput).value_or(QByteArray());
}


QString writeTemporary(const QTemporaryDir& pDir, const QString& pName, const QByteArray& pContent)
{
	const QString path = pDir.filePath(pName);
	QFile file(path);
	if (!file.open(QIODevice::WriteOnly) || file.write(pContent) != pContent.size())
	{
		qWarning() << "Cannot write" << path;
	}
	return path;
}


QByteArray statusWord(StatusCode pStatusCode)
{
	const auto word = static_cast<quint16>(pStatusCode);
	return QByteArray(1, static_cast<char>(word >> 8)) + static_cast<char>(word & 0xFF);
}


// The whole content of a file through SELECT and READ BINARY, or a null array.
QByteArray readFile(SimulatorFileSystem& pFileSystem, const QByteArray& pFileId)
{
	if (pFileSystem.select(pFileId) != StatusCode::SUCCESS)
	{
		return QByteArray();
	}
	const QByteArray response = pFileSystem.read(0, 65536, true);
	if (!response.endsWith(statusWord(StatusCode::SUCCESS)))
	{
		return QByteArray();
	}
	return response.chopped(2);
}


// ICAO 9303 check digit with the weights 7, 3, 1.
char checkDigit(const QByteArray& pField)
{
	static const int weights[] = {7, 3, 1};
	int sum = 0;
	for (int i = 0; i < pField.size(); ++i)
	{
		const char c = pField.at(i);
		const int value = c == '<' ? 0 : (c >= 'A' ? c - 'A' + 10 : c - '0');
		sum += value * weights[i % 3];
	}
	return static_cast<char>('0' + sum % 10);
}


// Data-group number and SHA-224 hash from the eIDSecurityInfo inside the signed content.
QMap<int, QByteArray> signedHashes(const QByteArray& pSecurityInfos)
{
	const QByteArray eIdSecurity = QByteArray::fromHex("060804007f0007020207");
	QMap<int, QByteArray> hashes;
	// A single DER element parses into that element itself: here the SET OF SecurityInfo.
	const ASN1Struct securityInfos(pSecurityInfos);
	for (const auto& info : securityInfos.getChildren())
	{
		if (info.getChildren().size() < 2 || info.getChildren().at(0).encode() != eIdSecurity)
		{
			continue;
		}
		const auto& object = info.getChildren().at(1).getChildren();
		if (object.size() < 2)
		{
			continue;
		}
		for (const auto& entry : object.at(1).getChildren())
		{
			const QByteArray number = entry.getData(V_ASN1_UNIVERSAL, V_ASN1_INTEGER);
			hashes.insert(number.isEmpty() ? -1 : static_cast<uchar>(number.at(0)), entry.getData(V_ASN1_UNIVERSAL, V_ASN1_OCTET_STRING));
		}
	}
	return hashes;
}


const QList<int> cHashedGroups = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 13, 17, 18};

} // namespace


class test_SimulatorFileSystem
	: public QObject
{
	Q_OBJECT

	private:
		QTemporaryDir mDir;

		QMap<int, QByteArray> freshHashes(SimulatorFileSystem& pFileSystem)
		{
			QMap<int, QByteArray> hashes;
			for (int group : std::as_const(cHashedGroups))
			{
				const QByteArray content = readFile(pFileSystem, QByteArray(1, '\x01') + static_cast<char>(group));
				hashes.insert(group, QCryptographicHash::hash(content, QCryptographicHash::Sha224));
			}
			return hashes;
		}


		QByteArray signedContent(SimulatorFileSystem& pFileSystem)
		{
			const QString path = writeTemporary(mDir, QStringLiteral("ef_card_security.der"), readFile(pFileSystem, QByteArray::fromHex("011D")));
			return run(QStringLiteral("openssl"), {QStringLiteral("cms"), QStringLiteral("-verify"), QStringLiteral("-inform"), QStringLiteral("DER"),
						QStringLiteral("-noverify"), QStringLiteral("-in"), path});
		}

	private Q_SLOTS:
		void initTestCase()
		{
			QVERIFY(mDir.isValid());
			Oid::registerKnownOids();
			QVERIFY(QResource::registerResource(resourceFile()));
		}


		void cleanupTestCase()
		{
			QVERIFY(QResource::unregisterResource(resourceFile()));
		}


		void dataGroups_data()
		{
			QTest::addColumn<QByteArray>("shortFileId");
			QTest::addColumn<QString>("generationString");
			QTest::addColumn<QString>("config");

			QFile signature(QStringLiteral(":/images/signature.jp2"));
			QVERIFY(signature.open(QIODevice::ReadOnly));
			const QString signatureHex = QString::fromLatin1(signature.readAll().toHex());

			QTest::newRow("DG1") << QByteArray("\x01") << QStringLiteral("FORMAT:UTF8,EXPLICIT:1A,PRINTABLESTRING:ID") << QString();
			QTest::newRow("DG2") << QByteArray("\x02") << QStringLiteral("FORMAT:UTF8,EXPLICIT:2A,PRINTABLESTRING:D") << QString();
			QTest::newRow("DG3") << QByteArray("\x03") << QStringLiteral("FORMAT:UTF8,EXPLICIT:3A,NUMERICSTRING:20340630") << QString();
			QTest::newRow("DG4") << QByteArray("\x04") << QStringLiteral("FORMAT:UTF8,EXPLICIT:4A,UTF8String:MARLENE") << QString();
			QTest::newRow("DG5") << QByteArray("\x05") << QStringLiteral("FORMAT:UTF8,EXPLICIT:5A,UTF8String:KESTERMANN") << QString();
			QTest::newRow("DG6") << QByteArray("\x06") << QStringLiteral("FORMAT:UTF8,EXPLICIT:6A,UTF8String") << QString();
			QTest::newRow("DG7") << QByteArray("\x07") << QStringLiteral("FORMAT:UTF8,EXPLICIT:7A,UTF8String") << QString();
			QTest::newRow("DG8") << QByteArray("\x08") << QStringLiteral("FORMAT:UTF8,EXPLICIT:8A,NUMERICSTRING:19840812") << QString();
			QTest::newRow("DG9") << QByteArray("\x09") << QStringLiteral("FORMAT:UTF8,EXPLICIT:9A,EXPLICIT:1,UTF8String:HAMBURG") << QString();
			QTest::newRow("DG10") << QByteArray("\x0A") << QStringLiteral("FORMAT:UTF8,EXPLICIT:10A,PRINTABLESTRING:D") << QString();
			QTest::newRow("DG11") << QByteArray("\x0B") << QStringLiteral("FORMAT:UTF8,EXPLICIT:11A,PRINTABLESTRING:F") << QString();
			QTest::newRow("DG12") << QByteArray("\x0C") << QStringLiteral("EXPLICIT:12A,SET:optional_data") << QStringLiteral("dg12.conf");
			QTest::newRow("DG13") << QByteArray("\x0D") << QStringLiteral("FORMAT:UTF8,EXPLICIT:13A,UTF8String:BRANDT") << QString();
			QTest::newRow("DG14") << QByteArray("\x0E") << QStringLiteral("FORMAT:HEX,EXPLICIT:14A,OCTETSTRING:") + signatureHex << QString();
			QTest::newRow("DG15") << QByteArray("\x0F") << QStringLiteral("FORMAT:UTF8,EXPLICIT:15A,NUMERICSTRING:20191101") << QString();
			QTest::newRow("DG17") << QByteArray("\x11") << QStringLiteral("EXPLICIT:17A,SEQUENCE:seq_section") << QStringLiteral("dg17.conf");
			QTest::newRow("DG18") << QByteArray("\x12") << QStringLiteral("FORMAT:HEX,EXPLICIT:18A,OCTETSTRING:02760503150000") << QString();
			QTest::newRow("DG19") << QByteArray("\x13") << QStringLiteral("FORMAT:UTF8,EXPLICIT:19A,EXPLICIT:1,UTF8String:RESIDENCE PERMIT 1") << QString();
			QTest::newRow("DG20") << QByteArray("\x14") << QStringLiteral("FORMAT:UTF8,EXPLICIT:20A,EXPLICIT:1,UTF8String:RESIDENCE PERMIT 2") << QString();
			QTest::newRow("DG21") << QByteArray("\x15") << QStringLiteral("FORMAT:UTF8,EXPLICIT:21A,PRINTABLESTRING:tel:+49-40-5550123") << QString();
			QTest::newRow("DG22") << QByteArray("\x16") << QStringLiteral("FORMAT:UTF8,EXPLICIT:22A,IA5STRING:marlene.kestermann@example.org") << QString();
		}


		void dataGroups()
		{
			QFETCH(QByteArray, shortFileId);
			QFETCH(QString, generationString);
			QFETCH(QString, config);

			const QString out = mDir.filePath(QStringLiteral("dg.der"));
			QFile::remove(out);
			QByteArray generated;
			if (config.isEmpty())
			{
				QVERIFY(runTool(QStringLiteral("openssl"), {QStringLiteral("asn1parse"), QStringLiteral("-genstr"), generationString,
								QStringLiteral("-noout"), QStringLiteral("-out"), out}));
			}
			else
			{
				const QByteArray text = "asn1=" + generationString.toUtf8() + '\n' + readFixture(config);
				QVERIFY(runTool(QStringLiteral("openssl"), {QStringLiteral("asn1parse"), QStringLiteral("-genconf"), QStringLiteral("-"),
								QStringLiteral("-noout"), QStringLiteral("-out"), out}, text));
			}
			QFile file(out);
			QVERIFY(file.open(QIODevice::ReadOnly));
			generated = file.readAll();
			QVERIFY(!generated.isEmpty());

			SimulatorFileSystem fileSystem;
			QCOMPARE(readFile(fileSystem, QByteArray(1, '\x01') + shortFileId).toHex(), generated.toHex());
			QCOMPARE(readFile(fileSystem, shortFileId).toHex(), generated.toHex());
		}


		void placeOfResidenceIsUtf8()
		{
			SimulatorFileSystem fileSystem;
			const QByteArray placeOfResidence = readFile(fileSystem, QByteArray::fromHex("0111"));
			QVERIFY(placeOfResidence.contains(QStringLiteral(u"M\u00DCHLENWEG 7").toUtf8()));
			QVERIFY(placeOfResidence.contains(QStringLiteral(u"K\u00D6LN").toUtf8()));
		}


		void missingDataGroups()
		{
			SimulatorFileSystem fileSystem;
			QCOMPARE(fileSystem.select(QByteArray::fromHex("0110")), StatusCode::INVALID_DATAFIELD);
			QCOMPARE(fileSystem.select(QByteArray::fromHex("10")), StatusCode::INVALID_DATAFIELD);

			// Without the resource the written signature is left out, silently.
			QVERIFY(QResource::unregisterResource(resourceFile()));
			const auto reregister = qScopeGuard([] {
					QResource::registerResource(resourceFile());
				});
			LogCapture capture;
			SimulatorFileSystem withoutSignature;
			QCOMPARE(withoutSignature.select(QByteArray::fromHex("010E")), StatusCode::INVALID_DATAFIELD);
			QCOMPARE(withoutSignature.select(QByteArray::fromHex("010F")), StatusCode::SUCCESS);
			QVERIFY(!capture.contains(QStringLiteral("Cannot")));
		}


		void createFile_data()
		{
			QTest::addColumn<QByteArray>("generationString");
			QTest::addColumn<QByteArray>("config");
			QTest::addColumn<QByteArray>("expected");
			QTest::addColumn<QString>("warning");

			QTest::newRow("plain") << QByteArray("FORMAT:HEX,OCTETSTRING:CAFE") << QByteArray() << QByteArray::fromHex("0402cafe") << QString();
			QTest::newRow("section") << QByteArray("SEQUENCE:seq") << QByteArray("[seq]\nvalue=INTEGER:5\n") << QByteArray::fromHex("3003020105") << QString();
			QTest::newRow("unknown type") << QByteArray("NOSUCHTYPE:1") << QByteArray() << QByteArray() << QStringLiteral("Cannot generate ASN.1 object:");
			QTest::newRow("missing section") << QByteArray("SEQUENCE:seq") << QByteArray("[other]\nvalue=INTEGER:5\n") << QByteArray() << QStringLiteral("Cannot generate ASN.1 object:");
			QTest::newRow("broken config") << QByteArray("SEQUENCE:seq") << QByteArray("[seq]\nvalue=INTEGER:5\n[unclosed\n") << QByteArray() << QStringLiteral("Cannot load ASN.1 config. Error on line 3.");
		}


		void createFile()
		{
			QFETCH(QByteArray, generationString);
			QFETCH(QByteArray, config);
			QFETCH(QByteArray, expected);
			QFETCH(QString, warning);

			SimulatorFileSystem fileSystem(QJsonObject{});
			LogCapture capture;
			fileSystem.createFile(QByteArray::fromHex("1F"), generationString.constData(), config);

			if (expected.isEmpty())
			{
				QCOMPARE(fileSystem.select(QByteArray::fromHex("011F")), StatusCode::INVALID_DATAFIELD);
				QVERIFY2(capture.contains(warning), qPrintable(capture.messages().join(QLatin1Char('\n'))));
				return;
			}
			QCOMPARE(readFile(fileSystem, QByteArray::fromHex("011F")).toHex(), expected.toHex());
			QCOMPARE(readFile(fileSystem, QByteArray::fromHex("1F")).toHex(), expected.toHex());
			QVERIFY(capture.messages().isEmpty());
		}


		void passwords_data()
		{
			QTest::addColumn<PacePasswordId>("passwordId");
			QTest::addColumn<QByteArray>("password");

			QTest::newRow("CAN") << PacePasswordId::PACE_CAN << QByteArray("284067");
			QTest::newRow("PIN") << PacePasswordId::PACE_PIN << QByteArray("731862");
			QTest::newRow("PUK") << PacePasswordId::PACE_PUK << QByteArray("4602719385");
			QTest::newRow("unknown") << PacePasswordId::UNKNOWN << QByteArray();
		}


		void passwords()
		{
			QFETCH(PacePasswordId, passwordId);
			QFETCH(QByteArray, password);

			// A card description cannot change the passwords.
			const QJsonObject description{{QStringLiteral("keys"), QJsonArray{QJsonObject{{QStringLiteral("id"), 3}, {QStringLiteral("content"), QStringLiteral("00")}}}}};
			for (const auto& fileSystem : {SimulatorFileSystem(), SimulatorFileSystem(description)})
			{
				QCOMPARE(fileSystem.getPassword(passwordId), password);
				QCOMPARE(fileSystem.getPassword(passwordId).isNull(), password.isNull());
			}
		}


		void mrzPassword()
		{
			// Document number, date of birth and date of expiry of the specimen, each with its check digit.
			const QByteArray documentNumber("730518264");
			const QByteArray dateOfBirth("840812");
			const QByteArray dateOfExpiry("340630");
			const QByteArray fields = documentNumber + checkDigit(documentNumber) + dateOfBirth + checkDigit(dateOfBirth) + dateOfExpiry + checkDigit(dateOfExpiry);
			QCOMPARE(fields, QByteArray("730518264084081293406304"));

			const QByteArray digest = run(QStringLiteral("openssl"), {QStringLiteral("dgst"), QStringLiteral("-sha1"), QStringLiteral("-binary")}, fields);
			QCOMPARE(digest.size(), 20);
			QCOMPARE(SimulatorFileSystem().getPassword(PacePasswordId::PACE_MRZ).toHex(), digest.toHex());
		}


		void keys_data()
		{
			QTest::addColumn<int>("keyId");
			QTest::addColumn<QString>("fixtureName");

			QTest::newRow("restricted identification 1") << 1 << QStringLiteral("key1.pkcs8");
			QTest::newRow("restricted identification 2") << 2 << QStringLiteral("key2.pkcs8");
			QTest::newRow("chip authentication 41") << 41 << QStringLiteral("key41.pkcs8");
		}


		void keys()
		{
			QFETCH(int, keyId);
			QFETCH(QString, fixtureName);

			const SimulatorFileSystem fileSystem;
			const QByteArray key = fileSystem.getKey(keyId);
			QCOMPARE(key.toHex(), readFixture(fixtureName).toHex());

			// A brainpoolP256r1 key with explicit parameters: openssl names the curve it recognises.
			const QString path = writeTemporary(mDir, QStringLiteral("key.der"), key);
			QByteArray text = run(QStringLiteral("openssl"), {QStringLiteral("pkey"), QStringLiteral("-inform"), QStringLiteral("DER"),
							QStringLiteral("-in"), path, QStringLiteral("-noout"), QStringLiteral("-text")});
			text.replace(' ', QByteArray()).replace('\n', QByteArray());
			QVERIFY(text.contains("FieldType:prime-field"));
			QVERIFY(text.contains("Prime:00:a9:fb:57:db:a1:ee:a9:bc:3e:66:0a:90:9d:83:8d:72:6e:3b:f6:23:d5:26:20:28:20:13:48:1d:1f:6e:53:77"));

			const EcKeyPair pair(key);
			QVERIFY(pair.hasKey());
			QCOMPARE(pair.getPublicKey().size(), 65);
		}


		void missingKey()
		{
			const SimulatorFileSystem fileSystem;
			LogCapture capture;
			QVERIFY(fileSystem.getKey(45).isEmpty());
			QVERIFY(capture.contains(QStringLiteral("Missing private key with ID 45")));
		}


		void efDir()
		{
			SimulatorFileSystem fileSystem(QJsonObject{});
			const auto templates = ApplicationTemplates::decode(readFile(fileSystem, QByteArray::fromHex("2F00")));
			QVERIFY(templates);
			QCOMPARE(templates->getApplicationTemplates().size(), 4);
			QVERIFY(templates->contains(FileRef::appEId().getIdentifier()));
			QVERIFY(templates->contains(QByteArray::fromHex("A0000002471001")));
			QVERIFY(templates->contains(QByteArray::fromHex("E828BD080FA000000167455349474E")));
			QVERIFY(templates->contains(QByteArray::fromHex("A000000167455349474E")));
		}


		void efCardAccess()
		{
			SimulatorFileSystem fileSystem;
			const QByteArray efCardAccess = readFile(fileSystem, QByteArray::fromHex("011C"));
			QCOMPARE(fileSystem.getEfCardAccess(), efCardAccess);
			QCOMPARE(efCardAccess.toHex(), readFixture(QStringLiteral("ef_card_access.der")).toHex());

			const auto infos = SecurityInfos::decode(efCardAccess);
			QVERIFY(infos);
			QCOMPARE(infos->getPaceInfos().size(), 1);
			QCOMPARE(infos->getPaceInfos().at(0)->getParameterId(), 13);
			QCOMPARE(PaceInfo::getMappedNid(infos->getPaceInfos().at(0)->getParameterId()), NID_brainpoolP256r1);
			QCOMPARE(infos->getChipAuthenticationInfos().size(), 1);
			QCOMPARE(infos->getChipAuthenticationInfos().at(0)->getKeyId(), 41);
		}


		void efCardSecurity()
		{
			SimulatorFileSystem fileSystem;
			QCOMPARE(readFile(fileSystem, QByteArray::fromHex("011D")).toHex(), readFixture(QStringLiteral("ef_card_security.der")).toHex());

			const QByteArray content = signedContent(fileSystem);
			QVERIFY(!content.isEmpty());
			QCOMPARE(content.toHex(), readFixture(QStringLiteral("security_infos.der")).toHex());

			// Content type, digest and a document signer certificate under the test country signing CA.
			const QString path = writeTemporary(mDir, QStringLiteral("ef_card_security.der"), readFile(fileSystem, QByteArray::fromHex("011D")));
			const QByteArray printed = run(QStringLiteral("openssl"), {QStringLiteral("cms"), QStringLiteral("-cmsout"), QStringLiteral("-print"),
							QStringLiteral("-inform"), QStringLiteral("DER"), QStringLiteral("-in"), path});
			QVERIFY(printed.contains("eContentType: undefined (0.4.0.127.0.7.3.2.1)"));
			QVERIFY(printed.contains("algorithm: sha512 (2.16.840.1.101.3.4.2.3)"));
			QVERIFY(printed.contains("algorithm: ecdsa-with-SHA512"));
			QVERIFY(runTool(QStringLiteral("openssl"), {QStringLiteral("cms"), QStringLiteral("-verify"), QStringLiteral("-inform"), QStringLiteral("DER"),
							QStringLiteral("-in"), path, QStringLiteral("-CAfile"), fixture(QStringLiteral("csca.pem")), QStringLiteral("-purpose"), QStringLiteral("any"),
							QStringLiteral("-out"), QStringLiteral("/dev/null")}));

			// The chip authentication key that EF.CardSecurity announces is the card's key 41.
			const QByteArray publicKey = EcKeyPair(fileSystem.getKey(41)).getPublicKey();
			QCOMPARE(publicKey.size(), 65);
			QVERIFY(content.contains(QByteArray::fromHex("0342") + '\0' + publicKey));
		}


		void dataGroupHashes()
		{
			SimulatorFileSystem fileSystem;
			const QMap<int, QByteArray> signedValues = signedHashes(signedContent(fileSystem));
			QCOMPARE(signedValues.keys(), cHashedGroups);
			QCOMPARE(signedValues, freshHashes(fileSystem));

			// A changed data group no longer matches its signed hash.
			QCOMPARE(fileSystem.select(QByteArray::fromHex("0104")), StatusCode::SUCCESS);
			QCOMPARE(fileSystem.write(0, QByteArray::fromHex("640b0c0945524d454e4741524445")), StatusCode::SUCCESS);
			const QMap<int, QByteArray> changed = freshHashes(fileSystem);
			QVERIFY(changed.value(4) != signedValues.value(4));
			QCOMPARE(changed.value(5), signedValues.value(5));
		}


		void trustPoint()
		{
			const SimulatorFileSystem fileSystem;
			QVERIFY(fileSystem.getTrustPoint());
			const QByteArray trustPoint = fileSystem.getTrustPoint()->encode();
			QCOMPARE(trustPoint.size(), 443);
			QCOMPARE(trustPoint.toHex(), readFixture(QStringLiteral("DETESTeID00005.cvcert")).toHex());

			// cvc-print verifies against certificates named after their holder reference.
			QTemporaryDir trusted;
			QVERIFY(trusted.isValid());
			QVERIFY(QFile::copy(fixture(QStringLiteral("DETESTeID00004.cvcert")), trusted.filePath(QStringLiteral("DETESTeID00004"))));
			const QString path = writeTemporary(mDir, QStringLiteral("trust_point.cvcert"), trustPoint);
			const QByteArray printed = run(QStringLiteral("cvc-print"), {QStringLiteral("--cvc"), path, QStringLiteral("--cvc-dir"), trusted.path()});
			QVERIFY2(printed.contains("Profile identifier: 0"), printed.constData());
			QVERIFY(printed.contains("CAR: DETESTeID00004"));
			QVERIFY(printed.contains("CHR: DETESTeID00005"));
			QVERIFY(printed.contains("Authentication terminal"));
			QVERIFY(printed.contains("CVCA certificate"));
			QVERIFY(printed.contains("Effective Date: 2015-05-04"));
			QVERIFY(printed.contains("Expiration Date: 2018-05-04"));
			QVERIFY(printed.contains("certificate verified"));

			const QByteArray root = run(QStringLiteral("cvc-print"), {QStringLiteral("--cvc"), fixture(QStringLiteral("DETESTeID00004.cvcert")),
							QStringLiteral("--cvc-dir"), trusted.path()});
			QVERIFY(root.contains("CAR: DETESTeID00004"));
			QVERIFY(root.contains("CHR: DETESTeID00004"));
			QVERIFY(root.contains("certificate verified"));
		}


		void setTrustPoint()
		{
			SimulatorFileSystem fileSystem;
			const SimulatorFileSystem copy = fileSystem;
			const QSharedPointer<const cvcertificate_st> root = cvcertificate_st::decode(readFixture(QStringLiteral("DETESTeID00004.cvcert")));
			QVERIFY(root);

			LogCapture capture;
			fileSystem.setTrustPoint(root);
			QCOMPARE(fileSystem.getTrustPoint(), root);
			QVERIFY(capture.contains(QStringLiteral("Updated TrustPoint to \"DETESTeID00004\"")));
			QCOMPARE(copy.getTrustPoint()->encode(), readFixture(QStringLiteral("DETESTeID00005.cvcert")));
		}


		void select_data()
		{
			QTest::addColumn<QByteArray>("identifier");
			QTest::addColumn<StatusCode>("status");
			QTest::addColumn<QByteArray>("selected");

			QTest::newRow("short file id") << QByteArray::fromHex("1C") << StatusCode::SUCCESS << QByteArray::fromHex("011C");
			QTest::newRow("file id") << QByteArray::fromHex("011C") << StatusCode::SUCCESS << QByteArray::fromHex("011C");
			QTest::newRow("EF.DIR") << QByteArray::fromHex("2F00") << StatusCode::SUCCESS << QByteArray::fromHex("2F00");
			QTest::newRow("unknown") << QByteArray::fromHex("0110") << StatusCode::INVALID_DATAFIELD << QByteArray();
			QTest::newRow("master file") << QByteArray::fromHex("3F00") << StatusCode::INVALID_DATAFIELD << QByteArray();
			QTest::newRow("empty") << QByteArray() << StatusCode::INVALID_DATAFIELD << QByteArray();
		}


		void select()
		{
			QFETCH(QByteArray, identifier);
			QFETCH(StatusCode, status);
			QFETCH(QByteArray, selected);

			SimulatorFileSystem fileSystem;
			QCOMPARE(fileSystem.select(QByteArray::fromHex("0101")), StatusCode::SUCCESS);
			QCOMPARE(fileSystem.select(identifier), status);

			// A failed selection leaves no file selected.
			const QByteArray response = fileSystem.read(0, 256, false);
			if (selected.isEmpty())
			{
				QCOMPARE(response.toHex(), statusWord(StatusCode::FILE_NOT_FOUND).toHex());
				return;
			}
			QCOMPARE(response.chopped(2), readFile(fileSystem, selected));
		}


		void read_data()
		{
			QTest::addColumn<qint64>("offset");
			QTest::addColumn<int>("length");
			QTest::addColumn<bool>("extended");
			QTest::addColumn<int>("dataStart"); // -1: from the end
			QTest::addColumn<int>("dataSize"); // -1: up to the end
			QTest::addColumn<StatusCode>("status");

			// EF.CardAccess is 219 octets long.
			QTest::newRow("Le 00") << qint64(0) << 256 << false << 0 << -1 << StatusCode::SUCCESS;
			QTest::newRow("Le 0000") << qint64(0) << 65536 << true << 0 << -1 << StatusCode::SUCCESS;
			QTest::newRow("Le 10") << qint64(0) << 16 << false << 0 << 16 << StatusCode::SUCCESS;
			QTest::newRow("Le 1") << qint64(0) << 1 << false << 0 << 1 << StatusCode::SUCCESS;
			QTest::newRow("rest exactly") << qint64(200) << 19 << false << 200 << 19 << StatusCode::SUCCESS;
			QTest::newRow("past the end") << qint64(200) << 20 << false << 200 << 19 << StatusCode::END_OF_FILE;
			QTest::newRow("Le 00 not at offset 0") << qint64(10) << 256 << false << 10 << -1 << StatusCode::END_OF_FILE;
			QTest::newRow("65536 in short length") << qint64(0) << 65536 << false << 0 << -1 << StatusCode::END_OF_FILE;
			QTest::newRow("offset at size") << qint64(219) << 16 << false << 219 << 0 << StatusCode::END_OF_FILE;
			QTest::newRow("offset beyond size") << qint64(220) << 16 << false << 0 << 0 << StatusCode::ILLEGAL_OFFSET;
			QTest::newRow("negative offset") << qint64(-1) << 16 << false << 0 << 0 << StatusCode::ILLEGAL_OFFSET;
			QTest::newRow("offset 1") << qint64(1) << 16 << false << 1 << 16 << StatusCode::SUCCESS;
			QTest::newRow("length 0") << qint64(0) << 0 << false << 0 << 0 << StatusCode::WRONG_LENGTH;
			QTest::newRow("negative length") << qint64(0) << -1 << false << 0 << 0 << StatusCode::WRONG_LENGTH;
			QTest::newRow("length 65537") << qint64(0) << 65537 << true << 0 << 0 << StatusCode::WRONG_LENGTH;
			QTest::newRow("offset beyond 32 bits") << qint64(0x100000000LL) << 16 << false << 0 << 0 << StatusCode::ILLEGAL_OFFSET;
		}


		void read()
		{
			QFETCH(qint64, offset);
			QFETCH(int, length);
			QFETCH(bool, extended);
			QFETCH(int, dataStart);
			QFETCH(int, dataSize);
			QFETCH(StatusCode, status);

			SimulatorFileSystem fileSystem;
			const QByteArray content = fileSystem.getEfCardAccess();
			QCOMPARE(content.size(), 219);

			QCOMPARE(fileSystem.read(offset, length, extended).toHex(), statusWord(length < 1 || length > 65536 ? StatusCode::WRONG_LENGTH : StatusCode::FILE_NOT_FOUND).toHex());

			QCOMPARE(fileSystem.select(QByteArray::fromHex("1C")), StatusCode::SUCCESS);
			const QByteArray expected = status == StatusCode::WRONG_LENGTH || status == StatusCode::ILLEGAL_OFFSET
					? QByteArray()
					: content.mid(dataStart, dataSize);
			QCOMPARE(fileSystem.read(offset, length, extended).toHex(), (expected + statusWord(status)).toHex());
		}


		void write_data()
		{
			QTest::addColumn<bool>("selectFirst");
			QTest::addColumn<qint64>("offset");
			QTest::addColumn<StatusCode>("status");

			QTest::newRow("whole file") << true << qint64(0) << StatusCode::SUCCESS;
			QTest::newRow("no file selected") << false << qint64(0) << StatusCode::FILE_NOT_FOUND;
			QTest::newRow("offset 1") << true << qint64(1) << StatusCode::ILLEGAL_OFFSET;
			QTest::newRow("negative offset") << true << qint64(-1) << StatusCode::ILLEGAL_OFFSET;
		}


		void write()
		{
			QFETCH(bool, selectFirst);
			QFETCH(qint64, offset);
			QFETCH(StatusCode, status);

			SimulatorFileSystem fileSystem;
			const QByteArray original = readFile(fileSystem, QByteArray::fromHex("0111"));
			if (selectFirst)
			{
				QCOMPARE(fileSystem.select(QByteArray::fromHex("11")), StatusCode::SUCCESS);
			}
			else
			{
				QCOMPARE(fileSystem.select(QByteArray::fromHex("0116")), StatusCode::SUCCESS);
				QCOMPARE(fileSystem.select(QByteArray::fromHex("0110")), StatusCode::INVALID_DATAFIELD);
			}
			const SimulatorFileSystem before = fileSystem;

			const QByteArray update = QByteArray::fromHex("7103300100");
			QCOMPARE(fileSystem.write(offset, update), status);

			// The file identifier and the short file identifier reach the same content.
			const QByteArray expected = status == StatusCode::SUCCESS ? update : original;
			QCOMPARE(readFile(fileSystem, QByteArray::fromHex("0111")).toHex(), expected.toHex());
			QCOMPARE(readFile(fileSystem, QByteArray::fromHex("11")).toHex(), expected.toHex());
			SimulatorFileSystem copy = before;
			QCOMPARE(readFile(copy, QByteArray::fromHex("0111")).toHex(), original.toHex());
		}


		void description()
		{
			const QByteArray dg1 = readFixture(QStringLiteral("dg01.der"));
			const QString hex = QString::fromLatin1(dg1.toHex());
			const QJsonObject file{
				{QStringLiteral("fileId"), QStringLiteral("0101")},
				{QStringLiteral("shortFileId"), QStringLiteral("01")},
				{QStringLiteral("content"), hex.left(4) + QLatin1Char(' ') + hex.mid(4)}
			};
			const QJsonObject emptyFile{
				{QStringLiteral("fileId"), QStringLiteral("0105")},
				{QStringLiteral("shortFileId"), QStringLiteral("05")},
				{QStringLiteral("content"), QString()}
			};
			const QByteArray newCardAccess = QByteArray::fromHex("3100");
			const QJsonObject cardAccess{
				{QStringLiteral("fileId"), QStringLiteral("011c")},
				{QStringLiteral("shortFileId"), QStringLiteral("1c")},
				{QStringLiteral("content"), QString::fromLatin1(newCardAccess.toHex())}
			};
			const QByteArray key = readFixture(QStringLiteral("key45.pkcs8"));
			const QJsonObject description{
				{QStringLiteral("files"), QJsonArray{file, emptyFile, cardAccess}},
				{QStringLiteral("keys"), QJsonArray{
					QJsonObject{{QStringLiteral("id"), 41}, {QStringLiteral("content"), QString::fromLatin1(key.toHex())}},
					QJsonObject{{QStringLiteral("id"), 7}, {QStringLiteral("content"), QStringLiteral("0a:0b")}}}},
				{QStringLiteral("other"), true}
			};

			LogCapture capture;
			SimulatorFileSystem fileSystem(description);
			QVERIFY2(capture.messages().isEmpty(), qPrintable(capture.messages().join(QLatin1Char('\n'))));

			QCOMPARE(readFile(fileSystem, QByteArray::fromHex("0101")).toHex(), dg1.toHex());
			QCOMPARE(fileSystem.select(QByteArray::fromHex("0102")), StatusCode::INVALID_DATAFIELD);
			QVERIFY(!readFile(fileSystem, QByteArray::fromHex("2F00")).isEmpty());
			QVERIFY(!readFile(fileSystem, QByteArray::fromHex("011D")).isEmpty());
			QCOMPARE(fileSystem.getEfCardAccess(), newCardAccess);
			QCOMPARE(readFile(fileSystem, QByteArray::fromHex("011C")), newCardAccess);

			// An empty content is a file all the same.
			QCOMPARE(fileSystem.select(QByteArray::fromHex("0105")), StatusCode::SUCCESS);
			QCOMPARE(fileSystem.read(0, 256, false).toHex(), statusWord(StatusCode::SUCCESS).toHex());

			QCOMPARE(fileSystem.getKey(41), key);
			QCOMPARE(fileSystem.getKey(7), QByteArray::fromHex("0a0b"));
			QCOMPARE(fileSystem.getKey(1), readFixture(QStringLiteral("key1.pkcs8")));
			QCOMPARE(fileSystem.getTrustPoint()->encode(), readFixture(QStringLiteral("DETESTeID00005.cvcert")));
		}


		void skippedEntries_data()
		{
			QTest::addColumn<QByteArray>("json");
			QTest::addColumn<QString>("warning");

			const QString fileKeys = QStringLiteral("Skipping file entry. Expected JSON object with 'fileId', 'shortFileId' and 'content', got");
			const QString keyKeys = QStringLiteral("Skipping key entry. Expected JSON object with 'id' and 'content', got");

			QTest::newRow("file no object") << QByteArray(R"({"files": [42]})") << QStringLiteral("Skipping file entry. Expected JSON object, got");
			QTest::newRow("file without content") << QByteArray(R"({"files": [{"fileId": "0101", "shortFileId": "01"}]})") << fileKeys;
			QTest::newRow("file without fileId") << QByteArray(R"({"files": [{"shortFileId": "01", "content": "6103130149"}]})") << fileKeys;
			QTest::newRow("file without shortFileId") << QByteArray(R"({"files": [{"fileId": "0101", "content": "6103130149"}]})") << fileKeys;
			QTest::newRow("file content no string") << QByteArray(R"({"files": [{"fileId": "0101", "shortFileId": "01", "content": 61}]})") << fileKeys;
			QTest::newRow("file content null") << QByteArray(R"({"files": [{"fileId": "0101", "shortFileId": "01", "content": null}]})") << fileKeys;
			QTest::newRow("key no object") << QByteArray(R"({"keys": ["3041"]})") << QStringLiteral("Skipping key entry. Expected JSON object, got");
			QTest::newRow("key id 0") << QByteArray(R"({"keys": [{"id": 0, "content": "3041"}]})") << keyKeys;
			QTest::newRow("key without id") << QByteArray(R"({"keys": [{"content": "3041"}]})") << keyKeys;
			QTest::newRow("key id text") << QByteArray(R"({"keys": [{"id": "41", "content": "3041"}]})") << keyKeys;
			QTest::newRow("key without content") << QByteArray(R"({"keys": [{"id": 41}]})") << keyKeys;
			QTest::newRow("key content no string") << QByteArray(R"({"keys": [{"id": 41, "content": 3041}]})") << keyKeys;
			QTest::newRow("files no array") << QByteArray(R"({"files": {"fileId": "0101", "shortFileId": "01", "content": "6103130149"}, "keys": 41})") << QString();
		}


		void skippedEntries()
		{
			QFETCH(QByteArray, json);
			QFETCH(QString, warning);

			const QJsonObject description = QJsonDocument::fromJson(json).object();
			QVERIFY(!description.isEmpty());

			LogCapture capture;
			SimulatorFileSystem fileSystem(description);
			if (warning.isEmpty())
			{
				QVERIFY(capture.messages().isEmpty());
			}
			else
			{
				QCOMPARE(capture.count(warning), 1);
			}

			// Nothing of the skipped entry is stored; the common content stays.
			QCOMPARE(fileSystem.select(QByteArray::fromHex("0101")), StatusCode::INVALID_DATAFIELD);
			QCOMPARE(fileSystem.select(QByteArray::fromHex("01")), StatusCode::INVALID_DATAFIELD);
			QCOMPARE(fileSystem.getKey(41), readFixture(QStringLiteral("key41.pkcs8")));
			QCOMPARE(fileSystem.getEfCardAccess(), readFixture(QStringLiteral("ef_card_access.der")));
		}


		void verify_data()
		{
			QTest::addColumn<QByteArray>("description"); // empty: the default card
			QTest::addColumn<KnownOid>("oid");
			QTest::addColumn<QVariant>("ageVerificationDate");
			QTest::addColumn<QVariant>("validityDate");
			QTest::addColumn<QVariant>("communityId");
			QTest::addColumn<StatusCode>("status");

			const QVariant none;
			const auto birth = KnownOid::ID_DATE_OF_BIRTH;
			const auto expiry = KnownOid::ID_DATE_OF_EXPIRY;
			const auto community = KnownOid::ID_MUNICIPALITY_ID;
			const auto ok = StatusCode::SUCCESS;
			const auto failed = StatusCode::VERIFICATION_FAILED;

			QTest::newRow("age: 18 years") << QByteArray() << birth << QVariant(QDate(2002, 8, 12)) << none << none << ok;
			QTest::newRow("age: born that day") << QByteArray() << birth << QVariant(QDate(1984, 8, 12)) << none << none << ok;
			QTest::newRow("age: one day too young") << QByteArray() << birth << QVariant(QDate(1984, 8, 11)) << none << none << failed;
			QTest::newRow("age: no date") << QByteArray() << birth << none << QVariant(QDate(2034, 6, 30)) << QVariant(QByteArray("0276")) << failed;
			QTest::newRow("age: invalid date") << QByteArray() << birth << QVariant(QDate()) << none << none << failed;
			QTest::newRow("validity: last day") << QByteArray() << expiry << none << QVariant(QDate(2034, 6, 30)) << none << ok;
			QTest::newRow("validity: earlier") << QByteArray() << expiry << none << QVariant(QDate(2020, 1, 1)) << none << ok;
			QTest::newRow("validity: expired") << QByteArray() << expiry << none << QVariant(QDate(2034, 7, 1)) << none << failed;
			QTest::newRow("validity: no date") << QByteArray() << expiry << QVariant(QDate(2002, 8, 12)) << none << none << failed;
			QTest::newRow("validity: invalid date") << QByteArray() << expiry << none << QVariant(QDate()) << none << failed;
			QTest::newRow("community: region") << QByteArray() << community << none << none << QVariant(QByteArray("027605")) << ok;
			QTest::newRow("community: whole") << QByteArray() << community << none << none << QVariant(QByteArray("02760503150000")) << ok;
			QTest::newRow("community: other digit") << QByteArray() << community << none << none << QVariant(QByteArray("027606")) << failed;
			QTest::newRow("community: last digit") << QByteArray() << community << none << none << QVariant(QByteArray("02760503150001")) << failed;
			QTest::newRow("community: longer") << QByteArray() << community << none << none << QVariant(QByteArray("0276050315000000")) << failed;
			QTest::newRow("community: empty") << QByteArray() << community << none << none << QVariant(QByteArray()) << failed;
			QTest::newRow("community: absent") << QByteArray() << community << QVariant(QDate(2002, 8, 12)) << none << none << failed;
			QTest::newRow("other OID") << QByteArray() << KnownOid::ID_PACE_ECDH_GM_AES_CBC_CMAC_128 << QVariant(QDate(2002, 8, 12)) << QVariant(QDate(2020, 1, 1)) << QVariant(QByteArray("0276")) << failed;

			// A card from a description may lack the data groups, or carry short ones.
			const QByteArray empty = R"({})";
			const QByteArray shortGroups = R"({"files": [
					{"fileId": "0103", "shortFileId": "03", "content": "6303120130"},
					{"fileId": "0108", "shortFileId": "08", "content": "68"},
					{"fileId": "0112", "shortFileId": "12", "content": "72020400"}]})";
			const QByteArray ownGroups = R"({"files": [
					{"fileId": "0103", "shortFileId": "03", "content": "630a12083230333030313031"},
					{"fileId": "0108", "shortFileId": "08", "content": "680a12083139393030313031"},
					{"fileId": "0112", "shortFileId": "12", "content": "7209040702760400000000"}]})";
			QTest::newRow("no DG8") << empty << birth << QVariant(QDate(2002, 8, 12)) << none << none << failed;
			QTest::newRow("no DG3") << empty << expiry << none << QVariant(QDate(2020, 1, 1)) << none << failed;
			QTest::newRow("no DG18") << empty << community << none << none << QVariant(QByteArray("0276")) << failed;
			QTest::newRow("short DG8") << shortGroups << birth << QVariant(QDate(2002, 8, 12)) << none << none << failed;
			QTest::newRow("short DG3") << shortGroups << expiry << none << QVariant(QDate(2020, 1, 1)) << none << failed;
			QTest::newRow("DG18 without value") << shortGroups << community << none << none << QVariant(QByteArray("00")) << failed;
			QTest::newRow("own DG8") << ownGroups << birth << QVariant(QDate(1990, 1, 1)) << none << none << ok;
			QTest::newRow("own DG8, too young") << ownGroups << birth << QVariant(QDate(1989, 12, 31)) << none << none << failed;
			QTest::newRow("own DG3") << ownGroups << expiry << none << QVariant(QDate(2030, 1, 1)) << none << ok;
			QTest::newRow("own DG3, expired") << ownGroups << expiry << none << QVariant(QDate(2030, 1, 2)) << none << failed;
			QTest::newRow("own DG18") << ownGroups << community << none << none << QVariant(QByteArray("0276040000")) << ok;
		}


		void verify()
		{
			QFETCH(QByteArray, description);
			QFETCH(KnownOid, oid);
			QFETCH(QVariant, ageVerificationDate);
			QFETCH(QVariant, validityDate);
			QFETCH(QVariant, communityId);
			QFETCH(StatusCode, status);

			const SimulatorFileSystem fileSystem = description.isEmpty()
					? SimulatorFileSystem()
					: SimulatorFileSystem(QJsonDocument::fromJson(description).object());

			// An invalid date goes out as an empty value, which reads back as no valid date.
			QByteArray templates;
			if (ageVerificationDate.isValid())
			{
				templates += auxDataTemplate(KnownOid::ID_DATE_OF_BIRTH, ageVerificationDate.toDate().toString(QStringLiteral("yyyyMMdd")).toLatin1());
			}
			if (validityDate.isValid())
			{
				templates += auxDataTemplate(KnownOid::ID_DATE_OF_EXPIRY, validityDate.toDate().toString(QStringLiteral("yyyyMMdd")).toLatin1());
			}
			if (communityId.isValid())
			{
				templates += auxDataTemplate(KnownOid::ID_MUNICIPALITY_ID, QByteArray::fromHex(communityId.toByteArray()));
			}
			const auto auxiliaryData = AuthenticatedAuxiliaryData::decode(Asn1Util::encode(V_ASN1_APPLICATION, 0x07, templates, true));
			QVERIFY(auxiliaryData);

			LogCapture capture;
			QCOMPARE(fileSystem.verify(Oid(oid), auxiliaryData), status);
			QVERIFY(capture.contains(QStringLiteral("Checking validity of")));

			QCOMPARE(fileSystem.verify(Oid(oid), QSharedPointer<const AuthenticatedAuxiliaryData>()), StatusCode::VERIFICATION_FAILED);
		}


};

KENDRAWELL_TEST_MAIN(test_SimulatorFileSystem)
#include "test_SimulatorFileSystem.moc"
