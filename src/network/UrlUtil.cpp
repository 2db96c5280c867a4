#include "UrlUtil.h"

using namespace tessarovin;


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
