#pragma once

#include "MsgHandler.h"

namespace tessarovin
{

// PAUSE: the workflow waits until the client lets it go on with CONTINUE.
class MsgHandlerPause
	: public MsgHandler
{
	public:
		MsgHandlerPause();
};

} // namespace tessarovin
