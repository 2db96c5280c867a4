#include "ReaderManagerPlugin.h"

#include "LogCategories.h"

using namespace tessarovin;

ReaderManagerPlugin::ReaderManagerPlugin(ReaderManagerPluginType pPluginType, bool pAvailable, bool pPluginEnabled)
	: QObject()
	, mInfo(pPluginType, pPluginEnabled, pAvailable)
{
}


void ReaderManagerPlugin::setPluginValue(ReaderManagerPluginInfo::Key pKey, const QVariant& pValue)
{
	mInfo.setValue(pKey, pValue);
}


void ReaderManagerPlugin::init()
{
}


void ReaderManagerPlugin::shutdown()
{
	qCDebug(card).nospace() << "Shutdown ReaderManagerPluginType::" << mInfo.getPluginType();
}


void ReaderManagerPlugin::startScan(bool pAutoConnect)
{
	Q_UNUSED(pAutoConnect)

	if (!mInfo.isScanRunning())
	{
		mInfo.setScanRunning(true);
		Q_EMIT fireStatusChanged(mInfo);
	}
}


void ReaderManagerPlugin::stopScan(const QString& pError)
{
	Q_UNUSED(pError)

	if (mInfo.isScanRunning())
	{
		mInfo.setScanRunning(false);
		Q_EMIT fireStatusChanged(mInfo);
	}
}


void ReaderManagerPlugin::insert(const QString& pReaderName, const QVariant& pData)
{
	Q_UNUSED(pReaderName)
	Q_UNUSED(pData)

	qCDebug(card).nospace() << "insert is not supported by ReaderManagerPluginType::" << mInfo.getPluginType();
}


const ReaderManagerPluginInfo& ReaderManagerPlugin::getInfo() const
{
	return mInfo;
}


void ReaderManagerPlugin::setInitialScanState(ReaderManagerPluginInfo::InitialScanState pState)
{
	if (mInfo.getInitialScanState() != pState)
	{
		mInfo.setInitialScanState(pState);
		Q_EMIT fireStatusChanged(mInfo);
	}
}


void ReaderManagerPlugin::setPluginEnabled(bool pEnabled)
{
	if (mInfo.isEnabled() != pEnabled)
	{
		mInfo.setEnabled(pEnabled);
		Q_EMIT fireStatusChanged(mInfo);
	}
}


void ReaderManagerPlugin::shelveReader(const QPointer<Reader>& pReader) const
{
	if (pReader && pReader->getReaderInfo().isInsertable())
	{
		pReader->shelveCard();
	}
}
