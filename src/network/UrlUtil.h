#pragma once

#include "Enum.h"

#include <QNetworkReply>
#include <QPair>
#include <QSharedPointer>
#include <QString>
#include <QUrl>
#include <QUrlQuery>

namespace tessarovin
{

defineEnumType(UrlQueryRequest,
		UNKNOWN,
		SHOWUI,
		STATUS,
		TCTOKENURL)


// URL rules that every caller must apply the same way. Stateless.
class UrlUtil final
{
	private:
		UrlUtil() = delete;
		~UrlUtil() = delete;

	public:
		// Scheme, host and port only; http and https get their default port filled in.
		[[nodiscard]] static QUrl getUrlOrigin(const QUrl& pUrl);
		[[nodiscard]] static bool isMatchingSameOriginPolicy(const QUrl& pUrl1, const QUrl& pUrl2);

		// The redirect target of the reply, a relative one resolved against the requested URL.
		[[nodiscard]] static QUrl getRedirectUrl(const QSharedPointer<QNetworkReply>& pReply);

		// The first query item whose name, in any letter case, names a request decides.
		[[nodiscard]] static QPair<UrlQueryRequest, QString> getRequest(const QUrlQuery& pQuery);
};

} // namespace tessarovin
