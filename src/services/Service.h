#pragma once

#include "GlobalStatus.h"

#include <QObject>
#include <QTimer>

namespace tessarovin
{

// Keeps the downloadable content fresh: on the first run after start-up and once a day after that,
// a program update check followed by the provider list, the reader list and the release
// information, one after the other. A singleton of Env on the main thread.
class Service
	: public QObject
{
	Q_OBJECT
	friend class Env;

	public:
		enum class UpdateType
		{
			APPCAST,
			PROVIDER,
			READER,
			RELEASEINFORMATION
		};

	private:
		QTimer mTimer;
		bool mUpdateScheduled;
		int mOneDayInMs;

		Service();
		~Service() override = default;

	public:
		void runUpdateIfNeeded(bool pCheckProxy = false);
		void updateAppcast();
		void doUpdate(UpdateType pType, bool pForceUpdate = false);

		// Another period between automatic runs, counted from now.
		void setUpdateInterval(int pMilliseconds);

	private Q_SLOTS:
		void onTimedUpdateTriggered();
		void onProviderUpdateFinished();
		void onReaderUpdateFinished();
		void onAppcastFinished(bool pUpdateAvailable, const GlobalStatus& pError);

	Q_SIGNALS:
		void fireAppcastFinished(bool pUpdateAvailable);
		void fireUpdateScheduled();
};

} // namespace tessarovin
