#pragma once

#include <QByteArray>
#include <QSharedPointer>

#include <openssl/bn.h>
#include <openssl/ec.h>
#include <openssl/evp.h>

namespace tessarovin
{

// The generic mapping of PACE on an elliptic curve: both sides exchange a mapping key, and the
// decrypted nonce s moves the generator to G~ = s × G + H with H = d × P_card.
class EcdhGenericMapping
{
	private:
		const QSharedPointer<EC_GROUP> mCurve;
		QSharedPointer<EVP_PKEY> mLocalKey;
		QSharedPointer<EC_POINT> mEphemeralGenerator;

	public:
		explicit EcdhGenericMapping(const QSharedPointer<EC_GROUP>& pCurve);

		[[nodiscard]] const QSharedPointer<EC_GROUP>& getCurve() const;
		[[nodiscard]] int getCurveNid() const;

		// A fresh mapping key; its public point, uncompressed, goes to the card.
		QByteArray generateLocalMappingData();
		bool generateEphemeralDomainParameters(const QByteArray& pCardMappingData, const QByteArray& pNonce);
		QSharedPointer<EC_POINT> createNewGenerator(const QSharedPointer<const EC_POINT>& pCardPoint, const QSharedPointer<const BIGNUM>& pNonce) const;

		// G~, uncompressed; empty before the mapping.
		[[nodiscard]] QByteArray getEncodedGenerator() const;
};

} // namespace tessarovin
