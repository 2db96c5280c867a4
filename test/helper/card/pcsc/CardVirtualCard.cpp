#include "CardVirtualCard.h"

using namespace tessarovin;


CardVirtualCard::CardVirtualCard(Card& pCard, const QByteArray& pAtr)
	: VirtualCard()
	, mCard(pCard)
	, mAtr(pAtr)
{
}


QByteArray CardVirtualCard::getAtr() const
{
	return mAtr;
}


void CardVirtualCard::reset()
{
	if (mCard.isConnected())
	{
		mCard.releaseConnection();
	}
	mCard.establishConnection();
}


QByteArray CardVirtualCard::transmit(const QByteArray& pCommand)
{
	if (!mCard.isConnected())
	{
		mCard.establishConnection();
	}

	const auto result = mCard.transmit(CommandApdu(pCommand));
	if (result.mReturnCode != CardReturnCode::OK || result.mResponseApdu.isEmpty())
	{
		// A card that cannot answer is mute: the reader sees no status word.
		return QByteArray();
	}
	return QByteArray(result.mResponseApdu);
}
