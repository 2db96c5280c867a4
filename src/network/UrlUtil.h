#pragma once

#include "Enum.h"

#include <QPair>
#include <QString>
#include <QUrlQuery>

namespace tessarovin
{

defineEnumType(UrlQueryRequest,
		UNKNOWN,
		SHOWUI,
		STATUS,
		TCTOKENURL)


// URL rules that several places must apply alike. No state.
class UrlUtil
{
	private:
		UrlUtil() = delete;
		~UrlUtil() = delete;

	public:
		// The first query item whose name, in any letter case, names a request decides.
		[[nodiscard]] static QPair<UrlQueryRequest, QString> getRequest(const QUrlQuery& pQuery);
};

} // namespace tessarovin
