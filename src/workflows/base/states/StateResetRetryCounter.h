#pragma once

#include "command/BaseCardCommand.h"
#include "states/AbstractState.h"
#include "states/GenericContextContainer.h"

namespace tessarovin
{

// Unblocks the PIN after PACE with the PUK.
class StateResetRetryCounter
	: public AbstractState
	, public GenericContextContainer<WorkflowContext>
{
	Q_OBJECT

	private:
		void run() override;

	public:
		explicit StateResetRetryCounter(const QSharedPointer<WorkflowContext>& pContext);

	public Q_SLOTS:
		void onResetRetryCounterDone(QSharedPointer<tessarovin::BaseCardCommand> pCommand);

	Q_SIGNALS:
		void fireNoCardConnection();
};

} // namespace tessarovin
