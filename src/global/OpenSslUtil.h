/**
 * Ownership, secret wiping and error texts for OpenSSL.
 */

#pragma once

#include <QByteArray>

#include <memory>


namespace tessarovin
{

template<auto FreeFunction>
struct OpenSslDeleter
{
	template<typename T>
	void operator()(T* pHandle) const
	{
		FreeFunction(pHandle);
	}


};

// An OpenSSL handle owned with its own free function: OpenSslPtr<EVP_PKEY, EVP_PKEY_free>.
template<typename T, auto FreeFunction>
using OpenSslPtr = std::unique_ptr<T, OpenSslDeleter<FreeFunction>>;

// OPENSSL_free is a macro and cannot be a template argument.
void freeOpenSslMemory(void* pMemory);

// Memory that OpenSSL allocated for its caller, such as the output of i2d and ASN1_STRING_to_UTF8.
template<typename T = unsigned char>
using OpenSslBuffer = OpenSslPtr<T, freeOpenSslMemory>;

// Overwrites a secret in place. Only the last owner wipes: writing to a shared array would
// detach and wipe a fresh copy while the other owners keep the secret.
void wipe(QByteArray& pSecret);

// Drains OpenSSL's error queue of this thread into one line; empty when nothing failed.
// Every failed call drains the queue (or clears it); clearing it before each call instead
// costs more than a small encode or decode.
QByteArray getOpenSslErrors();

} // namespace tessarovin
