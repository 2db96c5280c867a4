#include "UiPluginJson.h"

#include "context/AuthContext.h"
#include "context/ChangePinContext.h"
#include "Env.h"
#include "LogCategories.h"
#include "ReaderManager.h"

using namespace tessarovin;


UiPluginJson::UiPluginJson()
	: UiPlugin()
	, mMessageDispatcher()
	, mEnabled(false)
{
}


void UiPluginJson::setEnabled(bool pEnable)
{
	if (mEnabled == pEnable)
	{
		return;
	}
	mEnabled = pEnable;

	auto* readerManager = Env::getSingleton<ReaderManager>();
	if (mEnabled)
	{
		connect(readerManager, &ReaderManager::fireReaderAdded, this, &UiPluginJson::onReaderEvent);
		connect(readerManager, &ReaderManager::fireReaderRemoved, this, &UiPluginJson::onReaderEvent);
		connect(readerManager, &ReaderManager::fireReaderPropertiesUpdated, this, &UiPluginJson::onReaderEvent);
		connect(readerManager, &ReaderManager::fireCardRemoved, this, &UiPluginJson::onReaderEvent);
		connect(readerManager, &ReaderManager::fireCardInserted, this, &UiPluginJson::onCardInserted);
		connect(readerManager, &ReaderManager::fireCardInfoChanged, this, &UiPluginJson::onCardInfoChanged);
	}
	else
	{
		disconnect(readerManager, nullptr, this, nullptr);
	}
}


bool UiPluginJson::isEnabled() const
{
	return mEnabled;
}


bool UiPluginJson::initialize()
{
	return true;
}


void UiPluginJson::callFireMessage(const QByteArray& pMsg, bool pLogging)
{
	// A void answer is an empty text: the client gets nothing.
	if (pMsg.isEmpty())
	{
		return;
	}

	if (pLogging)
	{
		qCDebug(json).noquote() << "Fire message:" << pMsg;
	}
	Q_EMIT fireMessage(pMsg);
}


void UiPluginJson::doMessageProcessing(const QByteArray& pMsg)
{
	if (!mEnabled)
	{
		return;
	}

	const auto msg = mMessageDispatcher.processCommand(pMsg);
	callFireMessage(msg.getData(), msg.getType() != MsgType::LOG);
}


void UiPluginJson::onWorkflowStarted(const QSharedPointer<WorkflowRequest>& pRequest)
{
	if (!mEnabled)
	{
		return;
	}

	const auto context = pRequest->getContext();
	if (context.objectCast<AuthContext>() || context.objectCast<ChangePinContext>())
	{
		connect(context.data(), &WorkflowContext::fireStateChanged, this, &UiPluginJson::onStateChanged);
		connect(context.data(), &WorkflowContext::fireProgressChanged, this, &UiPluginJson::onProgressChanged);
	}

	callFireMessage(mMessageDispatcher.init(context));
}


void UiPluginJson::onWorkflowFinished(const QSharedPointer<WorkflowRequest>& pRequest)
{
	Q_UNUSED(pRequest)

	if (mEnabled)
	{
		callFireMessage(mMessageDispatcher.finish());
		return;
	}
	mMessageDispatcher.reset();
}


void UiPluginJson::onStateChanged(const QString& pNewState)
{
	callFireMessage(mMessageDispatcher.processStateChange(pNewState));
}


void UiPluginJson::onProgressChanged()
{
	callFireMessage(mMessageDispatcher.processProgressChange());
}


void UiPluginJson::onReaderEvent(const ReaderInfo& pInfo)
{
	const auto messages = mMessageDispatcher.processReaderChange(pInfo);
	for (const auto& msg : messages)
	{
		callFireMessage(msg);
	}
}


void UiPluginJson::onCardInserted(const ReaderInfo& pInfo)
{
	if (pInfo.hasEid() || (pInfo.hasCard() && mMessageDispatcher.getApiLevel() > MsgLevel::v2))
	{
		onReaderEvent(pInfo);
	}
}


void UiPluginJson::onCardInfoChanged(const ReaderInfo& pInfo)
{
	if (pInfo.hasEid())
	{
		onReaderEvent(pInfo);
	}
}


void UiPluginJson::doShutdown()
{
}


void UiPluginJson::onWorkflowUnhandled(const QSharedPointer<WorkflowRequest>& pRequest)
{
	Q_UNUSED(pRequest)
}


void UiPluginJson::onApplicationInitialized()
{
}


void UiPluginJson::onApplicationStarted()
{
}


void UiPluginJson::onShowUi(UiModule pModule)
{
	Q_UNUSED(pModule)
}


void UiPluginJson::onHideUi()
{
}


void UiPluginJson::onTranslationChanged()
{
}


void UiPluginJson::onProxyAuthenticationRequired(const QNetworkProxy& pProxy, QAuthenticator* pAuthenticator)
{
	Q_UNUSED(pProxy)
	Q_UNUSED(pAuthenticator)
}


void UiPluginJson::onUiDomination(const UiPlugin* pUi, const QString& pInformation, bool pAccepted)
{
	Q_UNUSED(pUi)
	Q_UNUSED(pInformation)
	Q_UNUSED(pAccepted)
}


void UiPluginJson::onUiDominationReleased()
{
}


void UiPluginJson::onShowUserInformation(const QString& pInformationMessage)
{
	Q_UNUSED(pInformationMessage)
}
