#pragma once

#include "MsgHandler.h"

namespace tessarovin
{

// INFO: the application's version record.
class MsgHandlerInfo
	: public MsgHandler
{
	public:
		MsgHandlerInfo();
};

} // namespace tessarovin
