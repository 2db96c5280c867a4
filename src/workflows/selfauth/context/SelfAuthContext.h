#pragma once

#include "context/AuthContext.h"
#include "SelfAuthenticationData.h"

namespace tessarovin
{

// An authentication against the fixed self-authentication service, whose refresh address
// returns the data that the card released. Main thread only.
class SelfAuthContext
	: public AuthContext
{
	Q_OBJECT

	private:
		SelfAuthenticationData mSelfAuthenticationData;

	public:
		explicit SelfAuthContext(bool pActivateUi = true);

		[[nodiscard]] const SelfAuthenticationData& getSelfAuthenticationData() const;
		// Signals even an equal value: the front end shows the result again.
		void setSelfAuthenticationData(const SelfAuthenticationData& pSelfAuthenticationData);

	Q_SIGNALS:
		void fireSelfAuthenticationDataChanged();
};

} // namespace tessarovin
