#pragma once

#include <QByteArray>

namespace tessarovin
{

// The reader-side function that closes a PACE channel a pin-pad reader established.
class DestroyPaceChannel
{
	public:
		[[nodiscard]] static QByteArray createCommandData();
};

} // namespace tessarovin
