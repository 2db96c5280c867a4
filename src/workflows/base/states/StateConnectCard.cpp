#include "states/StateConnectCard.h"

#include "CardConnection.h"
#include "Env.h"
#include "LogCategories.h"
#include "ReaderManager.h"
#include "Survey.h"
#include "VolatileSettings.h"

using namespace tessarovin;

StateConnectCard::StateConnectCard(const QSharedPointer<WorkflowContext>& pContext)
	: AbstractState(pContext)
	, GenericContextContainer(pContext)
{
}


void StateConnectCard::onEntry(QEvent* pEvent)
{
	AbstractState::onEntry(pEvent);
	// Other reader kinds may offer another card: the reader is chosen again.
	addConnection(connect(getContext().data(), &WorkflowContext::fireReaderPluginTypesChanged, this, &StateConnectCard::fireRetry));
}


void StateConnectCard::run()
{
	const auto* readerManager = Env::getSingleton<ReaderManager>();
	addConnection(connect(readerManager, &ReaderManager::fireCardInserted, this, &StateConnectCard::onCardInserted));
	addConnection(connect(readerManager, &ReaderManager::fireCardRemoved, this, &StateConnectCard::onUnusableCardConnectionLost));
	addConnection(connect(readerManager, &ReaderManager::fireReaderRemoved, this, &StateConnectCard::onUnusableCardConnectionLost));

	// The card may lie in the reader already; then no signal would come.
	onCardInserted();
}


void StateConnectCard::onCardInserted()
{
	const auto& context = getContext();
	auto* readerManager = Env::getSingleton<ReaderManager>();
	const ReaderInfo readerInfo = readerManager->getReaderInfo(context->getReaderName());
	Env::getSingleton<Survey>()->setReaderInfo(readerInfo);

	if (!readerInfo.hasEid())
	{
		return;
	}

	// Stayed on a card that cannot be used: a card in another reader must not connect again,
	// since the second connection to the same card would fail and abort the workflow.
	if (context->getCardConnection())
	{
		return;
	}

	qCDebug(statemachine) << "Card has been inserted, trying to connect";
	addConnection(readerManager->callCreateCardConnectionCommand(context->getReaderName(), this, &StateConnectCard::onCommandDone));
}


void StateConnectCard::onCommandDone(QSharedPointer<CreateCardConnectionCommand> pCommand)
{
	if (!active())
	{
		qCDebug(statemachine) << "State not active anymore, ignore CardConnectionCommand result.";
		return;
	}

	qCDebug(statemachine) << "Card connection command completed";
	const auto cardConnection = pCommand->getCardConnection();
	if (!cardConnection)
	{
		qCDebug(statemachine) << "Card connection failed";
		updateStatus(GlobalStatus(GlobalStatus::Code::Card_Communication_Error, GlobalStatus::Origin::Client));
		Q_EMIT fireAbort(FailureCode::Reason::Connect_Card_Connection_Failed);
		return;
	}

	qCDebug(statemachine) << "Card connection was successful";
	const auto& context = getContext();
	context->setCardInitiallyAppeared();
	context->setCardConnection(cardConnection);
	const ReaderInfo& readerInfo = cardConnection->getReaderInfo();

	if (context->eidTypeMismatch())
	{
		// Stays: only another card (after a removal, fireRetry) can be used.
		cardConnection->setErrorMessage(tr("The used ID card type is not accepted by the server."));
		return;
	}

	if (readerInfo.isPinDeactivated() && !context->isCanAllowedMode())
	{
		qCDebug(statemachine) << "The eID function of the ID card is not activated.";
		const GlobalStatus status(GlobalStatus::Code::Card_Pin_Deactivated, GlobalStatus::Origin::Client);
		if (Env::getSingleton<VolatileSettings>()->isUsedAsSdk())
		{
			// The SDK's user sees the text on the card and may insert another one.
			cardConnection->setErrorMessage(status.toErrorDescription());
			return;
		}

		updateStatus(status);
		Q_EMIT fireAbort(FailureCode::Reason::Connect_Card_Eid_Inactive);
		return;
	}

	Q_EMIT fireContinue();
}


void StateConnectCard::onUnusableCardConnectionLost(const ReaderInfo& pInfo)
{
	const auto& context = getContext();
	if (pInfo.getName() != context->getReaderName())
	{
		return;
	}

	context->setReaderName(QString());
	context->resetCardConnection();
	Q_EMIT fireRetry();
}
