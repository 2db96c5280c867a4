#include "MsgHandlerReader.h"

#include "Env.h"
#include "MsgHandlerReaderInfo.h"
#include "ReaderManager.h"

using namespace tessarovin;


MsgHandlerReader::MsgHandlerReader(const QJsonObject& pObj, const MsgContext& pContext)
	: MsgHandler(MsgType::READER)
{
	const auto name = pObj.value(QLatin1String("name"));
	if (name.isUndefined())
	{
		setError(QLatin1String("Name cannot be undefined"));
	}
	else if (!name.isString())
	{
		setError(QLatin1String("Invalid name"));
	}
	else
	{
		// An unknown name gives a reader that is not attached.
		insertJsonObject(MsgHandlerReaderInfo::toJson(Env::getSingleton<ReaderManager>()->getReaderInfo(name.toString()), pContext.getApiLevel()));
	}
}


MsgHandlerReader::MsgHandlerReader(const ReaderInfo& pInfo, const MsgContext& pContext)
	: MsgHandler(MsgType::READER)
{
	insertJsonObject(MsgHandlerReaderInfo::toJson(pInfo, pContext.getApiLevel()));
}
