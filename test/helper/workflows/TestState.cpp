#include "TestState.h"

using namespace tessarovin;

TestState::TestState(const QSharedPointer<WorkflowContext>& pContext)
	: AbstractState(pContext)
	, GenericContextContainer(pContext)
{
	setAbortOnCardRemoved();
}


void TestState::run()
{
	const auto& context = getContext();
	const QString name = getStateName();
	context->recordRun(name);

	const auto plan = context->getPlan(name);
	switch (plan.mOutcome)
	{
		case TestWorkflowContext::Outcome::CONTINUE:
			Q_EMIT fireContinue();
			return;

		case TestWorkflowContext::Outcome::ABORT:
			updateStatus(GlobalStatus(plan.mStatus));
			Q_EMIT fireAbort(FailureCode(plan.mReason, {FailureCode::Info::State_Name, name}));
			return;

		case TestWorkflowContext::Outcome::WAIT:
			return;
	}
}
