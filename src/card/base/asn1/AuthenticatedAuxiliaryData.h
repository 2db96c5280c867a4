#pragma once

#include "asn1/ASN1TemplateUtil.h"
#include "asn1/KnownOid.h"

#include <QByteArray>
#include <QDate>
#include <QSharedPointer>
#include <QString>

#include <openssl/asn1.h>
#include <openssl/safestack.h>

namespace tessarovin
{

/*
 * AuxDataTemplate ::= [APPLICATION 19] SEQUENCE {
 *    auxID    OBJECT IDENTIFIER,
 *    extInfo  ANY DEFINED BY auxID   -- here [APPLICATION 19] OCTET STRING (tag 53)
 * }
 *
 * AuthenticatedAuxiliaryData ::= [APPLICATION 7] SET OF AuxDataTemplate
 */
struct auxdatatemplate_st
{
	ASN1_OBJECT* mAuxId;
	ASN1_TYPE* mExtInfo;
};

DECLARE_ASN1_OBJECT(auxdatatemplate_st)

DEFINE_STACK_OF(auxdatatemplate_st)
using authenticatedauxiliarydata_st = STACK_OF(auxdatatemplate_st);

DECLARE_ASN1_OBJECT(authenticatedauxiliarydata_st)


// The reference values an eID server asks the card to compare: date of birth, date of expiry
// and community identifier. They are only read here; the card does the comparing.
class AuthenticatedAuxiliaryData
{
	private:
		const QSharedPointer<const authenticatedauxiliarydata_st> mData;

		explicit AuthenticatedAuxiliaryData(const QSharedPointer<const authenticatedauxiliarydata_st>& pData);

		[[nodiscard]] bool hasValue(KnownOid pOid) const;
		// Null when there is no template for the identifier or its value is no 53 element.
		[[nodiscard]] QByteArray getValue(KnownOid pOid) const;
		[[nodiscard]] QDate getDate(KnownOid pOid) const;

	public:
		// Null for undecodable data and for repeated or unknown templates.
		static QSharedPointer<AuthenticatedAuxiliaryData> decode(const QByteArray& pBytes);
		static QSharedPointer<AuthenticatedAuxiliaryData> fromHex(const QByteArray& pHex);

		[[nodiscard]] bool hasAgeVerificationDate() const;
		[[nodiscard]] bool hasValidityDate() const;
		[[nodiscard]] bool hasCommunityId() const;

		[[nodiscard]] QDate getAgeVerificationDate() const;
		[[nodiscard]] QDate getValidityDate() const;
		// Lower-case hexadecimal text.
		[[nodiscard]] QByteArray getCommunityId() const;

		// Full years from the age-verification date to the reference day (today in UTC); empty
		// when either date is invalid.
		[[nodiscard]] QString getRequiredAge() const;
		[[nodiscard]] QString getRequiredAge(const QDate& pReferenceDay) const;
};

} // namespace tessarovin
