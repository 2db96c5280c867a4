#pragma once

#include "states/StateGenericSendReceive.h"

namespace tessarovin
{

// Sends the EAC2 response that asks for the signature the EAC2 input lacked; the server answers
// with EACAdditionalInputType.
class StateSendDIDAuthenticateResponseEACAdditionalInputType
	: public StateGenericSendReceive
{
	Q_OBJECT

	protected:
		QSharedPointer<ResponseType> getAsResponse() override;
		QSharedPointer<PaosCreator> getAsCreator() override;

	public:
		explicit StateSendDIDAuthenticateResponseEACAdditionalInputType(const QSharedPointer<WorkflowContext>& pContext);
};

} // namespace tessarovin
