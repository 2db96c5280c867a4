#include "states/StateProcessCertificatesFromEac2.h"

#include "LogCategories.h"

using namespace tessarovin;

StateProcessCertificatesFromEac2::StateProcessCertificatesFromEac2(const QSharedPointer<WorkflowContext>& pContext)
	: AbstractState(pContext)
	, GenericContextContainer(pContext)
{
	setAbortOnCardRemoved();
}


void StateProcessCertificatesFromEac2::run()
{
	const auto& context = getContext();
	const auto& paceOutput = context->getPaceOutputData();
	if (context->hasChainForCertificationAuthority(paceOutput))
	{
		qCDebug(statemachine) << "CVC chain already determined, skip further processing";
		Q_EMIT fireContinue();
		return;
	}

	// The terminal certificate is the one the user approved with EAC1; another one here must not
	// end a chain that the card then checks.
	QList<QSharedPointer<const cvcertificate_st>> certificates;
	if (const auto& eac2 = context->getDidAuthenticateEac2())
	{
		for (const auto& certificate : eac2->getCvCertificates())
		{
			if (certificate->getBody().getCHAT().getAccessRole() == AccessRole::AT)
			{
				qCWarning(statemachine) << "Ignoring AT CVC from EAC2InputType" << certificate;
				continue;
			}
			certificates += certificate;
		}
	}
	context->initCvcChainBuilder(certificates);

	if (context->hasChainForCertificationAuthority(paceOutput))
	{
		Q_EMIT fireContinue();
		return;
	}

	qCCritical(statemachine) << "No cvc chain determined, abort authentication";
	updateStatus(GlobalStatus(GlobalStatus::Code::Workflow_Cannot_Confirm_IdCard_Authenticity, GlobalStatus::Origin::Client));
	Q_EMIT fireAbort(FailureCode(FailureCode::Reason::Process_Certificates_From_Eac2_Cvc_Chain_Missing,
			{FailureCode::Info::State_Name, getStateName()}));
}
