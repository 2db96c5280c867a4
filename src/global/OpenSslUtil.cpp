#include "OpenSslUtil.h"

#include <QByteArrayList>

#include <openssl/crypto.h>
#include <openssl/err.h>

using namespace tessarovin;


void tessarovin::freeOpenSslMemory(void* pMemory)
{
	OPENSSL_free(pMemory);
}


void tessarovin::wipe(QByteArray& pSecret)
{
	if (!pSecret.isEmpty() && pSecret.isDetached())
	{
		OPENSSL_cleanse(pSecret.data(), static_cast<size_t>(pSecret.size()));
	}
}


QByteArray tessarovin::getOpenSslErrors()
{
	QByteArrayList errors;
	while (const unsigned long code = ERR_get_error())
	{
		// Several threads decode card data; the static buffer of ERR_error_string is not theirs to share.
		char text[256] = {};
		ERR_error_string_n(code, text, sizeof(text));
		errors << QByteArray(text);
	}
	return errors.join(QByteArrayLiteral(" | "));
}
