#pragma once

#include "apdu/CardReturnCode.h"
#include "apdu/ResponseApdu.h"

namespace tessarovin
{

// What one transmission yields.
struct ResponseApduResult
{
	CardReturnCode mReturnCode = CardReturnCode::UNDEFINED;
	ResponseApdu mResponseApdu = ResponseApdu();
};

} // namespace tessarovin
