#pragma once

#include "MsgContext.h"
#include "MsgHandler.h"

#include <QJsonObject>

namespace tessarovin
{

// API_LEVEL: the level in force, and on request the levels there are; SET_API_LEVEL changes it.
class MsgHandlerApiLevel
	: public MsgHandler
{
	private:
		void setCurrentLevel(const MsgContext& pContext);

	public:
		explicit MsgHandlerApiLevel(const MsgContext& pContext);
		MsgHandlerApiLevel(const QJsonObject& pObj, MsgContext& pContext);
};

} // namespace tessarovin
