#pragma once

#include "Card.h"

#include <QList>

namespace tessarovin
{

// A card that answers from a list of prepared responses, 90 00 once the list is used up.
class MockCard
	: public Card
{
	Q_OBJECT

	private:
		bool mConnected;
		QList<ResponseApduResult> mResponses;

	public:
		explicit MockCard(const QList<ResponseApduResult>& pResponses = {});

		CardReturnCode establishConnection() override;
		CardReturnCode releaseConnection() override;
		[[nodiscard]] bool isConnected() const override;
		ResponseApduResult transmit(const CommandApdu& pCommand) override;
};

} // namespace tessarovin
