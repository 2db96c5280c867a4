#include "states/StateSendWhitelistSurvey.h"

using namespace tessarovin;

StateSendWhitelistSurvey::StateSendWhitelistSurvey(const QSharedPointer<WorkflowContext>& pContext)
	: AbstractState(pContext)
	, GenericContextContainer(pContext)
{
}


void StateSendWhitelistSurvey::run()
{
	Q_EMIT fireContinue();
}
