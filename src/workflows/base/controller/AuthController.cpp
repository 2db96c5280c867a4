#include "controller/AuthController.h"

#include "LogCategories.h"
#include "states/CompositeStateTrustedChannel.h"
#include "states/FinalState.h"
#include "states/StateActivateStoreFeedbackDialog.h"
#include "states/StateBuilder.h"
#include "states/StateCheckError.h"
#include "states/StateCheckRefreshAddress.h"
#include "states/StateParseTcTokenUrl.h"
#include "states/StateRedirectBrowser.h"
#include "states/StateSendWhitelistSurvey.h"

using namespace tessarovin;

AuthController::AuthController(const QSharedPointer<AuthContext>& pContext)
	: WorkflowController(pContext)
{
	auto* sParseTcTokenUrl = createState<StateParseTcTokenUrl>(mContext);
	auto* sTrustedChannel = createState<CompositeStateTrustedChannel>(mContext);
	auto* sCheckRefreshAddress = createState<StateCheckRefreshAddress>(mContext);
	auto* sCheckError = createState<StateCheckError>(mContext);
	auto* sActivateStoreFeedbackDialog = createState<StateActivateStoreFeedbackDialog>(mContext);
	auto* sSendWhitelistSurvey = createState<StateSendWhitelistSurvey>(mContext);
	auto* sRedirectBrowser = createState<StateRedirectBrowser>(mContext);
	auto* sFinal = createState<FinalState>(mContext);

	for (QAbstractState* state : {static_cast<QAbstractState*>(sParseTcTokenUrl), static_cast<QAbstractState*>(sTrustedChannel),
			static_cast<QAbstractState*>(sCheckRefreshAddress), static_cast<QAbstractState*>(sCheckError),
			static_cast<QAbstractState*>(sActivateStoreFeedbackDialog), static_cast<QAbstractState*>(sSendWhitelistSurvey),
			static_cast<QAbstractState*>(sRedirectBrowser), static_cast<QAbstractState*>(sFinal)})
	{
		mStateMachine.addState(state);
	}
	mStateMachine.setInitialState(sParseTcTokenUrl);

	// The refresh address is checked whether the channel succeeded or not: the browser goes back
	// to the provider either way.
	sParseTcTokenUrl->addTransition(sParseTcTokenUrl, &AbstractState::fireContinue, sTrustedChannel);
	sParseTcTokenUrl->addTransition(sParseTcTokenUrl, &AbstractState::fireAbort, sCheckRefreshAddress);

	sTrustedChannel->addTransition(sTrustedChannel, &CompositeStateTrustedChannel::fireContinue, sCheckRefreshAddress);
	sTrustedChannel->addTransition(sTrustedChannel, &CompositeStateTrustedChannel::fireAbort, sCheckRefreshAddress);

	sCheckRefreshAddress->addTransition(sCheckRefreshAddress, &AbstractState::fireContinue, sCheckError);
	sCheckRefreshAddress->addTransition(sCheckRefreshAddress, &AbstractState::fireAbort, sRedirectBrowser);

	// The steps after a success run only when no error was recorded.
	sCheckError->addTransition(sCheckError, &AbstractState::fireContinue, sActivateStoreFeedbackDialog);
	sCheckError->addTransition(sCheckError, &AbstractState::fireAbort, sRedirectBrowser);
	sCheckError->addTransition(sCheckError, &StateCheckError::firePropagateAbort, sRedirectBrowser);

	sActivateStoreFeedbackDialog->addTransition(sActivateStoreFeedbackDialog, &AbstractState::fireContinue, sSendWhitelistSurvey);
	sActivateStoreFeedbackDialog->addTransition(sActivateStoreFeedbackDialog, &AbstractState::fireAbort, sRedirectBrowser);

	sSendWhitelistSurvey->addTransition(sSendWhitelistSurvey, &AbstractState::fireContinue, sRedirectBrowser);
	sSendWhitelistSurvey->addTransition(sSendWhitelistSurvey, &AbstractState::fireAbort, sRedirectBrowser);

	sRedirectBrowser->addTransition(sRedirectBrowser, &AbstractState::fireContinue, sFinal);
	sRedirectBrowser->addTransition(sRedirectBrowser, &AbstractState::fireAbort, sFinal);
}


QSharedPointer<WorkflowRequest> AuthController::createWorkflowRequest(const QUrl& pActivationUrl,
		const QVariant& pData,
		const AuthContext::BrowserHandler& pBrowserHandler,
		const QMap<QByteArray, QByteArray>& pRequestHeaders)
{
	const auto& [controller, context] = WorkflowRequest::getGenerator<AuthController, AuthContext>(true, pActivationUrl, pBrowserHandler, pRequestHeaders);
	return QSharedPointer<WorkflowRequest>::create(controller, context, &AuthController::handleBusyWorkflow, pData);
}


WorkflowControl AuthController::handleBusyWorkflow(const QSharedPointer<WorkflowRequest>& pActiveWorkflow,
		const QSharedPointer<WorkflowRequest>& pWaitingWorkflow)
{
	if (!pActiveWorkflow)
	{
		return WorkflowControl::SKIP;
	}

	const Action action = pActiveWorkflow->getAction();
	if (action != Action::AUTH && action != Action::SELF_AUTH && action != Action::CHANGE_PIN)
	{
		return WorkflowControl::SKIP;
	}

	const auto& context = pActiveWorkflow->getContext();
	if (!context->isWorkflowFinished() || pWaitingWorkflow)
	{
		return WorkflowControl::SKIP;
	}

	// The old workflow only waits for a front end to let its final state finish.
	qCDebug(statemachine) << "Auto-approving the current state";
	context->setStateApproved(true);
	return WorkflowControl::ENQUEUE;
}
