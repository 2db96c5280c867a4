#include "TestWorkflowController.h"

#include "states/FinalState.h"
#include "states/StateBuilder.h"
#include "TestState.h"

using namespace tessarovin;

TestWorkflowController::TestWorkflowController(const QSharedPointer<TestWorkflowContext>& pContext)
	: WorkflowController(pContext)
{
	auto* one = createState<StateTestOne>(mContext);
	auto* two = createState<StateTestTwo>(mContext);
	auto* three = createState<StateTestThree>(mContext);
	auto* finalState = createState<FinalState>(mContext);
	for (QAbstractState* state : {static_cast<QAbstractState*>(one), static_cast<QAbstractState*>(two), static_cast<QAbstractState*>(three), static_cast<QAbstractState*>(finalState)})
	{
		mStateMachine.addState(state);
	}
	mStateMachine.setInitialState(one);

	one->addTransition(one, &AbstractState::fireContinue, two);
	one->addTransition(one, &AbstractState::fireAbort, two);
	two->addTransition(two, &AbstractState::fireContinue, three);
	two->addTransition(two, &AbstractState::fireAbort, three);
	three->addTransition(three, &AbstractState::fireContinue, finalState);
	three->addTransition(three, &AbstractState::fireAbort, finalState);
}


QStateMachine& TestWorkflowController::getStateMachine()
{
	return mStateMachine;
}
