#include "Service.h"

#include "AppSettings.h"
#include "AppUpdater.h"
#include "Env.h"
#include "LogCategories.h"
#include "ProviderConfiguration.h"
#include "ReaderConfiguration.h"
#include "ReleaseInformationConfiguration.h"
#include "SecureStorage.h"
#include "VersionNumber.h"

#include <QMetaObject>
#include <QNetworkProxy>
#include <QNetworkProxyFactory>
#include <QNetworkProxyQuery>

using namespace tessarovin;


Service::Service()
	: QObject()
	, mTimer(this)
	, mUpdateScheduled(true)
	, mOneDayInMs(1000 * 60 * 60 * 24)
{
	mTimer.setSingleShot(true);
	connect(&mTimer, &QTimer::timeout, this, &Service::onTimedUpdateTriggered);

	const auto* providers = Env::getSingleton<ProviderConfiguration>();
	connect(providers, &ProviderConfiguration::fireUpdated, this, &Service::onProviderUpdateFinished);
	connect(providers, &ProviderConfiguration::fireNoUpdateAvailable, this, &Service::onProviderUpdateFinished);

	connect(Env::getSingleton<AppUpdater>(), &AppUpdater::fireAppcastCheckFinished, this, &Service::onAppcastFinished);

	const auto* readers = Env::getSingleton<ReaderConfiguration>();
	connect(readers, &ReaderConfiguration::fireUpdated, this, &Service::onReaderUpdateFinished);
	connect(readers, &ReaderConfiguration::fireNoUpdateAvailable, this, &Service::onReaderUpdateFinished);

	mTimer.start(mOneDayInMs);
}


void Service::setUpdateInterval(int pMilliseconds)
{
	mOneDayInMs = pMilliseconds;
	mTimer.start(mOneDayInMs);
}


void Service::onTimedUpdateTriggered()
{
	mUpdateScheduled = true;
	Q_EMIT fireUpdateScheduled();
}


void Service::runUpdateIfNeeded(bool pCheckProxy)
{
	if (pCheckProxy)
	{
		const QNetworkProxyQuery query(SecureStorage::getInstance().getUrl(SecureStorage::UPDATES_RELEASE));
		const auto proxies = QNetworkProxyFactory::proxyForQuery(query);
		// Nothing runs by itself behind a proxy: it may ask the user for credentials.
		if (!proxies.isEmpty() && proxies.constFirst().type() != QNetworkProxy::NoProxy)
		{
			return;
		}
	}

	if (!mUpdateScheduled)
	{
		return;
	}

	mUpdateScheduled = false;
	QMetaObject::invokeMethod(this, [this] {
				doUpdate(UpdateType::APPCAST);
			}, Qt::QueuedConnection);
}


void Service::updateAppcast()
{
	doUpdate(UpdateType::APPCAST, true);
}


void Service::doUpdate(UpdateType pType, bool pForceUpdate)
{
	switch (pType)
	{
		case UpdateType::APPCAST:
			mTimer.start(mOneDayInMs);
			if (!pForceUpdate && !Env::getSingleton<AppSettings>()->getGeneralSettings().isAutoUpdateCheck())
			{
				doUpdate(UpdateType::PROVIDER);
				return;
			}
			Env::getSingleton<AppUpdater>()->checkAppUpdate();
			return;

		case UpdateType::PROVIDER:
			Env::getSingleton<ProviderConfiguration>()->update();
			return;

		case UpdateType::READER:
			Env::getSingleton<ReaderConfiguration>()->update();
			return;

		case UpdateType::RELEASEINFORMATION:
			Env::getSingleton<ReleaseInformationConfiguration>()->updateIfNeeded();
			return;
	}
}


void Service::onAppcastFinished(bool pUpdateAvailable, const GlobalStatus& pError)
{
	if (pUpdateAvailable && pError.isNoError())
	{
		const VersionNumber version(Env::getSingleton<AppUpdater>()->getUpdateData().getVersion());
		Env::getSingleton<ReleaseInformationConfiguration>()->setUpdateVersion(version);
	}

	Q_EMIT fireAppcastFinished(pUpdateAvailable);

	const auto code = pError.getStatusCode();
	if (code == GlobalStatus::Code::No_Error || code == GlobalStatus::Code::Downloader_Missing_Platform)
	{
		doUpdate(UpdateType::PROVIDER);
	}
}


void Service::onProviderUpdateFinished()
{
	doUpdate(UpdateType::READER);
}


void Service::onReaderUpdateFinished()
{
	doUpdate(UpdateType::RELEASEINFORMATION);
}
