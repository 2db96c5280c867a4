#include "ReaderManagerPluginInfo.h"

#include <QCoreApplication>

using namespace tessarovin;

namespace
{

// The reader manager hands the information to the main thread by queued signals.
void registerMetaType()
{
	qRegisterMetaType<ReaderManagerPluginInfo>("ReaderManagerPluginInfo");
}


} // namespace

Q_COREAPP_STARTUP_FUNCTION(registerMetaType)


ReaderManagerPluginInfo::ReaderManagerPluginInfo()
	: ReaderManagerPluginInfo(ReaderManagerPluginType::UNKNOWN, false, false)
{
}


ReaderManagerPluginInfo::ReaderManagerPluginInfo(ReaderManagerPluginType pType, bool pEnabled, bool pAvailable)
	: mType(pType)
	, mValues()
	, mEnabled(pEnabled)
	, mAvailable(pAvailable)
	, mScanRunning(false)
	, mInitialScanState(UNKNOWN)
{
}


ReaderManagerPluginType ReaderManagerPluginInfo::getPluginType() const
{
	return mType;
}


const QMap<ReaderManagerPluginInfo::Key, QVariant>& ReaderManagerPluginInfo::getValues() const
{
	return mValues;
}


QVariant ReaderManagerPluginInfo::getValue(Key pKey) const
{
	return mValues.value(pKey);
}


void ReaderManagerPluginInfo::setValue(Key pKey, const QVariant& pValue)
{
	mValues.insert(pKey, pValue);
}


bool ReaderManagerPluginInfo::isEnabled() const
{
	return mEnabled;
}


void ReaderManagerPluginInfo::setEnabled(bool pEnabled)
{
	mEnabled = pEnabled;
}


bool ReaderManagerPluginInfo::isAvailable() const
{
	return mAvailable;
}


bool ReaderManagerPluginInfo::isScanRunning() const
{
	return mScanRunning;
}


void ReaderManagerPluginInfo::setScanRunning(bool pScanRunning)
{
	mScanRunning = pScanRunning;
}


ReaderManagerPluginInfo::InitialScanState ReaderManagerPluginInfo::getInitialScanState() const
{
	return mInitialScanState;
}


void ReaderManagerPluginInfo::setInitialScanState(InitialScanState pState)
{
	mInitialScanState = pState;
}
