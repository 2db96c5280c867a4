#pragma once

#include "FailureCode.h"
#include "GlobalStatus.h"

#include <QCoreApplication>
#include <QDebug>
#include <QJsonObject>
#include <QSharedData>
#include <QSharedDataPointer>
#include <QString>

#include <optional>

namespace tessarovin
{

// The result element of the eCard-API: what the eID server and remote readers exchange.
class ECardApiResult
{
	Q_GADGET
	Q_DECLARE_TR_FUNCTIONS(tessarovin::ECardApiResult)

	public:
		enum class Major : qint32
		{
			Unknown,
			Ok,
			Warning,
			Error
		};
		Q_ENUM(Major)

		enum class Minor : qint32
		{
			null,
			AL_Unknown_Error,
			AL_No_Permission,
			AL_Internal_Error,
			AL_Parameter_Error,
			AL_Unknown_API_Function,
			AL_Not_Initialized,
			AL_Warning_Connection_Disconnected,
			AL_Session_Terminated_Warning,
			AL_Communication_Error,
			DP_Timeout_Error,
			DP_Unknown_Channel_Handle,
			DP_Communication_Error,
			DP_Trusted_Channel_Establishment_Failed,
			DP_Unknown_Protocol,
			DP_Unknown_Cipher_Suite,
			DP_Unknown_Webservice_Binding,
			DP_Node_Not_Reachable,
			IFDL_Timeout_Error,
			IFDL_UnknownSlot,
			IFDL_InvalidSlotHandle,
			IFDL_CancellationByUser,
			IFDL_IFD_SharingViolation,
			IFDL_Terminal_NoCard,
			IFDL_IO_RepeatedDataMismatch,
			IFDL_IO_UnknownPINFormat,
			IL_Signature_InvalidCertificatePath,
			KEY_KeyGenerationNotPossible,
			SAL_Cancellation_by_User,
			SAL_Invalid_Key,
			SAL_SecurityConditionNotSatisfied,
			SAL_MEAC_AgeVerificationFailedWarning,
			SAL_MEAC_CommunityVerificationFailedWarning,
			SAL_MEAC_DocumentValidityVerificationFailed
		};
		Q_ENUM(Minor)

		enum class Origin : qint32
		{
			Server,
			Client
		};
		Q_ENUM(Origin)

	private:
		class ResultData
			: public QSharedData
		{
			public:
				const Major mMajor;
				const Minor mMinor;
				const QString mMessage;
				const QString mLanguage;
				const Origin mOrigin;
				const std::optional<FailureCode> mFailureCode;

				ResultData(Major pMajor, Minor pMinor, const QString& pMessage, Origin pOrigin, const std::optional<FailureCode>& pFailureCode);
		};

		QSharedDataPointer<ResultData> d;

		[[nodiscard]] static bool isValidCombination(Major pMajor, Minor pMinor);
		[[nodiscard]] static QString getMajorString(Major pMajor);
		[[nodiscard]] static QString getMinorString(Minor pMinor);
		[[nodiscard]] static QString getMinorDescription(Minor pMinor);

	public:
		ECardApiResult(Major pMajor, Minor pMinor = Minor::null, const QString& pMessage = QString(), Origin pOrigin = Origin::Client, const std::optional<FailureCode>& pFailureCode = std::nullopt);
		ECardApiResult(const QString& pMajor, const QString& pMinor, const QString& pMessage, Origin pOrigin = Origin::Client);

		static ECardApiResult createOk();
		static ECardApiResult fromGlobalStatus(const GlobalStatus& pStatus, const std::optional<FailureCode>& pFailureCode = std::nullopt);

		static Minor fromStatus(GlobalStatus::Code pStatusCode);
		static GlobalStatus::Code toStatus(Minor pMinor);

		static Major parseMajor(const QString& pMajor);
		static Minor parseMinor(const QString& pMinor);

		[[nodiscard]] Major getMajor() const;
		[[nodiscard]] Minor getMinor() const;
		[[nodiscard]] const QString& getMessage() const;
		[[nodiscard]] const QString& getLanguage() const;
		[[nodiscard]] Origin getOrigin() const;
		[[nodiscard]] const std::optional<FailureCode>& getFailureCode() const;
		[[nodiscard]] bool isOk() const;

		[[nodiscard]] QString getMajorString() const;
		[[nodiscard]] QString getMinorString() const;
		[[nodiscard]] QString getMinorDescription() const;
		[[nodiscard]] QString getMajorForRedirect() const;
		[[nodiscard]] QString getMinorForRedirect() const;

		[[nodiscard]] QJsonObject toJson() const;
		[[nodiscard]] GlobalStatus toStatus() const;

		bool operator==(const ECardApiResult& pOther) const;
};


QDebug operator<<(QDebug pDbg, const ECardApiResult& pResult);

} // namespace tessarovin
