#pragma once

#include "context/AuthContext.h"
#include "states/AbstractState.h"
#include "states/GenericContextContainer.h"

namespace tessarovin
{

// Pause point after a successful authentication, where a front end may offer to share the device
// survey; it continues once approved.
class StateSendWhitelistSurvey
	: public AbstractState
	, public GenericContextContainer<AuthContext>
{
	Q_OBJECT

	private:
		void run() override;

	public:
		explicit StateSendWhitelistSurvey(const QSharedPointer<WorkflowContext>& pContext);
};

} // namespace tessarovin
