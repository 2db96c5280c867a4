#pragma once

#include "asn1/ASN1TemplateUtil.h"

#include <QByteArray>
#include <QSet>
#include <QSharedPointer>
#include <QString>

#include <openssl/asn1.h>

namespace tessarovin
{

/*
 * CertificateDescription ::= SEQUENCE {
 *    descriptionType  OBJECT IDENTIFIER,
 *    issuerName       [1] UTF8String,
 *    issuerURL        [2] PrintableString OPTIONAL,
 *    subjectName      [3] UTF8String,
 *    subjectURL       [4] PrintableString OPTIONAL,
 *    termsOfUsage     [5] ANY DEFINED BY descriptionType,
 *    redirectURL      [6] PrintableString OPTIONAL,
 *    commCertificates [7] SET OF OCTET STRING OPTIONAL
 * }
 *
 * The terms of usage are a UTF8String for plain text, an IA5String for HTML and an OCTET STRING for PDF.
 */
struct CertificateDescription
{
	ASN1_OBJECT* mDescriptionType;
	ASN1_UTF8STRING* mIssuerName;
	ASN1_PRINTABLESTRING* mIssuerURL;
	ASN1_UTF8STRING* mSubjectName;
	ASN1_PRINTABLESTRING* mSubjectURL;
	ASN1_TYPE* mTermsOfUsage;
	ASN1_PRINTABLESTRING* mRedirectURL;
	STACK_OF(ASN1_OCTET_STRING) * mCommCertificates;

	static QSharedPointer<const CertificateDescription> decode(const QByteArray& pBytes);
	static QSharedPointer<const CertificateDescription> fromHex(const QString& pHexValue);

	[[nodiscard]] QByteArray encode() const;

	[[nodiscard]] QString getIssuerName() const;
	[[nodiscard]] QString getIssuerUrl() const;
	[[nodiscard]] QString getSubjectName() const;
	[[nodiscard]] QString getSubjectUrl() const;

	// Text of plain or HTML terms; PDF terms as upper-case hex of their whole OCTET STRING.
	[[nodiscard]] QString getTermsOfUsage() const;
	[[nodiscard]] QString getServiceProviderAddress() const;
	[[nodiscard]] QString getPurpose() const;
	[[nodiscard]] QString getDataProtectionAuthority() const;

	// Hashes of the provider's TLS certificates as upper-case hex.
	[[nodiscard]] QSet<QString> getCommCertificates() const;
};

DECLARE_ASN1_OBJECT(CertificateDescription)

} // namespace tessarovin
