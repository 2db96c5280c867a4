#pragma once

#include "context/ChangePinContext.h"
#include "controller/WorkflowController.h"
#include "states/StateBuilder.h"
#include "WorkflowRequest.h"

#include <QSharedPointer>

namespace tessarovin
{

// Sets a new eID PIN, or only checks the PIN: PACE, the new PIN, the card command, and the
// teardown of PACE and the card connection, which every path runs through.
class ChangePinController
	: public WorkflowController
{
	Q_OBJECT

	protected:
		// The chain over the given state types, so that tests can put stubs in place of the card
		// states. The order of the parameters is the order in which the states join the machine.
		template<typename Pace, typename PrepareChangePin, typename EnterNewPacePin, typename ChangePin,
				typename ClearPacePasswords, typename DestroyPace, typename UpdateRetryCounter,
				typename CleanUpReaderManager, typename Final>
		struct States
		{
		};

		template<typename Pace, typename PrepareChangePin, typename EnterNewPacePin, typename ChangePin,
				typename ClearPacePasswords, typename DestroyPace, typename UpdateRetryCounter,
				typename CleanUpReaderManager, typename Final>
		ChangePinController(const QSharedPointer<ChangePinContext>& pContext,
				States<Pace, PrepareChangePin, EnterNewPacePin, ChangePin, ClearPacePasswords, DestroyPace, UpdateRetryCounter, CleanUpReaderManager, Final>)
			: WorkflowController(pContext)
		{
			auto* sPace = addState<Pace>();
			auto* sPrepareChangePin = addState<PrepareChangePin>();
			auto* sEnterNewPacePin = addState<EnterNewPacePin>();
			auto* sChangePin = addState<ChangePin>();
			auto* sClearPacePasswords = addState<ClearPacePasswords>();
			auto* sDestroyPace = addState<DestroyPace>();
			auto* sUpdateRetryCounter = addState<UpdateRetryCounter>();
			auto* sCleanUpReaderManager = addState<CleanUpReaderManager>();
			auto* sFinal = addState<Final>();
			mStateMachine.setInitialState(sPace);

			// A failed PACE has nothing to destroy: only the passwords go.
			sPace->addTransition(sPace, &Pace::fireContinue, sPrepareChangePin);
			sPace->addTransition(sPace, &Pace::fireAbort, sClearPacePasswords);
			sPace->addTransition(sPace, &Pace::firePropagateAbort, sClearPacePasswords);

			sPrepareChangePin->addTransition(sPrepareChangePin, &PrepareChangePin::fireContinue, sChangePin);
			sPrepareChangePin->addTransition(sPrepareChangePin, &PrepareChangePin::fireAbort, sDestroyPace);
			sPrepareChangePin->addTransition(sPrepareChangePin, &PrepareChangePin::fireEnterNewPacePin, sEnterNewPacePin);
			sPrepareChangePin->addTransition(sPrepareChangePin, &PrepareChangePin::fireSkipPinChange, sDestroyPace);

			sEnterNewPacePin->addTransition(sEnterNewPacePin, &EnterNewPacePin::fireContinue, sChangePin);
			sEnterNewPacePin->addTransition(sEnterNewPacePin, &EnterNewPacePin::fireAbort, sDestroyPace);

			// A card lost while setting the PIN is asked for again: the PIN has not changed yet.
			sChangePin->addTransition(sChangePin, &ChangePin::fireContinue, sDestroyPace);
			sChangePin->addTransition(sChangePin, &ChangePin::fireAbort, sDestroyPace);
			sChangePin->addTransition(sChangePin, &ChangePin::fireNoCardConnection, sPace);

			sDestroyPace->addTransition(sDestroyPace, &DestroyPace::fireContinue, sClearPacePasswords);
			sDestroyPace->addTransition(sDestroyPace, &DestroyPace::fireAbort, sClearPacePasswords);

			sClearPacePasswords->addTransition(sClearPacePasswords, &ClearPacePasswords::fireContinue, sUpdateRetryCounter);
			sClearPacePasswords->addTransition(sClearPacePasswords, &ClearPacePasswords::fireAbort, sUpdateRetryCounter);

			sUpdateRetryCounter->addTransition(sUpdateRetryCounter, &UpdateRetryCounter::fireContinue, sCleanUpReaderManager);
			sUpdateRetryCounter->addTransition(sUpdateRetryCounter, &UpdateRetryCounter::fireAbort, sCleanUpReaderManager);
			sUpdateRetryCounter->addTransition(sUpdateRetryCounter, &UpdateRetryCounter::fireNoCardConnection, sCleanUpReaderManager);

			sCleanUpReaderManager->addTransition(sCleanUpReaderManager, &CleanUpReaderManager::fireContinue, sFinal);
			sCleanUpReaderManager->addTransition(sCleanUpReaderManager, &CleanUpReaderManager::fireAbort, sFinal);
		}

	private:
		template<typename T>
		T* addState()
		{
			auto* state = createState<T>(mContext);
			mStateMachine.addState(state);
			return state;
		}

	public:
		explicit ChangePinController(const QSharedPointer<ChangePinContext>& pContext);

		// Another workflow running: this one waits when nothing else does, else it is dropped.
		[[nodiscard]] static QSharedPointer<WorkflowRequest> createWorkflowRequest(bool pRequestTransportPin = false, bool pActivateUi = true, bool pOnlyCheckPin = false);
};

} // namespace tessarovin
