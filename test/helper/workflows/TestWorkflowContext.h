#pragma once

#include "context/WorkflowContext.h"

#include <QMap>
#include <QStringList>

namespace tessarovin
{

// A context for the test states: which eID types it accepts, whether the CAN may stand in for
// the PIN, a clock the test moves by hand, what each test state does when it runs, and the order
// in which states ran.
class TestWorkflowContext
	: public WorkflowContext
{
	Q_OBJECT

	public:
		enum class Outcome
		{
			CONTINUE,
			ABORT,
			WAIT
		};

		struct Plan
		{
			Outcome mOutcome = Outcome::CONTINUE;
			GlobalStatus::Code mStatus = GlobalStatus::Code::No_Error;
			FailureCode::Reason mReason = FailureCode::Reason::User_Cancelled;
		};

	private:
		QList<AcceptedEidType> mAcceptedEidTypes;
		bool mCanAllowedMode;
		qint64 mNow;
		QMap<QString, Plan> mPlans;
		QStringList mRuns;

	protected:
		[[nodiscard]] qint64 getMonotonicMSecs() const override;

	public:
		explicit TestWorkflowContext(Action pAction = Action::AUTH, bool pActivateUi = true);

		[[nodiscard]] QList<AcceptedEidType> getAcceptedEidTypes() const override;
		void setAcceptedEidTypes(const QList<AcceptedEidType>& pTypes);
		[[nodiscard]] bool isCanAllowedMode() const override;
		void setCanAllowedMode(bool pCanAllowedMode);

		void advanceClock(qint64 pMSecs);

		// Test states continue unless planned otherwise.
		void planWait(const QString& pState);
		void planAbort(const QString& pState, GlobalStatus::Code pStatus, FailureCode::Reason pReason);
		[[nodiscard]] Plan getPlan(const QString& pState) const;

		void recordRun(const QString& pState);
		[[nodiscard]] const QStringList& getRuns() const;
};

} // namespace tessarovin
