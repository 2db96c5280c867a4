#include "asn1/SecurityInfo.h"

#include "LogCategories.h"

using namespace tessarovin;

namespace tessarovin
{

ASN1_SEQUENCE(securityinfo_st) = {
	ASN1_SIMPLE(securityinfo_st, mProtocol, ASN1_OBJECT),
	ASN1_SIMPLE(securityinfo_st, mRequiredData, ASN1_ANY),
	ASN1_OPT(securityinfo_st, mOptionalData, ASN1_ANY)
} ASN1_SEQUENCE_END(securityinfo_st)

IMPLEMENT_ASN1_OBJECT(securityinfo_st)

} // namespace tessarovin


SecurityInfo::SecurityInfo()
	: mSecurityInfo()
{
}


SecurityInfo::SecurityInfo(const QSharedPointer<const securityinfo_st>& pSecurityInfo)
	: mSecurityInfo(pSecurityInfo)
{
}


SecurityInfo::~SecurityInfo() = default;


QSharedPointer<const SecurityInfo> SecurityInfo::decode(const QByteArray& pBytes)
{
	const auto securityInfo = decodeObject<securityinfo_st>(pBytes, true);
	if (securityInfo == nullptr)
	{
		return QSharedPointer<const SecurityInfo>();
	}

	QSharedPointer<const SecurityInfo> result(new SecurityInfo(securityInfo));
	qCDebug(card) << "Parsed SecurityInfo:" << *result;
	return result;
}


const ASN1_OBJECT* SecurityInfo::getProtocolObject() const
{
	return mSecurityInfo ? mSecurityInfo->mProtocol : nullptr;
}


Oid SecurityInfo::getOid() const
{
	return Oid(getProtocolObject());
}


SecurityProtocol SecurityInfo::getSecurityProtocol() const
{
	return SecurityProtocol(getOid());
}


QDebug tessarovin::operator<<(QDebug pDbg, const SecurityInfo& pSecurityInfo)
{
	pDbg << pSecurityInfo.getOid();
	return pDbg;
}
