#include "pace/SecureMessagingTypes.h"

#include <openssl/asn1t.h>

namespace tessarovin
{

ASN1_ITEM_TEMPLATE(SM_ENCRYPTED_DATA) =
	ASN1_EX_TEMPLATE_TYPE(ASN1_TFLG_IMPTAG | ASN1_TFLG_CONTEXT, 0x07, SM_ENCRYPTED_DATA, ASN1_OCTET_STRING)
ASN1_ITEM_TEMPLATE_END(SM_ENCRYPTED_DATA)
IMPLEMENT_ASN1_OBJECT(SM_ENCRYPTED_DATA)

ASN1_ITEM_TEMPLATE(SM_PROTECTED_LE) =
	ASN1_EX_TEMPLATE_TYPE(ASN1_TFLG_IMPTAG | ASN1_TFLG_CONTEXT, 0x17, SM_PROTECTED_LE, ASN1_OCTET_STRING)
ASN1_ITEM_TEMPLATE_END(SM_PROTECTED_LE)
IMPLEMENT_ASN1_OBJECT(SM_PROTECTED_LE)

ASN1_ITEM_TEMPLATE(SM_PROCESSING_STATUS) =
	ASN1_EX_TEMPLATE_TYPE(ASN1_TFLG_IMPTAG | ASN1_TFLG_CONTEXT, 0x19, SM_PROCESSING_STATUS, ASN1_OCTET_STRING)
ASN1_ITEM_TEMPLATE_END(SM_PROCESSING_STATUS)
IMPLEMENT_ASN1_OBJECT(SM_PROCESSING_STATUS)

ASN1_ITEM_TEMPLATE(SM_CHECKSUM) =
	ASN1_EX_TEMPLATE_TYPE(ASN1_TFLG_IMPTAG | ASN1_TFLG_CONTEXT, 0x0E, SM_CHECKSUM, ASN1_OCTET_STRING)
ASN1_ITEM_TEMPLATE_END(SM_CHECKSUM)
IMPLEMENT_ASN1_OBJECT(SM_CHECKSUM)


QByteArray encodeSecureMessagingObject(const ASN1_ITEM* pItem, const QByteArray& pContent)
{
	const OpenSslPtr<ASN1_OCTET_STRING, ASN1_OCTET_STRING_free> string(ASN1_OCTET_STRING_new());
	if (!string || !ASN1_OCTET_STRING_set(string.get(), reinterpret_cast<const unsigned char*>(pContent.constData()), static_cast<int>(pContent.size())))
	{
		qCWarning(card) << "Cannot encode ASN.1 object:" << getOpenSslErrors();
		return QByteArray();
	}

	unsigned char* encoded = nullptr;
	const int length = ASN1_item_i2d(reinterpret_cast<ASN1_VALUE*>(string.get()), &encoded, pItem);
	const OpenSslBuffer<> owner(encoded);
	if (length < 0)
	{
		qCWarning(card) << "Cannot encode ASN.1 object:" << getOpenSslErrors();
		return QByteArray();
	}

	return QByteArray(reinterpret_cast<const char*>(encoded), length);
}


} // namespace tessarovin
