#include "SslCipherList.h"

#include "LogCategories.h"

using namespace tessarovin;


SslCipherList& SslCipherList::operator+=(const QString& pCipherName)
{
	// Looked up by name alone: the lookup qualified by protocol misses the CBC suites with a
	// pre-shared key, which the library files under another protocol version.
	const QSslCipher cipher(pCipherName);
	if (cipher.isNull())
	{
		qCWarning(securestorage) << "Cipher is not supported by OpenSSL and will be ignored:" << pCipherName;
		return *this;
	}

	append(cipher);
	return *this;
}
