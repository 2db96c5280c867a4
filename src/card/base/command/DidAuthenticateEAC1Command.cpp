#include "command/DidAuthenticateEAC1Command.h"

#include "apdu/CommandApdu.h"
#include "CardConnectionWorker.h"
#include "LogCategories.h"

using namespace tessarovin;

namespace
{

constexpr int cChallengeLength = 8;

} // namespace


DidAuthenticateEAC1Command::DidAuthenticateEAC1Command(const QSharedPointer<CardConnectionWorker>& pCardConnectionWorker)
	: BaseCardCommand(pCardConnectionWorker)
	, mChallenge()
{
}


void DidAuthenticateEAC1Command::internalExecute()
{
	const auto result = getCardConnectionWorker()->transmit(CommandApdu(Ins::GET_CHALLENGE, 0x00, 0x00, QByteArray(), cChallengeLength));
	setReturnCode(result.mReturnCode);
	if (result.mReturnCode != CardReturnCode::OK)
	{
		qCWarning(card) << "GetChallenge failed:" << result.mReturnCode;
		return;
	}

	const auto& response = result.mResponseApdu;
	if (response.getStatusCode() != StatusCode::SUCCESS)
	{
		qCWarning(card) << "Unexpected StatusCode in GetChallenge:" << response.getStatusCode();
		setReturnCode(CardReturnCode::PROTOCOL_ERROR);
		return;
	}

	// Kept anyway: the server's signature decides whether the card accepts it.
	if (response.getData().size() != cChallengeLength)
	{
		qCCritical(card) << "Challenge has wrong size. Expect 8 bytes, got" << response.getData().size();
	}
	mChallenge = response.getData();
}


const QByteArray& DidAuthenticateEAC1Command::getChallenge() const
{
	return mChallenge;
}
