#pragma once

#include "Enum.h"

namespace tessarovin
{

// The outcome of one PACE attempt as workflows and the user interface read it.
defineEnumType(PaceResult,
		UNDEFINED,
		OK_PIN,
		OK_PIN_AUTH,
		OK_CAN,
		OK_CAN_AUTH,
		OK_PUK,
		INVALID_PIN_1,
		INVALID_PIN_2,
		INVALID_PIN_3,
		INVALID_CAN,
		INVALID_PUK
		)

} // namespace tessarovin
