#pragma once

#include "Enum.h"

namespace tessarovin
{

// The kinds of PAOS message, sent and received. UNKNOWN is what a document without a usable
// message yields.
defineEnumType(PaosType,
		UNKNOWN,
		STARTPAOS,
		STARTPAOS_RESPONSE,
		INITIALIZE_FRAMEWORK,
		INITIALIZE_FRAMEWORK_RESPONSE,
		DID_AUTHENTICATE_EAC1,
		DID_AUTHENTICATE_RESPONSE_EAC1,
		DID_AUTHENTICATE_EAC2,
		DID_AUTHENTICATE_RESPONSE_EAC2,
		DID_AUTHENTICATE_EAC_ADDITIONAL_INPUT_TYPE,
		TRANSMIT,
		TRANSMIT_RESPONSE
		)

} // namespace tessarovin
