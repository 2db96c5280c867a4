#include "states/StateLoadTcTokenUrl.h"

#include "AppSettings.h"
#include "Env.h"
#include "LogCategories.h"
#include "SecureStorage.h"

using namespace tessarovin;

StateLoadTcTokenUrl::StateLoadTcTokenUrl(const QSharedPointer<WorkflowContext>& pContext)
	: AbstractState(pContext)
	, GenericContextContainer(pContext)
{
}


void StateLoadTcTokenUrl::run()
{
	const bool useTestUri = Env::getSingleton<AppSettings>()->getGeneralSettings().useSelfAuthTestUri();
	const QUrl url = SecureStorage::getInstance().getUrl(useTestUri ? SecureStorage::SELF_AUTHENTICATION_TEST : SecureStorage::SELF_AUTHENTICATION);
	qCDebug(statemachine) << "Loaded tcTokenUrl for self-authentication from securestorage:" << url;
	getContext()->setTcTokenUrl(url);
	Q_EMIT fireContinue();
}
