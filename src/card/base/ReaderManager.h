#pragma once

#include "command/CreateCardConnectionCommand.h"
#include "Env.h"
#include "LogCategories.h"
#include "ReaderFilter.h"
#include "ReaderInfo.h"
#include "ReaderManagerPluginInfo.h"
#include "ReaderManagerWorker.h"

#include <QList>
#include <QMap>
#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QThread>
#include <QVariant>

#include <functional>

namespace tessarovin
{

// The facade of the card layer: owns the reader manager's thread, posts requests to the worker
// there and keeps the latest reader and back-end information for every thread to read.
class ReaderManager
	: public QObject
	, public Env::ThreadSafe
{
	Q_OBJECT
	friend class Env;

	private:
		// Not recursive: nothing that runs under it may call back into the getters.
		mutable QMutex mMutex;
		QThread mThread;
		QPointer<ReaderManagerWorker> mWorker;
		QMap<QString, ReaderInfo> mReaderInfoCache;
		QMap<ReaderManagerPluginType, ReaderManagerPluginInfo> mPluginInfoCache;

		static QList<std::function<void()>>& getMainThreadInitializer();
		static QMutex& getMainThreadInitializerMutex();

		[[nodiscard]] bool isReaderManagerThread() const;
		void connectWorker(ReaderManagerWorker* pWorker);

		template<typename Info>
		void forwardWorkerSignal(ReaderManagerWorker* pWorker,
				void (ReaderManagerWorker::* pWorkerSignal)(const Info&),
				void (ReaderManager::* pCacheSlot)(const Info&),
				void (ReaderManager::* pOwnSignal)(const Info&));

		// A copy taken under the mutex: init writes the member on the main thread.
		[[nodiscard]] QPointer<ReaderManagerWorker> getWorker() const;

		// Runs on the reader manager's thread and checks there whether the worker still exists.
		template<typename Func>
		static void invokeOnWorker(const QPointer<ReaderManagerWorker>& pWorker, Func pFunc, Qt::ConnectionType pType = Qt::QueuedConnection)
		{
			if (const QPointer<ReaderManagerWorker> worker = pWorker)
			{
				QMetaObject::invokeMethod(worker.data(), [worker, pFunc] {
						if (worker)
						{
							pFunc(worker.data());
						}
					}, pType);
			}
		}

	protected:
		ReaderManager();
		~ReaderManager() override;

	public:
		static void registerMainThreadInitializer(const std::function<void()>& pInitializer);

		void init();
		[[nodiscard]] bool isInitialScanFinished() const;

		void startScan(ReaderManagerPluginType pType, bool pAutoConnect = true);
		void startScanAll(bool pAutoConnect = true);
		void stopScan(ReaderManagerPluginType pType, const QString& pError = QString());
		void stopScanAll(const QString& pError = QString());
		void insert(const ReaderInfo& pReaderInfo, const QVariant& pData = QVariant());
		void shelve();
		void updateReaderInfo(const QString& pReaderName);

		// The receiver gets the command with its connection, or without one when the card is not
		// usable; it may disconnect before the answer arrives.
		template<typename Slot>
		QMetaObject::Connection callCreateCardConnectionCommand(const QString& pReaderName, const typename QtPrivate::FunctionPointer<Slot>::Object* pReceiver, Slot pSlot)
		{
			const QPointer<ReaderManagerWorker> worker = getWorker();
			if (!worker)
			{
				qCWarning(card) << "Cannot call CreateCardConnectionCommand if ReaderManager-Thread is not active";
				return QMetaObject::Connection();
			}

			auto* command = new CreateCardConnectionCommand(pReaderName, worker);
			command->moveToThread(&mThread);

			QMetaObject::Connection connection = connect(command, &CreateCardConnectionCommand::fireCommandDone, pReceiver, pSlot);
			if (connection)
			{
				command->run();
			}
			else
			{
				qCCritical(card) << "Cannot invoke CreateCardConnectionCommand command";
				command->deleteLater();
			}
			return connection;
		}


		[[nodiscard]] virtual ReaderManagerPluginInfo getPluginInfo(ReaderManagerPluginType pType) const;
		[[nodiscard]] virtual QList<ReaderInfo> getReaderInfos(const ReaderFilter& pFilter = ReaderFilter()) const;
		[[nodiscard]] ReaderInfo getReaderInfo(const QString& pReaderName) const;

	public Q_SLOTS:
		void doUpdateCacheEntry(const ReaderInfo& pInfo);
		void doRemoveCacheEntry(const ReaderInfo& pInfo);
		void doUpdatePluginCache(const ReaderManagerPluginInfo& pInfo);
		void shutdown();

	Q_SIGNALS:
		void firePluginAdded(const ReaderManagerPluginInfo& pInfo);
		void fireStatusChanged(const ReaderManagerPluginInfo& pInfo);
		void fireReaderAdded(const ReaderInfo& pInfo);
		void fireReaderRemoved(const ReaderInfo& pInfo);
		void fireReaderPropertiesUpdated(const ReaderInfo& pInfo);
		void fireCardInserted(const ReaderInfo& pInfo);
		void fireCardRemoved(const ReaderInfo& pInfo);
		void fireCardInfoChanged(const ReaderInfo& pInfo);
		void fireInitialized();
		void fireInitialScanFinished();
};

} // namespace tessarovin
