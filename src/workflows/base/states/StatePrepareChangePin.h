#pragma once

#include "context/ChangePinContext.h"
#include "states/AbstractState.h"
#include "states/GenericContextContainer.h"

namespace tessarovin
{

// After PACE with the PIN: a PIN check ends here, a known new PIN is set at once, otherwise the
// user is asked for one.
class StatePrepareChangePin
	: public AbstractState
	, public GenericContextContainer<ChangePinContext>
{
	Q_OBJECT

	private:
		void run() override;

	public:
		explicit StatePrepareChangePin(const QSharedPointer<WorkflowContext>& pContext);

	Q_SIGNALS:
		void fireEnterNewPacePin();
		void fireSkipPinChange();
};

} // namespace tessarovin
