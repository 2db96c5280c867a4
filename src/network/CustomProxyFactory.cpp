#include "CustomProxyFactory.h"

#include "AppSettings.h"
#include "Env.h"
#include "LogCategories.h"

using namespace tessarovin;


QList<QNetworkProxy> CustomProxyFactory::queryProxy(const QNetworkProxyQuery& pQuery)
{
	qCDebug(network) << pQuery;
	const auto& settings = Env::getSingleton<AppSettings>()->getGeneralSettings();
	const QList<QNetworkProxy> proxies({
				QNetworkProxy(settings.getCustomProxyType(), settings.getCustomProxyHost(), settings.getCustomProxyPort())
			});
	qCDebug(network) << "Found proxies" << proxies;
	return proxies;
}
