#pragma once

#include "Env.h"

#include <QObject>
#include <QReadWriteLock>
#include <QString>

namespace tessarovin
{

// How the application is driven in this run; never stored. Any thread may use it.
class VolatileSettings
	: public QObject
	, public Env::ThreadSafe
{
	Q_OBJECT
	friend class Env;

	public:
		// Texts an SDK user gives for display during a workflow.
		class Messages
		{
			private:
				QString mSessionStarted;
				QString mSessionFailed;
				QString mSessionSucceeded;
				QString mSessionInProgress;

			public:
				Messages(const QString& pSessionStarted = QString(),
						const QString& pSessionFailed = QString(),
						const QString& pSessionSucceeded = QString(),
						const QString& pSessionInProgress = QString());

				[[nodiscard]] QString getSessionStarted() const;
				[[nodiscard]] QString getSessionFailed() const;
				[[nodiscard]] QString getSessionSucceeded() const;
				[[nodiscard]] QString getSessionInProgress() const;
		};

	private:
		mutable QReadWriteLock mLock;
		bool mUsedAsSdk;
		bool mDeveloperMode;
		bool mHandleInterrupt;
		Messages mMessages;
		int mDelay;
		bool mOnboardingShown;

	protected:
		VolatileSettings();

	public:
		[[nodiscard]] bool isUsedAsSdk() const;
		void setUsedAsSdk(bool pSdk);

		[[nodiscard]] bool isDeveloperMode() const;
		void setDeveloperMode(bool pMode);

		[[nodiscard]] bool isHandleInterrupt() const;
		void setHandleInterrupt(bool pHandleInterrupt);

		[[nodiscard]] Messages getMessages() const;
		void setMessages(const Messages& pMessages);

		[[nodiscard]] int getDelay() const;
		void setDelay(int pDelay);

		[[nodiscard]] bool isOnboardingShown() const;
		void setOnboardingShown(bool pShown);

	Q_SIGNALS:
		void fireUsedAsSdkChanged();
};

} // namespace tessarovin
