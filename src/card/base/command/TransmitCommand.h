#pragma once

#include "command/BaseCardCommand.h"
#include "command/InputApduInfo.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QList>
#include <QString>

namespace tessarovin
{

// Sends the eID server's own APDUs one after the other and collects the answers. Once the
// server speaks its own secure messaging, the local channel stops (getSecureMessagingStopped).
class TransmitCommand
	: public BaseCardCommand
{
	Q_OBJECT

	private:
		const QList<InputApduInfo> mInputApduInfos;
		const QString mSlotHandle;
		QByteArrayList mOutputApduAsHex;
		bool mSecureMessagingStopped;

	protected:
		void internalExecute() override;

	public:
		TransmitCommand(const QSharedPointer<CardConnectionWorker>& pCardConnectionWorker,
				const QList<InputApduInfo>& pInputApduInfos,
				const QString& pSlotHandle);

		[[nodiscard]] const QByteArrayList& getOutputApduAsHex() const;
		[[nodiscard]] const QString& getSlotHandle() const;
		[[nodiscard]] bool getSecureMessagingStopped() const;
};

} // namespace tessarovin
