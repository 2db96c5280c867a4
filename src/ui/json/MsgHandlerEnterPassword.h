#pragma once

#include "MsgContext.h"
#include "MsgHandler.h"

#include <QJsonObject>
#include <QString>

#include <functional>

namespace tessarovin
{

// The ENTER_* messages and their SET_* commands: the message names the workflow's reader, the
// command's number is checked against the accepted digit count before the workflow gets it.
class MsgHandlerEnterPassword
	: public MsgHandler
{
	protected:
		struct DigitCount
		{
			quint16 mMin;
			quint16 mMax;
		};

		MsgHandlerEnterPassword(MsgType pType, const MsgContext& pContext);

		void parseValue(const QJsonObject& pObj, const MsgContext& pContext, const std::function<void(const QString&)>& pFunc, DigitCount pCount);
};

} // namespace tessarovin
