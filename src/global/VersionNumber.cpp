#include "VersionNumber.h"

#include <QCoreApplication>

using namespace tessarovin;


const VersionNumber& VersionNumber::getApplicationVersion()
{
	static const VersionNumber applicationVersion(QCoreApplication::applicationVersion());
	return applicationVersion;
}


VersionNumber::VersionNumber(const QString& pVersion)
	: mVersionNumber()
	, mSuffix()
{
	qsizetype suffixIndex = 0;
	mVersionNumber = QVersionNumber::fromString(pVersion, &suffixIndex);
	mSuffix = pVersion.mid(suffixIndex).trimmed();
}


const QVersionNumber& VersionNumber::getVersionNumber() const
{
	return mVersionNumber;
}


const QString& VersionNumber::getSuffix() const
{
	return mSuffix;
}


int VersionNumber::getDistance() const
{
	const auto plus = mSuffix.indexOf(QLatin1Char('+'));
	if (plus == -1)
	{
		return -1;
	}

	auto distance = QStringView(mSuffix).mid(plus + 1);
	if (const auto dash = distance.indexOf(QLatin1Char('-')); dash > 0)
	{
		distance = distance.left(dash);
	}

	bool ok = false;
	const int value = distance.toInt(&ok);
	return ok ? value : -1;
}


bool VersionNumber::isBetaVersion() const
{
	const auto segmentAtLeast100 = [this](int pIndex) {
				return mVersionNumber.segmentCount() > pIndex && mVersionNumber.segmentAt(pIndex) >= 100;
			};
	return segmentAtLeast100(1) || segmentAtLeast100(2);
}


bool VersionNumber::isDeveloperVersion() const
{
	return mVersionNumber.isNull() || isBetaVersion() || !mSuffix.isEmpty();
}


bool VersionNumber::operator<(const VersionNumber& pOther) const
{
	const int comparison = QVersionNumber::compare(mVersionNumber, pOther.mVersionNumber);
	return comparison < 0
		   || (comparison == 0
		   && mVersionNumber.segmentCount() == pOther.mVersionNumber.segmentCount()
		   && getDistance() < pOther.getDistance());
}


bool VersionNumber::operator>(const VersionNumber& pOther) const
{
	const int comparison = QVersionNumber::compare(mVersionNumber, pOther.mVersionNumber);
	return comparison > 0
		   || (comparison == 0
		   && mVersionNumber.segmentCount() == pOther.mVersionNumber.segmentCount()
		   && getDistance() > pOther.getDistance());
}
