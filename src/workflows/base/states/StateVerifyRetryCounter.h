#pragma once

#include "states/AbstractState.h"
#include "states/GenericContextContainer.h"

namespace tessarovin
{

// Notices that the user changed the reader or the card since the workflow remembered them: the
// reader's name or the card's retry counter differ from the remembered ones.
class StateVerifyRetryCounter
	: public AbstractState
	, public GenericContextContainer<WorkflowContext>
{
	Q_OBJECT

	private:
		void run() override;

	public:
		explicit StateVerifyRetryCounter(const QSharedPointer<WorkflowContext>& pContext);

	Q_SIGNALS:
		void fireNoCardConnection();
		void fireReaderOrCardChanged();
};

} // namespace tessarovin
