#pragma once

#include "asn1/SecurityProtocol.h"
#include "OpenSslUtil.h"

#include <QByteArray>

#include <openssl/evp.h>

#include <memory>

namespace tessarovin
{

// AES in CBC mode without padding, on whole blocks. Every call starts from the stored IV,
// so nothing chains from one call to the next.
class SymmetricCipher
{
	private:
		// Keyed once each: a call only sets the IV, the key schedule stays. Freeing them wipes the key.
		OpenSslPtr<EVP_CIPHER_CTX, EVP_CIPHER_CTX_free> mEncryptContext;
		OpenSslPtr<EVP_CIPHER_CTX, EVP_CIPHER_CTX_free> mDecryptContext;
		const EVP_CIPHER* mCipher;
		QByteArray mIv;

		[[nodiscard]] QByteArray process(EVP_CIPHER_CTX* pContext, const QByteArray& pInput);

	public:
		SymmetricCipher(const SecurityProtocol& pSecurityProtocol, const QByteArray& pKeyBytes);
		SymmetricCipher(const SymmetricCipher&) = delete;
		SymmetricCipher& operator=(const SymmetricCipher&) = delete;

		[[nodiscard]] bool isInitialized() const;
		[[nodiscard]] QByteArray encrypt(const QByteArray& pPlainData);
		[[nodiscard]] QByteArray decrypt(const QByteArray& pEncryptedData);
		bool setIv(const QByteArray& pIv);
		[[nodiscard]] int getBlockSize() const;
};

} // namespace tessarovin
