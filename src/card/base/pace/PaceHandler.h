#pragma once

#include "CardReturnCode.h"
#include "CommandApdu.h"
#include "EstablishPaceChannelOutput.h"
#include "KeyAgreement.h"
#include "PaceInfo.h"
#include "PacePasswordId.h"
#include "SecurityInfos.h"
#include "SecurityProtocol.h"

#include <QByteArray>
#include <QSharedPointer>

namespace tessarovin
{

class CardConnectionWorker;

// PACE in software for readers without a pin pad of their own. The output is filled as a pin-pad
// reader would fill it, so callers need not know who ran PACE.
class PaceHandler
{
	private:
		const QSharedPointer<CardConnectionWorker> mCardConnectionWorker;
		QSharedPointer<KeyAgreement> mKeyAgreement;
		QSharedPointer<const PaceInfo> mPaceInfo;
		QByteArray mStatusMseSetAt;
		QByteArray mEncryptionKey;
		QByteArray mMacKey;
		QByteArray mChat;

	public:
		explicit PaceHandler(const QSharedPointer<CardConnectionWorker>& pCardConnectionWorker);
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
