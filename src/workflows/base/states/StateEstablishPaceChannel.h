#pragma once

#include "apdu/CardReturnCode.h"
#include "command/BaseCardCommand.h"
#include "states/AbstractState.h"
#include "states/GenericContextContainer.h"

namespace tessarovin
{

// Runs PACE with the password the context asks for and turns the outcome into the signal that
// decides how the PACE phase goes on. The output stays in the context for the states after it.
class StateEstablishPaceChannel
	: public AbstractState
	, public GenericContextContainer<WorkflowContext>
{
	Q_OBJECT

	private:
		void run() override;
		void handleNpaPosition(CardReturnCode pReturnCode) const;

	public:
		explicit StateEstablishPaceChannel(const QSharedPointer<WorkflowContext>& pContext);

	Q_SIGNALS:
		void fireNoCardConnection();
		void fireWrongPassword();
		void fireThirdPinAttemptFailed();
		void fireAbortAndUnfortunateCardPosition();
		void firePaceChannelFailed();
		void firePaceCanEstablished();
		void firePacePukEstablished();

	private Q_SLOTS:
		void onEstablishConnectionDone(const QSharedPointer<tessarovin::BaseCardCommand>& pCommand);

	protected Q_SLOTS:
		void onUserCancelled() override;
};

} // namespace tessarovin
