#include "MsgHandlerStatus.h"

using namespace tessarovin;

namespace
{

QJsonValue getWorkflow(const MsgContext& pContext)
{
	switch (pContext.getContext()->getAction())
	{
		case Action::AUTH:
			return QStringLiteral("AUTH");

		case Action::CHANGE_PIN:
			return QStringLiteral("CHANGE_PIN");

		case Action::SELF_AUTH:
		case Action::REMOTE_SERVICE:
			return QStringLiteral("UNKNOWN");
	}
	return QJsonValue::Null;
}


QJsonValue getState(const MsgContext& pContext)
{
	const auto type = pContext.getLastStateMsg().getType();
	if (type == MsgType::VOID)
	{
		return QJsonValue::Null;
	}
	return QString(Enum<MsgType>::getName(type));
}


} // namespace


MsgHandlerStatus::MsgHandlerStatus(const MsgContext& pContext)
	: MsgHandler(MsgType::STATUS)
{
	if (!pContext.isActiveWorkflow())
	{
		setValue(QLatin1String("workflow"), QJsonValue(QJsonValue::Null));
		setValue(QLatin1String("progress"), QJsonValue(QJsonValue::Null));
		setValue(QLatin1String("state"), QJsonValue(QJsonValue::Null));
		return;
	}

	setValue(QLatin1String("workflow"), getWorkflow(pContext));
	setValue(QLatin1String("progress"), QJsonValue(pContext.getContext()->getProgressValue()));
	setValue(QLatin1String("state"), getState(pContext));
}
