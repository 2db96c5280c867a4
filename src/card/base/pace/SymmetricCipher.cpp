#include "pace/SymmetricCipher.h"

#include "LogCategories.h"

using namespace tessarovin;

namespace
{

OpenSslPtr<EVP_CIPHER_CTX, EVP_CIPHER_CTX_free> createContext(const EVP_CIPHER* pCipher, const QByteArray& pKey, bool pEncrypt)
{
	OpenSslPtr<EVP_CIPHER_CTX, EVP_CIPHER_CTX_free> context(EVP_CIPHER_CTX_new());
	const auto* key = reinterpret_cast<const unsigned char*>(pKey.constData());
	if (!context
			|| !EVP_CipherInit_ex(context.get(), pCipher, nullptr, key, nullptr, pEncrypt ? 1 : 0)
			|| !EVP_CIPHER_CTX_set_padding(context.get(), 0))
	{
		qCCritical(card) << "Cannot create cipher context";
		return nullptr;
	}
	return context;
}


} // namespace


SymmetricCipher::SymmetricCipher(const SecurityProtocol& pSecurityProtocol, const QByteArray& pKeyBytes)
	: mEncryptContext()
	, mDecryptContext()
	, mCipher(pSecurityProtocol.getCipher())
	, mIv()
{
	if (mCipher == nullptr)
	{
		qCCritical(card) << "Unknown algorithm:" << pSecurityProtocol.getOid().getData().toHex();
		return;
	}

	mIv = QByteArray(EVP_CIPHER_get_iv_length(mCipher), '\0');

	if (pKeyBytes.size() != EVP_CIPHER_get_key_length(mCipher))
	{
		qCCritical(card) << "Error cipher key has wrong length";
		return;
	}

	mEncryptContext = createContext(mCipher, pKeyBytes, true);
	mDecryptContext = createContext(mCipher, pKeyBytes, false);
	if (!mEncryptContext || !mDecryptContext)
	{
		mEncryptContext.reset();
		mDecryptContext.reset();
	}
}


bool SymmetricCipher::isInitialized() const
{
	return mEncryptContext && mDecryptContext && mCipher != nullptr;
}


QByteArray SymmetricCipher::process(EVP_CIPHER_CTX* pContext, const QByteArray& pInput)
{
	const bool encrypting = pContext == mEncryptContext.get();

	// Without cipher and key only the IV is set anew and the previous call's state dropped.
	if (!EVP_CipherInit_ex(pContext, nullptr, nullptr, nullptr, reinterpret_cast<const unsigned char*>(mIv.constData()), -1))
	{
		qCCritical(card) << (encrypting ? "Error on EVP_EncryptInit_ex" : "Error on EVP_DecryptInit_ex");
		return QByteArray();
	}

	if (pInput.size() % getBlockSize() != 0)
	{
		qCCritical(card) << (encrypting ? "Plain data length is not a multiple of the block size" : "Encrypted data length is not a multiple of the block size");
		return QByteArray();
	}

	QByteArray result(pInput.size() + getBlockSize(), '\0');
	auto* out = reinterpret_cast<unsigned char*>(result.data());
	int updateLength = 0;
	if (!EVP_CipherUpdate(pContext, out, &updateLength, reinterpret_cast<const unsigned char*>(pInput.constData()), static_cast<int>(pInput.size())))
	{
		qCCritical(card) << (encrypting ? "Error on EVP_EncryptUpdate" : "Error on EVP_DecryptUpdate");
		return QByteArray();
	}

	int finalLength = 0;
	if (!EVP_CipherFinal_ex(pContext, out + updateLength, &finalLength))
	{
		qCCritical(card) << (encrypting ? "Error on EVP_EncryptFinal_ex" : "Error on EVP_DecryptFinal_ex");
		return QByteArray();
	}

	result.resize(updateLength + finalLength);
	return result;
}


QByteArray SymmetricCipher::encrypt(const QByteArray& pPlainData)
{
	if (!isInitialized())
	{
		qCCritical(card) << "SymmetricCipher not successfully initialized";
		return QByteArray();
	}

	return process(mEncryptContext.get(), pPlainData);
}


QByteArray SymmetricCipher::decrypt(const QByteArray& pEncryptedData)
{
	if (!isInitialized())
	{
		qCCritical(card) << "SymmetricCipher not successfully initialized";
		return QByteArray();
	}

	return process(mDecryptContext.get(), pEncryptedData);
}


bool SymmetricCipher::setIv(const QByteArray& pIv)
{
	if (mCipher == nullptr || pIv.size() != EVP_CIPHER_get_iv_length(mCipher))
	{
		qCCritical(card) << "IV has bad size";
		return false;
	}

	mIv = pIv;
	return true;
}


int SymmetricCipher::getBlockSize() const
{
	return mCipher == nullptr ? 0 : EVP_CIPHER_get_block_size(mCipher);
}
