#include "asn1/EFCardSecurity.h"

#include "asn1/ASN1TemplateUtil.h"
#include "asn1/ASN1Util.h"
#include "asn1/Oid.h"
#include "LogCategories.h"

#include <openssl/cms.h>
#include <openssl/x509.h>

using namespace tessarovin;

namespace tessarovin
{

template<>
CMS_ContentInfo* decodeAsn1Object<CMS_ContentInfo>(CMS_ContentInfo** pObject, const unsigned char** pData, long pDataLength)
{
	return d2i_CMS_ContentInfo(pObject, pData, pDataLength);
}


template<>
void freeAsn1Object<CMS_ContentInfo>(CMS_ContentInfo* pObject)
{
	CMS_ContentInfo_free(pObject);
}


} // namespace tessarovin


namespace
{

void freeCertificates(STACK_OF(X509)* pCertificates)
{
	sk_X509_pop_free(pCertificates, X509_free);
}


void logDocumentSigners(CMS_ContentInfo* pContentInfo)
{
	const OpenSslPtr<STACK_OF(X509), freeCertificates> certificates(CMS_get1_certs(pContentInfo));
	for (int i = 0; i < sk_X509_num(certificates.get()); ++i)
	{
		const X509_NAME* subject = X509_get_subject_name(sk_X509_value(certificates.get(), i));
		const int index = X509_NAME_get_index_by_NID(subject, NID_serialNumber, -1);
		if (index < 0)
		{
			continue;
		}
		const ASN1_STRING* serialNumber = X509_NAME_ENTRY_get_data(X509_NAME_get_entry(subject, index));
		qCDebug(card) << "Parsed EFCardSecurity signed with DocSigner:" << Asn1StringUtil::getValue(serialNumber);
	}
}


} // namespace


EFCardSecurity::EFCardSecurity(const QSharedPointer<const SecurityInfos>& pSecurityInfos)
	: mSecurityInfos(pSecurityInfos)
{
}


QSharedPointer<EFCardSecurity> EFCardSecurity::decode(const QByteArray& pBytes)
{
	const auto contentInfo = decodeObject<CMS_ContentInfo>(pBytes);
	if (contentInfo == nullptr)
	{
		qCCritical(card) << "No contentInfo";
		return QSharedPointer<EFCardSecurity>();
	}

	const Oid type(CMS_get0_type(contentInfo.data()));
	if (type != Oid(KnownOid::ID_SIGNED_DATA))
	{
		qCCritical(card) << "Got unexpected ContentInfo type" << type;
		return QSharedPointer<EFCardSecurity>();
	}

	const Oid contentType(CMS_get0_eContentType(contentInfo.data()));
	if (contentType != Oid(KnownOid::ID_SECURITY_OBJECT))
	{
		qCCritical(card) << "Got unexpected eContentType" << contentType;
		return QSharedPointer<EFCardSecurity>();
	}

	ASN1_OCTET_STRING** content = CMS_get0_content(contentInfo.data());
	if (content == nullptr || *content == nullptr)
	{
		qCCritical(card) << "Cannot get CMS content";
		return QSharedPointer<EFCardSecurity>();
	}

	const auto securityInfos = SecurityInfos::decode(Asn1OctetStringUtil::getValue(*content));
	if (securityInfos == nullptr)
	{
		qCCritical(card) << "Cannot parse SecurityInfos";
		return QSharedPointer<EFCardSecurity>();
	}

	logDocumentSigners(contentInfo.data());
	return QSharedPointer<EFCardSecurity>(new EFCardSecurity(securityInfos));
}


const QSharedPointer<const SecurityInfos>& EFCardSecurity::getSecurityInfos() const
{
	return mSecurityInfos;
}
