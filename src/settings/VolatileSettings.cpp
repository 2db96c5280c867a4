#include "VolatileSettings.h"

using namespace tessarovin;

VolatileSettings::Messages::Messages(const QString& pSessionStarted,
		const QString& pSessionFailed,
		const QString& pSessionSucceeded,
		const QString& pSessionInProgress)
	: mSessionStarted(pSessionStarted)
	// Readers tell "no text given" by emptiness; a null text would be taken for a missing one.
	, mSessionFailed(pSessionFailed.isNull() ? QLatin1String("") : pSessionFailed)
	, mSessionSucceeded(pSessionSucceeded)
	, mSessionInProgress(pSessionInProgress)
{
}


QString VolatileSettings::Messages::getSessionStarted() const
{
	return mSessionStarted;
}


QString VolatileSettings::Messages::getSessionFailed() const
{
	return mSessionFailed;
}


QString VolatileSettings::Messages::getSessionSucceeded() const
{
	return mSessionSucceeded;
}


QString VolatileSettings::Messages::getSessionInProgress() const
{
	return mSessionInProgress;
}


VolatileSettings::VolatileSettings()
	: QObject()
	, mLock()
	, mUsedAsSdk(true)
	, mDeveloperMode(false)
	, mHandleInterrupt(false)
	, mMessages()
	, mDelay(0)
	, mOnboardingShown(false)
{
}


bool VolatileSettings::isUsedAsSdk() const
{
	const QReadLocker locker(&mLock);
	return mUsedAsSdk;
}


void VolatileSettings::setUsedAsSdk(bool pSdk)
{
	{
		const QWriteLocker locker(&mLock);
		if (mUsedAsSdk == pSdk)
		{
			return;
		}
		mUsedAsSdk = pSdk;
	}

	// Outside the lock: connected slots may read the settings again.
	Q_EMIT fireUsedAsSdkChanged();
}


bool VolatileSettings::isDeveloperMode() const
{
	const QReadLocker locker(&mLock);
	return mDeveloperMode;
}


void VolatileSettings::setDeveloperMode(bool pMode)
{
	const QWriteLocker locker(&mLock);
	mDeveloperMode = pMode;
}


bool VolatileSettings::isHandleInterrupt() const
{
	const QReadLocker locker(&mLock);
	return mHandleInterrupt;
}


void VolatileSettings::setHandleInterrupt(bool pHandleInterrupt)
{
	const QWriteLocker locker(&mLock);
	mHandleInterrupt = pHandleInterrupt;
}


VolatileSettings::Messages VolatileSettings::getMessages() const
{
	const QReadLocker locker(&mLock);
	return mMessages;
}


void VolatileSettings::setMessages(const Messages& pMessages)
{
	const QWriteLocker locker(&mLock);
	mMessages = pMessages;
}


int VolatileSettings::getDelay() const
{
	const QReadLocker locker(&mLock);
	return mDelay;
}


void VolatileSettings::setDelay(int pDelay)
{
	const QWriteLocker locker(&mLock);
	mDelay = pDelay;
}


bool VolatileSettings::isOnboardingShown() const
{
	const QReadLocker locker(&mLock);
	return mOnboardingShown;
}


void VolatileSettings::setOnboardingShown(bool pShown)
{
	const QWriteLocker locker(&mLock);
	mOnboardingShown = pShown;
}
