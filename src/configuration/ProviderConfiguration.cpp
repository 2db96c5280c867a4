#include "ProviderConfiguration.h"

#include "FileProvider.h"
#include "LogCategories.h"
#include "ProviderConfigurationParser.h"
#include "UpdatableFile.h"

#include <QFile>

using namespace tessarovin;


ProviderConfiguration::ProviderConfiguration()
	: QObject()
	, mUpdatableFile(FileProvider::getInstance().getFile(QString(), QStringLiteral("supported-providers.json")))
	, mProviderConfigurationInfos()
	, mCallCosts()
{
	connect(mUpdatableFile.data(), &UpdatableFile::fireUpdated, this, &ProviderConfiguration::onFileUpdated);
	connect(mUpdatableFile.data(), &UpdatableFile::fireNoUpdateAvailable, this, &ProviderConfiguration::fireNoUpdateAvailable);

	mUpdatableFile->forEachLookupPath([this](const QString& pPath){
				return parseProviderConfiguration(pPath);
			});
}


bool ProviderConfiguration::parseProviderConfiguration(const QString& pPath)
{
	if (pPath.isEmpty() || !QFile::exists(pPath))
	{
		qCCritical(configuration) << "ProviderConfiguration file not found:" << pPath;
		return false;
	}

	QFile configFile(pPath);
	if (!configFile.open(QIODevice::ReadOnly | QIODevice::Text))
	{
		qCCritical(configuration) << "Wasn't able to open ProviderConfiguration file:" << pPath;
		return false;
	}

	const auto data = configFile.readAll();
	const auto callCosts = ProviderConfigurationParser::parseCallCosts(data);
	if (callCosts.isEmpty())
	{
		qCCritical(configuration) << "Parse error while reading ProviderConfiguration:" << pPath;
		return false;
	}

	const auto providers = ProviderConfigurationParser::parseProvider(data);
	if (providers.isEmpty())
	{
		qCCritical(configuration) << "Parse error while reading ProviderConfiguration:" << pPath;
		return false;
	}

	mCallCosts = callCosts;
	mProviderConfigurationInfos = providers;
	return true;
}


void ProviderConfiguration::onFileUpdated()
{
	const bool parsed = mUpdatableFile->forEachLookupPath([this](const QString& pPath){
				return parseProviderConfiguration(pPath);
			});
	if (!parsed)
	{
		return;
	}

	// A new list may bring new pictures under old names: fetch each again on its next lookup.
	for (const auto& info : std::as_const(mProviderConfigurationInfos))
	{
		info.getIcon()->markDirty();
		info.getImage()->markDirty();
	}
	Q_EMIT fireUpdated();
}


void ProviderConfiguration::update()
{
	mUpdatableFile->update();
}


const QList<ProviderConfigurationInfo>& ProviderConfiguration::getProviderConfigurationInfos() const
{
	return mProviderConfigurationInfos;
}


const QMap<QString, CallCost>& ProviderConfiguration::getCallCosts() const
{
	return mCallCosts;
}


ProviderConfigurationInfo ProviderConfiguration::getProviderInfo(const QString& pInternalId) const
{
	for (const auto& info : std::as_const(mProviderConfigurationInfos))
	{
		if (info.getInternalId() == pInternalId)
		{
			return info;
		}
	}
	return ProviderConfigurationInfo();
}
