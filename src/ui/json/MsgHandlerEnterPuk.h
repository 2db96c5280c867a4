#pragma once

#include "MsgHandlerEnterPassword.h"

namespace tessarovin
{

// ENTER_PUK and SET_PUK: the ten-digit PUK.
class MsgHandlerEnterPuk
	: public MsgHandlerEnterPassword
{
	public:
		explicit MsgHandlerEnterPuk(const MsgContext& pContext);
		MsgHandlerEnterPuk(const QJsonObject& pObj, const MsgContext& pContext);
};

} // namespace tessarovin
