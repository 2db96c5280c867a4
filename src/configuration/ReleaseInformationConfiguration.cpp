#include "ReleaseInformationConfiguration.h"

#include "LogCategories.h"

#include <QVersionNumber>

using namespace tessarovin;

namespace
{

// Deferred: a set may be replaced from within a handler of its own signal.
QSharedPointer<ReleaseInformation> makeInformation(const VersionNumber& pVersion, bool pConsiderOnlyThisVersion)
{
	return QSharedPointer<ReleaseInformation>(new ReleaseInformation(pVersion, pConsiderOnlyThisVersion), &QObject::deleteLater);
}


} // namespace


ReleaseInformationConfiguration::ReleaseInformationConfiguration()
	: QObject()
	, mReleaseInformationCurrent(makeInformation(VersionNumber::getApplicationVersion(), false))
	, mReleaseInformationUpdate()
{
	connect(mReleaseInformationCurrent.data(), &ReleaseInformation::fireInformationChanged, this, &ReleaseInformationConfiguration::fireCurrentInformationChanged);
}


void ReleaseInformationConfiguration::setInformation(QSharedPointer<ReleaseInformation>& pTarget, const QSharedPointer<ReleaseInformation>& pNew, void (ReleaseInformationConfiguration::* pSignal)())
{
	if (pTarget)
	{
		pTarget->disconnect(this);
	}
	pTarget = pNew;
	connect(pTarget.data(), &ReleaseInformation::fireInformationChanged, this, pSignal);

	if (pTarget->requiresInitialUpdate())
	{
		// The signal follows once a file has arrived.
		pTarget->update();
		return;
	}
	Q_EMIT(this->*pSignal)();
}


QSharedPointer<const ReleaseInformation> ReleaseInformationConfiguration::getCurrentInformation() const
{
	return mReleaseInformationCurrent;
}


QSharedPointer<const ReleaseInformation> ReleaseInformationConfiguration::getUpdateInformation() const
{
	return mReleaseInformationUpdate;
}


void ReleaseInformationConfiguration::setUpdateVersion(const VersionNumber& pVersion)
{
	qCInfo(tessarovin::update) << "Loading update release information for" << pVersion.getVersionNumber().toString();
	setInformation(mReleaseInformationUpdate, makeInformation(pVersion, true), &ReleaseInformationConfiguration::fireUpdateInformationChanged);
}


void ReleaseInformationConfiguration::update()
{
	mReleaseInformationCurrent->update();
	if (mReleaseInformationUpdate)
	{
		mReleaseInformationUpdate->update();
	}
}


void ReleaseInformationConfiguration::updateIfNeeded()
{
	if (mReleaseInformationCurrent->requiresInitialUpdate())
	{
		update();
	}
}


void ReleaseInformationConfiguration::reload()
{
	setInformation(mReleaseInformationCurrent, makeInformation(VersionNumber::getApplicationVersion(), false), &ReleaseInformationConfiguration::fireCurrentInformationChanged);
	if (mReleaseInformationUpdate)
	{
		// A copy: setUpdateVersion replaces the set that holds it.
		const auto version = mReleaseInformationUpdate->versionNumber();
		setUpdateVersion(version);
	}
}
