#pragma once

#include <QJsonObject>

namespace tessarovin
{

// What a call to a number of one prefix costs, in the currency amounts of the provider list.
class CallCost
{
	private:
		int mFreeSeconds;
		double mLandlinePerMinute;
		double mLandlinePerCall;
		double mMobilePerMinute;
		double mMobilePerCall;

	public:
		CallCost(int pFreeSeconds = 0, double pLandlinePerMinute = 0.0, double pLandlinePerCall = 0.0,
				double pMobilePerMinute = 0.0, double pMobilePerCall = 0.0);
		// Missing or ill-typed members read as 0.
		explicit CallCost(const QJsonObject& pObject);

		[[nodiscard]] int getFreeSeconds() const;
		[[nodiscard]] double getLandlinePerMinute() const;
		[[nodiscard]] double getLandlinePerCall() const;
		[[nodiscard]] double getMobilePerMinute() const;
		[[nodiscard]] double getMobilePerCall() const;

		bool operator==(const CallCost& pOther) const = default;
};

} // namespace tessarovin
