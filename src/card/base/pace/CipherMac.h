#pragma once

#include "asn1/SecurityProtocol.h"

#include <QByteArray>

#include <openssl/evp.h>

namespace tessarovin
{

// The 8-byte AES-CMAC of secure messaging and PACE. The prepared context is only ever
// duplicated, so one instance serves every message of a channel.
class CipherMac
{
	private:
		EVP_MAC* mMac;
		EVP_MAC_CTX* mContext;

	public:
		CipherMac(const SecurityProtocol& pSecurityProtocol, const QByteArray& pKeyBytes);
		~CipherMac();
		CipherMac(const CipherMac&) = delete;
		CipherMac& operator=(const CipherMac&) = delete;

		[[nodiscard]] bool isInitialized() const;
		[[nodiscard]] QByteArray generate(const QByteArray& pMessage) const;
};

} // namespace tessarovin
