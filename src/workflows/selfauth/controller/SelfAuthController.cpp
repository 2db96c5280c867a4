#include "controller/SelfAuthController.h"

#include "states/CompositeStateTrustedChannel.h"
#include "states/FinalState.h"
#include "states/StateActivateStoreFeedbackDialog.h"
#include "states/StateCheckError.h"
#include "states/StateCheckRefreshAddress.h"
#include "states/StateGetSelfAuthenticationData.h"
#include "states/StateLoadTcTokenUrl.h"
#include "states/StateSendWhitelistSurvey.h"
#include "states/StateShowResult.h"

using namespace tessarovin;

SelfAuthController::SelfAuthController(const QSharedPointer<SelfAuthContext>& pContext)
	: SelfAuthController(pContext, States<StateLoadTcTokenUrl, CompositeStateTrustedChannel, StateCheckError, StateCheckRefreshAddress,
				StateActivateStoreFeedbackDialog, StateSendWhitelistSurvey, StateGetSelfAuthenticationData, StateShowResult, FinalState>())
{
}


QSharedPointer<WorkflowRequest> SelfAuthController::createWorkflowRequest(bool pActivateUi)
{
	const auto [controller, context] = WorkflowRequest::getGenerator<SelfAuthController, SelfAuthContext>(pActivateUi);
	return QSharedPointer<WorkflowRequest>::create(controller, context, WorkflowRequest::BusyHandler(), QVariant());
}
