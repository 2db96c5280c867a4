#pragma once

#include <QByteArray>
#include <QSharedPointer>

#include <openssl/evp.h>

namespace tessarovin
{

// An EC private key with its encoded public point.
class EcKeyPair
{
	private:
		QSharedPointer<EVP_PKEY> mKey;
		QByteArray mPublicKey;

	public:
		explicit EcKeyPair(const QByteArray& pPrivateKey = QByteArray());

		[[nodiscard]] bool hasKey() const
		{
			return !mKey.isNull();
		}


		[[nodiscard]] const QSharedPointer<EVP_PKEY>& getKey() const
		{
			return mKey;
		}


		[[nodiscard]] QByteArray getPublicKey(bool pCompressed = false) const;

		// The x coordinate of SK × P.
		[[nodiscard]] QByteArray computeSharedSecret(const QByteArray& pRemotePublicKey) const;

		static QByteArray multiply(const QByteArray& pPoint, const QSharedPointer<const EVP_PKEY>& pKey);
};

} // namespace tessarovin
