#pragma once

#include "command/BaseCardCommand.h"

#include <QByteArray>

namespace tessarovin
{

// Fetches the card's challenge, which the eID server signs for Terminal Authentication.
class DidAuthenticateEAC1Command
	: public BaseCardCommand
{
	Q_OBJECT

	private:
		QByteArray mChallenge;

	protected:
		void internalExecute() override;

	public:
		explicit DidAuthenticateEAC1Command(const QSharedPointer<CardConnectionWorker>& pCardConnectionWorker);

		[[nodiscard]] const QByteArray& getChallenge() const;
};

} // namespace tessarovin
