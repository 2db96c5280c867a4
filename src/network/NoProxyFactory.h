#pragma once

#include <QList>
#include <QNetworkProxy>
#include <QNetworkProxyFactory>

namespace tessarovin
{

// Every connection goes out directly: the user locked the proxy.
class NoProxyFactory
	: public QNetworkProxyFactory
{
	private:
		const QList<QNetworkProxy> mProxies;

	public:
		NoProxyFactory();

		QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery& pQuery = QNetworkProxyQuery()) override;
};

} // namespace tessarovin
