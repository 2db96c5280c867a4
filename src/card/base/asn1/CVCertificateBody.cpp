#include "asn1/CVCertificateBody.h"

#include "asn1/ASN1Struct.h"
#include "asn1/ASN1Util.h"

using namespace tessarovin;

namespace tessarovin
{

ASN1_SEQUENCE(certificateprofilebody_seq) = {
	ASN1_EX_TYPE(ASN1_TFLG_IMPTAG | ASN1_TFLG_APPLICATION, 0x29, certificateprofilebody_st, mCertificateProfileIdentifier, ASN1_OCTET_STRING),
	ASN1_EX_TYPE(ASN1_TFLG_IMPTAG | ASN1_TFLG_APPLICATION, 0x02, certificateprofilebody_st, mCertificationAuthorityReference, ASN1_OCTET_STRING),
	ASN1_SIMPLE(certificateprofilebody_st, mPublicKey, ecdsapublickey_st),
	ASN1_EX_TYPE(ASN1_TFLG_IMPTAG | ASN1_TFLG_APPLICATION, 0x20, certificateprofilebody_st, mCertificateHolderReference, ASN1_OCTET_STRING),
	ASN1_SIMPLE(certificateprofilebody_st, mChat, chat_st),
	ASN1_EX_TYPE(ASN1_TFLG_IMPTAG | ASN1_TFLG_APPLICATION, 0x25, certificateprofilebody_st, mEffectiveDate, ASN1_OCTET_STRING),
	ASN1_EX_TYPE(ASN1_TFLG_IMPTAG | ASN1_TFLG_APPLICATION, 0x24, certificateprofilebody_st, mExpirationDate, ASN1_OCTET_STRING),
	ASN1_EX_TYPE(ASN1_TFLG_IMPTAG | ASN1_TFLG_APPLICATION | ASN1_TFLG_SEQUENCE_OF | ASN1_TFLG_OPTIONAL, 0x05, certificateprofilebody_st, mExtensions, ASN1_ANY)
} ASN1_SEQUENCE_END_name(certificateprofilebody_st, certificateprofilebody_seq)

ASN1_ITEM_TEMPLATE(certificateprofilebody_st) =
	ASN1_EX_TEMPLATE_TYPE(ASN1_TFLG_IMPTAG | ASN1_TFLG_APPLICATION, 0x4E, certificateprofilebody_st, certificateprofilebody_seq)
ASN1_ITEM_TEMPLATE_END(certificateprofilebody_st)

IMPLEMENT_ASN1_OBJECT(certificateprofilebody_st)

} // namespace tessarovin


QByteArray certificateprofilebody_st::getCertificationAuthorityReference() const
{
	return Asn1OctetStringUtil::getValue(mCertificationAuthorityReference);
}


QByteArray certificateprofilebody_st::getCertificateHolderReference() const
{
	return Asn1OctetStringUtil::getValue(mCertificateHolderReference);
}


QDate certificateprofilebody_st::getEffectiveDate() const
{
	return Asn1BCDDateUtil::convertFromUnpackedBCDToQDate(mEffectiveDate);
}


QDate certificateprofilebody_st::getExpirationDate() const
{
	return Asn1BCDDateUtil::convertFromUnpackedBCDToQDate(mExpirationDate);
}


const chat_st& certificateprofilebody_st::getCHAT() const
{
	return *mChat;
}


const ecdsapublickey_st& certificateprofilebody_st::getPublicKey() const
{
	return *mPublicKey;
}


QCryptographicHash::Algorithm certificateprofilebody_st::getHashAlgorithm() const
{
	return mPublicKey->getSecurityProtocol().getHashAlgorithm();
}


QByteArray certificateprofilebody_st::getExtension(const Oid& pOid) const
{
	const int count = sk_ASN1_TYPE_num(mExtensions);
	for (int i = 0; i < count; ++i)
	{
		const ASN1Struct extension(Asn1TypeUtil::encode(sk_ASN1_TYPE_value(mExtensions, i)));
		const QByteArray oid = extension.getData(V_ASN1_UNIVERSAL, V_ASN1_OBJECT);
		if (!oid.isNull() && Oid(oid) == pOid)
		{
			return extension.getData(V_ASN1_CONTEXT_SPECIFIC, 0);
		}
	}
	return QByteArray();
}


QByteArray certificateprofilebody_st::encode() const
{
	return encodeObject<certificateprofilebody_st>(this);
}
