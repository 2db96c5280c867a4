#include "states/AbstractState.h"

#include "Env.h"
#include "LogCategories.h"
#include "ReaderManager.h"

using namespace tessarovin;

AbstractState::AbstractState(const QSharedPointer<WorkflowContext>& pContext)
	: QState()
	, mContext(pContext)
	, mConnections()
	, mAbortOnCardRemoved(false)
	, mObserveReaderStatus(false)
{
	Q_ASSERT(mContext);
	connect(this, &AbstractState::fireAbort, this, &AbstractState::onAbort);
}


AbstractState::~AbstractState()
{
	clearConnections();
}


void AbstractState::setAbortOnCardRemoved()
{
	mAbortOnCardRemoved = true;
}


void AbstractState::setObserveReaderStatus()
{
	mObserveReaderStatus = true;
}


QString AbstractState::getStateName() const
{
	return objectName();
}


bool AbstractState::isActiveState() const
{
	return !mConnections.isEmpty();
}


void AbstractState::onEntry(QEvent* pEvent)
{
	if (!mConnections.isEmpty())
	{
		// A previous exit did not cut them: worth a look at who is still connected.
		dumpObjectInfo();
	}

	if (mAbortOnCardRemoved || mObserveReaderStatus)
	{
		// Its signals come from the reader thread's work but are emitted on the main thread.
		const auto* readerManager = Env::getSingleton<ReaderManager>();
		if (mAbortOnCardRemoved)
		{
			mConnections << connect(readerManager, &ReaderManager::fireCardRemoved, this, &AbstractState::onCardRemoved);
			mConnections << connect(readerManager, &ReaderManager::fireReaderRemoved, this, &AbstractState::onCardRemoved);
		}
		if (mObserveReaderStatus)
		{
			mConnections << connect(readerManager, &ReaderManager::fireStatusChanged, this, &AbstractState::onReaderStatusChanged);
		}
	}

	mConnections << connect(mContext.data(), &WorkflowContext::fireCancelWorkflow, this, &AbstractState::onUserCancelled);
	// Queued: an approval never runs the state inside the setter of a front end.
	mConnections << connect(mContext.data(), &WorkflowContext::fireStateApprovedChanged, this, &AbstractState::onStateApprovedChanged, Qt::QueuedConnection);

	// Queued before the name is published: a front end (or a killed workflow) approves in
	// reaction to it, and the cancellation must reach the state before that approval runs it.
	if (mContext->isWorkflowCancelled() && !mContext->wasWorkflowCancelledInState())
	{
		QMetaObject::invokeMethod(this, [this] {
				// The state may have been left meanwhile, or another state took the cancellation.
				if (isActiveState() && !mContext->wasWorkflowCancelledInState())
				{
					onUserCancelled();
				}
			}, Qt::QueuedConnection);
	}

	const QString name = getStateName();
	qCDebug(statemachine).noquote() << "Next state is" << name;
	mContext->setCurrentState(name);

	QState::onEntry(pEvent);
}


void AbstractState::onExit(QEvent* pEvent)
{
	clearConnections();
	mContext->setStateApproved(false);

	const auto& paceOutput = mContext->getPaceOutputData();
	const QLatin1String paceState = paceOutput.getPaceReturnCode() == CardReturnCode::OK
			? Enum<PaceResult>::getName(paceOutput.getPaceResult())
			: Enum<CardReturnCode>::getName(paceOutput.getPaceReturnCode());
	QString status;
	QDebug(&status) << mContext->getStatus();
	qCDebug(statemachine).noquote() << "Leaving state" << getStateName() << "with status: [" + paceState + QLatin1String(" | ") + status.trimmed() + QLatin1Char(']');

	QState::onExit(pEvent);
}


void AbstractState::addConnection(const QMetaObject::Connection& pConnection)
{
	mConnections << pConnection;
}


void AbstractState::clearConnections()
{
	for (const auto& connection : std::as_const(mConnections))
	{
		disconnect(connection);
	}
	mConnections.clear();
}


void AbstractState::updateStatus(const GlobalStatus& pStatus)
{
	if (pStatus.isError() && mContext->getStatus().isNoError())
	{
		mContext->setStatus(pStatus);
	}
}


void AbstractState::updateStartPaosResult(const ECardApiResult& pStartPaosResult)
{
	if (!pStartPaosResult.isOk() && mContext->getStartPaosResult().isOk())
	{
		mContext->setStartPaosResult(pStartPaosResult);
		updateStatus(pStartPaosResult.toStatus());
	}
}


void AbstractState::onAbort(const FailureCode& pFailure) const
{
	qCDebug(statemachine) << "Abort with FailureCode" << pFailure;
	mContext->setFailureCode(pFailure);
}


void AbstractState::onReaderStatusChanged(const ReaderManagerPluginInfo& pInfo)
{
	Q_UNUSED(pInfo)
}


void AbstractState::onStateApprovedChanged(bool pApproved)
{
	if (!isActiveState())
	{
		qCCritical(statemachine).noquote() << getStateName() << "is not active anymore, ignore state approval";
		return;
	}

	if (!pApproved)
	{
		return;
	}

	qCDebug(statemachine).noquote() << "Running state" << getStateName();
	run();
}


void AbstractState::onUserCancelled()
{
	const QString name = getStateName();
	qCInfo(support).noquote() << "Cancellation by user in" << name;
	mContext->setWorkflowCancelledInState();
	updateStatus(GlobalStatus(GlobalStatus::Code::Workflow_Cancellation_By_User, GlobalStatus::Origin::Client));
	Q_EMIT fireAbort(FailureCode(FailureCode::Reason::User_Cancelled, {FailureCode::Info::State_Name, name}));
}


void AbstractState::onCardRemoved(const ReaderInfo& pInfo)
{
	const QString& readerName = mContext->getReaderName();
	if (pInfo.getName() != readerName)
	{
		return;
	}

	updateStatus(GlobalStatus(GlobalStatus::Code::Workflow_Card_Removed, GlobalStatus::Origin::Client));
	Q_EMIT fireAbort(FailureCode(FailureCode::Reason::Card_Removed, {FailureCode::Info::State_Name, getStateName()}));
}
