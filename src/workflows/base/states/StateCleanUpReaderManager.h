#pragma once

#include "states/AbstractState.h"
#include "states/GenericContextContainer.h"

namespace tessarovin
{

// Ends the card use of a finished workflow: drops the card connection, remembers the reader and
// stops the scans (or, for an SDK, takes the cards out of the readers).
class StateCleanUpReaderManager
	: public AbstractState
	, public GenericContextContainer<WorkflowContext>
{
	Q_OBJECT

	private:
		void run() override;

	public:
		explicit StateCleanUpReaderManager(const QSharedPointer<WorkflowContext>& pContext);
};

} // namespace tessarovin
