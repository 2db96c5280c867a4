#pragma once

#include "Card.h"
#include "VirtualCard.h"

namespace tessarovin
{

// Any Card of our own, e.g. a ScriptedCard, behind a virtual reader. The card stays the caller's;
// it is connected on power-on and released on reset.
class CardVirtualCard
	: public VirtualCard
{
	private:
		Card& mCard;
		QByteArray mAtr;

	public:
		CardVirtualCard(Card& pCard, const QByteArray& pAtr);

		[[nodiscard]] QByteArray getAtr() const override;
		void reset() override;
		QByteArray transmit(const QByteArray& pCommand) override;
};

} // namespace tessarovin
