#pragma once

#include "command/BaseCardCommand.h"
#include "context/AuthContext.h"
#include "states/AbstractState.h"
#include "states/GenericContextContainer.h"

namespace tessarovin
{

// Fetches the card's challenge for terminal authentication and fills the EAC1 response with it,
// the effective CHAT and what PACE told of the card. Without a chain for the card's trust point
// the response asks the server for one by naming the card's certification authorities.
class StateDidAuthenticateEac1
	: public AbstractState
	, public GenericContextContainer<AuthContext>
{
	Q_OBJECT

	private:
		void run() override;

	protected:
		void onEntry(QEvent* pEvent) override;

	public:
		explicit StateDidAuthenticateEac1(const QSharedPointer<WorkflowContext>& pContext);

	private Q_SLOTS:
		void onCardCommandDone(QSharedPointer<tessarovin::BaseCardCommand> pCommand);
};

} // namespace tessarovin
