#pragma once

#include "apdu/ResponseApdu.h"
#include "command/BaseCardCommand.h"

#include <QByteArray>

namespace tessarovin
{

class SetEidPinCommand
	: public BaseCardCommand
{
	Q_OBJECT

	private:
		QByteArray mNewPin;
		const uchar mTimeoutSeconds;
		ResponseApdu mResponseApdu;

	protected:
		void internalExecute() override;

	public:
		SetEidPinCommand(const QSharedPointer<CardConnectionWorker>& pCardConnectionWorker, const QByteArray& pNewPin, uchar pTimeoutSeconds);
		~SetEidPinCommand() override;

		[[nodiscard]] const ResponseApdu& getResponseApdu() const;
};

} // namespace tessarovin
