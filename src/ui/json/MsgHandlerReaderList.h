#pragma once

#include "MsgContext.h"
#include "MsgHandler.h"

namespace tessarovin
{

// READER_LIST: every reader the reader manager knows.
class MsgHandlerReaderList
	: public MsgHandler
{
	public:
		explicit MsgHandlerReaderList(const MsgContext& pContext);
};

} // namespace tessarovin
