#include "AppSettings.h"

using namespace tessarovin;


AppSettings::AppSettings()
	: QObject()
	, mGeneralSettings()
	, mPreVerificationSettings()
	, mSimulatorSettings()
{
}


GeneralSettings& AppSettings::getGeneralSettings()
{
	return mGeneralSettings;
}


PreVerificationSettings& AppSettings::getPreVerificationSettings()
{
	return mPreVerificationSettings;
}


SimulatorSettings& AppSettings::getSimulatorSettings()
{
	return mSimulatorSettings;
}
