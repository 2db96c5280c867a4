#pragma once

#include "command/BaseCardCommand.h"

#include <QString>

namespace tessarovin
{

class UpdateRetryCounterCommand
	: public BaseCardCommand
{
	Q_OBJECT

	private:
		const QString mSlotHandle;

	protected:
		void internalExecute() override;

	public:
		explicit UpdateRetryCounterCommand(const QSharedPointer<CardConnectionWorker>& pCardConnectionWorker, const QString& pSlotHandle = QString());

		[[nodiscard]] const QString& getSlotHandle() const;
};

} // namespace tessarovin
