#include "CertificateChecker.h"

#include "AppSettings.h"
#include "Env.h"
#include "LogCategories.h"
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

	const auto& eac1 = pContext->getDidAuthenticateEac1();
	const auto& terminalCvc = pContext->getTerminalCvc();
	if (eac1 && terminalCvc && eac1->getCertificateDescription())
	{
		// The provider lists its certificates' hashes made with the algorithm of its terminal key.
		const auto hashes = eac1->getCertificateDescription()->getCommCertificates();
		const auto algorithm = terminalCvc->getBody().getHashAlgorithm();
		if (!TlsChecker::checkCertificate(pCertificate, algorithm, hashes) && abortOnError())
		{
			return CertificateStatus::Hash_Not_In_Description;
		}
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
