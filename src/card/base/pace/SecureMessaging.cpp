#include "pace/SecureMessaging.h"

#include "LogCategories.h"
#include "pace/SecureMessagingCommand.h"
#include "pace/SecureMessagingResponse.h"

#include <QtEndian>

#include <openssl/crypto.h>

#include <algorithm>

using namespace tessarovin;

namespace
{

constexpr char PADDING_DELIMITER = static_cast<char>(0x80);


bool macEquals(const QByteArray& pFirst, const QByteArray& pSecond)
{
	return pFirst.size() == pSecond.size() && CRYPTO_memcmp(pFirst.constData(), pSecond.constData(), static_cast<size_t>(pFirst.size())) == 0;
}


} // namespace


SecureMessaging::SecureMessaging(const SecurityProtocol& pSecurityProtocol, const QByteArray& pEncKey, const QByteArray& pMacKey)
	: mCipher(pSecurityProtocol, pEncKey)
	, mCipherMac(pSecurityProtocol, pMacKey)
	, mSendSequenceCounter(0)
{
	qCDebug(secure) << "Encryption key:" << pEncKey.toHex();
	qCDebug(secure) << "MAC key:" << pMacKey.toHex();
}


bool SecureMessaging::isInitialized() const
{
	return mCipher.isInitialized() && mCipherMac.isInitialized();
}


QByteArray SecureMessaging::padToCipherBlockSize(const QByteArray& pData) const
{
	// Built at its final size in one go: appending the zeros was dearer than the data.
	const int blockSize = mCipher.getBlockSize();
	const qsizetype unpadded = pData.size() + 1;
	QByteArray padded(unpadded + (blockSize - unpadded % blockSize) % blockSize, '\0');
	std::copy(pData.cbegin(), pData.cend(), padded.begin());
	padded[pData.size()] = PADDING_DELIMITER;
	return padded;
}


bool SecureMessaging::unpadFromCipherBlockSize(const QByteArray& pData, QByteArray& pUnpadded) const
{
	pUnpadded.clear();

	const int blockSize = mCipher.getBlockSize();
	if (blockSize == 0 || pData.isEmpty() || pData.size() % blockSize != 0)
	{
		qCCritical(card) << "Size of data and block size is invalid";
		return false;
	}

	const auto delimiter = pData.lastIndexOf(PADDING_DELIMITER);
	if (delimiter < 0)
	{
		qCCritical(card) << "Cannot find padding delimiter! Message seems to be broken";
		return false;
	}

	pUnpadded = pData.left(delimiter);
	return true;
}


QByteArray SecureMessaging::getSendSequenceCounterBlock() const
{
	QByteArray block(mCipher.getBlockSize(), '\0');
	qToBigEndian(mSendSequenceCounter, block.data() + block.size() - sizeof(quint32));
	return block;
}


bool SecureMessaging::setMessageIv()
{
	// IV = E(K_enc, SSC) under the all-zero IV.
	const int ivLength = mCipher.getBlockSize();
	if (!mCipher.setIv(QByteArray(ivLength, '\0')))
	{
		return false;
	}
	const QByteArray iv = mCipher.encrypt(getSendSequenceCounterBlock());
	return !iv.isEmpty() && mCipher.setIv(iv);
}


QByteArray SecureMessaging::createSecuredData(const QByteArray& pData)
{
	if (!setMessageIv())
	{
		return QByteArray();
	}

	const QByteArray cryptogram = mCipher.encrypt(padToCipherBlockSize(pData));
	if (cryptogram.isEmpty())
	{
		return QByteArray();
	}
	return encodeSecureMessagingObject<SM_ENCRYPTED_DATA>(QByteArray(1, '\x01') + cryptogram);
}


bool SecureMessaging::decryptSecuredData(const QByteArray& pCryptogram, QByteArray& pPlainData)
{
	pPlainData.clear();
	if (!setMessageIv())
	{
		return false;
	}

	const QByteArray decrypted = mCipher.decrypt(pCryptogram);
	return !decrypted.isEmpty() && unpadFromCipherBlockSize(decrypted, pPlainData);
}


QByteArray SecureMessaging::createSecuredLe(const CommandApdu& pCommandApdu) const
{
	const int le = pCommandApdu.getLe();
	QByteArray encoded;
	if (pCommandApdu.isExtendedLength())
	{
		encoded.append(static_cast<char>((le >> 8) & 0xFF));
	}
	encoded.append(static_cast<char>(le & 0xFF));
	return encodeSecureMessagingObject<SM_PROTECTED_LE>(encoded);
}


QByteArray SecureMessaging::createMac(const QByteArray& pHeader, const QByteArray& pEncryptedDataObject, const QByteArray& pProtectedLeObject) const
{
	QByteArray input = padToCipherBlockSize(pHeader);
	if (!pEncryptedDataObject.isEmpty() || !pProtectedLeObject.isEmpty())
	{
		input += pEncryptedDataObject;
		input += pProtectedLeObject;
		input = padToCipherBlockSize(input);
	}
	input.prepend(getSendSequenceCounterBlock());

	const QByteArray mac = mCipherMac.generate(input);
	if (mac.isEmpty())
	{
		return QByteArray();
	}
	return encodeSecureMessagingObject<SM_CHECKSUM>(mac);
}


CommandApdu SecureMessaging::encrypt(const CommandApdu& pCommandApdu)
{
	if (!isInitialized())
	{
		qCCritical(card) << "SecureMessaging not successfully initialized";
		return CommandApdu();
	}

	++mSendSequenceCounter;

	if (pCommandApdu.isEmpty())
	{
		qCCritical(card) << "CommandApdu is empty";
		return CommandApdu();
	}

	qCDebug(secure) << "Plain CommandApdu:" << QByteArray(pCommandApdu).toHex();

	QByteArray encryptedDataObject;
	if (!pCommandApdu.getData().isEmpty())
	{
		encryptedDataObject = createSecuredData(pCommandApdu.getData());
		if (encryptedDataObject.isEmpty())
		{
			return CommandApdu();
		}
	}

	QByteArray header = pCommandApdu.getHeaderBytes();
	header[0] = static_cast<char>(header.at(0) | CommandApdu::CLA_SECURE_MESSAGING);

	const QByteArray protectedLeObject = pCommandApdu.getLe() > 0 ? createSecuredLe(pCommandApdu) : QByteArray();

	const QByteArray macObject = createMac(header, encryptedDataObject, protectedLeObject);
	if (macObject.isEmpty())
	{
		return CommandApdu();
	}

	const QByteArray data = encryptedDataObject + protectedLeObject + macObject;
	const bool extended = data.size() > CommandApdu::SHORT_MAX_LC || pCommandApdu.getLe() > CommandApdu::SHORT_MAX_LE;
	return CommandApdu(header, data, extended ? CommandApdu::EXTENDED_MAX_LE : CommandApdu::SHORT_MAX_LE);
}


ResponseApdu SecureMessaging::decrypt(const ResponseApdu& pResponseApdu)
{
	if (!isInitialized())
	{
		qCCritical(card) << "SecureMessaging not successfully initialized";
		return ResponseApdu();
	}

	++mSendSequenceCounter;

	const SecureMessagingResponse securedResponse(pResponseApdu);
	if (!securedResponse.isValid())
	{
		return ResponseApdu();
	}

	// The bytes, not the mapped codes: every unknown word maps to the same code.
	if (pResponseApdu.getStatusBytes() != securedResponse.getSecuredStatusBytes())
	{
		qCCritical(card) << "SW1SW2 on secured ResponseApdu does not match";
		return ResponseApdu();
	}

	const QByteArray cryptogram = securedResponse.getEncryptedData();
	QByteArray macInput;
	if (!cryptogram.isEmpty())
	{
		macInput += securedResponse.getEncryptedDataObjectEncoded();
	}
	macInput += securedResponse.getSecuredStatusObjectEncoded();
	macInput = getSendSequenceCounterBlock() + padToCipherBlockSize(macInput);

	if (!macEquals(mCipherMac.generate(macInput), securedResponse.getMac()))
	{
		qCCritical(card) << "MAC on secured ResponseApdu does not match";
		return ResponseApdu();
	}

	QByteArray plainData;
	if (!cryptogram.isEmpty())
	{
		// Handing back the bare status word would end a file read early and call it success.
		if (!decryptSecuredData(cryptogram, plainData))
		{
			return ResponseApdu();
		}
	}

	const ResponseApdu plainResponse(plainData + securedResponse.getSecuredStatusBytes());
	qCDebug(secure) << "Plain ResponseApdu:" << QByteArray(plainResponse).toHex();
	return plainResponse;
}


CommandApdu SecureMessaging::decrypt(const CommandApdu& pCommandApdu)
{
	if (!isInitialized())
	{
		qCCritical(card) << "SecureMessaging not successfully initialized";
		return CommandApdu();
	}

	++mSendSequenceCounter;

	const SecureMessagingCommand securedCommand(pCommandApdu);
	if (!securedCommand.isValid())
	{
		qCCritical(card) << "Secured CommandApdu is invalid";
		return CommandApdu();
	}

	const QByteArray expectedMac = createMac(pCommandApdu.getHeaderBytes(), securedCommand.getEncryptedDataObjectEncoded(), securedCommand.getProtectedLeObjectEncoded()).mid(2);
	if (expectedMac.isEmpty() || !macEquals(expectedMac, securedCommand.getMac()))
	{
		qCCritical(card) << "MAC on secured CommandApdu does not match";
		return CommandApdu();
	}

	QByteArray plainData;
	const QByteArray cryptogram = securedCommand.getEncryptedData();
	if (!cryptogram.isEmpty())
	{
		if (!decryptSecuredData(cryptogram, plainData))
		{
			return CommandApdu();
		}
	}

	CommandApdu plainCommand(pCommandApdu.getHeaderBytes(), plainData, securedCommand.getExpectedLength());

	// A nested checksum object at the end means the command carries a protection of its own.
	const bool nestedChecksum = plainData.size() >= 10 && plainData.at(plainData.size() - 10) == static_cast<char>(0x8E) && plainData.at(plainData.size() - 9) == 0x08;
	if (!nestedChecksum)
	{
		plainCommand.setSecureMessaging(false);
	}
	return plainCommand;
}


ResponseApdu SecureMessaging::encrypt(const ResponseApdu& pResponseApdu)
{
	if (!isInitialized())
	{
		qCCritical(card) << "SecureMessaging not successfully initialized";
		return ResponseApdu();
	}

	++mSendSequenceCounter;

	QByteArray encryptedDataObject;
	if (!pResponseApdu.getData().isEmpty())
	{
		encryptedDataObject = createSecuredData(pResponseApdu.getData());
		if (encryptedDataObject.isEmpty())
		{
			return ResponseApdu();
		}
	}

	const QByteArray statusObject = encodeSecureMessagingObject<SM_PROCESSING_STATUS>(pResponseApdu.getStatusBytes());
	const QByteArray mac = mCipherMac.generate(getSendSequenceCounterBlock() + padToCipherBlockSize(encryptedDataObject + statusObject));
	if (statusObject.isEmpty() || mac.isEmpty())
	{
		return ResponseApdu();
	}

	const QByteArray macObject = encodeSecureMessagingObject<SM_CHECKSUM>(mac);
	return ResponseApdu(encryptedDataObject + statusObject + macObject + pResponseApdu.getStatusBytes());
}


bool SecureMessaging::isSecuredByPeer(const CommandApdu& pCommandApdu)
{
	return pCommandApdu.isSecureMessaging();
}


ResponseApduResult SecureMessaging::transmit(SecureMessaging* pSecureMessaging, const CommandApdu& pCommandApdu, const CardTransmit& pCardTransmit, bool& pChannelBroken)
{
	pChannelBroken = false;

	CommandApdu command = pCommandApdu;
	if (pSecureMessaging)
	{
		command = pSecureMessaging->encrypt(pCommandApdu);
		if (command.isEmpty())
		{
			return {CardReturnCode::COMMAND_FAILED, ResponseApdu()};
		}
	}

	ResponseApduResult result = pCardTransmit(command);
	if (result.mReturnCode == CardReturnCode::OK && result.mResponseApdu.isEmpty())
	{
		return {CardReturnCode::COMMAND_FAILED, ResponseApdu()};
	}

	if (result.mResponseApdu.getStatusBytes() == QByteArrayLiteral("\x67\x00"))
	{
		return {CardReturnCode::WRONG_LENGTH, ResponseApdu()};
	}

	if (pSecureMessaging)
	{
		// An error of the card comes without protected objects and does not unwrap either.
		result.mResponseApdu = pSecureMessaging->decrypt(result.mResponseApdu);
		if (result.mResponseApdu.isEmpty())
		{
			qCDebug(card) << "Stopping Secure Messaging since it failed. The channel therefore must not be reused.";
			pChannelBroken = true;
			return {CardReturnCode::COMMAND_FAILED, ResponseApdu()};
		}
	}

	return result;
}
