#pragma once

#include <QByteArray>

namespace tessarovin
{

// The PC/SC part 10 PIN_MODIFY structure with which a reader's pin pad asks for a new six-digit
// PIN twice and sets it with RESET RETRY COUNTER after PACE.
class PinModify
{
	private:
		quint8 mTimeoutSeconds;

	public:
		explicit PinModify(quint8 pTimeoutSeconds);
		// A remote reader receives the structure but reads only the time-out of its first byte.
		explicit PinModify(const QByteArray& pCommandData);

		[[nodiscard]] quint8 getTimeoutSeconds() const;

		[[nodiscard]] QByteArray createCcid() const;
};

} // namespace tessarovin
