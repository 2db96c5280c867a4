#pragma once

#include "apdu/CommandApdu.h"
#include "apdu/ResponseApdu.h"
#include "apdu/ResponseApduResult.h"
#include "asn1/SecurityProtocol.h"
#include "pace/CipherMac.h"
#include "pace/SymmetricCipher.h"

#include <QByteArray>

#include <functional>

namespace tessarovin
{

// ISO/IEC 7816-4 secure messaging of the eID card protocols on one channel: the terminal wraps
// commands and unwraps responses, the card side (the simulator) does the reverse. Every failure
// yields an empty APDU.
class SecureMessaging
{
	private:
		SymmetricCipher mCipher;
		CipherMac mCipherMac;
		quint32 mSendSequenceCounter;

		[[nodiscard]] QByteArray padToCipherBlockSize(const QByteArray& pData) const;
		bool unpadFromCipherBlockSize(const QByteArray& pData, QByteArray& pUnpadded) const;
		[[nodiscard]] QByteArray getSendSequenceCounterBlock() const;
		bool setMessageIv();
		[[nodiscard]] QByteArray createSecuredData(const QByteArray& pData);
		bool decryptSecuredData(const QByteArray& pCryptogram, QByteArray& pPlainData);
		[[nodiscard]] QByteArray createSecuredLe(const CommandApdu& pCommandApdu) const;
		[[nodiscard]] QByteArray createMac(const QByteArray& pHeader, const QByteArray& pEncryptedDataObject, const QByteArray& pProtectedLeObject) const;

	public:
		using CardTransmit = std::function<ResponseApduResult(const CommandApdu&)>;

		SecureMessaging(const SecurityProtocol& pSecurityProtocol, const QByteArray& pEncKey, const QByteArray& pMacKey);
		SecureMessaging(const SecureMessaging&) = delete;
		SecureMessaging& operator=(const SecureMessaging&) = delete;

		[[nodiscard]] bool isInitialized() const;
		[[nodiscard]] quint32 getSendSequenceCounter() const
		{
			return mSendSequenceCounter;
		}


		// Terminal side.
		CommandApdu encrypt(const CommandApdu& pCommandApdu);
		ResponseApdu decrypt(const ResponseApdu& pResponseApdu);

		// Card side.
		CommandApdu decrypt(const CommandApdu& pCommandApdu);
		ResponseApdu encrypt(const ResponseApdu& pResponseApdu);

		// A command whose CLA already carries both secure-messaging bits is protected by the peer
		// (the eID server after chip authentication): it goes out unchanged and local secure
		// messaging ends before it is sent.
		static bool isSecuredByPeer(const CommandApdu& pCommandApdu);

		// One transmission of the card connection after its reader and card checks: wraps the
		// command when pSecureMessaging is given, sends it and unwraps the answer. pChannelBroken
		// is set when the channel must not be used again.
		static ResponseApduResult transmit(SecureMessaging* pSecureMessaging, const CommandApdu& pCommandApdu, const CardTransmit& pCardTransmit, bool& pChannelBroken);
};

} // namespace tessarovin
