#pragma once

#include "states/StateGenericSendReceive.h"

namespace tessarovin
{

// Sends the card's answers to a Transmit; the server sends the next one or ends the dialogue.
class StateSendTransmitResponse
	: public StateGenericSendReceive
{
	Q_OBJECT

	protected:
		QSharedPointer<ResponseType> getAsResponse() override;
		QSharedPointer<PaosCreator> getAsCreator() override;

	public:
		explicit StateSendTransmitResponse(const QSharedPointer<WorkflowContext>& pContext);
};

} // namespace tessarovin
