#include "states/StateSendDIDAuthenticateResponseEAC1.h"

using namespace tessarovin;

StateSendDIDAuthenticateResponseEAC1::StateSendDIDAuthenticateResponseEAC1(const QSharedPointer<WorkflowContext>& pContext)
	: StateGenericSendReceive(pContext, PaosType::DID_AUTHENTICATE_EAC2)
{
	setAbortOnCardRemoved();
}


QSharedPointer<ResponseType> StateSendDIDAuthenticateResponseEAC1::getAsResponse()
{
	return getContext()->getDidAuthenticateResponseEac1();
}


QSharedPointer<PaosCreator> StateSendDIDAuthenticateResponseEAC1::getAsCreator()
{
	return getContext()->getDidAuthenticateResponseEac1();
}
