#pragma once

#include "states/AbstractState.h"
#include "states/GenericContextContainer.h"

namespace tessarovin
{

// The last state of every workflow, reached by both edges of the state before it. Once approved
// it lets the machine finish, which makes the controller complete.
class FinalState
	: public AbstractState
	, public GenericContextContainer<WorkflowContext>
{
	Q_OBJECT

	private:
		void run() override;

	protected:
		void onEntry(QEvent* pEvent) override;

	public:
		explicit FinalState(const QSharedPointer<WorkflowContext>& pContext);
};

} // namespace tessarovin
