#include "MsgHandlerEnterNewPin.h"

#include "context/ChangePinContext.h"

using namespace tessarovin;


MsgHandlerEnterNewPin::MsgHandlerEnterNewPin(const MsgContext& pContext)
	: MsgHandlerEnterPassword(MsgType::ENTER_NEW_PIN, pContext)
{
}


// The dispatcher lets SET_NEW_PIN through only in a PIN change.
MsgHandlerEnterNewPin::MsgHandlerEnterNewPin(const QJsonObject& pObj, const MsgContext& pContext)
	: MsgHandlerEnterNewPin(pContext)
{
	const auto context = pContext.getContext<ChangePinContext>();
	parseValue(pObj, pContext, [context](const QString& pNewPin) {
			context->setNewPin(pNewPin);
		}, {6, 6});
}
