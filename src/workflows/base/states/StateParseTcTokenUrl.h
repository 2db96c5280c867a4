#pragma once

#include "context/AuthContext.h"
#include "states/AbstractState.h"
#include "states/GenericContextContainer.h"

namespace tessarovin
{

// Takes the TC token address out of the address that started the authentication.
class StateParseTcTokenUrl
	: public AbstractState
	, public GenericContextContainer<AuthContext>
{
	Q_OBJECT

	private:
		void run() override;

	public:
		explicit StateParseTcTokenUrl(const QSharedPointer<WorkflowContext>& pContext);
};

} // namespace tessarovin
