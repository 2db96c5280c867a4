#pragma once

#include <QByteArray>
#include <QSharedPointer>

#include <openssl/ec.h>
#include <openssl/evp.h>

namespace tessarovin
{

class EcdhGenericMapping;

// An EC private key with its encoded public point.
class EcKeyPair
{
	private:
		QSharedPointer<EVP_PKEY> mKey;
		QByteArray mPublicKey;
		// The mapping's curve, so that no multiplication builds it again; null for a key read from DER.
		QSharedPointer<const EC_GROUP> mCurve;

		static QByteArray multiply(const QSharedPointer<const EC_GROUP>& pCurve, const QByteArray& pPoint, const QSharedPointer<const EVP_PKEY>& pKey);

	public:
		explicit EcKeyPair(const QByteArray& pPrivateKey = QByteArray());

		// A fresh key whose public point is SK × G~ on the mapped generator, not SK × G.
		explicit EcKeyPair(const EcdhGenericMapping& pMapping);

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
