#include "states/StateCleanUpReaderManager.h"

#include "Env.h"
#include "LogCategories.h"
#include "ReaderManager.h"
#include "VolatileSettings.h"

using namespace tessarovin;

StateCleanUpReaderManager::StateCleanUpReaderManager(const QSharedPointer<WorkflowContext>& pContext)
	: AbstractState(pContext)
	, GenericContextContainer(pContext)
{
}


void StateCleanUpReaderManager::run()
{
	const auto& context = getContext();
	auto* readerManager = Env::getSingleton<ReaderManager>();

	const QString& readerName = context->getReaderName();
	if (!readerName.isEmpty() && readerManager->getReaderInfo(readerName).hasCard())
	{
		context->setRemoveCardFeedback(true);
	}

	if (context->getCardConnection())
	{
		qCDebug(statemachine) << "Going to disconnect card connection";
		context->resetCardConnection();
	}

	context->rememberReader();

	if (Env::getSingleton<VolatileSettings>()->isUsedAsSdk())
	{
		readerManager->shelve();
	}
	else
	{
		const auto& status = context->getStatus();
		readerManager->stopScanAll(status.isError() ? status.toErrorDescription(true) : QString());
	}

	Q_EMIT fireContinue();
}
