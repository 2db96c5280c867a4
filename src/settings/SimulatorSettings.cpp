#include "SimulatorSettings.h"

using namespace tessarovin;

namespace
{

const QLatin1String cGroup("simulator");
const QLatin1String cEnabled("enabled");
const QLatin1String cBasicReader("basicReader");

} // namespace


SimulatorSettings::SimulatorSettings()
	: AbstractSettings()
	, mStoreMutex()
	, mStore(getStore())
{
	// Earlier versions kept a plain root value of the group's name.
	if (mStore->contains(cGroup))
	{
		const bool enabled = mStore->value(cGroup, false).toBool();
		mStore->remove(cGroup);
		mStore->beginGroup(cGroup);
		mStore->setValue(cEnabled, enabled);
		mStore->endGroup();
		mStore->sync();
	}

	mStore->beginGroup(cGroup);
}


bool SimulatorSettings::isEnabled() const
{
	const QMutexLocker locker(&mStoreMutex);
	return mStore->value(cEnabled, false).toBool();
}


void SimulatorSettings::setEnabled(bool pEnabled)
{
	{
		const QMutexLocker locker(&mStoreMutex);
		if (mStore->value(cEnabled, false).toBool() == pEnabled)
		{
			return;
		}
		mStore->setValue(cEnabled, pEnabled);
		mStore->sync();
	}

	// Outside the lock: connected slots may read the settings again.
	Q_EMIT fireEnabledChanged();
}


bool SimulatorSettings::isBasicReader() const
{
	const QMutexLocker locker(&mStoreMutex);
	return mStore->value(cBasicReader, false).toBool();
}
