#pragma once

#include "CallCost.h"
#include "ProviderConfigurationInfo.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QSharedPointer>
#include <QString>

namespace tessarovin
{

class UpdatableFile;

// The online services that accept the card, with the call costs of their telephone numbers, from
// the updatable file "supported-providers.json". A singleton of Env on the main thread, where the
// file's signals arrive.
class ProviderConfiguration
	: public QObject
{
	Q_OBJECT
	friend class Env;

	private:
		const QSharedPointer<UpdatableFile> mUpdatableFile;
		QList<ProviderConfigurationInfo> mProviderConfigurationInfos;
		QMap<QString, CallCost> mCallCosts;

		ProviderConfiguration();
		~ProviderConfiguration() override = default;

	private Q_SLOTS:
		void onFileUpdated();

	public:
		// Replaces both lists by those of the file, only when it holds call costs and providers.
		bool parseProviderConfiguration(const QString& pPath);
		// Asks the update server for a newer list.
		void update();

		[[nodiscard]] const QList<ProviderConfigurationInfo>& getProviderConfigurationInfos() const;
		[[nodiscard]] const QMap<QString, CallCost>& getCallCosts() const;
		[[nodiscard]] ProviderConfigurationInfo getProviderInfo(const QString& pInternalId) const;

	Q_SIGNALS:
		void fireUpdated();
		void fireNoUpdateAvailable();
};

} // namespace tessarovin
