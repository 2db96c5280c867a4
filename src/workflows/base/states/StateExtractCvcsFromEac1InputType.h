#pragma once

#include "context/AuthContext.h"
#include "states/AbstractState.h"
#include "states/GenericContextContainer.h"

namespace tessarovin
{

// Takes the DV and the terminal certificate out of the EAC1 request: exactly one of each, or the
// request cannot say whose rights the user is asked to grant.
class StateExtractCvcsFromEac1InputType
	: public AbstractState
	, public GenericContextContainer<AuthContext>
{
	Q_OBJECT

	private:
		void run() override;

	public:
		explicit StateExtractCvcsFromEac1InputType(const QSharedPointer<WorkflowContext>& pContext);
};

} // namespace tessarovin
