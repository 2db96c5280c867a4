#include "states/StateParseTcTokenUrl.h"

#include "LogCategories.h"

#include <QUrlQuery>

using namespace tessarovin;

StateParseTcTokenUrl::StateParseTcTokenUrl(const QSharedPointer<WorkflowContext>& pContext)
	: AbstractState(pContext)
	, GenericContextContainer(pContext)
{
}


void StateParseTcTokenUrl::run()
{
	const QLatin1String key("tcTokenURL");
	const QUrlQuery query(getContext()->getActivationUrl());
	const QUrl tcTokenUrl(query.queryItemValue(key, QUrl::FullyDecoded), QUrl::TolerantMode);

	if (tcTokenUrl.isValid())
	{
		getContext()->setTcTokenUrl(tcTokenUrl);
		Q_EMIT fireContinue();
		return;
	}

	const GlobalStatus status(GlobalStatus::Code::Workflow_Wrong_Parameter_Invocation, GlobalStatus::Origin::Client);
	if (query.hasQueryItem(key))
	{
		qCCritical(network) << "TcTokenUrl is not valid:" << tcTokenUrl;
		updateStatus(status);
		Q_EMIT fireAbort(FailureCode::Reason::Parse_TcToken_Invalid_Url);
		return;
	}

	qCCritical(network) << "No parameter tcTokenURL";
	updateStatus(status);
	Q_EMIT fireAbort(FailureCode::Reason::Parse_TcToken_Missing_Url);
}
