#include "states/StateRedirectBrowser.h"

#include "LogCategories.h"

#include <QUrlQuery>

using namespace tessarovin;

StateRedirectBrowser::StateRedirectBrowser(const QSharedPointer<WorkflowContext>& pContext)
	: AbstractState(pContext)
	, GenericContextContainer(pContext)
{
}


QUrl StateRedirectBrowser::addMajorMinor(const QUrl& pOriginUrl, const ECardApiResult& pResult)
{
	QUrlQuery query(pOriginUrl);
	query.addQueryItem(QStringLiteral("ResultMajor"), pResult.getMajorForRedirect());
	if (!pResult.isOk())
	{
		query.addQueryItem(QStringLiteral("ResultMinor"), pResult.getMinorForRedirect());
	}

	QUrl url(pOriginUrl);
	url.setQuery(query);
	return url;
}


void StateRedirectBrowser::onEntry(QEvent* pEvent)
{
	AbstractState::onEntry(pEvent);

	const auto& context = getContext();
	const QUrl& refreshUrl = context->getRefreshUrl();
	if (refreshUrl.isValid())
	{
		const auto& status = context->getStatus();
		const auto& pendingResult = context->getStartPaosResult();
		// A cancellation wins over whatever a card state reported before it.
		const ECardApiResult result = status.isCancellationByUser() || pendingResult.isOk()
				? ECardApiResult::fromGlobalStatus(status)
				: pendingResult;
		context->setRefreshUrl(addMajorMinor(refreshUrl, result));
		return;
	}

	qCDebug(network) << "Refresh URL is not valid:" << refreshUrl;
	const auto& tcToken = context->getTcToken();
	if (!tcToken)
	{
		qCDebug(network) << "TcToken is missing";
		return;
	}

	const QUrl& communicationErrorAddress = tcToken->getCommunicationErrorAddress();
	if (!communicationErrorAddress.isValid())
	{
		qCDebug(network) << "CommunicationErrorAddress is not valid:" << communicationErrorAddress;
		return;
	}

	// Only the query tells of the missing address; the workflow's status stays as it is.
	const GlobalStatus missingRedirect(GlobalStatus::Code::Workflow_Communication_Missing_Redirect_Url, GlobalStatus::Origin::Client);
	context->setRefreshUrl(addMajorMinor(communicationErrorAddress, ECardApiResult::fromGlobalStatus(missingRedirect)));
}


void StateRedirectBrowser::run()
{
	const auto& context = getContext();
	const auto& handler = context->getBrowserHandler();
	if (handler)
	{
		const QString error = handler(context);
		if (!error.isEmpty())
		{
			qCCritical(network).noquote() << "Cannot send page to caller:" << error;
			context->setReceivedBrowserSendFailed(true);
			updateStatus(GlobalStatus(GlobalStatus::Code::Workflow_Browser_Transmission_Error,
					{GlobalStatus::ExternalInformation::ACTIVATION_ERROR, error}, GlobalStatus::Origin::Client));
			Q_EMIT fireAbort(FailureCode::Reason::Browser_Send_Failed);
			return;
		}
	}

	Q_EMIT fireContinue();
}
