#include "states/StateSendDIDAuthenticateResponseEACAdditionalInputType.h"

using namespace tessarovin;

StateSendDIDAuthenticateResponseEACAdditionalInputType::StateSendDIDAuthenticateResponseEACAdditionalInputType(const QSharedPointer<WorkflowContext>& pContext)
	: StateGenericSendReceive(pContext, PaosType::DID_AUTHENTICATE_EAC_ADDITIONAL_INPUT_TYPE)
{
	setAbortOnCardRemoved();
}


QSharedPointer<ResponseType> StateSendDIDAuthenticateResponseEACAdditionalInputType::getAsResponse()
{
	return getContext()->getDidAuthenticateResponseEacAdditionalInputType();
}


QSharedPointer<PaosCreator> StateSendDIDAuthenticateResponseEACAdditionalInputType::getAsCreator()
{
	return getContext()->getDidAuthenticateResponseEacAdditionalInputType();
}
