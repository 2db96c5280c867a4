#pragma once

#include "ReleaseInformation.h"
#include "VersionNumber.h"

#include <QObject>
#include <QSharedPointer>

namespace tessarovin
{

// The release information of the running version and, once an update is known, of that update.
// A singleton of Env on the main thread.
class ReleaseInformationConfiguration
	: public QObject
{
	Q_OBJECT
	friend class Env;

	private:
		QSharedPointer<ReleaseInformation> mReleaseInformationCurrent;
		QSharedPointer<ReleaseInformation> mReleaseInformationUpdate;

		ReleaseInformationConfiguration();
		~ReleaseInformationConfiguration() override = default;

		void setInformation(QSharedPointer<ReleaseInformation>& pTarget, const QSharedPointer<ReleaseInformation>& pNew, void (ReleaseInformationConfiguration::* pSignal)());

	public:
		[[nodiscard]] QSharedPointer<const ReleaseInformation> getCurrentInformation() const;
		[[nodiscard]] QSharedPointer<const ReleaseInformation> getUpdateInformation() const;

		void setUpdateVersion(const VersionNumber& pVersion);
		void update();
		void updateIfNeeded();
		// For a new user-interface language: its texts replace both sets.
		void reload();

	Q_SIGNALS:
		void fireCurrentInformationChanged();
		void fireUpdateInformationChanged();
};

} // namespace tessarovin
