#include "CertificateChecker.h"

#include "AppSettings.h"
#include "Env.h"
#include "LogCategories.h"
#include "TlsCertificateHashCheck.h"
#include "TlsChecker.h"

using namespace tessarovin;


bool CertificateChecker::abortOnError()
{
	const auto message = QStringLiteral("hash of certificate not in certificate description");
	if (Env::getSingleton<AppSettings>()->getGeneralSettings().isDeveloperMode())
	{
		qCCritical(developermode).noquote() << message;
		return false;
	}

	qCritical().noquote() << message;
	return true;
}


CertificateChecker::CertificateStatus CertificateChecker::checkAndSaveCertificate(const QSslCertificate& pCertificate,
		const QUrl& pUrl,
		const QSharedPointer<AuthContext>& pContext)
{
	if (!TlsChecker::hasValidCertificateKeyLength(pCertificate, TlsChecker::cDefaultMinimumKeySize))
	{
		return CertificateStatus::Unsupported_Algorithm_Or_Length;
	}

	// Before the EAC1 request there is no description yet; the certificates recorded until then are
	// checked against it when it arrives.
	const auto hashCheck = TlsCertificateHashCheck::fromContext(*pContext);
	if (hashCheck && !hashCheck->isAccepted(pCertificate) && abortOnError())
	{
		return CertificateStatus::Hash_Not_In_Description;
	}

	pContext->addCertificateData(pUrl, pCertificate);
	return CertificateStatus::Good;
}


GlobalStatus::Code CertificateChecker::getStatusCode(CertificateStatus pStatus, bool pPaos)
{
	switch (pStatus)
	{
		case CertificateStatus::Good:
			return GlobalStatus::Code::No_Error;

		case CertificateStatus::Unsupported_Algorithm_Or_Length:
			return pPaos
				   ? GlobalStatus::Code::Workflow_TrustedChannel_Ssl_Certificate_Unsupported_Algorithm_Or_Length
				   : GlobalStatus::Code::Workflow_Network_Ssl_Certificate_Unsupported_Algorithm_Or_Length;

		case CertificateStatus::Hash_Not_In_Description:
			return pPaos
				   ? GlobalStatus::Code::Workflow_TrustedChannel_Hash_Not_In_Description
				   : GlobalStatus::Code::Workflow_Network_Ssl_Hash_Not_In_Certificate_Description;
	}

	return GlobalStatus::Code::Unknown_Error;
}
