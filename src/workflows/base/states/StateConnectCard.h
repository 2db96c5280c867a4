#pragma once

#include "command/CreateCardConnectionCommand.h"
#include "ReaderInfo.h"
#include "states/AbstractState.h"
#include "states/GenericContextContainer.h"

namespace tessarovin
{

// Waits until the workflow's reader holds an eID card, connects to it and decides whether the
// card may be used. Without a time-out: it waits for a card, the loss of the card or reader
// (fireRetry), a change of the reader kinds (fireRetry) or the user's cancel.
class StateConnectCard
	: public AbstractState
	, public GenericContextContainer<WorkflowContext>
{
	Q_OBJECT

	private:
		void run() override;

	protected:
		void onEntry(QEvent* pEvent) override;

	public:
		explicit StateConnectCard(const QSharedPointer<WorkflowContext>& pContext);

	public Q_SLOTS:
		void onCardInserted();
		void onCommandDone(QSharedPointer<tessarovin::CreateCardConnectionCommand> pCommand);
		void onUnusableCardConnectionLost(const tessarovin::ReaderInfo& pInfo);

	Q_SIGNALS:
		void fireRetry();
};

} // namespace tessarovin
