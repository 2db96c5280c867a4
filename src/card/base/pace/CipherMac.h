#pragma once

#include "asn1/SecurityProtocol.h"
#include "OpenSslUtil.h"

#include <QByteArray>

#include <openssl/evp.h>

namespace tessarovin
{

// The 8-byte AES-CMAC of secure messaging and PACE. The prepared context is only ever
// duplicated, so one instance serves every message of a channel.
class CipherMac
{
	private:
		OpenSslPtr<EVP_MAC, EVP_MAC_free> mMac;
		OpenSslPtr<EVP_MAC_CTX, EVP_MAC_CTX_free> mContext;

	public:
		CipherMac(const SecurityProtocol& pSecurityProtocol, const QByteArray& pKeyBytes);
		CipherMac(const CipherMac&) = delete;
		CipherMac& operator=(const CipherMac&) = delete;

		[[nodiscard]] bool isInitialized() const;
		[[nodiscard]] QByteArray generate(const QByteArray& pMessage) const;
};

} // namespace tessarovin
