#include "states/NetworkReplyFailure.h"

#include "NetworkManager.h"


using namespace tessarovin;

FailureCode NetworkReplyFailure::create(const QSharedPointer<QNetworkReply>& pReply, int pStatusCode, const QString& pStateName, const Reasons& pReasons)
{
	FailureCode::FailureInfoMap info({
				{FailureCode::Info::Network_Error, pReply->errorString()},
				{FailureCode::Info::State_Name, pStateName}
			});
	if (pStatusCode > 0)
	{
		info.insert(FailureCode::Info::Http_Status_Code, QString::number(pStatusCode));
	}

	switch (NetworkManager::toNetworkError(pReply))
	{
		case NetworkManager::NetworkError::ServiceUnavailable:
			return FailureCode(pReasons.mServiceUnavailable, info);

		case NetworkManager::NetworkError::ServerError:
			return FailureCode(pReasons.mServerError, info);

		case NetworkManager::NetworkError::ClientError:
			return FailureCode(pReasons.mClientError, info);

		default:
			return FailureCode(pReasons.mOther, info);
	}
}
