#include "SimulatorCard.h"

#include "apdu/FileCommand.h"
#include "apdu/GeneralAuthenticateResponse.h"
#include "asn1/ASN1Struct.h"
#include "asn1/ASN1Util.h"
#include "asn1/AuthenticatedAuxiliaryData.h"
#include "asn1/PaceInfo.h"
#include "asn1/SecurityInfos.h"
#include "asn1/SecurityProtocol.h"
#include "asn1/SignatureChecker.h"
#include "Env.h"
#include "FileRef.h"
#include "LogCategories.h"
#include "OpenSslUtil.h"
#include "pace/CipherMac.h"
#include "pace/KeyDerivationFunction.h"
#include "pace/SymmetricCipher.h"
#include "pace/ec/EcUtil.h"
#include "pace/ec/EcdhGenericMapping.h"
#include "RandomSource.h"
#include "VolatileSettings.h"

#include <QCryptographicHash>
#include <QThread>

#include <openssl/asn1.h>
#include <openssl/crypto.h>

using namespace tessarovin;

namespace
{

constexpr uchar cMseSetAtPace = 0xC1;
constexpr uchar cMseSetAtTerminalAuthentication = 0x81;
constexpr uchar cMseSetAtChipAuthentication = 0x41;
constexpr uchar cMseSetAt = 0xA4;
constexpr uchar cMseSetDst = 0xB6;
constexpr uchar cPinReference = 0x03;
constexpr uchar cChangePin = 0x02;
constexpr uchar cUnblockPin = 0x03;
constexpr uchar cPinManagementP1 = 0x10;
constexpr int cChallengeSize = 8;
constexpr int cPaceNonceSize = 16;

// Chip authentication v2 lets the card choose the nonce; a fixed one keeps the answers comparable.
const QByteArray cChipAuthenticationNonce = QByteArray::fromHex("0001020304050607");


ResponseApdu answer(StatusCode pStatusCode, const QByteArray& pData = QByteArray())
{
	return ResponseApdu(pStatusCode, pData);
}


QByteArray contextData(const ASN1Struct& pData, int pTag)
{
	return pData.getData(V_ASN1_CONTEXT_SPECIFIC, pTag);
}


QByteArray certificateHolderReference(const QSharedPointer<const cvcertificate_st>& pCertificate)
{
	return pCertificate ? pCertificate->getBody().getCertificateHolderReference() : QByteArray();
}


// The GA data types own their octet strings; an optional one is made here before it is set.
bool setOctetString(ASN1_OCTET_STRING*& pTarget, const QByteArray& pValue)
{
	if (pTarget == nullptr)
	{
		pTarget = ASN1_OCTET_STRING_new();
	}
	return Asn1OctetStringUtil::setValue(pValue, pTarget);
}


template<typename T, auto New, auto Free, typename Filler>
ResponseApdu dynamicAuthenticationData(Filler pFiller)
{
	const OpenSslPtr<T, Free> data(New());
	if (!data || !pFiller(*data))
	{
		qCWarning(card_simulator) << "Cannot encode ASN.1 object:" << getOpenSslErrors();
		return answer(StatusCode::SUCCESS);
	}
	// An encoding failure is logged there and leaves the status word alone.
	return answer(StatusCode::SUCCESS, encodeObject(data.get()));
}


} // namespace


SimulatorCard::SimulatorCard(const SimulatorFileSystem& pFileSystem)
	: Card()
	, mConnected(false)
	, mFileSystem(pFileSystem)
	, mSecureMessaging()
	, mNewSecureMessaging()
	, mSelectedProtocol()
	, mChainingStep(0)
	, mPacePasswordId(PacePasswordId::UNKNOWN)
	, mDomainParameterId(-1)
	, mPaceNonce()
	, mPaceTerminalKey()
	, mCardKey()
	, mCurrentCertificate()
	, mIdPicc()
	, mChallenge()
	, mTerminalEphemeralKey()
	, mAuxiliaryData()
{
}


SimulatorCard::~SimulatorCard()
{
	wipe(mPaceNonce);
}


CardReturnCode SimulatorCard::establishConnection()
{
	if (mConnected)
	{
		return CardReturnCode::COMMAND_FAILED;
	}
	mConnected = true;
	return CardReturnCode::OK;
}


CardReturnCode SimulatorCard::releaseConnection()
{
	if (!mConnected)
	{
		return CardReturnCode::COMMAND_FAILED;
	}
	mConnected = false;
	return CardReturnCode::OK;
}


bool SimulatorCard::isConnected() const
{
	return mConnected;
}


ResponseApduResult SimulatorCard::transmit(const CommandApdu& pCommand)
{
	qCDebug(card_simulator) << "Transmit command APDU:" << pCommand;

	CommandApdu command = pCommand;
	if (mSecureMessaging)
	{
		if (pCommand.isSecureMessaging())
		{
			command = mSecureMessaging->decrypt(pCommand);
			qCDebug(secure) << "Unencrypted transmit command APDU:" << command;
		}
		else
		{
			qCDebug(card_simulator) << "Received unencrypted command APDU. Disable secure messaging";
			mSecureMessaging.reset();
			mCurrentCertificate.reset();
		}
	}

	ResponseApdu response = executeCommand(command);
	if (response.isEmpty())
	{
		response = answer(StatusCode::NO_PRECISE_DIAGNOSIS);
	}

	// Counted after the command ran: the first command of a chain runs at step 0.
	if (command.isCommandChaining())
	{
		++mChainingStep;
	}
	else
	{
		mChainingStep = 0;
	}

	if (mSecureMessaging)
	{
		response = mSecureMessaging->encrypt(response);
	}
	qCDebug(card_simulator) << "Transmit response APDU:" << response;

	// The answer of the command that made the keys still travels under the previous channel.
	if (mNewSecureMessaging)
	{
		qCDebug(card_simulator) << "Start to use a new secure messaging channel";
		mSecureMessaging = std::move(mNewSecureMessaging);
	}

	return {CardReturnCode::OK, response};
}


EstablishPaceChannelOutput SimulatorCard::establishPaceChannel(PacePasswordId pPasswordId,
		int pPreferredPinLength,
		const QByteArray& pChat,
		const QByteArray& pCertificateDescription)
{
	Q_UNUSED(pPreferredPinLength)
	Q_UNUSED(pCertificateDescription)

	QThread::msleep(static_cast<unsigned long>(qMax(0, Env::getSingleton<VolatileSettings>()->getDelay())));

	EstablishPaceChannelOutput output(pPasswordId);
	output.setPaceReturnCode(CardReturnCode::OK);
	output.setStatusMseSetAt(ResponseApdu(StatusCode::SUCCESS).getStatusBytes());
	output.setEfCardAccess(mFileSystem.getEfCardAccess());

	clearTerminalAuthenticationInput();
	if (pChat.isEmpty())
	{
		mCurrentCertificate.reset();
		return output;
	}

	// A card description may replace EF.CardAccess or the trust point with something unusable.
	const auto trustPoint = mFileSystem.getTrustPoint();
	const auto securityInfos = SecurityInfos::decode(mFileSystem.getEfCardAccess());
	if (trustPoint.isNull() || securityInfos.isNull() || securityInfos->getPaceInfos().isEmpty())
	{
		qCWarning(card_simulator) << "Cannot establish PACE channel: no trust point or no PACEInfo";
		mCurrentCertificate.reset();
		output.setPaceReturnCode(CardReturnCode::COMMAND_FAILED);
		return output;
	}

	const int nid = PaceInfo::getMappedNid(securityInfos->getPaceInfos().constFirst()->getParameterId());
	const auto cardCurve = EcUtil::createCurve(nid);
	const auto terminalCurve = EcUtil::createCurve(nid);
	if (cardCurve.isNull() || terminalCurve.isNull())
	{
		qCWarning(card_simulator) << "Cannot establish PACE channel: unsupported domain parameters";
		mCurrentCertificate.reset();
		output.setPaceReturnCode(CardReturnCode::COMMAND_FAILED);
		return output;
	}

	// No terminal takes part, but ID_PICC must still be a fresh point of a real PACE run.
	EcdhGenericMapping cardMapping(cardCurve);
	EcdhGenericMapping terminalMapping(terminalCurve);
	cardMapping.generateLocalMappingData();
	const QByteArray terminalMappingData = terminalMapping.generateLocalMappingData();
	QByteArray nonce = RandomSource::getInstance().createBytes(cPaceNonceSize);
	const bool mapped = cardMapping.generateEphemeralDomainParameters(terminalMappingData, nonce);
	wipe(nonce);
	const EcKeyPair ephemeralKey(cardMapping);
	if (!mapped || !ephemeralKey.hasKey())
	{
		mCurrentCertificate.reset();
		output.setPaceReturnCode(CardReturnCode::COMMAND_FAILED);
		return output;
	}

	mCurrentCertificate = trustPoint;
	mIdPicc = ephemeralKey.getPublicKey(true);
	output.setCarCurr(certificateHolderReference(trustPoint));
	output.setIdIcc(mIdPicc);
	return output;
}


CardReturnCode SimulatorCard::destroyPaceChannel()
{
	mSecureMessaging.reset();
	mCurrentCertificate.reset();
	clearTerminalAuthenticationInput();
	return CardReturnCode::OK;
}


ResponseApduResult SimulatorCard::setEidPin(uchar pTimeoutSeconds)
{
	Q_UNUSED(pTimeoutSeconds)

	QThread::msleep(static_cast<unsigned long>(qMax(0, Env::getSingleton<VolatileSettings>()->getDelay())));
	return {CardReturnCode::OK, answer(StatusCode::SUCCESS)};
}


ResponseApdu SimulatorCard::executeCommand(const CommandApdu& pCommand)
{
	switch (pCommand.getINS())
	{
		case Ins::SELECT:
		case Ins::READ_BINARY:
		case Ins::UPDATE_BINARY:
			return executeFileCommand(pCommand);

		case Ins::DEACTIVATE:
		case Ins::ACTIVATE:
			return executePinManagement(pCommand);

		case Ins::VERIFY:
			if (!pCommand.isProprietary())
			{
				return answer(StatusCode::UNSUPPORTED_CLA);
			}
			return executeVerify(pCommand);

		case Ins::MSE_SET:
			if (pCommand.getP2() == cMseSetAt)
			{
				return executeMseSetAt(pCommand);
			}
			if (pCommand.getP2() == cMseSetDst)
			{
				return executeMseSetDst(pCommand);
			}
			return answer(StatusCode::INVALID_PARAMETER);

		case Ins::PSO_VERIFY:
			return executePsoVerifyCertificate(pCommand);

		case Ins::RESET_RETRY_COUNTER:
			return executeResetRetryCounter(pCommand);

		case Ins::EXTERNAL_AUTHENTICATE:
			return executeExternalAuthenticate(pCommand);

		case Ins::GET_CHALLENGE:
			return executeGetChallenge();

		case Ins::GENERAL_AUTHENTICATE:
			return executeGeneralAuthenticate(pCommand);

		default:
			qCCritical(card_simulator) << "Unknown instruction:" << QByteArray(pCommand).toHex();
			return answer(StatusCode::UNSUPPORTED_INS);
	}
}


void SimulatorCard::clearTerminalAuthenticationInput()
{
	mIdPicc.clear();
	mChallenge.clear();
	mTerminalEphemeralKey.clear();
}


ResponseApdu SimulatorCard::executeFileCommand(const CommandApdu& pCommand)
{
	const FileCommand fileCommand(pCommand);
	const FileRef& fileRef = fileCommand.getFileRef();

	if (pCommand.getINS() == Ins::SELECT)
	{
		switch (fileRef.getType())
		{
			case FileRef::MASTER_FILE:
				return answer(fileRef.getIdentifier() == FileRef::masterFile().getIdentifier() ? StatusCode::SUCCESS : StatusCode::FILE_NOT_FOUND);

			case FileRef::ELEMENTARY_FILE:
				return answer(mFileSystem.select(fileRef.getIdentifier()));

			case FileRef::APPLICATION:
				return answer(fileRef.getIdentifier() == FileRef::appEId().getIdentifier() ? StatusCode::SUCCESS : StatusCode::FILE_NOT_FOUND);

			case FileRef::UNKNOWN:
				return answer(StatusCode::FILE_NOT_FOUND);
		}
		return answer(StatusCode::FILE_NOT_FOUND);
	}

	// A short file identifier selects its file only at offset 0; later chunks read the selected one.
	if (!fileRef.getShortIdentifier().isEmpty() && fileCommand.getOffset() == 0)
	{
		const StatusCode selected = mFileSystem.select(fileRef.getShortIdentifier());
		if (selected != StatusCode::SUCCESS)
		{
			return answer(selected);
		}
	}

	if (pCommand.getINS() == Ins::READ_BINARY)
	{
		return ResponseApdu(mFileSystem.read(fileCommand.getOffset(), fileCommand.getLe(), pCommand.isExtendedLength()));
	}
	return answer(mFileSystem.write(fileCommand.getOffset(), pCommand.getData()));
}


ResponseApdu SimulatorCard::executePinManagement(const CommandApdu& pCommand) const
{
	if (pCommand.getP1() != cPinManagementP1 || pCommand.getP2() != cPinReference)
	{
		return answer(StatusCode::INVALID_PARAMETER);
	}

	qCDebug(card_simulator).noquote() << Enum<Ins>::getName(pCommand.getINS()) << "PIN";
	return answer(StatusCode::SUCCESS);
}


ResponseApdu SimulatorCard::executeResetRetryCounter(const CommandApdu& pCommand) const
{
	if (pCommand.getP2() != cPinReference)
	{
		return answer(StatusCode::INVALID_PARAMETER);
	}

	switch (pCommand.getP1())
	{
		case cChangePin:
			// The new PIN is what a user typed: only the secure category may show it.
			qCDebug(secure) << "CHANGE PIN:" << pCommand.getData();
			return answer(StatusCode::SUCCESS);

		case cUnblockPin:
			qCDebug(card_simulator) << "UNBLOCK PIN";
			return answer(StatusCode::SUCCESS);

		default:
			return answer(StatusCode::INVALID_PARAMETER);
	}
}


ResponseApdu SimulatorCard::executeGetChallenge()
{
	// A second GET CHALLENGE replaces the first: the terminal signs the challenge it got last.
	mChallenge = RandomSource::getInstance().createBytes(cChallengeSize);
	return answer(StatusCode::SUCCESS, mChallenge);
}


ResponseApdu SimulatorCard::executeVerify(const CommandApdu& pCommand) const
{
	const QByteArray oid = ASN1Struct(pCommand.getData()).getData(V_ASN1_UNIVERSAL, V_ASN1_OBJECT);
	if (oid.isEmpty() || mAuxiliaryData.isEmpty())
	{
		return answer(StatusCode::VERIFICATION_FAILED);
	}
	return answer(mFileSystem.verify(Oid(oid), AuthenticatedAuxiliaryData::decode(mAuxiliaryData)));
}


ResponseApdu SimulatorCard::executeMseSetAt(const CommandApdu& pCommand)
{
	if (pCommand.getData().isEmpty())
	{
		return answer(StatusCode::WRONG_LENGTH);
	}

	const ASN1Struct data(pCommand.getData());
	const QByteArray protocolOid = contextData(data, 0x00);
	mSelectedProtocol = protocolOid.isEmpty() ? Oid() : Oid(protocolOid);
	const SecurityProtocol protocol(mSelectedProtocol);

	switch (pCommand.getP1())
	{
		case cMseSetAtPace:
		{
			const QByteArray passwordReference = contextData(data, 0x03);
			if (passwordReference.isEmpty())
			{
				return answer(StatusCode::INVALID_DATAFIELD);
			}
			mPacePasswordId = static_cast<PacePasswordId>(static_cast<uchar>(passwordReference.back()));
			if (protocol.getProtocolType() != ProtocolType::PACE || mFileSystem.getPassword(mPacePasswordId).isEmpty())
			{
				return answer(StatusCode::REFERENCED_DATA_NOT_FOUND);
			}

			// Without a parameter id the mapping finds no curve and PACE fails there; reading the
			// retry counter with this command still works.
			const QByteArray parameterId = contextData(data, 0x04);
			mDomainParameterId = parameterId.isEmpty() ? -1 : static_cast<uchar>(parameterId.back());

			const bool withChat = !data.getObject(V_ASN1_APPLICATION, 0x4C).isEmpty();
			mCurrentCertificate = withChat ? mFileSystem.getTrustPoint() : QSharedPointer<const cvcertificate_st>();
			clearTerminalAuthenticationInput();
			return answer(StatusCode::SUCCESS);
		}

		case cMseSetAtTerminalAuthentication:
		{
			if (protocol.getProtocolType() != ProtocolType::TA
					|| mCurrentCertificate.isNull()
					|| contextData(data, 0x03) != certificateHolderReference(mCurrentCertificate))
			{
				return answer(StatusCode::REFERENCED_DATA_NOT_FOUND);
			}
			if (mCurrentCertificate->getBody().getHashAlgorithm() != protocol.getHashAlgorithm())
			{
				return answer(StatusCode::NOT_YET_INITIALIZED);
			}

			mAuxiliaryData = data.getObject(V_ASN1_APPLICATION, 0x07);
			mTerminalEphemeralKey = contextData(data, 0x11);
			return answer(StatusCode::SUCCESS);
		}

		case cMseSetAtChipAuthentication:
		{
			const auto type = protocol.getProtocolType();
			if (type != ProtocolType::CA && type != ProtocolType::RI)
			{
				return answer(StatusCode::REFERENCED_DATA_NOT_FOUND);
			}
			const QByteArray keyId = contextData(data, 0x04);
			if (keyId.isEmpty())
			{
				return answer(StatusCode::INVALID_DATAFIELD);
			}
			mCardKey = EcKeyPair(mFileSystem.getKey(static_cast<uchar>(keyId.back())));
			return answer(StatusCode::SUCCESS);
		}

		default:
			return answer(StatusCode::INVALID_PARAMETER);
	}
}


ResponseApdu SimulatorCard::executeMseSetDst(const CommandApdu& pCommand) const
{
	const QByteArray reference = contextData(ASN1Struct(pCommand.getData()), 0x03);
	if (mCurrentCertificate.isNull() || reference.isEmpty() || reference != certificateHolderReference(mCurrentCertificate))
	{
		return answer(StatusCode::REFERENCED_DATA_NOT_FOUND);
	}
	return answer(StatusCode::SUCCESS);
}


ResponseApdu SimulatorCard::executePsoVerifyCertificate(const CommandApdu& pCommand)
{
	const auto trustPoint = mFileSystem.getTrustPoint();
	if (mCurrentCertificate.isNull() || trustPoint.isNull())
	{
		return answer(StatusCode::NOT_YET_INITIALIZED);
	}

	const QSharedPointer<const cvcertificate_st> certificate = cvcertificate_st::decode(Asn1Util::encode(V_ASN1_APPLICATION, 0x21, pCommand.getData(), true));
	if (certificate.isNull())
	{
		return answer(StatusCode::INVALID_DATAFIELD);
	}

	if (!SignatureChecker::checkSignature(certificate, mCurrentCertificate, &trustPoint->getBody().getPublicKey()))
	{
		return answer(StatusCode::VERIFICATION_FAILED);
	}

	if (certificate->getBody().getCHAT().getAccessRole() == AccessRole::CVCA)
	{
		mFileSystem.setTrustPoint(certificate);
	}
	mCurrentCertificate = certificate;
	return answer(StatusCode::SUCCESS);
}


ResponseApdu SimulatorCard::executeExternalAuthenticate(const CommandApdu& pCommand)
{
	if (pCommand.getData().isEmpty())
	{
		return answer(StatusCode::WRONG_LENGTH);
	}

	const SecurityProtocol protocol(mSelectedProtocol);
	const auto trustPoint = mFileSystem.getTrustPoint();
	if (mCurrentCertificate.isNull()
			|| trustPoint.isNull()
			|| protocol.getProtocolType() != ProtocolType::TA
			|| protocol.getSignatureType() != SignatureType::ECDSA
			|| protocol.getHashAlgorithm() != mCurrentCertificate->getBody().getHashAlgorithm())
	{
		return answer(StatusCode::NOT_YET_INITIALIZED);
	}

	const auto key = trustPoint->getBody().getPublicKey().createKey(mCurrentCertificate->getBody().getPublicKey().getUncompressedPublicPoint());
	const QByteArray signedData = mIdPicc + mChallenge + mTerminalEphemeralKey + mAuxiliaryData;
	clearTerminalAuthenticationInput();

	const bool verified = !key.isNull() && SignatureChecker::checkSignature(key, pCommand.getData(), signedData, protocol.getHashAlgorithm());
	return answer(verified ? StatusCode::SUCCESS : StatusCode::VERIFICATION_FAILED);
}


ResponseApdu SimulatorCard::executeGeneralAuthenticate(const CommandApdu& pCommand)
{
	if (pCommand.getData().isEmpty())
	{
		return answer(StatusCode::WRONG_LENGTH);
	}

	const ASN1Struct data(pCommand.getData());
	if (mSelectedProtocol == Oid(KnownOid::ID_PACE_ECDH_GM_AES_CBC_CMAC_128))
	{
		return executePace(pCommand, data);
	}
	if (mSelectedProtocol == Oid(KnownOid::ID_CA_ECDH_AES_CBC_CMAC_128))
	{
		return executeChipAuthentication(data);
	}
	if (mSelectedProtocol == Oid(KnownOid::ID_RI_ECDH_SHA_256))
	{
		return executeRestrictedIdentification(data);
	}
	return answer(StatusCode::VERIFICATION_FAILED);
}


ResponseApdu SimulatorCard::executePace(const CommandApdu& pCommand, const ASN1Struct& pData)
{
	if (mChainingStep >= 0 && mChainingStep <= 2 && !pCommand.isCommandChaining())
	{
		return answer(StatusCode::UNSUPPORTED_CLA);
	}

	const SecurityProtocol protocol(mSelectedProtocol);
	switch (mChainingStep)
	{
		case 0:
		{
			wipe(mPaceNonce);
			mPaceNonce = RandomSource::getInstance().createBytes(cPaceNonceSize);
			QByteArray passwordKey = KeyDerivationFunction(protocol).pi(mFileSystem.getPassword(mPacePasswordId));
			SymmetricCipher cipher(protocol, passwordKey);
			wipe(passwordKey);
			const QByteArray encryptedNonce = cipher.encrypt(mPaceNonce);
			return dynamicAuthenticationData<GA_ENCRYPTEDNONCEDATA, GA_ENCRYPTEDNONCEDATA_new, GA_ENCRYPTEDNONCEDATA_free>(
					[&encryptedNonce](GA_ENCRYPTEDNONCEDATA& pGa) {
						return setOctetString(pGa.mEncryptedNonce, encryptedNonce);
					});
		}

		case 1:
			return executePaceMapping(pData);

		case 3:
			return executePaceMutualAuthentication(pCommand, pData);

		default:
		{
			mPaceTerminalKey = contextData(pData, 0x03);
			const QByteArray cardKey = mCardKey.getPublicKey();
			return dynamicAuthenticationData<GA_PERFORMKEYAGREEMENTDATA, GA_PERFORMKEYAGREEMENTDATA_new, GA_PERFORMKEYAGREEMENTDATA_free>(
					[&cardKey](GA_PERFORMKEYAGREEMENTDATA& pGa) {
						return setOctetString(pGa.mEphemeralPublicKey, cardKey);
					});
		}
	}
}


ResponseApdu SimulatorCard::executePaceMapping(const ASN1Struct& pData)
{
	const auto curve = EcUtil::createCurve(PaceInfo::getMappedNid(mDomainParameterId));
	if (curve.isNull())
	{
		qCWarning(card_simulator) << "No curve for domain parameter id" << mDomainParameterId;
		return answer(StatusCode::INVALID_DATAFIELD);
	}

	EcdhGenericMapping mapping(curve);
	const QByteArray cardMappingData = mapping.generateLocalMappingData();
	const bool mapped = mapping.generateEphemeralDomainParameters(contextData(pData, 0x01), mPaceNonce);
	wipe(mPaceNonce);
	mPaceNonce.clear();
	if (!mapped)
	{
		return answer(StatusCode::INVALID_DATAFIELD);
	}

	mCardKey = EcKeyPair(mapping);
	return dynamicAuthenticationData<GA_MAPNONCEDATA, GA_MAPNONCEDATA_new, GA_MAPNONCEDATA_free>(
			[&cardMappingData](GA_MAPNONCEDATA& pGa) {
				return setOctetString(pGa.mMappingData, cardMappingData);
			});
}


ResponseApdu SimulatorCard::executePaceMutualAuthentication(const CommandApdu& pCommand, const ASN1Struct& pData)
{
	if (pCommand.isCommandChaining())
	{
		// transmit counts this command too, so the next one starts again at step 0.
		mChainingStep = -1;
		return answer(StatusCode::LAST_CHAIN_CMD_EXPECTED);
	}

	const QByteArray cardToken = computeKeysAndToken(mPaceTerminalKey, QByteArray(), contextData(pData, 0x05));
	ResponseApdu response = answer(StatusCode::PIN_RETRY_COUNT_2);
	if (!cardToken.isEmpty())
	{
		const QByteArray carCurr = mCurrentCertificate ? certificateHolderReference(mFileSystem.getTrustPoint()) : QByteArray();
		response = dynamicAuthenticationData<GA_MUTUALAUTHENTICATIONDATA, GA_MUTUALAUTHENTICATIONDATA_new, GA_MUTUALAUTHENTICATIONDATA_free>(
				[&cardToken, &carCurr](GA_MUTUALAUTHENTICATIONDATA& pGa) {
					return setOctetString(pGa.mAuthenticationToken, cardToken)
						   && (carCurr.isEmpty() || setOctetString(pGa.mCarCurr, carCurr));
				});
		if (mCurrentCertificate)
		{
			clearTerminalAuthenticationInput();
			mIdPicc = mCardKey.getPublicKey(true);
		}
	}

	mPaceTerminalKey.clear();
	mCardKey = EcKeyPair();
	return response;
}


ResponseApdu SimulatorCard::executeChipAuthentication(const ASN1Struct& pData)
{
	const QByteArray terminalKey = contextData(pData, 0x00);
	if (terminalKey.isEmpty())
	{
		return answer(StatusCode::INVALID_DATAFIELD);
	}
	if (!mCardKey.hasKey())
	{
		return answer(StatusCode::NOT_YET_INITIALIZED);
	}

	const QByteArray token = computeKeysAndToken(terminalKey, cChipAuthenticationNonce);
	if (token.isEmpty())
	{
		return answer(StatusCode::INVALID_DATAFIELD);
	}
	return dynamicAuthenticationData<GA_CHIPAUTHENTICATIONDATA, GA_CHIPAUTHENTICATIONDATA_new, GA_CHIPAUTHENTICATIONDATA_free>(
			[&token](GA_CHIPAUTHENTICATIONDATA& pGa) {
				return setOctetString(pGa.mNonce, cChipAuthenticationNonce)
					   && setOctetString(pGa.mAuthenticationToken, token);
			});
}


ResponseApdu SimulatorCard::executeRestrictedIdentification(const ASN1Struct& pData) const
{
	const QByteArray oid = pData.getData(V_ASN1_UNIVERSAL, V_ASN1_OBJECT);
	const QByteArray sectorKey = contextData(pData, 0x06);
	if (oid.isEmpty() || sectorKey.isEmpty())
	{
		return answer(StatusCode::INVALID_DATAFIELD);
	}
	if (Oid(oid) != Oid(KnownOid::ID_RI_ECDH_SHA_256))
	{
		return answer(StatusCode::NO_BINARY_FILE);
	}
	if (!mCardKey.hasKey())
	{
		return answer(StatusCode::NOT_YET_INITIALIZED);
	}

	QByteArray secret = mCardKey.computeSharedSecret(sectorKey);
	if (secret.isEmpty())
	{
		return answer(StatusCode::INVALID_DATAFIELD);
	}
	const QByteArray sectorId = QCryptographicHash::hash(secret, QCryptographicHash::Sha256);
	wipe(secret);
	return answer(StatusCode::SUCCESS, Asn1Util::encode(V_ASN1_APPLICATION, 0x1C, Asn1Util::encode(V_ASN1_CONTEXT_SPECIFIC, 0x01, sectorId), true));
}


QByteArray SimulatorCard::createPublicKeyDataObject(const QByteArray& pPublicKey) const
{
	const QByteArray content = Asn1Util::encode(V_ASN1_UNIVERSAL, V_ASN1_OBJECT, mSelectedProtocol.getData())
			+ Asn1Util::encode(V_ASN1_CONTEXT_SPECIFIC, 0x06, pPublicKey);
	return Asn1Util::encode(V_ASN1_APPLICATION, 0x49, content, true);
}


QByteArray SimulatorCard::computeKeysAndToken(const QByteArray& pRemoteKey, const QByteArray& pNonce, const std::optional<QByteArray>& pTerminalToken)
{
	QByteArray secret = mCardKey.computeSharedSecret(pRemoteKey);
	if (secret.isEmpty())
	{
		return QByteArray();
	}

	const SecurityProtocol protocol(mSelectedProtocol);
	const KeyDerivationFunction kdf(protocol);
	QByteArray macKey = kdf.mac(secret, pNonce);
	const CipherMac cipherMac(protocol, macKey);

	if (pTerminalToken.has_value())
	{
		const QByteArray expected = cipherMac.generate(createPublicKeyDataObject(mCardKey.getPublicKey()));
		if (expected.isEmpty() || expected.size() != pTerminalToken->size()
				|| CRYPTO_memcmp(expected.constData(), pTerminalToken->constData(), static_cast<size_t>(expected.size())) != 0)
		{
			qCWarning(card_simulator) << "The terminal's authentication token does not match";
			wipe(secret);
			wipe(macKey);
			return QByteArray();
		}
	}

	QByteArray encKey = kdf.enc(secret, pNonce);
	mNewSecureMessaging = std::make_unique<SecureMessaging>(protocol, encKey, macKey);
	const QByteArray token = cipherMac.generate(createPublicKeyDataObject(pRemoteKey));
	wipe(secret);
	wipe(macKey);
	wipe(encKey);
	return token;
}
