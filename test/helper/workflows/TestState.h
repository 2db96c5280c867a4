#pragma once

#include "states/AbstractState.h"
#include "states/GenericContextContainer.h"
#include "TestWorkflowContext.h"

namespace tessarovin
{

// A state that does what the context planned for it when it runs. It aborts when the card of
// the context's reader goes away.
class TestState
	: public AbstractState
	, public GenericContextContainer<TestWorkflowContext>
{
	Q_OBJECT

	private:
		void run() override;

	public:
		explicit TestState(const QSharedPointer<WorkflowContext>& pContext);

		// Reach the protected helpers of the base from a test.
		using AbstractState::updateStatus;
		using AbstractState::updateStartPaosResult;
};


// Three kinds, so that the controller has three states of different names.
class StateTestOne
	: public TestState
{
	Q_OBJECT

	public:
		using TestState::TestState;
};


class StateTestTwo
	: public TestState
{
	Q_OBJECT

	public:
		using TestState::TestState;
};


class StateTestThree
	: public TestState
{
	Q_OBJECT

	public:
		using TestState::TestState;
};

} // namespace tessarovin
