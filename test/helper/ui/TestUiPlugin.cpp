#include "TestUiPlugin.h"

#include "Env.h"
#include "UiLoader.h"

#include <QDebug>
#include <QMetaObject>

using namespace tessarovin;

QStringList TestUiPlugin::cJournal;
QMap<QString, TestUiPlugin::Behaviour> TestUiPlugin::cBehaviour;


TestUiPlugin::TestUiPlugin()
	: UiPlugin()
	, mKey()
	, mWorkflowUi()
{
}


TestUiPlugin::~TestUiPlugin()
{
	record(QStringLiteral("destroyed"));
}


void TestUiPlugin::identify()
{
	mKey = UiLoader::getPluginName(QString::fromLatin1(metaObject()->className()));
	setObjectName(mKey);
	record(QStringLiteral("constructed"));
}


void TestUiPlugin::record(const QString& pCall) const
{
	// The derived class is gone when the destructor records: the name comes from the object name.
	cJournal << objectName() + QLatin1Char(':') + pCall;
}


void TestUiPlugin::reset()
{
	cJournal.clear();
	cBehaviour.clear();
}


void TestUiPlugin::setBehaviour(const QString& pKey, const Behaviour& pBehaviour)
{
	cBehaviour.insert(pKey, pBehaviour);
}


const QStringList& TestUiPlugin::getJournal()
{
	return cJournal;
}


QStringList TestUiPlugin::getJournal(const QString& pPrefix)
{
	QStringList entries;
	for (const auto& entry : std::as_const(cJournal))
	{
		if (entry.startsWith(pPrefix))
		{
			entries << entry;
		}
	}
	return entries;
}


const QString& TestUiPlugin::getKey() const
{
	return mKey;
}


bool TestUiPlugin::initialize()
{
	record(QStringLiteral("initialize"));

	const auto behaviour = cBehaviour.value(mKey);
	for (const auto& name : behaviour.mLoadOnInitialize)
	{
		Env::getSingleton<UiLoader>()->load(name);
	}
	return behaviour.mInitialize;
}


void TestUiPlugin::doShutdown()
{
	record(QStringLiteral("doShutdown"));
}


void TestUiPlugin::onWorkflowStarted(const QSharedPointer<WorkflowRequest>& pRequest)
{
	record(QStringLiteral("onWorkflowStarted:%1").arg(pRequest->getData().toString()));
	if (cBehaviour.value(mKey).mClaim)
	{
		mWorkflowUi.claim(pRequest->getContext());
	}
}


void TestUiPlugin::onWorkflowFinished(const QSharedPointer<WorkflowRequest>& pRequest)
{
	record(QStringLiteral("onWorkflowFinished:%1").arg(pRequest->getData().toString()));
}


void TestUiPlugin::onWorkflowUnhandled(const QSharedPointer<WorkflowRequest>& pRequest)
{
	record(QStringLiteral("onWorkflowUnhandled:%1").arg(pRequest->getData().toString()));
}


void TestUiPlugin::onApplicationInitialized()
{
	record(QStringLiteral("onApplicationInitialized"));
}


void TestUiPlugin::onApplicationStarted()
{
	record(QStringLiteral("onApplicationStarted"));
}


void TestUiPlugin::onShowUi(UiModule pModule)
{
	QString module;
	QDebug(&module).noquote() << pModule;
	record(QStringLiteral("onShowUi:%1").arg(module.trimmed()));
}


void TestUiPlugin::onHideUi()
{
	record(QStringLiteral("onHideUi"));
}


void TestUiPlugin::onTranslationChanged()
{
	record(QStringLiteral("onTranslationChanged"));
}


void TestUiPlugin::onProxyAuthenticationRequired(const QNetworkProxy& pProxy, QAuthenticator* pAuthenticator)
{
	Q_UNUSED(pAuthenticator)
	record(QStringLiteral("onProxyAuthenticationRequired:%1").arg(pProxy.hostName()));
}


void TestUiPlugin::onUiDomination(const UiPlugin* pUi, const QString& pInformation, bool pAccepted)
{
	record(QStringLiteral("onUiDomination:%1:%2:%3").arg(pUi->objectName(), pInformation, pAccepted ? QStringLiteral("true") : QStringLiteral("false")));
}


void TestUiPlugin::onUiDominationReleased()
{
	record(QStringLiteral("onUiDominationReleased"));
}


void TestUiPlugin::onShowUserInformation(const QString& pInformationMessage)
{
	record(QStringLiteral("onShowUserInformation:%1").arg(pInformationMessage));
}
