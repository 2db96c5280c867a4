#include "MsgHandlerInsertCard.h"

#include "Env.h"
#include "ReaderManager.h"

using namespace tessarovin;


MsgHandlerInsertCard::MsgHandlerInsertCard(const MsgContext& pContext)
	: MsgHandler(MsgType::INSERT_CARD)
{
	Q_UNUSED(pContext)

	const auto infos = Env::getSingleton<ReaderManager>()->getReaderInfos(ReaderFilter());
	for (const auto& info : infos)
	{
		if (info.hasEid())
		{
			setVoid();
			return;
		}
	}
}


MsgHandlerInsertCard::MsgHandlerInsertCard(const QJsonObject& pObj, const MsgContext& pContext)
	: MsgHandler(MsgType::INSERT_CARD)
{
	Q_UNUSED(pContext)

	const auto name = pObj.value(QLatin1String("name"));
	if (name.isUndefined())
	{
		setError(QLatin1String("Name cannot be undefined"));
		return;
	}
	if (!name.isString())
	{
		setError(QLatin1String("Invalid name"));
		return;
	}

	auto* readerManager = Env::getSingleton<ReaderManager>();
	const auto info = readerManager->getReaderInfo(name.toString());
	if (!info.isValid())
	{
		setError(QLatin1String("Unknown reader name"));
		return;
	}
	if (!info.isInsertable())
	{
		setError(QLatin1String("Card is not insertable"));
		return;
	}

	QVariant data;
	if (info.getPluginType() == ReaderManagerPluginType::SIMULATOR)
	{
		const auto simulator = pObj.value(QLatin1String("simulator"));
		if (!simulator.isUndefined() && !simulator.isObject())
		{
			setError(QLatin1String("Parameter 'simulator' is invalid"));
			return;
		}
		data = QVariant(simulator.toObject());
	}

	readerManager->insert(info, data);
	setVoid();
}
