#pragma once

#include "apdu/ResponseApdu.h"
#include "asn1/ASN1TemplateUtil.h"

#include <QByteArray>

#include <openssl/asn1.h>

namespace tessarovin
{

// The dynamic authentication data objects ([APPLICATION 28], tag 7C) that the card answers
// GENERAL AUTHENTICATE with; the card simulator encodes the same forms.

struct ga_encryptednoncedata_st
{
	ASN1_OCTET_STRING* mEncryptedNonce;
};
using GA_ENCRYPTEDNONCEDATA = ga_encryptednoncedata_st;
DECLARE_ASN1_OBJECT(GA_ENCRYPTEDNONCEDATA)


struct ga_mapnoncedata_st
{
	ASN1_OCTET_STRING* mMappingData;
};
using GA_MAPNONCEDATA = ga_mapnoncedata_st;
DECLARE_ASN1_OBJECT(GA_MAPNONCEDATA)


struct ga_performkeyagreementdata_st
{
	ASN1_OCTET_STRING* mEphemeralPublicKey;
};
using GA_PERFORMKEYAGREEMENTDATA = ga_performkeyagreementdata_st;
DECLARE_ASN1_OBJECT(GA_PERFORMKEYAGREEMENTDATA)


struct ga_mutualauthenticationdata_st
{
	ASN1_OCTET_STRING* mAuthenticationToken;
	ASN1_OCTET_STRING* mCarCurr;
	ASN1_OCTET_STRING* mCarPrev;
};
using GA_MUTUALAUTHENTICATIONDATA = ga_mutualauthenticationdata_st;
DECLARE_ASN1_OBJECT(GA_MUTUALAUTHENTICATIONDATA)


struct ga_chipauthenticationdata_st
{
	ASN1_OCTET_STRING* mNonce;
	ASN1_OCTET_STRING* mAuthenticationToken;
};
using GA_CHIPAUTHENTICATIONDATA = ga_chipauthenticationdata_st;
DECLARE_ASN1_OBJECT(GA_CHIPAUTHENTICATIONDATA)


class GAResponseApdu
	: public ResponseApdu
{
	protected:
		[[nodiscard]] bool hasSuccessStatus() const;

	public:
		explicit GAResponseApdu(const ResponseApdu& pResponseApdu);
};


class GAEncryptedNonceResponse
	: public GAResponseApdu
{
	private:
		QByteArray mEncryptedNonce;

		void parseDynamicAuthenticationData();

	public:
		explicit GAEncryptedNonceResponse(const ResponseApdu& pResponseApdu);

		[[nodiscard]] const QByteArray& getEncryptedNonce() const;
};


class GAMapNonceResponse
	: public GAResponseApdu
{
	private:
		QByteArray mMappingData;

		void parseDynamicAuthenticationData();

	public:
		explicit GAMapNonceResponse(const ResponseApdu& pResponseApdu);

		[[nodiscard]] const QByteArray& getMappingData() const;
};


class GAPerformKeyAgreementResponse
	: public GAResponseApdu
{
	private:
		QByteArray mEphemeralPublicKey;

		void parseDynamicAuthenticationData();

	public:
		explicit GAPerformKeyAgreementResponse(const ResponseApdu& pResponseApdu);

		[[nodiscard]] const QByteArray& getEphemeralPublicKey() const;
};


class GAMutualAuthenticationResponse
	: public GAResponseApdu
{
	private:
		QByteArray mAuthenticationToken;
		QByteArray mCarCurr;
		QByteArray mCarPrev;

		void parseDynamicAuthenticationData();

	public:
		explicit GAMutualAuthenticationResponse(const ResponseApdu& pResponseApdu);

		[[nodiscard]] const QByteArray& getAuthenticationToken() const;
		[[nodiscard]] const QByteArray& getCarCurr() const;
		[[nodiscard]] const QByteArray& getCarPrev() const;
};


class GAChipAuthenticationResponse
	: public GAResponseApdu
{
	private:
		QByteArray mNonce;
		QByteArray mAuthenticationToken;

		void parseDynamicAuthenticationData();

	public:
		explicit GAChipAuthenticationResponse(const ResponseApdu& pResponseApdu);

		[[nodiscard]] const QByteArray& getNonce() const;
		[[nodiscard]] const QByteArray& getAuthenticationToken() const;
};

} // namespace tessarovin
