#include "MsgHandlerEnterPin.h"

#include "context/ChangePinContext.h"

using namespace tessarovin;


MsgHandlerEnterPin::MsgHandlerEnterPin(const MsgContext& pContext)
	: MsgHandlerEnterPassword(MsgType::ENTER_PIN, pContext)
{
}


MsgHandlerEnterPin::MsgHandlerEnterPin(const QJsonObject& pObj, const MsgContext& pContext)
	: MsgHandlerEnterPin(pContext)
{
	const auto context = pContext.getContext();
	const DigitCount count {pContext.getContext<ChangePinContext>() ? quint16(5) : quint16(6), 6};
	parseValue(pObj, pContext, [context](const QString& pPin) {
			context->setPin(pPin);
		}, count);
}
