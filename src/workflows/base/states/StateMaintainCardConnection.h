#pragma once

#include "states/AbstractState.h"
#include "states/GenericContextContainer.h"

namespace tessarovin
{

// Decides after every PACE attempt, from its result and the card connection, how the PACE phase
// goes on: a new reader, a fresh retry counter, or on with the connection as it is.
class StateMaintainCardConnection
	: public AbstractState
	, public GenericContextContainer<WorkflowContext>
{
	Q_OBJECT

	private:
		void run() override;
		void handleWrongPacePassword();

	public:
		explicit StateMaintainCardConnection(const QSharedPointer<WorkflowContext>& pContext);

	Q_SIGNALS:
		void fireNoCardConnection();
		void fireForceUpdateRetryCounter();
};

} // namespace tessarovin
