#pragma once

#include "Reader.h"
#include "ReaderInfo.h"
#include "ReaderManagerPlugin.h"
#include "ReaderManagerPluginInfo.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSharedPointer>
#include <QString>
#include <QVariant>

#include <functional>

namespace tessarovin
{

class CardConnectionWorker;

// The half of the reader manager on the reader manager's thread: it owns the reader back ends
// and funnels their signals into one set.
class ReaderManagerWorker
	: public QObject
{
	Q_OBJECT

	private:
		QList<ReaderManagerPlugin*> mPlugins;

		void registerPlugins();
		void registerPlugin(ReaderManagerPlugin* pPlugin);
		void callOnPlugin(ReaderManagerPluginType pType, const std::function<void(ReaderManagerPlugin*)>& pFunc, const char* pLogText) const;

	public:
		using CardConnectionWorkerHandler = std::function<QSharedPointer<CardConnectionWorker>(const QSharedPointer<CardConnectionWorker>&)>;

		ReaderManagerWorker();
		~ReaderManagerWorker() override;

		Q_INVOKABLE void shutdown();
		Q_INVOKABLE void reset(ReaderManagerPluginType pType);
		Q_INVOKABLE void insert(const ReaderInfo& pReaderInfo, const QVariant& pData);
		Q_INVOKABLE void shelve();
		Q_INVOKABLE void startScan(ReaderManagerPluginType pType, bool pAutoConnect);
		Q_INVOKABLE void stopScan(ReaderManagerPluginType pType, const QString& pError);
		Q_INVOKABLE void updateReaderInfo(const QString& pReaderName) const;

		[[nodiscard]] QPointer<Reader> getReader(const QString& pReaderName) const;
		QSharedPointer<CardConnectionWorker> createCardConnectionWorker(const QString& pReaderName, const CardConnectionWorkerHandler& pHandler = CardConnectionWorkerHandler());

	public Q_SLOTS:
		void onReaderRemoved(ReaderInfo pInfo);
		void onThreadStarted();

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
};

} // namespace tessarovin
