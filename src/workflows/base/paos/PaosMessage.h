#pragma once

#include "paos/PaosType.h"

#include <QString>

namespace tessarovin
{

// What every PAOS message shares: its type, fixed by the class, and the WS-Addressing ids of a
// received message. A sent message leaves both ids null; its writer makes the MessageID and keeps
// the RelatesTo it sends itself.
class PaosMessage
{
	private:
		QString mMessageId;
		QString mRelatesTo;
		const PaosType mType;

	protected:
		explicit PaosMessage(PaosType pType);

	public:
		virtual ~PaosMessage();

		[[nodiscard]] PaosType getType() const;

		[[nodiscard]] const QString& getMessageId() const;
		void setMessageId(const QString& pMessageId);

		[[nodiscard]] const QString& getRelatesTo() const;
		void setRelatesTo(const QString& pRelatesTo);
};

} // namespace tessarovin
