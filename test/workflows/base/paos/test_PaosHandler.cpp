// The PAOS parsers over a corpus of documents in fixtures/corpus, written by hand after the
// eCard-API schema. Placeholders in them stand for material made by tools: the CV certificates
// that cvc-create made for the card tests with the CHAT of the terminal certificate, and a
// certificate description and auxiliary data made by "openssl asn1parse -genconf".

#include "paos/PaosHandler.h"

#include "LogCapture.h"
#include "OpenSslCli.h"
#include "TestEnvironment.h"
#include "paos/received/DIDAuthenticateEAC1.h"
#include "paos/received/DIDAuthenticateEAC2.h"
#include "paos/received/DIDAuthenticateEACAdditional.h"
#include "paos/received/StartPaosResponse.h"
#include "paos/received/Transmit.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QtTest>

using namespace tessarovin;

using Fields = QMap<QString, QString>;
Q_DECLARE_METATYPE(Fields)

namespace
{

QByteArray readFile(const QString& pPath)
{
	QFile file(pPath);
	if (!file.open(QIODevice::ReadOnly))
	{
		qWarning() << "Cannot read" << pPath;
		return QByteArray();
	}
	return file.readAll();
}


QString text(const QString& pValue)
{
	return pValue.isNull() ? QStringLiteral("<null>") : pValue;
}


QString hex(const QByteArray& pBytes)
{
	return QString::fromLatin1(pBytes.toHex());
}


// The CHAT of a CV certificate, found by its tag: 7F4C with a short length.
QByteArray chatOf(const QByteArray& pCertificate)
{
	const auto index = pCertificate.indexOf(QByteArray::fromHex("7F4C"));
	if (index < 0 || index + 3 > pCertificate.size())
	{
		return QByteArray();
	}
	return pCertificate.mid(index, 3 + static_cast<quint8>(pCertificate.at(index + 2)));
}


QString certificates(const QList<QSharedPointer<const cvcertificate_st>>& pCertificates)
{
	QStringList holders;
	for (const auto& certificate : pCertificates)
	{
		holders << QString::fromLatin1(certificate->getBody().getCertificateHolderReference());
	}
	return holders.join(QLatin1Char(','));
}


void describeDidAuthenticate(const DidAuthenticateMessage& pMessage, Fields& pFields)
{
	const auto& handle = pMessage.getConnectionHandle();
	pFields[QStringLiteral("didName")] = text(pMessage.getDidName());
	pFields[QStringLiteral("contextHandle")] = text(handle.getContextHandle());
	pFields[QStringLiteral("ifdName")] = text(handle.getIfdName());
	pFields[QStringLiteral("slotIndex")] = text(handle.getSlotIndex());
	pFields[QStringLiteral("cardApplication")] = text(handle.getCardApplication());
	pFields[QStringLiteral("slotHandle")] = text(handle.getSlotHandle());
}


// What a test can state about a message, as text.
Fields describe(const QSharedPointer<PaosMessage>& pMessage)
{
	Fields fields;
	fields[QStringLiteral("messageId")] = text(pMessage->getMessageId());
	fields[QStringLiteral("relatesTo")] = text(pMessage->getRelatesTo());

	switch (pMessage->getType())
	{
		case PaosType::TRANSMIT:
		{
			const auto transmit = pMessage.staticCast<Transmit>();
			fields[QStringLiteral("slotHandle")] = text(transmit->getSlotHandle());
			QStringList infos;
			for (const auto& info : transmit->getInputApduInfos())
			{
				infos << hex(info.getInputApdu()) + QLatin1Char(':') + QString::fromLatin1(info.getAcceptableStatusCodes().join('|'));
			}
			fields[QStringLiteral("apdus")] = infos.join(QLatin1Char(';'));
			break;
		}

		case PaosType::STARTPAOS_RESPONSE:
		{
			const auto& result = pMessage.staticCast<StartPaosResponse>()->getResult();
			fields[QStringLiteral("major")] = result.getMajorString();
			fields[QStringLiteral("minor")] = result.getMinorString();
			fields[QStringLiteral("message")] = text(result.getMessage());
			fields[QStringLiteral("origin")] = QString::number(static_cast<int>(result.getOrigin()));
			break;
		}

		case PaosType::DID_AUTHENTICATE_EAC1:
		{
			const auto eac1 = pMessage.staticCast<DIDAuthenticateEAC1>();
			describeDidAuthenticate(*eac1, fields);
			fields[QStringLiteral("certificates")] = certificates(eac1->getCvCertificates());
			fields[QStringLiteral("description")] = hex(eac1->getCertificateDescriptionAsBinary());
			fields[QStringLiteral("subjectName")] = eac1->getCertificateDescription() ? eac1->getCertificateDescription()->getSubjectName() : QStringLiteral("<none>");
			fields[QStringLiteral("requiredChat")] = eac1->getRequiredChat() ? hex(eac1->getRequiredChat()->getTemplate()) : QStringLiteral("<none>");
			fields[QStringLiteral("optionalChat")] = eac1->getOptionalChat() ? hex(eac1->getOptionalChat()->getTemplate()) : QStringLiteral("<none>");
			fields[QStringLiteral("auxiliaryData")] = hex(eac1->getAuthenticatedAuxiliaryDataAsBinary());
			fields[QStringLiteral("auxiliaryDataDecoded")] = eac1->getAuthenticatedAuxiliaryData() ? QStringLiteral("yes") : QStringLiteral("no");
			fields[QStringLiteral("transactionInfo")] = text(eac1->getTransactionInfo());
			QStringList types;
			for (const auto type : eac1->getAcceptedEidTypes())
			{
				types << Enum<AcceptedEidType>::getName(type);
			}
			fields[QStringLiteral("acceptedEidTypes")] = types.join(QLatin1Char(','));
			break;
		}

		case PaosType::DID_AUTHENTICATE_EAC2:
		{
			const auto eac2 = pMessage.staticCast<DIDAuthenticateEAC2>();
			describeDidAuthenticate(*eac2, fields);
			fields[QStringLiteral("certificates")] = certificates(eac2->getCvCertificates());
			fields[QStringLiteral("ephemeralPublicKey")] = text(eac2->getEphemeralPublicKey());
			fields[QStringLiteral("signature")] = text(eac2->getSignature());
			break;
		}

		case PaosType::DID_AUTHENTICATE_EAC_ADDITIONAL_INPUT_TYPE:
		{
			const auto additional = pMessage.staticCast<DIDAuthenticateEACAdditional>();
			describeDidAuthenticate(*additional, fields);
			fields[QStringLiteral("signature")] = text(additional->getSignature());
			break;
		}

		default:
			break;
	}
	return fields;
}


} // namespace


class test_PaosHandler
	: public QObject
{
	Q_OBJECT

	private:
		QMap<QByteArray, QByteArray> mMaterial;
		QStringList mTableFiles;

		QString corpusFolder() const
		{
			return getProgramDirectory() + QStringLiteral("/fixtures/paos/corpus");
		}


		QByteArray corpus(const QString& pName) const
		{
			QByteArray document = readFile(corpusFolder() + QLatin1Char('/') + pName);
			for (auto it = mMaterial.cbegin(); it != mMaterial.cend(); ++it)
			{
				document.replace('@' + it.key() + '@', it.value().toHex().toUpper());
			}
			return document;
		}


		static QSharedPointer<PaosMessage> parse(const QByteArray& pDocument, PaosType* pType = nullptr)
		{
			QBuffer buffer;
			buffer.setData(pDocument);
			buffer.open(QIODevice::ReadOnly);
			const PaosHandler handler(&buffer);
			if (pType)
			{
				*pType = handler.getDetectedPaosType();
			}
			return handler.getPaosMessage();
		}


		// Every document of the corpus that yields a message.
		QStringList validDocuments() const
		{
			QStringList names;
			const auto files = QDir(corpusFolder()).entryList({QStringLiteral("*.xml")}, QDir::Files, QDir::Name);
			for (const auto& name : files)
			{
				if (parse(corpus(name)))
				{
					names << name;
				}
			}
			return names;
		}

	private Q_SLOTS:
		void initTestCase()
		{
			const auto cvc = getProgramDirectory() + QStringLiteral("/fixtures/asn1/cvc/brainpoolP256r1/");
			mMaterial["DV"] = readFile(cvc + QStringLiteral("dv_domestic.cvcert"));
			mMaterial["TERMINAL"] = readFile(cvc + QStringLiteral("terminal.cvcert"));
			// cvc-create writes the description fields implicitly tagged; eID servers send them explicit.
			mMaterial["DESCRIPTION"] = runOpenSsl({"asn1parse", "-genconf", "-", "-noout", "-out", "-"},
					"asn1=SEQUENCE:description\n[description]\ntype=OID:0.4.0.127.0.7.3.1.3.1.1\n"
					"field1=EXPLICIT:1,UTF8String:Test Issuer\nfield2=EXPLICIT:2,PRINTABLESTRING:https://issuer.example\n"
					"field3=EXPLICIT:3,UTF8String:Test Subject\nfield4=EXPLICIT:4,PRINTABLESTRING:https://subject.example\n"
					"field5=EXPLICIT:5,UTF8String:Terms of usage\n");
			mMaterial["CHAT"] = chatOf(mMaterial["TERMINAL"]);
			mMaterial["AUX"] = runOpenSsl({"asn1parse", "-genconf", "-", "-noout", "-out", "-"},
					"asn1=IMPLICIT:7A,SET:templates\n[templates]\nt0=IMPLICIT:19A,SEQUENCE:t0\n"
					"[t0]\noid=OID:0.4.0.127.0.7.3.1.4.1\nvalue=IMPLICIT:19A,FORMAT:ASCII,OCTETSTRING:19700101\n");
			for (auto it = mMaterial.cbegin(); it != mMaterial.cend(); ++it)
			{
				QVERIFY2(!it.value().isEmpty(), it.key().constData());
			}
			QCOMPARE(mMaterial["CHAT"].size(), 21); // 7F4C 12 { OID of 9 octets, 53 05 template }
		}


		void corpusDocument_data()
		{
			QTest::addColumn<QString>("file");
			QTest::addColumn<PaosType>("type");
			QTest::addColumn<Fields>("fields");
			QTest::addColumn<QString>("log");
			mTableFiles.clear();

			const auto chat = hex(mMaterial["CHAT"].right(5));
			const auto terminal = QStringLiteral("DETESTTERM00001");
			const Fields serverIds {
				{QStringLiteral("messageId"), QStringLiteral("urn:uuid:server-0001")},
				{QStringLiteral("relatesTo"), QStringLiteral("urn:uuid:client-0001")}
			};
			const Fields fullHandle {
				{QStringLiteral("didName"), QStringLiteral("PIN")},
				{QStringLiteral("contextHandle"), QStringLiteral("4549445f49534f5f32343732375f42415345")},
				{QStringLiteral("ifdName"), QStringLiteral("eID-Kartenleser")},
				{QStringLiteral("slotIndex"), QStringLiteral("0")},
				{QStringLiteral("cardApplication"), QStringLiteral("e80704007f00070302")},
				{QStringLiteral("slotHandle"), QStringLiteral("00")}
			};
			const Fields noHandle {
				{QStringLiteral("didName"), QStringLiteral("<null>")},
				{QStringLiteral("ifdName"), QStringLiteral("<null>")},
				{QStringLiteral("slotHandle"), QStringLiteral("<null>")}
			};
			const auto with = [](Fields pFields, const Fields& pMore) {
						pFields.insert(pMore);
						return pFields;
					};
			const auto row = [this](const char* pName) -> QTestData& {
						mTableFiles << QString::fromLatin1(pName) + QStringLiteral(".xml");
						return QTest::newRow(pName) << mTableFiles.last();
					};
			const auto none = [&row](const char* pName, const char* pLog) {
						row(pName) << PaosType::UNKNOWN << Fields() << QString::fromLatin1(pLog);
					};

			row("initialize_framework") << PaosType::INITIALIZE_FRAMEWORK << serverIds << QString();
			row("initialize_framework_then_transmit") << PaosType::INITIALIZE_FRAMEWORK << serverIds << QString();
			row("transmit") << PaosType::TRANSMIT << with(serverIds, {
						{QStringLiteral("slotHandle"), QStringLiteral("4549445f49534f")},
						{QStringLiteral("apdus"), QStringLiteral("0ca4020c:9000|6282;00b0000000:90")}
					}) << QStringLiteral("Unknown element: \"Extension\"");
			row("transmit_no_input_apdu_info") << PaosType::TRANSMIT << Fields {
						{QStringLiteral("slotHandle"), QStringLiteral("<null>")},
						{QStringLiteral("apdus"), QString()}
					} << QString();
			row("header_after_body") << PaosType::TRANSMIT << Fields {
						{QStringLiteral("messageId"), QStringLiteral("urn:uuid:after-body")},
						{QStringLiteral("relatesTo"), QStringLiteral("urn:uuid:client-after-body")},
						{QStringLiteral("apdus"), QStringLiteral("0084000008:")}
					} << QString();
			row("header_ids_repeated") << PaosType::TRANSMIT << Fields {
						{QStringLiteral("messageId"), QStringLiteral("urn:uuid:second")},
						{QStringLiteral("relatesTo"), QStringLiteral("urn:uuid:last-client")}
					} << QString();
			row("prefixes_ignored") << PaosType::TRANSMIT << Fields {
						{QStringLiteral("messageId"), QStringLiteral("urn:uuid:prefixes")},
						{QStringLiteral("relatesTo"), QStringLiteral("<null>")},
						{QStringLiteral("slotHandle"), QStringLiteral("01")},
						{QStringLiteral("apdus"), QStringLiteral("00a4040c:")}
					} << QString();
			row("start_paos_response") << PaosType::STARTPAOS_RESPONSE << with(serverIds, {
						{QStringLiteral("major"), QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultmajor#ok")},
						{QStringLiteral("message"), QStringLiteral("<null>")},
						{QStringLiteral("origin"), QString::number(static_cast<int>(ECardApiResult::Origin::Server))}
					}) << QString();
			row("start_paos_response_error") << PaosType::STARTPAOS_RESPONSE << Fields {
						{QStringLiteral("major"), QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultmajor#error")},
						{QStringLiteral("minor"), QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultminor/al/common#internalError")},
						{QStringLiteral("message"), QStringLiteral("The eID server stopped.")},
						{QStringLiteral("origin"), QString::number(static_cast<int>(ECardApiResult::Origin::Server))}
					} << QString();
			row("start_paos_response_no_result") << PaosType::STARTPAOS_RESPONSE << Fields {
						{QStringLiteral("message"), QStringLiteral("<null>")},
						{QStringLiteral("origin"), QString::number(static_cast<int>(ECardApiResult::Origin::Server))}
					} << QString();
			row("eac1") << PaosType::DID_AUTHENTICATE_EAC1 << with(with(serverIds, fullHandle), {
						{QStringLiteral("certificates"), QStringLiteral("DETESTDVDE00001,") + terminal},
						{QStringLiteral("description"), hex(mMaterial["DESCRIPTION"])},
						{QStringLiteral("subjectName"), QStringLiteral("Test Subject")},
						{QStringLiteral("requiredChat"), chat},
						{QStringLiteral("optionalChat"), chat},
						{QStringLiteral("auxiliaryData"), hex(mMaterial["AUX"])},
						{QStringLiteral("auxiliaryDataDecoded"), QStringLiteral("yes")},
						{QStringLiteral("transactionInfo"), QStringLiteral("Order 4711")},
						{QStringLiteral("acceptedEidTypes"), QStringLiteral("HW_KEYSTORE,CARD_CERTIFIED")}
					}) << QStringLiteral("Unsupported element: \"RecognitionInfo\"");
			row("eac1_minimal") << PaosType::DID_AUTHENTICATE_EAC1 << with(with(serverIds, noHandle), {
						{QStringLiteral("certificates"), terminal},
						{QStringLiteral("description"), QString()},
						{QStringLiteral("subjectName"), QStringLiteral("<none>")},
						{QStringLiteral("requiredChat"), QStringLiteral("<none>")},
						{QStringLiteral("optionalChat"), QStringLiteral("<none>")},
						{QStringLiteral("auxiliaryDataDecoded"), QStringLiteral("no")},
						{QStringLiteral("transactionInfo"), QStringLiteral("<null>")},
						{QStringLiteral("acceptedEidTypes"), QStringLiteral("CARD_CERTIFIED,SE_CERTIFIED,SE_ENDORSED")}
					}) << QString();
			row("eac1_accepted_eid_type_twice") << PaosType::DID_AUTHENTICATE_EAC1 << Fields {
						{QStringLiteral("acceptedEidTypes"), QStringLiteral("SE_CERTIFIED,SE_CERTIFIED")}
					} << QStringLiteral("AcceptedEIDType: \"SECertified\"");
			row("eac2") << PaosType::DID_AUTHENTICATE_EAC2 << with(with(serverIds, fullHandle), {
						{QStringLiteral("certificates"), terminal},
						{QStringLiteral("ephemeralPublicKey"), QStringLiteral("04 A1B2c3d4")},
						{QStringLiteral("signature"), QStringLiteral("5F3740 00FF")}
					}) << QStringLiteral("DidAuthenticateParser: \"PIN\" \"eID-Kartenleser\"");
			row("eac2_empty_ephemeral_key") << PaosType::DID_AUTHENTICATE_EAC2 << with(noHandle, {
						{QStringLiteral("certificates"), QString()},
						{QStringLiteral("ephemeralPublicKey"), QString()},
						{QStringLiteral("signature"), QStringLiteral("<null>")}
					}) << QString();
			row("eac_additional") << PaosType::DID_AUTHENTICATE_EAC_ADDITIONAL_INPUT_TYPE << with(with(serverIds, fullHandle), {
						{QStringLiteral("signature"), QStringLiteral("5F374000ff")}
					}) << QStringLiteral("Unknown element: \"Extension\"");

			none("transmit_then_initialize_framework", "Duplicate unique element: \"InitializeFramework\"");
			none("transmit_twice", "Duplicate unique element: \"Transmit\"");
			none("transmit_duplicate_slot_handle", "Duplicate unique element: \"SlotHandle\"");
			none("transmit_missing_input_apdu", "InputAPDU element missing");
			none("transmit_duplicate_input_apdu", "Duplicate unique element: \"InputAPDU\"");
			none("transmit_lower_case", "No valid Body element found");
			none("transmit_unreadable_input_apdu", "XML error:");
			none("syntax_error_after_message", "XML error:");
			none("content_after_envelope", "XML error:");
			none("entity_expansion", "XML error:");
			none("root_not_envelope", "Error parsing message.");
			none("envelope_lower_case", "Error parsing message.");
			none("no_body", "Element Body not found");
			none("empty_body", "No valid Body element found");
			none("body_twice", "Duplicate unique element: \"Body\"");
			none("eac1_without_certificate", "Mandatory list is empty: Certificate");
			none("eac1_undecodable_certificate", "Cannot parse Certificate");
			none("eac1_undecodable_chat", "Cannot parse required CHAT");
			none("eac1_undecodable_optional_chat", "Cannot parse optional CHAT");
			none("eac1_undecodable_description", "Cannot parse CertificateDescription");
			none("eac1_undecodable_auxiliary_data", "Cannot parse AuthenticatedAuxiliaryData");
			none("eac1_required_chat_twice", "Duplicate unique element: \"RequiredCHAT\"");
			none("eac1_transaction_info_twice", "Duplicate unique element: \"TransactionInfo\"");
			none("eac1_accepted_eid_type_lower_case", "Cannot parse AcceptedEidType");
			none("eac2_without_ephemeral_key", "Mandatory element is null: EphemeralPublicKey");
			none("eac2_undecodable_certificate", "Cannot parse Certificate");
			none("eac2_ephemeral_key_twice", "Duplicate unique element: \"EphemeralPublicKey\"");
			none("eac_additional_without_signature", "Mandatory element is null: Signature");
			none("eac_additional_signature_twice", "Abort parsing of Signature");
			none("xsi_type_other_namespace", "No valid Body element found");
			none("xsi_type_other_input_type", "No valid Body element found");
			none("connection_handle_twice", "Duplicate unique element: \"ConnectionHandle\"");
			none("connection_handle_ifd_name_twice", "Duplicate unique element: \"IFDName\"");
			none("did_name_twice", "Duplicate unique element: \"DIDName\"");
		}


		void corpusDocument()
		{
			QFETCH(QString, file);
			QFETCH(PaosType, type);
			QFETCH(Fields, fields);
			QFETCH(QString, log);

			const auto document = corpus(file);
			QVERIFY(!document.isEmpty());

			LogCapture capture;
			PaosType detected = PaosType::UNKNOWN;
			const auto message = parse(document, &detected);
			QVERIFY2(detected == type, qPrintable(capture.messages().join(QLatin1Char('\n')).right(600)));
			if (!log.isEmpty())
			{
				QVERIFY2(capture.contains(log), qPrintable(capture.messages().join(QLatin1Char('\n'))));
			}

			if (type == PaosType::UNKNOWN)
			{
				QVERIFY(message.isNull());
				QVERIFY(capture.contains(QStringLiteral("Error parsing message.")));
				return;
			}

			QVERIFY(message);
			QCOMPARE(message->getType(), type);
			QVERIFY(!capture.contains(QStringLiteral("Error parsing message.")));
			const auto actual = describe(message);
			for (auto it = fields.cbegin(); it != fields.cend(); ++it)
			{
				QVERIFY2(actual.contains(it.key()), qPrintable(it.key()));
				QCOMPARE(actual.value(it.key()), it.value());
			}
		}


		// A file added to the corpus without a row would go untested.
		void everyCorpusFileHasARow()
		{
			auto files = QDir(corpusFolder()).entryList({QStringLiteral("*.xml")}, QDir::Files, QDir::Name);
			files.removeOne(QStringLiteral("external_entity.xml"));
			auto rows = mTableFiles;
			rows.sort();
			QCOMPARE(rows, files);
		}


		void externalEntityIsNotResolved()
		{
			PaosType type = PaosType::UNKNOWN;
			const auto message = parse(corpus(QStringLiteral("external_entity.xml")), &type);
			QCOMPARE(type, PaosType::TRANSMIT);
			QCOMPARE(message.staticCast<Transmit>()->getSlotHandle(), QString());
		}


		void entityExpansionFailsQuickly()
		{
			QElapsedTimer timer;
			timer.start();
			QVERIFY(!parse(corpus(QStringLiteral("entity_expansion.xml"))));
			// Far below what expanding 64 * 16^7 characters would take; not a timing bound of the parser.
			QVERIFY(timer.elapsed() < 60000);
		}


		void truncatedDocumentYieldsNoMessage()
		{
			const auto valid = validDocuments();
			QVERIFY(valid.size() >= 10);

			// Thousands of parses: keep their log out of the test output.
			const auto previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
			for (const auto& name : valid)
			{
				const auto document = corpus(name).trimmed();
				for (qsizetype length = 0; length < document.size(); ++length)
				{
					if (parse(document.left(length)))
					{
						qInstallMessageHandler(previous);
						QFAIL(qPrintable(QStringLiteral("%1 truncated to %2 bytes gives a message").arg(name).arg(length)));
					}
				}
			}
			qInstallMessageHandler(previous);
		}


		void noLogKeepsTheDocumentOutOfThePaosLog()
		{
			const auto document = corpus(QStringLiteral("transmit.xml"));
			QBuffer buffer;
			buffer.setData(document);
			buffer.open(QIODevice::ReadOnly);

			QLoggingCategory::setFilterRules(QStringLiteral("paos.debug=true"));
			LogCapture capture;
			const PaosHandler handler(&buffer, false);
			QLoggingCategory::setFilterRules(QString());

			QCOMPARE(handler.getDetectedPaosType(), PaosType::TRANSMIT);
			QVERIFY(capture.contains(QStringLiteral("no-log was requested, skip logging of xml data")));
			const auto entries = capture.entries();
			for (const auto& entry : entries)
			{
				QVERIFY2(!(entry.mCategory == QLatin1String("paos") && entry.mMessage.contains(QLatin1String("4549445f49534f"))), qPrintable(entry.mMessage));
			}
		}


		void structureIsLoggedWithLogging()
		{
			const auto document = corpus(QStringLiteral("transmit.xml"));
			QBuffer buffer;
			buffer.setData(document);
			buffer.open(QIODevice::ReadOnly);

			QLoggingCategory::setFilterRules(QStringLiteral("paos.debug=true"));
			LogCapture capture;
			const PaosHandler handler(&buffer);
			QLoggingCategory::setFilterRules(QString());

			QCOMPARE(handler.getDetectedPaosType(), PaosType::TRANSMIT);
			QVERIFY(capture.contains(QStringLiteral("      iso:SlotHandle")));
			QVERIFY(capture.contains(QStringLiteral("4549445f49534f")));
			QVERIFY(capture.contains(QStringLiteral("/iso:SlotHandle")));
		}


};

QTEST_GUILESS_MAIN(test_PaosHandler)
#include "test_PaosHandler.moc"
