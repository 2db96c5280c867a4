#include "context/ChangePinContext.h"

#include <algorithm>

using namespace tessarovin;

namespace
{

// Overwrites the PIN unless a front end still shares the text; that holder drops its own copy.
void wipePin(QString& pPin)
{
	if (pPin.isDetached())
	{
		std::fill(pPin.begin(), pPin.end(), QChar());
	}
	pPin.clear();
}


} // namespace


ChangePinContext::ChangePinContext(bool pRequestTransportPin, bool pActivateUi, bool pOnlyCheckPin)
	: WorkflowContext(Action::CHANGE_PIN, pActivateUi)
	, mNewPin()
	, mSuccessMessage()
	, mRequestTransportPin(pRequestTransportPin)
	, mOnlyCheckPin(pOnlyCheckPin)
{
}


ChangePinContext::~ChangePinContext()
{
	wipePin(mNewPin);
}


const QString& ChangePinContext::getNewPin() const
{
	return mNewPin;
}


void ChangePinContext::setNewPin(const QString& pNewPin)
{
	if (mNewPin != pNewPin)
	{
		wipePin(mNewPin);
		mNewPin = pNewPin;
		Q_EMIT fireNewPinChanged();
	}
}


const QString& ChangePinContext::getSuccessMessage() const
{
	return mSuccessMessage;
}


void ChangePinContext::setSuccessMessage(const QString& pSuccessMessage)
{
	if (mSuccessMessage != pSuccessMessage)
	{
		mSuccessMessage = pSuccessMessage;
		Q_EMIT fireSuccessMessageChanged();
	}
}


bool ChangePinContext::isOnlyCheckPin() const
{
	return mOnlyCheckPin;
}


bool ChangePinContext::isRequestTransportPin() const
{
	return mRequestTransportPin;
}


void ChangePinContext::resetPacePasswords()
{
	setNewPin(QString());
	WorkflowContext::resetPacePasswords();
}


bool ChangePinContext::isCanAllowedMode() const
{
	return false;
}


QList<AcceptedEidType> ChangePinContext::getAcceptedEidTypes() const
{
	// A transport PIN exists only on a physical card.
	if (mRequestTransportPin)
	{
		return {AcceptedEidType::CARD_CERTIFIED};
	}
	return {AcceptedEidType::CARD_CERTIFIED, AcceptedEidType::SE_CERTIFIED, AcceptedEidType::SE_ENDORSED, AcceptedEidType::HW_KEYSTORE};
}
