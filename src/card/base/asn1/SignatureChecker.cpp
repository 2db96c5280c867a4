#include "asn1/SignatureChecker.h"

#include "asn1/ASN1TemplateUtil.h"
#include "LogCategories.h"
#include "OpenSslUtil.h"

#include <openssl/ecdsa.h>

using namespace tessarovin;

namespace tessarovin
{

template<>
int encodeAsn1Object<ECDSA_SIG>(const ECDSA_SIG* pObject, unsigned char** pEncoded)
{
	return i2d_ECDSA_SIG(pObject, pEncoded);
}


} // namespace tessarovin


namespace
{

QByteArray toDerSignature(const QByteArray& pSignature)
{
	// With an odd length the middle octet belongs to neither half.
	const auto half = static_cast<int>(pSignature.size() / 2);
	const auto* octets = reinterpret_cast<const uchar*>(pSignature.constData());
	OpenSslPtr<BIGNUM, BN_free> r(BN_bin2bn(octets, half, nullptr));
	OpenSslPtr<BIGNUM, BN_free> s(BN_bin2bn(octets + pSignature.size() - half, half, nullptr));
	const OpenSslPtr<ECDSA_SIG, ECDSA_SIG_free> signature(ECDSA_SIG_new());
	if (!r || !s || !signature || ECDSA_SIG_set0(signature.get(), r.get(), s.get()) != 1)
	{
		return QByteArray();
	}
	// The signature owns both numbers now.
	r.release();
	s.release();
	return encodeObject<ECDSA_SIG>(signature.get());
}


} // namespace


SignatureChecker::SignatureChecker(const QList<QSharedPointer<const cvcertificate_st>>& pCertificates)
	: mCertificates(pCertificates)
{
}


bool SignatureChecker::check() const
{
	if (mCertificates.isEmpty())
	{
		qCCritical(card) << "Certificate chain is empty";
		return false;
	}

	const ecdsapublickey_st* domainParameters = &mCertificates.first()->getBody().getPublicKey();
	if (!domainParameters->isComplete())
	{
		qCCritical(card) << "No elliptic curve parameters";
		return false;
	}

	QSharedPointer<const cvcertificate_st> signer = mCertificates.first();
	for (const auto& certificate : mCertificates)
	{
		if (!checkSignature(certificate, signer, domainParameters))
		{
			qCCritical(card) << "Certificate verification failed:" << certificate->getBody().getCertificateHolderReference();
			return false;
		}

		signer = certificate;
		const ecdsapublickey_st* publicKey = &certificate->getBody().getPublicKey();
		if (publicKey->isComplete())
		{
			domainParameters = publicKey;
		}
	}

	return true;
}


bool SignatureChecker::checkSignature(const QSharedPointer<const cvcertificate_st>& pCert,
		const QSharedPointer<const cvcertificate_st>& pSigningCert,
		const ecdsapublickey_st* pDomainParameters)
{
	const auto& signerBody = pSigningCert->getBody();
	const auto key = pDomainParameters->createKey(signerBody.getPublicKey().getUncompressedPublicPoint());
	if (!key)
	{
		qCCritical(card) << "Cannot fetch signing key";
		return false;
	}

	return checkSignature(key, pCert->getSignature(), pCert->getRawBody(), signerBody.getHashAlgorithm());
}


bool SignatureChecker::checkSignature(const QSharedPointer<EVP_PKEY>& pKey, const QByteArray& pSignature,
		const QByteArray& pData, QCryptographicHash::Algorithm pAlgorithm)
{
	if (!pKey)
	{
		qCCritical(card) << "Missing signing key";
		return false;
	}

	const OpenSslPtr<EVP_PKEY_CTX, EVP_PKEY_CTX_free> ctx(EVP_PKEY_CTX_new(pKey.data(), nullptr));
	if (!ctx || EVP_PKEY_verify_init(ctx.get()) <= 0)
	{
		qCCritical(card) << "Cannot init verify ctx" << getOpenSslErrors();
		return false;
	}

	const QByteArray digest = QCryptographicHash::hash(pData, pAlgorithm);
	const QByteArray signature = toDerSignature(pSignature);

	const int result = EVP_PKEY_verify(ctx.get(),
			reinterpret_cast<const uchar*>(signature.constData()), static_cast<size_t>(signature.size()),
			reinterpret_cast<const uchar*>(digest.constData()), static_cast<size_t>(digest.size()));
	if (result == 1)
	{
		return true;
	}
	if (result != 0)
	{
		qCCritical(card) << "Signature verification failed, an error occurred:" << getOpenSslErrors();
	}
	else
	{
		// A wrong signature leaves its reason in the queue; it must not show up in a later message.
		ERR_clear_error();
	}
	return false;
}
