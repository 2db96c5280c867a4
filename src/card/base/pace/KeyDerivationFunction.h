#pragma once

#include "asn1/SecurityProtocol.h"

#include <QByteArray>
#include <QCryptographicHash>

namespace tessarovin
{

// Derives the secure-messaging keys and the password key: the first key-size bytes of
// hash(secret ‖ nonce ‖ counter).
class KeyDerivationFunction
{
	private:
		QCryptographicHash::Algorithm mHashAlgorithm;
		int mKeySize;

	public:
		explicit KeyDerivationFunction(const SecurityProtocol& pSecurityProtocol);

		[[nodiscard]] bool isInitialized() const;

		[[nodiscard]] QByteArray enc(const QByteArray& pSecret, const QByteArray& pNonce = QByteArray()) const;
		[[nodiscard]] QByteArray mac(const QByteArray& pSecret, const QByteArray& pNonce = QByteArray()) const;
		[[nodiscard]] QByteArray pi(const QByteArray& pPassword) const;
		[[nodiscard]] QByteArray deriveKey(const QByteArray& pSecret, const QByteArray& pNonce, quint32 pCounter) const;
};

} // namespace tessarovin
