#pragma once

#include "states/AbstractState.h"
#include "states/GenericContextContainer.h"

namespace tessarovin
{

// Turns the failure of an earlier state into an edge of its own, so that a chain can skip the
// states that only make sense after success.
class StateCheckError
	: public AbstractState
	, public GenericContextContainer<WorkflowContext>
{
	Q_OBJECT

	private:
		void run() override;

	public:
		explicit StateCheckError(const QSharedPointer<WorkflowContext>& pContext);

	Q_SIGNALS:
		void firePropagateAbort();
};

} // namespace tessarovin
