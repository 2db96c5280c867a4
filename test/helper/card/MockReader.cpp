#include "MockReader.h"

using namespace tessarovin;

MockReader::MockReader(const QString& pReaderName)
	: Reader(ReaderManagerPluginType::MOCK, pReaderName)
	, mCard()
	, mUpdateCount(0)
{
}


MockReader::~MockReader() = default;


Card* MockReader::getCard() const
{
	return mCard.get();
}


void MockReader::updateCard()
{
	++mUpdateCount;
}


int MockReader::getUpdateCount() const
{
	return mUpdateCount;
}


void MockReader::insertEidCard(int pRetryCounter)
{
	mCard = std::make_unique<MockCard>();
	setCardInfo(CardInfo(CardType::EID_CARD, FileRef::appEId(), QSharedPointer<const SecurityInfos>(), pRetryCounter));
	Q_EMIT fireCardInserted(getReaderInfo());
}


void MockReader::insertCardAndFetch(std::unique_ptr<Card> pCard)
{
	mCard = std::move(pCard);
	fetchCardInfo();
	Q_EMIT fireCardInserted(getReaderInfo());
}


void MockReader::removeCard()
{
	mCard.reset();
	removeCardInfo();
	Q_EMIT fireCardRemoved(getReaderInfo());
}
