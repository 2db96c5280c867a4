#pragma once

#include <QList>
#include <QNetworkProxy>
#include <QNetworkProxyFactory>

namespace tessarovin
{

// The operating system's proxies for each connection.
class SystemProxyFactory
	: public QNetworkProxyFactory
{
	public:
		QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery& pQuery = QNetworkProxyQuery()) override;
};

} // namespace tessarovin
