#pragma once

#include "pace/ec/EcdhGenericMapping.h"
#include "pace/KeyAgreement.h"

namespace tessarovin
{

// PACE on an elliptic curve with generic mapping, on standardized domain parameters only.
class EcdhKeyAgreement
	: public KeyAgreement
{
	private:
		EcdhGenericMapping mMapping;
		QByteArray mTerminalPublicKey;
		QByteArray mCardPublicKey;

		EcdhKeyAgreement(const QSharedPointer<const PaceInfo>& pPaceInfo,
				const QSharedPointer<CardTransmitter>& pCardTransmitter,
				const QSharedPointer<EC_GROUP>& pCurve);

		CardResult transmitGAMappingData(const QByteArray& pMappingData);
		CardResult transmitGAEphemeralPublicKey(const QByteArray& pEphemeralPublicKey);
		CardResult performKeyExchange();

	protected:
		CardResult determineSharedSecret(const QByteArray& pNonce) override;
		[[nodiscard]] QByteArray getTerminalPublicKeyData() const override;

	public:
		static QSharedPointer<EcdhKeyAgreement> create(const QSharedPointer<const PaceInfo>& pPaceInfo, const QSharedPointer<CardTransmitter>& pCardTransmitter);

		~EcdhKeyAgreement() override;

		[[nodiscard]] QByteArray getCardPublicKeyData() const override;
		[[nodiscard]] QByteArray getCompressedCardPublicKey() const override;
};

} // namespace tessarovin
