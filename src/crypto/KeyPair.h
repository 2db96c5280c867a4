#pragma once

#include "OpenSslUtil.h"

#include <QByteArray>
#include <QSharedPointer>
#include <QSslCertificate>
#include <QSslKey>

#include <openssl/evp.h>
#include <openssl/x509.h>

#include <functional>

namespace tessarovin
{

// The local TLS identity of the remote reader service: a fresh RSA key and a certificate for it,
// self-signed or signed by the previous identity so that paired peers can follow the change.
class KeyPair
{
	private:
		QSslKey mKey;
		QSslCertificate mCertificate;

		KeyPair(const QSslKey& pKey, const QSslCertificate& pCertificate);

	public:
		using ParameterStep = std::function<bool(EVP_PKEY_CTX*)>;

		KeyPair();

		// The signer arguments are PEM texts; unless both can be read the certificate signs itself.
		[[nodiscard]] static KeyPair generate(int pKeySize, const QByteArray& pSignerKey, const QByteArray& pSignerCertificate);

		[[nodiscard]] static OpenSslPtr<EVP_PKEY, EVP_PKEY_free> createKey(int pKeyType, const ParameterStep& pParameterStep = ParameterStep());
		[[nodiscard]] static QSharedPointer<X509> createCertificate(EVP_PKEY* pKey,
				const QSharedPointer<EVP_PKEY>& pSignerKey = QSharedPointer<EVP_PKEY>(),
				const QSharedPointer<X509>& pSignerCertificate = QSharedPointer<X509>());

		[[nodiscard]] bool isValid() const;
		[[nodiscard]] const QSslKey& getKey() const;
		[[nodiscard]] const QSslCertificate& getCertificate() const;
};

} // namespace tessarovin
