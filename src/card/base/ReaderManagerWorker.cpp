#include "ReaderManagerWorker.h"

#include "CardConnectionWorker.h"
#include "LogCategories.h"

#include <QJsonObject>
#include <QPluginLoader>

#include <openssl/crypto.h>

using namespace tessarovin;

namespace
{

const QLatin1String cPluginIid("tessarovin.ReaderManagerPlugin");

} // namespace


ReaderManagerWorker::ReaderManagerWorker()
	: QObject()
	, mPlugins()
{
}


ReaderManagerWorker::~ReaderManagerWorker()
{
	qCDebug(card) << "Worker removed";

	// The worker ends with the reader manager's thread, before the shutdown stops waiting for it.
	// OpenSSL would free that thread's own state only at the thread's very exit, which a process
	// that ends right after the shutdown may never see.
	OPENSSL_thread_stop();
}


void ReaderManagerWorker::onThreadStarted()
{
	qCDebug(card) << "Thread started";
	registerPlugins();
	Q_EMIT fireInitialized();
}


void ReaderManagerWorker::registerPlugins()
{
	qCDebug(card) << "Try to register plugins";

	const auto& plugins = QPluginLoader::staticPlugins();
	for (const auto& plugin : plugins)
	{
		const QJsonObject metaData = plugin.metaData();
		if (metaData.value(QLatin1String("IID")).toString() != cPluginIid)
		{
			continue;
		}

		qCDebug(card) << "Register and initialize plugin:" << metaData;
		QObject* instance = plugin.instance();
		auto* pluginInstance = qobject_cast<ReaderManagerPlugin*>(instance);
		if (pluginInstance == nullptr)
		{
			qCWarning(card) << "Cannot cast to plugin instance:" << instance;
			continue;
		}

		registerPlugin(pluginInstance);
		pluginInstance->init();
		Q_EMIT firePluginAdded(pluginInstance->getInfo());
	}
}


void ReaderManagerWorker::registerPlugin(ReaderManagerPlugin* pPlugin)
{
	mPlugins << pPlugin;

	connect(pPlugin, &ReaderManagerPlugin::fireReaderAdded, this, &ReaderManagerWorker::fireReaderAdded);
	connect(pPlugin, &ReaderManagerPlugin::fireReaderRemoved, this, &ReaderManagerWorker::onReaderRemoved);
	connect(pPlugin, &ReaderManagerPlugin::fireReaderPropertiesUpdated, this, &ReaderManagerWorker::fireReaderPropertiesUpdated);
	connect(pPlugin, &ReaderManagerPlugin::fireStatusChanged, this, &ReaderManagerWorker::fireStatusChanged);
	connect(pPlugin, &ReaderManagerPlugin::fireCardInserted, this, &ReaderManagerWorker::fireCardInserted);
	connect(pPlugin, &ReaderManagerPlugin::fireCardRemoved, this, &ReaderManagerWorker::fireCardRemoved);
	connect(pPlugin, &ReaderManagerPlugin::fireCardInfoChanged, this, &ReaderManagerWorker::fireCardInfoChanged);
}


void ReaderManagerWorker::callOnPlugin(ReaderManagerPluginType pType, const std::function<void(ReaderManagerPlugin*)>& pFunc, const char* pLogText) const
{
	for (auto* plugin : std::as_const(mPlugins))
	{
		if (plugin->getInfo().getPluginType() == pType)
		{
			qCDebug(card).nospace().noquote() << pLogText << ": " << plugin->metaObject()->className();
			pFunc(plugin);
		}
	}
}


void ReaderManagerWorker::shutdown()
{
	qCDebug(card) << "Shutdown ReaderManagerWorker";

	for (auto* plugin : std::as_const(mPlugins))
	{
		plugin->stopScan(QString());
		qCDebug(card) << "Shutdown plugin:" << plugin->metaObject()->className();
		plugin->shutdown();
		plugin->deleteLater();
	}
	mPlugins.clear();
}


void ReaderManagerWorker::reset(ReaderManagerPluginType pType)
{
	callOnPlugin(pType, [](ReaderManagerPlugin* pPlugin){
			pPlugin->shutdown();
			pPlugin->init();
		}, "Reset plugin");
}


void ReaderManagerWorker::insert(const ReaderInfo& pReaderInfo, const QVariant& pData)
{
	callOnPlugin(pReaderInfo.getPluginType(), [&pReaderInfo, &pData](ReaderManagerPlugin* pPlugin){
			pPlugin->insert(pReaderInfo.getName(), pData);
		}, "Insert");
}


void ReaderManagerWorker::shelve()
{
	// Once per back end: a type with several back ends is visited as often.
	for (const auto* plugin : std::as_const(mPlugins))
	{
		callOnPlugin(plugin->getInfo().getPluginType(), [](ReaderManagerPlugin* pPlugin){
				pPlugin->shelve();
			}, "Shelve");
	}
}


void ReaderManagerWorker::startScan(ReaderManagerPluginType pType, bool pAutoConnect)
{
	callOnPlugin(pType, [pAutoConnect](ReaderManagerPlugin* pPlugin){
			if (!pPlugin->getInfo().isScanRunning())
			{
				pPlugin->startScan(pAutoConnect);
			}
		}, "Start scan on plugin");
}


void ReaderManagerWorker::stopScan(ReaderManagerPluginType pType, const QString& pError)
{
	callOnPlugin(pType, [&pError](ReaderManagerPlugin* pPlugin){
			if (pPlugin->getInfo().isScanRunning())
			{
				pPlugin->stopScan(pError);
				pPlugin->setInitialScanState(ReaderManagerPluginInfo::UNKNOWN);
			}
		}, "Stop scan on plugin");
}


void ReaderManagerWorker::updateReaderInfo(const QString& pReaderName) const
{
	if (const auto reader = getReader(pReaderName))
	{
		reader->updateCard();
		return;
	}

	qCWarning(card) << "Requested reader does not exist:" << pReaderName;
}


QPointer<Reader> ReaderManagerWorker::getReader(const QString& pReaderName) const
{
	for (auto* plugin : std::as_const(mPlugins))
	{
		if (const auto reader = plugin->getReader(pReaderName))
		{
			return reader;
		}
	}

	qCWarning(card) << "Requested reader does not exist:" << pReaderName;
	return QPointer<Reader>();
}


QSharedPointer<CardConnectionWorker> ReaderManagerWorker::createCardConnectionWorker(const QString& pReaderName, const CardConnectionWorkerHandler& pHandler)
{
	const auto reader = getReader(pReaderName);
	if (reader.isNull())
	{
		return QSharedPointer<CardConnectionWorker>();
	}

	auto cardConnectionWorker = reader->createCardConnectionWorker();
	if (pHandler)
	{
		cardConnectionWorker = pHandler(cardConnectionWorker);
	}
	return cardConnectionWorker;
}


void ReaderManagerWorker::onReaderRemoved(ReaderInfo pInfo)
{
	qCDebug(card) << "fireReaderRemoved:" << pInfo.getName();
	pInfo.invalidate();
	Q_EMIT fireReaderRemoved(pInfo);
}
