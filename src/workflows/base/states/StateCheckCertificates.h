#pragma once

#include "context/AuthContext.h"
#include "states/AbstractState.h"
#include "states/GenericContextContainer.h"

namespace tessarovin
{

// Every TLS certificate met so far in the authentication must be one the certificate description
// lists; those met before the description arrived are only checked here.
class StateCheckCertificates
	: public AbstractState
	, public GenericContextContainer<AuthContext>
{
	Q_OBJECT

	private:
		void run() override;

	public:
		explicit StateCheckCertificates(const QSharedPointer<WorkflowContext>& pContext);
};

} // namespace tessarovin
