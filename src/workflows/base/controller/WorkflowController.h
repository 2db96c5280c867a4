#pragma once

#include "context/WorkflowContext.h"

#include <QObject>
#include <QSharedPointer>
#include <QStateMachine>

namespace tessarovin
{

// Runs one workflow: a state machine over the workflow's context. Subclasses only build their
// states and transitions in the constructor. Main thread only.
class WorkflowController
	: public QObject
{
	Q_OBJECT

	protected:
		QStateMachine mStateMachine;
		const QSharedPointer<WorkflowContext> mContext;

	public:
		explicit WorkflowController(const QSharedPointer<WorkflowContext>& pContext);
		~WorkflowController() override;

		[[nodiscard]] const QSharedPointer<WorkflowContext>& getContext() const;
		void run();

	Q_SIGNALS:
		void fireComplete();
};

} // namespace tessarovin
