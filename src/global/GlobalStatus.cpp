#include "GlobalStatus.h"

#include "LanguageLoader.h"

#include <QMetaType>
#include <QStringList>

using namespace tessarovin;

namespace
{

void registerGlobalStatusMetaTypes()
{
	qRegisterMetaType<GlobalStatus>("GlobalStatus");
	qRegisterMetaType<GlobalStatus::Code>("GlobalStatus::Code");
}


} // namespace

Q_COREAPP_STARTUP_FUNCTION(registerGlobalStatusMetaTypes)


GlobalStatus::InternalStatus::InternalStatus(Code pCode, const ExternalInfoMap& pExternalInformation, Origin pOrigin)
	: QSharedData()
	, mCode(pCode)
	, mExternalInformation(pExternalInformation)
	, mOrigin(pOrigin)
{
}


bool GlobalStatus::InternalStatus::operator==(const InternalStatus& pOther) const
{
	return mCode == pOther.mCode
		   && mExternalInformation == pOther.mExternalInformation
		   && mOrigin == pOther.mOrigin;
}


GlobalStatus::GlobalStatus(Code pStatusCode, Origin pOrigin)
	: GlobalStatus(pStatusCode, ExternalInfoMap(), pOrigin)
{
}


GlobalStatus::GlobalStatus(Code pStatusCode, const QPair<ExternalInformation, QString>& pExternalInformation, Origin pOrigin)
	: GlobalStatus(pStatusCode, ExternalInfoMap({{pExternalInformation.first, pExternalInformation.second}}), pOrigin)
{
}


GlobalStatus::GlobalStatus(Code pStatusCode, const ExternalInfoMap& pExternalInformation, Origin pOrigin)
	: d(new InternalStatus(pStatusCode, pExternalInformation, pOrigin))
{
}


bool GlobalStatus::operator==(const GlobalStatus& pOther) const
{
	return d == pOther.d || *d == *pOther.d;
}


GlobalStatus::Code GlobalStatus::getStatusCode() const
{
	return d->mCode;
}


GlobalStatus::Origin GlobalStatus::getOrigin() const
{
	return d->mOrigin;
}


bool GlobalStatus::isOriginServer() const
{
	return d->mOrigin == Origin::Server;
}


bool GlobalStatus::isNoError() const
{
	return d->mCode == Code::No_Error;
}


bool GlobalStatus::isError() const
{
	return !isNoError();
}


bool GlobalStatus::isCancellationByUser() const
{
	switch (d->mCode)
	{
		case Code::Workflow_Cancellation_By_User:
		case Code::Paos_Error_SAL_Cancellation_by_User:
		case Code::Card_Cancellation_By_User:
			return true;

		default:
			return false;
	}
}


bool GlobalStatus::isMessageMasked() const
{
	// The details of a failed connection to the provider do not help the user, so the
	// simplified text hides them behind one generic message.
	switch (d->mCode)
	{
		case Code::Network_Ssl_Establishment_Error:
		case Code::Network_TimeOut:
		case Code::Network_Proxy_Error:
		case Code::Network_Other_Error:
		case Code::Workflow_Unknown_Paos_From_EidServer:
		case Code::Workflow_Start_Paos_Response_Missing:
		case Code::Workflow_Unexpected_Message_From_EidServer:
		case Code::Workflow_Preverification_Error:
		case Code::Workflow_No_Unique_AtCvc:
		case Code::Workflow_No_Unique_DvCvc:
		case Code::Workflow_Certificate_No_Description:
		case Code::Workflow_Certificate_No_Url_In_Description:
		case Code::Workflow_Certificate_Hash_Error:
		case Code::Workflow_Certificate_Sop_Error:
		case Code::Workflow_TrustedChannel_Establishment_Error:
		case Code::Workflow_TrustedChannel_Server_Error:
		case Code::Workflow_TrustedChannel_Client_Error:
		case Code::Workflow_TrustedChannel_No_Data_Received:
		case Code::Workflow_TrustedChannel_TimeOut:
		case Code::Workflow_TrustedChannel_Proxy_Error:
		case Code::Workflow_TrustedChannel_Server_Format_Error:
		case Code::Workflow_TrustedChannel_Other_Network_Error:
		case Code::Workflow_Network_Ssl_Connection_Unsupported_Algorithm_Or_Length:
		case Code::Workflow_Network_Empty_Redirect_Url:
		case Code::Workflow_Network_Expected_Redirect:
		case Code::Workflow_Network_Invalid_Scheme:
		case Code::Workflow_Network_Malformed_Redirect_Url:
		case Code::Workflow_Wrong_Parameter_Invocation:
		case Code::Paos_Unexpected_Warning:
		case Code::Paos_Error_AL_Unknown_Error:
		case Code::Paos_Error_AL_Internal_Error:
		case Code::Paos_Error_AL_Communication_Error:
		case Code::Paos_Error_DP_Trusted_Channel_Establishment_Failed:
		case Code::Paos_Error_SAL_Cancellation_by_User:
		case Code::Paos_Error_SAL_Invalid_Key:
			return true;

		default:
			return false;
	}
}


QString GlobalStatus::getExternalInfo(ExternalInformation pType) const
{
	return d->mExternalInformation.value(pType);
}


QString GlobalStatus::getExternalInfo(const QString& pSeparator) const
{
	// The texts may come from a server and are shown as rich text.
	const auto& information = d->mExternalInformation;
	if (information.size() == 1)
	{
		return information.first().toHtmlEscaped();
	}

	QStringList pieces;
	for (auto entry = information.cbegin(); entry != information.cend(); ++entry)
	{
		pieces << QStringLiteral("%1: %2").arg(Enum<ExternalInformation>::getName(entry.key()), entry.value().toHtmlEscaped());
	}
	return pieces.join(pSeparator);
}


QString GlobalStatus::getSupportLink() const
{
	const QString languageCode = LanguageLoader::getLocaleCode(LanguageLoader::getInstance().getUsedLocale());
	const QString url = QStringLiteral("https://www.tessarovin.example/%1/rk2/support").arg(languageCode);
	const QString text = tr("%1 Support").arg(QCoreApplication::applicationName());
	return QStringLiteral("<a href=\"%1\">%2</a>").arg(url, text);
}


QString GlobalStatus::toErrorDescription(bool pSimplifiedVersion) const
{
	if (pSimplifiedVersion && isMessageMasked())
	{
		return tr("A secure connection to the provider could not be established. Check the network connection and try again later.");
	}

	return toErrorDescriptionInternal();
}


QString GlobalStatus::toErrorDescriptionInternal() const
{
	switch (d->mCode)
	{
		case Code::Unknown_Error:
			return tr("An unexpected error has occurred during processing.");

		case Code::No_Error:
			return tr("No error occurred.");

		case Code::Network_ServiceUnavailable:
			return tr("The service is temporarily not available. Please try again later.");

		case Code::Network_ServerError:
			return tr("The service encountered an internal error while processing a request.");

		case Code::Network_ClientError:
			return tr("The service reported an error while processing a client request.");

		case Code::Network_Ssl_Establishment_Error:
			return tr("It wasn't possible to connect to the server: a secure connection could not be established.");

		case Code::Network_TimeOut:
			return tr("Establishing a connection is taking too long.");

		case Code::Network_Proxy_Error:
			return tr("Establishing a connection via the proxy did not succeed.");

		case Code::Network_Other_Error:
			return tr("An unknown network error occurred. Check your network connection and try to restart the app.");

		case Code::Downloader_File_Not_Found:
			return tr("File not found.");

		case Code::Downloader_Cannot_Save_File:
			return tr("Cannot save file.");

		case Code::Downloader_Data_Corrupted:
			return tr("Received data were corrupted.");

		case Code::Downloader_Missing_Platform:
			return tr("Received data does not contain data for the current platform.");

		case Code::Downloader_Aborted:
			return tr("Download aborted.");

		case Code::Update_Execution_Failed:
			return tr("A new process to start the update could not be launched.");

		case Code::Workflow_AlreadyInProgress_Error:
			return tr("Cannot start authentication. An operation is already active.");

		case Code::Workflow_Communication_Missing_Redirect_Url:
			return QString();

		case Code::Workflow_InternalError_BeforeTcToken:
			return tr("The process has been aborted because of an internal error.");

		case Code::Workflow_Cancellation_By_User:
			return tr("You have canceled the process.");

		case Code::Workflow_Card_Removed:
			return tr("Restart the authentication process and make sure that the position of the ID card does not change during the reading process.");

		case Code::Workflow_Cannot_Confirm_IdCard_Authenticity:
			return tr("The authenticity of your ID card could not be confirmed.");

		case Code::Workflow_Unknown_Paos_From_EidServer:
			return tr("The program received an unknown message from the server.");

		case Code::Workflow_Start_Paos_Response_Missing:
			return tr("The program did not receive a StartPaosResponse message from the server.");

		case Code::Workflow_Unexpected_Message_From_EidServer:
			return tr("The program received an unexpected message from the server.");

		case Code::Workflow_Preverification_Developermode_Error:
			return tr("Using the developer mode is only allowed in a test environment.");

		case Code::Workflow_Preverification_Error:
			return tr("Pre-verification failed.");

		case Code::Workflow_No_Unique_AtCvc:
			return tr("No unique AT CVC");

		case Code::Workflow_No_Unique_DvCvc:
			return tr("No unique DV CVC");

		case Code::Workflow_No_Permission_Error:
			return tr("Authentication failed.");

		case Code::Workflow_Wrong_Length_Error:
			return tr("The length of the data sent to the ID card was not accepted. Either the data is faulty or your card reader does not support Extended Length communication and cannot be used to read the ID card. Unfortunately, the %1 has no influence on this restriction.").arg(QCoreApplication::applicationName());

		case Code::Workflow_Certificate_No_Description:
			return tr("No certificate description available.");

		case Code::Workflow_Certificate_No_Url_In_Description:
			return tr("No subject url available in certificate description.");

		case Code::Workflow_Certificate_Hash_Error:
			return tr("The certificate description does not match the certificate.");

		case Code::Workflow_Certificate_Sop_Error:
			return tr("The subject URL in the certificate description and the TCToken URL do not satisfy the same origin policy.");

		case Code::Workflow_Browser_Transmission_Error:
			return getExternalInfo(QStringLiteral("; "));

		case Code::Workflow_TrustedChannel_Establishment_Error:
			return tr("It wasn't possible to connect to the server: a secure connection could not be established.");

		case Code::Workflow_TrustedChannel_Server_Error:
			return tr("The program received an error from the server.");

		case Code::Workflow_TrustedChannel_Client_Error:
			return tr("The server could not process the client request.");

		case Code::Workflow_TrustedChannel_Hash_Not_In_Description:
			return tr("Hash of TLS certificate not in certificate description (issuer: %1). This indicates a misconfiguration or manipulation of the certificate. Please check that your antivirus software and firewall are not interfering with TLS traffic.").arg(getExternalInfo(ExternalInformation::CERTIFICATE_ISSUER_NAME).toHtmlEscaped());

		case Code::Workflow_TrustedChannel_No_Data_Received:
			return tr("The TCToken contained no data.");

		case Code::Workflow_TrustedChannel_Ssl_Connection_Unsupported_Algorithm_Or_Length:
			return tr("Error while connecting to the provider. The TLS connection uses an unsupported key algorithm or length.");

		case Code::Workflow_TrustedChannel_Ssl_Certificate_Unsupported_Algorithm_Or_Length:
			return tr("Error while connecting to the server. The TLS certificate uses an unsupported key algorithm or length. Certificate issuer: %1").arg(getExternalInfo(ExternalInformation::CERTIFICATE_ISSUER_NAME).toHtmlEscaped());

		case Code::Workflow_TrustedChannel_ServiceUnavailable:
			return tr("The service is temporarily not available. Please try again later.");

		case Code::Workflow_TrustedChannel_TimeOut:
			return tr("Establishing a connection is taking too long.");

		case Code::Workflow_TrustedChannel_Proxy_Error:
			return tr("Establishing a connection via the proxy did not succeed.");

		case Code::Workflow_TrustedChannel_Server_Format_Error:
			return tr("It wasn't possible to connect to the server: the server sent a non-standard response.");

		case Code::Workflow_TrustedChannel_Other_Network_Error:
			return tr("An unknown network error occurred. Check your network connection and try to restart the app.");

		case Code::Workflow_Reader_Became_Inaccessible:
			return tr("The selected card reader cannot be accessed anymore.");

		case Code::Workflow_Server_Incomplete_Information_Provided:
			return tr("The server provided no or incomplete information. Your personal data could not be read out.");

		case Code::Workflow_Network_Ssl_Connection_Unsupported_Algorithm_Or_Length:
			return tr("Error while connecting to the provider. The TLS connection uses an unsupported key algorithm or length.");

		case Code::Workflow_Network_Ssl_Certificate_Unsupported_Algorithm_Or_Length:
			return tr("Error while connecting to the server. The TLS certificate uses an unsupported key algorithm or length. Certificate issuer: %1").arg(getExternalInfo(ExternalInformation::CERTIFICATE_ISSUER_NAME).toHtmlEscaped());

		case Code::Workflow_Network_Ssl_Hash_Not_In_Certificate_Description:
			return tr("Hash of TLS certificate not in certificate description (issuer: %1). This indicates a misconfiguration or manipulation of the certificate. Please check that your antivirus software and firewall are not interfering with TLS traffic.").arg(getExternalInfo(ExternalInformation::CERTIFICATE_ISSUER_NAME).toHtmlEscaped());

		case Code::Workflow_Network_Empty_Redirect_Url:
			return tr("Empty redirect URL");

		case Code::Workflow_Network_Expected_Redirect:
			return tr("Expected redirect, got %1").arg(getExternalInfo(ExternalInformation::HTTP_STATUS_CODE).toHtmlEscaped());

		case Code::Workflow_Network_Invalid_Scheme:
			return tr("Invalid scheme: %1").arg(getExternalInfo(ExternalInformation::URL_SCHEME).toHtmlEscaped());

		case Code::Workflow_Network_Malformed_Redirect_Url:
			return tr("Malformed redirect URL: %1").arg(getExternalInfo(ExternalInformation::REDIRECT_URL).toHtmlEscaped());

		case Code::Workflow_Wrong_Parameter_Invocation:
			return tr("Application was invoked with wrong parameters.");

		case Code::Paos_Unexpected_Warning:
		case Code::Paos_Generic_Server_Error:
		case Code::Paos_Error_AL_Unknown_Error:
		case Code::Paos_Error_AL_Internal_Error:
		case Code::Paos_Error_AL_Communication_Error:
		case Code::Paos_Error_DP_Trusted_Channel_Establishment_Failed:
		case Code::Paos_Error_SAL_Cancellation_by_User:
		case Code::Paos_Error_SAL_Invalid_Key:
			return getExternalInfo(QStringLiteral("; "));

		case Code::Card_Not_Found:
			return tr("Card does not exist");

		case Code::Card_Communication_Error:
			return tr("An error occurred while communicating with the ID card. Please make sure that your ID card is placed correctly on the card reader and try again.");

		case Code::Card_Protocol_Error:
		case Code::Card_Unexpected_Transmit_Status:
			return tr("A protocol error occurred. Please make sure that your ID card is placed correctly on the card reader and try again. If the problem occurs again, please contact our support at %1.").arg(getSupportLink());

		case Code::Card_Cancellation_By_User:
			return tr("The process has been cancelled by the card reader.");

		case Code::Card_Input_TimeOut:
			return tr("The maximum time was exceeded during input process.");

		case Code::Card_Pin_Deactivated:
			return tr("The eID function of your ID card is not yet activated.");

		case Code::Card_Pin_Not_Blocked:
			return tr("The PIN is not blocked.");

		case Code::Card_Puk_Blocked:
			return tr("The entered PUK has already been used 10 times and can no longer be used to unblock the PIN.");

		case Code::Card_NewPin_Mismatch:
			return tr("The new PIN and the confirmation do not match.");

		case Code::Card_NewPin_Invalid_Length:
			return tr("The length of the new PIN is not valid.");

		case Code::Card_ValidityVerificationFailed:
			return tr("The validity verification of the card failed.");

		case Code::RemoteReader_CloseCode_AbnormalClose:
			return tr("The smartphone as card reader (SaC) connection was aborted.");

		case Code::IfdConnector_InvalidRequest:
			return tr("Smartphone as card reader (SaC) connection request was invalid.");

		case Code::IfdConnector_NoSupportedApiLevel:
			return tr("Your smartphone as card reader (SaC) version is incompatible with the local version. Please install the latest %1 version on both your smartphone and your computer.").arg(QCoreApplication::applicationName());

		case Code::IfdConnector_ConnectionError:
			return tr("An error occurred while trying to establish a connection to the smartphone as card reader (SaC).");

		case Code::IfdConnector_RemoteHostRefusedConnection:
			return tr("The smartphone to be paired has rejected the connection. Please check the pairing code.");
	}

	return QString();
}


QDebug tessarovin::operator<<(QDebug pDbg, const GlobalStatus& pStatus)
{
	const QDebugStateSaver saver(pDbg);
	pDbg.noquote() << pStatus.getStatusCode() << "|" << pStatus.toErrorDescription();
	return pDbg;
}
