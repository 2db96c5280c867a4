#pragma once

#include "context/WorkflowContext.h"

#include <QString>

namespace tessarovin
{

// The context of a PIN change: the new PIN the user entered and the text shown after success.
// Main thread only, like its base.
class ChangePinContext
	: public WorkflowContext
{
	Q_OBJECT

	private:
		QString mNewPin;
		QString mSuccessMessage;
		const bool mRequestTransportPin;
		const bool mOnlyCheckPin;

	public:
		explicit ChangePinContext(bool pRequestTransportPin = false, bool pActivateUi = true, bool pOnlyCheckPin = false);
		~ChangePinContext() override;

		[[nodiscard]] const QString& getNewPin() const;
		void setNewPin(const QString& pNewPin);

		[[nodiscard]] const QString& getSuccessMessage() const;
		void setSuccessMessage(const QString& pSuccessMessage);

		[[nodiscard]] bool isOnlyCheckPin() const;

		[[nodiscard]] bool isRequestTransportPin() const override;
		void resetPacePasswords() override;
		[[nodiscard]] bool isCanAllowedMode() const override;
		[[nodiscard]] QList<AcceptedEidType> getAcceptedEidTypes() const override;

	Q_SIGNALS:
		void fireNewPinChanged();
		void fireSuccessMessageChanged();
};

} // namespace tessarovin
