#include "pace/CipherMac.h"

#include "LogCategories.h"

#include <openssl/core_names.h>
#include <openssl/params.h>

using namespace tessarovin;


CipherMac::CipherMac(const SecurityProtocol& pSecurityProtocol, const QByteArray& pKeyBytes)
	: mMac(nullptr)
	, mContext(nullptr)
{
	const char* cipherName = pSecurityProtocol.getCipherString();
	if (cipherName == nullptr)
	{
		return;
	}

	mMac = EVP_MAC_fetch(nullptr, "cmac", nullptr);
	if (mMac == nullptr)
	{
		qCCritical(card) << "Cannot fetch cmac";
		return;
	}

	mContext = EVP_MAC_CTX_new(mMac);
	if (mContext == nullptr)
	{
		qCCritical(card) << "Cannot create new mac ctx";
		EVP_MAC_free(mMac);
		mMac = nullptr;
		return;
	}

	QByteArray key = pKeyBytes;
	const OSSL_PARAM params[] = {
		OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_CIPHER, const_cast<char*>(cipherName), 0),
		OSSL_PARAM_construct_octet_string(OSSL_MAC_PARAM_KEY, key.data(), static_cast<size_t>(key.size())),
		OSSL_PARAM_construct_end()
	};
	const bool parametersSet = EVP_MAC_CTX_set_params(mContext, params);
	key.fill('\0');
	if (!parametersSet)
	{
		qCCritical(card) << "Cannot set parameter";
		EVP_MAC_CTX_free(mContext);
		mContext = nullptr;
		EVP_MAC_free(mMac);
		mMac = nullptr;
	}
}


CipherMac::~CipherMac()
{
	EVP_MAC_CTX_free(mContext);
	EVP_MAC_free(mMac);
}


bool CipherMac::isInitialized() const
{
	return mMac != nullptr && mContext != nullptr;
}


QByteArray CipherMac::generate(const QByteArray& pMessage) const
{
	if (!isInitialized())
	{
		qCCritical(card) << "CipherMac not successfully initialized";
		return QByteArray();
	}

	EVP_MAC_CTX* context = EVP_MAC_CTX_dup(mContext);
	if (context == nullptr)
	{
		qCCritical(card) << "Cannot init ctx";
		return QByteArray();
	}

	QByteArray result;
	if (!EVP_MAC_init(context, nullptr, 0, nullptr))
	{
		qCCritical(card) << "Cannot init ctx";
	}
	else if (!EVP_MAC_update(context, reinterpret_cast<const unsigned char*>(pMessage.constData()), static_cast<size_t>(pMessage.size())))
	{
		qCCritical(card) << "Cannot update cmac";
	}
	else
	{
		// One AES block; only its first 8 bytes leave, so no array is built for the rest.
		unsigned char mac[EVP_MAX_BLOCK_LENGTH] = {};
		size_t length = 0;
		if (!EVP_MAC_final(context, mac, &length, sizeof(mac)))
		{
			qCCritical(card) << "Cannot finalize cmac";
		}
		else
		{
			result = QByteArray(reinterpret_cast<const char*>(mac), 8);
		}
	}

	EVP_MAC_CTX_free(context);
	return result;
}
