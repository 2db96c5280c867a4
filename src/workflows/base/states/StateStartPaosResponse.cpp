#include "states/StateStartPaosResponse.h"

#include "Env.h"
#include "LogCategories.h"
#include "paos/received/StartPaosResponse.h"
#include "Survey.h"

using namespace tessarovin;

StateStartPaosResponse::StateStartPaosResponse(const QSharedPointer<WorkflowContext>& pContext)
	: AbstractState(pContext)
	, GenericContextContainer(pContext)
{
}


void StateStartPaosResponse::run()
{
	const auto& startPaosResponse = getContext()->getStartPaosResponse();
	if (!startPaosResponse)
	{
		updateStatus(GlobalStatus(GlobalStatus::Code::Workflow_Start_Paos_Response_Missing, GlobalStatus::Origin::Client));
		Q_EMIT fireAbort(FailureCode::Reason::Start_Paos_Response_Missing);
		return;
	}

	const ECardApiResult& result = startPaosResponse->getResult();
	Env::getSingleton<Survey>()->setAuthWasSuccessful(result.isOk());

	if (result.isOk())
	{
		Q_EMIT fireContinue();
		return;
	}

	qCDebug(statemachine) << "Processing server result:" << result.getMajorString() << result.getMinorString() << result.getMessage();
	updateStartPaosResult(result);
	Q_EMIT fireAbort(FailureCode::Reason::Start_Paos_Response_Error);
}
