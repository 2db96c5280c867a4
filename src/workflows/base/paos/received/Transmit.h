#pragma once

#include "command/InputApduInfo.h"
#include "paos/PaosMessage.h"

#include <QList>
#include <QString>

namespace tessarovin
{

// The server's Transmit request: APDUs for the card in the order the server wants them sent.
class Transmit
	: public PaosMessage
{
	private:
		QString mSlotHandle;
		QList<InputApduInfo> mInputApduInfos;

	public:
		Transmit();
		~Transmit() override;

		[[nodiscard]] const QString& getSlotHandle() const;
		void setSlotHandle(const QString& pSlotHandle);

		[[nodiscard]] const QList<InputApduInfo>& getInputApduInfos() const;
		void appendInputApduInfo(const InputApduInfo& pInputApduInfo);
};

} // namespace tessarovin
