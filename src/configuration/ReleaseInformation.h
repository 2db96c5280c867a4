#pragma once

#include "VersionNumber.h"

#include <QList>
#include <QObject>
#include <QSharedPointer>
#include <QStringList>

namespace tessarovin
{

class UpdatableFile;

// The release notes of one version (newest first), the announcements and the known issues, as
// updatable files of the user-interface language. Lives on the main thread.
class ReleaseInformation
	: public QObject
{
	Q_OBJECT

	private:
		const QList<QSharedPointer<UpdatableFile>> mReleaseNotes;
		const QSharedPointer<UpdatableFile> mAnnouncements;
		const QSharedPointer<UpdatableFile> mIssues;
		const VersionNumber mVersion;

		[[nodiscard]] static QList<QSharedPointer<UpdatableFile>> getReleaseNotes(const VersionNumber& pVersion, bool pConsiderOnlyThisVersion);
		[[nodiscard]] static QSharedPointer<UpdatableFile> getFile(const QString& pName);

	public:
		// Only-this-version: the notes of that version alone, not those of its earlier patch levels.
		explicit ReleaseInformation(const VersionNumber& pVersion = VersionNumber::getApplicationVersion(), bool pConsiderOnlyThisVersion = false);
		~ReleaseInformation() override = default;

		virtual void update();
		[[nodiscard]] virtual bool requiresInitialUpdate() const;
		[[nodiscard]] virtual QStringList pathReleaseNotes() const;
		[[nodiscard]] virtual QString pathAnnouncements() const;
		[[nodiscard]] virtual QString pathIssues() const;
		[[nodiscard]] virtual const VersionNumber& versionNumber() const;

	Q_SIGNALS:
		void fireInformationChanged();
};

} // namespace tessarovin
