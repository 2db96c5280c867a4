// EF.CardSecurity, read from the card after terminal authentication: a CMS SignedData whose
// content is a SET OF SecurityInfo. Chip authentication picks its parameters from it.

#include "asn1/ChipAuthenticationInfo.h"
#include "asn1/EFCardSecurity.h"
#include "asn1/PaceInfo.h"
#include "asn1/SecurityInfos.h"

#include "FuzzEnvironment.h"

#include <QDebug>

#include <cstdlib>

using namespace tessarovin;


extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t pSize)
{
	const auto cardSecurity = EFCardSecurity::decode(FuzzEnvironment::bytes(pData, pSize));
	if (!cardSecurity)
	{
		return 0;
	}

	const auto& infos = cardSecurity->getSecurityInfos();
	if (!infos)
	{
		abort();
	}

	// What chip authentication reads of the chosen record.
	for (const auto& info : infos->getChipAuthenticationInfos())
	{
		(void) info->getVersion();
		(void) info->getKeyId();
		(void) info->hasKeyId();
		(void) info->getSecurityProtocol();
		qDebug() << *info;
	}
	for (const auto& info : infos->getPaceInfos())
	{
		(void) info->getParameterIdAsNid();
		qDebug() << *info;
	}
	for (const auto& info : infos->getSecurityInfos())
	{
		qDebug() << *info;
	}
	if (const auto& mobile = infos->getMobileEIDTypeInfo())
	{
		qDebug() << *mobile;
	}

	// The content is kept as read and decodes again to as many records.
	const auto again = SecurityInfos::decode(infos->getContentBytes());
	if (!again || again->getSecurityInfos().size() != infos->getSecurityInfos().size())
	{
		abort();
	}
	return 0;
}
