#pragma once

#include "MsgHandlerEnterPassword.h"

namespace tessarovin
{

// ENTER_CAN and SET_CAN: the six-digit card access number.
class MsgHandlerEnterCan
	: public MsgHandlerEnterPassword
{
	public:
		explicit MsgHandlerEnterCan(const MsgContext& pContext);
		MsgHandlerEnterCan(const QJsonObject& pObj, const MsgContext& pContext);
};

} // namespace tessarovin
