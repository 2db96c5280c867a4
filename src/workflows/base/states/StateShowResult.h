#pragma once

#include "context/AuthContext.h"
#include "states/AbstractState.h"
#include "states/GenericContextContainer.h"

namespace tessarovin
{

// Pause point at the end of the self authentication, where a front end shows the data read; it
// continues once approved.
class StateShowResult
	: public AbstractState
	, public GenericContextContainer<AuthContext>
{
	Q_OBJECT

	private:
		void run() override;

	public:
		explicit StateShowResult(const QSharedPointer<WorkflowContext>& pContext);
};

} // namespace tessarovin
