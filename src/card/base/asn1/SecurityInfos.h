#pragma once

#include "asn1/ChipAuthenticationInfo.h"
#include "asn1/MobileEIDTypeInfo.h"
#include "asn1/PaceInfo.h"
#include "asn1/SecurityInfo.h"

#include <QByteArray>
#include <QList>
#include <QSharedPointer>

#include <openssl/safestack.h>

namespace tessarovin
{

DEFINE_STACK_OF(securityinfo_st)

// SecurityInfos ::= SET OF SecurityInfo
using securityinfos_st = STACK_OF(securityinfo_st);

DECLARE_ASN1_OBJECT(securityinfos_st)


// The content of EF.CardAccess (or the signed content of EF.CardSecurity), typed.
class SecurityInfos
{
	private:
		// OpenSSL sorts a SET OF when it encodes one; the card's own bytes are what PACE hands on.
		const QByteArray mContentBytes;
		const QList<QSharedPointer<const SecurityInfo>> mSecurityInfos;
		const QList<QSharedPointer<const PaceInfo>> mPaceInfos;
		const QList<QSharedPointer<const ChipAuthenticationInfo>> mChipAuthenticationInfos;
		const QSharedPointer<const MobileEIDTypeInfo> mMobileEIDTypeInfo;

		SecurityInfos(const QByteArray& pBytes,
				const QList<QSharedPointer<const SecurityInfo>>& pSecurityInfos,
				const QList<QSharedPointer<const PaceInfo>>& pPaceInfos,
				const QList<QSharedPointer<const ChipAuthenticationInfo>>& pChipAuthenticationInfos,
				const QSharedPointer<const MobileEIDTypeInfo>& pMobileEIDTypeInfo);

	public:
		static QSharedPointer<const SecurityInfos> decode(const QByteArray& pBytes);

		[[nodiscard]] const QByteArray& getContentBytes() const;
		[[nodiscard]] const QList<QSharedPointer<const SecurityInfo>>& getSecurityInfos() const;
		[[nodiscard]] const QList<QSharedPointer<const PaceInfo>>& getPaceInfos() const;
		[[nodiscard]] const QList<QSharedPointer<const ChipAuthenticationInfo>>& getChipAuthenticationInfos() const;
		[[nodiscard]] const QSharedPointer<const MobileEIDTypeInfo>& getMobileEIDTypeInfo() const;
};


} // namespace tessarovin
