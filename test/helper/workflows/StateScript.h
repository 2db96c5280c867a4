#pragma once

#include "context/WorkflowContext.h"
#include "FailureCode.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QSharedPointer>
#include <QStringList>

#include <functional>

namespace tessarovin
{

// Plays the outcome of the states a workflow enters instead of running them, to check a
// controller's or composite's transitions with the real states in place: the n-th entry of a
// state takes the n-th step given for its name. A step emits a signal of the state, or of an
// enclosing composite state (named after its class), on the next turn of the event loop, or lets
// the state run for real. A state without a step waits. It claims the context.
//
//   StateScript script(machine, context);
//   script.emitOn(QStringLiteral("StateGetTcToken"), "fireContinue");
//   script.abortOn(QStringLiteral("StateSendStartPaos"));
//   script.emitOn(QStringLiteral("StateMaintainCardConnection"), "firePropagateAbort", QStringLiteral("CompositeStatePace"));
//   script.run(QStringLiteral("FinalState"));
class StateScript
	: public QObject
{
	Q_OBJECT

	private:
		QPointer<QObject> mRoot;
		QSharedPointer<WorkflowContext> mContext;
		QMap<QString, QList<std::function<void()>>> mSteps;
		QStringList mEntered;

		[[nodiscard]] QObject* find(const QString& pName) const;

	public:
		// pRoot holds the states as Qt children (a state machine or a composite state).
		StateScript(QObject* pRoot, const QSharedPointer<WorkflowContext>& pContext);

		void emitOn(const QString& pState, const char* pSignal, const QString& pEmitter = QString());
		void abortOn(const QString& pState, const QString& pEmitter = QString(),
				const FailureCode& pFailure = FailureCode(FailureCode::Reason::User_Cancelled));
		// The state is approved and runs as in a workflow.
		void run(const QString& pState);

		// The names of the states entered, in order.
		[[nodiscard]] const QStringList& getEntered() const;

	private Q_SLOTS:
		void onStateChanged(const QString& pState);
};

} // namespace tessarovin
