#include "UpdatableFile.h"

#include "Downloader.h"
#include "Env.h"
#include "LogCategories.h"
#include "SecureStorage.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

using namespace tessarovin;

// Written in UTC: a local abbreviation such as "CEST" does not parse back, and the names of the
// copies sort by time only when every stamp has the same zone.
const QString UpdatableFile::cTimestampFormat = QStringLiteral("yyyyMMddhhmmsst");


UpdatableFile::CacheLocations& UpdatableFile::cacheLocations()
{
	static CacheLocations locations;
	return locations;
}


void UpdatableFile::setCacheLocations(const CacheLocations& pCacheLocations)
{
	cacheLocations() = pCacheLocations;
}


QString UpdatableFile::sectionCachePath(const QString& pSection)
{
	const auto& locations = cacheLocations();
	const auto cachePaths = locations ? locations() : QStandardPaths::standardLocations(QStandardPaths::CacheLocation);
	if (cachePaths.isEmpty())
	{
		qCWarning(fileprovider) << "No cache paths found!";
		return QString();
	}

	const auto& cacheBasePath = cachePaths.first();
	if (cacheBasePath.isEmpty())
	{
		qCWarning(fileprovider) << "Cache base folder is invalid (empty).";
		return QString();
	}

	return QDir::cleanPath(cacheBasePath + QLatin1Char('/') + pSection);
}


QString UpdatableFile::makeSectionCachePath(const QString& pSection)
{
	const auto path = sectionCachePath(pSection);
	if (path.isEmpty() || QDir(path).exists())
	{
		return path;
	}

	if (QDir().mkpath(path))
	{
		qCDebug(fileprovider) << "Created cache folder:" << path;
		return path;
	}

	qCWarning(fileprovider) << "Cannot create cache folder:" << path;
	return QString();
}


QUrl UpdatableFile::makeUpdateUrl(const QString& pSection, const QString& pName)
{
	auto url = SecureStorage::getInstance().getUrl(SecureStorage::UPDATE_SERVER).toString();
	// A base address that ends in "/" would put an empty segment into every path.
	while (url.endsWith(QLatin1Char('/')))
	{
		url.chop(1);
	}
	if (!pSection.isEmpty())
	{
		url += QLatin1Char('/') + pSection;
	}
	url += QLatin1Char('/') + pName;
	return QUrl(url, QUrl::TolerantMode);
}


// Names come from lists the update server sends (provider and reader pictures) and become file
// names in the cache folder: a name that could leave that folder is refused.
QString UpdatableFile::checkedName(const QString& pName)
{
	if (pName == QLatin1String(".") || pName == QLatin1String("..") || pName.contains(QLatin1Char('/')) || pName.contains(QLatin1Char('\\')))
	{
		qCCritical(fileprovider) << "Refusing file name outside the cache folder:" << pName;
		return QString();
	}
	return pName;
}


UpdatableFile::UpdatableFile(const QString& pSection, const QString& pName, const QString& pDefaultPath)
	: QObject()
	, mSection(pSection)
	, mName(checkedName(pName))
	, mDefaultPath(pDefaultPath)
	, mSectionCachePath(makeSectionCachePath(pSection))
	, mUpdateUrl(makeUpdateUrl(pSection, mName))
	, mUpdateRunning(false)
{
	if (mName.isEmpty() && mDefaultPath.isEmpty())
	{
		qCWarning(fileprovider) << "Both name and default path are empty!";
	}
}


QString UpdatableFile::resourcePath() const
{
	return QStringLiteral(":/updatable-files/") + mSection + QLatin1Char('/') + mName;
}


QString UpdatableFile::dirtyFilePath() const
{
	return mSectionCachePath + QLatin1Char('/') + mName + QStringLiteral(".dirty");
}


QString UpdatableFile::cacheFilePath() const
{
	// Without a cache folder the listing would read the working directory.
	if (mSectionCachePath.isEmpty() || mName.isEmpty())
	{
		return QString();
	}

	const auto entries = QDir(mSectionCachePath).entryList({mName + QStringLiteral("_*")}, QDir::Files, QDir::Name | QDir::Reversed);
	if (entries.isEmpty())
	{
		return QString();
	}
	return mSectionCachePath + QLatin1Char('/') + entries.first();
}


QDateTime UpdatableFile::cacheTimestamp() const
{
	const auto path = cacheFilePath();
	const auto separator = path.lastIndexOf(QLatin1Char('_'));
	if (separator <= 0)
	{
		return QDateTime();
	}
	return QDateTime::fromString(path.mid(separator + 1), cTimestampFormat);
}


QString UpdatableFile::lookupPath()
{
	if (mName.isEmpty())
	{
		return mDefaultPath;
	}

	auto path = cacheFilePath();
	if (path.isEmpty())
	{
		const auto resource = resourcePath();
		path = QFile::exists(resource) ? resource : mDefaultPath;
	}

	if (isDirty())
	{
		update();
	}
	return path;
}


QUrl UpdatableFile::lookupUrl()
{
	const auto path = lookupPath();
	if (path.startsWith(QLatin1String(":/")))
	{
		return QUrl(QStringLiteral("qrc://") + path.mid(1));
	}

	// An absolute path brings its own leading slash: "file:///" plus "/tmp/x" would name the host-less path "//tmp/x".
	return QUrl(QStringLiteral("file://") + (path.startsWith(QLatin1Char('/')) ? path : QLatin1Char('/') + path));
}


bool UpdatableFile::forEachLookupPath(const std::function<bool(const QString&)>& pValidate)
{
	QStringList candidates;
	if (!mName.isEmpty())
	{
		candidates << cacheFilePath();
		const auto resource = resourcePath();
		if (QFile::exists(resource))
		{
			candidates << resource;
		}
	}
	candidates << mDefaultPath;
	candidates.removeAll(QString());

	if (isDirty())
	{
		update();
	}

	for (const auto& path : std::as_const(candidates))
	{
		if (pValidate(path))
		{
			return true;
		}
	}
	return false;
}


void UpdatableFile::update()
{
	qCDebug(fileprovider) << "Update Triggered for Name:" << mName << " with URL:" << mUpdateUrl;

	if (mUpdateRunning || mName.isEmpty())
	{
		return;
	}

	mUpdateRunning = true;
	auto* downloader = Env::getSingleton<Downloader>();
	connect(downloader, &Downloader::fireDownloadSuccess, this, &UpdatableFile::onDownloadSuccess);
	connect(downloader, &Downloader::fireDownloadFailed, this, &UpdatableFile::onDownloadFailed);
	connect(downloader, &Downloader::fireDownloadUnnecessary, this, &UpdatableFile::onDownloadUnnecessary);

	downloader->download(mUpdateUrl, cacheTimestamp());
}


void UpdatableFile::cleanupAfterUpdate(const std::function<void()>& pAction)
{
	const auto* downloader = Env::getSingleton<Downloader>();
	disconnect(downloader, &Downloader::fireDownloadSuccess, this, &UpdatableFile::onDownloadSuccess);
	disconnect(downloader, &Downloader::fireDownloadFailed, this, &UpdatableFile::onDownloadFailed);
	disconnect(downloader, &Downloader::fireDownloadUnnecessary, this, &UpdatableFile::onDownloadUnnecessary);

	pAction();
	mUpdateRunning = false;
}


void UpdatableFile::onDownloadSuccess(const QUrl& pUpdateUrl, const QDateTime& pNewTimestamp, const QByteArray& pData)
{
	if (pUpdateUrl != mUpdateUrl)
	{
		return;
	}

	if (mSectionCachePath.isEmpty())
	{
		// A copy stored from the empty path would land at the root of the file system.
		qCCritical(fileprovider) << "Cannot store downloaded file without cache folder:" << mSection + QLatin1Char('/') + mName;
	}
	else
	{
		const auto filePath = mSectionCachePath + QLatin1Char('/') + mName + QLatin1Char('_') + pNewTimestamp.toUTC().toString(cTimestampFormat);
		if (writeDataToFile(pData, filePath))
		{
			Q_EMIT fireUpdated();
		}
		else
		{
			qCCritical(fileprovider) << "Could not write downloaded file" << filePath;
		}
	}

	cleanupAfterUpdate([this] {
				clearDirty();
			});
}


void UpdatableFile::onDownloadFailed(const QUrl& pUpdateUrl, GlobalStatus::Code pErrorCode)
{
	if (pUpdateUrl != mUpdateUrl)
	{
		return;
	}

	cleanupAfterUpdate([pErrorCode] {
				qCCritical(fileprovider) << "Download failed with error code:" << pErrorCode;
			});
}


void UpdatableFile::onDownloadUnnecessary(const QUrl& pUpdateUrl)
{
	if (pUpdateUrl != mUpdateUrl)
	{
		return;
	}

	Q_EMIT fireNoUpdateAvailable();
	cleanupAfterUpdate([this] {
				clearDirty();
			});
}


bool UpdatableFile::writeDataToFile(const QByteArray& pData, const QString& pFilePath) const
{
	QFile file(pFilePath);
	if (file.exists())
	{
		qCDebug(fileprovider) << "File already up to date:" << pFilePath;
		return true;
	}

	if (!file.open(QIODevice::WriteOnly))
	{
		qCCritical(fileprovider) << "File could not be opened for writing:" << pFilePath;
		return false;
	}

	// Flushed before the size is judged: a full disk shows up only when the buffer is written.
	if (file.write(pData) < pData.size() || !file.flush())
	{
		qCCritical(fileprovider) << "Not all data could be written to file:" << pFilePath;
		file.close();
		file.remove();
		return false;
	}

	qCDebug(fileprovider) << "Data written to file:" << pFilePath;
	file.close();
	return true;
}


void UpdatableFile::markDirty() const
{
	if (mName.isEmpty())
	{
		return;
	}

	if (mSectionCachePath.isEmpty())
	{
		qCCritical(fileprovider) << "Cannot mark invalid file:" << mSection + QLatin1Char('/') + mName;
		return;
	}

	QFile marker(dirtyFilePath());
	if (marker.exists())
	{
		return;
	}
	if (!marker.open(QIODevice::WriteOnly))
	{
		qCCritical(fileprovider) << "Cannot create file:" << marker.fileName();
		return;
	}
	marker.close();
}


void UpdatableFile::clearDirty() const
{
	if (mName.isEmpty())
	{
		return;
	}

	if (mSectionCachePath.isEmpty())
	{
		qCCritical(fileprovider) << "Cannot clear invalid file:" << mSection + QLatin1Char('/') + mName;
		return;
	}

	QFile marker(dirtyFilePath());
	if (marker.exists() && !marker.remove())
	{
		qCCritical(fileprovider) << "Cannot remove file:" << marker.fileName();
	}
}


bool UpdatableFile::isDirty() const
{
	// Without a cache folder the marker's path would lie at the root of the file system.
	return !mName.isEmpty() && !mSectionCachePath.isEmpty() && QFile::exists(dirtyFilePath());
}


void UpdatableFile::setDefaultPath(const QString& pPath)
{
	if (mDefaultPath != pPath)
	{
		mDefaultPath = pPath;
	}
}
