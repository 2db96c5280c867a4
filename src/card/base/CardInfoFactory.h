#pragma once

#include "asn1/SecurityInfos.h"
#include "CardInfo.h"
#include "FileRef.h"

#include <QSharedPointer>

namespace tessarovin
{

class CardConnectionWorker;

// Tells what a newly seen card is: a usable eID card or not, read from its applications,
// EF.DIR and EF.CardAccess.
class CardInfoFactory
{
	public:
		static CardInfo create(const QSharedPointer<CardConnectionWorker>& pCardConnectionWorker);
		static bool detectEid(const QSharedPointer<CardConnectionWorker>& pCardConnectionWorker, const FileRef& pApplication);
		static QSharedPointer<const SecurityInfos> readEfCardAccess(const QSharedPointer<CardConnectionWorker>& pCardConnectionWorker);
		static bool checkEfCardAccess(const QSharedPointer<const SecurityInfos>& pEfCardAccess);
};

} // namespace tessarovin
