#pragma once

#include "command/BaseCardCommand.h"
#include "context/ChangePinContext.h"
#include "states/AbstractState.h"
#include "states/GenericContextContainer.h"

namespace tessarovin
{

// Sets the new eID PIN on the card after PACE with the PIN and turns the card's answer into
// the workflow's result.
class StateChangePin
	: public AbstractState
	, public GenericContextContainer<ChangePinContext>
{
	Q_OBJECT

	private:
		void run() override;

	public:
		explicit StateChangePin(const QSharedPointer<WorkflowContext>& pContext);

	private Q_SLOTS:
		void onSetEidPinDone(QSharedPointer<tessarovin::BaseCardCommand> pCommand);

	Q_SIGNALS:
		void fireNoCardConnection();
};

} // namespace tessarovin
