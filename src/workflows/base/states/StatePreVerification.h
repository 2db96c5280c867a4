#pragma once

#include "asn1/CVCertificate.h"
#include "context/AuthContext.h"
#include "states/AbstractState.h"
#include "states/GenericContextContainer.h"

#include <QDateTime>
#include <QList>
#include <QSharedPointer>

namespace tessarovin
{

// Checks the provider's CV chain before the user is asked for the PIN: it must lead from a
// trusted self-issued root, carry valid signatures and be valid today. The link CVCAs met on
// the way are kept, so that later chains to newer roots can be built.
class StatePreVerification
	: public AbstractState
	, public GenericContextContainer<AuthContext>
{
	Q_OBJECT

	private:
		// Productive roots first, then the test roots.
		const QList<QSharedPointer<const cvcertificate_st>> mTrustedCvcas;
		const QDateTime mValidationDateTime;

		void run() override;
		void abortWith(GlobalStatus::Code pCode, FailureCode::Reason pReason);

	public:
		explicit StatePreVerification(const QSharedPointer<WorkflowContext>& pContext);

		// Walks from the terminal certificate towards the root and stops after the last CVCA:
		// certificates before it are the card's business, not the provider's.
		[[nodiscard]] bool isValid(const QList<QSharedPointer<const cvcertificate_st>>& pCertificates) const;
		void saveCvcaLinkCertificates(const QList<QSharedPointer<const cvcertificate_st>>& pCertificates) const;
};

} // namespace tessarovin
