#pragma once

#include <QString>
#include <QVersionNumber>

namespace tessarovin
{

// An application version: numeric segments and a free suffix that may carry the build distance
// ("2.6.3+120-default").
class VersionNumber
{
	private:
		QVersionNumber mVersionNumber;
		QString mSuffix;

	public:
		static const VersionNumber& getApplicationVersion();

		explicit VersionNumber(const QString& pVersion);

		[[nodiscard]] const QVersionNumber& getVersionNumber() const;
		[[nodiscard]] const QString& getSuffix() const;
		[[nodiscard]] int getDistance() const;
		[[nodiscard]] bool isBetaVersion() const;
		[[nodiscard]] bool isDeveloperVersion() const;

		bool operator<(const VersionNumber& pOther) const;
		bool operator>(const VersionNumber& pOther) const;
};

} // namespace tessarovin
