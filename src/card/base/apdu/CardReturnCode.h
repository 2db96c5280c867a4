#pragma once

#include "Enum.h"
#include "GlobalStatus.h"

namespace tessarovin
{

defineEnumType(CardReturnCode,
		UNDEFINED,
		OK,
		RESPONSE_EMPTY,
		CARD_NOT_FOUND,
		UNKNOWN,
		INPUT_TIME_OUT,
		COMMAND_FAILED,
		CANCELLATION_BY_USER,
		PIN_NOT_BLOCKED,
		PROTOCOL_ERROR,
		WRONG_LENGTH,
		UNEXPECTED_TRANSMIT_STATUS
		)


GlobalStatus cardReturnCodeToGlobalStatus(CardReturnCode pCode);

} // namespace tessarovin
