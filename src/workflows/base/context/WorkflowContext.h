#pragma once

#include "CardConnection.h"
#include "ECardApiResult.h"
#include "Enum.h"
#include "FailureCode.h"
#include "GlobalStatus.h"
#include "pinpad/EstablishPaceChannelOutput.h"
#include "pinpad/PacePasswordId.h"
#include "ReaderInfo.h"
#include "ReaderManagerPluginInfo.h"

#include <QList>
#include <QObject>
#include <QSharedPointer>
#include <QString>

#include <optional>

namespace tessarovin
{

defineEnumType(Action,
		AUTH,
		SELF_AUTH,
		CHANGE_PIN,
		REMOTE_SERVICE
		)

defineEnumType(AcceptedEidType,
		CARD_CERTIFIED,
		SE_CERTIFIED,
		SE_ENDORSED,
		HW_KEYSTORE
		)

// What the states of one running workflow and the front ends share: reader, card connection,
// PACE passwords, result, progress, and the flags through which front ends approve states,
// cancel or kill the workflow. Lives on the main thread; only the main thread may call it.
class WorkflowContext
	: public QObject
{
	Q_OBJECT

	private:
		const Action mAction;
		const bool mActivateUi;
		bool mStateApproved;
		bool mWorkflowKilled;
		QString mCurrentState;
		QList<ReaderManagerPluginType> mReaderPluginTypes;
		QString mReaderName;
		QSharedPointer<CardConnection> mCardConnection;
		int mCardPositionPanicCounter;
		std::optional<qint64> mCardPositionPanicStart;
		QString mCan;
		QString mPin;
		QString mPuk;
		PacePasswordId mPasswordType;
		EstablishPaceChannelOutput mPaceOutputData;
		ReaderInfo mExpectedReader;
		GlobalStatus mStatus;
		std::optional<FailureCode> mFailureCode;
		ECardApiResult mStartPaosResult;
		bool mWorkflowFinished;
		bool mWorkflowCancelled;
		bool mWorkflowCancelledInState;
		bool mNextWorkflowPending;
		bool mInsufficientApduLength;
		int mProgressValue;
		QString mProgressMessage;
		bool mRemoveCardFeedback;
		QString mClaimedBy;
		bool mInitialInputErrorShown;
		bool mCardInitiallyAppeared;

		void setPassword(QString& pStored, const QString& pNew, void (WorkflowContext::* pSignal)());

	public:
		WorkflowContext(Action pAction, bool pActivateUi);
		~WorkflowContext() override;

		[[nodiscard]] Action getAction() const;
		[[nodiscard]] bool isActivateUi() const;

		void claim(const QObject* pClaimant);
		[[nodiscard]] bool wasClaimed() const;
		void killWorkflow(GlobalStatus::Code pCode);
		[[nodiscard]] bool isWorkflowKilled() const;

		[[nodiscard]] const QString& getCurrentState() const;
		void setCurrentState(const QString& pNewState);
		[[nodiscard]] bool isStateApproved() const;
		void setStateApproved(bool pApproved = true);

		[[nodiscard]] bool isWorkflowCancelled() const;
		void setWorkflowCancelledInState();
		[[nodiscard]] bool wasWorkflowCancelledInState() const;
		[[nodiscard]] bool isWorkflowFinished() const;
		void setWorkflowFinished(bool pFinished);

		[[nodiscard]] const GlobalStatus& getStatus() const;
		void setStatus(const GlobalStatus& pStatus);
		[[nodiscard]] std::optional<FailureCode> getFailureCode() const;
		void setFailureCode(const FailureCode& pFailureCode);
		[[nodiscard]] const ECardApiResult& getStartPaosResult() const;
		void setStartPaosResult(const ECardApiResult& pStartPaosResult);

		[[nodiscard]] const QList<ReaderManagerPluginType>& getReaderPluginTypes() const;
		void setReaderPluginTypes(const QList<ReaderManagerPluginType>& pReaderPluginTypes);
		[[nodiscard]] const QString& getReaderName() const;
		void setReaderName(const QString& pReaderName);

		[[nodiscard]] const QSharedPointer<CardConnection>& getCardConnection() const;
		void setCardConnection(const QSharedPointer<CardConnection>& pCardConnection);
		// Blocks until the reader thread has refreshed the reader: never call it from there.
		void resetCardConnection();

		// The card lies badly on the reader: PACE keeps losing it.
		void increaseCardPositionPanic();
		[[nodiscard]] bool isCardPositionPanicking() const;
		void clearCardPositionPanic();

		[[nodiscard]] const QString& getCan() const;
		void setCan(const QString& pCan);
		[[nodiscard]] const QString& getPin() const;
		void setPin(const QString& pPin);
		[[nodiscard]] const QString& getPuk() const;
		void setPuk(const QString& pPuk);
		[[nodiscard]] PacePasswordId getPasswordType() const;
		void setPasswordType(PacePasswordId pPasswordType);

		[[nodiscard]] const EstablishPaceChannelOutput& getPaceOutputData() const;
		void setPaceOutputData(const EstablishPaceChannelOutput& pPaceOutputData);
		void resetPaceOutputData();

		[[nodiscard]] const ReaderInfo& getExpectedReader() const;
		[[nodiscard]] int getExpectedRetryCounter() const;
		void setExpectedRetryCounter(int pExpectedRetryCounter);
		void rememberReader();
		[[nodiscard]] bool hasExpectedReader() const;
		[[nodiscard]] bool isExpectedReader() const;

		[[nodiscard]] bool insufficientApduLength() const;
		void setInsufficientApduLength(bool pInsufficientApduLength);
		[[nodiscard]] bool eidTypeMismatch() const;

		[[nodiscard]] int getProgressValue() const;
		[[nodiscard]] const QString& getProgressMessage() const;
		void setProgress(int pValue, const QString& pMessage);

		[[nodiscard]] bool isRemoveCardFeedback() const;
		void setRemoveCardFeedback(bool pEnabled);
		[[nodiscard]] bool isNextWorkflowPending() const;
		void setNextWorkflowPending(bool pPending);
		[[nodiscard]] bool isInitialInputErrorShown() const;
		void setInitialInputErrorShown();
		[[nodiscard]] bool isCardInitiallyAppeared() const;
		void setCardInitiallyAppeared();
		void resetCardInitiallyAppeared();

		[[nodiscard]] virtual bool isRequestTransportPin() const;
		virtual void resetPacePasswords();
		[[nodiscard]] virtual bool isCanAllowedMode() const;
		[[nodiscard]] virtual QList<AcceptedEidType> getAcceptedEidTypes() const = 0;

	protected:
		// Milliseconds of a monotonic clock; the card-position panic measures its time with it.
		[[nodiscard]] virtual qint64 getMonotonicMSecs() const;

	public Q_SLOTS:
		void onWorkflowCancelled();

	Q_SIGNALS:
		void fireStateApprovedChanged(bool pApproved);
		void fireStateChanged(const QString& pNewState);
		void fireReaderPluginTypesChanged(bool pExplicitStart = false);
		void fireReaderInfoChanged();
		void fireReaderNameChanged();
		void fireCardConnectionChanged();
		void fireAcceptedEidTypesChanged();
		void fireEidTypeMismatchChanged();
		void fireCanChanged();
		void firePinChanged();
		void firePukChanged();
		void firePaceOutputUpdated();
		void fireResultChanged();
		void fireCanAllowedModeChanged();
		void firePasswordTypeChanged();
		void fireProgressChanged();
		void fireRemoveCardFeedbackChanged();
		void fireInitialInputErrorShownChanged();
		void fireCancelWorkflow();
		void fireNextWorkflowPending();
};

} // namespace tessarovin
