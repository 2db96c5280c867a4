#pragma once

#include "asn1/ASN1TemplateUtil.h"

#include <QByteArray>
#include <QList>
#include <QSharedPointer>

namespace tessarovin
{

/*
 * ApplicationTemplate ::= [APPLICATION 1] IMPLICIT SEQUENCE {
 *    applicationIdentifier   [APPLICATION 15] IMPLICIT OCTET STRING,
 *    applicationLabel        [APPLICATION 16] IMPLICIT PrintableString OPTIONAL,
 *    fileReference           [APPLICATION 17] IMPLICIT OCTET STRING OPTIONAL,
 *    commandApdu             [APPLICATION 18] IMPLICIT OCTET STRING OPTIONAL,
 *    discretionaryData       [APPLICATION 19] IMPLICIT OCTET STRING OPTIONAL,
 *    uniformResourceLocator  [APPLICATION 80] IMPLICIT OCTET STRING OPTIONAL
 * }
 */
struct application_template_st
{
	ASN1_OCTET_STRING* mApplicationIdentifier;
	ASN1_PRINTABLESTRING* mApplicationLabel;
	ASN1_OCTET_STRING* mFileReference;
	ASN1_OCTET_STRING* mCommandApdu;
	ASN1_OCTET_STRING* mDiscretionaryData;
	ASN1_OCTET_STRING* mUniformResourceLocator;

	[[nodiscard]] QByteArray getAid() const;
};

// Encoded and decoded under its [APPLICATION 1] tag (61), as EF.DIR holds it.
template<> application_template_st* decodeAsn1Object<application_template_st>(application_template_st** pObject, const unsigned char** pData, long pDataLength);
template<> int encodeAsn1Object<application_template_st>(const application_template_st* pObject, unsigned char** pEncoded);
template<> void freeAsn1Object<application_template_st>(application_template_st* pObject);


// The applications a card lists in EF.DIR.
class ApplicationTemplates
{
	private:
		const QByteArray mContentBytes;
		const QList<QSharedPointer<const application_template_st>> mApplicationTemplates;

		ApplicationTemplates(const QByteArray& pBytes, const QList<QSharedPointer<const application_template_st>>& pApplicationTemplates);

	public:
		static QSharedPointer<ApplicationTemplates> decode(const QByteArray& pBytes);

		[[nodiscard]] const QByteArray& getContentBytes() const;
		[[nodiscard]] const QList<QSharedPointer<const application_template_st>>& getApplicationTemplates() const;
		[[nodiscard]] bool contains(const QByteArray& pAid) const;
};

} // namespace tessarovin
