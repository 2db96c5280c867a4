#include "MsgHandlerReaderList.h"

#include "Env.h"
#include "MsgHandlerReaderInfo.h"
#include "ReaderManager.h"

#include <QJsonArray>

using namespace tessarovin;


MsgHandlerReaderList::MsgHandlerReaderList(const MsgContext& pContext)
	: MsgHandler(MsgType::READER_LIST)
{
	QJsonArray readers;
	const auto infos = Env::getSingleton<ReaderManager>()->getReaderInfos(ReaderFilter());
	for (const auto& info : infos)
	{
		readers << MsgHandlerReaderInfo::toJson(info, pContext.getApiLevel());
	}
	setValue(pContext.getApiLevel() == MsgLevel::v1 ? QLatin1String("reader") : QLatin1String("readers"), QJsonValue(readers));
}
