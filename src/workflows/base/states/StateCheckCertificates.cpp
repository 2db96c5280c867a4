#include "states/StateCheckCertificates.h"

#include "AppSettings.h"
#include "Env.h"
#include "LogCategories.h"
#include "TlsCertificateHashCheck.h"

using namespace tessarovin;

StateCheckCertificates::StateCheckCertificates(const QSharedPointer<WorkflowContext>& pContext)
	: AbstractState(pContext)
	, GenericContextContainer(pContext)
{
}


void StateCheckCertificates::run()
{
	const auto& context = getContext();
	// The terminal's hash algorithm, as for every later connection: see TlsCertificateHashCheck.
	const auto check = TlsCertificateHashCheck::fromContext(*context);
	const bool developerMode = Env::getSingleton<AppSettings>()->getGeneralSettings().isDeveloperMode();

	const auto& certificates = context->getCertificateList();
	for (const auto& certificate : certificates)
	{
		if (check && check->isAccepted(certificate))
		{
			continue;
		}

		const auto message = "Hash of certificate not in certificate description";
		if (developerMode)
		{
			qCCritical(developermode) << message;
			continue;
		}

		qCCritical(statemachine) << message;
		updateStatus(GlobalStatus(GlobalStatus::Code::Workflow_TrustedChannel_Hash_Not_In_Description,
				{GlobalStatus::ExternalInformation::CERTIFICATE_ISSUER_NAME, certificate.issuerDisplayName()},
				GlobalStatus::Origin::Client));
		Q_EMIT fireAbort(FailureCode(FailureCode::Reason::Certificate_Check_Failed_Hash_Missing_In_Description,
				{FailureCode::Info::State_Name, getStateName()}));
		return;
	}

	Q_EMIT fireContinue();
}
