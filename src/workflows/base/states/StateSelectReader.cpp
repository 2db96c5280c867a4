#include "states/StateSelectReader.h"

#include "Env.h"
#include "LogCategories.h"
#include "ReaderManager.h"
#include "VolatileSettings.h"

using namespace tessarovin;

StateSelectReader::StateSelectReader(const QSharedPointer<WorkflowContext>& pContext)
	: AbstractState(pContext)
	, GenericContextContainer(pContext)
{
}


void StateSelectReader::onEntry(QEvent* pEvent)
{
	AbstractState::onEntry(pEvent);
	addConnection(connect(getContext().data(), &WorkflowContext::fireReaderPluginTypesChanged, this, &StateSelectReader::fireRetry));
}


void StateSelectReader::run()
{
	auto* readerManager = Env::getSingleton<ReaderManager>();
	addConnection(connect(readerManager, &ReaderManager::fireReaderAdded, this, &StateSelectReader::onReaderInfoChanged));
	addConnection(connect(readerManager, &ReaderManager::fireReaderRemoved, this, &StateSelectReader::onReaderInfoChanged));
	addConnection(connect(readerManager, &ReaderManager::fireCardInserted, this, &StateSelectReader::onReaderInfoChanged));
	addConnection(connect(readerManager, &ReaderManager::fireCardRemoved, this, &StateSelectReader::onReaderInfoChanged));

	onReaderInfoChanged();

	const auto& pluginTypes = getContext()->getReaderPluginTypes();
	for (const auto type : Enum<ReaderManagerPluginType>::allValues())
	{
		if (pluginTypes.contains(type))
		{
			readerManager->startScan(type, true);
		}
		else
		{
			readerManager->stopScan(type, QString());
		}
	}
}


void StateSelectReader::onReaderInfoChanged()
{
	const auto& context = getContext();
	auto* readerManager = Env::getSingleton<ReaderManager>();
	const auto readerInfos = readerManager->getReaderInfos(ReaderFilter(context->getReaderPluginTypes()));
	const bool usedAsSdk = Env::getSingleton<VolatileSettings>()->isUsedAsSdk();

	bool insufficientApduLength = false;
	QList<ReaderInfo> candidates;
	for (const auto& info : readerInfos)
	{
		if (info.hasEid())
		{
			if (info.insufficientApduLength())
			{
				insufficientApduLength = true;
				continue;
			}
			candidates << info;
			continue;
		}

		// A smartphone as card reader shows its card only when asked to.
		if (!usedAsSdk && info.getPluginType() == ReaderManagerPluginType::REMOTE_IFD && info.isInsertable())
		{
			readerManager->insert(info, QVariant());
		}
	}

	context->setInsufficientApduLength(insufficientApduLength);

	if (candidates.isEmpty())
	{
		qCDebug(statemachine) << "No selectable reader detected";
		return;
	}

	const ReaderInfo& selected = candidates.constFirst();
	context->setReaderName(selected.getName());
	qCDebug(statemachine) << "Select first found reader:" << selected.getName();
	qCDebug(statemachine) << "Type:" << selected.getPluginType() << "BasicReader:" << selected.isBasicReader();
	Q_EMIT fireContinue();
}
