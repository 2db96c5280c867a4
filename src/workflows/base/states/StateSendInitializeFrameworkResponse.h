#pragma once

#include "states/StateGenericSendReceive.h"

namespace tessarovin
{

// Answers InitializeFramework; the server goes on with DIDAuthenticate and the EAC1 input.
class StateSendInitializeFrameworkResponse
	: public StateGenericSendReceive
{
	Q_OBJECT

	protected:
		QSharedPointer<ResponseType> getAsResponse() override;
		QSharedPointer<PaosCreator> getAsCreator() override;

	public:
		explicit StateSendInitializeFrameworkResponse(const QSharedPointer<WorkflowContext>& pContext);
};

} // namespace tessarovin
