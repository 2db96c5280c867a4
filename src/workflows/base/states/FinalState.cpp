#include "states/FinalState.h"

#include <QFinalState>
#include <QStateMachine>

using namespace tessarovin;

FinalState::FinalState(const QSharedPointer<WorkflowContext>& pContext)
	: AbstractState(pContext)
	, GenericContextContainer(pContext)
{
}


void FinalState::onEntry(QEvent* pEvent)
{
	// Before the base publishes the state: front ends that hear of it find the workflow finished.
	getContext()->setWorkflowFinished(true);
	AbstractState::onEntry(pEvent);
}


void FinalState::run()
{
	auto* finalState = new QFinalState();
	machine()->addState(finalState);
	addTransition(this, &FinalState::fireContinue, finalState);
	addTransition(this, &FinalState::fireAbort, finalState);

	getContext()->setReaderPluginTypes({});
	Q_EMIT fireContinue();
}
