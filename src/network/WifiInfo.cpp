#include "WifiInfo.h"

#include "LogCategories.h"

using namespace tessarovin;


WifiInfo::WifiInfo()
	: QObject()
	, mWifiEnabled(true)
{
	qCDebug(network) << "NOT IMPLEMENTED";
}


bool WifiInfo::isWifiEnabled() const
{
	return mWifiEnabled;
}
