// EF.CardAccess and the content of EF.CardSecurity: a SET OF SecurityInfo from the card, also
// carried by the PACE output of pin-pad and remote readers.

#include "asn1/ChipAuthenticationInfo.h"
#include "asn1/MobileEIDTypeInfo.h"
#include "asn1/PaceInfo.h"
#include "asn1/SecurityInfo.h"
#include "asn1/SecurityInfos.h"

#include "FuzzEnvironment.h"

#include <QDebug>

using namespace tessarovin;


namespace
{

void inspect(const SecurityInfo& pInfo)
{
	(void) pInfo.getOid();
	(void) pInfo.getSecurityProtocol();
	qDebug() << pInfo;
}


void inspect(const PaceInfo& pInfo)
{
	inspect(static_cast<const SecurityInfo&>(pInfo));
	(void) pInfo.getVersion();
	(void) pInfo.getParameterId();
	(void) pInfo.hasParameterId();
	(void) pInfo.getParameterIdAsNid();
	(void) pInfo.isStandardizedDomainParameters();
	qDebug() << pInfo;
}


void inspect(const ChipAuthenticationInfo& pInfo)
{
	inspect(static_cast<const SecurityInfo&>(pInfo));
	(void) pInfo.getVersion();
	(void) pInfo.getKeyId();
	(void) pInfo.hasKeyId();
	qDebug() << pInfo;
}


void inspect(const MobileEIDTypeInfo& pInfo)
{
	inspect(static_cast<const SecurityInfo&>(pInfo));
	qDebug() << pInfo;
}


} // namespace


extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t pSize)
{
	const QByteArray input = FuzzEnvironment::bytes(pData, pSize);

	if (const auto infos = SecurityInfos::decode(input))
	{
		(void) infos->getContentBytes();
		for (const auto& info : infos->getSecurityInfos())
		{
			inspect(*info);
		}
		for (const auto& info : infos->getPaceInfos())
		{
			inspect(*info);
		}
		for (const auto& info : infos->getChipAuthenticationInfos())
		{
			inspect(*info);
		}
		if (const auto& mobile = infos->getMobileEIDTypeInfo())
		{
			inspect(*mobile);
		}
	}

	// The single records, as a caller that knows the kind reads them.
	if (const auto info = SecurityInfo::decode(input))
	{
		inspect(*info);
	}
	if (const auto info = PaceInfo::decode(input))
	{
		inspect(*info);
	}
	if (const auto info = ChipAuthenticationInfo::decode(input))
	{
		inspect(*info);
	}
	if (const auto info = MobileEIDTypeInfo::decode(input))
	{
		inspect(*info);
	}
	return 0;
}
