#include "AppSettings.h"

using namespace tessarovin;


AppSettings::AppSettings()
	: QObject()
	, mGeneralSettings()
	, mPreVerificationSettings()
	, mRemoteServiceSettings()
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


RemoteServiceSettings& AppSettings::getRemoteServiceSettings()
{
	return mRemoteServiceSettings;
}


SimulatorSettings& AppSettings::getSimulatorSettings()
{
	return mSimulatorSettings;
}
