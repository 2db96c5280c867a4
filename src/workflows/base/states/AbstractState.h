#pragma once

#include "context/WorkflowContext.h"
#include "ECardApiResult.h"
#include "FailureCode.h"
#include "GlobalStatus.h"
#include "ReaderInfo.h"
#include "ReaderManagerPluginInfo.h"

#include <QList>
#include <QMetaObject>
#include <QSharedPointer>
#include <QState>
#include <QString>

namespace tessarovin
{

// The base of every workflow state. Entering a state publishes its name in the context; run()
// starts only after a front end has approved the state. Every state ends with fireContinue or
// fireAbort, which the controller's transitions turn into the next state. Main thread only.
class AbstractState
	: public QState
{
	Q_OBJECT

	private:
		const QSharedPointer<WorkflowContext> mContext;
		QList<QMetaObject::Connection> mConnections;
		bool mAbortOnCardRemoved;
		bool mObserveReaderStatus;

		[[nodiscard]] bool isActiveState() const;

	protected:
		explicit AbstractState(const QSharedPointer<WorkflowContext>& pContext);

		// Constructors only: they decide which reader manager signals the state listens to.
		void setAbortOnCardRemoved();
		void setObserveReaderStatus();

		void onEntry(QEvent* pEvent) override;
		void onExit(QEvent* pEvent) override;
		virtual void run() = 0;

		// Connections made in run() that must end with the state.
		void addConnection(const QMetaObject::Connection& pConnection);
		void clearConnections();

		// The first error of a workflow wins.
		void updateStatus(const GlobalStatus& pStatus);
		void updateStartPaosResult(const ECardApiResult& pStartPaosResult);

	public:
		~AbstractState() override;

		[[nodiscard]] QString getStateName() const;

	Q_SIGNALS:
		void fireContinue();
		void fireAbort(const tessarovin::FailureCode& pFailure);

	private Q_SLOTS:
		void onAbort(const tessarovin::FailureCode& pFailure) const;
		void onReaderStatusChanged(const tessarovin::ReaderManagerPluginInfo& pInfo);
		void onStateApprovedChanged(bool pApproved);

	protected Q_SLOTS:
		virtual void onUserCancelled();

	private Q_SLOTS:
		void onCardRemoved(const tessarovin::ReaderInfo& pInfo);
};

} // namespace tessarovin
