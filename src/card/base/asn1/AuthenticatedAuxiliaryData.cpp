#include "asn1/AuthenticatedAuxiliaryData.h"

#include "asn1/ASN1Util.h"
#include "asn1/Oid.h"
#include "LogCategories.h"

#include <QDateTime>
#include <QList>

using namespace tessarovin;

namespace tessarovin
{

ASN1_SEQUENCE(auxdatatemplate_seq) = {
	ASN1_SIMPLE(auxdatatemplate_st, mAuxId, ASN1_OBJECT),
	ASN1_SIMPLE(auxdatatemplate_st, mExtInfo, ASN1_ANY)
} ASN1_SEQUENCE_END_name(auxdatatemplate_st, auxdatatemplate_seq)

ASN1_ITEM_TEMPLATE(auxdatatemplate_st) =
	ASN1_EX_TEMPLATE_TYPE(ASN1_TFLG_IMPTAG | ASN1_TFLG_APPLICATION, 0x13, auxdatatemplate_st, auxdatatemplate_seq)
ASN1_ITEM_TEMPLATE_END(auxdatatemplate_st)

IMPLEMENT_ASN1_OBJECT(auxdatatemplate_st)

ASN1_ITEM_TEMPLATE(authenticatedauxiliarydata_st) =
	ASN1_EX_TEMPLATE_TYPE(ASN1_TFLG_SET_OF | ASN1_TFLG_IMPTAG | ASN1_TFLG_APPLICATION, 0x07, AuthenticatedAuxiliaryData, auxdatatemplate_st)
ASN1_ITEM_TEMPLATE_END(authenticatedauxiliarydata_st)

IMPLEMENT_ASN1_OBJECT(authenticatedauxiliarydata_st)

// The value element of a template, [APPLICATION 19] OCTET STRING. Its own C type keeps the
// decoder apart from that of a plain OCTET STRING.
struct auxdatavalue_st;

ASN1_ITEM_TEMPLATE(auxdatavalue_st) =
	ASN1_EX_TEMPLATE_TYPE(ASN1_TFLG_IMPTAG | ASN1_TFLG_APPLICATION, 0x13, AuxDataValue, ASN1_OCTET_STRING)
ASN1_ITEM_TEMPLATE_END(auxdatavalue_st)

template<>
auxdatavalue_st* decodeAsn1Object<auxdatavalue_st>(auxdatavalue_st** pObject, const unsigned char** pData, long pDataLength)
{
	return reinterpret_cast<auxdatavalue_st*>(ASN1_item_d2i(reinterpret_cast<ASN1_VALUE**>(pObject), pData, pDataLength, ASN1_ITEM_rptr(auxdatavalue_st)));
}


template<>
void freeAsn1Object<auxdatavalue_st>(auxdatavalue_st* pObject)
{
	ASN1_item_free(reinterpret_cast<ASN1_VALUE*>(pObject), ASN1_ITEM_rptr(auxdatavalue_st));
}


} // namespace tessarovin


AuthenticatedAuxiliaryData::AuthenticatedAuxiliaryData(const QSharedPointer<const authenticatedauxiliarydata_st>& pData)
	: mData(pData)
{
}


QSharedPointer<AuthenticatedAuxiliaryData> AuthenticatedAuxiliaryData::decode(const QByteArray& pBytes)
{
	const auto data = decodeObject<authenticatedauxiliarydata_st>(pBytes);
	if (data == nullptr)
	{
		return QSharedPointer<AuthenticatedAuxiliaryData>();
	}

	QList<Oid> oids;
	for (int i = 0; i < sk_auxdatatemplate_st_num(data.data()); ++i)
	{
		const Oid oid(sk_auxdatatemplate_st_value(data.data(), i)->mAuxId);
		if (oids.contains(oid))
		{
			qCCritical(card) << "More than one AuxDataTemplate with OID" << oid;
			return QSharedPointer<AuthenticatedAuxiliaryData>();
		}
		oids << oid;
	}

	for (const KnownOid known : {KnownOid::ID_MUNICIPALITY_ID, KnownOid::ID_DATE_OF_BIRTH, KnownOid::ID_DATE_OF_EXPIRY})
	{
		oids.removeOne(Oid(known));
	}
	if (!oids.isEmpty())
	{
		qCCritical(card) << "Unknown AuxDataTemplate with OID" << oids.constFirst();
		return QSharedPointer<AuthenticatedAuxiliaryData>();
	}

	return QSharedPointer<AuthenticatedAuxiliaryData>(new AuthenticatedAuxiliaryData(data));
}


QSharedPointer<AuthenticatedAuxiliaryData> AuthenticatedAuxiliaryData::fromHex(const QByteArray& pHex)
{
	return decode(QByteArray::fromHex(pHex));
}


bool AuthenticatedAuxiliaryData::hasValue(KnownOid pOid) const
{
	const Oid wanted(pOid);
	for (int i = 0; i < sk_auxdatatemplate_st_num(mData.data()); ++i)
	{
		if (Oid(sk_auxdatatemplate_st_value(mData.data(), i)->mAuxId) == wanted)
		{
			return true;
		}
	}
	return false;
}


QByteArray AuthenticatedAuxiliaryData::getValue(KnownOid pOid) const
{
	const Oid wanted(pOid);
	for (int i = 0; i < sk_auxdatatemplate_st_num(mData.data()); ++i)
	{
		const auxdatatemplate_st* entry = sk_auxdatatemplate_st_value(mData.data(), i);
		if (Oid(entry->mAuxId) != wanted)
		{
			continue;
		}

		const auto value = decodeObject<auxdatavalue_st>(Asn1TypeUtil::encode(entry->mExtInfo));
		if (value == nullptr)
		{
			return QByteArray();
		}
		return Asn1OctetStringUtil::getValue(reinterpret_cast<const ASN1_OCTET_STRING*>(value.data()));
	}
	return QByteArray();
}


QDate AuthenticatedAuxiliaryData::getDate(KnownOid pOid) const
{
	const QByteArray value = getValue(pOid);
	if (value.isNull())
	{
		return QDate();
	}
	return QDate::fromString(QString::fromLatin1(value), QStringLiteral("yyyyMMdd"));
}


bool AuthenticatedAuxiliaryData::hasAgeVerificationDate() const
{
	return hasValue(KnownOid::ID_DATE_OF_BIRTH);
}


bool AuthenticatedAuxiliaryData::hasValidityDate() const
{
	return hasValue(KnownOid::ID_DATE_OF_EXPIRY);
}


bool AuthenticatedAuxiliaryData::hasCommunityId() const
{
	return hasValue(KnownOid::ID_MUNICIPALITY_ID);
}


QDate AuthenticatedAuxiliaryData::getAgeVerificationDate() const
{
	return getDate(KnownOid::ID_DATE_OF_BIRTH);
}


QDate AuthenticatedAuxiliaryData::getValidityDate() const
{
	return getDate(KnownOid::ID_DATE_OF_EXPIRY);
}


QByteArray AuthenticatedAuxiliaryData::getCommunityId() const
{
	return getValue(KnownOid::ID_MUNICIPALITY_ID).toHex();
}


QString AuthenticatedAuxiliaryData::getRequiredAge() const
{
	return getRequiredAge(QDateTime::currentDateTimeUtc().date());
}


QString AuthenticatedAuxiliaryData::getRequiredAge(const QDate& pReferenceDay) const
{
	const QDate birth = getAgeVerificationDate();
	if (!birth.isValid() || !pReferenceDay.isValid())
	{
		return QString();
	}

	int years = pReferenceDay.year() - birth.year();
	if (birth.month() > pReferenceDay.month() || (birth.month() == pReferenceDay.month() && pReferenceDay.day() < birth.day()))
	{
		--years;
	}
	return QString::number(years);
}
