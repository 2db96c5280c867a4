#include "states/StateCertificateDescriptionCheck.h"

#include "AppSettings.h"
#include "asn1/KnownOid.h"
#include "asn1/Oid.h"
#include "Env.h"
#include "LogCategories.h"
#include "UrlUtil.h"

#include <QCryptographicHash>

using namespace tessarovin;

StateCertificateDescriptionCheck::StateCertificateDescriptionCheck(const QSharedPointer<WorkflowContext>& pContext)
	: AbstractState(pContext)
	, GenericContextContainer(pContext)
{
}


void StateCertificateDescriptionCheck::run()
{
	const auto& context = getContext();
	const auto abortWith = [this](GlobalStatus::Code pCode, FailureCode::Reason pReason) {
				updateStatus(GlobalStatus(pCode, GlobalStatus::Origin::Client));
				Q_EMIT fireAbort(FailureCode(pReason, {FailureCode::Info::State_Name, getStateName()}));
			};

	const auto& eac1 = context->getDidAuthenticateEac1();
	if (!eac1 || eac1->getCertificateDescriptionAsBinary().isEmpty())
	{
		qCCritical(statemachine) << "No certificate description available";
		abortWith(GlobalStatus::Code::Workflow_Certificate_No_Description, FailureCode::Reason::Certificate_Check_Failed_No_Description);
		return;
	}

	const auto& description = eac1->getCertificateDescription();
	const QString subjectUrl = description ? description->getSubjectUrl() : QString();
	if (subjectUrl.isEmpty())
	{
		qCCritical(statemachine) << "No subject url available in certificate description";
		abortWith(GlobalStatus::Code::Workflow_Certificate_No_Url_In_Description, FailureCode::Reason::Certificate_Check_Failed_No_SubjectUrl_In_Description);
		return;
	}

	const bool developerMode = Env::getSingleton<AppSettings>()->getGeneralSettings().isDeveloperMode();

	// The hash covers the description exactly as received, not as decoded and encoded again.
	// Without a terminal certificate nothing binds the description.
	const auto& terminalCvc = context->getTerminalCvc();
	const bool matches = terminalCvc
			&& QCryptographicHash::hash(eac1->getCertificateDescriptionAsBinary(), terminalCvc->getBody().getHashAlgorithm())
			== terminalCvc->getBody().getExtension(KnownOid::ID_DESCRIPTION);
	if (!matches)
	{
		const auto message = "The certificate description does not match the certificate.";
		if (!developerMode)
		{
			qCCritical(statemachine) << message;
			abortWith(GlobalStatus::Code::Workflow_Certificate_Hash_Error, FailureCode::Reason::Certificate_Check_Failed_Hash_Mismatch);
			return;
		}
		qCCritical(developermode) << message;
	}

	const QUrl subject(subjectUrl);
	const QUrl& tcTokenUrl = context->getTcTokenUrl();
	qCDebug(statemachine) << "Subject URL from AT CVC (eService certificate) description:" << subject;
	qCDebug(statemachine) << "TCToken URL:" << tcTokenUrl;
	if (UrlUtil::isMatchingSameOriginPolicy(subject, tcTokenUrl))
	{
		qCDebug(statemachine) << "SOP-Check succeeded.";
		Q_EMIT fireContinue();
		return;
	}

	qCDebug(statemachine) << "SOP-Check failed.";
	const auto message = "The subject URL in the certificate description and the TCToken URL do not satisfy the same origin policy.";
	if (!developerMode)
	{
		qCCritical(statemachine) << message;
		abortWith(GlobalStatus::Code::Workflow_Certificate_Sop_Error, FailureCode::Reason::Certificate_Check_Failed_Same_Origin_Policy_Violation);
		return;
	}
	qCCritical(developermode) << message;
	Q_EMIT fireContinue();
}
