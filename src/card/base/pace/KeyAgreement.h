#pragma once

#include "apdu/CardReturnCode.h"
#include "apdu/ResponseApdu.h"
#include "apdu/ResponseApduResult.h"
#include "asn1/PaceInfo.h"
#include "Enum.h"
#include "pace/KeyDerivationFunction.h"

#include <QByteArray>
#include <QSharedPointer>

namespace tessarovin
{

class CardTransmitter;
class GAMutualAuthenticationResponse;

defineEnumType(KeyAgreementStatus,
		SUCCESS,
		RESPONSE_EMPTY,
		COMMAND_FAILED,
		AUTHENTICATION_FAILED,
		RETRY_COUNTER_0,
		RETRY_COUNTER_1,
		RETRY_COUNTER_2,
		PROTOCOL_ERROR
		)

// The General Authenticate steps of PACE against the card: nonce, mapping, key agreement and
// mutual authentication. Subclasses supply the mathematics of the mapping and the key exchange.
class KeyAgreement
{
	public:
		struct CardResult
		{
			CardReturnCode mResult = CardReturnCode::UNDEFINED;
			QByteArray mData = QByteArray();
		};

	private:
		const QSharedPointer<CardTransmitter> mCardTransmitter;
		QByteArray mEncryptionKey;
		QByteArray mMacKey;
		QByteArray mCarCurr;
		QByteArray mCarPrev;
		const QSharedPointer<const PaceInfo> mPaceInfo;
		const KeyDerivationFunction mKeyDerivationFunction;

		CardResult transmitGAEncryptedNonce();
		GAMutualAuthenticationResponse transmitGAMutualAuthentication(const QByteArray& pMutualAuthenticationData);

	protected:
		KeyAgreement(const QSharedPointer<const PaceInfo>& pPaceInfo, const QSharedPointer<CardTransmitter>& pCardTransmitter);

		// One General Authenticate with at most one context-specific object inside 7C.
		ResponseApduResult transmitGeneralAuthenticate(bool pChained, int pTag = -1, const QByteArray& pObject = QByteArray());

		[[nodiscard]] const QSharedPointer<const PaceInfo>& getPaceInfo() const;

		virtual CardResult determineSharedSecret(const QByteArray& pNonce) = 0;
		[[nodiscard]] virtual QByteArray getTerminalPublicKeyData() const = 0;

		// 7F49 { 06 OID, 86 point }: what both authentication tokens are computed over.
		[[nodiscard]] QByteArray encodePublicKeyData(const QByteArray& pPoint) const;

	public:
		static QSharedPointer<KeyAgreement> create(const QSharedPointer<const PaceInfo>& pPaceInfo, const QSharedPointer<CardTransmitter>& pCardTransmitter);
		static CardResult createTransmitResult(CardReturnCode pReturnCode, const ResponseApdu& pResponseApdu, const QByteArray& pResultData, const char* pLogMessage);

		virtual ~KeyAgreement();
		KeyAgreement(const KeyAgreement&) = delete;
		KeyAgreement& operator=(const KeyAgreement&) = delete;

		[[nodiscard]] virtual QByteArray getCardPublicKeyData() const = 0;
		// The card's ephemeral key reduced to its x coordinate: ID_PICC.
		[[nodiscard]] virtual QByteArray getCompressedCardPublicKey() const = 0;

		KeyAgreementStatus perform(const QByteArray& pPin);
		KeyAgreementStatus performMutualAuthenticate();

		[[nodiscard]] const QByteArray& getEncryptionKey() const;
		[[nodiscard]] const QByteArray& getMacKey() const;
		[[nodiscard]] const QByteArray& getCarCurr() const;
		[[nodiscard]] const QByteArray& getCarPrev() const;
};

} // namespace tessarovin
