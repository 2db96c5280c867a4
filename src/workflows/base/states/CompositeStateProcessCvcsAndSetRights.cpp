#include "states/CompositeStateProcessCvcsAndSetRights.h"

#include "states/StateBuilder.h"
#include "states/StateCertificateDescriptionCheck.h"
#include "states/StateCheckCertificates.h"
#include "states/StateEditAccessRights.h"
#include "states/StateExtractCvcsFromEac1InputType.h"
#include "states/StatePreVerification.h"

using namespace tessarovin;

CompositeStateProcessCvcsAndSetRights::CompositeStateProcessCvcsAndSetRights(const QSharedPointer<AuthContext>& pContext)
	: QState()
	, mContext(pContext)
{
	const QList<AbstractState*> states {
		createState<StateExtractCvcsFromEac1InputType>(mContext),
		createState<StatePreVerification>(mContext),
		createState<StateCertificateDescriptionCheck>(mContext),
		createState<StateCheckCertificates>(mContext),
		createState<StateEditAccessRights>(mContext)
	};

	for (qsizetype i = 0; i < states.size(); ++i)
	{
		auto* state = states.at(i);
		// The parent object makes it a child state of this one.
		state->setParent(this);
		connect(state, &AbstractState::fireAbort, this, &CompositeStateProcessCvcsAndSetRights::fireAbort);
		if (i + 1 < states.size())
		{
			state->addTransition(state, &AbstractState::fireContinue, states.at(i + 1));
		}
		else
		{
			connect(state, &AbstractState::fireContinue, this, &CompositeStateProcessCvcsAndSetRights::fireContinue);
		}
	}
	setInitialState(states.first());
}


CompositeStateProcessCvcsAndSetRights::~CompositeStateProcessCvcsAndSetRights() = default;
