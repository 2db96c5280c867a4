#pragma once

#include "BaseCardCommand.h"
#include "ResponseApdu.h"

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
