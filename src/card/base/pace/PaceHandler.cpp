#include "pace/PaceHandler.h"

#include "apdu/CommandApdu.h"
#include "asn1/ASN1Util.h"
#include "LogCategories.h"
#include "OpenSslUtil.h"
#include "pace/CardTransmitter.h"

#include <openssl/crypto.h>

using namespace tessarovin;


PaceHandler::PaceHandler(const QSharedPointer<CardTransmitter>& pCardTransmitter)
	: mCardTransmitter(pCardTransmitter)
	, mKeyAgreement()
	, mPaceInfo()
	, mStatusMseSetAt()
	, mEncryptionKey()
	, mMacKey()
	, mChat()
{
}


PaceHandler::~PaceHandler()
{
	wipe(mEncryptionKey);
	wipe(mMacKey);
}


void PaceHandler::setChat(const QByteArray& pChat)
{
	mChat = pChat;
}


EstablishPaceChannelOutput PaceHandler::establishPaceChannel(PacePasswordId pPasswordId, const QByteArray& pPassword)
{
	EstablishPaceChannelOutput output(pPasswordId, CardReturnCode::OK);

	const auto efCardAccess = mCardTransmitter->getEfCardAccess();
	if (efCardAccess)
	{
		// The card's own bytes: a pin-pad reader hands them on unchanged as well.
		output.setEfCardAccess(efCardAccess->getContentBytes());
	}

	if (!initialize(efCardAccess))
	{
		output.setPaceReturnCode(CardReturnCode::PROTOCOL_ERROR);
		return output;
	}

	const CardReturnCode mseResult = transmitMSESetAT(pPasswordId);
	output.setStatusMseSetAt(mStatusMseSetAt);
	switch (mseResult)
	{
		case CardReturnCode::RESPONSE_EMPTY:
		case CardReturnCode::COMMAND_FAILED:
		case CardReturnCode::PROTOCOL_ERROR:
			output.setPaceReturnCode(mseResult);
			return output;

		default:
			break;
	}

	const KeyAgreementStatus status = mKeyAgreement->perform(pPassword);
	switch (status)
	{
		case KeyAgreementStatus::SUCCESS:
			mEncryptionKey = mKeyAgreement->getEncryptionKey();
			mMacKey = mKeyAgreement->getMacKey();
			output.setCarCurr(mKeyAgreement->getCarCurr());
			output.setCarPrev(mKeyAgreement->getCarPrev());
			output.setIdIcc(mKeyAgreement->getCompressedCardPublicKey());
			qCDebug(card) << "Pace channel established";
			break;

		case KeyAgreementStatus::RESPONSE_EMPTY:
			output.setPaceReturnCode(CardReturnCode::RESPONSE_EMPTY);
			break;

		case KeyAgreementStatus::COMMAND_FAILED:
			output.setPaceReturnCode(CardReturnCode::COMMAND_FAILED);
			break;

		// A wrong password is no failure of the reader: only the result code tells it.
		case KeyAgreementStatus::AUTHENTICATION_FAILED:
			output.setResultCode(0xF0066300);
			break;

		case KeyAgreementStatus::RETRY_COUNTER_0:
			output.setResultCode(0xF00663C0);
			break;

		case KeyAgreementStatus::RETRY_COUNTER_1:
			output.setResultCode(0xF00663C1);
			break;

		case KeyAgreementStatus::RETRY_COUNTER_2:
			output.setResultCode(0xF00663C2);
			break;

		case KeyAgreementStatus::PROTOCOL_ERROR:
			output.setPaceReturnCode(CardReturnCode::PROTOCOL_ERROR);
			break;
	}

	return output;
}


bool PaceHandler::initialize(const QSharedPointer<const SecurityInfos>& pEfCardAccess)
{
	if (pEfCardAccess.isNull())
	{
		return false;
	}

	for (const auto& paceInfo : pEfCardAccess->getPaceInfos())
	{
		if (isSupportedProtocol(paceInfo))
		{
			mPaceInfo = paceInfo;
			mKeyAgreement = KeyAgreement::create(paceInfo, mCardTransmitter);
			break;
		}
	}

	if (mKeyAgreement.isNull())
	{
		qCCritical(card) << "No supported domain parameters found";
		return false;
	}

	return true;
}


bool PaceHandler::isSupportedProtocol(const QSharedPointer<const PaceInfo>& pPaceInfo) const
{
	if (pPaceInfo->getVersion() != 2)
	{
		qCWarning(card) << "Unsupported pace version:" << pPaceInfo->getVersion();
		return false;
	}

	const SecurityProtocol protocol = pPaceInfo->getSecurityProtocol();
	if (protocol.getKeyAgreementType() == KeyAgreementType::ECDH
			&& protocol.getMappingType() == MappingType::GM
			&& protocol.getKeySize() >= 16
			&& pPaceInfo->isStandardizedDomainParameters())
	{
		qCDebug(card) << "Use ECDH with standardized domain parameters:" << protocol.getOid();
		return true;
	}

	qCWarning(card) << "Unsupported domain parameters:" << protocol.getOid();
	return false;
}


CardReturnCode PaceHandler::transmitMSESetAT(PacePasswordId pPasswordId)
{
	if (mPaceInfo.isNull())
	{
		qCCritical(card) << "Error on MSE:Set AT";
		return CardReturnCode::PROTOCOL_ERROR;
	}

	const auto [returnCode, response] = mCardTransmitter->transmit(createMseSetAt(*mPaceInfo, pPasswordId, mChat));
	mStatusMseSetAt = response.getStatusBytes();

	if (returnCode == CardReturnCode::OK)
	{
		// 63 C1 and 63 C2 only warn; a blocked or deactivated PIN and every error stop PACE.
		if (response.getRetryCounter() >= 1)
		{
			return CardReturnCode::OK;
		}

		qCCritical(card) << "Error on MSE:Set AT";
		return CardReturnCode::PROTOCOL_ERROR;
	}

	qCCritical(card) << "Error on MSE:Set AT";
	return response.isEmpty() ? CardReturnCode::RESPONSE_EMPTY : CardReturnCode::PROTOCOL_ERROR;
}


CommandApdu PaceHandler::createMseSetAt(const PaceInfo& pPaceInfo, PacePasswordId pPasswordId, const QByteArray& pChat)
{
	QByteArray data = Asn1Util::encode(V_ASN1_CONTEXT_SPECIFIC, 0, pPaceInfo.getOid().getData());
	data += Asn1Util::encode(V_ASN1_CONTEXT_SPECIFIC, 3, QByteArray(1, static_cast<char>(pPasswordId)));
	if (pPaceInfo.hasParameterId())
	{
		data += Asn1Util::encode(V_ASN1_CONTEXT_SPECIFIC, 4, Asn1IntegerUtil::encodeContent(pPaceInfo.getParameterId()));
	}
	if (!pChat.isNull())
	{
		data += pChat;
	}
	return CommandApdu(Ins::MSE_SET, 0xC1, 0xA4, data);
}


SecurityProtocol PaceHandler::getPaceProtocol() const
{
	return mPaceInfo ? mPaceInfo->getSecurityProtocol() : SecurityProtocol(Oid());
}


const QByteArray& PaceHandler::getEncryptionKey() const
{
	return mEncryptionKey;
}


const QByteArray& PaceHandler::getMacKey() const
{
	return mMacKey;
}
