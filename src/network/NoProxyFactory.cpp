#include "NoProxyFactory.h"

#include "LogCategories.h"

using namespace tessarovin;


NoProxyFactory::NoProxyFactory()
	: QNetworkProxyFactory()
	, mProxies({QNetworkProxy(QNetworkProxy::NoProxy)})
{
}


QList<QNetworkProxy> NoProxyFactory::queryProxy(const QNetworkProxyQuery& pQuery)
{
	qCDebug(network) << pQuery;
	qCDebug(network) << "Found proxies" << mProxies;
	return mProxies;
}
