#pragma once

#include "controller/WorkflowController.h"
#include "states/AbstractState.h"
#include "states/StateBuilder.h"

#include <QMetaMethod>
#include <QState>
#include <QStringList>
#include <QTest>

namespace tessarovin
{

// Runs one state under test on a real state machine: the state is the initial one, and each of
// its ending signals leads to a plain state in which the machine rests. A front end must claim
// the context and approve, as for every workflow.
class SingleStateController
	: public WorkflowController
{
	Q_OBJECT

	private:
		QState* mLeft;
		QStringList mEndedBy;

	public:
		explicit SingleStateController(const QSharedPointer<WorkflowContext>& pContext);

		template<typename T>
		T* setState()
		{
			auto* state = createState<T>(mContext);
			mStateMachine.addState(state);
			mStateMachine.setInitialState(state);
			leaveOn(state, &AbstractState::fireContinue);
			leaveOn(state, &AbstractState::fireAbort);
			return state;
		}


		template<typename T, typename Signal>
		void leaveOn(T* pState, Signal pSignal)
		{
			const QString name = QString::fromLatin1(QMetaMethod::fromSignal(pSignal).name());
			connect(pState, pSignal, this, [this, name] {
					mEndedBy << name;
				});
			pState->addTransition(pState, pSignal, mLeft);
		}


		// The state under test has ended with one of its signals.
		[[nodiscard]] bool hasLeft() const;
		// The names of the ending signals it emitted, in order.
		[[nodiscard]] const QStringList& getEndedBy() const;

		// Runs a fresh state of type T once and returns the names of the signals it ended with;
		// empty when it did not end in time.
		template<typename T, typename ... Signals>
		static QStringList runOnce(const QSharedPointer<WorkflowContext>& pContext, Signals... pSignals)
		{
			SingleStateController controller(pContext);
			[[maybe_unused]] auto* state = controller.setState<T>();
			(controller.leaveOn(state, pSignals), ...);
			controller.run();
			if (!QTest::qWaitFor([&controller] {
					return controller.hasLeft();
				}))
			{
				return QStringList();
			}
			return controller.getEndedBy();
		}


};

} // namespace tessarovin
