#include "CardInfo.h"

#include "asn1/SecurityInfos.h"

using namespace tessarovin;

CardInfo::CardInfo(CardType pCardType,
		const FileRef& pApplication,
		const QSharedPointer<const SecurityInfos>& pEfCardAccess,
		int pRetryCounter,
		bool pPinDeactivated,
		bool pPukInoperative)
	: mCardType(pCardType)
	, mApplication(pApplication)
	, mEfCardAccess(pEfCardAccess)
	, mRetryCounter(pRetryCounter)
	, mPinDeactivated(pPinDeactivated)
	, mPukInoperative(pPukInoperative)
	, mTagType(0)
{
}


CardType CardInfo::getCardType() const
{
	return mCardType;
}


const FileRef& CardInfo::getApplication() const
{
	return mApplication;
}


QSharedPointer<const SecurityInfos> CardInfo::getEfCardAccess() const
{
	return mEfCardAccess;
}


MobileEidType CardInfo::getMobileEidType() const
{
	if (!mEfCardAccess || !mEfCardAccess->getMobileEIDTypeInfo())
	{
		return MobileEidType::UNKNOWN;
	}

	const Oid oid = mEfCardAccess->getMobileEIDTypeInfo()->getOid();
	if (oid == KnownOid::ID_MOBILE_EID_TYPE_SE_CERTIFIED)
	{
		return MobileEidType::SE_CERTIFIED;
	}
	if (oid == KnownOid::ID_MOBILE_EID_TYPE_SE_ENDORSED)
	{
		return MobileEidType::SE_ENDORSED;
	}
	if (oid == KnownOid::ID_MOBILE_EID_TYPE_HW_KEYSTORE)
	{
		return MobileEidType::HW_KEYSTORE;
	}

	return MobileEidType::UNKNOWN;
}


int CardInfo::getRetryCounter() const
{
	return mRetryCounter;
}


void CardInfo::setRetryCounter(int pRetryCounter)
{
	mRetryCounter = pRetryCounter;
}


bool CardInfo::isRetryCounterDetermined() const
{
	return mRetryCounter != -1;
}


bool CardInfo::isPinDeactivated() const
{
	return mPinDeactivated;
}


bool CardInfo::isPukInoperative() const
{
	return mPukInoperative;
}


int CardInfo::getTagType() const
{
	return mTagType;
}


QDebug tessarovin::operator<<(QDebug pDbg, const CardInfo& pCardInfo)
{
	const QDebugStateSaver saver(pDbg);
	pDbg.nospace().noquote() << "{Type: " << pCardInfo.getCardType()
							 << ", Retry counter: " << pCardInfo.getRetryCounter()
							 << ", PIN deactivated: " << pCardInfo.isPinDeactivated() << "}";
	return pDbg;
}
