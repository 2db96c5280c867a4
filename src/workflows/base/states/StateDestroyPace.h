#pragma once

#include "command/BaseCardCommand.h"
#include "states/AbstractState.h"
#include "states/GenericContextContainer.h"

namespace tessarovin
{

// Ends the PACE channel that a reader with a pin pad holds. The workflow goes on whatever the
// reader answers: the channel ends with the connection anyway.
class StateDestroyPace
	: public AbstractState
	, public GenericContextContainer<WorkflowContext>
{
	Q_OBJECT

	private:
		void run() override;

	public:
		explicit StateDestroyPace(const QSharedPointer<WorkflowContext>& pContext);

	private Q_SLOTS:
		void onDestroyPaceDone(QSharedPointer<tessarovin::BaseCardCommand> pCommand);
};

} // namespace tessarovin
