#pragma once

#include "context/AuthContext.h"
#include "states/AbstractState.h"
#include "states/GenericContextContainer.h"

namespace tessarovin
{

// Binds the certificate description to the terminal certificate (by its hash) and its subject URL
// to the origin the TC token came from, so that the user is shown the provider who really asks.
class StateCertificateDescriptionCheck
	: public AbstractState
	, public GenericContextContainer<AuthContext>
{
	Q_OBJECT

	private:
		void run() override;

	public:
		explicit StateCertificateDescriptionCheck(const QSharedPointer<WorkflowContext>& pContext);
};

} // namespace tessarovin
