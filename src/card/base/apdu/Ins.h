#pragma once

#include "Enum.h"

namespace tessarovin
{

defineTypedEnumType(Ins, uchar,
		UNKNOWN = 0x00,
		DEACTIVATE = 0x04,
		VERIFY = 0x20,
		MSE_SET = 0x22,
		ACTIVATE = 0x44,
		EXTERNAL_AUTHENTICATE = 0x82,
		GET_CHALLENGE = 0x84,
		GENERAL_AUTHENTICATE = 0x86,
		PSO_VERIFY = 0x2A,
		PSO_COMPUTE = 0x2B,
		RESET_RETRY_COUNTER = 0x2C,
		SELECT = 0xA4,
		READ_BINARY = 0xB0,
		UPDATE_BINARY = 0xD6
		)

} // namespace tessarovin
