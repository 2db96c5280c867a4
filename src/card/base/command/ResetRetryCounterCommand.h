#pragma once

#include "apdu/StatusCode.h"
#include "command/BaseCardCommand.h"

namespace tessarovin
{

// Unblocks the PIN after PACE with the PUK.
class ResetRetryCounterCommand
	: public BaseCardCommand
{
	Q_OBJECT

	private:
		StatusCode mStatusCode;

	protected:
		void internalExecute() override;

	public:
		explicit ResetRetryCounterCommand(const QSharedPointer<CardConnectionWorker>& pCardConnectionWorker);

		[[nodiscard]] StatusCode getStatusCode() const;
};

} // namespace tessarovin
