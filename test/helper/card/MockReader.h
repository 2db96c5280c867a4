#pragma once

#include "MockCard.h"
#include "Reader.h"

#include <memory>

namespace tessarovin
{

class MockReader
	: public Reader
{
	Q_OBJECT

	private:
		std::unique_ptr<Card> mCard;
		int mUpdateCount;

	public:
		explicit MockReader(const QString& pReaderName);
		~MockReader() override;

		[[nodiscard]] Card* getCard() const override;
		void updateCard() override;
		[[nodiscard]] int getUpdateCount() const;

		// A new eID card as a back end reports it; the retry counter as the card would tell it.
		void insertEidCard(int pRetryCounter = 3);
		// A card as a back end with real cards sees it: what it is gets read from the card.
		void insertCardAndFetch(std::unique_ptr<Card> pCard);
		void removeCard();
};

} // namespace tessarovin
