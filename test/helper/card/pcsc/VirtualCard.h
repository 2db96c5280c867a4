#pragma once

#include <QByteArray>

namespace tessarovin
{

// A card as a virtual reader sees it: an ATR and answers to command APDUs. VpcdAdapter calls it
// on its own thread, one call at a time.
class VirtualCard
{
	public:
		VirtualCard() = default;
		virtual ~VirtualCard() = default;
		VirtualCard(const VirtualCard&) = delete;
		VirtualCard& operator=(const VirtualCard&) = delete;

		[[nodiscard]] virtual QByteArray getAtr() const = 0;
		// Power on and reset; the card forgets its session.
		virtual void reset();
		// The response: data followed by the status word.
		virtual QByteArray transmit(const QByteArray& pCommand) = 0;
};

} // namespace tessarovin
