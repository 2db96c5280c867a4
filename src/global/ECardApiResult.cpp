#include "ECardApiResult.h"

#include "LanguageLoader.h"

#include <QMap>

using namespace tessarovin;

namespace
{

using Major = ECardApiResult::Major;
using Minor = ECardApiResult::Minor;
using Code = GlobalStatus::Code;

// The namespaces of eCard-API 1.1 (TR-03112), 49 characters each.
const QLatin1String cMajorPrefix("http://www.bsi.bund.de/ecard/api/1.1/resultmajor#");
const QLatin1String cMinorPrefix("http://www.bsi.bund.de/ecard/api/1.1/resultminor/");


const QMap<Major, QString>& majorSuffixes()
{
	static const QMap<Major, QString> suffixes = {
		{Major::Ok, QStringLiteral("ok")},
		{Major::Warning, QStringLiteral("warning")},
		{Major::Error, QStringLiteral("error")}
	};
	return suffixes;
}


const QMap<Minor, QString>& minorSuffixes()
{
	static const QMap<Minor, QString> suffixes = {
			{Minor::AL_Unknown_Error, QStringLiteral("al/common#unknownError")},
			{Minor::AL_No_Permission, QStringLiteral("al/common#noPermission")},
			{Minor::AL_Internal_Error, QStringLiteral("al/common#internalError")},
			{Minor::AL_Parameter_Error, QStringLiteral("al/common#parameterError")},
			{Minor::AL_Unknown_API_Function, QStringLiteral("al/common#unknownAPIFunction")},
			{Minor::AL_Not_Initialized, QStringLiteral("al/common#notInitialized")},
			{Minor::AL_Warning_Connection_Disconnected, QStringLiteral("al/common#warningConnectionDisconnected")},
			{Minor::AL_Session_Terminated_Warning, QStringLiteral("al/common#SessionTerminatedWarning")},
			{Minor::AL_Communication_Error, QStringLiteral("al/common#communicationError")},
			{Minor::DP_Timeout_Error, QStringLiteral("dp#timeout")},
			{Minor::DP_Unknown_Channel_Handle, QStringLiteral("dp#unknownChannelHandle")},
			{Minor::DP_Communication_Error, QStringLiteral("dp#communicationError")},
			{Minor::DP_Trusted_Channel_Establishment_Failed, QStringLiteral("dp#trustedChannelEstablishmentFailed")},
			{Minor::DP_Unknown_Protocol, QStringLiteral("dp#unknownProtocol")},
			{Minor::DP_Unknown_Cipher_Suite, QStringLiteral("dp#unknownCipherSuite")},
			{Minor::DP_Unknown_Webservice_Binding, QStringLiteral("dp#unknownWebserviceBinding")},
			{Minor::DP_Node_Not_Reachable, QStringLiteral("dp#nodeNotReachable")},
			{Minor::IFDL_Timeout_Error, QStringLiteral("ifdl/common#timeoutError")},
			{Minor::IFDL_UnknownSlot, QStringLiteral("ifdl/terminal#unknownSlot")},
			{Minor::IFDL_InvalidSlotHandle, QStringLiteral("ifdl/common#invalidSlotHandle")},
			{Minor::IFDL_CancellationByUser, QStringLiteral("ifdl#cancellationByUser")},
			{Minor::IFDL_IFD_SharingViolation, QStringLiteral("ifdl/terminal#IFDSharingViolation")},
			{Minor::IFDL_Terminal_NoCard, QStringLiteral("ifdl/terminal#noCard")},
			{Minor::IFDL_IO_RepeatedDataMismatch, QStringLiteral("ifdl/IO#repeatedDataMismatch")},
			{Minor::IFDL_IO_UnknownPINFormat, QStringLiteral("ifdl/IO#unknownPINFormat")},
			{Minor::IL_Signature_InvalidCertificatePath, QStringLiteral("il/signature#invalidCertificatePath")},
			{Minor::KEY_KeyGenerationNotPossible, QStringLiteral("il/key#keyGenerationNotPossible")},
			{Minor::SAL_Cancellation_by_User, QStringLiteral("sal#cancellationByUser")},
			{Minor::SAL_Invalid_Key, QStringLiteral("sal#invalidKey")},
			{Minor::SAL_SecurityConditionNotSatisfied, QStringLiteral("sal#securityConditionNotSatisfied")},
			{Minor::SAL_MEAC_AgeVerificationFailedWarning, QStringLiteral("sal/mEAC#AgeVerificationFailedWarning")},
			{Minor::SAL_MEAC_CommunityVerificationFailedWarning, QStringLiteral("sal/mEAC#CommunityVerificationFailedWarning")},
			{Minor::SAL_MEAC_DocumentValidityVerificationFailed, QStringLiteral("sal/mEAC#DocumentValidityVerificationFailed")}
	};
	return suffixes;
}


struct ConversionMaps
{
	QMap<Code, Minor> mStatusToMinor;
	QMap<Minor, Code> mMinorToStatus;
};


// Several codes share a minor and several minors come back as one code: the first pair of
// each key wins. Built on first use; the function-local static lets two threads ask at once.
const ConversionMaps& conversionMaps()
{
	static const ConversionMaps maps = [] {
				const std::initializer_list<std::pair<Code, Minor>> pairs = {
					{Code::No_Error, Minor::null},
					{Code::Paos_Error_AL_Unknown_Error, Minor::AL_Unknown_Error},
					{Code::Paos_Unexpected_Warning, Minor::AL_Unknown_Error},
					{Code::Unknown_Error, Minor::AL_Unknown_Error},
					{Code::Card_Unexpected_Transmit_Status, Minor::AL_Unknown_Error},
					{Code::Card_NewPin_Invalid_Length, Minor::AL_Unknown_Error},
					{Code::Workflow_AlreadyInProgress_Error, Minor::AL_Unknown_Error},
					{Code::Workflow_Wrong_Length_Error, Minor::AL_Unknown_Error},
					{Code::Card_Not_Found, Minor::AL_Unknown_Error},
					{Code::Card_Communication_Error, Minor::AL_Unknown_Error},
					{Code::Card_Input_TimeOut, Minor::AL_Unknown_Error},
					{Code::Card_Pin_Not_Blocked, Minor::AL_Unknown_Error},
					{Code::Card_NewPin_Mismatch, Minor::AL_Unknown_Error},
					{Code::Card_ValidityVerificationFailed, Minor::SAL_MEAC_DocumentValidityVerificationFailed},
					{Code::RemoteReader_CloseCode_AbnormalClose, Minor::AL_Unknown_Error},
					{Code::IfdConnector_InvalidRequest, Minor::AL_Unknown_Error},
					{Code::IfdConnector_NoSupportedApiLevel, Minor::AL_Unknown_Error},
					{Code::IfdConnector_ConnectionError, Minor::AL_Unknown_Error},
					{Code::IfdConnector_RemoteHostRefusedConnection, Minor::AL_Unknown_Error},
					{Code::Downloader_File_Not_Found, Minor::AL_Unknown_Error},
					{Code::Downloader_Cannot_Save_File, Minor::AL_Unknown_Error},
					{Code::Downloader_Data_Corrupted, Minor::AL_Unknown_Error},
					{Code::Downloader_Missing_Platform, Minor::AL_Unknown_Error},
					{Code::Downloader_Aborted, Minor::AL_Unknown_Error},
					{Code::Update_Execution_Failed, Minor::AL_Unknown_Error},
					{Code::Workflow_No_Permission_Error, Minor::AL_No_Permission},
					{Code::Card_Pin_Deactivated, Minor::AL_No_Permission},
					{Code::Card_Puk_Blocked, Minor::AL_No_Permission},
					{Code::Paos_Error_AL_Internal_Error, Minor::AL_Internal_Error},
					{Code::Workflow_Cannot_Confirm_IdCard_Authenticity, Minor::AL_Internal_Error},
					{Code::Workflow_Unknown_Paos_From_EidServer, Minor::AL_Internal_Error},
					{Code::Workflow_Start_Paos_Response_Missing, Minor::AL_Internal_Error},
					{Code::Workflow_Unexpected_Message_From_EidServer, Minor::AL_Internal_Error},
					{Code::Card_Protocol_Error, Minor::AL_Internal_Error},
					{Code::Workflow_Certificate_No_Description, Minor::AL_Parameter_Error},
					{Code::Workflow_Certificate_No_Url_In_Description, Minor::AL_Parameter_Error},
					{Code::Workflow_Certificate_Hash_Error, Minor::AL_Parameter_Error},
					{Code::Workflow_Certificate_Sop_Error, Minor::AL_Parameter_Error},
					{Code::Paos_Error_AL_Communication_Error, Minor::AL_Communication_Error},
					{Code::Workflow_Communication_Missing_Redirect_Url, Minor::AL_Communication_Error},
					{Code::Workflow_Browser_Transmission_Error, Minor::AL_Communication_Error},
					{Code::Workflow_Reader_Became_Inaccessible, Minor::AL_Communication_Error},
					{Code::Workflow_Server_Incomplete_Information_Provided, Minor::AL_Communication_Error},
					{Code::Network_Ssl_Establishment_Error, Minor::AL_Communication_Error},
					{Code::Workflow_Network_Ssl_Connection_Unsupported_Algorithm_Or_Length, Minor::AL_Communication_Error},
					{Code::Workflow_Network_Ssl_Certificate_Unsupported_Algorithm_Or_Length, Minor::AL_Communication_Error},
					{Code::Workflow_Network_Ssl_Hash_Not_In_Certificate_Description, Minor::AL_Communication_Error},
					{Code::Workflow_Network_Empty_Redirect_Url, Minor::AL_Communication_Error},
					{Code::Workflow_Network_Expected_Redirect, Minor::AL_Communication_Error},
					{Code::Workflow_Network_Invalid_Scheme, Minor::AL_Communication_Error},
					{Code::Workflow_Network_Malformed_Redirect_Url, Minor::AL_Communication_Error},
					{Code::Network_ServiceUnavailable, Minor::AL_Communication_Error},
					{Code::Network_ServerError, Minor::AL_Communication_Error},
					{Code::Network_ClientError, Minor::AL_Communication_Error},
					{Code::Network_TimeOut, Minor::AL_Communication_Error},
					{Code::Network_Proxy_Error, Minor::AL_Communication_Error},
					{Code::Network_Other_Error, Minor::AL_Communication_Error},
					{Code::Workflow_Wrong_Parameter_Invocation, Minor::AL_Communication_Error},
					{Code::Paos_Error_DP_Trusted_Channel_Establishment_Failed, Minor::DP_Trusted_Channel_Establishment_Failed},
					{Code::Workflow_TrustedChannel_Establishment_Error, Minor::DP_Trusted_Channel_Establishment_Failed},
					{Code::Workflow_TrustedChannel_Server_Error, Minor::DP_Trusted_Channel_Establishment_Failed},
					{Code::Workflow_TrustedChannel_Client_Error, Minor::DP_Trusted_Channel_Establishment_Failed},
					{Code::Workflow_TrustedChannel_Hash_Not_In_Description, Minor::DP_Trusted_Channel_Establishment_Failed},
					{Code::Workflow_TrustedChannel_No_Data_Received, Minor::DP_Trusted_Channel_Establishment_Failed},
					{Code::Workflow_TrustedChannel_Ssl_Connection_Unsupported_Algorithm_Or_Length, Minor::DP_Trusted_Channel_Establishment_Failed},
					{Code::Workflow_TrustedChannel_Ssl_Certificate_Unsupported_Algorithm_Or_Length, Minor::DP_Trusted_Channel_Establishment_Failed},
					{Code::Workflow_TrustedChannel_ServiceUnavailable, Minor::DP_Trusted_Channel_Establishment_Failed},
					{Code::Workflow_TrustedChannel_TimeOut, Minor::DP_Trusted_Channel_Establishment_Failed},
					{Code::Workflow_TrustedChannel_Proxy_Error, Minor::DP_Trusted_Channel_Establishment_Failed},
					{Code::Workflow_TrustedChannel_Server_Format_Error, Minor::DP_Trusted_Channel_Establishment_Failed},
					{Code::Workflow_TrustedChannel_Other_Network_Error, Minor::DP_Trusted_Channel_Establishment_Failed},
					{Code::Workflow_No_Unique_DvCvc, Minor::IL_Signature_InvalidCertificatePath},
					{Code::Workflow_No_Unique_AtCvc, Minor::IL_Signature_InvalidCertificatePath},
					{Code::Workflow_Preverification_Error, Minor::IL_Signature_InvalidCertificatePath},
					{Code::Workflow_Preverification_Developermode_Error, Minor::IL_Signature_InvalidCertificatePath},
					{Code::Paos_Error_SAL_Cancellation_by_User, Minor::SAL_Cancellation_by_User},
					{Code::Workflow_InternalError_BeforeTcToken, Minor::SAL_Cancellation_by_User},
					{Code::Workflow_Cancellation_By_User, Minor::SAL_Cancellation_by_User},
					{Code::Card_Cancellation_By_User, Minor::SAL_Cancellation_by_User},
					{Code::Workflow_Card_Removed, Minor::SAL_Cancellation_by_User},
					{Code::Paos_Error_SAL_Invalid_Key, Minor::SAL_Invalid_Key},
					{Code::Paos_Generic_Server_Error, Minor::AL_Unknown_API_Function},
					{Code::Paos_Generic_Server_Error, Minor::AL_Not_Initialized},
					{Code::Paos_Generic_Server_Error, Minor::AL_Warning_Connection_Disconnected},
					{Code::Paos_Generic_Server_Error, Minor::AL_Session_Terminated_Warning},
					{Code::Paos_Generic_Server_Error, Minor::DP_Timeout_Error},
					{Code::Paos_Generic_Server_Error, Minor::DP_Unknown_Channel_Handle},
					{Code::Paos_Generic_Server_Error, Minor::DP_Communication_Error},
					{Code::Paos_Generic_Server_Error, Minor::DP_Unknown_Protocol},
					{Code::Paos_Generic_Server_Error, Minor::DP_Unknown_Cipher_Suite},
					{Code::Paos_Generic_Server_Error, Minor::DP_Unknown_Webservice_Binding},
					{Code::Paos_Generic_Server_Error, Minor::DP_Node_Not_Reachable},
					{Code::Paos_Generic_Server_Error, Minor::IFDL_Timeout_Error},
					{Code::Paos_Generic_Server_Error, Minor::IFDL_UnknownSlot},
					{Code::Paos_Generic_Server_Error, Minor::IFDL_InvalidSlotHandle},
					{Code::Paos_Generic_Server_Error, Minor::IFDL_CancellationByUser},
					{Code::Paos_Generic_Server_Error, Minor::IFDL_IFD_SharingViolation},
					{Code::Paos_Generic_Server_Error, Minor::IFDL_Terminal_NoCard},
					{Code::Paos_Generic_Server_Error, Minor::IFDL_IO_RepeatedDataMismatch},
					{Code::Paos_Generic_Server_Error, Minor::IFDL_IO_UnknownPINFormat},
					{Code::Paos_Generic_Server_Error, Minor::KEY_KeyGenerationNotPossible},
					{Code::Paos_Generic_Server_Error, Minor::SAL_SecurityConditionNotSatisfied},
					{Code::Paos_Generic_Server_Error, Minor::SAL_MEAC_AgeVerificationFailedWarning},
					{Code::Paos_Generic_Server_Error, Minor::SAL_MEAC_CommunityVerificationFailedWarning}
				};

				ConversionMaps result;
				for (const auto& [code, minor] : pairs)
				{
					if (!result.mStatusToMinor.contains(code))
					{
						result.mStatusToMinor.insert(code, minor);
					}
					if (!result.mMinorToStatus.contains(minor))
					{
						result.mMinorToStatus.insert(minor, code);
					}
				}
				return result;
			}();
	return maps;
}


template<typename T>
T parseUri(const QString& pUri, QLatin1String pPrefix, const QMap<T, QString>& pSuffixes, T pFallback, const char* pLabel)
{
	if (pUri.startsWith(pPrefix))
	{
		const auto suffix = QStringView(pUri).mid(pPrefix.size());
		for (auto entry = pSuffixes.cbegin(); entry != pSuffixes.cend(); ++entry)
		{
			if (entry.value() == suffix)
			{
				return entry.key();
			}
		}
	}

	if (!pUri.isEmpty())
	{
		qWarning() << pLabel << pUri;
	}
	return pFallback;
}


} // namespace


ECardApiResult::ResultData::ResultData(Major pMajor, Minor pMinor, const QString& pMessage, Origin pOrigin, const std::optional<FailureCode>& pFailureCode)
	: QSharedData()
	, mMajor(pMajor)
	, mMinor(pMinor)
	, mMessage(pMessage)
	, mLanguage(LanguageLoader::getLocaleCode(LanguageLoader::getInstance().getUsedLocale()))
	, mOrigin(pOrigin)
	, mFailureCode(pFailureCode)
{
}


ECardApiResult::ECardApiResult(Major pMajor, Minor pMinor, const QString& pMessage, Origin pOrigin, const std::optional<FailureCode>& pFailureCode)
	: d()
{
	if (isValidCombination(pMajor, pMinor))
	{
		d = new ResultData(pMajor, pMinor, pMessage, pOrigin, pFailureCode);
		return;
	}

	qCritical().noquote() << "Invalid combination of Major(" << Enum<Major>::getName(pMajor) << ") and Minor (" << Enum<Minor>::getName(pMinor) << ") supplied.";
	d = new ResultData(Major::Error, Minor::AL_Internal_Error, pMessage, pOrigin, std::nullopt);
}


ECardApiResult::ECardApiResult(const QString& pMajor, const QString& pMinor, const QString& pMessage, Origin pOrigin)
	: d(new ResultData(parseMajor(pMajor), parseMinor(pMinor), pMessage, pOrigin, std::nullopt))
{
}


bool ECardApiResult::isValidCombination(Major pMajor, Minor pMinor)
{
	if (pMajor == Major::Ok)
	{
		return pMinor == Minor::null;
	}
	return pMinor != Minor::null;
}


ECardApiResult ECardApiResult::createOk()
{
	return ECardApiResult(Major::Ok);
}


ECardApiResult ECardApiResult::fromGlobalStatus(const GlobalStatus& pStatus, const std::optional<FailureCode>& pFailureCode)
{
	if (pStatus.isNoError())
	{
		return createOk();
	}

	const auto origin = pStatus.isOriginServer() ? Origin::Server : Origin::Client;
	return ECardApiResult(Major::Error, fromStatus(pStatus.getStatusCode()), pStatus.toErrorDescription(), origin, pFailureCode);
}


ECardApiResult::Minor ECardApiResult::fromStatus(GlobalStatus::Code pStatusCode)
{
	const auto& map = conversionMaps().mStatusToMinor;
	if (const auto entry = map.constFind(pStatusCode); entry != map.cend())
	{
		return entry.value();
	}

	qCritical() << "Critical conversion mismatch for" << pStatusCode;
	return Minor::AL_Unknown_Error;
}


GlobalStatus::Code ECardApiResult::toStatus(Minor pMinor)
{
	// A missing minor is not "no error": the server sent a result without telling what it was.
	if (pMinor == Minor::null)
	{
		return Code::Paos_Error_AL_Unknown_Error;
	}

	const auto& map = conversionMaps().mMinorToStatus;
	if (const auto entry = map.constFind(pMinor); entry != map.cend())
	{
		return entry.value();
	}

	qCritical().noquote() << "Critical conversion mismatch for" << Enum<Minor>::getName(pMinor);
	return Code::Unknown_Error;
}


ECardApiResult::Major ECardApiResult::parseMajor(const QString& pMajor)
{
	return parseUri(pMajor, cMajorPrefix, majorSuffixes(), Major::Unknown, "Unknown ResultMajor:");
}


ECardApiResult::Minor ECardApiResult::parseMinor(const QString& pMinor)
{
	return parseUri(pMinor, cMinorPrefix, minorSuffixes(), Minor::null, "Unknown ResultMinor:");
}


QString ECardApiResult::getMajorString(Major pMajor)
{
	const auto& suffixes = majorSuffixes();
	if (const auto entry = suffixes.constFind(pMajor); entry != suffixes.cend())
	{
		return cMajorPrefix + entry.value();
	}
	return QString();
}


QString ECardApiResult::getMinorString(Minor pMinor)
{
	const auto& suffixes = minorSuffixes();
	if (const auto entry = suffixes.constFind(pMinor); entry != suffixes.cend())
	{
		return cMinorPrefix + entry.value();
	}
	return QString();
}


QString ECardApiResult::getMinorDescription(Minor pMinor)
{
	switch (pMinor)
	{
		case Minor::AL_Unknown_Error:
			return tr("An unexpected error has occurred during processing.");

		case Minor::AL_No_Permission:
			return tr("Use of the function by the client application is not permitted.");

		case Minor::AL_Internal_Error:
			return tr("An internal error has occurred during processing.");

		case Minor::AL_Parameter_Error:
			return tr("There was some problem with a provided or omitted parameter.");

		case Minor::AL_Unknown_API_Function:
			return tr("The API function is unknown.");

		case Minor::AL_Not_Initialized:
			return tr("The framework or layer has not been initialized.");

		case Minor::AL_Warning_Connection_Disconnected:
			return tr("The active session has been terminated.");

		case Minor::AL_Session_Terminated_Warning:
			return tr("The active session has been terminated.");

		case Minor::AL_Communication_Error:
			return tr("A Communication error occurred during processing.");

		case Minor::DP_Timeout_Error:
			return tr("The operation was terminated as the set time was exceeded.");

		case Minor::DP_Unknown_Channel_Handle:
			return tr("The operation was aborted as an invalid channel handle was used.");

		case Minor::DP_Communication_Error:
			return tr("A Communication error occurred during processing.");

		case Minor::DP_Trusted_Channel_Establishment_Failed:
			return tr("A trusted channel could not be opened.");

		case Minor::DP_Unknown_Protocol:
			return tr("The operation was aborted as an unknown protocol was used.");

		case Minor::DP_Unknown_Cipher_Suite:
			return tr("The operation was aborted as an unknown cipher suite was used.");

		case Minor::DP_Unknown_Webservice_Binding:
			return tr("The operation was aborted as an unknown web service binding was used.");

		case Minor::DP_Node_Not_Reachable:
			return tr("A Communication error occurred during processing.");

		case Minor::IFDL_Timeout_Error:
			return tr("The operation was terminated as the set time was exceeded.");

		case Minor::IFDL_Terminal_NoCard:
			return tr("The card is missing or was removed.");

		case Minor::IFDL_IO_RepeatedDataMismatch:
			return tr("The new PIN and the confirmation do not match.");

		case Minor::IFDL_IO_UnknownPINFormat:
			return tr("The format of the PIN is wrong.");

		case Minor::IL_Signature_InvalidCertificatePath:
			return tr("One or more certificate checks failed. The operation will be aborted due to security reasons.");

		case Minor::KEY_KeyGenerationNotPossible:
			return tr("Signature certificate key generation is not possible.");

		case Minor::SAL_Cancellation_by_User:
			return tr("The process has been cancelled.");

		case Minor::SAL_Invalid_Key:
			return tr("This action cannot be performed. The eID function of your ID card is not activated.");

		case Minor::SAL_SecurityConditionNotSatisfied:
			return tr("The authenticity of your ID card could not be verified. Please make sure that you are using a genuine ID card. Please note that test applications require the use of a test ID card.");

		case Minor::SAL_MEAC_AgeVerificationFailedWarning:
			return tr("The age verification failed.");

		case Minor::SAL_MEAC_CommunityVerificationFailedWarning:
			return tr("The community verification failed.");

		case Minor::SAL_MEAC_DocumentValidityVerificationFailed:
			return tr("The ID card is invalid or disabled.");

		default:
			return QString();
	}
}


ECardApiResult::Major ECardApiResult::getMajor() const
{
	return d->mMajor;
}


ECardApiResult::Minor ECardApiResult::getMinor() const
{
	return d->mMinor;
}


const QString& ECardApiResult::getMessage() const
{
	return d->mMessage;
}


const QString& ECardApiResult::getLanguage() const
{
	return d->mLanguage;
}


ECardApiResult::Origin ECardApiResult::getOrigin() const
{
	return d->mOrigin;
}


const std::optional<FailureCode>& ECardApiResult::getFailureCode() const
{
	return d->mFailureCode;
}


bool ECardApiResult::isOk() const
{
	return d->mMajor == Major::Ok && d->mMinor == Minor::null;
}


QString ECardApiResult::getMajorString() const
{
	return getMajorString(d->mMajor);
}


QString ECardApiResult::getMinorString() const
{
	return getMinorString(d->mMinor);
}


QString ECardApiResult::getMinorDescription() const
{
	return getMinorDescription(d->mMinor);
}


QString ECardApiResult::getMajorForRedirect() const
{
	return d->mMajor == Major::Ok ? majorSuffixes().value(Major::Ok) : majorSuffixes().value(Major::Error);
}


QString ECardApiResult::getMinorForRedirect() const
{
	switch (d->mMinor)
	{
		case Minor::AL_Communication_Error:
		case Minor::DP_Trusted_Channel_Establishment_Failed:
		case Minor::SAL_Cancellation_by_User:
		{
			const QString& suffix = minorSuffixes().value(d->mMinor);
			return suffix.mid(suffix.indexOf(QLatin1Char('#')) + 1);
		}

		default:
			return d->mOrigin == Origin::Client ? QStringLiteral("clientError") : QStringLiteral("serverError");
	}
}


QJsonObject ECardApiResult::toJson() const
{
	QJsonObject object;
	object[QLatin1String("major")] = getMajorString();

	if (d->mMinor != Minor::null)
	{
		object[QLatin1String("minor")] = getMinorString();
	}

	if (!d->mMessage.isEmpty())
	{
		object[QLatin1String("message")] = d->mMessage;
	}

	const QString description = getMinorDescription();
	if (!description.isEmpty())
	{
		object[QLatin1String("description")] = description;
	}

	if (!d->mLanguage.isEmpty() && (!d->mMessage.isEmpty() || !description.isEmpty()))
	{
		object[QLatin1String("language")] = d->mLanguage;
	}

	if (d->mFailureCode.has_value())
	{
		object[QLatin1String("reason")] = Enum<FailureCode::Reason>::getName(d->mFailureCode->getReason());
	}

	return object;
}


GlobalStatus ECardApiResult::toStatus() const
{
	GlobalStatus::ExternalInfoMap information;
	if (!d->mMessage.isEmpty() && d->mOrigin == Origin::Client)
	{
		information.insert(GlobalStatus::ExternalInformation::ECARDAPI_ERROR, d->mMessage);
	}
	else
	{
		const QString description = getMinorDescription();
		information.insert(GlobalStatus::ExternalInformation::ECARDAPI_ERROR, description);
		if (d->mMessage != description)
		{
			information.insert(GlobalStatus::ExternalInformation::ECARDAPI_SERVERMESSAGE, d->mMessage);
		}
	}

	switch (d->mMajor)
	{
		case Major::Unknown:
			return GlobalStatus(Code::Unknown_Error, information, GlobalStatus::Origin::Client);

		case Major::Warning:
			return GlobalStatus(Code::Paos_Unexpected_Warning, information, GlobalStatus::Origin::Client);

		case Major::Ok:
			if (isOk())
			{
				return GlobalStatus(Code::No_Error, GlobalStatus::Origin::Client);
			}
			[[fallthrough]];

		case Major::Error:
			break;
	}

	const auto origin = d->mOrigin == Origin::Server ? GlobalStatus::Origin::Server : GlobalStatus::Origin::Client;
	return GlobalStatus(toStatus(d->mMinor), information, origin);
}


bool ECardApiResult::operator==(const ECardApiResult& pOther) const
{
	const auto sameFailure = [this, &pOther] {
				const auto& own = d->mFailureCode;
				const auto& other = pOther.d->mFailureCode;
				return own.has_value() == other.has_value() && (!own.has_value() || own->getReason() == other->getReason());
			};

	return d->mMajor == pOther.d->mMajor
		   && d->mMinor == pOther.d->mMinor
		   && d->mMessage == pOther.d->mMessage
		   && d->mLanguage == pOther.d->mLanguage
		   && d->mOrigin == pOther.d->mOrigin
		   && sameFailure();
}


QDebug tessarovin::operator<<(QDebug pDbg, const ECardApiResult& pResult)
{
	const QDebugStateSaver saver(pDbg);
	pDbg.noquote().nospace() << "Result: " << pResult.getMajorString() << " | " << pResult.getMinorString() << " | " << pResult.getMessage();
	if (const auto& failureCode = pResult.getFailureCode())
	{
		pDbg << " | " << Enum<FailureCode::Reason>::getName(failureCode->getReason());
	}
	return pDbg;
}
