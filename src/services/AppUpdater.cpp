#include "AppUpdater.h"

#include "Downloader.h"
#include "Env.h"
#include "LogCategories.h"
#include "SecureStorage.h"
#include "VersionNumber.h"

#include <QDir>
#include <QFile>
#include <QMetaEnum>
#include <QStandardPaths>

using namespace tessarovin;

namespace
{

QCryptographicHash::Algorithm algorithmOfFile(const QString& pFileName)
{
	const auto parts = pFileName.split(QLatin1Char('.'), Qt::SkipEmptyParts);
	if (parts.isEmpty())
	{
		return QCryptographicHash::Sha256;
	}

	const auto& suffix = parts.constLast();
	const auto name = suffix.left(1).toUpper() + suffix.mid(1).toLower();
	bool ok = false;
	const auto value = QMetaEnum::fromType<QCryptographicHash::Algorithm>().keyToValue(name.toLatin1().constData(), &ok);
	return ok ? static_cast<QCryptographicHash::Algorithm>(value) : QCryptographicHash::Sha256;
}


} // namespace


AppUpdater::AppUpdater()
	: QObject()
	, mAppUpdateJsonUrl(SecureStorage::getInstance().getUrl(VersionNumber::getApplicationVersion().isBetaVersion()
			? SecureStorage::UPDATES_BETA
			: SecureStorage::UPDATES_RELEASE))
	, mAppUpdateData()
	, mDownloadPath(QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QLatin1Char('/'))
	, mDownloadType(DownloadType::NONE)
{
}


QUrl AppUpdater::getUrl(DownloadType pType) const
{
	switch (pType)
	{
		case DownloadType::APPCAST:
			return mAppUpdateJsonUrl;

		case DownloadType::CHECKSUM:
			return mAppUpdateData.getChecksumUrl();

		case DownloadType::PACKAGE:
			return mAppUpdateData.getUrl();

		case DownloadType::NONE:
			break;
	}
	return QUrl();
}


bool AppUpdater::checkAppUpdate()
{
	// Checked before the data are dropped: a running package download still needs its URLs.
	if (mDownloadType != DownloadType::NONE)
	{
		return false;
	}

	mAppUpdateData = AppUpdateData();
	return download(DownloadType::APPCAST);
}


bool AppUpdater::downloadUpdate()
{
	if (!mAppUpdateData.isValid())
	{
		return false;
	}
	return download(DownloadType::CHECKSUM);
}


bool AppUpdater::abortDownload()
{
	const auto url = getUrl(mDownloadType);
	if (!url.isValid())
	{
		return false;
	}
	return Env::getSingleton<Downloader>()->abort(url);
}


DownloadType AppUpdater::getDownloadType() const
{
	return mDownloadType;
}


const AppUpdateData& AppUpdater::getUpdateData() const
{
	return mAppUpdateData;
}


bool AppUpdater::download(DownloadType pType)
{
	if (mDownloadType != DownloadType::NONE)
	{
		return false;
	}

	const auto* downloader = Env::getSingleton<Downloader>();
	connect(downloader, &Downloader::fireDownloadProgress, this, &AppUpdater::onDownloadProgress);
	connect(downloader, &Downloader::fireDownloadSuccess, this, &AppUpdater::onDownloadFinished);
	connect(downloader, &Downloader::fireDownloadFailed, this, &AppUpdater::onDownloadFailed);
	connect(downloader, &Downloader::fireDownloadUnnecessary, this, &AppUpdater::onDownloadUnnecessary);

	const auto url = getUrl(pType);
	if (!url.isValid())
	{
		clearDownloaderConnection();
		return false;
	}

	setDownloadType(pType);
	// No time stamp: a program update is always fetched whole.
	Env::getSingleton<Downloader>()->download(url, QDateTime());
	return true;
}


void AppUpdater::clearDownloaderConnection()
{
	Env::getSingleton<Downloader>()->disconnect(this);
	setDownloadType(DownloadType::NONE);
}


void AppUpdater::setDownloadType(DownloadType pType)
{
	if (mDownloadType != pType)
	{
		mDownloadType = pType;
		Q_EMIT fireDownloadTypeChanged();
	}
}


void AppUpdater::onDownloadFinished(const QUrl& pUpdateUrl, const QDateTime& pNewTimestamp, const QByteArray& pData)
{
	Q_UNUSED(pNewTimestamp)

	if (pUpdateUrl == mAppUpdateJsonUrl)
	{
		handleVersionInfoDownloadFinished(pData);
	}
	else if (pUpdateUrl == mAppUpdateData.getChecksumUrl())
	{
		handleChecksumDownloadFinished(pUpdateUrl, pData);
	}
	else if (pUpdateUrl == mAppUpdateData.getUrl())
	{
		handleAppDownloadFinished(pData);
	}
	else
	{
		qCWarning(appupdate) << "Unhandled download result from" << pUpdateUrl;
	}
}


void AppUpdater::handleVersionInfoDownloadFinished(const QByteArray& pData)
{
	const AppUpdateData data(pData);
	if (data.isValid())
	{
		mAppUpdateData = data;
		const VersionNumber version(data.getVersion());
		const auto& running = VersionNumber::getApplicationVersion();
		if (version > running)
		{
			qCInfo(appupdate) << "Found new version:" << data.getVersion() << ", greater than old version" << QCoreApplication::applicationVersion();
			Q_EMIT fireAppcastCheckFinished(true, GlobalStatus::Code::No_Error);
		}
		else
		{
			qCDebug(appupdate) << "No new version:" << data.getVersion();
			Q_EMIT fireAppcastCheckFinished(false, GlobalStatus::Code::No_Error);
		}
	}
	else
	{
		Q_EMIT fireAppcastCheckFinished(false, data.getParsingResult());
	}

	clearDownloaderConnection();
}


void AppUpdater::handleChecksumDownloadFinished(const QUrl& pUpdateUrl, const QByteArray& pData)
{
	const auto fileName = pUpdateUrl.fileName();
	qCDebug(appupdate) << "Checksum file downloaded successfully:" << fileName;
	Q_UNUSED(save(pData, fileName))
	clearDownloaderConnection();

	mAppUpdateData.setChecksum(pData, algorithmOfFile(fileName));

	const auto packagePath = mDownloadPath + mAppUpdateData.getUrl().fileName();
	if (QFile::exists(packagePath))
	{
		qCDebug(appupdate) << "Package already exists:" << packagePath;
		mAppUpdateData.setUpdatePackagePath(packagePath);
		if (mAppUpdateData.isChecksumValid())
		{
			qCDebug(appupdate) << "Reuse valid package...";
			Q_EMIT fireAppDownloadFinished(GlobalStatus::Code::No_Error);
			return;
		}
		qCDebug(appupdate) << "Checksum of package invalid...";
	}

	qCDebug(appupdate) << "Download package...";
	download(DownloadType::PACKAGE);
}


void AppUpdater::handleAppDownloadFinished(const QByteArray& pData)
{
	clearDownloaderConnection();
	const auto fileName = mAppUpdateData.getUrl().fileName();
	qCDebug(appupdate) << "Package downloaded successfully:" << fileName;

	GlobalStatus::Code status = GlobalStatus::Code::Downloader_Cannot_Save_File;
	if (const auto path = save(pData, fileName); !path.isNull())
	{
		mAppUpdateData.setUpdatePackagePath(path);
		status = mAppUpdateData.isChecksumValid() ? GlobalStatus::Code::No_Error : GlobalStatus::Code::Downloader_Data_Corrupted;
	}
	Q_EMIT fireAppDownloadFinished(status);
}


void AppUpdater::onDownloadFailed(const QUrl& pUpdateUrl, GlobalStatus::Code pErrorCode)
{
	if (pUpdateUrl == mAppUpdateJsonUrl)
	{
		qCDebug(appupdate) << "App Update JSON failed:" << GlobalStatus(pErrorCode).toErrorDescription();
		Q_EMIT fireAppcastCheckFinished(false, pErrorCode);
		clearDownloaderConnection();
	}
	else if (pUpdateUrl == mAppUpdateData.getChecksumUrl() || pUpdateUrl == mAppUpdateData.getUrl())
	{
		qCDebug(appupdate) << "Download failed:" << GlobalStatus(pErrorCode).toErrorDescription() << "," << pUpdateUrl;
		Q_EMIT fireAppDownloadFinished(pErrorCode);
		clearDownloaderConnection();
	}
}


void AppUpdater::onDownloadUnnecessary(const QUrl& pUpdateUrl)
{
	const bool appcast = pUpdateUrl == mAppUpdateJsonUrl;
	if (!appcast && pUpdateUrl != mAppUpdateData.getChecksumUrl() && pUpdateUrl != mAppUpdateData.getUrl())
	{
		return;
	}

	qCCritical(appupdate) << "Got a DownloadUnnecessary from Downloader, but App Updates always have to be fresh, this should not be happening";
	clearDownloaderConnection();
	// Reported where the caller waits: a package download ends with its own signal.
	if (appcast)
	{
		Q_EMIT fireAppcastCheckFinished(false, GlobalStatus::Code::Network_Other_Error);
	}
	else
	{
		Q_EMIT fireAppDownloadFinished(GlobalStatus::Code::Network_Other_Error);
	}
}


void AppUpdater::onDownloadProgress(const QUrl& pUpdateUrl, qint64 pBytesReceived, qint64 pBytesTotal)
{
	const auto total = pBytesTotal == -1 ? qint64(mAppUpdateData.getSize()) : pBytesTotal;
	if (pUpdateUrl == mAppUpdateJsonUrl)
	{
		Q_EMIT fireAppcastProgress(pBytesReceived, total);
	}
	else if (pUpdateUrl == mAppUpdateData.getUrl())
	{
		Q_EMIT fireAppDownloadProgress(pBytesReceived, total);
	}
}


QString AppUpdater::save(const QByteArray& pData, const QString& pFilename) const
{
	if (!QDir(mDownloadPath).exists())
	{
		qCDebug(appupdate) << "Create cache directory:" << QDir().mkpath(mDownloadPath);
	}

	const auto path = mDownloadPath + pFilename;
	QFile file(path);
	if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
	{
		qCCritical(appupdate) << "File could not be opened for writing:" << pFilename;
		return QString();
	}

	if (file.write(pData) != pData.size())
	{
		qCCritical(appupdate) << "Not all data could be written to file:" << pFilename;
		file.close();
		file.remove();
		return QString();
	}

	qCDebug(appupdate) << "Data written to file:" << pFilename;
	file.close();
	return path;
}
