#pragma once

#include "Enum.h"

namespace tessarovin
{

// The password PACE runs with; the value is the byte that the reader and the card see.
defineTypedEnumType(PacePasswordId, uchar,
		UNKNOWN = 0,
		PACE_MRZ,
		PACE_CAN,
		PACE_PIN,
		PACE_PUK
		)

} // namespace tessarovin
