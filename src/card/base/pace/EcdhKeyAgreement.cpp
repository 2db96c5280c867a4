#include "pace/EcdhKeyAgreement.h"

#include "apdu/GeneralAuthenticateResponse.h"
#include "LogCategories.h"
#include "pace/ec/EcKeyPair.h"
#include "pace/ec/EcUtil.h"

using namespace tessarovin;


EcdhKeyAgreement::EcdhKeyAgreement(const QSharedPointer<const PaceInfo>& pPaceInfo,
		const QSharedPointer<CardTransmitter>& pCardTransmitter,
		const QSharedPointer<EC_GROUP>& pCurve)
	: KeyAgreement(pPaceInfo, pCardTransmitter)
	, mMapping(pCurve)
	, mTerminalPublicKey()
	, mCardPublicKey()
{
}


EcdhKeyAgreement::~EcdhKeyAgreement() = default;


// Defined beside the only subclass it makes, so that the base class knows none of its subclasses.
QSharedPointer<KeyAgreement> KeyAgreement::create(const QSharedPointer<const PaceInfo>& pPaceInfo, const QSharedPointer<CardTransmitter>& pCardTransmitter)
{
	if (pPaceInfo && pPaceInfo->getSecurityProtocol().getKeyAgreementType() == KeyAgreementType::ECDH)
	{
		return EcdhKeyAgreement::create(pPaceInfo, pCardTransmitter);
	}

	qCCritical(card) << "Currently only ECDH key agreement supported";
	return QSharedPointer<KeyAgreement>();
}


QSharedPointer<EcdhKeyAgreement> EcdhKeyAgreement::create(const QSharedPointer<const PaceInfo>& pPaceInfo, const QSharedPointer<CardTransmitter>& pCardTransmitter)
{
	if (!pPaceInfo->isStandardizedDomainParameters())
	{
		qCCritical(card) << "Creation of elliptic curves by explicit domain parameters not supported";
		return QSharedPointer<EcdhKeyAgreement>();
	}

	if (pPaceInfo->getSecurityProtocol().getMappingType() != MappingType::GM)
	{
		qCCritical(card) << "Currently only generic mapping supported";
		return QSharedPointer<EcdhKeyAgreement>();
	}

	const auto curve = EcUtil::createCurve(pPaceInfo->getParameterIdAsNid());
	if (curve.isNull())
	{
		qCCritical(card) << "Creation of elliptic curve failed";
		return QSharedPointer<EcdhKeyAgreement>();
	}

	return QSharedPointer<EcdhKeyAgreement>(new EcdhKeyAgreement(pPaceInfo, pCardTransmitter, curve));
}


KeyAgreement::CardResult EcdhKeyAgreement::determineSharedSecret(const QByteArray& pNonce)
{
	const CardResult mappingData = transmitGAMappingData(mMapping.generateLocalMappingData());
	if (mappingData.mResult != CardReturnCode::OK)
	{
		return mappingData;
	}

	if (!mMapping.generateEphemeralDomainParameters(mappingData.mData, pNonce))
	{
		return {CardReturnCode::PROTOCOL_ERROR};
	}

	return performKeyExchange();
}


KeyAgreement::CardResult EcdhKeyAgreement::performKeyExchange()
{
	const EcKeyPair ephemeralKey(mMapping);
	mTerminalPublicKey = ephemeralKey.getPublicKey();
	if (mTerminalPublicKey.isEmpty())
	{
		return {CardReturnCode::PROTOCOL_ERROR};
	}

	const CardResult cardKey = transmitGAEphemeralPublicKey(mTerminalPublicKey);
	if (cardKey.mResult != CardReturnCode::OK)
	{
		return cardKey;
	}

	if (cardKey.mData.isEmpty())
	{
		qCCritical(card) << "Missing card ephemeral public key";
		return {CardReturnCode::PROTOCOL_ERROR};
	}

	qCDebug(secure).noquote() << "uncompressedCardEphemeralPublicKey:" << cardKey.mData.toHex();
	mCardPublicKey = cardKey.mData;

	// Both tokens would then cover the same data and prove nothing about the other side.
	if (mCardPublicKey == mTerminalPublicKey)
	{
		qCCritical(card) << "The exchanged public keys are equal";
		return {CardReturnCode::PROTOCOL_ERROR};
	}

	// A point off the curve yields no secret; keys derived from nothing would be known to anyone.
	const QByteArray sharedSecret = ephemeralKey.computeSharedSecret(mCardPublicKey);
	if (sharedSecret.isEmpty())
	{
		return {CardReturnCode::PROTOCOL_ERROR};
	}

	return {CardReturnCode::OK, sharedSecret};
}


KeyAgreement::CardResult EcdhKeyAgreement::transmitGAMappingData(const QByteArray& pMappingData)
{
	const auto [returnCode, response] = transmitGeneralAuthenticate(true, 1, pMappingData);
	const GAMapNonceResponse mapNonceResponse(response);
	return createTransmitResult(returnCode, response, mapNonceResponse.getMappingData(), "Error on GA(Mapping Data):");
}


KeyAgreement::CardResult EcdhKeyAgreement::transmitGAEphemeralPublicKey(const QByteArray& pEphemeralPublicKey)
{
	const auto [returnCode, response] = transmitGeneralAuthenticate(true, 3, pEphemeralPublicKey);
	const GAPerformKeyAgreementResponse keyAgreementResponse(response);
	return createTransmitResult(returnCode, response, keyAgreementResponse.getEphemeralPublicKey(), "Error on GA(Perform Key Agreement):");
}


QByteArray EcdhKeyAgreement::getTerminalPublicKeyData() const
{
	return encodePublicKeyData(mTerminalPublicKey);
}


QByteArray EcdhKeyAgreement::getCardPublicKeyData() const
{
	return encodePublicKeyData(mCardPublicKey);
}


QByteArray EcdhKeyAgreement::getCompressedCardPublicKey() const
{
	return EcUtil::compressPoint(mCardPublicKey);
}
