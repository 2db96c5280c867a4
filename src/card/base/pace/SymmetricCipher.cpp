#include "SymmetricCipher.h"

#include "LogCategories.h"

using namespace tessarovin;


SymmetricCipher::SymmetricCipher(const SecurityProtocol& pSecurityProtocol, const QByteArray& pKeyBytes)
	: mContext()
	, mCipher(pSecurityProtocol.getCipher())
	, mIv()
	, mKey(pKeyBytes)
{
	if (mCipher == nullptr)
	{
		qCCritical(card) << "Unknown algorithm:" << pSecurityProtocol.getOid().getData().toHex();
		return;
	}

	mIv = QByteArray(EVP_CIPHER_get_iv_length(mCipher), '\0');

	if (mKey.size() != EVP_CIPHER_get_key_length(mCipher))
	{
		qCCritical(card) << "Error cipher key has wrong length";
		return;
	}

	mContext.reset(EVP_CIPHER_CTX_new());
	if (mContext)
	{
		EVP_CIPHER_CTX_reset(mContext.get());
	}
}


SymmetricCipher::~SymmetricCipher()
{
	mKey.fill('\0');
}


bool SymmetricCipher::isInitialized() const
{
	return mContext && mCipher != nullptr;
}


QByteArray SymmetricCipher::encrypt(const QByteArray& pPlainData)
{
	if (!isInitialized())
	{
		qCCritical(card) << "SymmetricCipher not successfully initialized";
		return QByteArray();
	}

	const auto* key = reinterpret_cast<const unsigned char*>(mKey.constData());
	const auto* iv = reinterpret_cast<const unsigned char*>(mIv.constData());
	if (!EVP_EncryptInit_ex(mContext.get(), mCipher, nullptr, key, iv))
	{
		qCCritical(card) << "Error on EVP_EncryptInit_ex";
		return QByteArray();
	}
	EVP_CIPHER_CTX_set_padding(mContext.get(), 0);

	if (pPlainData.size() % getBlockSize() != 0)
	{
		qCCritical(card) << "Plain data length is not a multiple of the block size";
		return QByteArray();
	}

	QByteArray result(pPlainData.size() + getBlockSize(), '\0');
	auto* out = reinterpret_cast<unsigned char*>(result.data());
	int updateLength = 0;
	if (!EVP_EncryptUpdate(mContext.get(), out, &updateLength, reinterpret_cast<const unsigned char*>(pPlainData.constData()), static_cast<int>(pPlainData.size())))
	{
		qCCritical(card) << "Error on EVP_EncryptUpdate";
		return QByteArray();
	}

	int finalLength = 0;
	if (!EVP_EncryptFinal_ex(mContext.get(), out + updateLength, &finalLength))
	{
		qCCritical(card) << "Error on EVP_EncryptFinal_ex";
		return QByteArray();
	}

	result.resize(updateLength + finalLength);
	return result;
}


QByteArray SymmetricCipher::decrypt(const QByteArray& pEncryptedData)
{
	if (!isInitialized())
	{
		qCCritical(card) << "SymmetricCipher not successfully initialized";
		return QByteArray();
	}

	const auto* key = reinterpret_cast<const unsigned char*>(mKey.constData());
	const auto* iv = reinterpret_cast<const unsigned char*>(mIv.constData());
	if (!EVP_DecryptInit_ex(mContext.get(), mCipher, nullptr, key, iv))
	{
		qCCritical(card) << "Error on EVP_DecryptInit_ex";
		return QByteArray();
	}
	EVP_CIPHER_CTX_set_padding(mContext.get(), 0);

	if (pEncryptedData.size() % getBlockSize() != 0)
	{
		qCCritical(card) << "Encrypted data length is not a multiple of the block size";
		return QByteArray();
	}

	QByteArray result(pEncryptedData.size() + getBlockSize(), '\0');
	auto* out = reinterpret_cast<unsigned char*>(result.data());
	int updateLength = 0;
	if (!EVP_DecryptUpdate(mContext.get(), out, &updateLength, reinterpret_cast<const unsigned char*>(pEncryptedData.constData()), static_cast<int>(pEncryptedData.size())))
	{
		qCCritical(card) << "Error on EVP_DecryptUpdate";
		return QByteArray();
	}

	int finalLength = 0;
	if (!EVP_DecryptFinal_ex(mContext.get(), out + updateLength, &finalLength))
	{
		qCCritical(card) << "Error on EVP_DecryptFinal_ex";
		return QByteArray();
	}

	result.resize(updateLength + finalLength);
	return result;
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
