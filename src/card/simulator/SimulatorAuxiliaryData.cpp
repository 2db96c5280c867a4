#include "SimulatorAuxiliaryData.h"

#include "asn1/ASN1Struct.h"
#include "asn1/KnownOid.h"
#include "asn1/Oid.h"
#include "LogCategories.h"

#include <openssl/asn1.h>

using namespace tessarovin;

namespace
{

QDate toDate(const QByteArray& pValue)
{
	return QDate::fromString(QString::fromLatin1(pValue), QStringLiteral("yyyyMMdd"));
}


} // namespace


QSharedPointer<const SimulatorAuxiliaryData> SimulatorAuxiliaryData::decode(const QByteArray& pDer)
{
	const ASN1Struct root(pDer);
	if (root.getClass() != V_ASN1_APPLICATION || root.getTag() != 0x07)
	{
		qCWarning(card_simulator) << "Cannot decode authenticated auxiliary data";
		return QSharedPointer<const SimulatorAuxiliaryData>();
	}

	QSharedPointer<SimulatorAuxiliaryData> auxiliaryData(new SimulatorAuxiliaryData());
	for (const auto& entry : root.getChildren())
	{
		if (entry.getClass() != V_ASN1_APPLICATION || entry.getTag() != 0x13)
		{
			continue;
		}

		const QByteArray oid = entry.getData(V_ASN1_UNIVERSAL, V_ASN1_OBJECT);
		const QByteArray value = entry.getData(V_ASN1_APPLICATION, 0x13);
		if (oid.isEmpty() || value.isNull())
		{
			continue;
		}

		const Oid auxId(oid);
		if (auxId == Oid(KnownOid::ID_DATE_OF_BIRTH) && !auxiliaryData->mAgeVerificationDate)
		{
			auxiliaryData->mAgeVerificationDate = toDate(value);
		}
		else if (auxId == Oid(KnownOid::ID_DATE_OF_EXPIRY) && !auxiliaryData->mValidityDate)
		{
			auxiliaryData->mValidityDate = toDate(value);
		}
		else if (auxId == Oid(KnownOid::ID_MUNICIPALITY_ID) && !auxiliaryData->mCommunityId)
		{
			auxiliaryData->mCommunityId = value.toHex();
		}
	}
	return auxiliaryData;
}


bool SimulatorAuxiliaryData::hasAgeVerificationDate() const
{
	return mAgeVerificationDate.has_value();
}


QDate SimulatorAuxiliaryData::getAgeVerificationDate() const
{
	return mAgeVerificationDate.value_or(QDate());
}


bool SimulatorAuxiliaryData::hasValidityDate() const
{
	return mValidityDate.has_value();
}


QDate SimulatorAuxiliaryData::getValidityDate() const
{
	return mValidityDate.value_or(QDate());
}


bool SimulatorAuxiliaryData::hasCommunityId() const
{
	return mCommunityId.has_value();
}


QByteArray SimulatorAuxiliaryData::getCommunityId() const
{
	return mCommunityId.value_or(QByteArray());
}
