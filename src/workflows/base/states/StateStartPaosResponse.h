#pragma once

#include "context/AuthContext.h"
#include "states/AbstractState.h"
#include "states/GenericContextContainer.h"

namespace tessarovin
{

// Evaluates the server's StartPAOSResponse, which ends the dialogue with its result.
class StateStartPaosResponse
	: public AbstractState
	, public GenericContextContainer<AuthContext>
{
	Q_OBJECT

	private:
		void run() override;

	public:
		explicit StateStartPaosResponse(const QSharedPointer<WorkflowContext>& pContext);
};

} // namespace tessarovin
