#pragma once

#include "command/BaseCardCommand.h"
#include "context/AuthContext.h"
#include "states/AbstractState.h"
#include "states/GenericContextContainer.h"

namespace tessarovin
{

// Sends the APDUs of the eID server's Transmit to the card and keeps the answers for the
// TransmitResponse.
class StateTransmit
	: public AbstractState
	, public GenericContextContainer<AuthContext>
{
	Q_OBJECT

	private:
		void run() override;

	protected:
		void onEntry(QEvent* pEvent) override;

	public:
		explicit StateTransmit(const QSharedPointer<WorkflowContext>& pContext);

	public Q_SLOTS:
		void onCardCommandDone(QSharedPointer<tessarovin::BaseCardCommand> pCommand);
};

} // namespace tessarovin
