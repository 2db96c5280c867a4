// The certificate description the eID server sends (hexadecimal) with the first DIDAuthenticate
// step; its texts are shown to the user and carried by pin-pad requests.

#include "asn1/CertificateDescription.h"

#include "FuzzEnvironment.h"

#include <cstdlib>

using namespace tessarovin;


namespace
{

void inspect(const CertificateDescription& pDescription)
{
	(void) pDescription.getIssuerName();
	(void) pDescription.getIssuerUrl();
	(void) pDescription.getSubjectName();
	(void) pDescription.getSubjectUrl();
	(void) pDescription.getTermsOfUsage();
	(void) pDescription.getServiceProviderAddress();
	(void) pDescription.getPurpose();
	(void) pDescription.getDataProtectionAuthority();
	(void) pDescription.getCommCertificates();

	const QByteArray encoded = pDescription.encode();
	const auto again = CertificateDescription::decode(encoded);
	if (!again || again->encode() != encoded)
	{
		abort();
	}
}


} // namespace


extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t pSize)
{
	const QByteArray input = FuzzEnvironment::bytes(pData, pSize);
	if (const auto description = CertificateDescription::decode(input))
	{
		inspect(*description);
	}
	if (const auto description = CertificateDescription::fromHex(QString::fromLatin1(input)))
	{
		inspect(*description);
	}
	return 0;
}
