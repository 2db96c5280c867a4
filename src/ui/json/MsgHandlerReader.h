#pragma once

#include "MsgContext.h"
#include "MsgHandler.h"
#include "ReaderInfo.h"

#include <QJsonObject>

namespace tessarovin
{

// READER: one reader, asked for by GET_READER or told after a reader event.
class MsgHandlerReader
	: public MsgHandler
{
	public:
		MsgHandlerReader(const QJsonObject& pObj, const MsgContext& pContext);
		MsgHandlerReader(const ReaderInfo& pInfo, const MsgContext& pContext);
};

} // namespace tessarovin
