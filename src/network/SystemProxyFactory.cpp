#include "SystemProxyFactory.h"

#include "LogCategories.h"

using namespace tessarovin;


QList<QNetworkProxy> SystemProxyFactory::queryProxy(const QNetworkProxyQuery& pQuery)
{
	qCDebug(network) << pQuery;
	const auto proxies = QNetworkProxyFactory::systemProxyForQuery(pQuery);
	qCDebug(network) << "Found proxies" << proxies;
	return proxies;
}
