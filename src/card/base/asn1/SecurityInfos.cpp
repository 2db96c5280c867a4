#include "asn1/SecurityInfos.h"

#include "LogCategories.h"

using namespace tessarovin;

namespace tessarovin
{

ASN1_ITEM_TEMPLATE(securityinfos_st) =
	ASN1_EX_TEMPLATE_TYPE(ASN1_TFLG_SET_OF, 0, securityinfos, securityinfo_st)
ASN1_ITEM_TEMPLATE_END(securityinfos_st)

IMPLEMENT_ASN1_OBJECT(securityinfos_st)

} // namespace tessarovin


SecurityInfos::SecurityInfos(const QByteArray& pBytes,
		const QList<QSharedPointer<const SecurityInfo>>& pSecurityInfos,
		const QList<QSharedPointer<const PaceInfo>>& pPaceInfos,
		const QList<QSharedPointer<const ChipAuthenticationInfo>>& pChipAuthenticationInfos,
		const QSharedPointer<const MobileEIDTypeInfo>& pMobileEIDTypeInfo)
	: mContentBytes(pBytes)
	, mSecurityInfos(pSecurityInfos)
	, mPaceInfos(pPaceInfos)
	, mChipAuthenticationInfos(pChipAuthenticationInfos)
	, mMobileEIDTypeInfo(pMobileEIDTypeInfo)
{
}


QSharedPointer<const SecurityInfos> SecurityInfos::decode(const QByteArray& pBytes)
{
	const auto securityInfosStruct = decodeObject<securityinfos_st>(pBytes, true);
	if (securityInfosStruct == nullptr)
	{
		return QSharedPointer<const SecurityInfos>();
	}

	QList<QSharedPointer<const SecurityInfo>> securityInfos;
	QList<QSharedPointer<const PaceInfo>> paceInfos;
	QList<QSharedPointer<const ChipAuthenticationInfo>> chipAuthenticationInfos;
	QSharedPointer<const MobileEIDTypeInfo> mobileEIDTypeInfo;

	// The stack keeps the order of the encoding; only encoding the whole set would sort it.
	const int count = sk_securityinfo_st_num(securityInfosStruct.data());
	for (int i = 0; i < count; ++i)
	{
		const securityinfo_st* entry = sk_securityinfo_st_value(securityInfosStruct.data(), i);
		const QByteArray bytes = encodeObject(entry);
		const auto entriesBefore = securityInfos.size();

		if (const auto mobileInfo = MobileEIDTypeInfo::decode(bytes))
		{
			if (mobileEIDTypeInfo)
			{
				qCCritical(card) << "More than one MobileEIDTypeInfo found:" << *mobileInfo;
				return QSharedPointer<const SecurityInfos>();
			}
			mobileEIDTypeInfo = mobileInfo;
			securityInfos << mobileInfo;
		}
		else if (const auto paceInfo = PaceInfo::decode(bytes))
		{
			paceInfos << paceInfo;
			securityInfos << paceInfo;
		}
		else if (const auto chipAuthenticationInfo = ChipAuthenticationInfo::decode(bytes))
		{
			chipAuthenticationInfos << chipAuthenticationInfo;
			securityInfos << chipAuthenticationInfo;
		}
		else if (const auto securityInfo = SecurityInfo::decode(bytes))
		{
			securityInfos << securityInfo;
		}

		if (securityInfos.size() != entriesBefore + 1)
		{
			qCCritical(card) << "Cannot parse as SecurityInfo" << pBytes.toHex();
			return QSharedPointer<const SecurityInfos>();
		}
	}

	return QSharedPointer<const SecurityInfos>(new SecurityInfos(pBytes, securityInfos, paceInfos, chipAuthenticationInfos, mobileEIDTypeInfo));
}


const QByteArray& SecurityInfos::getContentBytes() const
{
	return mContentBytes;
}


const QList<QSharedPointer<const SecurityInfo>>& SecurityInfos::getSecurityInfos() const
{
	return mSecurityInfos;
}


const QList<QSharedPointer<const PaceInfo>>& SecurityInfos::getPaceInfos() const
{
	return mPaceInfos;
}


const QList<QSharedPointer<const ChipAuthenticationInfo>>& SecurityInfos::getChipAuthenticationInfos() const
{
	return mChipAuthenticationInfos;
}


const QSharedPointer<const MobileEIDTypeInfo>& SecurityInfos::getMobileEIDTypeInfo() const
{
	return mMobileEIDTypeInfo;
}

