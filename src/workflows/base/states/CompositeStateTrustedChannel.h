#pragma once

#include "context/WorkflowContext.h"
#include "FailureCode.h"

#include <QSharedPointer>
#include <QState>

namespace tessarovin
{

// The dialogue with the eID server from the TC token to StartPAOSResponse, with PACE and terminal
// and chip authentication in between. A failure while the server waits for an answer is reported
// in that answer; once PACE may have run, every end of the dialogue passes the card clean-up.
class CompositeStateTrustedChannel
	: public QState
{
	Q_OBJECT

	private:
		const QSharedPointer<WorkflowContext> mContext;

	public:
		explicit CompositeStateTrustedChannel(const QSharedPointer<WorkflowContext>& pContext);

	Q_SIGNALS:
		void fireContinue();
		void fireAbort(const tessarovin::FailureCode& pFailure);
};

} // namespace tessarovin
