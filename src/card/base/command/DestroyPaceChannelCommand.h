#pragma once

#include "command/BaseCardCommand.h"

#include <QString>

namespace tessarovin
{

class DestroyPaceChannelCommand
	: public BaseCardCommand
{
	Q_OBJECT

	private:
		const QString mSlotHandle;
		bool mSecureMessagingStopped;

	protected:
		void internalExecute() override;

	public:
		explicit DestroyPaceChannelCommand(const QSharedPointer<CardConnectionWorker>& pCardConnectionWorker, const QString& pSlotHandle = QString());

		[[nodiscard]] const QString& getSlotHandle() const;
		[[nodiscard]] bool getSecureMessagingStopped() const;
};

} // namespace tessarovin
