#pragma once

#include "apdu/CommandApdu.h"
#include "apdu/ResponseApduResult.h"
#include "asn1/SecurityInfos.h"

#include <QSharedPointer>

namespace tessarovin
{

// The card as a protocol reaches it. The card connection's worker implements it, so that PACE
// and its key agreement stay below readers and connections and can run against any card.
class CardTransmitter
{
	public:
		virtual ~CardTransmitter() = default;

		// Secured when the connection runs secure messaging.
		virtual ResponseApduResult transmit(const CommandApdu& pCommandApdu) = 0;

		// The card's EF.CardAccess as read when the card was detected; null when there is none.
		[[nodiscard]] virtual QSharedPointer<const SecurityInfos> getEfCardAccess() const = 0;
};

} // namespace tessarovin
