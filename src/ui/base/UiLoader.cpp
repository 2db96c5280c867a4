#include "UiLoader.h"

#include "BuildHelper.h"
#include "LogCategories.h"

#include <QJsonValue>
#include <QPluginLoader>
#include <QStaticPlugin>
#include <QtGlobal>

#include <algorithm>

using namespace tessarovin;

namespace
{

const QLatin1String cUiPluginIid("tessarovin.UiPlugin");


bool isUiPlugin(const QJsonObject& pMetaData)
{
	return pMetaData.value(QLatin1String("IID")).toString() == cUiPluginIid;
}


QJsonObject getMetaData(const QJsonObject& pMetaData)
{
	return pMetaData.value(QLatin1String("MetaData")).toObject();
}


QString getKey(const QJsonObject& pMetaData)
{
	return UiLoader::getPluginName(pMetaData.value(QLatin1String("className")).toString());
}


} // namespace


QStringList UiLoader::cUserRequest;


UiLoader::UiLoader()
	: QObject()
	, mLoadedPlugins()
{
}


UiLoader::~UiLoader()
{
	if (hasPlugins())
	{
		blockSignals(true);
		shutdown();
	}
}


QString UiLoader::getPluginName(const QString& pClassName)
{
	return pClassName.toLower()
		   .remove(QLatin1String("tessarovin::"))
		   .remove(QLatin1String("uiplugin"));
}


QStringList UiLoader::getDefault()
{
	QStringList keys;
	const auto& plugins = QPluginLoader::staticPlugins();
	for (const auto& plugin : plugins)
	{
		const auto metaData = plugin.metaData();
		if (isUiPlugin(metaData) && getMetaData(metaData).value(QLatin1String("default")).toBool())
		{
			keys << getKey(metaData);
		}
	}
	std::sort(keys.begin(), keys.end());
	return keys;
}


void UiLoader::setUserRequest(const QStringList& pRequest)
{
	cUserRequest = pRequest;
}


bool UiLoader::load()
{
	const auto names = cUserRequest.isEmpty() ? getDefault() : cUserRequest;

	bool loaded = false;
	for (const auto& name : names)
	{
		if (load(name))
		{
			loaded = true;
		}
	}
	return loaded;
}


bool UiLoader::load(const QString& pName)
{
	const auto key = getPluginName(pName);
	if (mLoadedPlugins.contains(key))
	{
		return true;
	}

	qCDebug(gui) << "Try to load UI plugin:" << key;
	const auto& plugins = QPluginLoader::staticPlugins();
	for (const auto& plugin : plugins)
	{
		const auto metaData = plugin.metaData();
		if (!isUiPlugin(metaData) || getKey(metaData) != key)
		{
			continue;
		}

		if (!BuildHelper::isUserInteractive() && getMetaData(metaData).value(QLatin1String("userInteractive")).toBool())
		{
			qCDebug(gui) << "Cannot load plugin in non-interactive mode:" << metaData;
			continue;
		}

		// Before the instance exists: a front end may read them in its constructor.
		setEnvironment(metaData);
		qCDebug(gui) << "Load plugin:" << metaData;
		QObject* instance = plugin.instance();
		if (auto* ui = qobject_cast<UiPlugin*>(instance))
		{
			preparePlugin(ui, metaData);
			return true;
		}
		qCWarning(gui) << "Cannot cast to plugin instance:" << instance;
	}

	qCCritical(gui) << "Cannot find UI plugin:" << key;
	return false;
}


void UiLoader::setEnvironment(const QJsonObject& pMetaData)
{
	const auto env = getMetaData(pMetaData).value(QLatin1String("env")).toObject().toVariantMap();
	for (auto entry = env.constBegin(); entry != env.constEnd(); ++entry)
	{
		const auto value = entry.value().toString();
		qCDebug(gui) << "Set environment:" << entry.key() << "=" << value;
		qputenv(entry.key().toLocal8Bit().constData(), value.toLatin1());
	}
}


void UiLoader::preparePlugin(UiPlugin* pUi, const QJsonObject& pMetaData)
{
	const auto metaData = getMetaData(pMetaData);
	for (auto entry = metaData.constBegin(); entry != metaData.constEnd(); ++entry)
	{
		pUi->setProperty(entry.key().toLocal8Bit().constData(), entry.value().toVariant());
	}

	const auto key = getPluginName(QString::fromLatin1(pUi->metaObject()->className()));
	mLoadedPlugins.insert(key, pUi);

	// The loader as context: a front end that outlives it must not reach back into it.
	connect(pUi, &QObject::destroyed, this, [this, key] {
			qCDebug(gui) << "Shutdown UI:" << key;
			mLoadedPlugins.remove(key);
			if (mLoadedPlugins.isEmpty())
			{
				Q_EMIT fireRemovedAllPlugins();
			}
		});

	Q_EMIT fireLoadedPlugin(pUi);
}


bool UiLoader::hasActiveUI() const
{
	return std::any_of(mLoadedPlugins.constBegin(), mLoadedPlugins.constEnd(), [](const UiPlugin* pUi) {
			return !pUi->property("passive").toBool();
		});
}


bool UiLoader::initialize() const
{
	// Looked up anew for every step: a front end may load others while it initialises, and those
	// behind it in key order take their turn in this walk.
	for (auto entry = mLoadedPlugins.constBegin(); entry != mLoadedPlugins.constEnd();)
	{
		const QString key = entry.key();
		if (!entry.value()->initialize())
		{
			return false;
		}
		entry = mLoadedPlugins.upperBound(key);
	}
	return true;
}


bool UiLoader::requiresReaderManager() const
{
	return std::any_of(mLoadedPlugins.constBegin(), mLoadedPlugins.constEnd(), [](const UiPlugin* pUi) {
			const auto value = pUi->property("readerManager");
			return !value.isValid() || value.toBool();
		});
}


bool UiLoader::hasPlugins() const
{
	return !mLoadedPlugins.isEmpty();
}


void UiLoader::shutdown()
{
	qCDebug(gui) << "Shutdown UiLoader:" << mLoadedPlugins.keys();
	for (auto* ui : std::as_const(mLoadedPlugins))
	{
		ui->deleteLater();
	}
}
