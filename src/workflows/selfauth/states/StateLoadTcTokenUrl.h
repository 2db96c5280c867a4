#pragma once

#include "context/SelfAuthContext.h"
#include "states/AbstractState.h"
#include "states/GenericContextContainer.h"

namespace tessarovin
{

// Takes the self-authentication service's TC token address from the security configuration;
// the test service when the user chose it. The fetch of the TC token checks the address.
class StateLoadTcTokenUrl
	: public AbstractState
	, public GenericContextContainer<SelfAuthContext>
{
	Q_OBJECT

	private:
		void run() override;

	public:
		explicit StateLoadTcTokenUrl(const QSharedPointer<WorkflowContext>& pContext);
};

} // namespace tessarovin
