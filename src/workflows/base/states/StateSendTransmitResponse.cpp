#include "states/StateSendTransmitResponse.h"

using namespace tessarovin;

StateSendTransmitResponse::StateSendTransmitResponse(const QSharedPointer<WorkflowContext>& pContext)
	: StateGenericSendReceive(pContext, PaosType::TRANSMIT)
{
	setAbortOnCardRemoved();
}


QSharedPointer<ResponseType> StateSendTransmitResponse::getAsResponse()
{
	return getContext()->getTransmitResponse();
}


QSharedPointer<PaosCreator> StateSendTransmitResponse::getAsCreator()
{
	return getContext()->getTransmitResponse();
}
