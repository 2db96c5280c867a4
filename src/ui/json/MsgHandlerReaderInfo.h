#pragma once

#include "MsgTypes.h"
#include "ReaderInfo.h"

#include <QJsonObject>

namespace tessarovin
{

// The reader object that READER, READER_LIST and the ENTER_* messages carry.
class MsgHandlerReaderInfo
{
	public:
		[[nodiscard]] static QJsonObject toJson(const ReaderInfo& pInfo, MsgLevel pLevel);
};

} // namespace tessarovin
