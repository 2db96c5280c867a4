#pragma once

#include "context/AuthContext.h"
#include "states/AbstractState.h"
#include "states/GenericContextContainer.h"

namespace tessarovin
{

// The user's review of the provider and its requested rights: the front end approves the state
// once the optional rights in the access-right manager are as the user wants them.
class StateEditAccessRights
	: public AbstractState
	, public GenericContextContainer<AuthContext>
{
	Q_OBJECT

	private:
		void run() override;

	public:
		explicit StateEditAccessRights(const QSharedPointer<WorkflowContext>& pContext);
};

} // namespace tessarovin
