#include "UrlUtil.h"

#include "LogCategories.h"

#include <QNetworkRequest>

using namespace tessarovin;


QUrl UrlUtil::getUrlOrigin(const QUrl& pUrl)
{
	const QString scheme = pUrl.scheme();
	int defaultPort = -1;
	if (scheme == QLatin1String("http"))
	{
		defaultPort = 80;
	}
	else if (scheme == QLatin1String("https"))
	{
		defaultPort = 443;
	}

	QUrl origin;
	origin.setScheme(scheme);
	origin.setHost(pUrl.host(QUrl::FullyDecoded), QUrl::DecodedMode);
	origin.setPort(pUrl.port(defaultPort));

	qCDebug(network) << "Normalized URL from" << pUrl << "to" << origin;
	return origin;
}


bool UrlUtil::isMatchingSameOriginPolicy(const QUrl& pUrl1, const QUrl& pUrl2)
{
	const QUrl origin1 = getUrlOrigin(pUrl1);
	const QUrl origin2 = getUrlOrigin(pUrl2);
	const bool sameOrigin = origin1 == origin2;
	qCDebug(network).nospace() << "SOP-Check(" << origin1 << "," << origin2 << ")=" << sameOrigin;
	return sameOrigin;
}


QUrl UrlUtil::getRedirectUrl(const QSharedPointer<QNetworkReply>& pReply)
{
	const QUrl target = pReply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
	if (target.isEmpty() || !target.isValid() || !target.isRelative())
	{
		return target;
	}
	return pReply->request().url().resolved(target);
}


QPair<UrlQueryRequest, QString> UrlUtil::getRequest(const QUrlQuery& pQuery)
{
	const auto queryItems = pQuery.queryItems(QUrl::PrettyDecoded);
	for (const auto& [name, value] : queryItems)
	{
		const auto request = Enum<UrlQueryRequest>::valueFromName(name.toUpper(), UrlQueryRequest::UNKNOWN);
		if (request != UrlQueryRequest::UNKNOWN)
		{
			return {request, value};
		}
	}
	return {UrlQueryRequest::UNKNOWN, QString()};
}
