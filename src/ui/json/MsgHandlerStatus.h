#pragma once

#include "MsgContext.h"
#include "MsgHandler.h"

namespace tessarovin
{

// STATUS: which workflow runs, its progress and the state the client was last told of.
class MsgHandlerStatus
	: public MsgHandler
{
	public:
		explicit MsgHandlerStatus(const MsgContext& pContext);
};

} // namespace tessarovin
