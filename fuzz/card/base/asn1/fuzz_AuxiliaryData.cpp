// The authenticated auxiliary data the eID server sends (hexadecimal) with the first
// DIDAuthenticate step: shown to the user and passed on to the card in terminal authentication.

#include "asn1/AuthenticatedAuxiliaryData.h"

#include "FuzzEnvironment.h"

#include <QDate>

#include <cstdlib>

using namespace tessarovin;


namespace
{

struct Values
{
	bool mHasAge;
	bool mHasValidity;
	bool mHasCommunity;
	QDate mAge;
	QDate mValidity;
	QByteArray mCommunity;
	QString mRequiredAge;

	bool operator==(const Values& pOther) const
	{
		return mHasAge == pOther.mHasAge
			   && mHasValidity == pOther.mHasValidity
			   && mHasCommunity == pOther.mHasCommunity
			   && mAge == pOther.mAge
			   && mValidity == pOther.mValidity
			   && mCommunity == pOther.mCommunity
			   && mRequiredAge == pOther.mRequiredAge;
	}


};


Values read(const AuthenticatedAuxiliaryData& pData)
{
	(void) pData.getRequiredAge();
	return {pData.hasAgeVerificationDate(), pData.hasValidityDate(), pData.hasCommunityId(),
			pData.getAgeVerificationDate(), pData.getValidityDate(), pData.getCommunityId(),
			pData.getRequiredAge(QDate(2024, 5, 15))};
}


// Data the decoder accepted, written again as DER (the SET OF sorted), is accepted again and
// reads the same: identifiers are unique, so the order of the templates does not matter.
void checkReencoded(const QByteArray& pInput, const Values& pValues)
{
	const auto templates = decodeObject<authenticatedauxiliarydata_st>(pInput, false);
	if (!templates)
	{
		abort();
	}
	const auto again = AuthenticatedAuxiliaryData::decode(encodeObject(templates.data()));
	if (!again || !(read(*again) == pValues))
	{
		abort();
	}
}


} // namespace


extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t pSize)
{
	const QByteArray input = FuzzEnvironment::bytes(pData, pSize);
	if (const auto data = AuthenticatedAuxiliaryData::decode(input))
	{
		checkReencoded(input, read(*data));
	}
	if (const auto data = AuthenticatedAuxiliaryData::fromHex(input))
	{
		(void) read(*data);
	}
	return 0;
}
