// The access-rights and certificate messages over an authentication context built from the test
// PKI (make_pki.py, cvc-create) and auxiliary data made with "openssl asn1parse -genconf".
#include "MessageDispatcher.h"

#include "context/AuthContext.h"
#include "Env.h"
#include "OpenSslCli.h"
#include "TestEnvironment.h"
#include "TestPki.h"
#include "VolatileSettings.h"

#include <QDate>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

using namespace tessarovin;

namespace
{

QJsonObject parse(const QByteArray& pJson)
{
	return QJsonDocument::fromJson(pJson).object();
}


QJsonArray names(const QStringList& pNames)
{
	return QJsonArray::fromStringList(pNames);
}


// A date of birth before which the holder must be born, and a community ID.
QByteArray auxiliaryData()
{
	const QByteArray conf = "asn1=IMPLICIT:7A,SET:templates\n[templates]\n"
							"age=IMPLICIT:19A,SEQUENCE:age\n"
							"community=IMPLICIT:19A,SEQUENCE:community\n"
							"[age]\noid=OID:0.4.0.127.0.7.3.1.4.1\nvalue=IMPLICIT:19A,FORMAT:ASCII,OCTETSTRING:20080101\n"
							"[community]\noid=OID:0.4.0.127.0.7.3.1.4.3\nvalue=IMPLICIT:19A,FORMAT:HEX,OCTETSTRING:02760400000000\n";
	return runOpenSsl({"asn1parse", "-genconf", "-", "-noout", "-out", "-"}, conf);
}


} // namespace


class test_MsgHandlerAccessRights
	: public QObject
{
	Q_OBJECT

	private:
		QTemporaryDir mDir;
		TestPki mPki;
		// Its terminal may not have the card accept the CAN but may install certificates, a right
		// without a name for the client.
		TestPki mPkiNoCan;

		// The provider requires the document type, the given names and the age verification and
		// may have the family name, the address and the pseudonym; the request lists them unsorted.
		QSharedPointer<AuthContext> createContext(bool pOptional = true, bool pAux = true, const QString& pTransactionInfo = QString())
		{
			return createContext(mPki, pOptional ? QSet<AccessRight>({AccessRight::RESTRICTED_IDENTIFICATION, AccessRight::READ_DG17, AccessRight::READ_DG05}) : QSet<AccessRight>(), pAux, pTransactionInfo);
		}


		static QSharedPointer<AuthContext> createContext(const TestPki& pPki, const QSet<AccessRight>& pOptional, bool pAux, const QString& pTransactionInfo)
		{
			QSharedPointer<const cvcertificate_st> terminal;
			QSharedPointer<const cvcertificate_st> dv;
			Eac1InputType input;
			for (const auto& der : pPki.getEac1Certificates(TestPki::Chain::VALID))
			{
				const auto certificate = cvcertificate_st::decode(der);
				if (!certificate)
				{
					qWarning() << "Not a CV certificate:" << der.toHex();
					return QSharedPointer<AuthContext>();
				}
				input.appendCvcert(certificate);
				const auto role = certificate->getBody().getCHAT().getAccessRole();
				if (role == AccessRole::AT)
				{
					terminal = certificate;
				}
				else if (role == AccessRole::DV_od)
				{
					dv = certificate;
				}
			}
			if (!terminal || !dv)
			{
				qWarning() << "The test PKI has no terminal or DV";
				return QSharedPointer<AuthContext>();
			}

			auto required = terminal->getBody().getCHAT().copy();
			required->removeAllAccessRights();
			required->setAccessRights({AccessRight::READ_DG01, AccessRight::AGE_VERIFICATION, AccessRight::READ_DG04});
			input.setRequiredChat(required);
			if (!pOptional.isEmpty())
			{
				auto optional = terminal->getBody().getCHAT().copy();
				optional->removeAllAccessRights();
				optional->setAccessRights(pOptional);
				input.setOptionalChat(optional);
			}
			const auto description = pPki.getDescription(TestPki::Chain::VALID);
			input.setCertificateDescription(description, CertificateDescription::decode(description));
			if (pAux)
			{
				const auto aux = auxiliaryData();
				input.setAuthenticatedAuxiliaryData(aux, AuthenticatedAuxiliaryData::decode(aux));
			}
			input.setTransactionInfo(pTransactionInfo);

			auto eac1 = QSharedPointer<DIDAuthenticateEAC1>::create();
			eac1->setEac1InputType(input);
			auto context = QSharedPointer<AuthContext>::create();
			context->setDidAuthenticateEac1(eac1);
			context->setDvCvc(dv);
			context->initAccessRightManager(terminal);
			return context;
		}


		QSharedPointer<AuthContext> editAccessRights(MessageDispatcher& pDispatcher, bool pOptional = true)
		{
			const auto context = pOptional ? createContext() : createContext(mPkiNoCan, {}, true, QString());
			(void) pDispatcher.init(context);
			context->setStateApproved(false);
			const auto msg = pDispatcher.processStateChange(QStringLiteral("StateEditAccessRights"));
			if (msg.getType() != MsgType::ACCESS_RIGHTS)
			{
				qWarning() << "No ACCESS_RIGHTS:" << msg.getData();
			}
			return context;
		}

	private Q_SLOTS:
		void initTestCase()
		{
			Q_UNUSED(Env::getSingleton<VolatileSettings>())
			QVERIFY(mDir.isValid());
			QVERIFY(mPki.create(mDir.path(), 443));
			// The relative authorization: age verification, pseudonym, installing certificates,
			// document type, given and family names, address.
			const auto chat = QByteArray::fromHex("0001001945");
			QVERIFY(mPkiNoCan.create(mDir.filePath(QStringLiteral("nocan")), 443, chat));
		}


		// Sent when the state is entered: descending right values, whatever order the request had.
		void accessRights()
		{
			MessageDispatcher dispatcher;
			const auto context = createContext(true, true, QStringLiteral("Bestellung 42"));
			(void) dispatcher.init(context);
			context->setStateApproved(false);
			const auto message = parse(dispatcher.processStateChange(QStringLiteral("StateEditAccessRights")).getData());
			QVERIFY(!context->isStateApproved());

			// Born on the first of January: full years are the difference of the years.
			const int years = QDateTime::currentDateTimeUtc().date().year() - 2008;
			QJsonObject expected {
				{QStringLiteral("msg"), QStringLiteral("ACCESS_RIGHTS")},
				{QStringLiteral("chat"), QJsonObject {
					 {QStringLiteral("required"), names({QStringLiteral("GivenNames"), QStringLiteral("DocumentType"), QStringLiteral("AgeVerification")})},
					 {QStringLiteral("optional"), names({QStringLiteral("Address"), QStringLiteral("FamilyName"), QStringLiteral("CanAllowed"), QStringLiteral("Pseudonym")})},
					 {QStringLiteral("effective"), names({QStringLiteral("Address"), QStringLiteral("FamilyName"), QStringLiteral("GivenNames"), QStringLiteral("DocumentType"), QStringLiteral("CanAllowed"), QStringLiteral("Pseudonym"), QStringLiteral("AgeVerification")})}
				 }},
				{QStringLiteral("transactionInfo"), QStringLiteral("Bestellung 42")},
				{QStringLiteral("aux"), QJsonObject {
					 {QStringLiteral("ageVerificationDate"), QStringLiteral("2008-01-01")},
					 {QStringLiteral("requiredAge"), QString::number(years)},
					 {QStringLiteral("communityId"), QStringLiteral("02760400000000")}
				 }}
			};
			QCOMPARE(message, expected);
			QCOMPARE(parse(dispatcher.processCommand(R"({"cmd":"GET_ACCESS_RIGHTS"})").getData()), expected);
		}


		// Without transaction text and auxiliary data the keys are left out.
		void withoutExtras()
		{
			MessageDispatcher dispatcher;
			const auto context = createContext(true, false);
			(void) dispatcher.init(context);
			const auto message = parse(dispatcher.processStateChange(QStringLiteral("StateEditAccessRights")).getData());
			QCOMPARE(message.keys(), QStringList({QStringLiteral("chat"), QStringLiteral("msg")}));
		}


		void setAccessRights_data()
		{
			QTest::addColumn<bool>("optional");
			QTest::addColumn<QByteArray>("command");
			QTest::addColumn<QString>("error");
			QTest::addColumn<QStringList>("effective");

			const QStringList all = {QStringLiteral("Address"), QStringLiteral("FamilyName"), QStringLiteral("GivenNames"), QStringLiteral("DocumentType"), QStringLiteral("CanAllowed"), QStringLiteral("Pseudonym"), QStringLiteral("AgeVerification")};
			const QStringList required = {QStringLiteral("GivenNames"), QStringLiteral("DocumentType"), QStringLiteral("AgeVerification")};

			QTest::newRow("none") << true << QByteArray(R"({"cmd":"SET_ACCESS_RIGHTS","chat":[]})") << QString() << required;
			QTest::newRow("one") << true << QByteArray(R"({"cmd":"SET_ACCESS_RIGHTS","chat":["FamilyName"]})") << QString()
								 << QStringList({QStringLiteral("FamilyName"), QStringLiteral("GivenNames"), QStringLiteral("DocumentType"), QStringLiteral("AgeVerification")});
			QTest::newRow("twice the same") << true << QByteArray(R"({"cmd":"SET_ACCESS_RIGHTS","chat":["Pseudonym","Pseudonym"]})") << QString()
											<< QStringList({QStringLiteral("GivenNames"), QStringLiteral("DocumentType"), QStringLiteral("Pseudonym"), QStringLiteral("AgeVerification")});
			QTest::newRow("all") << true << QByteArray(R"({"cmd":"SET_ACCESS_RIGHTS","chat":["Pseudonym","Address","CanAllowed","FamilyName"]})") << QString() << all;
			QTest::newRow("a required right") << true << QByteArray(R"({"cmd":"SET_ACCESS_RIGHTS","chat":["GivenNames"]})") << QStringLiteral("Entry in 'chat' data is not available") << all;
			QTest::newRow("not requested, then a good one") << true << QByteArray(R"({"cmd":"SET_ACCESS_RIGHTS","chat":["BirthName","Address"]})") << QStringLiteral("Entry in 'chat' data is not available") << all;
			QTest::newRow("a name and a number") << true << QByteArray(R"({"cmd":"SET_ACCESS_RIGHTS","chat":["FamilyName",7]})") << QStringLiteral("Entry in 'chat' data needs to be string") << all;
			QTest::newRow("lower case") << true << QByteArray(R"({"cmd":"SET_ACCESS_RIGHTS","chat":["familyname"]})") << QStringLiteral("Entry in 'chat' data is invalid") << all;
			QTest::newRow("no chat") << true << QByteArray(R"({"cmd":"SET_ACCESS_RIGHTS"})") << QStringLiteral("'chat' cannot be undefined") << all;
			QTest::newRow("chat an object") << true << QByteArray(R"({"cmd":"SET_ACCESS_RIGHTS","chat":{}})") << QStringLiteral("Invalid 'chat' data") << all;
			QTest::newRow("nothing optional") << false << QByteArray(R"({"cmd":"SET_ACCESS_RIGHTS","chat":[]})") << QStringLiteral("No optional access rights available") << required;
		}


		// A refused selection changes nothing; the answer always shows the rights as they are.
		void setAccessRights()
		{
			QFETCH(bool, optional);
			QFETCH(QByteArray, command);
			QFETCH(QString, error);
			QFETCH(QStringList, effective);

			MessageDispatcher dispatcher;
			(void) editAccessRights(dispatcher, optional);
			const auto msg = dispatcher.processCommand(command);
			QCOMPARE(msg.getType(), MsgType::ACCESS_RIGHTS);
			const auto answer = parse(msg.getData());
			QCOMPARE(answer.value(QLatin1String("error")).toString(), error);
			QCOMPARE(answer.contains(QLatin1String("error")), !error.isEmpty());
			QCOMPARE(answer.value(QLatin1String("chat")).toObject().value(QLatin1String("effective")), QJsonValue(names(effective)));
			QVERIFY(answer.contains(QLatin1String("aux")));

			const auto again = parse(dispatcher.processCommand(R"({"cmd":"GET_ACCESS_RIGHTS"})").getData());
			QCOMPARE(again.value(QLatin1String("chat")), answer.value(QLatin1String("chat")));
		}


		// Deselect all, then choose one, then go on.
		void selectAndAccept()
		{
			MessageDispatcher dispatcher;
			const auto context = editAccessRights(dispatcher);
			(void) dispatcher.processCommand(R"({"cmd":"SET_ACCESS_RIGHTS","chat":[]})");
			(void) dispatcher.processCommand(R"({"cmd":"SET_ACCESS_RIGHTS","chat":["Address"]})");
			const auto& rights = context->getAccessRightManager()->getEffectiveAccessRights();
			QCOMPARE(rights, QSet<AccessRight>({AccessRight::READ_DG01, AccessRight::READ_DG04, AccessRight::AGE_VERIFICATION, AccessRight::READ_DG17}));
			QVERIFY(!context->isStateApproved());
			QVERIFY(dispatcher.processCommand(R"({"cmd":"ACCEPT"})").isEmpty());
			QVERIFY(context->isStateApproved());
		}


		// Installing certificates has no name the client knows: it is never listed.
		void rightWithoutName()
		{
			MessageDispatcher dispatcher;
			const auto context = createContext(mPkiNoCan, {AccessRight::INSTALL_CERT, AccessRight::READ_DG05}, true, QString());
			QVERIFY(context->getAccessRightManager()->getOptionalAccessRights().contains(AccessRight::INSTALL_CERT));
			(void) dispatcher.init(context);
			const auto chat = parse(dispatcher.processStateChange(QStringLiteral("StateEditAccessRights")).getData()).value(QLatin1String("chat")).toObject();
			QCOMPARE(chat.value(QLatin1String("optional")), QJsonValue(names({QStringLiteral("FamilyName")})));
			QCOMPARE(chat.value(QLatin1String("effective")), QJsonValue(names({QStringLiteral("FamilyName"), QStringLiteral("GivenNames"), QStringLiteral("DocumentType"), QStringLiteral("AgeVerification")})));
		}


		void certificate()
		{
			MessageDispatcher dispatcher;
			(void) editAccessRights(dispatcher);
			const auto answer = parse(dispatcher.processCommand(R"({"cmd":"GET_CERTIFICATE","request":"c"})").getData());

			QCOMPARE(answer.value(QLatin1String("msg")).toString(), QStringLiteral("CERTIFICATE"));
			QCOMPARE(answer.value(QLatin1String("request")).toString(), QStringLiteral("c"));
			const auto description = answer.value(QLatin1String("description")).toObject();
			QCOMPARE(description.value(QLatin1String("issuerName")).toString(), QStringLiteral("Tessarovin Test-DV"));
			QCOMPARE(description.value(QLatin1String("issuerUrl")).toString(), QStringLiteral("https://dv.tessarovin.example"));
			QCOMPARE(description.value(QLatin1String("subjectName")).toString(), QStringLiteral("Tessarovin Testdienst GmbH"));
			QCOMPARE(description.value(QLatin1String("subjectUrl")).toString(), mPki.getSubjectUrl());
			QVERIFY(!description.value(QLatin1String("termsOfUsage")).toString().isEmpty());
			// Read from the terms of usage.
			QCOMPARE(description.value(QLatin1String("purpose")).toString(), QStringLiteral("Test der Online-Ausweisfunktion"));

			// The terminal's validity as make_pki.py gives it, from yesterday for 90 days (UTC).
			const auto validity = answer.value(QLatin1String("validity")).toObject();
			const auto today = QDateTime::currentDateTimeUtc().date();
			const auto effective = QDate::fromString(validity.value(QLatin1String("effectiveDate")).toString(), Qt::ISODate);
			const auto expiration = QDate::fromString(validity.value(QLatin1String("expirationDate")).toString(), Qt::ISODate);
			QVERIFY2(effective.isValid() && effective.daysTo(today) >= 1 && effective.daysTo(today) <= 2, qPrintable(validity.value(QLatin1String("effectiveDate")).toString()));
			QCOMPARE(effective.daysTo(expiration), 91);
		}


		// The access-rights commands belong to the access-rights state only.
		void badState()
		{
			MessageDispatcher dispatcher;
			const auto context = editAccessRights(dispatcher);
			QVERIFY(dispatcher.processCommand(R"({"cmd":"ACCEPT"})").isEmpty());
			(void) dispatcher.processStateChange(QStringLiteral("StateConnectCard"));
			for (const char* cmd : {"GET_CERTIFICATE", "GET_ACCESS_RIGHTS", "SET_ACCESS_RIGHTS", "ACCEPT"})
			{
				const auto answer = parse(dispatcher.processCommand(QByteArray(R"({"cmd":")") + cmd + "\"}").getData());
				QCOMPARE(answer, QJsonObject({{QStringLiteral("msg"), QStringLiteral("BAD_STATE")}, {QStringLiteral("error"), QString::fromLatin1(cmd)}}));
			}
		}


};

KENDRAWELL_TEST_MAIN(test_MsgHandlerAccessRights)
#include "test_MsgHandlerAccessRights.moc"
