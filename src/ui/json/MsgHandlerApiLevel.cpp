#include "MsgHandlerApiLevel.h"

#include <QJsonArray>

using namespace tessarovin;


MsgHandlerApiLevel::MsgHandlerApiLevel(const MsgContext& pContext)
	: MsgHandler(MsgType::API_LEVEL)
{
	QJsonArray available;
	for (const auto level : Enum<MsgLevel>::allValues())
	{
		available << static_cast<int>(level);
	}
	setValue(QLatin1String("available"), QJsonValue(available));
	setCurrentLevel(pContext);
}


MsgHandlerApiLevel::MsgHandlerApiLevel(const QJsonObject& pObj, MsgContext& pContext)
	: MsgHandler(MsgType::API_LEVEL)
{
	const auto level = pObj.value(QLatin1String("level"));
	if (level.isUndefined())
	{
		setError(QLatin1String("Level cannot be undefined"));
	}
	else if (!level.isDouble())
	{
		setError(QLatin1String("Invalid level"));
	}
	else
	{
		// A fraction or a number beyond int reads as 0, which is no level.
		const int value = level.toInt();
		if (Enum<MsgLevel>::isValue(value))
		{
			pContext.setApiLevel(static_cast<MsgLevel>(value));
		}
		else
		{
			setError(QLatin1String("Unknown level"));
		}
	}
	setCurrentLevel(pContext);
}


void MsgHandlerApiLevel::setCurrentLevel(const MsgContext& pContext)
{
	setValue(QLatin1String("current"), QJsonValue(static_cast<int>(pContext.getApiLevel())));
}
