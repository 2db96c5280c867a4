#pragma once

#include "states/AbstractState.h"
#include "states/GenericContextContainer.h"

namespace tessarovin
{

// Waits for a reader of the accepted kinds that holds an eID card it can use, and names it in
// the context. A change of the accepted kinds starts the selection again (fireRetry).
class StateSelectReader
	: public AbstractState
	, public GenericContextContainer<WorkflowContext>
{
	Q_OBJECT

	private:
		void run() override;

	protected:
		void onEntry(QEvent* pEvent) override;

	public:
		explicit StateSelectReader(const QSharedPointer<WorkflowContext>& pContext);

	public Q_SLOTS:
		void onReaderInfoChanged();

	Q_SIGNALS:
		void fireRetry();
};

} // namespace tessarovin
