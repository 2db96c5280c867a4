#pragma once

#include "asn1/SecurityInfo.h"

namespace tessarovin
{

/*
 * MobileEIDTypeInfo ::= SEQUENCE {
 *    protocol     OBJECT IDENTIFIER,
 *    requiredData ANY DEFINED BY protocol
 * }
 */
struct mobileeidtypeinfo_st
{
	ASN1_OBJECT* mProtocol;
	ASN1_TYPE* mRequiredData;
};

DECLARE_ASN1_OBJECT(mobileeidtypeinfo_st)


// Tells a smart eID's kind of key storage.
class MobileEIDTypeInfo
	: public SecurityInfo
{
	private:
		const QSharedPointer<const mobileeidtypeinfo_st> mMobileEIDTypeInfo;

		explicit MobileEIDTypeInfo(const QSharedPointer<const mobileeidtypeinfo_st>& pMobileEIDTypeInfo);
		[[nodiscard]] const ASN1_OBJECT* getProtocolObject() const override;

	public:
		static QSharedPointer<const MobileEIDTypeInfo> decode(const QByteArray& pBytes);
};


QDebug operator<<(QDebug pDbg, const MobileEIDTypeInfo& pMobileEIDTypeInfo);

} // namespace tessarovin
