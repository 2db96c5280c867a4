#include "ReaderManager.h"

#include "LogCategories.h"

#include <QDeadlineTimer>
#include <QMutexLocker>

using namespace tessarovin;

ReaderManager::ReaderManager()
	: QObject()
	, mMutex()
	, mThread()
	, mWorker()
	, mReaderInfoCache()
	, mPluginInfoCache()
{
	mThread.setObjectName(QStringLiteral("ReaderManagerThread"));
}


ReaderManager::~ReaderManager()
{
	if (mThread.isRunning())
	{
		qCWarning(card) << "ReaderManager is not stopped correctly...";
		shutdown();
	}
}


QList<std::function<void()>>& ReaderManager::getMainThreadInitializer()
{
	static QList<std::function<void()>> initializer;
	return initializer;
}


QMutex& ReaderManager::getMainThreadInitializerMutex()
{
	static QMutex mutex;
	return mutex;
}


void ReaderManager::registerMainThreadInitializer(const std::function<void()>& pInitializer)
{
	const QMutexLocker locker(&getMainThreadInitializerMutex());
	getMainThreadInitializer() << pInitializer;
}


bool ReaderManager::isReaderManagerThread() const
{
	return QThread::currentThread() == &mThread;
}


template<typename Info>
void ReaderManager::forwardWorkerSignal(ReaderManagerWorker* pWorker,
		void (ReaderManagerWorker::* pWorkerSignal)(const Info&),
		void (ReaderManager::* pCacheSlot)(const Info&),
		void (ReaderManager::* pOwnSignal)(const Info&))
{
	// One connection for both steps: the cache is current before any listener hears of the change.
	// A worker that has gone was shut down: what it sent meanwhile would refill the emptied caches.
	const QPointer<ReaderManagerWorker> worker(pWorker);
	connect(pWorker, pWorkerSignal, this, [this, worker, pCacheSlot, pOwnSignal](const Info& pInfo) {
			if (worker.isNull())
			{
				return;
			}
			(this->*pCacheSlot)(pInfo);
			Q_EMIT(this->*pOwnSignal)(pInfo);
		});
}


void ReaderManager::connectWorker(ReaderManagerWorker* pWorker)
{
	const QPointer<ReaderManagerWorker> worker(pWorker);
	connect(pWorker, &ReaderManagerWorker::fireInitialized, this, [this, worker] {
			if (!worker.isNull())
			{
				Q_EMIT fireInitialized();
			}
		});
	forwardWorkerSignal(pWorker, &ReaderManagerWorker::firePluginAdded, &ReaderManager::doUpdatePluginCache, &ReaderManager::firePluginAdded);
	forwardWorkerSignal(pWorker, &ReaderManagerWorker::fireStatusChanged, &ReaderManager::doUpdatePluginCache, &ReaderManager::fireStatusChanged);
	forwardWorkerSignal(pWorker, &ReaderManagerWorker::fireReaderAdded, &ReaderManager::doUpdateCacheEntry, &ReaderManager::fireReaderAdded);
	forwardWorkerSignal(pWorker, &ReaderManagerWorker::fireReaderRemoved, &ReaderManager::doRemoveCacheEntry, &ReaderManager::fireReaderRemoved);
	forwardWorkerSignal(pWorker, &ReaderManagerWorker::fireReaderPropertiesUpdated, &ReaderManager::doUpdateCacheEntry, &ReaderManager::fireReaderPropertiesUpdated);
	forwardWorkerSignal(pWorker, &ReaderManagerWorker::fireCardInserted, &ReaderManager::doUpdateCacheEntry, &ReaderManager::fireCardInserted);
	forwardWorkerSignal(pWorker, &ReaderManagerWorker::fireCardRemoved, &ReaderManager::doUpdateCacheEntry, &ReaderManager::fireCardRemoved);
	forwardWorkerSignal(pWorker, &ReaderManagerWorker::fireCardInfoChanged, &ReaderManager::doUpdateCacheEntry, &ReaderManager::fireCardInfoChanged);
}


void ReaderManager::init()
{
	const QMutexLocker locker(&mMutex);

	if (mThread.isRunning())
	{
		qCWarning(card) << "ReaderManager already initialized";
		return;
	}

	if (!mWorker)
	{
		QList<std::function<void()>> initializer;
		{
			const QMutexLocker initializerLocker(&getMainThreadInitializerMutex());
			initializer = std::exchange(getMainThreadInitializer(), {});
		}
		for (const auto& func : std::as_const(initializer))
		{
			func();
		}

		auto* worker = new ReaderManagerWorker();
		worker->moveToThread(&mThread);
		connect(&mThread, &QThread::started, worker, &ReaderManagerWorker::onThreadStarted);
		connect(&mThread, &QThread::finished, worker, &QObject::deleteLater);
		connectWorker(worker);
		mWorker = worker;
	}

	mThread.start();
}


void ReaderManager::shutdown()
{
	// The blocking call below would wait for this very thread.
	if (isReaderManagerThread())
	{
		qCCritical(card) << "Cannot shutdown ReaderManager from ReaderManager-Thread";
		return;
	}

	const QMutexLocker locker(&mMutex);

	if (!mThread.isRunning() || mThread.isInterruptionRequested())
	{
		return;
	}

	qCDebug(card) << "Shutdown ReaderManager...";
	mThread.requestInterruption();

	invokeOnWorker(mWorker, [](ReaderManagerWorker* pWorker) {
			pWorker->shutdown();
		}, Qt::BlockingQueuedConnection);

	mThread.quit();
	mThread.wait(QDeadlineTimer(5000));

	mReaderInfoCache.clear();
	mPluginInfoCache.clear();

	qCDebug(card).noquote() << mThread.objectName() << "stopped:" << !mThread.isRunning();
}


void ReaderManager::startScan(ReaderManagerPluginType pType, bool pAutoConnect)
{
	const QMutexLocker locker(&mMutex);
	if (!mThread.isRunning())
	{
		qCWarning(card) << "Cannot start scan if ReaderManager-Thread is not active";
		return;
	}

	invokeOnWorker(mWorker, [pType, pAutoConnect](ReaderManagerWorker* pWorker) {
			pWorker->startScan(pType, pAutoConnect);
		});
}


QPointer<ReaderManagerWorker> ReaderManager::getWorker() const
{
	const QMutexLocker locker(&mMutex);
	return mThread.isRunning() ? mWorker : QPointer<ReaderManagerWorker>();
}


void ReaderManager::startScanAll(bool pAutoConnect)
{
	QList<ReaderManagerPluginType> types;
	{
		// Not held below: startScan and stopScan take it themselves.
		const QMutexLocker locker(&mMutex);
		types = mPluginInfoCache.keys();
	}
	for (const auto type : types)
	{
		startScan(type, pAutoConnect);
	}
}


void ReaderManager::stopScan(ReaderManagerPluginType pType, const QString& pError)
{
	const QMutexLocker locker(&mMutex);
	if (!mThread.isRunning())
	{
		qCWarning(card) << "Cannot stop scan if ReaderManager-Thread is not active";
		return;
	}

	invokeOnWorker(mWorker, [pType, pError](ReaderManagerWorker* pWorker) {
			pWorker->stopScan(pType, pError);
		});
}


void ReaderManager::stopScanAll(const QString& pError)
{
	QList<ReaderManagerPluginType> types;
	{
		// Not held below: startScan and stopScan take it themselves.
		const QMutexLocker locker(&mMutex);
		types = mPluginInfoCache.keys();
	}
	for (const auto type : types)
	{
		stopScan(type, pError);
	}
}


void ReaderManager::insert(const ReaderInfo& pReaderInfo, const QVariant& pData)
{
	const QMutexLocker locker(&mMutex);
	if (!mThread.isRunning())
	{
		qCWarning(card) << "Cannot insert a card if ReaderManager-Thread is not active";
		return;
	}

	invokeOnWorker(mWorker, [pReaderInfo, pData](ReaderManagerWorker* pWorker) {
			pWorker->insert(pReaderInfo, pData);
		});
}


void ReaderManager::shelve()
{
	const QMutexLocker locker(&mMutex);
	if (!mThread.isRunning())
	{
		qCWarning(card) << "Cannot shelve cards if ReaderManager-Thread is not active";
		return;
	}

	invokeOnWorker(mWorker, [](ReaderManagerWorker* pWorker) {
			pWorker->shelve();
		});
}


void ReaderManager::updateReaderInfo(const QString& pReaderName)
{
	// The blocking call below would wait for this very thread.
	if (isReaderManagerThread())
	{
		qCCritical(card) << "Cannot update reader info from ReaderManager-Thread:" << pReaderName;
		return;
	}

	// A thread without its event loop would never answer. Not under the mutex while blocked:
	// commands on the reader thread read the caches.
	invokeOnWorker(getWorker(), [pReaderName](ReaderManagerWorker* pWorker) {
			pWorker->updateReaderInfo(pReaderName);
		}, Qt::BlockingQueuedConnection);
}


bool ReaderManager::isInitialScanFinished() const
{
	const QMutexLocker locker(&mMutex);
	return std::none_of(mPluginInfoCache.cbegin(), mPluginInfoCache.cend(), [](const ReaderManagerPluginInfo& pInfo) {
			return pInfo.getInitialScanState() == ReaderManagerPluginInfo::UNKNOWN;
		});
}


ReaderManagerPluginInfo ReaderManager::getPluginInfo(ReaderManagerPluginType pType) const
{
	const QMutexLocker locker(&mMutex);
	return mPluginInfoCache.value(pType, ReaderManagerPluginInfo(pType, false, false));
}


QList<ReaderInfo> ReaderManager::getReaderInfos(const ReaderFilter& pFilter) const
{
	const QMutexLocker locker(&mMutex);
	return pFilter.apply(mReaderInfoCache.values());
}


ReaderInfo ReaderManager::getReaderInfo(const QString& pReaderName) const
{
	const QMutexLocker locker(&mMutex);
	const ReaderInfo info = mReaderInfoCache.value(pReaderName);
	if (info.getName().isEmpty())
	{
		return ReaderInfo(pReaderName);
	}
	return info;
}


void ReaderManager::doUpdateCacheEntry(const ReaderInfo& pInfo)
{
	const QMutexLocker locker(&mMutex);
	qCDebug(card) << "Update cache entry:" << pInfo.getName();
	mReaderInfoCache.insert(pInfo.getName(), pInfo);
}


void ReaderManager::doRemoveCacheEntry(const ReaderInfo& pInfo)
{
	const QMutexLocker locker(&mMutex);
	qCDebug(card) << "Remove cache entry:" << pInfo.getName();
	mReaderInfoCache.remove(pInfo.getName());
}


void ReaderManager::doUpdatePluginCache(const ReaderManagerPluginInfo& pInfo)
{
	ReaderManagerPluginInfo oldInfo(ReaderManagerPluginType::UNKNOWN, false, false);
	{
		const QMutexLocker locker(&mMutex);
		qCDebug(card) << "Update cache entry:" << pInfo.getPluginType();
		oldInfo = mPluginInfoCache.value(pInfo.getPluginType(), oldInfo);
		mPluginInfoCache.insert(pInfo.getPluginType(), pInfo);
	}

	// Outside the lock: isInitialScanFinished takes it again.
	if (pInfo.getInitialScanState() != oldInfo.getInitialScanState() && isInitialScanFinished())
	{
		qCDebug(card) << "Initial scan finished";
		Q_EMIT fireInitialScanFinished();
	}
}
