#pragma once

#include "controller/WorkflowController.h"
#include "TestWorkflowContext.h"

namespace tessarovin
{

// StateTestOne, StateTestTwo, StateTestThree and FinalState in a row; each state goes on to the
// next on continue and on abort alike, so a workflow whose every state fails still ends.
class TestWorkflowController
	: public WorkflowController
{
	Q_OBJECT

	public:
		explicit TestWorkflowController(const QSharedPointer<TestWorkflowContext>& pContext);

		[[nodiscard]] QStateMachine& getStateMachine();

		template<typename T>
		[[nodiscard]] T* getState()
		{
			return mStateMachine.findChild<T*>(QString(), Qt::FindDirectChildrenOnly);
		}

};

} // namespace tessarovin
