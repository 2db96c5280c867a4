/**
 * The simulated eID card: answers APDUs from its own file system and runs the card side of PACE,
 * terminal and chip authentication and restricted identification.
 */

#pragma once

#include "apdu/CommandApdu.h"
#include "apdu/ResponseApdu.h"
#include "asn1/CVCertificate.h"
#include "asn1/Oid.h"
#include "Card.h"
#include "pace/SecureMessaging.h"
#include "pace/ec/EcKeyPair.h"
#include "SimulatorFileSystem.h"

#include <QByteArray>
#include <QSharedPointer>

#include <memory>
#include <optional>

namespace tessarovin
{

class ASN1Struct;

// Lives on the reader manager's thread and is called only from there, like every card.
class SimulatorCard
	: public Card
{
	Q_OBJECT

	private:
		bool mConnected;
		SimulatorFileSystem mFileSystem;
		std::unique_ptr<SecureMessaging> mSecureMessaging;
		// Set by PACE and chip authentication; used from the command after the one that made it.
		std::unique_ptr<SecureMessaging> mNewSecureMessaging;
		Oid mSelectedProtocol;
		int mChainingStep;
		PacePasswordId mPacePasswordId;
		int mDomainParameterId;
		QByteArray mPaceNonce;
		QByteArray mPaceTerminalKey;
		EcKeyPair mCardKey;
		QSharedPointer<const cvcertificate_st> mCurrentCertificate;

		// The parts of what the terminal signs in terminal authentication, kept apart so that the
		// order in which the terminal sends GET CHALLENGE and MSE:Set AT does not matter.
		QByteArray mIdPicc;
		QByteArray mChallenge;
		QByteArray mTerminalEphemeralKey;
		QByteArray mAuxiliaryData;

		void clearTerminalAuthenticationInput();

		ResponseApdu executeFileCommand(const CommandApdu& pCommand);
		ResponseApdu executePinManagement(const CommandApdu& pCommand) const;
		ResponseApdu executeResetRetryCounter(const CommandApdu& pCommand) const;
		ResponseApdu executeGetChallenge();
		ResponseApdu executeVerify(const CommandApdu& pCommand) const;

		ResponseApdu executeMseSetAt(const CommandApdu& pCommand);
		ResponseApdu executeMseSetDst(const CommandApdu& pCommand) const;
		ResponseApdu executePsoVerifyCertificate(const CommandApdu& pCommand);
		ResponseApdu executeExternalAuthenticate(const CommandApdu& pCommand);
		ResponseApdu executeGeneralAuthenticate(const CommandApdu& pCommand);
		ResponseApdu executePace(const CommandApdu& pCommand, const ASN1Struct& pData);
		ResponseApdu executePaceMapping(const ASN1Struct& pData);
		ResponseApdu executePaceMutualAuthentication(const CommandApdu& pCommand, const ASN1Struct& pData);
		ResponseApdu executeChipAuthentication(const ASN1Struct& pData);
		ResponseApdu executeRestrictedIdentification(const ASN1Struct& pData) const;

		[[nodiscard]] QByteArray createPublicKeyDataObject(const QByteArray& pPublicKey) const;
		// Derives the session keys from the card key and pRemoteKey into the pending channel and
		// returns the card's token; empty when pTerminalToken is given and wrong, or the key is unusable.
		QByteArray computeKeysAndToken(const QByteArray& pRemoteKey, const QByteArray& pNonce, const std::optional<QByteArray>& pTerminalToken = std::nullopt);

	public:
		explicit SimulatorCard(const SimulatorFileSystem& pFileSystem);
		~SimulatorCard() override;

		CardReturnCode establishConnection() override;
		CardReturnCode releaseConnection() override;
		[[nodiscard]] bool isConnected() const override;
		ResponseApduResult transmit(const CommandApdu& pCommand) override;
		EstablishPaceChannelOutput establishPaceChannel(PacePasswordId pPasswordId,
				int pPreferredPinLength,
				const QByteArray& pChat,
				const QByteArray& pCertificateDescription) override;
		CardReturnCode destroyPaceChannel() override;
		ResponseApduResult setEidPin(uchar pTimeoutSeconds) override;

		ResponseApdu executeCommand(const CommandApdu& pCommand);
};

} // namespace tessarovin
