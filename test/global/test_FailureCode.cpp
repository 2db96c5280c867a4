#include "FailureCode.h"

#include "LogCapture.h"
#include "TestEnvironment.h"

using namespace tessarovin;

namespace
{

using Reason = FailureCode::Reason;
using Info = FailureCode::Info;
using InfoMap = FailureCode::FailureInfoMap;

} // namespace


class test_FailureCode
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void values_data()
		{
			QTest::addColumn<int>("value");
			QTest::addColumn<QString>("name");

			QTest::newRow("first") << 0 << QStringLiteral("User_Cancelled");
			QTest::newRow("card removed") << 1 << QStringLiteral("Card_Removed");
			QTest::newRow("tc token network") << 14 << QStringLiteral("Get_TcToken_Network_Error");
			QTest::newRow("pace basic reader") << 30 << QStringLiteral("Establish_Pace_Channel_Basic_Reader_No_Pin");
			QTest::newRow("paos unhandled") << 41 << QStringLiteral("Generic_Send_Receive_Paos_Unhandled");
			QTest::newRow("refresh address empty") << 65 << QStringLiteral("Check_Refresh_Address_Empty");
			QTest::newRow("browser") << 71 << QStringLiteral("Browser_Send_Failed");
			QTest::newRow("self auth") << 79 << QStringLiteral("Get_SelfAuthData_Invalid_Or_Empty");
			QTest::newRow("ifd service") << 88 << QStringLiteral("Start_Ifd_Service_Failed");
			QTest::newRow("last") << 92 << QStringLiteral("Enter_New_Pace_Pin_Ifd_User_Cancelled");
		}


		void values()
		{
			QFETCH(int, value);
			QFETCH(QString, name);

			QCOMPARE(Enum<Reason>::getName(static_cast<Reason>(value)), name);
			QCOMPARE(static_cast<int>(Enum<Reason>::valueFromName(name, Reason::User_Cancelled)), value);
		}


		void keysAreConsecutive()
		{
			const auto reasons = Enum<Reason>::allValues();
			QCOMPARE(reasons.size(), 93);
			for (int i = 0; i < reasons.size(); ++i)
			{
				QCOMPARE(static_cast<int>(reasons.at(i)), i);
			}

			const QStringList infoNames = {
				QStringLiteral("State_Name"), QStringLiteral("Card_Return_Code"), QStringLiteral("Network_Error"),
				QStringLiteral("Http_Status_Code"), QStringLiteral("Certificate_Status"), QStringLiteral("Ssl_Errors"),
				QStringLiteral("Paos_Type"), QStringLiteral("Ephemeral_Server_Key_Algorithm"), QStringLiteral("Ephemeral_Server_Key_Length")
			};
			const auto infos = Enum<Info>::allValues();
			QCOMPARE(infos.size(), infoNames.size());
			for (int i = 0; i < infos.size(); ++i)
			{
				QCOMPARE(static_cast<int>(infos.at(i)), i);
				QCOMPARE(Enum<Info>::getName(infos.at(i)), infoNames.at(i));
			}
		}


		void toString_data()
		{
			QTest::addColumn<FailureCode>("failureCode");
			QTest::addColumn<QString>("html");
			QTest::addColumn<QString>("debug");

			QTest::newRow("no information") << FailureCode(Reason::Card_Removed)
											<< QStringLiteral("<b>Card_Removed</b>")
											<< QStringLiteral("Card_Removed");
			QTest::newRow("one pair") << FailureCode(Reason::Connect_Card_Eid_Inactive, {Info::State_Name, QStringLiteral("StateConnectCard")})
									  << QStringLiteral("<b>Connect_Card_Eid_Inactive</b><ul><li>State_Name: StateConnectCard</li></ul>")
									  << QStringLiteral("Connect_Card_Eid_Inactive[State_Name: StateConnectCard]");
			QTest::newRow("key order, not insertion order") << FailureCode(Reason::Transmit_Card_Command_Failed, InfoMap({{Info::Card_Return_Code, QStringLiteral("COMMAND_FAILED")}, {Info::State_Name, QStringLiteral("StateTransmit")}}))
															<< QStringLiteral("<b>Transmit_Card_Command_Failed</b><ul><li>State_Name: StateTransmit</li><li>Card_Return_Code: COMMAND_FAILED</li></ul>")
															<< QStringLiteral("Transmit_Card_Command_Failed[State_Name: StateTransmit; Card_Return_Code: COMMAND_FAILED]");
			QTest::newRow("markup stays") << FailureCode(Reason::Generic_Send_Receive_Server_Error, {Info::Network_Error, QStringLiteral("<i>500</i> & more")})
										  << QStringLiteral("<b>Generic_Send_Receive_Server_Error</b><ul><li>Network_Error: <i>500</i> & more</li></ul>")
										  << QStringLiteral("Generic_Send_Receive_Server_Error[Network_Error: <i>500</i> & more]");
		}


		void toString()
		{
			QFETCH(FailureCode, failureCode);
			QFETCH(QString, html);
			QFETCH(QString, debug);

			QCOMPARE(failureCode.toString(), html);

			QString text;
			QDebug(&text) << failureCode;
			QCOMPARE(text.trimmed(), debug);
		}


		void reasonDebugIsBareName()
		{
			QString text;
			QDebug(&text) << Reason::Browser_Send_Failed << Reason::User_Cancelled;
			QCOMPARE(text.trimmed(), QStringLiteral("Browser_Send_Failed User_Cancelled"));
		}


		void unknownInfoKey()
		{
			const FailureCode failureCode(Reason::User_Cancelled, {static_cast<Info>(42), QStringLiteral("x")});
			const LogCapture capture;
			QCOMPARE(failureCode.toString(), QStringLiteral("<b>User_Cancelled</b><ul><li>: x</li></ul>"));
			QVERIFY(capture.contains(QStringLiteral("CRITICAL CONVERSION MISMATCH: UNKNOWN 0x2a")));
		}


		void equalityComparesReasonOnly()
		{
			const FailureCode plain(Reason::User_Cancelled);
			const FailureCode withState(Reason::User_Cancelled, {Info::State_Name, QStringLiteral("StateEnterPacePassword")});
			QVERIFY(plain == withState);
			QVERIFY(!(plain == FailureCode(Reason::Card_Removed)));
			QVERIFY(plain != FailureCode(Reason::Card_Removed, withState.getInfoMap()));

			QCOMPARE(withState.getReason(), Reason::User_Cancelled);
			QCOMPARE(withState.getInfoMap().value(Info::State_Name), QStringLiteral("StateEnterPacePassword"));
			QVERIFY(plain.getInfoMap().isEmpty());
		}


		void informationMapIsShared()
		{
			const InfoMap map({{Info::Http_Status_Code, QStringLiteral("503")}});
			const FailureCode failureCode(Reason::Get_TcToken_ServiceUnavailable, map);
			QVERIFY(failureCode.getInfoMap().isSharedWith(map));
		}


};

KENDRAWELL_TEST_MAIN(test_FailureCode)
#include "test_FailureCode.moc"
