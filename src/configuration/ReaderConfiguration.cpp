#include "ReaderConfiguration.h"

#include "FileProvider.h"
#include "LogCategories.h"
#include "ReaderConfigurationParser.h"
#include "UpdatableFile.h"

#include <QFile>

using namespace tessarovin;


ReaderConfiguration::ReaderConfiguration()
	: QObject()
	, mUpdatableFile(FileProvider::getInstance().getFile(QString(), QStringLiteral("supported-readers.json")))
	, mReaderConfigurationInfos()
{
	connect(mUpdatableFile.data(), &UpdatableFile::fireUpdated, this, &ReaderConfiguration::onFileUpdated);
	connect(mUpdatableFile.data(), &UpdatableFile::fireNoUpdateAvailable, this, &ReaderConfiguration::fireNoUpdateAvailable);

	mUpdatableFile->forEachLookupPath([this](const QString& pPath){
				return parseReaderConfiguration(pPath);
			});
}


bool ReaderConfiguration::parseReaderConfiguration(const QString& pPath)
{
	if (pPath.isEmpty() || !QFile::exists(pPath))
	{
		qCCritical(configuration) << "ReaderConfiguration file not found:" << pPath;
		return false;
	}

	QFile configFile(pPath);
	if (!configFile.open(QIODevice::ReadOnly | QIODevice::Text))
	{
		qCCritical(configuration) << "Wasn't able to open ReaderConfiguration file:" << pPath;
		return false;
	}

	const auto infos = ReaderConfigurationParser::parse(configFile.readAll());
	if (infos.isEmpty())
	{
		qCCritical(configuration) << "Parse error while reading ReaderConfiguration:" << pPath;
		return false;
	}

	mReaderConfigurationInfos = infos;
	return true;
}


void ReaderConfiguration::onFileUpdated()
{
	const bool parsed = mUpdatableFile->forEachLookupPath([this](const QString& pPath){
				return parseReaderConfiguration(pPath);
			});
	if (!parsed)
	{
		return;
	}

	// A new list may name new icons under old names: fetch each again on its next lookup.
	for (const auto& info : std::as_const(mReaderConfigurationInfos))
	{
		info.getIcon()->markDirty();
	}
	Q_EMIT fireUpdated();
}


void ReaderConfiguration::update()
{
	mUpdatableFile->update();
}


const QList<ReaderConfigurationInfo>& ReaderConfiguration::getReaderConfigurationInfos() const
{
	return mReaderConfigurationInfos;
}


QList<ReaderConfigurationInfo> ReaderConfiguration::getVirtualReaderConfigurationInfos() const
{
	QList<ReaderConfigurationInfo> infos;
	for (const auto& info : std::as_const(mReaderConfigurationInfos))
	{
		if (info.getVendorId() == 0)
		{
			infos += info;
		}
	}
	return infos;
}


ReaderConfigurationInfo ReaderConfiguration::getReaderConfigurationInfoById(const UsbId& pId) const
{
	for (const auto& info : std::as_const(mReaderConfigurationInfos))
	{
		if (info.getVendorId() == pId.mVendorId && info.getProductIds().contains(pId.mProductId))
		{
			return info;
		}
	}
	return ReaderConfigurationInfo();
}
