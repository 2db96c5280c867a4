#pragma once

#include "Env.h"
#include "UiPlugin.h"

#include <QJsonObject>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>

namespace tessarovin
{

// Finds the front ends among the static plug-ins, loads the requested (or the default) ones,
// keeps them by key and unloads them at shutdown. Main thread only.
class UiLoader
	: public QObject
{
	Q_OBJECT
	friend class Env;

	private:
		// Names given with the start option "ui"; empty loads the defaults.
		static QStringList cUserRequest;

		QMap<QString, UiPlugin*> mLoadedPlugins;

		UiLoader();
		~UiLoader() override;

		static void setEnvironment(const QJsonObject& pMetaData);
		void preparePlugin(UiPlugin* pUi, const QJsonObject& pMetaData);

	public:
		// Lower-cased class name without namespace and without "uiplugin": UiPluginJson is "json".
		[[nodiscard]] static QString getPluginName(const QString& pClassName);
		[[nodiscard]] static QStringList getDefault();
		static void setUserRequest(const QStringList& pRequest);

		bool load();
		bool load(const QString& pName);

		[[nodiscard]] bool hasActiveUI() const;
		[[nodiscard]] bool initialize() const;
		[[nodiscard]] bool requiresReaderManager() const;
		[[nodiscard]] bool hasPlugins() const;

		template<typename T>
		[[nodiscard]] T* getLoaded() const
		{
			const auto key = getPluginName(QString::fromLatin1(T::staticMetaObject.className()));
			return qobject_cast<T*>(mLoadedPlugins.value(key));
		}


		Q_INVOKABLE void shutdown();

	Q_SIGNALS:
		void fireLoadedPlugin(UiPlugin* pPlugin);
		void fireRemovedAllPlugins();
};

} // namespace tessarovin
