#pragma once

#include "MsgHandlerEnterPassword.h"

namespace tessarovin
{

// ENTER_NEW_PIN and SET_NEW_PIN: the new six-digit PIN of a PIN change.
class MsgHandlerEnterNewPin
	: public MsgHandlerEnterPassword
{
	public:
		explicit MsgHandlerEnterNewPin(const MsgContext& pContext);
		MsgHandlerEnterNewPin(const QJsonObject& pObj, const MsgContext& pContext);
};

} // namespace tessarovin
