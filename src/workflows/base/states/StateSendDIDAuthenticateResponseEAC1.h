#pragma once

#include "states/StateGenericSendReceive.h"

namespace tessarovin
{

// Sends the EAC1 response with the card's challenge; the server goes on with the EAC2 input.
class StateSendDIDAuthenticateResponseEAC1
	: public StateGenericSendReceive
{
	Q_OBJECT

	protected:
		QSharedPointer<ResponseType> getAsResponse() override;
		QSharedPointer<PaosCreator> getAsCreator() override;

	public:
		explicit StateSendDIDAuthenticateResponseEAC1(const QSharedPointer<WorkflowContext>& pContext);
};

} // namespace tessarovin
