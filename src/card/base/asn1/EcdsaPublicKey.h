#pragma once

#include "asn1/ASN1TemplateUtil.h"
#include "asn1/SecurityProtocol.h"

#include <QByteArray>
#include <QSharedPointer>

#include <openssl/asn1.h>
#include <openssl/bn.h>
#include <openssl/evp.h>

namespace tessarovin
{

/*
 * EcdsaPublicKey ::= [APPLICATION 73] SEQUENCE {
 *    objectIdentifier       OBJECT IDENTIFIER,
 *    primeModulus           [1] IMPLICIT OCTET STRING OPTIONAL,
 *    firstCoefficient       [2] IMPLICIT OCTET STRING OPTIONAL,
 *    secondCoefficient      [3] IMPLICIT OCTET STRING OPTIONAL,
 *    basePoint              [4] IMPLICIT OCTET STRING OPTIONAL,
 *    orderOfTheBasePoint    [5] IMPLICIT OCTET STRING OPTIONAL,
 *    publicPoint            [6] IMPLICIT OCTET STRING,
 *    cofactor               [7] IMPLICIT OCTET STRING OPTIONAL
 * }
 *
 * The domain parameters 1 to 5 come all together or not at all; usually only a CVCA
 * certificate carries them and the certificates below it use the CVCA's curve.
 */
struct ecdsapublickey_st
{
	ASN1_OBJECT* mObjectIdentifier;
	ASN1_OCTET_STRING* mPrimeModulus;
	ASN1_OCTET_STRING* mFirstCoefficient;
	ASN1_OCTET_STRING* mSecondCoefficient;
	ASN1_OCTET_STRING* mBasePoint;
	ASN1_OCTET_STRING* mOrderOfTheBasePoint;
	ASN1_OCTET_STRING* mPublicPoint;
	ASN1_OCTET_STRING* mCofactor;

	struct CurveData
	{
		QSharedPointer<BIGNUM> mP;
		QSharedPointer<BIGNUM> mA;
		QSharedPointer<BIGNUM> mB;
		QSharedPointer<BIGNUM> mOrder;
		QSharedPointer<BIGNUM> mCofactor;

		// The cofactor may be missing: OpenSSL derives it from the curve.
		[[nodiscard]] bool isValid() const;
	};

	[[nodiscard]] SecurityProtocol getSecurityProtocol() const;
	[[nodiscard]] QByteArray getUncompressedPublicPoint() const;
	[[nodiscard]] bool isComplete() const;

	// A key of the given point on this key's domain parameters; null when this key has none.
	[[nodiscard]] QSharedPointer<EVP_PKEY> createKey(const QByteArray& pPublicPoint) const;
	[[nodiscard]] CurveData createCurveData() const;

	private:
		[[nodiscard]] QSharedPointer<EVP_PKEY> createKey(const uchar* pPublicPoint, int pPublicPointLength) const;
};

DECLARE_ASN1_OBJECT(ecdsapublickey_st)

} // namespace tessarovin
