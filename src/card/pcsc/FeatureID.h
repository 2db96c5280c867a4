#pragma once

#include "Enum.h"

namespace tessarovin
{

// The feature tags of PC/SC part 10 with which a reader announces its special functions.
defineTypedEnumType(FeatureID, quint8,
		VERIFY_PIN_START = 0x01,
		VERIFY_PIN_FINISH = 0x02,
		MODIFY_PIN_START = 0x03,
		MODIFY_PIN_FINISH = 0x04,
		GET_KEY_PRESSED = 0x05,
		VERIFY_PIN_DIRECT = 0x06,
		MODIFY_PIN_DIRECT = 0x07,
		MCT_READERDIRECT = 0x08,
		MCT_UNIVERSAL = 0x09,
		IFD_PIN_PROP = 0x0A,
		ABORT = 0x0B,
		SET_SPE_MESSAGE = 0x0C,
		VERIFY_PIN_DIRECT_APP_ID = 0x0D,
		MODIFY_PIN_DIRECT_APP_ID = 0x0E,
		WRITE_DISPLAY = 0x0F,
		GET_KEY = 0x10,
		IFD_DISPLAY_PROPERTIES = 0x11,
		TLV_PROPERTIES = 0x12,
		CCID_ESC_COMMAND = 0x13,
		EXECUTE_PACE = 0x20
		)

} // namespace tessarovin
