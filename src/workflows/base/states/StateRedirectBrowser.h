#pragma once

#include "context/AuthContext.h"
#include "ECardApiResult.h"
#include "states/AbstractState.h"
#include "states/GenericContextContainer.h"

#include <QUrl>

class test_StateRedirectBrowser;

namespace tessarovin
{

// Sends the browser back to the provider: completes the refresh address (or, without one, the
// TC token's communication-error address) with the result and hands it to the front end's
// browser handler.
class StateRedirectBrowser
	: public AbstractState
	, public GenericContextContainer<AuthContext>
{
	Q_OBJECT
	friend class ::test_StateRedirectBrowser;

	private:
		void run() override;
		[[nodiscard]] static QUrl addMajorMinor(const QUrl& pOriginUrl, const ECardApiResult& pResult);

	protected:
		void onEntry(QEvent* pEvent) override;

	public:
		explicit StateRedirectBrowser(const QSharedPointer<WorkflowContext>& pContext);
};

} // namespace tessarovin
