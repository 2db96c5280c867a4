#include "asn1/PaceInfo.h"

#include "asn1/ASN1Util.h"
#include "LogCategories.h"

#include <openssl/obj_mac.h>

using namespace tessarovin;

namespace tessarovin
{

ASN1_SEQUENCE(paceinfo_st) = {
	ASN1_SIMPLE(paceinfo_st, mProtocol, ASN1_OBJECT),
	ASN1_SIMPLE(paceinfo_st, mVersion, ASN1_INTEGER),
	ASN1_OPT(paceinfo_st, mParameterId, ASN1_INTEGER)
} ASN1_SEQUENCE_END(paceinfo_st)

IMPLEMENT_ASN1_OBJECT(paceinfo_st)

} // namespace tessarovin


PaceInfo::PaceInfo(const QSharedPointer<const paceinfo_st>& pPaceInfo)
	: SecurityInfo()
	, mPaceInfo(pPaceInfo)
{
	if (const int version = getVersion(); version != 2)
	{
		qCWarning(card).nospace() << "Expect version=2, got: " << version;
	}
}


QSharedPointer<const PaceInfo> PaceInfo::decode(const QByteArray& pBytes)
{
	const auto paceInfo = decodeObject<paceinfo_st>(pBytes, false);
	if (paceInfo == nullptr)
	{
		return QSharedPointer<const PaceInfo>();
	}

	if (SecurityProtocol(Oid(paceInfo->mProtocol)).getProtocolType() != ProtocolType::PACE)
	{
		return QSharedPointer<const PaceInfo>();
	}

	QSharedPointer<const PaceInfo> result(new PaceInfo(paceInfo));
	qCDebug(card) << "Parsed SecurityInfo:" << *result;
	return result;
}


const ASN1_OBJECT* PaceInfo::getProtocolObject() const
{
	return mPaceInfo->mProtocol;
}


int PaceInfo::getMappedNid(int pParameterId)
{
	switch (pParameterId)
	{
		case 8:
			return NID_X9_62_prime192v1;

		case 9:
			return NID_brainpoolP192r1;

		case 10:
			return NID_secp224r1;

		case 11:
			return NID_brainpoolP224r1;

		case 12:
			return NID_X9_62_prime256v1;

		case 13:
			return NID_brainpoolP256r1;

		case 14:
			return NID_brainpoolP320r1;

		case 15:
			return NID_secp384r1;

		case 16:
			return NID_brainpoolP384r1;

		case 17:
			return NID_brainpoolP512r1;

		case 18:
			return NID_secp521r1;

		default:
			qCWarning(card) << "Standardized elliptic curve" << pParameterId << "not supported";
			return 0;
	}
}


int PaceInfo::getVersion() const
{
	return Asn1IntegerUtil::getValue(mPaceInfo->mVersion);
}


int PaceInfo::getParameterId() const
{
	return Asn1IntegerUtil::getValue(mPaceInfo->mParameterId);
}


bool PaceInfo::hasParameterId() const
{
	return mPaceInfo->mParameterId != nullptr;
}


int PaceInfo::getParameterIdAsNid() const
{
	return getMappedNid(getParameterId());
}


bool PaceInfo::isStandardizedDomainParameters() const
{
	const SecurityProtocol protocol = getSecurityProtocol();
	const auto parameterId = static_cast<unsigned int>(getParameterId());

	switch (protocol.getKeyAgreementType())
	{
		case KeyAgreementType::DH:
			return parameterId <= 3;

		case KeyAgreementType::ECDH:
			switch (protocol.getMappingType())
			{
				case MappingType::GM:
					return parameterId >= 8 && parameterId <= 18;

				case MappingType::IM:
					// Integrated mapping is not defined on NIST P-224.
					return parameterId >= 8 && parameterId <= 18 && parameterId != 10;

				case MappingType::CAM:
				case MappingType::UNDEFINED:
					return false;
			}
			return false;

		case KeyAgreementType::UNDEFINED:
			return false;
	}
	return false;
}


QDebug tessarovin::operator<<(QDebug pDbg, const PaceInfo& pPaceInfo)
{
	const QDebugStateSaver saver(pDbg);
	pDbg.nospace() << pPaceInfo.getOid() << ", version: " << pPaceInfo.getVersion();
	if (pPaceInfo.hasParameterId())
	{
		pDbg << ", parameterId: " << pPaceInfo.getParameterId();
	}
	return pDbg;
}
