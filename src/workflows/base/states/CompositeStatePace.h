#pragma once

#include "context/WorkflowContext.h"
#include "FailureCode.h"

#include <QSharedPointer>
#include <QState>

namespace tessarovin
{

// The PACE phase that the authentication and the PIN change share: reader, card connection,
// retry counter, choice and entry of the password, PACE, and the recovery from wrong passwords,
// lost cards and a bad card position. Its parent sees success, an abort inside its error tail,
// or an error status propagated out of it.
class CompositeStatePace
	: public QState
{
	Q_OBJECT

	private:
		const QSharedPointer<WorkflowContext> mContext;

	public:
		explicit CompositeStatePace(const QSharedPointer<WorkflowContext>& pContext);

	Q_SIGNALS:
		void fireContinue();
		void fireAbort(const tessarovin::FailureCode& pFailure);
		void firePropagateAbort();
};

} // namespace tessarovin
