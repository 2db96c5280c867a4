#include "CardInfoFactory.h"

#include "asn1/ApplicationTemplates.h"
#include "asn1/PaceInfo.h"
#include "CardConnectionWorker.h"
#include "LogCategories.h"

using namespace tessarovin;

namespace
{

CardInfo unknownCard()
{
	return CardInfo(CardType::UNKNOWN, FileRef(), QSharedPointer<const SecurityInfos>());
}


} // namespace


CardInfo CardInfoFactory::create(const QSharedPointer<CardConnectionWorker>& pCardConnectionWorker)
{
	if (pCardConnectionWorker.isNull())
	{
		qCWarning(card) << "No connection to smart card";
		return unknownCard();
	}

	FileRef application;
	for (const auto& candidate : {FileRef::appEId(), FileRef::appPersosim(), FileRef::appPassport()})
	{
		if (detectEid(pCardConnectionWorker, candidate))
		{
			application = candidate;
			break;
		}
	}

	if (application == FileRef())
	{
		qCWarning(card) << "Not a German EID card";
		return unknownCard();
	}

	const auto efCardAccess = readEfCardAccess(pCardConnectionWorker);
	if (!checkEfCardAccess(efCardAccess))
	{
		qCWarning(card) << "EFCardAccess not found or is invalid";
		return unknownCard();
	}

	const CardInfo cardInfo(CardType::EID_CARD, application, efCardAccess);
	qCDebug(card) << "Card detected:" << cardInfo;
	return cardInfo;
}


bool CardInfoFactory::detectEid(const QSharedPointer<CardConnectionWorker>& pCardConnectionWorker, const FileRef& pApplication)
{
	if (!pCardConnectionWorker->selectApplicationRoot(pApplication))
	{
		return false;
	}

	if (pApplication == FileRef::appPassport())
	{
		// A passport answers like an eID card but is never one.
		qCDebug(card) << "Passport found";
		return false;
	}

	QByteArray efDir;
	if (pCardConnectionWorker->readFile(FileRef::efDir(), efDir, CommandApdu::SHORT_MAX_LE) != CardReturnCode::OK)
	{
		qCWarning(card) << "Cannot read EF.DIR";
		return false;
	}

	const auto applicationTemplates = ApplicationTemplates::decode(efDir);
	if (applicationTemplates.isNull())
	{
		qCWarning(card) << "Cannot parse EF.DIR";
		return false;
	}

	if (applicationTemplates->contains(FileRef::appEId().getIdentifier()))
	{
		return true;
	}

	qCWarning(card).noquote() << "EF.DIR does not match:" << efDir.toHex();
	return false;
}


QSharedPointer<const SecurityInfos> CardInfoFactory::readEfCardAccess(const QSharedPointer<CardConnectionWorker>& pCardConnectionWorker)
{
	QByteArray efCardAccess;
	if (pCardConnectionWorker->readFile(FileRef::efCardAccess(), efCardAccess, CommandApdu::SHORT_MAX_LE) != CardReturnCode::OK)
	{
		qCCritical(card) << "Error while reading EF.CardAccess: Cannot read EF.CardAccess";
		return QSharedPointer<const SecurityInfos>();
	}

	auto securityInfos = SecurityInfos::decode(efCardAccess);
	if (securityInfos.isNull())
	{
		qCCritical(card) << "Error while reading EF.CardAccess: Cannot parse EFCardAccess";
	}
	return securityInfos;
}


bool CardInfoFactory::checkEfCardAccess(const QSharedPointer<const SecurityInfos>& pEfCardAccess)
{
	if (pEfCardAccess.isNull())
	{
		return false;
	}

	for (const auto& paceInfo : pEfCardAccess->getPaceInfos())
	{
		if (paceInfo->isStandardizedDomainParameters())
		{
			return true;
		}
	}

	qCCritical(card) << "Error while reading EF.CardAccess: No PACEInfo with standardized domain parameters found";
	return false;
}
