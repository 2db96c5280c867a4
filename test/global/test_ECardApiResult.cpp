#include "ECardApiResult.h"

#include "LogCapture.h"
#include "TestEnvironment.h"

#include <QJsonDocument>

#include <thread>

using namespace tessarovin;

namespace
{

using Major = ECardApiResult::Major;
using Minor = ECardApiResult::Minor;
using Origin = ECardApiResult::Origin;
using Code = GlobalStatus::Code;
using Info = GlobalStatus::ExternalInformation;
using Reason = FailureCode::Reason;

const QString cMajorPrefix = QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultmajor#");
const QString cMinorPrefix = QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultminor/");

} // namespace


class test_ECardApiResult
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void prefixesAre49Characters()
		{
			QCOMPARE(cMajorPrefix.size(), 49);
			QCOMPARE(cMinorPrefix.size(), 49);

			const ECardApiResult result(Major::Error, Minor::SAL_Invalid_Key);
			QCOMPARE(result.getMajorString(), cMajorPrefix + QStringLiteral("error"));
			QCOMPARE(result.getMinorString(), cMinorPrefix + QStringLiteral("sal#invalidKey"));
		}


		void majorUris_data()
		{
			QTest::addColumn<Major>("major");
			QTest::addColumn<QString>("uri");
			QTest::addColumn<QString>("redirect");

			QTest::newRow("Unknown") << Major::Unknown << QString() << QStringLiteral("error");
			QTest::newRow("Ok") << Major::Ok << QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultmajor#ok") << QStringLiteral("ok");
			QTest::newRow("Warning") << Major::Warning << QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultmajor#warning") << QStringLiteral("error");
			QTest::newRow("Error") << Major::Error << QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultmajor#error") << QStringLiteral("error");
		}


		void majorUris()
		{
			QFETCH(Major, major);
			QFETCH(QString, uri);
			QFETCH(QString, redirect);

			const ECardApiResult result(major, major == Major::Ok ? Minor::null : Minor::AL_Unknown_Error);
			QCOMPARE(result.getMajor(), major);
			QCOMPARE(result.getMajorString(), uri);
			QCOMPARE(result.getMajorForRedirect(), redirect);
			QCOMPARE(ECardApiResult::parseMajor(uri), major);
		}


		void minorTable_data()
		{
			QTest::addColumn<Minor>("minor");
			QTest::addColumn<QString>("uri");
			QTest::addColumn<QString>("description");
			QTest::addColumn<Code>("code");

			QTest::newRow("null") << Minor::null << QString() << QString() << Code::Paos_Error_AL_Unknown_Error;
			QTest::newRow("AL_Unknown_Error") << Minor::AL_Unknown_Error << QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultminor/al/common#unknownError") << QStringLiteral("An unexpected error has occurred during processing.") << Code::Paos_Error_AL_Unknown_Error;
			QTest::newRow("AL_No_Permission") << Minor::AL_No_Permission << QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultminor/al/common#noPermission") << QStringLiteral("Use of the function by the client application is not permitted.") << Code::Workflow_No_Permission_Error;
			QTest::newRow("AL_Internal_Error") << Minor::AL_Internal_Error << QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultminor/al/common#internalError") << QStringLiteral("An internal error has occurred during processing.") << Code::Paos_Error_AL_Internal_Error;
			QTest::newRow("AL_Parameter_Error") << Minor::AL_Parameter_Error << QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultminor/al/common#parameterError") << QStringLiteral("There was some problem with a provided or omitted parameter.") << Code::Workflow_Certificate_No_Description;
			QTest::newRow("AL_Unknown_API_Function") << Minor::AL_Unknown_API_Function << QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultminor/al/common#unknownAPIFunction") << QStringLiteral("The API function is unknown.") << Code::Paos_Generic_Server_Error;
			QTest::newRow("AL_Not_Initialized") << Minor::AL_Not_Initialized << QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultminor/al/common#notInitialized") << QStringLiteral("The framework or layer has not been initialized.") << Code::Paos_Generic_Server_Error;
			QTest::newRow("AL_Warning_Connection_Disconnected") << Minor::AL_Warning_Connection_Disconnected << QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultminor/al/common#warningConnectionDisconnected") << QStringLiteral("The active session has been terminated.") << Code::Paos_Generic_Server_Error;
			QTest::newRow("AL_Session_Terminated_Warning") << Minor::AL_Session_Terminated_Warning << QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultminor/al/common#SessionTerminatedWarning") << QStringLiteral("The active session has been terminated.") << Code::Paos_Generic_Server_Error;
			QTest::newRow("AL_Communication_Error") << Minor::AL_Communication_Error << QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultminor/al/common#communicationError") << QStringLiteral("A Communication error occurred during processing.") << Code::Paos_Error_AL_Communication_Error;
			QTest::newRow("DP_Timeout_Error") << Minor::DP_Timeout_Error << QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultminor/dp#timeout") << QStringLiteral("The operation was terminated as the set time was exceeded.") << Code::Paos_Generic_Server_Error;
			QTest::newRow("DP_Unknown_Channel_Handle") << Minor::DP_Unknown_Channel_Handle << QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultminor/dp#unknownChannelHandle") << QStringLiteral("The operation was aborted as an invalid channel handle was used.") << Code::Paos_Generic_Server_Error;
			QTest::newRow("DP_Communication_Error") << Minor::DP_Communication_Error << QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultminor/dp#communicationError") << QStringLiteral("A Communication error occurred during processing.") << Code::Paos_Generic_Server_Error;
			QTest::newRow("DP_Trusted_Channel_Establishment_Failed") << Minor::DP_Trusted_Channel_Establishment_Failed << QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultminor/dp#trustedChannelEstablishmentFailed") << QStringLiteral("A trusted channel could not be opened.") << Code::Paos_Error_DP_Trusted_Channel_Establishment_Failed;
			QTest::newRow("DP_Unknown_Protocol") << Minor::DP_Unknown_Protocol << QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultminor/dp#unknownProtocol") << QStringLiteral("The operation was aborted as an unknown protocol was used.") << Code::Paos_Generic_Server_Error;
			QTest::newRow("DP_Unknown_Cipher_Suite") << Minor::DP_Unknown_Cipher_Suite << QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultminor/dp#unknownCipherSuite") << QStringLiteral("The operation was aborted as an unknown cipher suite was used.") << Code::Paos_Generic_Server_Error;
			QTest::newRow("DP_Unknown_Webservice_Binding") << Minor::DP_Unknown_Webservice_Binding << QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultminor/dp#unknownWebserviceBinding") << QStringLiteral("The operation was aborted as an unknown web service binding was used.") << Code::Paos_Generic_Server_Error;
			QTest::newRow("DP_Node_Not_Reachable") << Minor::DP_Node_Not_Reachable << QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultminor/dp#nodeNotReachable") << QStringLiteral("A Communication error occurred during processing.") << Code::Paos_Generic_Server_Error;
			QTest::newRow("IFDL_Timeout_Error") << Minor::IFDL_Timeout_Error << QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultminor/ifdl/common#timeoutError") << QStringLiteral("The operation was terminated as the set time was exceeded.") << Code::Paos_Generic_Server_Error;
			QTest::newRow("IFDL_UnknownSlot") << Minor::IFDL_UnknownSlot << QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultminor/ifdl/terminal#unknownSlot") << QString() << Code::Paos_Generic_Server_Error;
			QTest::newRow("IFDL_InvalidSlotHandle") << Minor::IFDL_InvalidSlotHandle << QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultminor/ifdl/common#invalidSlotHandle") << QString() << Code::Paos_Generic_Server_Error;
			QTest::newRow("IFDL_CancellationByUser") << Minor::IFDL_CancellationByUser << QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultminor/ifdl#cancellationByUser") << QString() << Code::Paos_Generic_Server_Error;
			QTest::newRow("IFDL_IFD_SharingViolation") << Minor::IFDL_IFD_SharingViolation << QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultminor/ifdl/terminal#IFDSharingViolation") << QString() << Code::Paos_Generic_Server_Error;
			QTest::newRow("IFDL_Terminal_NoCard") << Minor::IFDL_Terminal_NoCard << QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultminor/ifdl/terminal#noCard") << QStringLiteral("The card is missing or was removed.") << Code::Paos_Generic_Server_Error;
			QTest::newRow("IFDL_IO_RepeatedDataMismatch") << Minor::IFDL_IO_RepeatedDataMismatch << QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultminor/ifdl/IO#repeatedDataMismatch") << QStringLiteral("The new PIN and the confirmation do not match.") << Code::Paos_Generic_Server_Error;
			QTest::newRow("IFDL_IO_UnknownPINFormat") << Minor::IFDL_IO_UnknownPINFormat << QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultminor/ifdl/IO#unknownPINFormat") << QStringLiteral("The format of the PIN is wrong.") << Code::Paos_Generic_Server_Error;
			QTest::newRow("IL_Signature_InvalidCertificatePath") << Minor::IL_Signature_InvalidCertificatePath << QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultminor/il/signature#invalidCertificatePath") << QStringLiteral("One or more certificate checks failed. The operation will be aborted due to security reasons.") << Code::Workflow_No_Unique_DvCvc;
			QTest::newRow("KEY_KeyGenerationNotPossible") << Minor::KEY_KeyGenerationNotPossible << QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultminor/il/key#keyGenerationNotPossible") << QStringLiteral("Signature certificate key generation is not possible.") << Code::Paos_Generic_Server_Error;
			QTest::newRow("SAL_Cancellation_by_User") << Minor::SAL_Cancellation_by_User << QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultminor/sal#cancellationByUser") << QStringLiteral("The process has been cancelled.") << Code::Paos_Error_SAL_Cancellation_by_User;
			QTest::newRow("SAL_Invalid_Key") << Minor::SAL_Invalid_Key << QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultminor/sal#invalidKey") << QStringLiteral("This action cannot be performed. The eID function of your ID card is not activated.") << Code::Paos_Error_SAL_Invalid_Key;
			QTest::newRow("SAL_SecurityConditionNotSatisfied") << Minor::SAL_SecurityConditionNotSatisfied << QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultminor/sal#securityConditionNotSatisfied") << QStringLiteral("The authenticity of your ID card could not be verified. Please make sure that you are using a genuine ID card. Please note that test applications require the use of a test ID card.") << Code::Paos_Generic_Server_Error;
			QTest::newRow("SAL_MEAC_AgeVerificationFailedWarning") << Minor::SAL_MEAC_AgeVerificationFailedWarning << QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultminor/sal/mEAC#AgeVerificationFailedWarning") << QStringLiteral("The age verification failed.") << Code::Paos_Generic_Server_Error;
			QTest::newRow("SAL_MEAC_CommunityVerificationFailedWarning") << Minor::SAL_MEAC_CommunityVerificationFailedWarning << QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultminor/sal/mEAC#CommunityVerificationFailedWarning") << QStringLiteral("The community verification failed.") << Code::Paos_Generic_Server_Error;
			QTest::newRow("SAL_MEAC_DocumentValidityVerificationFailed") << Minor::SAL_MEAC_DocumentValidityVerificationFailed << QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultminor/sal/mEAC#DocumentValidityVerificationFailed") << QStringLiteral("The ID card is invalid or disabled.") << Code::Card_ValidityVerificationFailed;
		}


		void minorTable()
		{
			QFETCH(Minor, minor);
			QFETCH(QString, uri);
			QFETCH(QString, description);
			QFETCH(Code, code);

			const ECardApiResult result(minor == Minor::null ? Major::Ok : Major::Error, minor);
			QCOMPARE(result.getMinor(), minor);
			QCOMPARE(result.getMinorString(), uri);
			QCOMPARE(result.getMinorDescription(), description);
			QCOMPARE(ECardApiResult::toStatus(minor), code);

			const LogCapture capture;
			QCOMPARE(ECardApiResult::parseMinor(uri), minor);
			QVERIFY(capture.entries().isEmpty());
		}


		void everyMinorHasARow()
		{
			const auto minors = Enum<Minor>::allValues();
			QCOMPARE(minors.size(), 34);
			for (int i = 0; i < minors.size(); ++i)
			{
				QCOMPARE(static_cast<int>(minors.at(i)), i);
			}
		}


		void fromStatus_data()
		{
			QTest::addColumn<Code>("code");
			QTest::addColumn<Minor>("minor");

			QTest::newRow("Unknown_Error") << Code::Unknown_Error << Minor::AL_Unknown_Error;
			QTest::newRow("No_Error") << Code::No_Error << Minor::null;
			QTest::newRow("Network_ServiceUnavailable") << Code::Network_ServiceUnavailable << Minor::AL_Communication_Error;
			QTest::newRow("Network_ServerError") << Code::Network_ServerError << Minor::AL_Communication_Error;
			QTest::newRow("Network_ClientError") << Code::Network_ClientError << Minor::AL_Communication_Error;
			QTest::newRow("Network_Ssl_Establishment_Error") << Code::Network_Ssl_Establishment_Error << Minor::AL_Communication_Error;
			QTest::newRow("Network_TimeOut") << Code::Network_TimeOut << Minor::AL_Communication_Error;
			QTest::newRow("Network_Proxy_Error") << Code::Network_Proxy_Error << Minor::AL_Communication_Error;
			QTest::newRow("Network_Other_Error") << Code::Network_Other_Error << Minor::AL_Communication_Error;
			QTest::newRow("Downloader_File_Not_Found") << Code::Downloader_File_Not_Found << Minor::AL_Unknown_Error;
			QTest::newRow("Downloader_Cannot_Save_File") << Code::Downloader_Cannot_Save_File << Minor::AL_Unknown_Error;
			QTest::newRow("Downloader_Data_Corrupted") << Code::Downloader_Data_Corrupted << Minor::AL_Unknown_Error;
			QTest::newRow("Downloader_Missing_Platform") << Code::Downloader_Missing_Platform << Minor::AL_Unknown_Error;
			QTest::newRow("Downloader_Aborted") << Code::Downloader_Aborted << Minor::AL_Unknown_Error;
			QTest::newRow("Update_Execution_Failed") << Code::Update_Execution_Failed << Minor::AL_Unknown_Error;
			QTest::newRow("Workflow_AlreadyInProgress_Error") << Code::Workflow_AlreadyInProgress_Error << Minor::AL_Unknown_Error;
			QTest::newRow("Workflow_Communication_Missing_Redirect_Url") << Code::Workflow_Communication_Missing_Redirect_Url << Minor::AL_Communication_Error;
			QTest::newRow("Workflow_InternalError_BeforeTcToken") << Code::Workflow_InternalError_BeforeTcToken << Minor::SAL_Cancellation_by_User;
			QTest::newRow("Workflow_Cancellation_By_User") << Code::Workflow_Cancellation_By_User << Minor::SAL_Cancellation_by_User;
			QTest::newRow("Workflow_Card_Removed") << Code::Workflow_Card_Removed << Minor::SAL_Cancellation_by_User;
			QTest::newRow("Workflow_Cannot_Confirm_IdCard_Authenticity") << Code::Workflow_Cannot_Confirm_IdCard_Authenticity << Minor::AL_Internal_Error;
			QTest::newRow("Workflow_Unknown_Paos_From_EidServer") << Code::Workflow_Unknown_Paos_From_EidServer << Minor::AL_Internal_Error;
			QTest::newRow("Workflow_Start_Paos_Response_Missing") << Code::Workflow_Start_Paos_Response_Missing << Minor::AL_Internal_Error;
			QTest::newRow("Workflow_Unexpected_Message_From_EidServer") << Code::Workflow_Unexpected_Message_From_EidServer << Minor::AL_Internal_Error;
			QTest::newRow("Workflow_Preverification_Developermode_Error") << Code::Workflow_Preverification_Developermode_Error << Minor::IL_Signature_InvalidCertificatePath;
			QTest::newRow("Workflow_Preverification_Error") << Code::Workflow_Preverification_Error << Minor::IL_Signature_InvalidCertificatePath;
			QTest::newRow("Workflow_No_Unique_AtCvc") << Code::Workflow_No_Unique_AtCvc << Minor::IL_Signature_InvalidCertificatePath;
			QTest::newRow("Workflow_No_Unique_DvCvc") << Code::Workflow_No_Unique_DvCvc << Minor::IL_Signature_InvalidCertificatePath;
			QTest::newRow("Workflow_No_Permission_Error") << Code::Workflow_No_Permission_Error << Minor::AL_No_Permission;
			QTest::newRow("Workflow_Wrong_Length_Error") << Code::Workflow_Wrong_Length_Error << Minor::AL_Unknown_Error;
			QTest::newRow("Workflow_Certificate_No_Description") << Code::Workflow_Certificate_No_Description << Minor::AL_Parameter_Error;
			QTest::newRow("Workflow_Certificate_No_Url_In_Description") << Code::Workflow_Certificate_No_Url_In_Description << Minor::AL_Parameter_Error;
			QTest::newRow("Workflow_Certificate_Hash_Error") << Code::Workflow_Certificate_Hash_Error << Minor::AL_Parameter_Error;
			QTest::newRow("Workflow_Certificate_Sop_Error") << Code::Workflow_Certificate_Sop_Error << Minor::AL_Parameter_Error;
			QTest::newRow("Workflow_Browser_Transmission_Error") << Code::Workflow_Browser_Transmission_Error << Minor::AL_Communication_Error;
			QTest::newRow("Workflow_TrustedChannel_Establishment_Error") << Code::Workflow_TrustedChannel_Establishment_Error << Minor::DP_Trusted_Channel_Establishment_Failed;
			QTest::newRow("Workflow_TrustedChannel_Server_Error") << Code::Workflow_TrustedChannel_Server_Error << Minor::DP_Trusted_Channel_Establishment_Failed;
			QTest::newRow("Workflow_TrustedChannel_Client_Error") << Code::Workflow_TrustedChannel_Client_Error << Minor::DP_Trusted_Channel_Establishment_Failed;
			QTest::newRow("Workflow_TrustedChannel_Hash_Not_In_Description") << Code::Workflow_TrustedChannel_Hash_Not_In_Description << Minor::DP_Trusted_Channel_Establishment_Failed;
			QTest::newRow("Workflow_TrustedChannel_No_Data_Received") << Code::Workflow_TrustedChannel_No_Data_Received << Minor::DP_Trusted_Channel_Establishment_Failed;
			QTest::newRow("Workflow_TrustedChannel_Ssl_Connection_Unsupported_Algorithm_Or_Length") << Code::Workflow_TrustedChannel_Ssl_Connection_Unsupported_Algorithm_Or_Length << Minor::DP_Trusted_Channel_Establishment_Failed;
			QTest::newRow("Workflow_TrustedChannel_Ssl_Certificate_Unsupported_Algorithm_Or_Length") << Code::Workflow_TrustedChannel_Ssl_Certificate_Unsupported_Algorithm_Or_Length << Minor::DP_Trusted_Channel_Establishment_Failed;
			QTest::newRow("Workflow_TrustedChannel_ServiceUnavailable") << Code::Workflow_TrustedChannel_ServiceUnavailable << Minor::DP_Trusted_Channel_Establishment_Failed;
			QTest::newRow("Workflow_TrustedChannel_TimeOut") << Code::Workflow_TrustedChannel_TimeOut << Minor::DP_Trusted_Channel_Establishment_Failed;
			QTest::newRow("Workflow_TrustedChannel_Proxy_Error") << Code::Workflow_TrustedChannel_Proxy_Error << Minor::DP_Trusted_Channel_Establishment_Failed;
			QTest::newRow("Workflow_TrustedChannel_Server_Format_Error") << Code::Workflow_TrustedChannel_Server_Format_Error << Minor::DP_Trusted_Channel_Establishment_Failed;
			QTest::newRow("Workflow_TrustedChannel_Other_Network_Error") << Code::Workflow_TrustedChannel_Other_Network_Error << Minor::DP_Trusted_Channel_Establishment_Failed;
			QTest::newRow("Workflow_Reader_Became_Inaccessible") << Code::Workflow_Reader_Became_Inaccessible << Minor::AL_Communication_Error;
			QTest::newRow("Workflow_Server_Incomplete_Information_Provided") << Code::Workflow_Server_Incomplete_Information_Provided << Minor::AL_Communication_Error;
			QTest::newRow("Workflow_Network_Ssl_Connection_Unsupported_Algorithm_Or_Length") << Code::Workflow_Network_Ssl_Connection_Unsupported_Algorithm_Or_Length << Minor::AL_Communication_Error;
			QTest::newRow("Workflow_Network_Ssl_Certificate_Unsupported_Algorithm_Or_Length") << Code::Workflow_Network_Ssl_Certificate_Unsupported_Algorithm_Or_Length << Minor::AL_Communication_Error;
			QTest::newRow("Workflow_Network_Ssl_Hash_Not_In_Certificate_Description") << Code::Workflow_Network_Ssl_Hash_Not_In_Certificate_Description << Minor::AL_Communication_Error;
			QTest::newRow("Workflow_Network_Empty_Redirect_Url") << Code::Workflow_Network_Empty_Redirect_Url << Minor::AL_Communication_Error;
			QTest::newRow("Workflow_Network_Expected_Redirect") << Code::Workflow_Network_Expected_Redirect << Minor::AL_Communication_Error;
			QTest::newRow("Workflow_Network_Invalid_Scheme") << Code::Workflow_Network_Invalid_Scheme << Minor::AL_Communication_Error;
			QTest::newRow("Workflow_Network_Malformed_Redirect_Url") << Code::Workflow_Network_Malformed_Redirect_Url << Minor::AL_Communication_Error;
			QTest::newRow("Workflow_Wrong_Parameter_Invocation") << Code::Workflow_Wrong_Parameter_Invocation << Minor::AL_Communication_Error;
			QTest::newRow("Paos_Unexpected_Warning") << Code::Paos_Unexpected_Warning << Minor::AL_Unknown_Error;
			QTest::newRow("Paos_Generic_Server_Error") << Code::Paos_Generic_Server_Error << Minor::AL_Unknown_API_Function;
			QTest::newRow("Paos_Error_AL_Unknown_Error") << Code::Paos_Error_AL_Unknown_Error << Minor::AL_Unknown_Error;
			QTest::newRow("Paos_Error_AL_Internal_Error") << Code::Paos_Error_AL_Internal_Error << Minor::AL_Internal_Error;
			QTest::newRow("Paos_Error_AL_Communication_Error") << Code::Paos_Error_AL_Communication_Error << Minor::AL_Communication_Error;
			QTest::newRow("Paos_Error_DP_Trusted_Channel_Establishment_Failed") << Code::Paos_Error_DP_Trusted_Channel_Establishment_Failed << Minor::DP_Trusted_Channel_Establishment_Failed;
			QTest::newRow("Paos_Error_SAL_Cancellation_by_User") << Code::Paos_Error_SAL_Cancellation_by_User << Minor::SAL_Cancellation_by_User;
			QTest::newRow("Paos_Error_SAL_Invalid_Key") << Code::Paos_Error_SAL_Invalid_Key << Minor::SAL_Invalid_Key;
			QTest::newRow("Card_Not_Found") << Code::Card_Not_Found << Minor::AL_Unknown_Error;
			QTest::newRow("Card_Communication_Error") << Code::Card_Communication_Error << Minor::AL_Unknown_Error;
			QTest::newRow("Card_Protocol_Error") << Code::Card_Protocol_Error << Minor::AL_Internal_Error;
			QTest::newRow("Card_Unexpected_Transmit_Status") << Code::Card_Unexpected_Transmit_Status << Minor::AL_Unknown_Error;
			QTest::newRow("Card_Cancellation_By_User") << Code::Card_Cancellation_By_User << Minor::SAL_Cancellation_by_User;
			QTest::newRow("Card_Input_TimeOut") << Code::Card_Input_TimeOut << Minor::AL_Unknown_Error;
			QTest::newRow("Card_Pin_Deactivated") << Code::Card_Pin_Deactivated << Minor::AL_No_Permission;
			QTest::newRow("Card_Pin_Not_Blocked") << Code::Card_Pin_Not_Blocked << Minor::AL_Unknown_Error;
			QTest::newRow("Card_Puk_Blocked") << Code::Card_Puk_Blocked << Minor::AL_No_Permission;
			QTest::newRow("Card_NewPin_Mismatch") << Code::Card_NewPin_Mismatch << Minor::AL_Unknown_Error;
			QTest::newRow("Card_NewPin_Invalid_Length") << Code::Card_NewPin_Invalid_Length << Minor::AL_Unknown_Error;
			QTest::newRow("Card_ValidityVerificationFailed") << Code::Card_ValidityVerificationFailed << Minor::SAL_MEAC_DocumentValidityVerificationFailed;
			QTest::newRow("RemoteReader_CloseCode_AbnormalClose") << Code::RemoteReader_CloseCode_AbnormalClose << Minor::AL_Unknown_Error;
			QTest::newRow("IfdConnector_InvalidRequest") << Code::IfdConnector_InvalidRequest << Minor::AL_Unknown_Error;
			QTest::newRow("IfdConnector_NoSupportedApiLevel") << Code::IfdConnector_NoSupportedApiLevel << Minor::AL_Unknown_Error;
			QTest::newRow("IfdConnector_ConnectionError") << Code::IfdConnector_ConnectionError << Minor::AL_Unknown_Error;
			QTest::newRow("IfdConnector_RemoteHostRefusedConnection") << Code::IfdConnector_RemoteHostRefusedConnection << Minor::AL_Unknown_Error;
		}


		void fromStatus()
		{
			QFETCH(Code, code);
			QFETCH(Minor, minor);

			const LogCapture capture;
			QCOMPARE(ECardApiResult::fromStatus(code), minor);
			QVERIFY(capture.entries().isEmpty());
		}


		void conversionMismatch()
		{
			LogCapture capture;
			QCOMPARE(ECardApiResult::fromStatus(static_cast<Code>(500)), Minor::AL_Unknown_Error);
			QVERIFY(capture.contains(QStringLiteral("Critical conversion mismatch for")));

			capture.clear();
			QCOMPARE(ECardApiResult::toStatus(static_cast<Minor>(500)), Code::Unknown_Error);
			QVERIFY(capture.contains(QStringLiteral("Critical conversion mismatch for")));
		}


		void twoThreadsConvertAtOnce()
		{
			// Whoever comes first builds the maps; the other must wait for them, not see them half-filled.
			const auto convertAll = [](bool* pAllRight) {
						*pAllRight = true;
						for (const auto code : Enum<Code>::allValues())
						{
							const auto minor = ECardApiResult::fromStatus(code);
							*pAllRight &= (code == Code::No_Error) == (minor == Minor::null);
						}
						*pAllRight &= ECardApiResult::toStatus(Minor::SAL_Invalid_Key) == Code::Paos_Error_SAL_Invalid_Key;
					};

			bool first = false;
			bool second = false;
			std::thread one(convertAll, &first);
			std::thread two(convertAll, &second);
			one.join();
			two.join();
			QVERIFY(first);
			QVERIFY(second);
		}


		void parseUnknown_data()
		{
			QTest::addColumn<QString>("text");
			QTest::addColumn<bool>("warned");

			QTest::newRow("empty") << QString() << false;
			QTest::newRow("wrong case") << cMinorPrefix + QStringLiteral("sal#invalidkey") << true;
			QTest::newRow("prefix only") << cMinorPrefix << true;
			QTest::newRow("suffix only") << QStringLiteral("sal#invalidKey") << true;
			QTest::newRow("other host") << QStringLiteral("http://www.bsi.bund.example/ecard/api/1.1/resultminor/sal#invalidKey") << true;
			QTest::newRow("trailing text") << cMinorPrefix + QStringLiteral("sal#invalidKey ") << true;
			QTest::newRow("major prefix") << cMajorPrefix + QStringLiteral("sal#invalidKey") << true;
		}


		void parseUnknown()
		{
			QFETCH(QString, text);
			QFETCH(bool, warned);

			const LogCapture capture;
			QCOMPARE(ECardApiResult::parseMinor(text), Minor::null);
			QCOMPARE(capture.contains(QStringLiteral("Unknown ResultMinor:")), warned);
			QCOMPARE(capture.entries().size(), warned ? 1 : 0);
		}


		void parseUnknownMajor_data()
		{
			QTest::addColumn<QString>("text");
			QTest::addColumn<bool>("warned");

			QTest::newRow("empty") << QString() << false;
			QTest::newRow("wrong case") << cMajorPrefix + QStringLiteral("Ok") << true;
			QTest::newRow("minor prefix") << cMinorPrefix + QStringLiteral("ok") << true;
			QTest::newRow("suffix only") << QStringLiteral("ok") << true;
			QTest::newRow("no fragment marker") << QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultmajor/ok") << true;
		}


		void parseUnknownMajor()
		{
			QFETCH(QString, text);
			QFETCH(bool, warned);

			const LogCapture capture;
			QCOMPARE(ECardApiResult::parseMajor(text), Major::Unknown);
			QCOMPARE(capture.contains(QStringLiteral("Unknown ResultMajor:")), warned);
			QCOMPARE(capture.entries().size(), warned ? 1 : 0);
		}


		void constructFromTexts()
		{
			const ECardApiResult result(cMajorPrefix + QStringLiteral("error"), cMinorPrefix + QStringLiteral("al/common#internalError"), QStringLiteral("Oops"), Origin::Server);
			QCOMPARE(result.getMajor(), Major::Error);
			QCOMPARE(result.getMinor(), Minor::AL_Internal_Error);
			QCOMPARE(result.getMessage(), QStringLiteral("Oops"));
			QCOMPARE(result.getOrigin(), Origin::Server);
			QVERIFY(!result.getFailureCode().has_value());

			// No combination check on received results.
			const LogCapture capture;
			const ECardApiResult okWithMinor(cMajorPrefix + QStringLiteral("ok"), cMinorPrefix + QStringLiteral("sal#invalidKey"), QString(), Origin::Server);
			QCOMPARE(okWithMinor.getMajor(), Major::Ok);
			QCOMPARE(okWithMinor.getMinor(), Minor::SAL_Invalid_Key);
			QVERIFY(!okWithMinor.isOk());
			QVERIFY(capture.entries().isEmpty());
		}


		void combination_data()
		{
			QTest::addColumn<Major>("major");
			QTest::addColumn<Minor>("minor");
			QTest::addColumn<bool>("valid");

			QTest::newRow("ok") << Major::Ok << Minor::null << true;
			QTest::newRow("ok with minor") << Major::Ok << Minor::AL_Internal_Error << false;
			QTest::newRow("error") << Major::Error << Minor::AL_Communication_Error << true;
			QTest::newRow("error without minor") << Major::Error << Minor::null << false;
			QTest::newRow("warning") << Major::Warning << Minor::AL_Session_Terminated_Warning << true;
			QTest::newRow("warning without minor") << Major::Warning << Minor::null << false;
			QTest::newRow("unknown") << Major::Unknown << Minor::AL_Unknown_Error << true;
			QTest::newRow("unknown without minor") << Major::Unknown << Minor::null << false;
		}


		void combination()
		{
			QFETCH(Major, major);
			QFETCH(Minor, minor);
			QFETCH(bool, valid);

			const LogCapture capture;
			const ECardApiResult result(major, minor, QStringLiteral("text"), Origin::Server, FailureCode(Reason::Card_Removed));
			QCOMPARE(capture.contains(QStringLiteral("Invalid combination of Major(")), !valid);
			QCOMPARE(result.getMajor(), valid ? major : Major::Error);
			QCOMPARE(result.getMinor(), valid ? minor : Minor::AL_Internal_Error);
			QCOMPARE(result.getMessage(), QStringLiteral("text"));
			QCOMPARE(result.getOrigin(), Origin::Server);
			QCOMPARE(result.getFailureCode().has_value(), valid);
			if (!valid)
			{
				QCOMPARE(capture.messages().constFirst(), QStringLiteral("Invalid combination of Major( %1 ) and Minor ( %2 ) supplied.").arg(Enum<Major>::getName(major), Enum<Minor>::getName(minor)));
			}
		}


		void createOk()
		{
			const auto result = ECardApiResult::createOk();
			QVERIFY(result.isOk());
			QCOMPARE(result.getMajor(), Major::Ok);
			QCOMPARE(result.getMinor(), Minor::null);
			QVERIFY(result.getMessage().isEmpty());
			QCOMPARE(result.getOrigin(), Origin::Client);
			QCOMPARE(result.getLanguage(), QStringLiteral("en"));
			QVERIFY(!result.getFailureCode().has_value());
			QCOMPARE(result.toJson(), QJsonObject({{QStringLiteral("major"), cMajorPrefix + QStringLiteral("ok")}}));
			QCOMPARE(result.getMajorForRedirect(), QStringLiteral("ok"));
		}


		void fromGlobalStatus()
		{
			const auto cancelled = ECardApiResult::fromGlobalStatus(GlobalStatus(Code::Workflow_Cancellation_By_User), FailureCode(Reason::User_Cancelled));
			QCOMPARE(cancelled.getMajor(), Major::Error);
			QCOMPARE(cancelled.getMinor(), Minor::SAL_Cancellation_by_User);
			QCOMPARE(cancelled.getMessage(), QStringLiteral("You have canceled the process."));
			QCOMPARE(cancelled.getOrigin(), Origin::Client);
			QCOMPARE(cancelled.getFailureCode()->getReason(), Reason::User_Cancelled);
			QCOMPARE(cancelled.getMinorForRedirect(), QStringLiteral("cancellationByUser"));

			// The user text, not the simplified one.
			const auto fromServer = ECardApiResult::fromGlobalStatus(GlobalStatus(Code::Paos_Error_AL_Internal_Error, {Info::ECARDAPI_ERROR, QStringLiteral("a<b")}, GlobalStatus::Origin::Server));
			QCOMPARE(fromServer.getMinor(), Minor::AL_Internal_Error);
			QCOMPARE(fromServer.getMessage(), QStringLiteral("a&lt;b"));
			QCOMPARE(fromServer.getOrigin(), Origin::Server);
			QVERIFY(!fromServer.getFailureCode().has_value());

			const auto ok = ECardApiResult::fromGlobalStatus(GlobalStatus(Code::No_Error), FailureCode(Reason::Card_Removed));
			QVERIFY(ok.isOk());
			QVERIFY(!ok.getFailureCode().has_value());
		}


		void json_data()
		{
			QTest::addColumn<ECardApiResult>("result");
			QTest::addColumn<QByteArray>("json");

			QTest::newRow("ok") << ECardApiResult::createOk()
								<< QByteArray("{\"major\":\"http://www.bsi.bund.de/ecard/api/1.1/resultmajor#ok\"}");
			QTest::newRow("description only") << ECardApiResult(Major::Error, Minor::AL_Communication_Error)
											  << QByteArray("{\"description\":\"A Communication error occurred during processing.\",\"language\":\"en\",\"major\":\"http://www.bsi.bund.de/ecard/api/1.1/resultmajor#error\",\"minor\":\"http://www.bsi.bund.de/ecard/api/1.1/resultminor/al/common#communicationError\"}");
			QTest::newRow("no message, no description") << ECardApiResult(Major::Error, Minor::IFDL_UnknownSlot)
														<< QByteArray("{\"major\":\"http://www.bsi.bund.de/ecard/api/1.1/resultmajor#error\",\"minor\":\"http://www.bsi.bund.de/ecard/api/1.1/resultminor/ifdl/terminal#unknownSlot\"}");
			QTest::newRow("message only") << ECardApiResult(Major::Warning, Minor::IFDL_CancellationByUser, QStringLiteral("Stopped"))
										  << QByteArray("{\"language\":\"en\",\"major\":\"http://www.bsi.bund.de/ecard/api/1.1/resultmajor#warning\",\"message\":\"Stopped\",\"minor\":\"http://www.bsi.bund.de/ecard/api/1.1/resultminor/ifdl#cancellationByUser\"}");
			QTest::newRow("everything") << ECardApiResult(Major::Error, Minor::SAL_Cancellation_by_User, QStringLiteral("You have canceled the process."), Origin::Client, FailureCode(Reason::Change_Pin_User_Cancelled))
										<< QByteArray("{\"description\":\"The process has been cancelled.\",\"language\":\"en\",\"major\":\"http://www.bsi.bund.de/ecard/api/1.1/resultmajor#error\",\"message\":\"You have canceled the process.\",\"minor\":\"http://www.bsi.bund.de/ecard/api/1.1/resultminor/sal#cancellationByUser\",\"reason\":\"Change_Pin_User_Cancelled\"}");
			QTest::newRow("unknown major") << ECardApiResult(QString(), QString(), QString(), Origin::Server)
										   << QByteArray("{\"major\":\"\"}");
		}


		void json()
		{
			QFETCH(ECardApiResult, result);
			QFETCH(QByteArray, json);

			QCOMPARE(QJsonDocument(result.toJson()).toJson(QJsonDocument::Compact), json);
		}


		void toStatus_data()
		{
			QTest::addColumn<ECardApiResult>("result");
			QTest::addColumn<GlobalStatus>("status");

			const QString internal = QStringLiteral("An internal error has occurred during processing.");
			QTest::newRow("server error with own message")
				<< ECardApiResult(Major::Error, Minor::AL_Internal_Error, QStringLiteral("Database down"), Origin::Server)
				<< GlobalStatus(Code::Paos_Error_AL_Internal_Error, {{Info::ECARDAPI_ERROR, internal}, {Info::ECARDAPI_SERVERMESSAGE, QStringLiteral("Database down")}}, GlobalStatus::Origin::Server);
			QTest::newRow("client error with message")
				<< ECardApiResult(Major::Error, Minor::AL_Internal_Error, QStringLiteral("Database down"), Origin::Client)
				<< GlobalStatus(Code::Paos_Error_AL_Internal_Error, {Info::ECARDAPI_ERROR, QStringLiteral("Database down")}, GlobalStatus::Origin::Client);
			QTest::newRow("server message equals description")
				<< ECardApiResult(Major::Error, Minor::AL_Internal_Error, internal, Origin::Server)
				<< GlobalStatus(Code::Paos_Error_AL_Internal_Error, {Info::ECARDAPI_ERROR, internal}, GlobalStatus::Origin::Server);
			QTest::newRow("empty message")
				<< ECardApiResult(Major::Error, Minor::AL_Parameter_Error, QString(), Origin::Client)
				<< GlobalStatus(Code::Workflow_Certificate_No_Description, {{Info::ECARDAPI_ERROR, QStringLiteral("There was some problem with a provided or omitted parameter.")}, {Info::ECARDAPI_SERVERMESSAGE, QString()}}, GlobalStatus::Origin::Client);
			QTest::newRow("empty message and description")
				<< ECardApiResult(Major::Error, Minor::IFDL_UnknownSlot, QString(), Origin::Server)
				<< GlobalStatus(Code::Paos_Generic_Server_Error, {Info::ECARDAPI_ERROR, QString()}, GlobalStatus::Origin::Server);
			QTest::newRow("ok")
				<< ECardApiResult::createOk()
				<< GlobalStatus(Code::No_Error);
			QTest::newRow("ok with minor is an error")
				<< ECardApiResult(cMajorPrefix + QStringLiteral("ok"), cMinorPrefix + QStringLiteral("sal#invalidKey"), QStringLiteral("no"), Origin::Server)
				<< GlobalStatus(Code::Paos_Error_SAL_Invalid_Key, {{Info::ECARDAPI_ERROR, QStringLiteral("This action cannot be performed. The eID function of your ID card is not activated.")}, {Info::ECARDAPI_SERVERMESSAGE, QStringLiteral("no")}}, GlobalStatus::Origin::Server);
			QTest::newRow("warning")
				<< ECardApiResult(Major::Warning, Minor::AL_Session_Terminated_Warning, QStringLiteral("bye"), Origin::Server)
				<< GlobalStatus(Code::Paos_Unexpected_Warning, {{Info::ECARDAPI_ERROR, QStringLiteral("The active session has been terminated.")}, {Info::ECARDAPI_SERVERMESSAGE, QStringLiteral("bye")}}, GlobalStatus::Origin::Client);
			QTest::newRow("unknown")
				<< ECardApiResult(QStringLiteral("urn:nothing"), QString(), QString(), Origin::Server)
				<< GlobalStatus(Code::Unknown_Error, {Info::ECARDAPI_ERROR, QString()}, GlobalStatus::Origin::Client);
			QTest::newRow("cancellation")
				<< ECardApiResult(Major::Error, Minor::SAL_Cancellation_by_User, QString(), Origin::Server)
				<< GlobalStatus(Code::Paos_Error_SAL_Cancellation_by_User, {{Info::ECARDAPI_ERROR, QStringLiteral("The process has been cancelled.")}, {Info::ECARDAPI_SERVERMESSAGE, QString()}}, GlobalStatus::Origin::Server);
		}


		void toStatus()
		{
			QFETCH(ECardApiResult, result);
			QFETCH(GlobalStatus, status);

			const GlobalStatus converted = result.toStatus();
			QCOMPARE(converted.getStatusCode(), status.getStatusCode());
			QCOMPARE(converted.getOrigin(), status.getOrigin());
			QCOMPARE(converted.getExternalInfo(QStringLiteral(" # ")), status.getExternalInfo(QStringLiteral(" # ")));
			QVERIFY(converted == status);
		}


		void redirect_data()
		{
			QTest::addColumn<ECardApiResult>("result");
			QTest::addColumn<QString>("major");
			QTest::addColumn<QString>("minor");

			QTest::newRow("communication") << ECardApiResult(Major::Error, Minor::AL_Communication_Error, QString(), Origin::Server) << QStringLiteral("error") << QStringLiteral("communicationError");
			QTest::newRow("trusted channel") << ECardApiResult(Major::Error, Minor::DP_Trusted_Channel_Establishment_Failed) << QStringLiteral("error") << QStringLiteral("trustedChannelEstablishmentFailed");
			QTest::newRow("cancellation") << ECardApiResult(Major::Error, Minor::SAL_Cancellation_by_User, QString(), Origin::Server) << QStringLiteral("error") << QStringLiteral("cancellationByUser");
			QTest::newRow("dp communication is not al") << ECardApiResult(Major::Error, Minor::DP_Communication_Error) << QStringLiteral("error") << QStringLiteral("clientError");
			QTest::newRow("ifdl cancellation is not sal") << ECardApiResult(Major::Error, Minor::IFDL_CancellationByUser, QString(), Origin::Server) << QStringLiteral("error") << QStringLiteral("serverError");
			QTest::newRow("client") << ECardApiResult(Major::Error, Minor::AL_Internal_Error) << QStringLiteral("error") << QStringLiteral("clientError");
			QTest::newRow("server") << ECardApiResult(Major::Error, Minor::AL_Internal_Error, QString(), Origin::Server) << QStringLiteral("error") << QStringLiteral("serverError");
			QTest::newRow("warning") << ECardApiResult(Major::Warning, Minor::AL_Session_Terminated_Warning) << QStringLiteral("error") << QStringLiteral("clientError");
		}


		void redirect()
		{
			QFETCH(ECardApiResult, result);
			QFETCH(QString, major);
			QFETCH(QString, minor);

			QCOMPARE(result.getMajorForRedirect(), major);
			QCOMPARE(result.getMinorForRedirect(), minor);
		}


		void debugLine()
		{
			QString text;
			QDebug(&text) << ECardApiResult(Major::Error, Minor::SAL_Invalid_Key, QStringLiteral("Not active"));
			QCOMPARE(text.trimmed(), QStringLiteral("Result: http://www.bsi.bund.de/ecard/api/1.1/resultmajor#error | http://www.bsi.bund.de/ecard/api/1.1/resultminor/sal#invalidKey | Not active"));

			text.clear();
			QDebug(&text) << ECardApiResult(Major::Error, Minor::SAL_Invalid_Key, QStringLiteral("Not active"), Origin::Client, FailureCode(Reason::Connect_Card_Eid_Inactive));
			QCOMPARE(text.trimmed(), QStringLiteral("Result: http://www.bsi.bund.de/ecard/api/1.1/resultmajor#error | http://www.bsi.bund.de/ecard/api/1.1/resultminor/sal#invalidKey | Not active | Connect_Card_Eid_Inactive"));
		}


		void equality()
		{
			const ECardApiResult plain(Major::Error, Minor::AL_Internal_Error, QStringLiteral("x"));
			QVERIFY(plain == ECardApiResult(Major::Error, Minor::AL_Internal_Error, QStringLiteral("x")));
			QVERIFY(!(plain == ECardApiResult(Major::Error, Minor::AL_Internal_Error, QStringLiteral("y"))));
			QVERIFY(!(plain == ECardApiResult(Major::Error, Minor::AL_Internal_Error, QStringLiteral("x"), Origin::Server)));
			QVERIFY(!(plain == ECardApiResult(Major::Error, Minor::AL_Parameter_Error, QStringLiteral("x"))));

			const ECardApiResult withFailure(Major::Error, Minor::AL_Internal_Error, QStringLiteral("x"), Origin::Client, FailureCode(Reason::Card_Removed));
			QVERIFY(!(plain == withFailure));
			QVERIFY(withFailure == ECardApiResult(Major::Error, Minor::AL_Internal_Error, QStringLiteral("x"), Origin::Client, FailureCode(Reason::Card_Removed, {FailureCode::Info::State_Name, QStringLiteral("S")})));
			QVERIFY(!(withFailure == ECardApiResult(Major::Error, Minor::AL_Internal_Error, QStringLiteral("x"), Origin::Client, FailureCode(Reason::User_Cancelled))));
		}


};

KENDRAWELL_TEST_MAIN(test_ECardApiResult)
#include "test_ECardApiResult.moc"
