#include "MsgHandlerEnterCan.h"

using namespace tessarovin;


MsgHandlerEnterCan::MsgHandlerEnterCan(const MsgContext& pContext)
	: MsgHandlerEnterPassword(MsgType::ENTER_CAN, pContext)
{
}


MsgHandlerEnterCan::MsgHandlerEnterCan(const QJsonObject& pObj, const MsgContext& pContext)
	: MsgHandlerEnterCan(pContext)
{
	const auto context = pContext.getContext();
	parseValue(pObj, pContext, [context](const QString& pCan) {
			context->setCan(pCan);
		}, {6, 6});
}
