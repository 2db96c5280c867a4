#include "ReaderInfo.h"

#include <QCoreApplication>

using namespace tessarovin;

namespace
{

// Readers are reported from the reader manager's thread by queued signals.
void registerMetaType()
{
	qRegisterMetaType<ReaderInfo>("ReaderInfo");
}


} // namespace

Q_COREAPP_STARTUP_FUNCTION(registerMetaType)


ReaderInfo::ReaderInfo()
	: ReaderInfo(QString())
{
}


ReaderInfo::ReaderInfo(const QString& pName, ReaderManagerPluginType pPluginType, const CardInfo& pCardInfo)
	: mPluginType(pPluginType)
	, mName(pName)
	, mBasicReader(true)
	, mCardInfo(pCardInfo)
	, mMaxApduLength(500)
	, mShelvedCard(CardType::NONE)
{
}


bool ReaderInfo::isValid() const
{
	return mPluginType != ReaderManagerPluginType::UNKNOWN;
}


void ReaderInfo::invalidate()
{
	mPluginType = ReaderManagerPluginType::UNKNOWN;
	mCardInfo = CardInfo(CardType::NONE, FileRef(), QSharedPointer<const SecurityInfos>());
}


ReaderManagerPluginType ReaderInfo::getPluginType() const
{
	return mPluginType;
}


const QString& ReaderInfo::getName() const
{
	return mName;
}


bool ReaderInfo::isBasicReader() const
{
	return mBasicReader;
}


void ReaderInfo::setBasicReader(bool pIsBasicReader)
{
	mBasicReader = pIsBasicReader;
}


const CardInfo& ReaderInfo::getCardInfo() const
{
	return mCardInfo;
}


void ReaderInfo::setCardInfo(const CardInfo& pCardInfo)
{
	mCardInfo = pCardInfo;
}


CardType ReaderInfo::getCardType() const
{
	return mCardInfo.getCardType();
}


QString ReaderInfo::getCardTypeString() const
{
	switch (getCardType())
	{
		case CardType::UNKNOWN:
			return QCoreApplication::translate("tessarovin::CardInfo", "unknown type", "Karte");

		case CardType::EID_CARD:
			return QCoreApplication::translate("tessarovin::CardInfo", "ID card (PA/eAT/eID)");

		default:
			return QCoreApplication::translate("tessarovin::CardInfo", "not inserted", "Karte");
	}
}


bool ReaderInfo::hasCard() const
{
	return getCardType() != CardType::NONE;
}


bool ReaderInfo::hasEid() const
{
	return getCardType() == CardType::EID_CARD;
}


int ReaderInfo::getRetryCounter() const
{
	return mCardInfo.getRetryCounter();
}


bool ReaderInfo::isRetryCounterDetermined() const
{
	return mCardInfo.isRetryCounterDetermined();
}


bool ReaderInfo::isPinDeactivated() const
{
	return mCardInfo.isPinDeactivated();
}


bool ReaderInfo::isPukInoperative() const
{
	return mCardInfo.isPukInoperative();
}


int ReaderInfo::getMaxApduLength() const
{
	return mMaxApduLength;
}


void ReaderInfo::setMaxApduLength(int pMaxApduLength)
{
	mMaxApduLength = pMaxApduLength;
}


bool ReaderInfo::insufficientApduLength() const
{
	// Compared unsigned: a negative length stands for "no limit known" and is no reason to refuse the reader.
	return static_cast<uint>(mMaxApduLength) < 500;
}


bool ReaderInfo::isInsertable() const
{
	return mShelvedCard != CardType::NONE;
}


void ReaderInfo::shelveCard()
{
	mShelvedCard = getCardType();
	mCardInfo.mCardType = CardType::NONE;
}


void ReaderInfo::insertCard()
{
	mCardInfo.mCardType = mShelvedCard;
}
