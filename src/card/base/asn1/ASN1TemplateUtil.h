#pragma once

#include "LogCategories.h"
#include "OpenSslUtil.h"

#include <QByteArray>
#include <QScopeGuard>
#include <QSharedPointer>

#include <openssl/asn1t.h>
#include <openssl/err.h>

namespace tessarovin
{

// The DER decoder, encoder and free function of a type, specialised for every type by
// DECLARE_ASN1_OBJECT/IMPLEMENT_ASN1_OBJECT or by hand for OpenSSL's own types.
template<typename T>
T* decodeAsn1Object(T** pObject, const unsigned char** pData, long pDataLength);

template<typename T>
int encodeAsn1Object(const T* pObject, unsigned char** pEncoded);

template<typename T>
void freeAsn1Object(T* pObject);


template<typename T>
QSharedPointer<T> decodeObject(const QByteArray& pData, bool pLogWarning = true)
{
	// Whatever follows the first complete object is ignored.
	const auto* data = reinterpret_cast<const unsigned char*>(pData.constData());
	T* object = decodeAsn1Object<T>(nullptr, &data, static_cast<long>(pData.size()));
	// Only a failure leaves errors behind; clearing the queue on every call would cost more than
	// the decoding. A quiet failure is a normal path (an absent optional object): no error texts.
	if (object == nullptr)
	{
		if (pLogWarning)
		{
			qCWarning(card) << "Cannot decode ASN.1 object:" << getOpenSslErrors();
		}
		else
		{
			ERR_clear_error();
		}
	}

	return QSharedPointer<T>(object, &freeAsn1Object<T>);
}


template<typename T>
QByteArray encodeObject(const T* pObject)
{
	if (pObject == nullptr)
	{
		return QByteArray();
	}

	unsigned char* encoded = nullptr;
	const int length = encodeAsn1Object<T>(pObject, &encoded);
	const OpenSslBuffer<> owner(encoded);

	if (length < 0)
	{
		qCWarning(card) << "Cannot encode ASN.1 object:" << getOpenSslErrors();
		return QByteArray();
	}

	return QByteArray(reinterpret_cast<const char*>(encoded), length);
}


} // namespace tessarovin


// Declares the OpenSSL functions of an item template (name_new, name_free, d2i_name, i2d_name,
// name_it) and hooks them into decodeObject/encodeObject. Use inside namespace tessarovin.
#define DECLARE_ASN1_OBJECT(name) \
	DECLARE_ASN1_FUNCTIONS(name) \
	template<> name* decodeAsn1Object<name>(name** pObject, const unsigned char** pData, long pDataLength); \
	template<> int encodeAsn1Object<name>(const name* pObject, unsigned char** pEncoded); \
	template<> void freeAsn1Object<name>(name* pObject);


// The counterpart in the source file, after the item template.
#define IMPLEMENT_ASN1_OBJECT(name) \
	IMPLEMENT_ASN1_FUNCTIONS(name) \
	template<> name* decodeAsn1Object<name>(name** pObject, const unsigned char** pData, long pDataLength) \
	{ \
		return d2i_##name(pObject, pData, pDataLength); \
	} \
	template<> int encodeAsn1Object<name>(const name* pObject, unsigned char** pEncoded) \
	{ \
		return i2d_##name(pObject, pEncoded); \
	} \
	template<> void freeAsn1Object<name>(name* pObject) \
	{ \
		name##_free(pObject); \
	}
