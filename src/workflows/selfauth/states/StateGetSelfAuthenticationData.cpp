#include "states/StateGetSelfAuthenticationData.h"

#include "context/SelfAuthContext.h"
#include "LogCategories.h"
#include "SelfAuthenticationData.h"

using namespace tessarovin;

StateGetSelfAuthenticationData::StateGetSelfAuthenticationData(const QSharedPointer<WorkflowContext>& pContext)
	: StateGenericProviderCommunication(pContext)
{
}


void StateGetSelfAuthenticationData::setProgress() const
{
	getContext()->setProgress(100, tr("Getting results from server"));
}


QUrl StateGetSelfAuthenticationData::getRequestUrl() const
{
	return getContext()->getRefreshUrl();
}


QByteArray StateGetSelfAuthenticationData::getPayload() const
{
	return QByteArray();
}


bool StateGetSelfAuthenticationData::isRawDataLoggingAllowed()
{
	return false;
}


void StateGetSelfAuthenticationData::handleNetworkReply(const QByteArray& pContent)
{
	const SelfAuthenticationData data(pContent);
	if (data.isValid())
	{
		if (const auto context = getContext().objectCast<SelfAuthContext>())
		{
			context->setSelfAuthenticationData(data);
		}
		Q_EMIT fireContinue();
		return;
	}

	qCDebug(statemachine) << "No valid data of self-authentication.";
	updateStatus(GlobalStatus(GlobalStatus::Code::Workflow_Server_Incomplete_Information_Provided, GlobalStatus::Origin::Client));
	Q_EMIT fireAbort(FailureCode::Reason::Get_SelfAuthData_Invalid_Or_Empty);
}
