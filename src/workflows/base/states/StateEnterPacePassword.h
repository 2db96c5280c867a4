#pragma once

#include "states/AbstractState.h"
#include "states/GenericContextContainer.h"

namespace tessarovin
{

// Waits for a front end to store the PIN, CAN or PUK in the context: its approval is the answer.
class StateEnterPacePassword
	: public AbstractState
	, public GenericContextContainer<WorkflowContext>
{
	Q_OBJECT

	private:
		void run() override;

	protected:
		void onEntry(QEvent* pEvent) override;

	public:
		explicit StateEnterPacePassword(const QSharedPointer<WorkflowContext>& pContext);
};

} // namespace tessarovin
