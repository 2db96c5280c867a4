#include "states/CompositeStateTrustedChannel.h"

#include "context/AuthContext.h"
#include "states/CompositeStatePace.h"
#include "states/CompositeStateProcessCvcsAndSetRights.h"
#include "states/StateBuilder.h"
#include "states/StateCleanUpReaderManager.h"
#include "states/StateClearPacePasswords.h"
#include "states/StateDestroyPace.h"
#include "states/StateDidAuthenticateEac1.h"
#include "states/StateDidAuthenticateEac2.h"
#include "states/StateEACAdditionalInputType.h"
#include "states/StateGetTcToken.h"
#include "states/StateInitializeFramework.h"
#include "states/StateProcessCertificatesFromEac2.h"
#include "states/StateSendDIDAuthenticateResponseEAC1.h"
#include "states/StateSendDIDAuthenticateResponseEAC2.h"
#include "states/StateSendDIDAuthenticateResponseEACAdditionalInputType.h"
#include "states/StateSendInitializeFrameworkResponse.h"
#include "states/StateSendStartPaos.h"
#include "states/StateSendTransmitResponse.h"
#include "states/StateStartPaos.h"
#include "states/StateStartPaosResponse.h"
#include "states/StateTransmit.h"
#include "states/StateUpdateRetryCounter.h"

#include <initializer_list>

using namespace tessarovin;

CompositeStateTrustedChannel::CompositeStateTrustedChannel(const QSharedPointer<WorkflowContext>& pContext)
	: QState()
	, mContext(pContext)
{
	setObjectName(stripNamespace(metaObject()->className()));

	auto* sGetTcToken = createState<StateGetTcToken>(mContext);
	auto* sStartPaos = createState<StateStartPaos>(mContext);
	auto* sSendStartPaos = createState<StateSendStartPaos>(mContext);
	auto* sInitializeFramework = createState<StateInitializeFramework>(mContext);
	auto* sSendInitializeFrameworkResponse = createState<StateSendInitializeFrameworkResponse>(mContext);
	auto* sProcessCvcsAndSetRights = new CompositeStateProcessCvcsAndSetRights(mContext.staticCast<AuthContext>());
	auto* sStatePace = new CompositeStatePace(mContext);
	auto* sDidAuthenticateEac1 = createState<StateDidAuthenticateEac1>(mContext);
	auto* sSendDidAuthenticateResponseEac1 = createState<StateSendDIDAuthenticateResponseEAC1>(mContext);
	auto* sEacAdditionalInputType = createState<StateEACAdditionalInputType>(mContext);
	auto* sSendDidAuthenticateResponseEacAdditionalInputType = createState<StateSendDIDAuthenticateResponseEACAdditionalInputType>(mContext);
	auto* sProcessCertificatesFromEac2 = createState<StateProcessCertificatesFromEac2>(mContext);
	auto* sDidAuthenticateEac2 = createState<StateDidAuthenticateEac2>(mContext);
	auto* sSendDidAuthenticateResponseEac2 = createState<StateSendDIDAuthenticateResponseEAC2>(mContext);
	auto* sTransmit = createState<StateTransmit>(mContext);
	auto* sSendTransmitResponse = createState<StateSendTransmitResponse>(mContext);
	auto* sDestroyPace = createState<StateDestroyPace>(mContext);
	auto* sClearPacePasswords = createState<StateClearPacePasswords>(mContext);
	auto* sUpdateRetryCounter = createState<StateUpdateRetryCounter>(mContext);
	auto* sCleanUpReaderManager = createState<StateCleanUpReaderManager>(mContext);
	auto* sStartPaosResponse = createState<StateStartPaosResponse>(mContext);

	for (QState* child : std::initializer_list<QState*> {sGetTcToken, sStartPaos, sSendStartPaos, sInitializeFramework,
			sSendInitializeFrameworkResponse, sProcessCvcsAndSetRights, sStatePace, sDidAuthenticateEac1,
			sSendDidAuthenticateResponseEac1, sEacAdditionalInputType, sSendDidAuthenticateResponseEacAdditionalInputType,
			sProcessCertificatesFromEac2, sDidAuthenticateEac2, sSendDidAuthenticateResponseEac2, sTransmit,
			sSendTransmitResponse, sDestroyPace, sClearPacePasswords, sUpdateRetryCounter, sCleanUpReaderManager,
			sStartPaosResponse})
	{
		child->setParent(this);
	}

	setInitialState(sGetTcToken);

	// Before the dialogue has begun, a failure leaves at once: no server waits for an answer.
	sGetTcToken->addTransition(sGetTcToken, &AbstractState::fireContinue, sStartPaos);
	connect(sGetTcToken, &AbstractState::fireAbort, this, &CompositeStateTrustedChannel::fireAbort);

	sStartPaos->addTransition(sStartPaos, &AbstractState::fireContinue, sSendStartPaos);
	connect(sStartPaos, &AbstractState::fireAbort, this, &CompositeStateTrustedChannel::fireAbort);

	sSendStartPaos->addTransition(sSendStartPaos, &AbstractState::fireContinue, sInitializeFramework);
	connect(sSendStartPaos, &AbstractState::fireAbort, this, &CompositeStateTrustedChannel::fireAbort);
	sSendStartPaos->addTransition(sSendStartPaos, &StateSendStartPaos::fireReceivedExtractCvcsFromEac1InputType, sProcessCvcsAndSetRights);
	sSendStartPaos->addTransition(sSendStartPaos, &StateGenericSendReceive::fireReceivedStartPaosResponse, sStartPaosResponse);

	// A state that processes a request of the server reports its failure in the matching response.
	sInitializeFramework->addTransition(sInitializeFramework, &AbstractState::fireContinue, sSendInitializeFrameworkResponse);
	sInitializeFramework->addTransition(sInitializeFramework, &AbstractState::fireAbort, sSendInitializeFrameworkResponse);

	sSendInitializeFrameworkResponse->addTransition(sSendInitializeFrameworkResponse, &AbstractState::fireContinue, sProcessCvcsAndSetRights);
	connect(sSendInitializeFrameworkResponse, &AbstractState::fireAbort, this, &CompositeStateTrustedChannel::fireAbort);
	sSendInitializeFrameworkResponse->addTransition(sSendInitializeFrameworkResponse, &StateGenericSendReceive::fireReceivedStartPaosResponse, sStartPaosResponse);

	sProcessCvcsAndSetRights->addTransition(sProcessCvcsAndSetRights, &CompositeStateProcessCvcsAndSetRights::fireContinue, sStatePace);
	sProcessCvcsAndSetRights->addTransition(sProcessCvcsAndSetRights, &CompositeStateProcessCvcsAndSetRights::fireAbort, sSendDidAuthenticateResponseEac1);

	sStatePace->addTransition(sStatePace, &CompositeStatePace::fireContinue, sDidAuthenticateEac1);
	sStatePace->addTransition(sStatePace, &CompositeStatePace::fireAbort, sSendDidAuthenticateResponseEac1);
	sStatePace->addTransition(sStatePace, &CompositeStatePace::firePropagateAbort, sSendDidAuthenticateResponseEac1);

	sDidAuthenticateEac1->addTransition(sDidAuthenticateEac1, &AbstractState::fireContinue, sSendDidAuthenticateResponseEac1);
	sDidAuthenticateEac1->addTransition(sDidAuthenticateEac1, &AbstractState::fireAbort, sSendDidAuthenticateResponseEac1);

	// From here on PACE may have run: every end of the dialogue passes the card clean-up.
	sSendDidAuthenticateResponseEac1->addTransition(sSendDidAuthenticateResponseEac1, &AbstractState::fireContinue, sEacAdditionalInputType);
	sSendDidAuthenticateResponseEac1->addTransition(sSendDidAuthenticateResponseEac1, &AbstractState::fireAbort, sDestroyPace);
	sSendDidAuthenticateResponseEac1->addTransition(sSendDidAuthenticateResponseEac1, &StateGenericSendReceive::fireReceivedStartPaosResponse, sDestroyPace);

	sEacAdditionalInputType->addTransition(sEacAdditionalInputType, &AbstractState::fireContinue, sProcessCertificatesFromEac2);
	sEacAdditionalInputType->addTransition(sEacAdditionalInputType, &AbstractState::fireAbort, sSendDidAuthenticateResponseEacAdditionalInputType);
	sEacAdditionalInputType->addTransition(sEacAdditionalInputType, &StateEACAdditionalInputType::fireSendDidAuthenticateResponse, sSendDidAuthenticateResponseEacAdditionalInputType);

	sSendDidAuthenticateResponseEacAdditionalInputType->addTransition(sSendDidAuthenticateResponseEacAdditionalInputType, &AbstractState::fireContinue, sProcessCertificatesFromEac2);
	sSendDidAuthenticateResponseEacAdditionalInputType->addTransition(sSendDidAuthenticateResponseEacAdditionalInputType, &AbstractState::fireAbort, sDestroyPace);
	sSendDidAuthenticateResponseEacAdditionalInputType->addTransition(sSendDidAuthenticateResponseEacAdditionalInputType, &StateGenericSendReceive::fireReceivedStartPaosResponse, sDestroyPace);

	sProcessCertificatesFromEac2->addTransition(sProcessCertificatesFromEac2, &AbstractState::fireContinue, sDidAuthenticateEac2);
	sProcessCertificatesFromEac2->addTransition(sProcessCertificatesFromEac2, &AbstractState::fireAbort, sSendDidAuthenticateResponseEac2);

	sDidAuthenticateEac2->addTransition(sDidAuthenticateEac2, &AbstractState::fireContinue, sSendDidAuthenticateResponseEac2);
	sDidAuthenticateEac2->addTransition(sDidAuthenticateEac2, &AbstractState::fireAbort, sSendDidAuthenticateResponseEac2);

	sSendDidAuthenticateResponseEac2->addTransition(sSendDidAuthenticateResponseEac2, &AbstractState::fireContinue, sTransmit);
	sSendDidAuthenticateResponseEac2->addTransition(sSendDidAuthenticateResponseEac2, &AbstractState::fireAbort, sDestroyPace);
	sSendDidAuthenticateResponseEac2->addTransition(sSendDidAuthenticateResponseEac2, &StateGenericSendReceive::fireReceivedStartPaosResponse, sDestroyPace);

	sTransmit->addTransition(sTransmit, &AbstractState::fireContinue, sSendTransmitResponse);
	sTransmit->addTransition(sTransmit, &AbstractState::fireAbort, sSendTransmitResponse);

	sSendTransmitResponse->addTransition(sSendTransmitResponse, &AbstractState::fireContinue, sTransmit);
	sSendTransmitResponse->addTransition(sSendTransmitResponse, &AbstractState::fireAbort, sDestroyPace);
	sSendTransmitResponse->addTransition(sSendTransmitResponse, &StateGenericSendReceive::fireReceivedStartPaosResponse, sDestroyPace);

	// The clean-up follows both edges of each step, so that it always runs to its end.
	sDestroyPace->addTransition(sDestroyPace, &AbstractState::fireContinue, sClearPacePasswords);
	sDestroyPace->addTransition(sDestroyPace, &AbstractState::fireAbort, sClearPacePasswords);

	sClearPacePasswords->addTransition(sClearPacePasswords, &AbstractState::fireContinue, sUpdateRetryCounter);
	sClearPacePasswords->addTransition(sClearPacePasswords, &AbstractState::fireAbort, sUpdateRetryCounter);

	sUpdateRetryCounter->addTransition(sUpdateRetryCounter, &AbstractState::fireContinue, sCleanUpReaderManager);
	sUpdateRetryCounter->addTransition(sUpdateRetryCounter, &AbstractState::fireAbort, sCleanUpReaderManager);
	sUpdateRetryCounter->addTransition(sUpdateRetryCounter, &StateUpdateRetryCounter::fireNoCardConnection, sCleanUpReaderManager);

	sCleanUpReaderManager->addTransition(sCleanUpReaderManager, &AbstractState::fireContinue, sStartPaosResponse);
	sCleanUpReaderManager->addTransition(sCleanUpReaderManager, &AbstractState::fireAbort, sStartPaosResponse);

	// The server's final result ends the composite through the parent's edges on its own signals.
	connect(sStartPaosResponse, &AbstractState::fireContinue, this, &CompositeStateTrustedChannel::fireContinue);
	connect(sStartPaosResponse, &AbstractState::fireAbort, this, &CompositeStateTrustedChannel::fireAbort);
}
