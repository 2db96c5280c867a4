#include "CallCost.h"

using namespace tessarovin;


CallCost::CallCost(int pFreeSeconds, double pLandlinePerMinute, double pLandlinePerCall, double pMobilePerMinute, double pMobilePerCall)
	: mFreeSeconds(pFreeSeconds)
	, mLandlinePerMinute(pLandlinePerMinute)
	, mLandlinePerCall(pLandlinePerCall)
	, mMobilePerMinute(pMobilePerMinute)
	, mMobilePerCall(pMobilePerCall)
{
}


CallCost::CallCost(const QJsonObject& pObject)
	: CallCost(pObject.value(QLatin1String("free-seconds")).toInt(),
			pObject.value(QLatin1String("landline")).toObject().value(QLatin1String("per-minute")).toDouble(),
			pObject.value(QLatin1String("landline")).toObject().value(QLatin1String("per-call")).toDouble(),
			pObject.value(QLatin1String("mobile")).toObject().value(QLatin1String("per-minute")).toDouble(),
			pObject.value(QLatin1String("mobile")).toObject().value(QLatin1String("per-call")).toDouble())
{
}


int CallCost::getFreeSeconds() const
{
	return mFreeSeconds;
}


double CallCost::getLandlinePerMinute() const
{
	return mLandlinePerMinute;
}


double CallCost::getLandlinePerCall() const
{
	return mLandlinePerCall;
}


double CallCost::getMobilePerMinute() const
{
	return mMobilePerMinute;
}


double CallCost::getMobilePerCall() const
{
	return mMobilePerCall;
}
