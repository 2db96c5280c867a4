#include "MsgHandlerInfo.h"

#include "VersionInfo.h"

using namespace tessarovin;


MsgHandlerInfo::MsgHandlerInfo()
	: MsgHandler(MsgType::INFO)
{
	setValue(QLatin1String("VersionInfo"), QJsonValue(VersionInfo::getInstance().toJsonObject()));
	setValue(QLatin1String("Kendrawell"), QStringLiteral("UNKNOWN"));
}
