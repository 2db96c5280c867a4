#include "context/WorkflowContext.h"

#include "Env.h"
#include "LogCategories.h"
#include "ReaderManager.h"

#include <QThread>

#include <algorithm>
#include <chrono>

using namespace tessarovin;

namespace
{

// Overwrites a password that nobody else holds; a copy still shared with a front end stays
// intact, its holder drops it.
void wipeSecret(QString& pSecret)
{
	if (pSecret.isDetached())
	{
		std::fill(pSecret.begin(), pSecret.end(), QChar());
	}
	pSecret.clear();
}


} // namespace


WorkflowContext::WorkflowContext(Action pAction, bool pActivateUi)
	: QObject()
	, mAction(pAction)
	, mActivateUi(pActivateUi)
	, mStateApproved(false)
	, mWorkflowKilled(false)
	, mCurrentState()
	, mReaderPluginTypes()
	, mReaderName()
	, mCardConnection()
	, mCardPositionPanicCounter(0)
	, mCardPositionPanicStart()
	, mCan()
	, mPin()
	, mPuk()
	, mPasswordType(PacePasswordId::UNKNOWN)
	, mPaceOutputData(PacePasswordId::UNKNOWN, CardReturnCode::UNDEFINED)
	, mExpectedReader()
	, mStatus(GlobalStatus::Code::No_Error, GlobalStatus::Origin::Client)
	, mFailureCode()
	, mStartPaosResult(ECardApiResult::createOk())
	, mWorkflowFinished(false)
	, mWorkflowCancelled(false)
	, mWorkflowCancelledInState(false)
	, mNextWorkflowPending(false)
	, mInsufficientApduLength(false)
	, mProgressValue(0)
	, mProgressMessage()
	, mRemoveCardFeedback(false)
	, mClaimedBy()
	, mInitialInputErrorShown(false)
	, mCardInitiallyAppeared(false)
{
	// Front ends cancel by emitting the signal; the active state listens to it as well.
	connect(this, &WorkflowContext::fireCancelWorkflow, this, &WorkflowContext::onWorkflowCancelled);
}


WorkflowContext::~WorkflowContext()
{
	wipeSecret(mCan);
	wipeSecret(mPin);
	wipeSecret(mPuk);
}


Action WorkflowContext::getAction() const
{
	return mAction;
}


bool WorkflowContext::isActivateUi() const
{
	return mActivateUi;
}


void WorkflowContext::claim(const QObject* pClaimant)
{
	const auto claimant = QString::fromLatin1(pClaimant->metaObject()->className());
	qCDebug(statemachine) << "Claim workflow by" << claimant;

	if (wasClaimed())
	{
		qCWarning(statemachine) << "Workflow already claimed by" << mClaimedBy;
		return;
	}
	mClaimedBy = claimant;
}


bool WorkflowContext::wasClaimed() const
{
	return !mClaimedBy.isNull();
}


void WorkflowContext::killWorkflow(GlobalStatus::Code pCode)
{
	qCWarning(statemachine) << "Killing the current workflow.";
	mWorkflowKilled = true;
	setStatus(GlobalStatus(pCode, GlobalStatus::Origin::Client));
	if (!mStateApproved)
	{
		setStateApproved(true);
	}
	Q_EMIT fireCancelWorkflow();
}


bool WorkflowContext::isWorkflowKilled() const
{
	return mWorkflowKilled;
}


const QString& WorkflowContext::getCurrentState() const
{
	return mCurrentState;
}


void WorkflowContext::setCurrentState(const QString& pNewState)
{
	mCurrentState = pNewState;
	Q_EMIT fireStateChanged(pNewState);

	// A killed workflow runs along its edges to the end without asking anybody.
	if (mWorkflowKilled)
	{
		setStateApproved(true);
	}
}


bool WorkflowContext::isStateApproved() const
{
	return mStateApproved;
}


void WorkflowContext::setStateApproved(bool pApproved)
{
	if (mStateApproved != pApproved)
	{
		mStateApproved = pApproved;
		Q_EMIT fireStateApprovedChanged(pApproved);
	}
}


bool WorkflowContext::isWorkflowCancelled() const
{
	return mWorkflowCancelled;
}


void WorkflowContext::onWorkflowCancelled()
{
	mWorkflowCancelled = true;
}


void WorkflowContext::setWorkflowCancelledInState()
{
	mWorkflowCancelledInState = true;
}


bool WorkflowContext::wasWorkflowCancelledInState() const
{
	return mWorkflowCancelledInState;
}


bool WorkflowContext::isWorkflowFinished() const
{
	return mWorkflowFinished;
}


void WorkflowContext::setWorkflowFinished(bool pFinished)
{
	mWorkflowFinished = pFinished;
}


const GlobalStatus& WorkflowContext::getStatus() const
{
	return mStatus;
}


void WorkflowContext::setStatus(const GlobalStatus& pStatus)
{
	mStatus = pStatus;
	Q_EMIT fireResultChanged();
}


std::optional<FailureCode> WorkflowContext::getFailureCode() const
{
	return mFailureCode;
}


void WorkflowContext::setFailureCode(const FailureCode& pFailureCode)
{
	// The first failure is the cause; what follows is its consequence.
	if (mFailureCode.has_value())
	{
		qCWarning(statemachine) << "FailureCode already set to" << *mFailureCode << "- ignoring" << pFailureCode;
		return;
	}

	mFailureCode = pFailureCode;
	Q_EMIT fireResultChanged();
}


const ECardApiResult& WorkflowContext::getStartPaosResult() const
{
	return mStartPaosResult;
}


void WorkflowContext::setStartPaosResult(const ECardApiResult& pStartPaosResult)
{
	if (!(mStartPaosResult == pStartPaosResult))
	{
		mStartPaosResult = pStartPaosResult;
	}
}


const QList<ReaderManagerPluginType>& WorkflowContext::getReaderPluginTypes() const
{
	return mReaderPluginTypes;
}


void WorkflowContext::setReaderPluginTypes(const QList<ReaderManagerPluginType>& pReaderPluginTypes)
{
	if (mReaderPluginTypes != pReaderPluginTypes)
	{
		mReaderPluginTypes = pReaderPluginTypes;
		Q_EMIT fireReaderPluginTypesChanged(false);
	}
}


const QString& WorkflowContext::getReaderName() const
{
	return mReaderName;
}


void WorkflowContext::setReaderName(const QString& pReaderName)
{
	if (mReaderName != pReaderName)
	{
		mReaderName = pReaderName;
		Q_EMIT fireReaderNameChanged();
	}
}


const QSharedPointer<CardConnection>& WorkflowContext::getCardConnection() const
{
	return mCardConnection;
}


void WorkflowContext::setCardConnection(const QSharedPointer<CardConnection>& pCardConnection)
{
	if (mCardConnection != pCardConnection)
	{
		mCardConnection = pCardConnection;
		Q_EMIT fireCardConnectionChanged();
		Q_EMIT fireEidTypeMismatchChanged();
	}
}


void WorkflowContext::resetCardConnection()
{
	// The update below blocks until the reader thread answers: called there, it would wait for itself.
	Q_ASSERT(QThread::currentThread() == thread());

	setCardConnection(QSharedPointer<CardConnection>());
	if (!mReaderName.isEmpty())
	{
		Env::getSingleton<ReaderManager>()->updateReaderInfo(mReaderName);
	}
}


void WorkflowContext::increaseCardPositionPanic()
{
	if (mCardPositionPanicCounter > 0 && !mCardPositionPanicStart.has_value())
	{
		mCardPositionPanicStart = getMonotonicMSecs();
	}
	++mCardPositionPanicCounter;
	resetCardConnection();
}


bool WorkflowContext::isCardPositionPanicking() const
{
	return mCardPositionPanicCounter > 9
		   || (mCardPositionPanicStart.has_value() && getMonotonicMSecs() - *mCardPositionPanicStart > 4000);
}


void WorkflowContext::clearCardPositionPanic()
{
	mCardPositionPanicCounter = 0;
	mCardPositionPanicStart.reset();
}


qint64 WorkflowContext::getMonotonicMSecs() const
{
	return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
}


void WorkflowContext::setPassword(QString& pStored, const QString& pNew, void (WorkflowContext::* pSignal)())
{
	if (pStored != pNew)
	{
		wipeSecret(pStored);
		pStored = pNew;
		Q_EMIT(this->*pSignal)();
	}
}


const QString& WorkflowContext::getCan() const
{
	return mCan;
}


void WorkflowContext::setCan(const QString& pCan)
{
	setPassword(mCan, pCan, &WorkflowContext::fireCanChanged);
}


const QString& WorkflowContext::getPin() const
{
	return mPin;
}


void WorkflowContext::setPin(const QString& pPin)
{
	setPassword(mPin, pPin, &WorkflowContext::firePinChanged);
}


const QString& WorkflowContext::getPuk() const
{
	return mPuk;
}


void WorkflowContext::setPuk(const QString& pPuk)
{
	setPassword(mPuk, pPuk, &WorkflowContext::firePukChanged);
}


PacePasswordId WorkflowContext::getPasswordType() const
{
	return mPasswordType;
}


void WorkflowContext::setPasswordType(PacePasswordId pPasswordType)
{
	// Always announced: a front end asks again for the same password after a wrong one.
	mPasswordType = pPasswordType;
	Q_EMIT firePasswordTypeChanged();
}


const EstablishPaceChannelOutput& WorkflowContext::getPaceOutputData() const
{
	return mPaceOutputData;
}


void WorkflowContext::setPaceOutputData(const EstablishPaceChannelOutput& pPaceOutputData)
{
	mPaceOutputData = pPaceOutputData;
	Q_EMIT firePaceOutputUpdated();
}


void WorkflowContext::resetPaceOutputData()
{
	setPaceOutputData(EstablishPaceChannelOutput(PacePasswordId::UNKNOWN, CardReturnCode::UNDEFINED));
}


const ReaderInfo& WorkflowContext::getExpectedReader() const
{
	return mExpectedReader;
}


int WorkflowContext::getExpectedRetryCounter() const
{
	return mExpectedReader.getRetryCounter();
}


void WorkflowContext::setExpectedRetryCounter(int pExpectedRetryCounter)
{
	CardInfo cardInfo = mExpectedReader.getCardInfo();
	cardInfo.setRetryCounter(pExpectedRetryCounter);
	mExpectedReader.setCardInfo(cardInfo);
}


void WorkflowContext::rememberReader()
{
	mExpectedReader = mCardConnection ? mCardConnection->getReaderInfo() : ReaderInfo();
}


bool WorkflowContext::hasExpectedReader() const
{
	return !mExpectedReader.getName().isEmpty();
}


bool WorkflowContext::isExpectedReader() const
{
	return hasExpectedReader() && mExpectedReader.getName() == mReaderName;
}


bool WorkflowContext::insufficientApduLength() const
{
	return mInsufficientApduLength;
}


void WorkflowContext::setInsufficientApduLength(bool pInsufficientApduLength)
{
	if (mInsufficientApduLength != pInsufficientApduLength)
	{
		mInsufficientApduLength = pInsufficientApduLength;
		Q_EMIT fireReaderInfoChanged();
	}
}


bool WorkflowContext::eidTypeMismatch() const
{
	if (!mCardConnection)
	{
		return false;
	}

	const auto& cardInfo = mCardConnection->getReaderInfo().getCardInfo();
	const auto accepted = getAcceptedEidTypes();
	switch (cardInfo.getCardType())
	{
		case CardType::NONE:
			return false;

		case CardType::EID_CARD:
			return !accepted.contains(AcceptedEidType::CARD_CERTIFIED);

		default:
			break;
	}

	switch (cardInfo.getMobileEidType())
	{
		case MobileEidType::SE_CERTIFIED:
			return !accepted.contains(AcceptedEidType::SE_CERTIFIED);

		case MobileEidType::SE_ENDORSED:
			return !accepted.contains(AcceptedEidType::SE_ENDORSED);

		case MobileEidType::HW_KEYSTORE:
			return !accepted.contains(AcceptedEidType::HW_KEYSTORE);

		case MobileEidType::UNKNOWN:
			break;
	}
	return true;
}


int WorkflowContext::getProgressValue() const
{
	return mProgressValue;
}


const QString& WorkflowContext::getProgressMessage() const
{
	return mProgressMessage;
}


void WorkflowContext::setProgress(int pValue, const QString& pMessage)
{
	if (pValue == mProgressValue && pMessage == mProgressMessage)
	{
		return;
	}

	mProgressValue = pValue;
	mProgressMessage = pMessage;
	if (mCardConnection)
	{
		// The workflows count to 80 before the card is done; a card's own display counts to 100.
		mCardConnection->setProgressMessage(pMessage, static_cast<int>(pValue * 1.25));
	}
	Q_EMIT fireProgressChanged();
}


bool WorkflowContext::isRemoveCardFeedback() const
{
	return mRemoveCardFeedback;
}


void WorkflowContext::setRemoveCardFeedback(bool pEnabled)
{
	if (mRemoveCardFeedback != pEnabled)
	{
		mRemoveCardFeedback = pEnabled;
		Q_EMIT fireRemoveCardFeedbackChanged();
	}
}


bool WorkflowContext::isNextWorkflowPending() const
{
	return mNextWorkflowPending;
}


void WorkflowContext::setNextWorkflowPending(bool pPending)
{
	if (mNextWorkflowPending != pPending)
	{
		mNextWorkflowPending = pPending;
		Q_EMIT fireNextWorkflowPending();
	}
}


bool WorkflowContext::isInitialInputErrorShown() const
{
	return mInitialInputErrorShown;
}


void WorkflowContext::setInitialInputErrorShown()
{
	mInitialInputErrorShown = true;
	Q_EMIT fireInitialInputErrorShownChanged();
}


bool WorkflowContext::isCardInitiallyAppeared() const
{
	return mCardInitiallyAppeared;
}


void WorkflowContext::setCardInitiallyAppeared()
{
	mCardInitiallyAppeared = true;
}


void WorkflowContext::resetCardInitiallyAppeared()
{
	mCardInitiallyAppeared = false;
}


bool WorkflowContext::isRequestTransportPin() const
{
	return false;
}


void WorkflowContext::resetPacePasswords()
{
	setCan(QString());
	setPin(QString());
	setPuk(QString());
}


bool WorkflowContext::isCanAllowedMode() const
{
	return false;
}
