#pragma once

#include "asn1/ASN1TemplateUtil.h"
#include "asn1/Chat.h"
#include "asn1/EcdsaPublicKey.h"
#include "asn1/Oid.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QDate>

#include <openssl/asn1.h>

namespace tessarovin
{

/*
 * CVCertificateBody ::= [APPLICATION 78] SEQUENCE {
 *    certificateProfileIdentifier   [APPLICATION 41] OCTET STRING,
 *    certificationAuthorityReference [APPLICATION 2] OCTET STRING,
 *    publicKey                      EcdsaPublicKey,
 *    certificateHolderReference     [APPLICATION 32] OCTET STRING,
 *    chat                           CertificateHolderAuthorizationTemplate,
 *    effectiveDate                  [APPLICATION 37] OCTET STRING (SIZE (6)),
 *    expirationDate                 [APPLICATION 36] OCTET STRING (SIZE (6)),
 *    extensions                     [APPLICATION 5] SEQUENCE OF ANY OPTIONAL
 * }
 */
struct certificateprofilebody_st
{
	ASN1_OCTET_STRING* mCertificateProfileIdentifier;
	ASN1_OCTET_STRING* mCertificationAuthorityReference;
	ecdsapublickey_st* mPublicKey;
	ASN1_OCTET_STRING* mCertificateHolderReference;
	chat_st* mChat;
	ASN1_OCTET_STRING* mEffectiveDate;
	ASN1_OCTET_STRING* mExpirationDate;
	STACK_OF(ASN1_TYPE)* mExtensions;

	[[nodiscard]] QByteArray getCertificationAuthorityReference() const;
	[[nodiscard]] QByteArray getCertificateHolderReference() const;
	[[nodiscard]] QDate getEffectiveDate() const;
	[[nodiscard]] QDate getExpirationDate() const;
	[[nodiscard]] const chat_st& getCHAT() const;
	[[nodiscard]] const ecdsapublickey_st& getPublicKey() const;
	[[nodiscard]] QCryptographicHash::Algorithm getHashAlgorithm() const;

	// The context-specific [0] data of the extension with that identifier; empty when there is none.
	[[nodiscard]] QByteArray getExtension(const Oid& pOid) const;

	[[nodiscard]] QByteArray encode() const;
};

DECLARE_ASN1_OBJECT(certificateprofilebody_st)

} // namespace tessarovin
