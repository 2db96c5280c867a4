#include "paos/sent/PaosCreator.h"

#include "PaosGolden.h"
#include "TestEnvironment.h"

#include <QSet>
#include <QXmlStreamReader>


using namespace tessarovin;

namespace
{

using Namespace = PaosCreator::Namespace;

// A writer with a body of one empty element and, when given, a result.
class TestCreator
	: public PaosCreator
{
	private:
		std::optional<ECardApiResult> mResult;

	protected:
		void createBodyElement(QXmlStreamWriter& pWriter) override
		{
			pWriter.writeStartElement(QStringLiteral("TestBody"));
			pWriter.writeAttribute(getNamespacePrefix(Namespace::DEFAULT), getNamespace(Namespace::TECHSCHEMA));
			if (mResult.has_value())
			{
				writeResult(pWriter, *mResult);
			}
			pWriter.writeEndElement();
		}

	public:
		explicit TestCreator(const std::optional<ECardApiResult>& pResult = std::nullopt)
			: PaosCreator()
			, mResult(pResult)
		{
		}
};


} // namespace


class test_PaosCreator
	: public QObject
{
	Q_OBJECT

	private:
		const QString mSoap = QStringLiteral("http://schemas.xmlsoap.org/soap/envelope/");
		const QString mWsa = QStringLiteral("http://www.w3.org/2005/03/addressing");
		const QString mDss = QStringLiteral("urn:oasis:names:tc:dss:1.0:core:schema");

	private Q_SLOTS:
		void namespaceTable_data()
		{
			QTest::addColumn<Namespace>("ns");
			QTest::addColumn<QString>("declaration");
			QTest::addColumn<QString>("uri");
			QTest::addColumn<QString>("element");

			QTest::newRow("default") << Namespace::DEFAULT << "xmlns" << QString() << "xmlns";
			QTest::newRow("soap") << Namespace::SOAPENV << "xmlns:soap" << "http://schemas.xmlsoap.org/soap/envelope/" << "soap:Body";
			QTest::newRow("xsd") << Namespace::XSD << "xmlns:xsd" << "http://www.w3.org/2001/XMLSchema" << "xsd:Body";
			QTest::newRow("xsi") << Namespace::XSI << "xmlns:xsi" << "http://www.w3.org/2001/XMLSchema-instance" << "xsi:Body";
			QTest::newRow("paos") << Namespace::PAOS << "xmlns:paos" << "urn:liberty:paos:2006-08" << "paos:Body";
			QTest::newRow("wsa") << Namespace::ADDRESSING << "xmlns:wsa" << "http://www.w3.org/2005/03/addressing" << "wsa:Body";
			QTest::newRow("dss") << Namespace::DSS << "xmlns:dss" << "urn:oasis:names:tc:dss:1.0:core:schema" << "dss:Body";
			QTest::newRow("ecard") << Namespace::ECARD << "xmlns:ecard" << "http://www.bsi.bund.de/ecard/api/1.1" << "ecard:Body";
			QTest::newRow("iso") << Namespace::TECHSCHEMA << "xmlns:iso" << "urn:iso:std:iso-iec:24727:tech:schema" << "iso:Body";
		}


		void namespaceTable()
		{
			QFETCH(Namespace, ns);
			QFETCH(QString, declaration);
			QFETCH(QString, uri);
			QFETCH(QString, element);

			QCOMPARE(PaosCreator::getNamespacePrefix(ns), declaration);
			QCOMPARE(PaosCreator::getNamespace(ns), uri);
			QCOMPARE(PaosCreator::getNamespacePrefix(ns, QStringLiteral("Body")), element);
		}


		void namespaceType()
		{
			QCOMPARE(PaosCreator::getNamespaceType(Namespace::TECHSCHEMA, QStringLiteral("EAC1OutputType")), QStringLiteral("iso:EAC1OutputType"));
			// An empty suffix is still a suffix; only a null one asks for the declaration.
			QCOMPARE(PaosCreator::getNamespacePrefix(Namespace::XSI, QLatin1String("")), QStringLiteral("xsi:"));
		}


		void envelopeDeclaresEveryNamespaceInOrder()
		{
			TestCreator creator;
			QXmlStreamReader reader(creator.marshall());
			QVERIFY(reader.readNextStartElement());
			QCOMPARE(reader.namespaceUri(), mSoap);
			QCOMPARE(reader.name(), QLatin1String("Envelope"));

			QStringList declared;
			const auto declarations = reader.namespaceDeclarations();
			for (const auto& declaration : declarations)
			{
				declared += declaration.prefix().toString();
				QCOMPARE(declaration.namespaceUri().toString(), PaosCreator::getNamespace(static_cast<Namespace>(declared.size())));
			}
			QCOMPARE(declared, QStringList({"soap", "xsd", "xsi", "paos", "wsa", "dss", "ecard", "iso"}));
		}


		void header()
		{
			TestCreator creator;
			const QStringList children = childrenOf(creator.marshall(), mSoap, QStringLiteral("Header"));
			QCOMPARE(children.size(), 3);
			QCOMPARE(children.at(0), QStringLiteral("{urn:liberty:paos:2006-08}PAOS="
					"urn:liberty:paos:2006-08"
					"http://www.projectliberty.org/2006/01/role/paos"
					"http://www.bsi.bund.de/ecard/api/1.1/PAOS/GetNextCommand"));
			QCOMPARE(children.at(1), QStringLiteral("{%1}ReplyTo=http://www.projectliberty.org/2006/02/role/paos").arg(mWsa));
			QVERIFY(children.at(2).startsWith(QStringLiteral("{%1}MessageID=urn:uuid:").arg(mWsa)));
		}


		void relatesTo_data()
		{
			QTest::addColumn<QString>("relatesTo");
			QTest::addColumn<QStringList>("before");

			const QString relatesTo = QStringLiteral("{%1}RelatesTo=").arg(mWsa);
			QTest::newRow("null: first message") << QString() << QStringList();
			QTest::newRow("empty") << QStringLiteral("") << QStringList({relatesTo});
			QTest::newRow("server id") << QStringLiteral("urn:uuid:<&>") << QStringList({relatesTo + QStringLiteral("urn:uuid:<&>")});
		}


		void relatesTo()
		{
			QFETCH(QString, relatesTo);
			QFETCH(QStringList, before);

			TestCreator creator;
			creator.setRelatesTo(relatesTo);
			QStringList children = childrenOf(creator.marshall(), mSoap, QStringLiteral("Header"));
			QCOMPARE(children.size(), 3 + before.size());
			QVERIFY(children.takeLast().startsWith(QStringLiteral("{%1}MessageID=").arg(mWsa)));
			QCOMPARE(children.mid(2), before);
		}


		void messageIdIsFreshAndRandom()
		{
			QSet<QString> ids;
			QSet<QChar> versionDigits;
			for (int i = 0; i < 32; ++i)
			{
				TestCreator creator;
				const QString id = extractMessageId(creator.marshall());
				QVERIFY2(!id.isEmpty(), "MessageID is not a lower-case urn:uuid in 8-4-4-4-12 form");
				ids += id;
				versionDigits += id.at(QStringLiteral("urn:uuid:").size() + 14);
			}
			QCOMPARE(ids.size(), 32);
			// All random bits: a generator that fixes the RFC 4122 version would always give "4".
			QVERIFY(versionDigits.size() > 1);
		}


		void marshallWritesOnce()
		{
			TestCreator creator;
			const QByteArray first = creator.marshall();
			creator.setRelatesTo(QStringLiteral("too late"));
			const QByteArray second = creator.marshall();
			QCOMPARE(second, first);
			QVERIFY(!second.contains("RelatesTo"));
			QVERIFY(!extractMessageId(first).isEmpty());
		}


		void documentLayout()
		{
			TestCreator creator;
			const QByteArray document = creator.marshall();
			QVERIFY(document.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<soap:Envelope "));
			QVERIFY(document.contains("\n    <soap:Header>\n        <paos:PAOS soap:mustUnderstand=\"1\" soap:actor=\"http://schemas.xmlsoap.org/soap/actor/next\">\n"));
			QVERIFY(document.endsWith("</soap:Envelope>\n"));
		}


		void result_data()
		{
			QTest::addColumn<ECardApiResult>("result");
			QTest::addColumn<QStringList>("children");

			const QString major = QStringLiteral("{%1}ResultMajor=http://www.bsi.bund.de/ecard/api/1.1/resultmajor#").arg(mDss);
			const QString minor = QStringLiteral("{%1}ResultMinor=http://www.bsi.bund.de/ecard/api/1.1/resultminor/").arg(mDss);
			const QString message = QStringLiteral("{%1}ResultMessage[en]=").arg(mDss);
			using Major = ECardApiResult::Major;
			using Minor = ECardApiResult::Minor;

			QTest::newRow("ok") << ECardApiResult::createOk() << QStringList({major + "ok"});
			QTest::newRow("minor and message") << ECardApiResult(Major::Error, Minor::AL_Communication_Error, QStringLiteral("Lost <link> & \"more\""))
											   << QStringList({major + "error", minor + "al/common#communicationError", message + "Lost <link> & \"more\""});
			QTest::newRow("minor, null message") << ECardApiResult(Major::Error, Minor::SAL_Cancellation_by_User)
												 << QStringList({major + "error", minor + "sal#cancellationByUser"});
			QTest::newRow("minor, empty message") << ECardApiResult(Major::Warning, Minor::AL_Unknown_Error, QStringLiteral(""))
												  << QStringList({major + "warning", minor + "al/common#unknownError", message});
			QTest::newRow("ok with message") << ECardApiResult(Major::Ok, Minor::null, QStringLiteral("fine"))
											 << QStringList({major + "ok", message + "fine"});
			QTest::newRow("from status") << ECardApiResult::fromGlobalStatus(GlobalStatus(GlobalStatus::Code::Workflow_Card_Removed))
										 << QStringList({major + "error", minor + "sal#cancellationByUser",
												message + GlobalStatus(GlobalStatus::Code::Workflow_Card_Removed).toErrorDescription()});
			QTest::newRow("major without uri") << ECardApiResult(QStringLiteral("urn:unknown"), QString(), QString())
											   << QStringList({QStringLiteral("{%1}ResultMajor=").arg(mDss)});
		}


		void result()
		{
			QFETCH(ECardApiResult, result);
			QFETCH(QStringList, children);

			TestCreator creator(result);
			QCOMPARE(childrenOf(creator.marshall(), PaosCreator::getNamespace(Namespace::DSS), QStringLiteral("Result")), children);
		}


};

KENDRAWELL_TEST_MAIN(test_PaosCreator)
#include "test_PaosCreator.moc"
