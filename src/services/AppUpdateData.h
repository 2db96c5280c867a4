#pragma once

#include "GlobalStatus.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QDateTime>
#include <QString>
#include <QUrl>
#include <QVersionNumber>

namespace tessarovin
{

// One program update for this platform from the update server's version information, with the
// place of its package and checksum file and the check of a downloaded package.
class AppUpdateData
{
	private:
		QVersionNumber mMinimumPlatform;
		QDateTime mDate;
		QString mVersion;
		QUrl mUrl;
		int mSize;
		QUrl mChecksumUrl;
		QCryptographicHash::Algorithm mChecksumAlgorithm;
		QByteArray mChecksum;
		bool mChecksumValid;
		QString mUpdatePackagePath;
		GlobalStatus mParsingResult;

	public:
		// The name under which the version information lists the packages of this build.
		[[nodiscard]] static QString getPlatformName();

		explicit AppUpdateData(const GlobalStatus& pParsingResult = GlobalStatus::Code::No_Error);
		explicit AppUpdateData(const QByteArray& pData);

		[[nodiscard]] bool isValid() const;
		// Whether the running system is at least the package's minimum platform.
		[[nodiscard]] bool isCompatible() const;

		[[nodiscard]] const QVersionNumber& getMinimumPlatform() const;
		[[nodiscard]] const QDateTime& getDate() const;
		[[nodiscard]] const QString& getVersion() const;
		[[nodiscard]] const QUrl& getUrl() const;
		[[nodiscard]] int getSize() const;
		[[nodiscard]] const QUrl& getChecksumUrl() const;
		[[nodiscard]] QCryptographicHash::Algorithm getChecksumAlgorithm() const;
		[[nodiscard]] const QByteArray& getChecksum() const;
		[[nodiscard]] bool isChecksumValid() const;
		[[nodiscard]] QString getUpdatePackagePath() const;
		[[nodiscard]] const GlobalStatus& getParsingResult() const;

		// The text of a checksum file: the digest, optionally followed by a space and a file name.
		void setChecksum(const QByteArray& pChecksum, QCryptographicHash::Algorithm pAlgorithm);
		void setUpdatePackagePath(const QString& pFile);
		void verifyChecksum();
};

} // namespace tessarovin
