#include "command/DidAuthenticateEAC2Command.h"

#include "apdu/CommandApdu.h"
#include "apdu/GeneralAuthenticateResponse.h"
#include "asn1/ASN1Util.h"
#include "asn1/EFCardSecurity.h"
#include "CardConnectionWorker.h"
#include "LogCategories.h"
#include "OpenSslUtil.h"
#include "pace/ec/EcUtil.h"

#include <openssl/asn1.h>

using namespace tessarovin;

namespace
{

// P1 P2 of MSE:Set: 81 B6 the key for certificate verification, 81 A4 and 41 A4 the
// authentication template of terminal and chip authentication.
constexpr uchar cSetForVerification = 0x81;
constexpr uchar cSetForComputation = 0x41;
constexpr uchar cDigitalSignatureTemplate = 0xB6;
constexpr uchar cAuthenticationTemplate = 0xA4;
// P2 of PSO: verify a certificate.
constexpr uchar cVerifyCertificate = 0xBE;

// The Le that lets the card answer EF.CardSecurity in as few reads as it likes.
constexpr int cCardSecurityLe = CommandApdu::EXTENDED_MAX_LE;


QByteArray contextTag(int pTag, const QByteArray& pContent)
{
	return Asn1Util::encode(V_ASN1_CONTEXT_SPECIFIC, pTag, pContent);
}


} // namespace


DidAuthenticateEAC2Command::DidAuthenticateEAC2Command(const QSharedPointer<CardConnectionWorker>& pCardConnectionWorker,
		const CVCertificateChain& pChain,
		const QByteArray& pEphemeralPublicKeyAsHex,
		const QByteArray& pSignatureAsHex,
		const QByteArray& pAuthenticatedAuxiliaryDataAsBinary,
		const QByteArray& pPin)
	: BaseCardCommand(pCardConnectionWorker)
	, mCvcChain(pChain)
	, mEphemeralPublicKeyAsHex(pEphemeralPublicKeyAsHex)
	, mSignatureAsHex(pSignatureAsHex)
	, mAuthenticatedAuxiliaryDataAsBinary(pAuthenticatedAuxiliaryDataAsBinary)
	, mPin(pPin)
	, mCardSecurity()
	, mNonceAsHex()
	, mAuthTokenAsHex()
{
}


DidAuthenticateEAC2Command::~DidAuthenticateEAC2Command()
{
	wipe(mPin);
}


void DidAuthenticateEAC2Command::internalExecute()
{
	setReturnCode(putCertificateChain(mCvcChain));
	if (getReturnCode() != CardReturnCode::OK)
	{
		return;
	}

	// An empty chain leaves nothing to authenticate with.
	const auto terminalCvc = mCvcChain.isEmpty() ? QSharedPointer<const cvcertificate_st>() : mCvcChain.constLast();
	if (terminalCvc.isNull())
	{
		qCCritical(card) << "No terminal certificate in the certificate chain";
		setReturnCode(CardReturnCode::COMMAND_FAILED);
		return;
	}
	const Oid taProtocol(terminalCvc->getBody().getPublicKey().mObjectIdentifier);
	const QByteArray chr = terminalCvc->getBody().getCertificateHolderReference();

	const QByteArray ephemeralPublicKey = QByteArray::fromHex(mEphemeralPublicKeyAsHex);
	const QByteArray signature = QByteArray::fromHex(mSignatureAsHex);
	const QByteArray compressedEphemeralPublicKey = EcUtil::compressPoint(ephemeralPublicKey);

	setReturnCode(performTerminalAuthentication(taProtocol, chr, mAuthenticatedAuxiliaryDataAsBinary, compressedEphemeralPublicKey, signature));
	if (getReturnCode() != CardReturnCode::OK)
	{
		return;
	}

	qCDebug(card) << "Performing Read EF.CardSecurity";
	QByteArray efCardSecurity;
	setReturnCode(getCardConnectionWorker()->readFile(FileRef::efCardSecurity(), efCardSecurity, cCardSecurityLe));
	if (getReturnCode() != CardReturnCode::OK)
	{
		qCCritical(card) << "Cannot read EF.CardSecurity";
		return;
	}
	mCardSecurity += efCardSecurity.toHex();

	const auto cardSecurity = EFCardSecurity::decode(efCardSecurity);
	if (cardSecurity.isNull())
	{
		qCCritical(card) << "Cannot parse EF.CardSecurity";
		setReturnCode(CardReturnCode::PROTOCOL_ERROR);
		return;
	}

	const auto& infos = cardSecurity->getSecurityInfos()->getChipAuthenticationInfos();
	if (infos.isEmpty())
	{
		qCCritical(card) << "No ChipAuthenticationInfo found in EF.CardSecurity";
		setReturnCode(CardReturnCode::PROTOCOL_ERROR);
		return;
	}

	const auto chosen = std::find_if(infos.cbegin(), infos.cend(), [](const auto& pInfo){
			return pInfo->getVersion() == 2;
		});
	if (chosen == infos.cend())
	{
		qCCritical(card) << "No ChipAuthenticationInfo with version 2 found in EF.CardSecurity";
		setReturnCode(CardReturnCode::PROTOCOL_ERROR);
		return;
	}
	qCDebug(card) << "Choose ChipAuthenticationInfo:" << **chosen;

	setReturnCode(performChipAuthentication(*chosen, ephemeralPublicKey));
}


CardReturnCode DidAuthenticateEAC2Command::putCertificateChain(const CVCertificateChain& pChain)
{
	const auto& worker = getCardConnectionWorker();
	for (const auto& cvc : pChain)
	{
		const QByteArray car = cvc->getBody().getCertificationAuthorityReference();
		qCDebug(card) << "Performing TA MSE:Set DST with CAR" << car;
		const auto setDst = worker->transmit(CommandApdu(Ins::MSE_SET, cSetForVerification, cDigitalSignatureTemplate, contextTag(0x03, car)));
		if (setDst.mReturnCode != CardReturnCode::OK)
		{
			qCWarning(card) << "TA MSE:Set DST failed.";
			return setDst.mReturnCode;
		}
		if (setDst.mResponseApdu.getStatusCode() != StatusCode::SUCCESS)
		{
			qCWarning(card) << "TA MSE:Set DST failed:" << setDst.mResponseApdu.getStatusCode();
			return CardReturnCode::PROTOCOL_ERROR;
		}

		qCDebug(card) << "Performing TA PSO:Verify Certificate with" << cvc;
		const auto verify = worker->transmit(CommandApdu(Ins::PSO_VERIFY, 0x00, cVerifyCertificate, cvc->getRawBody() + cvc->getRawSignature()));
		if (verify.mReturnCode != CardReturnCode::OK)
		{
			return verify.mReturnCode;
		}
		const StatusCode status = verify.mResponseApdu.getStatusCode();
		if (status == StatusCode::WRONG_LENGTH)
		{
			return CardReturnCode::WRONG_LENGTH;
		}
		if (status != StatusCode::SUCCESS)
		{
			qCWarning(card) << "TA PSO:Verify Certificate failed:" << status;
			return CardReturnCode::PROTOCOL_ERROR;
		}
	}

	return CardReturnCode::OK;
}


CardReturnCode DidAuthenticateEAC2Command::performTerminalAuthentication(const Oid& pTaProtocol,
		const QByteArray& pChr,
		const QByteArray& pAuxiliaryData,
		const QByteArray& pCompressedEphemeralPublicKey,
		const QByteArray& pSignature)
{
	const auto& worker = getCardConnectionWorker();

	// The auxiliary data go in as the DER object they are, tag 67 included.
	const QByteArray setAtData = contextTag(0x00, pTaProtocol.getData())
			+ contextTag(0x03, pChr)
			+ pAuxiliaryData
			+ contextTag(0x11, pCompressedEphemeralPublicKey);
	qCDebug(card) << "Performing TA MSE:Set AT";
	const auto setAt = worker->transmit(CommandApdu(Ins::MSE_SET, cSetForVerification, cAuthenticationTemplate, setAtData));
	if (setAt.mReturnCode != CardReturnCode::OK)
	{
		qCWarning(card) << "TA MSE:Set AT failed:" << cardReturnCodeToGlobalStatus(setAt.mReturnCode);
		return setAt.mReturnCode;
	}
	if (setAt.mResponseApdu.getStatusCode() != StatusCode::SUCCESS)
	{
		qCWarning(card) << "TA MSE:Set AT failed:" << setAt.mResponseApdu.getStatusCode();
		return CardReturnCode::PROTOCOL_ERROR;
	}

	qCDebug(card) << "Performing TA External Authenticate";
	const auto authenticate = worker->transmit(CommandApdu(Ins::EXTERNAL_AUTHENTICATE, 0x00, 0x00, pSignature));
	if (authenticate.mReturnCode != CardReturnCode::OK)
	{
		qCWarning(card) << "TA External Authenticate failed:" << cardReturnCodeToGlobalStatus(authenticate.mReturnCode);
		return authenticate.mReturnCode;
	}
	if (authenticate.mResponseApdu.getStatusCode() != StatusCode::SUCCESS)
	{
		qCWarning(card) << "TA External Authenticate failed:" << authenticate.mResponseApdu.getStatusCode();
		return CardReturnCode::PROTOCOL_ERROR;
	}

	return CardReturnCode::OK;
}


CardReturnCode DidAuthenticateEAC2Command::performChipAuthentication(const QSharedPointer<const ChipAuthenticationInfo>& pChipAuthenticationInfo,
		const QByteArray& pEphemeralPublicKey)
{
	const auto& worker = getCardConnectionWorker();

	QByteArray setAtData = contextTag(0x00, pChipAuthenticationInfo->getOid().getData());
	if (pChipAuthenticationInfo->hasKeyId())
	{
		setAtData += contextTag(0x04, Asn1IntegerUtil::encodeContent(pChipAuthenticationInfo->getKeyId()));
	}
	qCDebug(card) << "Performing CA MSE:Set AT";
	const auto setAt = worker->transmit(CommandApdu(Ins::MSE_SET, cSetForComputation, cAuthenticationTemplate, setAtData));
	if (setAt.mReturnCode != CardReturnCode::OK)
	{
		return setAt.mReturnCode;
	}
	if (setAt.mResponseApdu.getStatusCode() != StatusCode::SUCCESS)
	{
		qCWarning(card) << "CA MSE:Set AT failed:" << setAt.mResponseApdu.getStatusCode();
		return CardReturnCode::PROTOCOL_ERROR;
	}

	const QByteArray authenticationData = Asn1Util::encode(V_ASN1_APPLICATION, 0x1C, contextTag(0x00, pEphemeralPublicKey), true);
	qCDebug(card) << "Performing CA General Authenticate";
	const auto authenticate = worker->transmit(CommandApdu(Ins::GENERAL_AUTHENTICATE, 0x00, 0x00, authenticationData, CommandApdu::SHORT_MAX_LE));
	if (authenticate.mReturnCode != CardReturnCode::OK)
	{
		return authenticate.mReturnCode;
	}
	if (authenticate.mResponseApdu.getStatusCode() != StatusCode::SUCCESS)
	{
		qCWarning(card) << "CA General Authenticate failed:" << authenticate.mResponseApdu.getStatusCode();
		return CardReturnCode::PROTOCOL_ERROR;
	}

	const GAChipAuthenticationResponse response(authenticate.mResponseApdu);
	mNonceAsHex = response.getNonce().toHex();
	mAuthTokenAsHex = response.getAuthenticationToken().toHex();
	if (mNonceAsHex.isEmpty() || mAuthTokenAsHex.isEmpty())
	{
		return CardReturnCode::PROTOCOL_ERROR;
	}
	return CardReturnCode::OK;
}


const QByteArray& DidAuthenticateEAC2Command::getCardSecurity() const
{
	return mCardSecurity;
}


const QByteArray& DidAuthenticateEAC2Command::getNonceAsHex() const
{
	return mNonceAsHex;
}


const QByteArray& DidAuthenticateEAC2Command::getAuthTokenAsHex() const
{
	return mAuthTokenAsHex;
}
