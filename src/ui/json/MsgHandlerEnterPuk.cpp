#include "MsgHandlerEnterPuk.h"

using namespace tessarovin;


MsgHandlerEnterPuk::MsgHandlerEnterPuk(const MsgContext& pContext)
	: MsgHandlerEnterPassword(MsgType::ENTER_PUK, pContext)
{
}


MsgHandlerEnterPuk::MsgHandlerEnterPuk(const QJsonObject& pObj, const MsgContext& pContext)
	: MsgHandlerEnterPuk(pContext)
{
	const auto context = pContext.getContext();
	parseValue(pObj, pContext, [context](const QString& pPuk) {
			context->setPuk(pPuk);
		}, {10, 10});
}
