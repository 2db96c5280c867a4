#pragma once

#include "Env.h"
#include "GeneralSettings.h"
#include "PreVerificationSettings.h"
#include "SimulatorSettings.h"

#include <QObject>

namespace tessarovin
{

// Owns the persistent settings wrappers; every area reaches the settings through it. Any thread
// may fetch it: the reader manager's thread reads the simulator settings.
class AppSettings
	: public QObject
	, public Env::ThreadSafe
{
	Q_OBJECT
	friend class Env;

	private:
		GeneralSettings mGeneralSettings;
		PreVerificationSettings mPreVerificationSettings;
		SimulatorSettings mSimulatorSettings;

	protected:
		AppSettings();

	public:
		[[nodiscard]] GeneralSettings& getGeneralSettings();
		[[nodiscard]] PreVerificationSettings& getPreVerificationSettings();
		[[nodiscard]] SimulatorSettings& getSimulatorSettings();
};

} // namespace tessarovin
