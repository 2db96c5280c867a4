#pragma once

#include "FailureCode.h"

#include <QNetworkReply>
#include <QSharedPointer>
#include <QString>

namespace tessarovin
{

// The failure code of a request to a server that failed: the reply's error text, the state's
// name and the HTTP status (when one came), with the reason that fits the kind of error.
class NetworkReplyFailure
{
	public:
		struct Reasons
		{
			FailureCode::Reason mOther;
			FailureCode::Reason mServiceUnavailable;
			FailureCode::Reason mServerError;
			FailureCode::Reason mClientError;
		};

		[[nodiscard]] static FailureCode create(const QSharedPointer<QNetworkReply>& pReply, int pStatusCode, const QString& pStateName, const Reasons& pReasons);
};

} // namespace tessarovin
