#include "asn1/MobileEIDTypeInfo.h"

#include "LogCategories.h"

using namespace tessarovin;

namespace tessarovin
{

ASN1_SEQUENCE(mobileeidtypeinfo_st) = {
	ASN1_SIMPLE(mobileeidtypeinfo_st, mProtocol, ASN1_OBJECT),
	ASN1_SIMPLE(mobileeidtypeinfo_st, mRequiredData, ASN1_ANY)
} ASN1_SEQUENCE_END(mobileeidtypeinfo_st)

IMPLEMENT_ASN1_OBJECT(mobileeidtypeinfo_st)

} // namespace tessarovin


MobileEIDTypeInfo::MobileEIDTypeInfo(const QSharedPointer<const mobileeidtypeinfo_st>& pMobileEIDTypeInfo)
	: SecurityInfo()
	, mMobileEIDTypeInfo(pMobileEIDTypeInfo)
{
}


QSharedPointer<const MobileEIDTypeInfo> MobileEIDTypeInfo::decode(const QByteArray& pBytes)
{
	const auto mobileEIDTypeInfo = decodeObject<mobileeidtypeinfo_st>(pBytes, false);
	if (mobileEIDTypeInfo == nullptr)
	{
		return QSharedPointer<const MobileEIDTypeInfo>();
	}

	const Oid oid(mobileEIDTypeInfo->mProtocol);
	if (oid != KnownOid::ID_MOBILE_EID_TYPE_SE_CERTIFIED
			&& oid != KnownOid::ID_MOBILE_EID_TYPE_SE_ENDORSED
			&& oid != KnownOid::ID_MOBILE_EID_TYPE_HW_KEYSTORE)
	{
		return QSharedPointer<const MobileEIDTypeInfo>();
	}

	QSharedPointer<const MobileEIDTypeInfo> result(new MobileEIDTypeInfo(mobileEIDTypeInfo));
	qCDebug(card) << "Parsed SecurityInfo:" << *result;
	return result;
}


const ASN1_OBJECT* MobileEIDTypeInfo::getProtocolObject() const
{
	return mMobileEIDTypeInfo->mProtocol;
}


QDebug tessarovin::operator<<(QDebug pDbg, const MobileEIDTypeInfo& pMobileEIDTypeInfo)
{
	pDbg << pMobileEIDTypeInfo.getOid();
	return pDbg;
}
