#include "Reader.h"

#include "asn1/PaceInfo.h"
#include "asn1/SecurityInfos.h"
#include "CardConnectionWorker.h"
#include "CardInfoFactory.h"
#include "LogCategories.h"
#include "pace/PaceHandler.h"

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


QSharedPointer<CardConnectionWorker> Reader::createCardConnectionWorker()
{
	Card* currentCard = getCard();
	if (currentCard == nullptr)
	{
		qCWarning(card) << "No card available";
		return QSharedPointer<CardConnectionWorker>();
	}

	if (currentCard->isConnected())
	{
		qCWarning(card) << "Card is already connected";
		return QSharedPointer<CardConnectionWorker>();
	}

	if (currentCard->establishConnection() != CardReturnCode::OK)
	{
		qCCritical(card) << "Cannot connect to card";
		return QSharedPointer<CardConnectionWorker>();
	}

	return CardConnectionWorker::create(this);
}


void Reader::fetchCardInfo()
{
	// Dropping the worker at the end releases the card again.
	const auto cardConnectionWorker = createCardConnectionWorker();
	printGetReaderInfo();

	setCardInfo(CardInfoFactory::create(cardConnectionWorker));

	if (cardConnectionWorker && cardConnectionWorker->updateRetryCounter() != CardReturnCode::OK)
	{
		qCWarning(card) << "Update of the retry counter failed";
		setCardInfo(CardInfo(CardType::UNKNOWN, FileRef(), QSharedPointer<const SecurityInfos>()));
	}
}


Reader::RetryCounterResult Reader::getRetryCounter(const QSharedPointer<CardTransmitter>& pCardTransmitter)
{
	const auto efCardAccess = mReaderInfo.getCardInfo().getEfCardAccess();
	if (efCardAccess.isNull() || efCardAccess->getPaceInfos().isEmpty())
	{
		qCCritical(card) << "Cannot get EF.CardAccess";
		return {CardReturnCode::COMMAND_FAILED, -1, false};
	}

	// MSE:Set AT for PACE with the PIN: the card answers with the PIN's state without using it.
	const auto& paceInfo = efCardAccess->getPaceInfos().constFirst();
	const auto result = pCardTransmitter->transmit(PaceHandler::createMseSetAt(*paceInfo, PacePasswordId::PACE_PIN));
	if (result.mReturnCode != CardReturnCode::OK)
	{
		return {result.mReturnCode, -1, false};
	}

	const auto statusCode = result.mResponseApdu.getStatusCode();
	qCDebug(card) << "StatusCode:" << statusCode;

	const int retryCounter = result.mResponseApdu.getRetryCounter();
	if (retryCounter == -1)
	{
		return {CardReturnCode::COMMAND_FAILED, -1, false};
	}

	return {CardReturnCode::OK, retryCounter, statusCode == StatusCode::PIN_DEACTIVATED};
}


CardReturnCode Reader::updateRetryCounter(const QSharedPointer<CardTransmitter>& pCardTransmitter)
{
	const auto result = getRetryCounter(pCardTransmitter);
	if (result.cardReturnCode == CardReturnCode::OK)
	{
		const CardInfo& info = mReaderInfo.getCardInfo();
		const bool changed = info.isRetryCounterDetermined()
				&& (info.getRetryCounter() != result.retryCounter || info.isPinDeactivated() != result.pinDeactivated);

		qCInfo(support) << "retrieved retry counter:" << result.retryCounter << ", was:" << info.getRetryCounter() << ", PIN deactivated:" << result.pinDeactivated;

		mReaderInfo.setCardInfo(CardInfo(info.getCardType(),
				info.getApplication(),
				info.getEfCardAccess(),
				result.retryCounter,
				result.pinDeactivated,
				info.isPukInoperative()));

		if (changed)
		{
			qCDebug(card) << "fireCardInfoChanged";
			Q_EMIT fireCardInfoChanged(mReaderInfo);
		}
	}

	return result.cardReturnCode;
}
