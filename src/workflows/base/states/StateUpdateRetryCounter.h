#pragma once

#include "command/BaseCardCommand.h"
#include "states/AbstractState.h"
#include "states/GenericContextContainer.h"

namespace tessarovin
{

// Has the card tell its current PIN retry counter into the connection's reader information.
// Never aborts: a missing or broken connection is for the workflow to handle.
class StateUpdateRetryCounter
	: public AbstractState
	, public GenericContextContainer<WorkflowContext>
{
	Q_OBJECT

	private:
		void run() override;

	public:
		explicit StateUpdateRetryCounter(const QSharedPointer<WorkflowContext>& pContext);

	private Q_SLOTS:
		void onUpdateRetryCounterDone(QSharedPointer<tessarovin::BaseCardCommand> pCommand);

	Q_SIGNALS:
		void fireNoCardConnection();
};

} // namespace tessarovin
