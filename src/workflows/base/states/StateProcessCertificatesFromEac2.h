#pragma once

#include "context/AuthContext.h"
#include "states/AbstractState.h"
#include "states/GenericContextContainer.h"

namespace tessarovin
{

// Completes the CV chain for the card's certification authority with the DV and link
// certificates of the EAC2 request, when EAC1 did not already bring one.
class StateProcessCertificatesFromEac2
	: public AbstractState
	, public GenericContextContainer<AuthContext>
{
	Q_OBJECT

	private:
		void run() override;

	public:
		explicit StateProcessCertificatesFromEac2(const QSharedPointer<WorkflowContext>& pContext);
};

} // namespace tessarovin
