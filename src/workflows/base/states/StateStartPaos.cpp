#include "states/StateStartPaos.h"

using namespace tessarovin;

StateStartPaos::StateStartPaos(const QSharedPointer<WorkflowContext>& pContext)
	: AbstractState(pContext)
	, GenericContextContainer(pContext)
{
}


void StateStartPaos::run()
{
	const auto& context = getContext();
	context->setStartPaos(QSharedPointer<StartPaos>::create(context->getTcToken()->getSessionIdentifier()));
	Q_EMIT fireContinue();
}
