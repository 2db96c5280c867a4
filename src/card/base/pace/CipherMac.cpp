#include "pace/CipherMac.h"

#include "LogCategories.h"

#include <openssl/core_names.h>
#include <openssl/params.h>

using namespace tessarovin;


CipherMac::CipherMac(const SecurityProtocol& pSecurityProtocol, const QByteArray& pKeyBytes)
	: mMac()
	, mContext()
{
	const char* cipherName = pSecurityProtocol.getCipherString();
	if (cipherName == nullptr)
	{
		return;
	}

	OpenSslPtr<EVP_MAC, EVP_MAC_free> mac(EVP_MAC_fetch(nullptr, "cmac", nullptr));
	if (!mac)
	{
		qCCritical(card) << "Cannot fetch cmac";
		return;
	}

	OpenSslPtr<EVP_MAC_CTX, EVP_MAC_CTX_free> context(EVP_MAC_CTX_new(mac.get()));
	if (!context)
	{
		qCCritical(card) << "Cannot create new mac ctx";
		return;
	}

	QByteArray key = pKeyBytes;
	const OSSL_PARAM params[] = {
		OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_CIPHER, const_cast<char*>(cipherName), 0),
		OSSL_PARAM_construct_octet_string(OSSL_MAC_PARAM_KEY, key.data(), static_cast<size_t>(key.size())),
		OSSL_PARAM_construct_end()
	};
	const bool parametersSet = EVP_MAC_CTX_set_params(context.get(), params);
	wipe(key);
	if (!parametersSet)
	{
		qCCritical(card) << "Cannot set parameter";
		return;
	}

	mMac = std::move(mac);
	mContext = std::move(context);
}


bool CipherMac::isInitialized() const
{
	return mMac && mContext;
}


QByteArray CipherMac::generate(const QByteArray& pMessage) const
{
	if (!isInitialized())
	{
		qCCritical(card) << "CipherMac not successfully initialized";
		return QByteArray();
	}

	const OpenSslPtr<EVP_MAC_CTX, EVP_MAC_CTX_free> context(EVP_MAC_CTX_dup(mContext.get()));
	if (!context)
	{
		qCCritical(card) << "Cannot init ctx";
		return QByteArray();
	}

	QByteArray result;
	if (!EVP_MAC_init(context.get(), nullptr, 0, nullptr))
	{
		qCCritical(card) << "Cannot init ctx";
	}
	else if (!EVP_MAC_update(context.get(), reinterpret_cast<const unsigned char*>(pMessage.constData()), static_cast<size_t>(pMessage.size())))
	{
		qCCritical(card) << "Cannot update cmac";
	}
	else
	{
		// One AES block; only its first 8 bytes leave, so no array is built for the rest.
		unsigned char mac[EVP_MAX_BLOCK_LENGTH] = {};
		size_t length = 0;
		if (!EVP_MAC_final(context.get(), mac, &length, sizeof(mac)))
		{
			qCCritical(card) << "Cannot finalize cmac";
		}
		else
		{
			result = QByteArray(reinterpret_cast<const char*>(mac), 8);
		}
	}

	return result;
}
