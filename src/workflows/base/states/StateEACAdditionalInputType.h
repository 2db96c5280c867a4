#pragma once

#include "context/AuthContext.h"
#include "states/AbstractState.h"
#include "states/GenericContextContainer.h"

namespace tessarovin
{

// An EAC2 request without the terminal's signature: the server gets the card's challenge of EAC1
// and answers with the signature in an additional request.
class StateEACAdditionalInputType
	: public AbstractState
	, public GenericContextContainer<AuthContext>
{
	Q_OBJECT

	private:
		void run() override;

	public:
		explicit StateEACAdditionalInputType(const QSharedPointer<WorkflowContext>& pContext);

	Q_SIGNALS:
		void fireSendDidAuthenticateResponse();
};

} // namespace tessarovin
