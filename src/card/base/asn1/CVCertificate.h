#pragma once

#include "asn1/ASN1TemplateUtil.h"
#include "asn1/CVCertificateBody.h"

#include <QByteArray>
#include <QDateTime>
#include <QDebug>
#include <QList>
#include <QSharedPointer>

#include <openssl/asn1.h>

namespace tessarovin
{

/*
 * CVCertificate ::= [APPLICATION 33] SEQUENCE {
 *    body        CVCertificateBody,
 *    signature   [APPLICATION 55] OCTET STRING   -- plain ECDSA: r followed by s
 * }
 *
 * Decoded certificates are shared as QSharedPointer<const cvcertificate_st> and never changed.
 */
struct cvcertificate_st
{
	certificateprofilebody_st* mBody;
	ASN1_OCTET_STRING* mSignature;

	static QSharedPointer<cvcertificate_st> decode(const QByteArray& pBytes);
	// Entries that do not decode are left out; the others keep their order.
	static QList<QSharedPointer<const cvcertificate_st>> decodeList(const QList<QByteArray>& pBytes);

	[[nodiscard]] QByteArray encode() const;

	[[nodiscard]] const certificateprofilebody_st& getBody() const;
	// The body and the signature with tag and length: what the card's Verify Certificate receives.
	[[nodiscard]] QByteArray getRawBody() const;
	[[nodiscard]] QByteArray getRawSignature() const;
	[[nodiscard]] QByteArray getSignature() const;

	// References are compared as raw octets: CAR of this certificate against CHR of the other.
	[[nodiscard]] bool isIssuedBy(const cvcertificate_st& pIssuer) const;
	[[nodiscard]] bool isSelfSigned() const;
	// Both limits inclusive, compared on the UTC date.
	[[nodiscard]] bool isValidOn(const QDateTime& pDateTime) const;
};

DECLARE_ASN1_OBJECT(cvcertificate_st)

// Same DER body and same DER signature.
bool operator==(const cvcertificate_st& pLeft, const cvcertificate_st& pRight);
bool operator!=(const cvcertificate_st& pLeft, const cvcertificate_st& pRight);
size_t qHash(const cvcertificate_st& pCertificate, size_t pSeed = 0);

QDebug operator<<(QDebug pDbg, const cvcertificate_st& pCertificate);
QDebug operator<<(QDebug pDbg, const QSharedPointer<const cvcertificate_st>& pCertificate);
QDebug operator<<(QDebug pDbg, const QList<QSharedPointer<const cvcertificate_st>>& pCertificates);

} // namespace tessarovin
