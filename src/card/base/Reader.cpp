#include "Reader.h"

#include "LogCategories.h"

#include <QTimerEvent>

using namespace tessarovin;

namespace
{

CardInfo emptyCardInfo()
{
	return CardInfo(CardType::NONE, FileRef(), QSharedPointer<const SecurityInfos>());
}


} // namespace


Reader::Reader(ReaderManagerPluginType pPluginType, const QString& pReaderName)
	: QObject()
	, mReaderInfo(pReaderName, pPluginType, emptyCardInfo())
	, mTimerId(0)
{
}


void Reader::timerEvent(QTimerEvent* pEvent)
{
	if (pEvent->timerId() == mTimerId)
	{
		updateCard();
	}
}


void Reader::printGetReaderInfo() const
{
}


void Reader::updateCard()
{
}


void Reader::insertCard(const QVariant& pData)
{
	Q_UNUSED(pData)

	if (!mReaderInfo.isInsertable())
	{
		qCDebug(card) << "Skipping insert because card is not insertable";
		return;
	}

	if (mReaderInfo.hasCard())
	{
		qCDebug(card) << "Skipping insert because card is already inserted";
		return;
	}

	mReaderInfo.insertCard();
	qCInfo(card) << "Card inserted:" << mReaderInfo.getCardInfo();
	Q_EMIT fireCardInserted(mReaderInfo);
}


const ReaderInfo& Reader::getReaderInfo() const
{
	return mReaderInfo;
}


int Reader::getTimerId() const
{
	return mTimerId;
}


void Reader::setTimerId(int pTimerId)
{
	mTimerId = pTimerId;
}


void Reader::setBasicReader(bool pIsBasicReader)
{
	mReaderInfo.setBasicReader(pIsBasicReader);
}


void Reader::setCardInfo(const CardInfo& pCardInfo)
{
	mReaderInfo.setCardInfo(pCardInfo);
}


void Reader::setMaxApduLength(int pMaxApduLength)
{
	mReaderInfo.setMaxApduLength(pMaxApduLength);
}


void Reader::removeCardInfo()
{
	mReaderInfo.setCardInfo(emptyCardInfo());
	// Shelving an absent card empties the shelf as well.
	mReaderInfo.shelveCard();
}


void Reader::setPukInoperative()
{
	const CardInfo& info = mReaderInfo.getCardInfo();
	mReaderInfo.setCardInfo(CardInfo(info.getCardType(),
			info.getApplication(),
			info.getEfCardAccess(),
			info.getRetryCounter(),
			info.isPinDeactivated(),
			true));
	Q_EMIT fireCardInfoChanged(mReaderInfo);
}


void Reader::shelveCard()
{
	if (mReaderInfo.getCardType() == CardType::NONE)
	{
		return;
	}

	const bool wasInsertable = mReaderInfo.isInsertable();
	qCDebug(card) << "Card shelved";
	mReaderInfo.shelveCard();

	if (wasInsertable)
	{
		qCInfo(card) << "Card removed";
		Q_EMIT fireCardRemoved(mReaderInfo);
		return;
	}

	// The card is on the shelf now and can be inserted again.
	Q_EMIT fireReaderPropertiesUpdated(mReaderInfo);
}
