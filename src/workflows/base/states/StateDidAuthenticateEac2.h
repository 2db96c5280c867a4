#pragma once

#include "command/BaseCardCommand.h"
#include "context/AuthContext.h"
#include "states/AbstractState.h"
#include "states/GenericContextContainer.h"

namespace tessarovin
{

// Terminal and chip authentication with the server's chain, ephemeral key, signature and
// auxiliary data; fills the EAC2 response with EF.CardSecurity, the card's token and nonce.
class StateDidAuthenticateEac2
	: public AbstractState
	, public GenericContextContainer<AuthContext>
{
	Q_OBJECT

	private:
		void run() override;

	protected:
		void onEntry(QEvent* pEvent) override;

	public:
		explicit StateDidAuthenticateEac2(const QSharedPointer<WorkflowContext>& pContext);

	private Q_SLOTS:
		void onCardCommandDone(QSharedPointer<tessarovin::BaseCardCommand> pCommand);
};

} // namespace tessarovin
