#pragma once

#include "GlobalStatus.h"

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

namespace tessarovin
{

// One data file with a copy in the resources that newer copies from the update server replace.
// Downloaded copies stay in the cache folder with their time stamp in the name; the newest wins.
// Made and shared only by the FileProvider; lives on the main thread.
class UpdatableFile
	: public QObject
{
	Q_OBJECT

	public:
		using CacheLocations = std::function<QStringList()>;

	private:
		const QString mSection;
		const QString mName;
		QString mDefaultPath;
		const QString mSectionCachePath;
		const QUrl mUpdateUrl;
		bool mUpdateRunning;

		[[nodiscard]] static CacheLocations& cacheLocations();
		[[nodiscard]] static QString sectionCachePath(const QString& pSection);
		[[nodiscard]] static QString makeSectionCachePath(const QString& pSection);
		[[nodiscard]] static QUrl makeUpdateUrl(const QString& pSection, const QString& pName);
		[[nodiscard]] static QString checkedName(const QString& pName);

		[[nodiscard]] QString resourcePath() const;
		[[nodiscard]] QString dirtyFilePath() const;
		[[nodiscard]] QString cacheFilePath() const;
		[[nodiscard]] QDateTime cacheTimestamp() const;
		[[nodiscard]] bool writeDataToFile(const QByteArray& pData, const QString& pFilePath) const;
		void cleanupAfterUpdate(const std::function<void()>& pAction);

	public:
		// The pattern of the time stamp in the names of cached copies.
		static const QString cTimestampFormat;

		// Tests put another list of cache folders in place; an empty function restores the platform's.
		static void setCacheLocations(const CacheLocations& pCacheLocations);

		UpdatableFile(const QString& pSection, const QString& pName, const QString& pDefaultPath = QString());

		[[nodiscard]] QString lookupPath();
		[[nodiscard]] QUrl lookupUrl();
		bool forEachLookupPath(const std::function<bool(const QString&)>& pValidate);
		void update();
		void markDirty() const;
		void clearDirty() const;
		[[nodiscard]] bool isDirty() const;
		void setDefaultPath(const QString& pPath);

	private Q_SLOTS:
		void onDownloadSuccess(const QUrl& pUpdateUrl, const QDateTime& pNewTimestamp, const QByteArray& pData);
		void onDownloadFailed(const QUrl& pUpdateUrl, GlobalStatus::Code pErrorCode);
		void onDownloadUnnecessary(const QUrl& pUpdateUrl);

	Q_SIGNALS:
		void fireUpdated();
		void fireNoUpdateAvailable();
};

} // namespace tessarovin
