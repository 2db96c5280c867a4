#pragma once

#include "states/AbstractState.h"
#include "states/GenericContextContainer.h"

namespace tessarovin
{

// Forgets the passwords the user entered once PACE no longer needs them.
class StateClearPacePasswords
	: public AbstractState
	, public GenericContextContainer<WorkflowContext>
{
	Q_OBJECT

	private:
		void run() override;

	public:
		explicit StateClearPacePasswords(const QSharedPointer<WorkflowContext>& pContext);
};

} // namespace tessarovin
