#pragma once

#include <QList>
#include <QNetworkProxy>
#include <QNetworkProxyFactory>

namespace tessarovin
{

// The user's proxy from the general settings, read at every query so that a changed host or port
// reaches the next connection at once.
class CustomProxyFactory
	: public QNetworkProxyFactory
{
	public:
		QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery& pQuery = QNetworkProxyQuery()) override;
};

} // namespace tessarovin
