#include "states/StateEACAdditionalInputType.h"

#include "LogCategories.h"

using namespace tessarovin;

StateEACAdditionalInputType::StateEACAdditionalInputType(const QSharedPointer<WorkflowContext>& pContext)
	: AbstractState(pContext)
	, GenericContextContainer(pContext)
{
	setAbortOnCardRemoved();
}


void StateEACAdditionalInputType::run()
{
	const auto& context = getContext();
	const auto& eac2 = context->getDidAuthenticateEac2();
	if (eac2 && !eac2->getSignature().isEmpty())
	{
		Q_EMIT fireContinue();
		return;
	}

	qCDebug(statemachine) << "Signature not present, request EACAdditionalInputType";
	// The terminal signs the card's challenge; the server learns it only from this answer.
	const auto& eac1Response = context->getDidAuthenticateResponseEac1();
	const auto& response = context->getDidAuthenticateResponseEacAdditionalInputType();
	if (eac1Response && response)
	{
		response->setChallenge(eac1Response->getChallenge());
	}
	Q_EMIT fireSendDidAuthenticateResponse();
}
