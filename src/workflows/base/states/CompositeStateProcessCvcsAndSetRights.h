#pragma once

#include "context/AuthContext.h"
#include "FailureCode.h"

#include <QSharedPointer>
#include <QState>

namespace tessarovin
{

// The gate between the EAC1 request and PACE: the provider's certificates are taken out, the
// chain pre-verified, the description and the TLS certificates checked, and the user reviews
// the access rights. Owns its children; the parent machine wires only its two signals.
class CompositeStateProcessCvcsAndSetRights
	: public QState
{
	Q_OBJECT

	private:
		const QSharedPointer<AuthContext> mContext;

	public:
		explicit CompositeStateProcessCvcsAndSetRights(const QSharedPointer<AuthContext>& pContext);
		~CompositeStateProcessCvcsAndSetRights() override;

	Q_SIGNALS:
		void fireContinue();
		void fireAbort(const tessarovin::FailureCode& pFailure);
};

} // namespace tessarovin
