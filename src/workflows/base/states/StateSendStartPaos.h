#pragma once

#include "states/StateGenericSendReceive.h"

namespace tessarovin
{

// Opens the dialogue with StartPAOS. The server answers with InitializeFramework or goes straight
// to DIDAuthenticate with the EAC1 input.
class StateSendStartPaos
	: public StateGenericSendReceive
{
	Q_OBJECT

	protected:
		QSharedPointer<ResponseType> getAsResponse() override;
		QSharedPointer<PaosCreator> getAsCreator() override;
		void emitStateMachineSignal(PaosType pResponseType) override;

	public:
		explicit StateSendStartPaos(const QSharedPointer<WorkflowContext>& pContext);

	Q_SIGNALS:
		void fireReceivedExtractCvcsFromEac1InputType();
};

} // namespace tessarovin
