// Card-verifiable certificates: the DV and terminal certificates come from the eID server, link
// certificates from the card's trust point updates. One input may hold several certificates in a
// row; they are decoded one by one, chained and checked as a received chain is.

#include "asn1/ASN1Struct.h"
#include "asn1/CVCertificate.h"
#include "asn1/CVCertificateChainBuilder.h"
#include "asn1/KnownOid.h"
#include "asn1/SignatureChecker.h"

#include "FuzzEnvironment.h"

#include <QDateTime>
#include <QDebug>
#include <QSet>

#include <cstdlib>

using namespace tessarovin;


namespace
{

void inspect(const cvcertificate_st& pCertificate)
{
	qDebug() << pCertificate;
	(void) pCertificate.getRawBody();
	(void) pCertificate.getRawSignature();
	(void) pCertificate.getSignature();
	(void) pCertificate.isSelfSigned();
	(void) pCertificate.isValidOn(QDateTime::currentDateTimeUtc());
	(void) qHash(pCertificate);

	const auto& body = pCertificate.getBody();
	(void) body.getCertificationAuthorityReference();
	(void) body.getCertificateHolderReference();
	(void) body.getEffectiveDate();
	(void) body.getExpirationDate();
	(void) body.getCHAT().getAccessRights();
	(void) body.getHashAlgorithm();
	(void) body.getExtension(Oid(KnownOid::ID_DESCRIPTION));

	const auto& key = body.getPublicKey();
	(void) key.getSecurityProtocol();
	(void) key.isComplete();
	(void) key.createCurveData().isValid();
	(void) key.createKey(key.getUncompressedPublicPoint());

	// A decoded certificate encodes to what decodes to an equal certificate.
	const auto again = cvcertificate_st::decode(pCertificate.encode());
	if (!again || *again != pCertificate)
	{
		abort();
	}
}


} // namespace


extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t pSize)
{
	const QByteArray input = FuzzEnvironment::bytes(pData, pSize);

	QList<QByteArray> encodings({input});
	const ASN1Struct elements(input);
	if (elements.getTag() == -1)
	{
		for (const auto& element : elements.getChildren())
		{
			encodings << element.encode();
		}
	}

	const auto certificates = cvcertificate_st::decodeList(encodings);
	qDebug() << certificates;
	for (const auto& certificate : certificates)
	{
		inspect(*certificate);
	}
	if (certificates.isEmpty())
	{
		return 0;
	}

	const CVCertificateChainBuilder builder(certificates);
	const auto& first = certificates.first()->getBody();
	(void) builder.getChainStartingWith(certificates.first()).isValid();
	(void) builder.getChainForCertificationAuthority(first.getCertificationAuthorityReference()).isValid();
	(void) builder.getChainForCertificationAuthority(first.getCertificateHolderReference(), first.getCertificationAuthorityReference()).isValid();

	(void) SignatureChecker(certificates).check();
	return 0;
}
