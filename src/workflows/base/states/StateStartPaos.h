#pragma once

#include "context/AuthContext.h"
#include "states/AbstractState.h"
#include "states/GenericContextContainer.h"

namespace tessarovin
{

// Prepares the StartPAOS message that opens the dialogue with the eID server.
class StateStartPaos
	: public AbstractState
	, public GenericContextContainer<AuthContext>
{
	Q_OBJECT

	private:
		void run() override;

	public:
		explicit StateStartPaos(const QSharedPointer<WorkflowContext>& pContext);
};

} // namespace tessarovin
