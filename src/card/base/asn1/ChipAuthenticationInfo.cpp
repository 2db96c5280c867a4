#include "asn1/ChipAuthenticationInfo.h"

#include "asn1/ASN1Util.h"
#include "LogCategories.h"

using namespace tessarovin;

namespace tessarovin
{

ASN1_SEQUENCE(chipauthenticationinfo_st) = {
	ASN1_SIMPLE(chipauthenticationinfo_st, mProtocol, ASN1_OBJECT),
	ASN1_SIMPLE(chipauthenticationinfo_st, mVersion, ASN1_INTEGER),
	ASN1_OPT(chipauthenticationinfo_st, mKeyId, ASN1_INTEGER)
} ASN1_SEQUENCE_END(chipauthenticationinfo_st)

IMPLEMENT_ASN1_OBJECT(chipauthenticationinfo_st)

} // namespace tessarovin


ChipAuthenticationInfo::ChipAuthenticationInfo(const QSharedPointer<const chipauthenticationinfo_st>& pChipAuthenticationInfo)
	: SecurityInfo()
	, mChipAuthenticationInfo(pChipAuthenticationInfo)
{
}


QSharedPointer<const ChipAuthenticationInfo> ChipAuthenticationInfo::decode(const QByteArray& pBytes)
{
	const auto chipAuthenticationInfo = decodeObject<chipauthenticationinfo_st>(pBytes, false);
	if (chipAuthenticationInfo == nullptr)
	{
		return QSharedPointer<const ChipAuthenticationInfo>();
	}

	if (SecurityProtocol(Oid(chipAuthenticationInfo->mProtocol)).getProtocolType() != ProtocolType::CA)
	{
		return QSharedPointer<const ChipAuthenticationInfo>();
	}

	QSharedPointer<const ChipAuthenticationInfo> result(new ChipAuthenticationInfo(chipAuthenticationInfo));
	qCDebug(card) << "Parsed SecurityInfo:" << *result;
	return result;
}


const ASN1_OBJECT* ChipAuthenticationInfo::getProtocolObject() const
{
	return mChipAuthenticationInfo->mProtocol;
}


int ChipAuthenticationInfo::getVersion() const
{
	return Asn1IntegerUtil::getValue(mChipAuthenticationInfo->mVersion);
}


int ChipAuthenticationInfo::getKeyId() const
{
	return Asn1IntegerUtil::getValue(mChipAuthenticationInfo->mKeyId);
}


bool ChipAuthenticationInfo::hasKeyId() const
{
	return mChipAuthenticationInfo->mKeyId != nullptr;
}


QDebug tessarovin::operator<<(QDebug pDbg, const ChipAuthenticationInfo& pChipAuthenticationInfo)
{
	const QDebugStateSaver saver(pDbg);
	pDbg.nospace() << pChipAuthenticationInfo.getOid() << ", version: " << pChipAuthenticationInfo.getVersion();
	if (pChipAuthenticationInfo.hasKeyId())
	{
		pDbg << ", keyId: " << pChipAuthenticationInfo.getKeyId();
	}
	return pDbg;
}
