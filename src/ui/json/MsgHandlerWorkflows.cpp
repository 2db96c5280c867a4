#include "MsgHandlerWorkflows.h"

#include "Env.h"
#include "LogCategories.h"
#include "UiLoader.h"
#include "UiPluginJson.h"
#include "VolatileSettings.h"
#include "WorkflowRequest.h"

using namespace tessarovin;


void MsgHandlerWorkflows::handleWorkflowProperties(const QJsonObject& pObj, MsgContext& pContext)
{
	auto* settings = Env::getSingleton<VolatileSettings>();

	const auto messages = pObj.value(QLatin1String("messages"));
	if (messages.isObject() && !messages.toObject().isEmpty())
	{
		// The four texts belong together: a missing one is empty, not the previous one.
		const auto texts = messages.toObject();
		settings->setMessages(VolatileSettings::Messages(
				texts.value(QLatin1String("sessionStarted")).toString(),
				texts.value(QLatin1String("sessionFailed")).toString(),
				texts.value(QLatin1String("sessionSucceeded")).toString(),
				texts.value(QLatin1String("sessionInProgress")).toString()));
	}

	const auto developerMode = pObj.value(QLatin1String("developerMode"));
	if (developerMode.isBool())
	{
		settings->setDeveloperMode(developerMode.toBool());
		qDebug() << "Using Developer Mode on SDK:" << settings->isDeveloperMode();
	}

	if (pContext.getApiLevel() == MsgLevel::v1)
	{
		const auto handleInterrupt = pObj.value(QLatin1String("handleInterrupt"));
		settings->setHandleInterrupt(handleInterrupt.isBool() ? handleInterrupt.toBool() : true);
	}

	const auto status = pObj.value(QLatin1String("status"));
	if (status.isBool())
	{
		pContext.setProgressStatus(status.toBool());
	}
}


bool MsgHandlerWorkflows::requestWorkflow(const QSharedPointer<WorkflowRequest>& pRequest)
{
	auto* plugin = Env::getSingleton<UiLoader>()->getLoaded<UiPluginJson>();
	if (!plugin || !pRequest)
	{
		qCCritical(json) << "Cannot request a workflow without the JSON front end";
		return false;
	}
	Q_EMIT plugin->fireWorkflowRequested(pRequest);
	return true;
}
