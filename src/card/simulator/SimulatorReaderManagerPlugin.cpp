#include "SimulatorReaderManagerPlugin.h"

#include "AppSettings.h"
#include "Env.h"
#include "LogCategories.h"
#include "VolatileSettings.h"

using namespace tessarovin;


SimulatorReaderManagerPlugin::SimulatorReaderManagerPlugin()
	: ReaderManagerPlugin(ReaderManagerPluginType::SIMULATOR, true, false)
	, mSimulatorReader()
{
	// Both senders live on the main thread: the automatic connections queue onto this one.
	connect(&Env::getSingleton<AppSettings>()->getSimulatorSettings(), &SimulatorSettings::fireEnabledChanged, this, &SimulatorReaderManagerPlugin::onSettingsChanged);
	connect(Env::getSingleton<VolatileSettings>(), &VolatileSettings::fireUsedAsSdkChanged, this, &SimulatorReaderManagerPlugin::onSettingsChanged);
}


SimulatorReaderManagerPlugin::~SimulatorReaderManagerPlugin() = default;


void SimulatorReaderManagerPlugin::removeReader()
{
	if (!mSimulatorReader)
	{
		return;
	}

	mSimulatorReader->disconnect(this);
	const ReaderInfo info = mSimulatorReader->getReaderInfo();
	mSimulatorReader.reset();
	Q_EMIT fireReaderRemoved(info);
}


QPointer<Reader> SimulatorReaderManagerPlugin::getReader(const QString& pReaderName)
{
	if (getInfo().isEnabled() && mSimulatorReader && mSimulatorReader->getReaderInfo().getName() == pReaderName)
	{
		return mSimulatorReader.get();
	}
	return QPointer<Reader>();
}


void SimulatorReaderManagerPlugin::init()
{
	ReaderManagerPlugin::init();
	onSettingsChanged();
}


void SimulatorReaderManagerPlugin::startScan(bool pAutoConnect)
{
	if (!getInfo().isEnabled())
	{
		return;
	}

	// A reader of an earlier scan goes without a removal signal: the new one has the same name.
	mSimulatorReader = std::make_unique<SimulatorReader>();
	connect(mSimulatorReader.get(), &Reader::fireReaderPropertiesUpdated, this, &ReaderManagerPlugin::fireReaderPropertiesUpdated);
	connect(mSimulatorReader.get(), &Reader::fireCardInserted, this, &ReaderManagerPlugin::fireCardInserted);
	connect(mSimulatorReader.get(), &Reader::fireCardRemoved, this, &ReaderManagerPlugin::fireCardRemoved);

	qCDebug(card_simulator) << "fireReaderAdded" << mSimulatorReader->getReaderInfo().getName();
	Q_EMIT fireReaderAdded(mSimulatorReader->getReaderInfo());

	mSimulatorReader->connectReader();
	ReaderManagerPlugin::startScan(pAutoConnect);
	setInitialScanState(ReaderManagerPluginInfo::SUCCEEDED);
}


void SimulatorReaderManagerPlugin::stopScan(const QString& pError)
{
	if (mSimulatorReader)
	{
		mSimulatorReader->disconnectReader(pError);
		removeReader();
	}
	ReaderManagerPlugin::stopScan(pError);
}


void SimulatorReaderManagerPlugin::insert(const QString& pReaderName, const QVariant& pData)
{
	Q_UNUSED(pReaderName)

	if (getInfo().isScanRunning() && mSimulatorReader)
	{
		mSimulatorReader->insertCard(pData);
	}
}


void SimulatorReaderManagerPlugin::shelve()
{
	if (getInfo().isEnabled() && mSimulatorReader)
	{
		shelveReader(mSimulatorReader.get());
	}
}


void SimulatorReaderManagerPlugin::onSettingsChanged()
{
	const bool enabled = Env::getSingleton<AppSettings>()->getSimulatorSettings().isEnabled()
			|| Env::getSingleton<VolatileSettings>()->isUsedAsSdk();
	if (enabled == getInfo().isEnabled())
	{
		return;
	}

	qCDebug(card_simulator) << "SimulatorStateChanged:" << enabled;
	setPluginEnabled(enabled);
	if (!enabled)
	{
		removeReader();
	}
}
