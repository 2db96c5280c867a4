#include "states/StateActivateStoreFeedbackDialog.h"

using namespace tessarovin;

StateActivateStoreFeedbackDialog::StateActivateStoreFeedbackDialog(const QSharedPointer<WorkflowContext>& pContext)
	: AbstractState(pContext)
	, GenericContextContainer(pContext)
{
}


void StateActivateStoreFeedbackDialog::run()
{
	Q_EMIT fireContinue();
}
