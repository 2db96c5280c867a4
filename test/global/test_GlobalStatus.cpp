#include "GlobalStatus.h"

#include "LogCapture.h"
#include "TestEnvironment.h"

#include <QMetaType>
#include <QSignalSpy>

using namespace tessarovin;

namespace
{

using Code = GlobalStatus::Code;
using Info = GlobalStatus::ExternalInformation;
using InfoMap = GlobalStatus::ExternalInfoMap;

const QString cAppName = QStringLiteral("Kendrawell2");
const QString cSupportLink = QStringLiteral("<a href=\"https://www.tessarovin.example/en/rk2/support\">Kendrawell2 Support</a>");
const QString cMaskedText = QStringLiteral("A secure connection to the provider could not be established. Check the network connection and try again later.");


class StatusSender
	: public QObject
{
	Q_OBJECT

	Q_SIGNALS:
		void fireStatus(const tessarovin::GlobalStatus& pStatus);
};


} // namespace


class test_GlobalStatus
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void initTestCase()
		{
			QCoreApplication::setApplicationName(cAppName);
		}


		void codesAreConsecutive()
		{
			const auto codes = Enum<Code>::allValues();
			QCOMPARE(codes.size(), 82);
			for (int i = 0; i < codes.size(); ++i)
			{
				QCOMPARE(static_cast<int>(codes.at(i)), i);
			}
			QCOMPARE(Enum<Code>::getName(Code::IfdConnector_RemoteHostRefusedConnection), QLatin1String("IfdConnector_RemoteHostRefusedConnection"));
		}


		void userText_data()
		{
			QTest::addColumn<Code>("code");
			QTest::addColumn<InfoMap>("info");
			QTest::addColumn<bool>("masked");
			QTest::addColumn<QString>("text");

			QTest::newRow("Unknown_Error") << Code::Unknown_Error << InfoMap() << false << QStringLiteral("An unexpected error has occurred during processing.");
			QTest::newRow("No_Error") << Code::No_Error << InfoMap() << false << QStringLiteral("No error occurred.");
			QTest::newRow("Network_ServiceUnavailable") << Code::Network_ServiceUnavailable << InfoMap() << false << QStringLiteral("The service is temporarily not available. Please try again later.");
			QTest::newRow("Network_ServerError") << Code::Network_ServerError << InfoMap() << false << QStringLiteral("The service encountered an internal error while processing a request.");
			QTest::newRow("Network_ClientError") << Code::Network_ClientError << InfoMap() << false << QStringLiteral("The service reported an error while processing a client request.");
			QTest::newRow("Network_Ssl_Establishment_Error") << Code::Network_Ssl_Establishment_Error << InfoMap() << true << QStringLiteral("It wasn't possible to connect to the server: a secure connection could not be established.");
			QTest::newRow("Network_TimeOut") << Code::Network_TimeOut << InfoMap() << true << QStringLiteral("Establishing a connection is taking too long.");
			QTest::newRow("Network_Proxy_Error") << Code::Network_Proxy_Error << InfoMap() << true << QStringLiteral("Establishing a connection via the proxy did not succeed.");
			QTest::newRow("Network_Other_Error") << Code::Network_Other_Error << InfoMap() << true << QStringLiteral("An unknown network error occurred. Check your network connection and try to restart the app.");
			QTest::newRow("Downloader_File_Not_Found") << Code::Downloader_File_Not_Found << InfoMap() << false << QStringLiteral("File not found.");
			QTest::newRow("Downloader_Cannot_Save_File") << Code::Downloader_Cannot_Save_File << InfoMap() << false << QStringLiteral("Cannot save file.");
			QTest::newRow("Downloader_Data_Corrupted") << Code::Downloader_Data_Corrupted << InfoMap() << false << QStringLiteral("Received data were corrupted.");
			QTest::newRow("Downloader_Missing_Platform") << Code::Downloader_Missing_Platform << InfoMap() << false << QStringLiteral("Received data does not contain data for the current platform.");
			QTest::newRow("Downloader_Aborted") << Code::Downloader_Aborted << InfoMap() << false << QStringLiteral("Download aborted.");
			QTest::newRow("Update_Execution_Failed") << Code::Update_Execution_Failed << InfoMap() << false << QStringLiteral("A new process to start the update could not be launched.");
			QTest::newRow("Workflow_AlreadyInProgress_Error") << Code::Workflow_AlreadyInProgress_Error << InfoMap() << false << QStringLiteral("Cannot start authentication. An operation is already active.");
			QTest::newRow("Workflow_Communication_Missing_Redirect_Url") << Code::Workflow_Communication_Missing_Redirect_Url << InfoMap() << false << QString();
			QTest::newRow("Workflow_InternalError_BeforeTcToken") << Code::Workflow_InternalError_BeforeTcToken << InfoMap() << false << QStringLiteral("The process has been aborted because of an internal error.");
			QTest::newRow("Workflow_Cancellation_By_User") << Code::Workflow_Cancellation_By_User << InfoMap() << false << QStringLiteral("You have canceled the process.");
			QTest::newRow("Workflow_Card_Removed") << Code::Workflow_Card_Removed << InfoMap() << false << QStringLiteral("Restart the authentication process and make sure that the position of the ID card does not change during the reading process.");
			QTest::newRow("Workflow_Cannot_Confirm_IdCard_Authenticity") << Code::Workflow_Cannot_Confirm_IdCard_Authenticity << InfoMap() << false << QStringLiteral("The authenticity of your ID card could not be confirmed.");
			QTest::newRow("Workflow_Unknown_Paos_From_EidServer") << Code::Workflow_Unknown_Paos_From_EidServer << InfoMap() << true << QStringLiteral("The program received an unknown message from the server.");
			QTest::newRow("Workflow_Start_Paos_Response_Missing") << Code::Workflow_Start_Paos_Response_Missing << InfoMap() << true << QStringLiteral("The program did not receive a StartPaosResponse message from the server.");
			QTest::newRow("Workflow_Unexpected_Message_From_EidServer") << Code::Workflow_Unexpected_Message_From_EidServer << InfoMap() << true << QStringLiteral("The program received an unexpected message from the server.");
			QTest::newRow("Workflow_Preverification_Developermode_Error") << Code::Workflow_Preverification_Developermode_Error << InfoMap() << false << QStringLiteral("Using the developer mode is only allowed in a test environment.");
			QTest::newRow("Workflow_Preverification_Error") << Code::Workflow_Preverification_Error << InfoMap() << true << QStringLiteral("Pre-verification failed.");
			QTest::newRow("Workflow_No_Unique_AtCvc") << Code::Workflow_No_Unique_AtCvc << InfoMap() << true << QStringLiteral("No unique AT CVC");
			QTest::newRow("Workflow_No_Unique_DvCvc") << Code::Workflow_No_Unique_DvCvc << InfoMap() << true << QStringLiteral("No unique DV CVC");
			QTest::newRow("Workflow_No_Permission_Error") << Code::Workflow_No_Permission_Error << InfoMap() << false << QStringLiteral("Authentication failed.");
			QTest::newRow("Workflow_Wrong_Length_Error") << Code::Workflow_Wrong_Length_Error << InfoMap() << false << QStringLiteral("The length of the data sent to the ID card was not accepted. Either the data is faulty or your card reader does not support Extended Length communication and cannot be used to read the ID card. Unfortunately, the %1 has no influence on this restriction.").arg(cAppName);
			QTest::newRow("Workflow_Certificate_No_Description") << Code::Workflow_Certificate_No_Description << InfoMap() << true << QStringLiteral("No certificate description available.");
			QTest::newRow("Workflow_Certificate_No_Url_In_Description") << Code::Workflow_Certificate_No_Url_In_Description << InfoMap() << true << QStringLiteral("No subject url available in certificate description.");
			QTest::newRow("Workflow_Certificate_Hash_Error") << Code::Workflow_Certificate_Hash_Error << InfoMap() << true << QStringLiteral("The certificate description does not match the certificate.");
			QTest::newRow("Workflow_Certificate_Sop_Error") << Code::Workflow_Certificate_Sop_Error << InfoMap() << true << QStringLiteral("The subject URL in the certificate description and the TCToken URL do not satisfy the same origin policy.");
			QTest::newRow("Workflow_Browser_Transmission_Error") << Code::Workflow_Browser_Transmission_Error << InfoMap({{Info::ECARDAPI_ERROR, QStringLiteral("a < b")}}) << false << QStringLiteral("a &lt; b");
			QTest::newRow("Workflow_TrustedChannel_Establishment_Error") << Code::Workflow_TrustedChannel_Establishment_Error << InfoMap() << true << QStringLiteral("It wasn't possible to connect to the server: a secure connection could not be established.");
			QTest::newRow("Workflow_TrustedChannel_Server_Error") << Code::Workflow_TrustedChannel_Server_Error << InfoMap() << true << QStringLiteral("The program received an error from the server.");
			QTest::newRow("Workflow_TrustedChannel_Client_Error") << Code::Workflow_TrustedChannel_Client_Error << InfoMap() << true << QStringLiteral("The server could not process the client request.");
			QTest::newRow("Workflow_TrustedChannel_Hash_Not_In_Description") << Code::Workflow_TrustedChannel_Hash_Not_In_Description << InfoMap({{Info::CERTIFICATE_ISSUER_NAME, QStringLiteral("CN=<Evil> & Co")}}) << false << QStringLiteral("Hash of TLS certificate not in certificate description (issuer: %1). This indicates a misconfiguration or manipulation of the certificate. Please check that your antivirus software and firewall are not interfering with TLS traffic.").arg(QStringLiteral("CN=&lt;Evil&gt; &amp; Co"));
			QTest::newRow("Workflow_TrustedChannel_No_Data_Received") << Code::Workflow_TrustedChannel_No_Data_Received << InfoMap() << true << QStringLiteral("The TCToken contained no data.");
			QTest::newRow("Workflow_TrustedChannel_Ssl_Connection_Unsupported_Algorithm_Or_Length") << Code::Workflow_TrustedChannel_Ssl_Connection_Unsupported_Algorithm_Or_Length << InfoMap() << false << QStringLiteral("Error while connecting to the provider. The TLS connection uses an unsupported key algorithm or length.");
			QTest::newRow("Workflow_TrustedChannel_Ssl_Certificate_Unsupported_Algorithm_Or_Length") << Code::Workflow_TrustedChannel_Ssl_Certificate_Unsupported_Algorithm_Or_Length << InfoMap({{Info::CERTIFICATE_ISSUER_NAME, QStringLiteral("CN=<Evil> & Co")}}) << false << QStringLiteral("Error while connecting to the server. The TLS certificate uses an unsupported key algorithm or length. Certificate issuer: %1").arg(QStringLiteral("CN=&lt;Evil&gt; &amp; Co"));
			QTest::newRow("Workflow_TrustedChannel_ServiceUnavailable") << Code::Workflow_TrustedChannel_ServiceUnavailable << InfoMap() << false << QStringLiteral("The service is temporarily not available. Please try again later.");
			QTest::newRow("Workflow_TrustedChannel_TimeOut") << Code::Workflow_TrustedChannel_TimeOut << InfoMap() << true << QStringLiteral("Establishing a connection is taking too long.");
			QTest::newRow("Workflow_TrustedChannel_Proxy_Error") << Code::Workflow_TrustedChannel_Proxy_Error << InfoMap() << true << QStringLiteral("Establishing a connection via the proxy did not succeed.");
			QTest::newRow("Workflow_TrustedChannel_Server_Format_Error") << Code::Workflow_TrustedChannel_Server_Format_Error << InfoMap() << true << QStringLiteral("It wasn't possible to connect to the server: the server sent a non-standard response.");
			QTest::newRow("Workflow_TrustedChannel_Other_Network_Error") << Code::Workflow_TrustedChannel_Other_Network_Error << InfoMap() << true << QStringLiteral("An unknown network error occurred. Check your network connection and try to restart the app.");
			QTest::newRow("Workflow_Reader_Became_Inaccessible") << Code::Workflow_Reader_Became_Inaccessible << InfoMap() << false << QStringLiteral("The selected card reader cannot be accessed anymore.");
			QTest::newRow("Workflow_Server_Incomplete_Information_Provided") << Code::Workflow_Server_Incomplete_Information_Provided << InfoMap() << false << QStringLiteral("The server provided no or incomplete information. Your personal data could not be read out.");
			QTest::newRow("Workflow_Network_Ssl_Connection_Unsupported_Algorithm_Or_Length") << Code::Workflow_Network_Ssl_Connection_Unsupported_Algorithm_Or_Length << InfoMap() << true << QStringLiteral("Error while connecting to the provider. The TLS connection uses an unsupported key algorithm or length.");
			QTest::newRow("Workflow_Network_Ssl_Certificate_Unsupported_Algorithm_Or_Length") << Code::Workflow_Network_Ssl_Certificate_Unsupported_Algorithm_Or_Length << InfoMap({{Info::CERTIFICATE_ISSUER_NAME, QStringLiteral("CN=<Evil> & Co")}}) << false << QStringLiteral("Error while connecting to the server. The TLS certificate uses an unsupported key algorithm or length. Certificate issuer: %1").arg(QStringLiteral("CN=&lt;Evil&gt; &amp; Co"));
			QTest::newRow("Workflow_Network_Ssl_Hash_Not_In_Certificate_Description") << Code::Workflow_Network_Ssl_Hash_Not_In_Certificate_Description << InfoMap({{Info::CERTIFICATE_ISSUER_NAME, QStringLiteral("CN=<Evil> & Co")}}) << false << QStringLiteral("Hash of TLS certificate not in certificate description (issuer: %1). This indicates a misconfiguration or manipulation of the certificate. Please check that your antivirus software and firewall are not interfering with TLS traffic.").arg(QStringLiteral("CN=&lt;Evil&gt; &amp; Co"));
			QTest::newRow("Workflow_Network_Empty_Redirect_Url") << Code::Workflow_Network_Empty_Redirect_Url << InfoMap() << true << QStringLiteral("Empty redirect URL");
			QTest::newRow("Workflow_Network_Expected_Redirect") << Code::Workflow_Network_Expected_Redirect << InfoMap({{Info::HTTP_STATUS_CODE, QStringLiteral("200")}}) << true << QStringLiteral("Expected redirect, got %1").arg(QStringLiteral("200"));
			QTest::newRow("Workflow_Network_Invalid_Scheme") << Code::Workflow_Network_Invalid_Scheme << InfoMap({{Info::URL_SCHEME, QStringLiteral("ftp")}}) << true << QStringLiteral("Invalid scheme: %1").arg(QStringLiteral("ftp"));
			QTest::newRow("Workflow_Network_Malformed_Redirect_Url") << Code::Workflow_Network_Malformed_Redirect_Url << InfoMap({{Info::REDIRECT_URL, QStringLiteral("https://a.example/?x=<y>")}}) << true << QStringLiteral("Malformed redirect URL: %1").arg(QStringLiteral("https://a.example/?x=&lt;y&gt;"));
			QTest::newRow("Workflow_Wrong_Parameter_Invocation") << Code::Workflow_Wrong_Parameter_Invocation << InfoMap() << true << QStringLiteral("Application was invoked with wrong parameters.");
			QTest::newRow("Paos_Unexpected_Warning") << Code::Paos_Unexpected_Warning << InfoMap({{Info::ECARDAPI_ERROR, QStringLiteral("a < b")}}) << true << QStringLiteral("a &lt; b");
			QTest::newRow("Paos_Generic_Server_Error") << Code::Paos_Generic_Server_Error << InfoMap({{Info::ECARDAPI_ERROR, QStringLiteral("a < b")}}) << false << QStringLiteral("a &lt; b");
			QTest::newRow("Paos_Error_AL_Unknown_Error") << Code::Paos_Error_AL_Unknown_Error << InfoMap({{Info::ECARDAPI_ERROR, QStringLiteral("a < b")}}) << true << QStringLiteral("a &lt; b");
			QTest::newRow("Paos_Error_AL_Internal_Error") << Code::Paos_Error_AL_Internal_Error << InfoMap({{Info::ECARDAPI_ERROR, QStringLiteral("a < b")}}) << true << QStringLiteral("a &lt; b");
			QTest::newRow("Paos_Error_AL_Communication_Error") << Code::Paos_Error_AL_Communication_Error << InfoMap({{Info::ECARDAPI_ERROR, QStringLiteral("a < b")}}) << true << QStringLiteral("a &lt; b");
			QTest::newRow("Paos_Error_DP_Trusted_Channel_Establishment_Failed") << Code::Paos_Error_DP_Trusted_Channel_Establishment_Failed << InfoMap({{Info::ECARDAPI_ERROR, QStringLiteral("a < b")}}) << true << QStringLiteral("a &lt; b");
			QTest::newRow("Paos_Error_SAL_Cancellation_by_User") << Code::Paos_Error_SAL_Cancellation_by_User << InfoMap({{Info::ECARDAPI_ERROR, QStringLiteral("a < b")}}) << true << QStringLiteral("a &lt; b");
			QTest::newRow("Paos_Error_SAL_Invalid_Key") << Code::Paos_Error_SAL_Invalid_Key << InfoMap({{Info::ECARDAPI_ERROR, QStringLiteral("a < b")}}) << true << QStringLiteral("a &lt; b");
			QTest::newRow("Card_Not_Found") << Code::Card_Not_Found << InfoMap() << false << QStringLiteral("Card does not exist");
			QTest::newRow("Card_Communication_Error") << Code::Card_Communication_Error << InfoMap() << false << QStringLiteral("An error occurred while communicating with the ID card. Please make sure that your ID card is placed correctly on the card reader and try again.");
			QTest::newRow("Card_Protocol_Error") << Code::Card_Protocol_Error << InfoMap() << false << QStringLiteral("A protocol error occurred. Please make sure that your ID card is placed correctly on the card reader and try again. If the problem occurs again, please contact our support at %1.").arg(cSupportLink);
			QTest::newRow("Card_Unexpected_Transmit_Status") << Code::Card_Unexpected_Transmit_Status << InfoMap() << false << QStringLiteral("A protocol error occurred. Please make sure that your ID card is placed correctly on the card reader and try again. If the problem occurs again, please contact our support at %1.").arg(cSupportLink);
			QTest::newRow("Card_Cancellation_By_User") << Code::Card_Cancellation_By_User << InfoMap() << false << QStringLiteral("The process has been cancelled by the card reader.");
			QTest::newRow("Card_Input_TimeOut") << Code::Card_Input_TimeOut << InfoMap() << false << QStringLiteral("The maximum time was exceeded during input process.");
			QTest::newRow("Card_Pin_Deactivated") << Code::Card_Pin_Deactivated << InfoMap() << false << QStringLiteral("The eID function of your ID card is not yet activated.");
			QTest::newRow("Card_Pin_Not_Blocked") << Code::Card_Pin_Not_Blocked << InfoMap() << false << QStringLiteral("The PIN is not blocked.");
			QTest::newRow("Card_Puk_Blocked") << Code::Card_Puk_Blocked << InfoMap() << false << QStringLiteral("The entered PUK has already been used 10 times and can no longer be used to unblock the PIN.");
			QTest::newRow("Card_NewPin_Mismatch") << Code::Card_NewPin_Mismatch << InfoMap() << false << QStringLiteral("The new PIN and the confirmation do not match.");
			QTest::newRow("Card_NewPin_Invalid_Length") << Code::Card_NewPin_Invalid_Length << InfoMap() << false << QStringLiteral("The length of the new PIN is not valid.");
			QTest::newRow("Card_ValidityVerificationFailed") << Code::Card_ValidityVerificationFailed << InfoMap() << false << QStringLiteral("The validity verification of the card failed.");
			QTest::newRow("RemoteReader_CloseCode_AbnormalClose") << Code::RemoteReader_CloseCode_AbnormalClose << InfoMap() << false << QStringLiteral("The smartphone as card reader (SaC) connection was aborted.");
			QTest::newRow("IfdConnector_InvalidRequest") << Code::IfdConnector_InvalidRequest << InfoMap() << false << QStringLiteral("Smartphone as card reader (SaC) connection request was invalid.");
			QTest::newRow("IfdConnector_NoSupportedApiLevel") << Code::IfdConnector_NoSupportedApiLevel << InfoMap() << false << QStringLiteral("Your smartphone as card reader (SaC) version is incompatible with the local version. Please install the latest %1 version on both your smartphone and your computer.").arg(cAppName);
			QTest::newRow("IfdConnector_ConnectionError") << Code::IfdConnector_ConnectionError << InfoMap() << false << QStringLiteral("An error occurred while trying to establish a connection to the smartphone as card reader (SaC).");
			QTest::newRow("IfdConnector_RemoteHostRefusedConnection") << Code::IfdConnector_RemoteHostRefusedConnection << InfoMap() << false << QStringLiteral("The smartphone to be paired has rejected the connection. Please check the pairing code.");
		}


		void userText()
		{
			QFETCH(Code, code);
			QFETCH(InfoMap, info);
			QFETCH(bool, masked);
			QFETCH(QString, text);

			const GlobalStatus status(code, info);
			QCOMPARE(status.isMessageMasked(), masked);
			QCOMPARE(status.toErrorDescription(), text);
			QCOMPARE(status.toErrorDescription(true), masked ? cMaskedText : text);
		}


		void externalInfo_data()
		{
			QTest::addColumn<InfoMap>("info");
			QTest::addColumn<QString>("joined");

			QTest::newRow("none") << InfoMap() << QString();
			QTest::newRow("one is escaped without key") << InfoMap({{Info::ECARDAPI_SERVERMESSAGE, QStringLiteral("<b>\"x\" & y</b>")}})
													  << QStringLiteral("&lt;b&gt;&quot;x&quot; &amp; y&lt;/b&gt;");
			QTest::newRow("two in key order") << InfoMap({{Info::ECARDAPI_SERVERMESSAGE, QStringLiteral("a<b")}, {Info::ECARDAPI_ERROR, QStringLiteral("An internal error")}})
											  << QStringLiteral("ECARDAPI_ERROR: An internal error; ECARDAPI_SERVERMESSAGE: a&lt;b");
			QTest::newRow("three") << InfoMap({{Info::URL_SCHEME, QStringLiteral("http")}, {Info::LAST_URL, QStringLiteral("https://a.example")}, {Info::ACTIVATION_ERROR, QString()}})
								   << QStringLiteral("LAST_URL: https://a.example; URL_SCHEME: http; ACTIVATION_ERROR: ");
		}


		void externalInfo()
		{
			QFETCH(InfoMap, info);
			QFETCH(QString, joined);

			for (const auto code : {Code::Workflow_Browser_Transmission_Error, Code::Paos_Unexpected_Warning, Code::Paos_Generic_Server_Error, Code::Paos_Error_AL_Internal_Error})
			{
				const GlobalStatus status(code, info);
				QCOMPARE(status.getExternalInfo(QStringLiteral("; ")), joined);
				QCOMPARE(status.toErrorDescription(), joined);
			}

			const GlobalStatus status(Code::Unknown_Error, info);
			for (const auto key : Enum<Info>::allValues())
			{
				QCOMPARE(status.getExternalInfo(key), info.value(key));
			}
		}


		void externalInfoWithoutKeyName()
		{
			const GlobalStatus status(Code::Paos_Generic_Server_Error, InfoMap({{Info::ECARDAPI_ERROR, QStringLiteral("x")}, {static_cast<Info>(255), QStringLiteral("y")}}));

			const LogCapture capture;
			QCOMPARE(status.toErrorDescription(), QStringLiteral("ECARDAPI_ERROR: x; : y"));
			QVERIFY(capture.contains(QStringLiteral("CRITICAL CONVERSION MISMATCH: UNKNOWN 0xff")));
		}


		void simplifiedText_data()
		{
			QTest::addColumn<GlobalStatus>("status");
			QTest::addColumn<QString>("text");

			QTest::newRow("masked timeout") << GlobalStatus(Code::Workflow_TrustedChannel_TimeOut) << cMaskedText;
			QTest::newRow("service unavailable is shown") << GlobalStatus(Code::Workflow_TrustedChannel_ServiceUnavailable)
														  << QStringLiteral("The service is temporarily not available. Please try again later.");
			QTest::newRow("generic server error is shown") << GlobalStatus(Code::Paos_Generic_Server_Error, {Info::ECARDAPI_ERROR, QStringLiteral("Server says no")})
														   << QStringLiteral("Server says no");
			QTest::newRow("masked paos error") << GlobalStatus(Code::Paos_Error_AL_Internal_Error, {Info::ECARDAPI_ERROR, QStringLiteral("Server says no")}) << cMaskedText;
			QTest::newRow("scheme without information") << GlobalStatus(Code::Workflow_Network_Invalid_Scheme) << cMaskedText;
		}


		void simplifiedText()
		{
			QFETCH(GlobalStatus, status);
			QFETCH(QString, text);

			QCOMPARE(status.toErrorDescription(true), text);
		}


		void missingArgumentIsEmpty()
		{
			QCOMPARE(GlobalStatus(Code::Workflow_Network_Invalid_Scheme).toErrorDescription(), QStringLiteral("Invalid scheme: "));
			QCOMPARE(GlobalStatus(Code::Workflow_Communication_Missing_Redirect_Url).toErrorDescription(), QString());
		}


		void predicates()
		{
			const QList<Code> cancellations = {Code::Workflow_Cancellation_By_User, Code::Paos_Error_SAL_Cancellation_by_User, Code::Card_Cancellation_By_User};
			for (const auto code : Enum<Code>::allValues())
			{
				const GlobalStatus status(code);
				QCOMPARE(status.isCancellationByUser(), cancellations.contains(code));
				QCOMPARE(status.isNoError(), code == Code::No_Error);
				QCOMPARE(status.isError(), code != Code::No_Error);
				QCOMPARE(status.getStatusCode(), code);
			}
		}


		void origin()
		{
			QCOMPARE(GlobalStatus(Code::No_Error).getOrigin(), GlobalStatus::Origin::Client);
			QVERIFY(!GlobalStatus(Code::No_Error).isOriginServer());
			QVERIFY(GlobalStatus(Code::Paos_Generic_Server_Error, GlobalStatus::Origin::Server).isOriginServer());
			QVERIFY(GlobalStatus(Code::Paos_Generic_Server_Error, {Info::LAST_URL, QStringLiteral("x")}, GlobalStatus::Origin::Server).isOriginServer());
		}


		void equality_data()
		{
			QTest::addColumn<GlobalStatus>("first");
			QTest::addColumn<GlobalStatus>("second");
			QTest::addColumn<bool>("equal");

			const InfoMap info({{Info::LAST_URL, QStringLiteral("https://a.example")}});
			QTest::newRow("same code") << GlobalStatus(Code::Network_TimeOut) << GlobalStatus(Code::Network_TimeOut) << true;
			QTest::newRow("other code") << GlobalStatus(Code::Network_TimeOut) << GlobalStatus(Code::Network_Proxy_Error) << false;
			QTest::newRow("only origin differs") << GlobalStatus(Code::Network_TimeOut, info, GlobalStatus::Origin::Server) << GlobalStatus(Code::Network_TimeOut, info) << false;
			QTest::newRow("same information") << GlobalStatus(Code::Network_TimeOut, info) << GlobalStatus(Code::Network_TimeOut, {Info::LAST_URL, QStringLiteral("https://a.example")}) << true;
			QTest::newRow("other text") << GlobalStatus(Code::Network_TimeOut, info) << GlobalStatus(Code::Network_TimeOut, {Info::LAST_URL, QStringLiteral("https://b.example")}) << false;
			QTest::newRow("other key") << GlobalStatus(Code::Network_TimeOut, info) << GlobalStatus(Code::Network_TimeOut, {Info::REDIRECT_URL, QStringLiteral("https://a.example")}) << false;
			QTest::newRow("missing information") << GlobalStatus(Code::Network_TimeOut, info) << GlobalStatus(Code::Network_TimeOut) << false;
		}


		void equality()
		{
			QFETCH(GlobalStatus, first);
			QFETCH(GlobalStatus, second);
			QFETCH(bool, equal);

			QCOMPARE(first == second, equal);
			QCOMPARE(second == first, equal);
			QCOMPARE(first != second, !equal);

			const GlobalStatus copy = first;
			QVERIFY(copy == first);
		}


		void debugOutput()
		{
			QString text;
			QDebug(&text) << GlobalStatus(Code::Workflow_Cancellation_By_User);
			QCOMPARE(text, QStringLiteral("Workflow_Cancellation_By_User | You have canceled the process. "));
		}


		void metaTypes()
		{
			const auto statusType = QMetaType::fromName("GlobalStatus");
			QVERIFY(statusType.isValid());
			QCOMPARE(statusType, QMetaType::fromType<GlobalStatus>());

			const auto codeType = QMetaType::fromName("GlobalStatus::Code");
			QVERIFY(codeType.isValid());
			QCOMPARE(codeType, QMetaType::fromType<GlobalStatus::Code>());
		}


		void queuedSignal()
		{
			StatusSender sender;
			GlobalStatus received(Code::Unknown_Error);
			connect(&sender, &StatusSender::fireStatus, this, [&received](const GlobalStatus& pStatus) {
					received = pStatus;
				}, Qt::QueuedConnection);

			const GlobalStatus sent(Code::Paos_Generic_Server_Error, {Info::ECARDAPI_ERROR, QStringLiteral("x")}, GlobalStatus::Origin::Server);
			Q_EMIT sender.fireStatus(sent);
			QCOMPARE(received.getStatusCode(), Code::Unknown_Error);
			QTRY_COMPARE(received, sent);
		}


};

KENDRAWELL_TEST_MAIN(test_GlobalStatus)
#include "test_GlobalStatus.moc"
