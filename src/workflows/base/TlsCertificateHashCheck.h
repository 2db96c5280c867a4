#pragma once

#include "asn1/CertificateDescription.h"
#include "asn1/CVCertificate.h"

#include <QCryptographicHash>
#include <QSet>
#include <QSslCertificate>
#include <QString>

#include <optional>

namespace tessarovin
{

class AuthContext;

// Whether a TLS certificate is one the provider's certificate description lists. The description
// holds hashes made with the hash algorithm of the terminal certificate's key, the algorithm that
// binds the description to that certificate. Every check of an authentication, before and after the
// EAC1 request, must hash alike: a provider whose DV names another algorithm could otherwise never
// pass both. Stateless after construction.
class TlsCertificateHashCheck
{
	private:
		QCryptographicHash::Algorithm mAlgorithm;
		QSet<QString> mAcceptedHashes;

	public:
		TlsCertificateHashCheck(const cvcertificate_st& pTerminalCvc, const CertificateDescription& pDescription);

		// Empty until the context holds the EAC1 request with a decoded description and the terminal
		// certificate: before that there is nothing to check a certificate against.
		[[nodiscard]] static std::optional<TlsCertificateHashCheck> fromContext(const AuthContext& pContext);

		[[nodiscard]] QCryptographicHash::Algorithm getAlgorithm() const;
		// Upper-case hexadecimal.
		[[nodiscard]] const QSet<QString>& getAcceptedHashes() const;
		[[nodiscard]] bool isAccepted(const QSslCertificate& pCertificate) const;
};

} // namespace tessarovin
