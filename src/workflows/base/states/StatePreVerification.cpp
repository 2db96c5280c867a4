#include "states/StatePreVerification.h"

#include "AppSettings.h"
#include "asn1/CVCertificateChain.h"
#include "asn1/SignatureChecker.h"
#include "Env.h"
#include "LogCategories.h"
#include "SecureStorage.h"

using namespace tessarovin;

namespace
{

QList<QSharedPointer<const cvcertificate_st>> trustedCvcas()
{
	const auto* secureStorage = Env::getSingleton<SecureStorage>();
	return cvcertificate_st::decodeList(secureStorage->getCVRootCertificates(true))
		   + cvcertificate_st::decodeList(secureStorage->getCVRootCertificates(false));
}


} // namespace


StatePreVerification::StatePreVerification(const QSharedPointer<WorkflowContext>& pContext)
	: AbstractState(pContext)
	, GenericContextContainer(pContext)
	, mTrustedCvcas(trustedCvcas())
	, mValidationDateTime(QDateTime::currentDateTimeUtc())
{
}


void StatePreVerification::abortWith(GlobalStatus::Code pCode, FailureCode::Reason pReason)
{
	updateStatus(GlobalStatus(pCode, GlobalStatus::Origin::Client));
	Q_EMIT fireAbort(FailureCode(pReason, {FailureCode::Info::State_Name, getStateName()}));
}


void StatePreVerification::run()
{
	qCDebug(statemachine) << "Try to build a cvc chain for one of the known trust points";

	CVCertificateChain chain;
	for (const auto& trustedCvca : std::as_const(mTrustedCvcas))
	{
		if (trustedCvca->isIssuedBy(*trustedCvca))
		{
			chain = getContext()->getChainStartingWith(trustedCvca);
			if (chain.isValid())
			{
				break;
			}
		}
	}

	auto* settings = Env::getSingleton<AppSettings>();
	const bool developerMode = settings->getGeneralSettings().isDeveloperMode();
	// Before the switch below: developer mode relaxes checks, so it must never meet a productive PKI.
	if (developerMode && chain.isProductive())
	{
		qCCritical(statemachine) << "Using the developer mode is only allowed in a test environment";
		abortWith(GlobalStatus::Code::Workflow_Preverification_Developermode_Error, FailureCode::Reason::Pre_Verification_No_Test_Environment);
		return;
	}

	if (!settings->getPreVerificationSettings().isEnabled())
	{
		qCInfo(statemachine) << "Pre-verification is disabled";
		Q_EMIT fireContinue();
		return;
	}

	if (!chain.isValid())
	{
		qCCritical(statemachine) << "Pre-verification failed: cannot build certificate chain";
		abortWith(GlobalStatus::Code::Workflow_Preverification_Error, FailureCode::Reason::Pre_Verification_Invalid_Certificate_Chain);
		return;
	}

	if (!SignatureChecker(chain).check())
	{
		qCCritical(statemachine) << "Pre-verification failed: signature check failed";
		abortWith(GlobalStatus::Code::Workflow_Preverification_Error, FailureCode::Reason::Pre_Verification_Invalid_Certificate_Signature);
		return;
	}

	if (!isValid(chain))
	{
		const auto message = "Pre-verification failed: certificate not valid";
		if (!developerMode)
		{
			qCCritical(statemachine) << message;
			abortWith(GlobalStatus::Code::Workflow_Preverification_Error, FailureCode::Reason::Pre_Verification_Certificate_Expired);
			return;
		}
		qCCritical(developermode) << message;
	}

	saveCvcaLinkCertificates(chain);
	Q_EMIT fireContinue();
}


bool StatePreVerification::isValid(const QList<QSharedPointer<const cvcertificate_st>>& pCertificates) const
{
	qCDebug(statemachine) << "Check certificate chain validity on UTC:" << mValidationDateTime.toString(Qt::ISODate);

	for (auto iter = pCertificates.crbegin(); iter != pCertificates.crend(); ++iter)
	{
		const auto& body = (*iter)->getBody();
		const auto role = body.getCHAT().getAccessRole();
		qCDebug(statemachine).noquote() << "CVC" << QString::fromLatin1(body.getCertificateHolderReference()) << role;
		qCDebug(statemachine).noquote() << "| valid from/to"
										<< QStringLiteral("[%1, %2]").arg(body.getEffectiveDate().toString(Qt::ISODate), body.getExpirationDate().toString(Qt::ISODate));

		if (!(*iter)->isValidOn(mValidationDateTime))
		{
			return false;
		}

		if (role == AccessRole::CVCA)
		{
			return true;
		}
	}

	return true;
}


void StatePreVerification::saveCvcaLinkCertificates(const QList<QSharedPointer<const cvcertificate_st>>& pCertificates) const
{
	auto& settings = Env::getSingleton<AppSettings>()->getPreVerificationSettings();
	for (const auto& certificate : pCertificates)
	{
		if (certificate->getBody().getCHAT().getAccessRole() != AccessRole::CVCA)
		{
			continue;
		}

		const bool trusted = std::any_of(mTrustedCvcas.cbegin(), mTrustedCvcas.cend(), [&certificate](const auto& pTrusted) {
					return *pTrusted == *certificate;
				});
		if (!trusted)
		{
			qCInfo(statemachine) << "Save link certificate" << certificate;
			settings.addLinkCertificate(certificate->encode());
		}
	}
}
