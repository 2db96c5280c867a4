#include "TlsCertificateHashCheck.h"

#include "context/AuthContext.h"
#include "TlsChecker.h"

using namespace tessarovin;


TlsCertificateHashCheck::TlsCertificateHashCheck(const cvcertificate_st& pTerminalCvc, const CertificateDescription& pDescription)
	: mAlgorithm(pTerminalCvc.getBody().getHashAlgorithm())
	, mAcceptedHashes(pDescription.getCommCertificates())
{
}


std::optional<TlsCertificateHashCheck> TlsCertificateHashCheck::fromContext(const AuthContext& pContext)
{
	const auto& eac1 = pContext.getDidAuthenticateEac1();
	const auto& terminalCvc = pContext.getTerminalCvc();
	if (!eac1 || !terminalCvc || !eac1->getCertificateDescription())
	{
		return std::nullopt;
	}
	return TlsCertificateHashCheck(*terminalCvc, *eac1->getCertificateDescription());
}


QCryptographicHash::Algorithm TlsCertificateHashCheck::getAlgorithm() const
{
	return mAlgorithm;
}


const QSet<QString>& TlsCertificateHashCheck::getAcceptedHashes() const
{
	return mAcceptedHashes;
}


bool TlsCertificateHashCheck::isAccepted(const QSslCertificate& pCertificate) const
{
	return TlsChecker::checkCertificate(pCertificate, mAlgorithm, mAcceptedHashes);
}
