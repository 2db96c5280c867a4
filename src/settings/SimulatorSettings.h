#pragma once

#include "AbstractSettings.h"

#include <QMutex>

namespace tessarovin
{

// Switches the built-in card simulator. Written on the main thread (settings view) and read on
// the reader manager's thread (simulator plug-in).
class SimulatorSettings
	: public AbstractSettings
{
	Q_OBJECT

	private:
		// QSettings is reentrant only: one object must not be used by two threads at once.
		mutable QMutex mStoreMutex;
		QSharedPointer<QSettings> mStore;

	public:
		SimulatorSettings();

		[[nodiscard]] bool isEnabled() const;
		void setEnabled(bool pEnabled);

		[[nodiscard]] bool isBasicReader() const;

	Q_SIGNALS:
		void fireEnabledChanged();
};

} // namespace tessarovin
