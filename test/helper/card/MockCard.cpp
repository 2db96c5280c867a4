#include "MockCard.h"

using namespace tessarovin;

MockCard::MockCard(const QList<ResponseApduResult>& pResponses)
	: Card()
	, mConnected(false)
	, mResponses(pResponses)
{
}


CardReturnCode MockCard::establishConnection()
{
	mConnected = true;
	return CardReturnCode::OK;
}


CardReturnCode MockCard::releaseConnection()
{
	mConnected = false;
	return CardReturnCode::OK;
}


bool MockCard::isConnected() const
{
	return mConnected;
}


ResponseApduResult MockCard::transmit(const CommandApdu& pCommand)
{
	Q_UNUSED(pCommand)

	if (mResponses.isEmpty())
	{
		return {CardReturnCode::OK, ResponseApdu(StatusCode::SUCCESS)};
	}
	return mResponses.takeFirst();
}
