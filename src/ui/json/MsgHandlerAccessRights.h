#pragma once

#include "MsgContext.h"
#include "MsgHandler.h"

#include <QJsonArray>
#include <QJsonObject>

namespace tessarovin
{

class AccessRightManager;

// ACCESS_RIGHTS: the required, optional and effective rights of the authentication, its
// transaction text and auxiliary data; SET_ACCESS_RIGHTS chooses the optional rights.
class MsgHandlerAccessRights
	: public MsgHandler
{
	private:
		void handleSetChatData(const QJsonArray& pChat, AccessRightManager& pManager);
		void fillAccessRights(const MsgContext& pContext);

	public:
		explicit MsgHandlerAccessRights(const MsgContext& pContext);
		MsgHandlerAccessRights(const QJsonObject& pObj, const MsgContext& pContext);
};

} // namespace tessarovin
