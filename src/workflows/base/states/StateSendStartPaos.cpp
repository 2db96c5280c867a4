#include "states/StateSendStartPaos.h"

using namespace tessarovin;

StateSendStartPaos::StateSendStartPaos(const QSharedPointer<WorkflowContext>& pContext)
	: StateGenericSendReceive(pContext, PaosType::INITIALIZE_FRAMEWORK, {PaosType::DID_AUTHENTICATE_EAC1})
{
}


QSharedPointer<ResponseType> StateSendStartPaos::getAsResponse()
{
	// StartPAOS opens the dialogue and carries no result.
	return QSharedPointer<ResponseType>();
}


QSharedPointer<PaosCreator> StateSendStartPaos::getAsCreator()
{
	return getContext()->getStartPaos();
}


void StateSendStartPaos::emitStateMachineSignal(PaosType pResponseType)
{
	if (pResponseType == PaosType::DID_AUTHENTICATE_EAC1)
	{
		Q_EMIT fireReceivedExtractCvcsFromEac1InputType();
	}
}
