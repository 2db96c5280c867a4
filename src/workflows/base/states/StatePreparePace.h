#pragma once

#include "states/AbstractState.h"
#include "states/GenericContextContainer.h"

namespace tessarovin
{

// Chooses the password of the next PACE from the card's retry counter: the PIN, the CAN before
// the last PIN attempt (or in place of the PIN in CAN-allowed mode) or the PUK of a blocked PIN.
// Asks the user only for a password the context does not know yet.
class StatePreparePace
	: public AbstractState
	, public GenericContextContainer<WorkflowContext>
{
	Q_OBJECT

	private:
		void run() override;
		void handleRetryCounter(int pRetryCounter);
		// True when a signal was emitted; false when a CAN already succeeded on this connection.
		bool requestPaceCanIfStillRequired();

	public:
		explicit StatePreparePace(const QSharedPointer<WorkflowContext>& pContext);

	Q_SIGNALS:
		void fireNoCardConnection();
		void fireEnterPacePassword();
};

} // namespace tessarovin
