#pragma once

#include "context/AuthContext.h"
#include "states/AbstractState.h"
#include "states/GenericContextContainer.h"

namespace tessarovin
{

// Follows the server's InitializeFramework: its empty response is already prepared.
class StateInitializeFramework
	: public AbstractState
	, public GenericContextContainer<AuthContext>
{
	Q_OBJECT

	private:
		void run() override;

	public:
		explicit StateInitializeFramework(const QSharedPointer<WorkflowContext>& pContext);
};

} // namespace tessarovin
