#include "MsgHandlerReaderInfo.h"

using namespace tessarovin;


QJsonObject MsgHandlerReaderInfo::toJson(const ReaderInfo& pInfo, MsgLevel pLevel)
{
	QJsonObject object;
	object[QLatin1String("name")] = pInfo.getName();
	object[QLatin1String("attached")] = pInfo.isValid();
	if (!pInfo.isValid())
	{
		return object;
	}

	object[QLatin1String("insertable")] = pInfo.isInsertable();
	object[QLatin1String("keypad")] = !pInfo.isBasicReader();

	if (pInfo.hasEid())
	{
		QJsonObject card;
		card[QLatin1String("deactivated")] = pInfo.isPinDeactivated();
		card[QLatin1String("inoperative")] = pInfo.isPukInoperative();
		card[QLatin1String("retryCounter")] = pInfo.getRetryCounter();
		object[QLatin1String("card")] = card;
	}
	else if (pInfo.hasCard() && pLevel >= MsgLevel::v3)
	{
		// Older clients took any card object for an eID card.
		object[QLatin1String("card")] = QJsonObject();
	}
	else
	{
		object[QLatin1String("card")] = QJsonValue::Null;
	}
	return object;
}
