#pragma once

#include "context/SelfAuthContext.h"
#include "controller/WorkflowController.h"
#include "states/StateBuilder.h"
#include "WorkflowRequest.h"

#include <QSharedPointer>

namespace tessarovin
{

// The self authentication: the TC token address of the fixed service, the trusted channel, then
// the refresh address, whose answer carries the card's data. The error check comes right after
// the trusted channel, so that a failed authentication never asks the service for data.
class SelfAuthController
	: public WorkflowController
{
	Q_OBJECT

	protected:
		// The chain over the given state types, so that tests can put stubs in place of the
		// network states. The order of the parameters is the order in which the states join the machine.
		template<typename LoadTcTokenUrl, typename TrustedChannel, typename CheckError, typename CheckRefreshAddress,
				typename ActivateStoreFeedbackDialog, typename SendWhitelistSurvey, typename GetSelfAuthenticationData,
				typename ShowResult, typename Final>
		struct States
		{
		};

		template<typename LoadTcTokenUrl, typename TrustedChannel, typename CheckError, typename CheckRefreshAddress,
				typename ActivateStoreFeedbackDialog, typename SendWhitelistSurvey, typename GetSelfAuthenticationData,
				typename ShowResult, typename Final>
		SelfAuthController(const QSharedPointer<SelfAuthContext>& pContext,
				States<LoadTcTokenUrl, TrustedChannel, CheckError, CheckRefreshAddress, ActivateStoreFeedbackDialog,
					SendWhitelistSurvey, GetSelfAuthenticationData, ShowResult, Final>)
			: WorkflowController(pContext)
		{
			auto* sLoadTcTokenUrl = addState<LoadTcTokenUrl>();
			auto* sTrustedChannel = addState<TrustedChannel>();
			auto* sCheckError = addState<CheckError>();
			auto* sCheckRefreshAddress = addState<CheckRefreshAddress>();
			auto* sActivateStoreFeedbackDialog = addState<ActivateStoreFeedbackDialog>();
			auto* sSendWhitelistSurvey = addState<SendWhitelistSurvey>();
			auto* sGetSelfAuthenticationData = addState<GetSelfAuthenticationData>();
			auto* sShowResult = addState<ShowResult>();
			auto* sFinal = addState<Final>();
			mStateMachine.setInitialState(sLoadTcTokenUrl);

			// Only a cancellation or a lost card end the first state; the refresh check then
			// decides where the user goes.
			sLoadTcTokenUrl->addTransition(sLoadTcTokenUrl, &LoadTcTokenUrl::fireContinue, sTrustedChannel);
			sLoadTcTokenUrl->addTransition(sLoadTcTokenUrl, &LoadTcTokenUrl::fireAbort, sCheckRefreshAddress);

			sTrustedChannel->addTransition(sTrustedChannel, &TrustedChannel::fireContinue, sCheckError);
			sTrustedChannel->addTransition(sTrustedChannel, &TrustedChannel::fireAbort, sCheckError);

			sCheckError->addTransition(sCheckError, &CheckError::fireContinue, sCheckRefreshAddress);
			sCheckError->addTransition(sCheckError, &CheckError::firePropagateAbort, sFinal);

			sCheckRefreshAddress->addTransition(sCheckRefreshAddress, &CheckRefreshAddress::fireContinue, sActivateStoreFeedbackDialog);
			sCheckRefreshAddress->addTransition(sCheckRefreshAddress, &CheckRefreshAddress::fireAbort, sFinal);

			// The data are fetched whatever becomes of the feedback dialog.
			sActivateStoreFeedbackDialog->addTransition(sActivateStoreFeedbackDialog, &ActivateStoreFeedbackDialog::fireContinue, sGetSelfAuthenticationData);
			sActivateStoreFeedbackDialog->addTransition(sActivateStoreFeedbackDialog, &ActivateStoreFeedbackDialog::fireAbort, sGetSelfAuthenticationData);

			sGetSelfAuthenticationData->addTransition(sGetSelfAuthenticationData, &GetSelfAuthenticationData::fireContinue, sShowResult);
			sGetSelfAuthenticationData->addTransition(sGetSelfAuthenticationData, &GetSelfAuthenticationData::fireAbort, sFinal);

			sShowResult->addTransition(sShowResult, &ShowResult::fireContinue, sSendWhitelistSurvey);
			sShowResult->addTransition(sShowResult, &ShowResult::fireAbort, sFinal);

			sSendWhitelistSurvey->addTransition(sSendWhitelistSurvey, &SendWhitelistSurvey::fireContinue, sFinal);
			sSendWhitelistSurvey->addTransition(sSendWhitelistSurvey, &SendWhitelistSurvey::fireAbort, sFinal);
		}

	private:
		template<typename T>
		T* addState()
		{
			auto* state = createState<T>(mContext);
			mStateMachine.addState(state);
			return state;
		}

	public:
		explicit SelfAuthController(const QSharedPointer<SelfAuthContext>& pContext);

		// The front end's start of a self authentication; nothing waits for a busy workflow.
		[[nodiscard]] static QSharedPointer<WorkflowRequest> createWorkflowRequest(bool pActivateUi = true);
};

} // namespace tessarovin
