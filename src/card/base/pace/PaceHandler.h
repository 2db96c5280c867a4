#pragma once

#include "apdu/CardReturnCode.h"
#include "apdu/CommandApdu.h"
#include "asn1/PaceInfo.h"
#include "asn1/SecurityInfos.h"
#include "asn1/SecurityProtocol.h"
#include "pace/KeyAgreement.h"
#include "pinpad/EstablishPaceChannelOutput.h"
#include "pinpad/PacePasswordId.h"

#include <QByteArray>
#include <QSharedPointer>

namespace tessarovin
{

class CardTransmitter;

// PACE in software for readers without a pin pad of their own. The output is filled as a pin-pad
// reader would fill it, so callers need not know who ran PACE.
class PaceHandler
{
	private:
		const QSharedPointer<CardTransmitter> mCardTransmitter;
		QSharedPointer<KeyAgreement> mKeyAgreement;
		QSharedPointer<const PaceInfo> mPaceInfo;
		QByteArray mStatusMseSetAt;
		QByteArray mEncryptionKey;
		QByteArray mMacKey;
		QByteArray mChat;

	public:
		explicit PaceHandler(const QSharedPointer<CardTransmitter>& pCardTransmitter);
		~PaceHandler();
		PaceHandler(const PaceHandler&) = delete;
		PaceHandler& operator=(const PaceHandler&) = delete;

		// The encoded CHAT, tag 7F4C included.
		void setChat(const QByteArray& pChat);

		EstablishPaceChannelOutput establishPaceChannel(PacePasswordId pPasswordId, const QByteArray& pPassword);

		bool initialize(const QSharedPointer<const SecurityInfos>& pEfCardAccess);
		[[nodiscard]] bool isSupportedProtocol(const QSharedPointer<const PaceInfo>& pPaceInfo) const;
		CardReturnCode transmitMSESetAT(PacePasswordId pPasswordId);

		// MSE:Set AT for PACE; the card answers it with the password's state, which is how the
		// reader learns the PIN's retry counter without using the PIN.
		static CommandApdu createMseSetAt(const PaceInfo& pPaceInfo, PacePasswordId pPasswordId, const QByteArray& pChat = QByteArray());

		[[nodiscard]] SecurityProtocol getPaceProtocol() const;
		[[nodiscard]] const QByteArray& getEncryptionKey() const;
		[[nodiscard]] const QByteArray& getMacKey() const;
};

} // namespace tessarovin
