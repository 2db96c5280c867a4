// Certificates come from cvc-create and auxiliary data from "openssl asn1parse -genconf", both
// made in the test set-up; the encoded CHAT is read back with "openssl asn1parse".
#include "context/AccessRightManager.h"

#include "AppSettings.h"
#include "Env.h"
#include "LogCapture.h"
#include "OpenSslAsn1Parse.h"
#include "OpenSslCli.h"
#include "TestEnvironment.h"
#include "VolatileSettings.h"

#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <optional>

using namespace tessarovin;

namespace
{

using Rights = QSet<AccessRight>;
using OptionalRights = std::optional<Rights>;


QString pkiKey(const QString& pName)
{
	return getProgramDirectory() + QStringLiteral("/fixtures/pki/") + pName + QStringLiteral(".pkcs8");
}


// Auxiliary data as an eID server sends it: a date of birth and a community ID, each when asked for.
QByteArray auxiliaryData(bool pAge, bool pCommunity)
{
	QByteArray conf = "asn1=IMPLICIT:7A,SET:templates\n[templates]\n";
	QByteArray sections;
	if (pAge)
	{
		conf += "age=IMPLICIT:19A,SEQUENCE:age\n";
		sections += "[age]\noid=OID:0.4.0.127.0.7.3.1.4.1\nvalue=IMPLICIT:19A,FORMAT:ASCII,OCTETSTRING:20080101\n";
	}
	if (pCommunity)
	{
		conf += "community=IMPLICIT:19A,SEQUENCE:community\n";
		sections += "[community]\noid=OID:0.4.0.127.0.7.3.1.4.3\nvalue=IMPLICIT:19A,FORMAT:HEX,OCTETSTRING:02760400000000\n";
	}
	return runOpenSsl({"asn1parse", "-genconf", "-", "-noout", "-out", "-"}, conf + sections);
}


} // namespace

Q_DECLARE_METATYPE(OptionalRights)


class test_AccessRightManager
	: public QObject
{
	Q_OBJECT

	private:
		QTemporaryDir mDir;
		QHash<QString, QSharedPointer<const cvcertificate_st>> mCertificates;

		QString run(const QStringList& pArguments)
		{
			QProcess process;
			process.start(QStringLiteral("cvc-create"), pArguments);
			if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
			{
				return QString::fromUtf8(process.readAllStandardError()) + process.errorString();
			}
			return QString();
		}


		QSharedPointer<const cvcertificate_st> read(const QString& pName)
		{
			QFile file(mDir.filePath(pName + QStringLiteral(".cvcert")));
			if (!file.open(QIODevice::ReadOnly))
			{
				return nullptr;
			}
			return cvcertificate_st::decode(file.readAll());
		}


		// A DV of the role ("dv_domestic", "dv_foreign") under the CVCA of initTestCase.
		QSharedPointer<const cvcertificate_st> dv(const QString& pRole)
		{
			if (!mCertificates.contains(pRole))
			{
				const QString error = run({QStringLiteral("--role=") + pRole, QStringLiteral("--chr=DEDV") + pRole.mid(3, 3).toUpper() + QStringLiteral("00001"),
										   QStringLiteral("--expires=991231"), QStringLiteral("--scheme=ECDSA_SHA_256"),
										   QStringLiteral("--sign-as=") + mDir.filePath(QStringLiteral("cvca.cvcert")), QStringLiteral("--sign-with=") + pkiKey(QStringLiteral("DETESTeID00006")),
										   QStringLiteral("--key=") + pkiKey(QStringLiteral("dv_domestic")), QStringLiteral("--out-cert=") + mDir.filePath(pRole + QStringLiteral(".cvcert")),
										   QStringLiteral("--read-dg1"), QStringLiteral("--read-dg4"), QStringLiteral("--read-dg5"), QStringLiteral("--can-allowed")});
				if (!error.isEmpty())
				{
					qWarning().noquote() << error;
				}
				mCertificates.insert(pRole, read(pRole));
			}
			return mCertificates.value(pRole);
		}


		// An authentication terminal with the rights of the cvc-create options.
		QSharedPointer<const cvcertificate_st> terminal(const QStringList& pRights)
		{
			const QString name = QStringLiteral("terminal") + pRights.join(QString());
			if (!mCertificates.contains(name))
			{
				dv(QStringLiteral("dv_domestic"));
				const QString error = run(QStringList({QStringLiteral("--role=terminal"), QStringLiteral("--type=at"), QStringLiteral("--chr=DETERMINAL00001"),
													   QStringLiteral("--expires=991231"), QStringLiteral("--scheme=ECDSA_SHA_256"),
													   QStringLiteral("--sign-as=") + mDir.filePath(QStringLiteral("dv_domestic.cvcert")), QStringLiteral("--sign-with=") + pkiKey(QStringLiteral("dv_domestic")),
													   QStringLiteral("--key=") + pkiKey(QStringLiteral("terminal")), QStringLiteral("--out-cert=") + mDir.filePath(name + QStringLiteral(".cvcert"))}) + pRights);
				if (!error.isEmpty())
				{
					qWarning().noquote() << error;
				}
				mCertificates.insert(name, read(name));
			}
			return mCertificates.value(name);
		}


		// A CHAT of the terminal's type with exactly the rights.
		static QSharedPointer<const chat_st> chat(const QSharedPointer<const cvcertificate_st>& pTerminal, const Rights& pRights)
		{
			auto result = pTerminal->getBody().getCHAT().copy();
			result->removeAllAccessRights();
			result->setAccessRights(pRights);
			return result;
		}


		static QSharedPointer<DIDAuthenticateEAC1> eac1(const QSharedPointer<const cvcertificate_st>& pTerminal,
				const OptionalRights& pRequired, const OptionalRights& pOptional, bool pAge = false, bool pCommunity = false)
		{
			Eac1InputType input;
			if (pRequired)
			{
				input.setRequiredChat(chat(pTerminal, *pRequired));
			}
			if (pOptional)
			{
				input.setOptionalChat(chat(pTerminal, *pOptional));
			}
			if (pAge || pCommunity)
			{
				const QByteArray bytes = auxiliaryData(pAge, pCommunity);
				input.setAuthenticatedAuxiliaryData(bytes, AuthenticatedAuxiliaryData::decode(bytes));
			}
			auto message = QSharedPointer<DIDAuthenticateEAC1>::create();
			message->setEac1InputType(input);
			return message;
		}


		static void setCanSettings(bool pSdk, bool pEnableCanAllowed)
		{
			Env::getSingleton<VolatileSettings>()->setUsedAsSdk(pSdk);
			Env::getSingleton<AppSettings>()->getGeneralSettings().setEnableCanAllowed(pEnableCanAllowed);
		}

	private Q_SLOTS:
		void initTestCase()
		{
			QVERIFY(mDir.isValid());
			const QString error = run({QStringLiteral("--role=cvca"), QStringLiteral("--type=at"), QStringLiteral("--chr=DETESTeID00006"),
									   QStringLiteral("--expires=991231"), QStringLiteral("--scheme=ECDSA_SHA_256"), QStringLiteral("--sign-with=") + pkiKey(QStringLiteral("DETESTeID00006")),
									   QStringLiteral("--out-cert=") + mDir.filePath(QStringLiteral("cvca.cvcert"))});
			QVERIFY2(error.isEmpty(), qPrintable(error));
			QVERIFY(dv(QStringLiteral("dv_domestic")));
			QCOMPARE(dv(QStringLiteral("dv_domestic"))->getBody().getCHAT().getAccessRole(), AccessRole::DV_od);
			QCOMPARE(dv(QStringLiteral("dv_foreign"))->getBody().getCHAT().getAccessRole(), AccessRole::DV_no_f);
			QVERIFY(!auxiliaryData(true, true).isEmpty());
		}


		void cleanup()
		{
			setCanSettings(false, false);
		}


		void rights_data()
		{
			QTest::addColumn<QStringList>("terminalRights");
			QTest::addColumn<QString>("dvRole");
			QTest::addColumn<OptionalRights>("requiredChat");
			QTest::addColumn<OptionalRights>("optionalChat");
			QTest::addColumn<bool>("age");
			QTest::addColumn<bool>("community");
			QTest::addColumn<bool>("sdk");
			QTest::addColumn<bool>("enableCanAllowed");
			QTest::addColumn<Rights>("required");
			QTest::addColumn<Rights>("optional");

			const QString domestic = QStringLiteral("dv_domestic");
			const QString foreign = QStringLiteral("dv_foreign");
			const OptionalRights none;
			const QStringList reading = {QStringLiteral("--read-dg1"), QStringLiteral("--read-dg4"), QStringLiteral("--read-dg5"), QStringLiteral("--read-dg17")};
			const QStringList withCan = QStringList(reading) << QStringLiteral("--can-allowed");
			const QStringList withVerifications = QStringList(reading) << QStringLiteral("--verify-age") << QStringLiteral("--verify-community");

			QTest::newRow("required and optional") << reading << domestic
												   << OptionalRights({AccessRight::READ_DG04, AccessRight::READ_DG05}) << OptionalRights({AccessRight::READ_DG01, AccessRight::READ_DG17})
												   << false << false << false << false
												   << Rights({AccessRight::READ_DG04, AccessRight::READ_DG05}) << Rights({AccessRight::READ_DG01, AccessRight::READ_DG17});
			QTest::newRow("required right the terminal lacks") << QStringList({QStringLiteral("--read-dg4")}) << domestic
															   << OptionalRights({AccessRight::READ_DG04, AccessRight::READ_DG05}) << none
															   << false << false << false << false
															   << Rights({AccessRight::READ_DG04}) << Rights();
			QTest::newRow("optional repeats required") << reading << domestic
													   << OptionalRights({AccessRight::READ_DG04, AccessRight::READ_DG05}) << OptionalRights({AccessRight::READ_DG04, AccessRight::READ_DG05, AccessRight::READ_DG01})
													   << false << false << false << false
													   << Rights({AccessRight::READ_DG04, AccessRight::READ_DG05}) << Rights({AccessRight::READ_DG01});
			QTest::newRow("required emptied by the terminal") << QStringList({QStringLiteral("--read-dg4")}) << domestic
															  << OptionalRights({AccessRight::READ_DG05}) << OptionalRights({AccessRight::READ_DG04})
															  << false << false << false << false
															  << Rights() << Rights({AccessRight::READ_DG04});
			QTest::newRow("rights not shown to the user") << QStringList({QStringLiteral("--read-dg4"), QStringLiteral("--read-dg14"), QStringLiteral("--read-dg21"), QStringLiteral("--write-dg21")}) << domestic
														  << OptionalRights({AccessRight::READ_DG04, AccessRight::READ_DG14, AccessRight::READ_DG21}) << OptionalRights({AccessRight::WRITE_DG21})
														  << false << false << false << false
														  << Rights({AccessRight::READ_DG04}) << Rights();
			QTest::newRow("no CHATs: the terminal's rights") << QStringList(withVerifications) << foreign
															 << none << none
															 << true << false << false << false
															 << Rights() << Rights({AccessRight::READ_DG01, AccessRight::READ_DG04, AccessRight::READ_DG05, AccessRight::READ_DG17, AccessRight::AGE_VERIFICATION});
			QTest::newRow("verifications without auxiliary data") << withVerifications << domestic
																  << OptionalRights({AccessRight::AGE_VERIFICATION, AccessRight::READ_DG04}) << OptionalRights({AccessRight::COMMUNITY_ID_VERIFICATION})
																  << false << false << false << false
																  << Rights({AccessRight::READ_DG04}) << Rights();
			QTest::newRow("verifications with auxiliary data") << withVerifications << domestic
															   << OptionalRights({AccessRight::AGE_VERIFICATION, AccessRight::READ_DG04}) << OptionalRights({AccessRight::COMMUNITY_ID_VERIFICATION})
															   << true << true << false << false
															   << Rights({AccessRight::AGE_VERIFICATION, AccessRight::READ_DG04}) << Rights({AccessRight::COMMUNITY_ID_VERIFICATION});
			QTest::newRow("community without its ID") << withVerifications << domestic
													  << none << OptionalRights({AccessRight::COMMUNITY_ID_VERIFICATION, AccessRight::AGE_VERIFICATION})
													  << true << false << false << false
													  << Rights() << Rights({AccessRight::AGE_VERIFICATION});

			// CAN_ALLOWED is never required, and offered only to a domestic DV, an SDK or by the setting.
			const OptionalRights requiredWithCan({AccessRight::CAN_ALLOWED, AccessRight::READ_DG04});
			QTest::newRow("CAN for a domestic DV") << withCan << domestic << requiredWithCan << none << false << false << false << false
												   << Rights({AccessRight::READ_DG04}) << Rights({AccessRight::CAN_ALLOWED});
			QTest::newRow("no CAN for a foreign DV") << withCan << foreign << requiredWithCan << OptionalRights({AccessRight::CAN_ALLOWED}) << false << false << false << false
													 << Rights({AccessRight::READ_DG04}) << Rights();
			QTest::newRow("CAN for an SDK") << withCan << foreign << requiredWithCan << none << false << false << true << false
											<< Rights({AccessRight::READ_DG04}) << Rights({AccessRight::CAN_ALLOWED});
			QTest::newRow("CAN by the setting") << withCan << foreign << requiredWithCan << none << false << false << false << true
												<< Rights({AccessRight::READ_DG04}) << Rights({AccessRight::CAN_ALLOWED});
			QTest::newRow("no CAN the terminal lacks") << reading << domestic << requiredWithCan << none << false << false << true << true
													   << Rights({AccessRight::READ_DG04}) << Rights();
		}


		void rights()
		{
			QFETCH(QStringList, terminalRights);
			QFETCH(QString, dvRole);
			QFETCH(OptionalRights, requiredChat);
			QFETCH(OptionalRights, optionalChat);
			QFETCH(bool, age);
			QFETCH(bool, community);
			QFETCH(bool, sdk);
			QFETCH(bool, enableCanAllowed);
			QFETCH(Rights, required);
			QFETCH(Rights, optional);

			const auto terminalCvc = terminal(terminalRights);
			QVERIFY(terminalCvc);
			setCanSettings(sdk, enableCanAllowed);

			const AccessRightManager manager(eac1(terminalCvc, requiredChat, optionalChat, age, community), terminalCvc, dv(dvRole));
			QCOMPARE(manager.getRequiredAccessRights(), required);
			QCOMPARE(manager.getOptionalAccessRights(), optional);
			QCOMPARE(manager.getEffectiveAccessRights(), required + optional);
		}


		void warnings()
		{
			const auto terminalCvc = terminal({QStringLiteral("--read-dg4"), QStringLiteral("--verify-age")});
			LogCapture log;
			const AccessRightManager manager(eac1(terminalCvc, OptionalRights({AccessRight::READ_DG04, AccessRight::READ_DG05, AccessRight::AGE_VERIFICATION}), std::nullopt),
					terminalCvc, dv(QStringLiteral("dv_domestic")));
			QVERIFY(!manager.getEffectiveAccessRights().contains(AccessRight::READ_DG05));
			QVERIFY(log.contains(QStringLiteral("Access right READ_DG05 is used in chat but it's not included in CVC or it's not allowed to display!")));
			QVERIFY(log.contains(QStringLiteral("AGE_VERIFICATION requested, but no age specified")));
		}


		void missingInputs_data()
		{
			QTest::addColumn<bool>("message");
			QTest::addColumn<bool>("terminalCertificate");
			QTest::addColumn<bool>("dvCertificate");

			QTest::newRow("no message") << false << true << true;
			QTest::newRow("no terminal") << true << false << true;
			QTest::newRow("no DV") << true << true << false;
		}


		void missingInputs()
		{
			QFETCH(bool, message);
			QFETCH(bool, terminalCertificate);
			QFETCH(bool, dvCertificate);

			const auto terminalCvc = terminal({QStringLiteral("--read-dg4")});
			const AccessRightManager manager(message ? eac1(terminalCvc, OptionalRights({AccessRight::READ_DG04}), std::nullopt) : nullptr,
					terminalCertificate ? terminalCvc : nullptr, dvCertificate ? dv(QStringLiteral("dv_domestic")) : nullptr);
			QVERIFY(manager.getRequiredAccessRights().isEmpty());
			QVERIFY(manager.getOptionalAccessRights().isEmpty());
			QVERIFY(manager.getEffectiveAccessRights().isEmpty());
		}


		void fromChat()
		{
			const auto terminalCvc = terminal({QStringLiteral("--read-dg4")});
			const Rights rights({AccessRight::READ_DG04, AccessRight::PIN_MANAGEMENT, AccessRight::CAN_ALLOWED});
			const AccessRightManager manager(chat(terminalCvc, rights));
			QCOMPARE(manager.getRequiredAccessRights(), rights);
			QCOMPARE(manager.getEffectiveAccessRights(), rights);
			QVERIFY(manager.getOptionalAccessRights().isEmpty());
		}


		void selection_data()
		{
			QTest::addColumn<Rights>("selection");
			QTest::addColumn<Rights>("effective");
			QTest::addColumn<int>("warnings");

			const Rights required({AccessRight::READ_DG04});
			QTest::newRow("nothing") << Rights() << required << 0;
			QTest::newRow("all optional") << Rights({AccessRight::READ_DG01, AccessRight::READ_DG05, AccessRight::CAN_ALLOWED})
										  << Rights({AccessRight::READ_DG04, AccessRight::READ_DG01, AccessRight::READ_DG05, AccessRight::CAN_ALLOWED}) << 0;
			QTest::newRow("one optional and one foreign") << Rights({AccessRight::READ_DG05, AccessRight::READ_DG17})
														  << Rights({AccessRight::READ_DG04, AccessRight::READ_DG05}) << 1;
		}


		void selection()
		{
			QFETCH(Rights, selection);
			QFETCH(Rights, effective);
			QFETCH(int, warnings);

			const auto terminalCvc = terminal({QStringLiteral("--read-dg1"), QStringLiteral("--read-dg4"), QStringLiteral("--read-dg5"), QStringLiteral("--can-allowed")});
			AccessRightManager manager(eac1(terminalCvc, OptionalRights({AccessRight::READ_DG04}), OptionalRights({AccessRight::READ_DG01, AccessRight::READ_DG05})),
					terminalCvc, dv(QStringLiteral("dv_domestic")));
			QCOMPARE(manager.getEffectiveAccessRights().size(), 4);

			LogCapture log;
			QSignalSpy changed(&manager, &AccessRightManager::fireEffectiveAccessRightsChanged);
			manager = selection;
			QCOMPARE(manager.getEffectiveAccessRights(), effective);
			QCOMPARE(changed.count(), 1);
			QCOMPARE(log.count(QStringLiteral("to effective chat is not allowed")), warnings);
		}


		void addOne_data()
		{
			QTest::addColumn<QString>("dvRole");
			QTest::addColumn<AccessRight>("right");
			QTest::addColumn<bool>("added");

			QTest::newRow("optional") << QStringLiteral("dv_domestic") << AccessRight::READ_DG05 << true;
			QTest::newRow("CAN offered") << QStringLiteral("dv_domestic") << AccessRight::CAN_ALLOWED << true;
			QTest::newRow("CAN not offered") << QStringLiteral("dv_foreign") << AccessRight::CAN_ALLOWED << false;
			QTest::newRow("outside the request") << QStringLiteral("dv_domestic") << AccessRight::READ_DG01 << false;
		}


		void addOne()
		{
			QFETCH(QString, dvRole);
			QFETCH(AccessRight, right);
			QFETCH(bool, added);

			const auto terminalCvc = terminal({QStringLiteral("--read-dg1"), QStringLiteral("--read-dg4"), QStringLiteral("--read-dg5"), QStringLiteral("--can-allowed")});
			AccessRightManager manager(eac1(terminalCvc, OptionalRights({AccessRight::READ_DG04}), OptionalRights({AccessRight::READ_DG05})), terminalCvc, dv(dvRole));
			manager = Rights();
			QCOMPARE(manager.getEffectiveAccessRights(), Rights({AccessRight::READ_DG04}));

			LogCapture log;
			QSignalSpy changed(&manager, &AccessRightManager::fireEffectiveAccessRightsChanged);
			manager += right;
			QCOMPARE(manager.getEffectiveAccessRights().contains(right), added);
			QCOMPARE(changed.count(), added ? 1 : 0);
			QCOMPARE(log.contains(QStringLiteral("to effective chat is not allowed")), !added);

			// A right that is already effective changes nothing.
			manager += AccessRight::READ_DG04;
			QCOMPARE(changed.count(), added ? 1 : 0);
		}


		void encodedChat_data()
		{
			QTest::addColumn<bool>("dvAsTerminal");
			QTest::addColumn<Rights>("selection");

			QTest::newRow("terminal, required only") << false << Rights();
			QTest::newRow("terminal, all") << false << Rights({AccessRight::READ_DG01, AccessRight::READ_DG05, AccessRight::CAN_ALLOWED});
			// A CHAT with role bits set shows that they survive.
			QTest::newRow("domestic DV's CHAT") << true << Rights({AccessRight::READ_DG05});
		}


		void encodedChat()
		{
			QFETCH(bool, dvAsTerminal);
			QFETCH(Rights, selection);

			const auto terminalCvc = dvAsTerminal ? dv(QStringLiteral("dv_domestic"))
					: terminal({QStringLiteral("--read-dg1"), QStringLiteral("--read-dg4"), QStringLiteral("--read-dg5"), QStringLiteral("--read-dg17"), QStringLiteral("--can-allowed")});
			AccessRightManager manager(eac1(terminalCvc, OptionalRights({AccessRight::READ_DG04}), OptionalRights({AccessRight::READ_DG01, AccessRight::READ_DG05})),
					terminalCvc, dv(QStringLiteral("dv_domestic")));
			manager = selection;
			QVERIFY(manager.getEffectiveAccessRights().contains(AccessRight::READ_DG04));

			const QByteArray encoded = manager;
			const QString listing = openSslAsn1Parse(encoded);
			QVERIFY2(!listing.isEmpty(), "openssl rejected the CHAT");

			static const QRegularExpression line(QStringLiteral(R"(^\s*(\d+):d=(\d+)\s+hl=(\d+) l=\s*(\d+) (prim|cons):\s*(.*?)\s*$)"), QRegularExpression::MultilineOption);
			QStringList headers;
			qsizetype templateStart = -1;
			for (auto it = line.globalMatch(listing); it.hasNext();)
			{
				const auto match = it.next();
				headers += match.captured(2) + QLatin1Char(' ') + match.captured(6);
				if (match.captured(6).startsWith(QStringLiteral("appl [ 19 ]")))
				{
					QCOMPARE(match.captured(4), QStringLiteral("5"));
					templateStart = match.captured(1).toInt() + match.captured(3).toInt();
				}
			}
			QCOMPARE(headers, QStringList({QStringLiteral("0 appl [ 76 ]"), QStringLiteral("1 OBJECT            :0.4.0.127.0.7.3.1.2.2"), QStringLiteral("1 appl [ 19 ]")}));
			QCOMPARE(encoded.size(), templateStart + 5);

			quint64 expected = dvAsTerminal ? quint64(2) << 38 : 0;
			for (const AccessRight right : manager.getEffectiveAccessRights())
			{
				expected |= quint64(1) << static_cast<int>(right);
			}
			QByteArray expectedTemplate;
			for (int octet = 4; octet >= 0; --octet)
			{
				expectedTemplate += static_cast<char>((expected >> (8 * octet)) & 0xFF);
			}
			QCOMPARE(encoded.mid(templateStart).toHex(), expectedTemplate.toHex());
		}


};

KENDRAWELL_TEST_MAIN(test_AccessRightManager)
#include "test_AccessRightManager.moc"
