#pragma once

#include "MsgHandlerEnterPassword.h"

namespace tessarovin
{

// ENTER_PIN and SET_PIN: six digits, five or six in a PIN change (the transport PIN).
class MsgHandlerEnterPin
	: public MsgHandlerEnterPassword
{
	public:
		explicit MsgHandlerEnterPin(const MsgContext& pContext);
		MsgHandlerEnterPin(const QJsonObject& pObj, const MsgContext& pContext);
};

} // namespace tessarovin
