#pragma once

#include "asn1/CVCertificate.h"
#include "asn1/EcdsaPublicKey.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QList>
#include <QSharedPointer>

#include <openssl/evp.h>

namespace tessarovin
{

// Verifies a certificate chain, root side first, before it goes to the card.
class SignatureChecker
{
	private:
		const QList<QSharedPointer<const cvcertificate_st>> mCertificates;

	public:
		explicit SignatureChecker(const QList<QSharedPointer<const cvcertificate_st>>& pCertificates);

		// The first certificate must be self-signed and carry domain parameters; a later
		// certificate with parameters of its own (a link certificate) replaces them.
		[[nodiscard]] bool check() const;

		static bool checkSignature(const QSharedPointer<const cvcertificate_st>& pCert,
				const QSharedPointer<const cvcertificate_st>& pSigningCert,
				const ecdsapublickey_st* pDomainParameters);
		// pSignature is the plain form of the card: r followed by s, each half of the octets.
		static bool checkSignature(const QSharedPointer<EVP_PKEY>& pKey, const QByteArray& pSignature,
				const QByteArray& pData, QCryptographicHash::Algorithm pAlgorithm);
};

} // namespace tessarovin
