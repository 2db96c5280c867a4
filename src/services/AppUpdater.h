#pragma once

#include "AppUpdateData.h"
#include "Enum.h"
#include "GlobalStatus.h"

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QUrl>

namespace tessarovin
{

// What the updater is fetching: nothing, the version information, the package's checksum file or
// the package itself.
defineEnumType(DownloadType,
		NONE = 0,
		APPCAST = 1,
		CHECKSUM = 2,
		PACKAGE = 3
		)

// Finds out whether a newer program version exists and fetches its package into the cache folder,
// checked against its checksum file; what to do with the package is the front end's business.
// A singleton of Env on the main thread; one download at a time, through the shared Downloader.
class AppUpdater
	: public QObject
{
	Q_OBJECT
	friend class Env;

	private:
		const QUrl mAppUpdateJsonUrl;
		AppUpdateData mAppUpdateData;
		const QString mDownloadPath;
		DownloadType mDownloadType;

		AppUpdater();
		~AppUpdater() override = default;

		[[nodiscard]] QUrl getUrl(DownloadType pType) const;
		bool download(DownloadType pType);
		void clearDownloaderConnection();
		void setDownloadType(DownloadType pType);
		[[nodiscard]] QString save(const QByteArray& pData, const QString& pFilename) const;

		void handleVersionInfoDownloadFinished(const QByteArray& pData);
		void handleChecksumDownloadFinished(const QUrl& pUpdateUrl, const QByteArray& pData);
		void handleAppDownloadFinished(const QByteArray& pData);

	public:
		bool checkAppUpdate();
		bool downloadUpdate();
		bool abortDownload();

		[[nodiscard]] DownloadType getDownloadType() const;
		[[nodiscard]] const AppUpdateData& getUpdateData() const;

	private Q_SLOTS:
		void onDownloadFinished(const QUrl& pUpdateUrl, const QDateTime& pNewTimestamp, const QByteArray& pData);
		void onDownloadFailed(const QUrl& pUpdateUrl, GlobalStatus::Code pErrorCode);
		void onDownloadUnnecessary(const QUrl& pUpdateUrl);
		void onDownloadProgress(const QUrl& pUpdateUrl, qint64 pBytesReceived, qint64 pBytesTotal);

	Q_SIGNALS:
		void fireAppcastCheckFinished(bool pUpdateAvailable, const GlobalStatus& pError);
		void fireAppcastProgress(qint64 pBytesReceived, qint64 pBytesTotal);
		void fireAppDownloadFinished(const GlobalStatus& pError);
		void fireAppDownloadProgress(qint64 pBytesReceived, qint64 pBytesTotal);
		void fireDownloadTypeChanged();
};

} // namespace tessarovin
