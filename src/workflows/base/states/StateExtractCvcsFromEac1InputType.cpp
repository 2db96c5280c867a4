#include "states/StateExtractCvcsFromEac1InputType.h"

#include "LogCategories.h"

using namespace tessarovin;

StateExtractCvcsFromEac1InputType::StateExtractCvcsFromEac1InputType(const QSharedPointer<WorkflowContext>& pContext)
	: AbstractState(pContext)
	, GenericContextContainer(pContext)
{
}


void StateExtractCvcsFromEac1InputType::run()
{
	const auto& context = getContext();
	const auto& eac1 = context->getDidAuthenticateEac1();
	const auto abortWith = [this](GlobalStatus::Code pCode, FailureCode::Reason pReason) {
				updateStatus(GlobalStatus(pCode, GlobalStatus::Origin::Client));
				Q_EMIT fireAbort(FailureCode(pReason, {FailureCode::Info::State_Name, getStateName()}));
			};

	const auto dvCvcs = eac1 ? eac1->getCvCertificates({AccessRole::DV_no_f, AccessRole::DV_od}) : QList<QSharedPointer<const cvcertificate_st>>();
	if (dvCvcs.isEmpty())
	{
		qCCritical(statemachine) << "No DV certificate found in EAC1InputType";
		abortWith(GlobalStatus::Code::Workflow_No_Unique_DvCvc, FailureCode::Reason::Extract_Cvcs_From_Eac1_Dv_Missing);
		return;
	}
	if (dvCvcs.size() > 1)
	{
		qCCritical(statemachine) << "More than one DV certificate found in EAC1InputType";
		abortWith(GlobalStatus::Code::Workflow_No_Unique_DvCvc, FailureCode::Reason::Extract_Cvcs_From_Eac1_No_Unique_Dv);
		return;
	}
	context->setDvCvc(dvCvcs.first());

	const auto atCvcs = eac1->getCvCertificates({AccessRole::AT});
	if (atCvcs.isEmpty())
	{
		qCCritical(statemachine) << "No terminal certificate found in EAC1InputType";
		abortWith(GlobalStatus::Code::Workflow_No_Unique_AtCvc, FailureCode::Reason::Extract_Cvcs_From_Eac1_At_Missing);
		return;
	}
	if (atCvcs.size() > 1)
	{
		qCCritical(statemachine) << "More than one terminal certificate found in EAC1InputType";
		abortWith(GlobalStatus::Code::Workflow_No_Unique_AtCvc, FailureCode::Reason::Extract_Cvcs_From_Eac1_No_Unique_At);
		return;
	}

	// Needs the DV certificate stored first: the manager offers rights by the DV's kind.
	context->initAccessRightManager(atCvcs.first());
	context->initCvcChainBuilder();
	Q_EMIT fireContinue();
}
