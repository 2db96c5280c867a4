#include "states/StateSendDIDAuthenticateResponseEAC2.h"

using namespace tessarovin;

StateSendDIDAuthenticateResponseEAC2::StateSendDIDAuthenticateResponseEAC2(const QSharedPointer<WorkflowContext>& pContext)
	: StateGenericSendReceive(pContext, PaosType::TRANSMIT)
{
	setAbortOnCardRemoved();
}


QSharedPointer<ResponseType> StateSendDIDAuthenticateResponseEAC2::getAsResponse()
{
	return getContext()->getDidAuthenticateResponseEac2();
}


QSharedPointer<PaosCreator> StateSendDIDAuthenticateResponseEAC2::getAsCreator()
{
	return getContext()->getDidAuthenticateResponseEac2();
}
