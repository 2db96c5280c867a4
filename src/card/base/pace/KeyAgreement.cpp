#include "KeyAgreement.h"

#include "ASN1Util.h"
#include "CardConnectionWorker.h"
#include "CipherMac.h"
#include "CommandApdu.h"
#include "EcdhKeyAgreement.h"
#include "GeneralAuthenticateResponse.h"
#include "LogCategories.h"
#include "OpenSslUtil.h"
#include "SymmetricCipher.h"

#include <openssl/crypto.h>

using namespace tessarovin;

namespace
{

bool sameToken(const QByteArray& pFirst, const QByteArray& pSecond)
{
	return pFirst.size() == pSecond.size() && !pFirst.isEmpty()
		   && CRYPTO_memcmp(pFirst.constData(), pSecond.constData(), static_cast<size_t>(pFirst.size())) == 0;
}


} // namespace


KeyAgreement::KeyAgreement(const QSharedPointer<const PaceInfo>& pPaceInfo, const QSharedPointer<CardConnectionWorker>& pCardConnectionWorker)
	: mCardConnectionWorker(pCardConnectionWorker)
	, mEncryptionKey()
	, mMacKey()
	, mCarCurr()
	, mCarPrev()
	, mPaceInfo(pPaceInfo)
	, mKeyDerivationFunction(pPaceInfo->getSecurityProtocol())
{
}


KeyAgreement::~KeyAgreement()
{
	wipe(mEncryptionKey);
	wipe(mMacKey);
}


QSharedPointer<KeyAgreement> KeyAgreement::create(const QSharedPointer<const PaceInfo>& pPaceInfo, const QSharedPointer<CardConnectionWorker>& pCardConnectionWorker)
{
	if (pPaceInfo && pPaceInfo->getSecurityProtocol().getKeyAgreementType() == KeyAgreementType::ECDH)
	{
		return EcdhKeyAgreement::create(pPaceInfo, pCardConnectionWorker);
	}

	qCCritical(card) << "Currently only ECDH key agreement supported";
	return QSharedPointer<KeyAgreement>();
}


KeyAgreement::CardResult KeyAgreement::createTransmitResult(CardReturnCode pReturnCode, const ResponseApdu& pResponseApdu, const QByteArray& pResultData, const char* pLogMessage)
{
	if (pReturnCode == CardReturnCode::OK && pResponseApdu.getStatusCode() == StatusCode::SUCCESS)
	{
		return {CardReturnCode::OK, pResultData};
	}

	// An empty answer means the card went away: callers wait and retry instead of giving up.
	CardReturnCode result = CardReturnCode::COMMAND_FAILED;
	if (pResponseApdu.isEmpty())
	{
		result = CardReturnCode::RESPONSE_EMPTY;
	}
	else if (pReturnCode == CardReturnCode::OK)
	{
		result = CardReturnCode::PROTOCOL_ERROR;
	}

	qCCritical(card).noquote() << pLogMessage << cardReturnCodeToGlobalStatus(result).toErrorDescription() << "|" << Enum<StatusCode>::getName(pResponseApdu.getStatusCode());
	return {result, QByteArray()};
}


ResponseApduResult KeyAgreement::transmitGeneralAuthenticate(bool pChained, int pTag, const QByteArray& pObject)
{
	const QByteArray object = pTag < 0 ? QByteArray() : Asn1Util::encode(V_ASN1_CONTEXT_SPECIFIC, pTag, pObject);
	CommandApdu command(Ins::GENERAL_AUTHENTICATE, 0x00, 0x00, Asn1Util::encode(V_ASN1_APPLICATION, 0x1C, object, true), CommandApdu::SHORT_MAX_LE);
	if (pChained)
	{
		command.enableCommandChaining();
	}
	return mCardConnectionWorker->transmit(command);
}


const QSharedPointer<const PaceInfo>& KeyAgreement::getPaceInfo() const
{
	return mPaceInfo;
}


QByteArray KeyAgreement::encodePublicKeyData(const QByteArray& pPoint) const
{
	const QByteArray oid = Asn1Util::encode(V_ASN1_UNIVERSAL, V_ASN1_OBJECT, mPaceInfo->getOid().getData());
	return Asn1Util::encode(V_ASN1_APPLICATION, 0x49, oid + Asn1Util::encode(V_ASN1_CONTEXT_SPECIFIC, 6, pPoint), true);
}


KeyAgreement::CardResult KeyAgreement::transmitGAEncryptedNonce()
{
	const auto [returnCode, response] = transmitGeneralAuthenticate(true);
	const GAEncryptedNonceResponse nonceResponse(response);
	return createTransmitResult(returnCode, response, nonceResponse.getEncryptedNonce(), "Error on GA (Encrypted Nonce):");
}


GAMutualAuthenticationResponse KeyAgreement::transmitGAMutualAuthentication(const QByteArray& pMutualAuthenticationData)
{
	const auto [returnCode, response] = transmitGeneralAuthenticate(false, 5, pMutualAuthenticationData);
	if (returnCode != CardReturnCode::OK || response.getStatusCode() != StatusCode::SUCCESS)
	{
		// Only for the log line: the caller reads the status word itself.
		createTransmitResult(returnCode, response, QByteArray(), "Error on GA(Mutual Authentication):");
	}
	return GAMutualAuthenticationResponse(response);
}


namespace
{

KeyAgreementStatus toStatus(CardReturnCode pReturnCode)
{
	switch (pReturnCode)
	{
		case CardReturnCode::RESPONSE_EMPTY:
			return KeyAgreementStatus::RESPONSE_EMPTY;

		case CardReturnCode::COMMAND_FAILED:
			return KeyAgreementStatus::COMMAND_FAILED;

		default:
			return KeyAgreementStatus::PROTOCOL_ERROR;
	}
}


} // namespace


KeyAgreementStatus KeyAgreement::perform(const QByteArray& pPin)
{
	const CardResult encryptedNonce = transmitGAEncryptedNonce();
	if (encryptedNonce.mResult != CardReturnCode::OK)
	{
		return toStatus(encryptedNonce.mResult);
	}

	QByteArray passwordKey = mKeyDerivationFunction.pi(pPin);
	SymmetricCipher nonceCipher(mPaceInfo->getSecurityProtocol(), passwordKey);
	wipe(passwordKey);
	QByteArray nonce = nonceCipher.decrypt(encryptedNonce.mData);
	if (nonce.isEmpty())
	{
		// Without a nonce the mapping would not depend on the password at all.
		qCCritical(card) << "Cannot decrypt the nonce";
		return KeyAgreementStatus::PROTOCOL_ERROR;
	}

	CardResult sharedSecret = determineSharedSecret(nonce);
	wipe(nonce);
	if (sharedSecret.mResult != CardReturnCode::OK)
	{
		return toStatus(sharedSecret.mResult);
	}

	mEncryptionKey = mKeyDerivationFunction.enc(sharedSecret.mData);
	mMacKey = mKeyDerivationFunction.mac(sharedSecret.mData);
	wipe(sharedSecret.mData);

	return performMutualAuthenticate();
}


KeyAgreementStatus KeyAgreement::performMutualAuthenticate()
{
	const CipherMac cipherMac(mPaceInfo->getSecurityProtocol(), mMacKey);
	const QByteArray terminalToken = cipherMac.generate(getCardPublicKeyData());

	const GAMutualAuthenticationResponse response = transmitGAMutualAuthentication(terminalToken);
	if (response.isEmpty())
	{
		return KeyAgreementStatus::RESPONSE_EMPTY;
	}

	switch (response.getStatusCode())
	{
		case StatusCode::VERIFICATION_FAILED:
			return KeyAgreementStatus::AUTHENTICATION_FAILED;

		case StatusCode::PIN_BLOCKED:
			return KeyAgreementStatus::RETRY_COUNTER_0;

		case StatusCode::PIN_SUSPENDED:
			return KeyAgreementStatus::RETRY_COUNTER_1;

		case StatusCode::PIN_RETRY_COUNT_2:
			return KeyAgreementStatus::RETRY_COUNTER_2;

		case StatusCode::SUCCESS:
			break;

		default:
			return KeyAgreementStatus::PROTOCOL_ERROR;
	}

	const QByteArray expectedCardToken = cipherMac.generate(getTerminalPublicKeyData());
	if (!sameToken(expectedCardToken, response.getAuthenticationToken()))
	{
		qCCritical(card) << "Error on mutual authentication";
		return KeyAgreementStatus::PROTOCOL_ERROR;
	}

	mCarCurr = response.getCarCurr();
	mCarPrev = response.getCarPrev();
	qCDebug(card) << "Successfully authenticated";
	return KeyAgreementStatus::SUCCESS;
}


const QByteArray& KeyAgreement::getEncryptionKey() const
{
	return mEncryptionKey;
}


const QByteArray& KeyAgreement::getMacKey() const
{
	return mMacKey;
}


const QByteArray& KeyAgreement::getCarCurr() const
{
	return mCarCurr;
}


const QByteArray& KeyAgreement::getCarPrev() const
{
	return mCarPrev;
}
