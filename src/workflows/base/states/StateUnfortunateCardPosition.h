#pragma once

#include "states/AbstractState.h"
#include "states/GenericContextContainer.h"

namespace tessarovin
{

// The card keeps vanishing during PACE: waits until a front end has asked the user to lay it
// better on the reader and approves, then starts counting the losses afresh.
class StateUnfortunateCardPosition
	: public AbstractState
	, public GenericContextContainer<WorkflowContext>
{
	Q_OBJECT

	private:
		void run() override;

	protected:
		void onEntry(QEvent* pEvent) override;

	public:
		explicit StateUnfortunateCardPosition(const QSharedPointer<WorkflowContext>& pContext);
};

} // namespace tessarovin
