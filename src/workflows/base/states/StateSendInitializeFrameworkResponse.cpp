#include "states/StateSendInitializeFrameworkResponse.h"

using namespace tessarovin;

StateSendInitializeFrameworkResponse::StateSendInitializeFrameworkResponse(const QSharedPointer<WorkflowContext>& pContext)
	: StateGenericSendReceive(pContext, PaosType::DID_AUTHENTICATE_EAC1)
{
}


QSharedPointer<ResponseType> StateSendInitializeFrameworkResponse::getAsResponse()
{
	return getContext()->getInitializeFrameworkResponse();
}


QSharedPointer<PaosCreator> StateSendInitializeFrameworkResponse::getAsCreator()
{
	return getContext()->getInitializeFrameworkResponse();
}
