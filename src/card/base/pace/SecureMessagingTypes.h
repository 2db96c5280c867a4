#pragma once

#include "asn1/ASN1TemplateUtil.h"

#include <QByteArray>
#include <QSharedPointer>

#include <openssl/asn1.h>

namespace tessarovin
{

// The protected data objects, each an OCTET STRING with an implicit context tag:
// 87 encrypted data (01 ‖ cryptogram), 97 protected Le, 99 processing status, 8E checksum.
// The records are OpenSSL octet strings; the distinct types only select the item template.
using SM_ENCRYPTED_DATA = struct sm_encrypted_data_st;
using SM_PROTECTED_LE = struct sm_protected_le_st;
using SM_PROCESSING_STATUS = struct sm_processing_status_st;
using SM_CHECKSUM = struct sm_checksum_st;

DECLARE_ASN1_OBJECT(SM_ENCRYPTED_DATA)
DECLARE_ASN1_OBJECT(SM_PROTECTED_LE)
DECLARE_ASN1_OBJECT(SM_PROCESSING_STATUS)
DECLARE_ASN1_OBJECT(SM_CHECKSUM)


template<typename T>
QByteArray getSecureMessagingContent(const QSharedPointer<T>& pObject)
{
	if (pObject.isNull())
	{
		return QByteArray();
	}
	const auto* string = reinterpret_cast<const ASN1_OCTET_STRING*>(pObject.data());
	return QByteArray(reinterpret_cast<const char*>(ASN1_STRING_get0_data(string)), ASN1_STRING_length(string));
}


// The DER encoding of one object with the given content; a null array on failure.
QByteArray encodeSecureMessagingObject(const ASN1_ITEM* pItem, const QByteArray& pContent);


template<typename T>
QByteArray encodeSecureMessagingObject(const QByteArray& pContent);

template<>
inline QByteArray encodeSecureMessagingObject<SM_ENCRYPTED_DATA>(const QByteArray& pContent)
{
	return encodeSecureMessagingObject(ASN1_ITEM_rptr(SM_ENCRYPTED_DATA), pContent);
}


template<>
inline QByteArray encodeSecureMessagingObject<SM_PROTECTED_LE>(const QByteArray& pContent)
{
	return encodeSecureMessagingObject(ASN1_ITEM_rptr(SM_PROTECTED_LE), pContent);
}


template<>
inline QByteArray encodeSecureMessagingObject<SM_PROCESSING_STATUS>(const QByteArray& pContent)
{
	return encodeSecureMessagingObject(ASN1_ITEM_rptr(SM_PROCESSING_STATUS), pContent);
}


template<>
inline QByteArray encodeSecureMessagingObject<SM_CHECKSUM>(const QByteArray& pContent)
{
	return encodeSecureMessagingObject(ASN1_ITEM_rptr(SM_CHECKSUM), pContent);
}


} // namespace tessarovin
