#pragma once

#include "states/StateGenericSendReceive.h"

namespace tessarovin
{

// Sends the EAC2 response with the chip's authentication; the server goes on with Transmit.
class StateSendDIDAuthenticateResponseEAC2
	: public StateGenericSendReceive
{
	Q_OBJECT

	protected:
		QSharedPointer<ResponseType> getAsResponse() override;
		QSharedPointer<PaosCreator> getAsCreator() override;

	public:
		explicit StateSendDIDAuthenticateResponseEAC2(const QSharedPointer<WorkflowContext>& pContext);
};

} // namespace tessarovin
