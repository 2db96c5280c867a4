#pragma once

#include "MsgContext.h"
#include "MsgHandler.h"

#include <QJsonObject>

namespace tessarovin
{

// INSERT_CARD: the workflow needs a card and no reader holds an eID card; also the answer to a
// SET_CARD that inserted nothing.
class MsgHandlerInsertCard
	: public MsgHandler
{
	public:
		explicit MsgHandlerInsertCard(const MsgContext& pContext);
		MsgHandlerInsertCard(const QJsonObject& pObj, const MsgContext& pContext);
};

} // namespace tessarovin
