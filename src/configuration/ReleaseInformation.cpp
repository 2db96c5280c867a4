#include "ReleaseInformation.h"

#include "FileProvider.h"
#include "LanguageLoader.h"
#include "UpdatableFile.h"

#include <QVersionNumber>

using namespace tessarovin;


ReleaseInformation::ReleaseInformation(const VersionNumber& pVersion, bool pConsiderOnlyThisVersion)
	: QObject()
	, mReleaseNotes(getReleaseNotes(pVersion, pConsiderOnlyThisVersion))
	, mAnnouncements(getFile(QStringLiteral("announce.txt")))
	, mIssues(getFile(QStringLiteral("issues.txt")))
	, mVersion(pVersion)
{
	for (const auto& file : std::as_const(mReleaseNotes))
	{
		connect(file.data(), &UpdatableFile::fireUpdated, this, &ReleaseInformation::fireInformationChanged);
	}
	connect(mAnnouncements.data(), &UpdatableFile::fireUpdated, this, &ReleaseInformation::fireInformationChanged);
	connect(mIssues.data(), &UpdatableFile::fireUpdated, this, &ReleaseInformation::fireInformationChanged);
}


QSharedPointer<UpdatableFile> ReleaseInformation::getFile(const QString& pName)
{
	const auto language = LanguageLoader::getLocaleCode(LanguageLoader::getInstance().getUsedLocale());
	return FileProvider::getInstance().getFile(QStringLiteral("releasenotes/%1").arg(language), pName);
}


QList<QSharedPointer<UpdatableFile>> ReleaseInformation::getReleaseNotes(const VersionNumber& pVersion, bool pConsiderOnlyThisVersion)
{
	const auto& version = pVersion.getVersionNumber();
	const auto major = version.majorVersion();
	const auto minor = version.minorVersion();
	const auto micro = version.microVersion();
	const auto fileName = [](const QVersionNumber& pNumber){
				return pNumber.toString() + QStringLiteral(".txt");
			};

	// A beta has no patch levels of its own: all its betas share one text.
	if (version.segmentCount() >= 3 && micro >= 100)
	{
		return {getFile(fileName(QVersionNumber(major, minor, 100)))};
	}

	if (pConsiderOnlyThisVersion)
	{
		return {getFile(fileName(version))};
	}

	QList<QSharedPointer<UpdatableFile>> files;
	for (int patch = qMax(micro, 0); patch >= 0; --patch)
	{
		files << getFile(fileName(QVersionNumber(major, minor, patch)));
	}
	return files;
}


void ReleaseInformation::update()
{
	for (const auto& file : std::as_const(mReleaseNotes))
	{
		file->update();
	}
	mAnnouncements->update();
	mIssues->update();
}


bool ReleaseInformation::requiresInitialUpdate() const
{
	if (mVersion.isBetaVersion())
	{
		return true;
	}

	const auto notes = pathReleaseNotes();
	const bool missingNote = std::any_of(notes.cbegin(), notes.cend(), [](const QString& pPath){
				return pPath.isEmpty();
			});
	return missingNote || pathAnnouncements().isEmpty() || pathIssues().isEmpty();
}


QStringList ReleaseInformation::pathReleaseNotes() const
{
	QStringList paths;
	for (const auto& file : std::as_const(mReleaseNotes))
	{
		paths << file->lookupPath();
	}
	return paths;
}


QString ReleaseInformation::pathAnnouncements() const
{
	return mAnnouncements->lookupPath();
}


QString ReleaseInformation::pathIssues() const
{
	return mIssues->lookupPath();
}


const VersionNumber& ReleaseInformation::versionNumber() const
{
	return mVersion;
}
