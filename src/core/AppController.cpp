#include "AppController.h"

#include "AppSettings.h"
#include "Env.h"
#include "LanguageLoader.h"
#include "LogCategories.h"
#include "LogHandler.h"
#include "NetworkManager.h"
#include "ReaderManager.h"
#include "ResourceLoader.h"
#include "SecureStorage.h"
#include "UiLoader.h"
#include "VolatileSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTimer>

using namespace tessarovin;

bool AppController::cShowUi = false;


AppController::AppController()
	: QObject()
	, QAbstractNativeEventFilter()
	, mActiveWorkflow()
	, mWaitingWorkflow()
	, mShutdownRunning(false)
	, mUiDomination()
	, mRestartApplication(false)
	, mExitCode(0)
	, mNetworkPolls(0)
{
	setObjectName(QStringLiteral("AppController"));
	QCoreApplication::instance()->installNativeEventFilter(this);

	// Created here so that it lives on the main thread, whoever asks first later.
	Q_UNUSED(Env::getSingleton<VolatileSettings>())

	ResourceLoader::getInstance().init();

	connect(&Env::getSingleton<AppSettings>()->getGeneralSettings(), &GeneralSettings::fireLanguageChanged, this, &AppController::onLanguageChanged);
	onLanguageChanged();

	NetworkManager::setApplicationProxyFactory();
	auto* networkManager = Env::getSingleton<NetworkManager>();
	connect(networkManager, &NetworkManager::fireProxyAuthenticationRequired, this, &AppController::fireProxyAuthenticationRequired);
	connect(this, &AppController::fireShutdown, networkManager, &NetworkManager::onShutdown, Qt::QueuedConnection);
}


AppController::~AppController()
{
	if (auto* app = QCoreApplication::instance())
	{
		app->removeEventFilter(this);
	}
}


void AppController::start()
{
	auto failure = qScopeGuard([this] {
			qCCritical(init) << "Cannot start application controller, exit application";
			QMetaObject::invokeMethod(this, [this] {
					doShutdown(1);
				}, Qt::QueuedConnection);
		});

	if (!SecureStorage::getInstance().isValid())
	{
		qCCritical(init) << "SecureStorage not valid";
		return;
	}

	if (Env::getSingleton<AppSettings>()->getGeneralSettings().isNewAppVersion())
	{
		clearCacheFolders();
	}

	auto* uiLoader = Env::getSingleton<UiLoader>();
	connect(uiLoader, &UiLoader::fireLoadedPlugin, this, &AppController::onUiPlugin);
	if (!uiLoader->load() || !uiLoader->hasActiveUI())
	{
		qCCritical(init) << "Cannot start without active UI";
		return;
	}

	if (!uiLoader->initialize())
	{
		qCCritical(init) << "Cannot initialize UI";
		return;
	}

	if (uiLoader->requiresReaderManager())
	{
		auto* readerManager = Env::getSingleton<ReaderManager>();
		connect(this, &AppController::fireShutdown, readerManager, &ReaderManager::shutdown, Qt::QueuedConnection);
		connect(readerManager, &ReaderManager::fireInitialized, this, &AppController::fireStarted, Qt::QueuedConnection);
		readerManager->init();
	}
	else
	{
		connect(this, &AppController::fireInitialized, this, &AppController::fireStarted, Qt::QueuedConnection);
	}

	// Queued: the front ends see onApplicationStarted first.
	connect(this, &AppController::fireStarted, this, [this] {
			if (cShowUi)
			{
				Q_EMIT fireShowUi(UiModule::CURRENT);
			}
		}, Qt::QueuedConnection);
	QCoreApplication::instance()->installEventFilter(this);
	Q_EMIT fireInitialized();

	failure.dismiss();
}


bool AppController::shouldApplicationRestart() const
{
	return mRestartApplication;
}


bool AppController::eventFilter(QObject* pObj, QEvent* pEvent)
{
	// A filter on the application sees the events of every object; palette and theme changes
	// reach each widget and window as well as the application.
	if (pObj == QCoreApplication::instance())
	{
		switch (pEvent->type())
		{
			case QEvent::Quit:
				doShutdown(0);
				return true;

			case QEvent::ApplicationActivate:
				Q_EMIT fireApplicationActivated();
				break;

			case QEvent::ThemeChange:
			case QEvent::ApplicationPaletteChange:
				Q_EMIT fireSystemSettingsChanged();
				break;

			default:
				break;
		}
	}

	return QObject::eventFilter(pObj, pEvent);
}


// Session end arrives as a signal on this platform; no native message needs handling.
bool AppController::nativeEventFilter(const QByteArray& pEventType, void* pMessage, qintptr* pResult)
{
	Q_UNUSED(pEventType)
	Q_UNUSED(pMessage)
	Q_UNUSED(pResult)
	return false;
}


void AppController::doShutdown(int pExitCode)
{
	if (mShutdownRunning)
	{
		qCDebug(init) << "Application already shutting down";
		return;
	}

	mExitCode = pExitCode;
	mShutdownRunning = true;

	if (mActiveWorkflow)
	{
		// The shutdown goes on in onWorkflowFinished, once the killed workflow has ended.
		mWaitingWorkflow.reset();
		Q_EMIT fireHideUi();
		mActiveWorkflow->getContext()->killWorkflow(GlobalStatus::Code::Workflow_Cancellation_By_User);
		return;
	}

	Q_EMIT fireHideUi();
	completeShutdown();
}


void AppController::onUiPlugin(const UiPlugin* pPlugin)
{
	qCDebug(init) << "Register UI:" << pPlugin->metaObject()->className();

	connect(this, &AppController::fireShutdown, pPlugin, &UiPlugin::doShutdown, Qt::QueuedConnection);
	connect(this, &AppController::fireWorkflowStarted, pPlugin, &UiPlugin::onWorkflowStarted);
	connect(this, &AppController::fireWorkflowFinished, pPlugin, &UiPlugin::onWorkflowFinished);
	connect(this, &AppController::fireWorkflowUnhandled, pPlugin, &UiPlugin::onWorkflowUnhandled);
	connect(this, &AppController::fireInitialized, pPlugin, &UiPlugin::onApplicationInitialized);
	connect(this, &AppController::fireStarted, pPlugin, &UiPlugin::onApplicationStarted);
	connect(this, &AppController::fireShowUi, pPlugin, &UiPlugin::onShowUi);
	connect(this, &AppController::fireHideUi, pPlugin, &UiPlugin::onHideUi);
	connect(this, &AppController::fireTranslationChanged, pPlugin, &UiPlugin::onTranslationChanged);
	connect(this, &AppController::fireShowUserInformation, pPlugin, &UiPlugin::onShowUserInformation);
	connect(this, &AppController::fireApplicationActivated, pPlugin, &UiPlugin::fireApplicationActivated);
	connect(this, &AppController::fireSystemSettingsChanged, pPlugin, &UiPlugin::fireSystemSettingsChanged);
	connect(this, &AppController::fireUiDomination, pPlugin, &UiPlugin::onUiDomination);
	connect(this, &AppController::fireUiDominationReleased, pPlugin, &UiPlugin::onUiDominationReleased);
	connect(this, &AppController::fireProxyAuthenticationRequired, pPlugin, &UiPlugin::onProxyAuthenticationRequired);

	connect(pPlugin, &UiPlugin::fireWorkflowRequested, this, &AppController::onWorkflowRequested, Qt::QueuedConnection);
	connect(pPlugin, &UiPlugin::fireShowUiRequested, this, &AppController::fireShowUi, Qt::QueuedConnection);
	connect(pPlugin, &UiPlugin::fireShowUserInformationRequested, this, &AppController::fireShowUserInformation);
	connect(pPlugin, &UiPlugin::fireRestartApplicationRequested, this, &AppController::onRestartApplicationRequested, Qt::QueuedConnection);
	connect(pPlugin, &UiPlugin::fireQuitApplicationRequest, this, &AppController::doShutdown);
	connect(pPlugin, &UiPlugin::fireCloseReminderFinished, this, &AppController::onCloseReminderFinished);
	connect(pPlugin, &UiPlugin::fireUiDominationRequest, this, &AppController::onUiDominationRequested);
	connect(pPlugin, &UiPlugin::fireUiDominationRelease, this, &AppController::onUiDominationRelease);
}


void AppController::onWorkflowRequested(const QSharedPointer<WorkflowRequest>& pRequest)
{
	const auto action = pRequest->getAction();
	qDebug() << "New workflow requested:" << action;

	// A workflow started now would run on services that are going down, and its end would run
	// the shutdown a second time.
	if (mShutdownRunning)
	{
		qWarning() << "Refuse workflow while shutting down:" << action;
		Q_EMIT fireWorkflowUnhandled(pRequest);
		return;
	}

	if (!mActiveWorkflow)
	{
		startNewWorkflow(pRequest);
		return;
	}

	switch (pRequest->handleBusyWorkflow(mActiveWorkflow, mWaitingWorkflow))
	{
		case WorkflowControl::ENQUEUE:
			mWaitingWorkflow = pRequest;
			qDebug() << "Enqueue workflow:" << action;
			mActiveWorkflow->getContext()->setNextWorkflowPending(true);
			return;

		case WorkflowControl::SKIP:
			qWarning() << "Skip workflow:" << action << "| Current workflow:" << mActiveWorkflow->getAction();
			if (mWaitingWorkflow)
			{
				qDebug() << "Waiting workflow:" << mWaitingWorkflow->getAction();
			}
			break;

		case WorkflowControl::UNHANDLED:
			qWarning() << "Cannot start or enqueue workflow:" << action;
			break;
	}

	Q_EMIT fireWorkflowUnhandled(pRequest);
}


bool AppController::startNewWorkflow(const QSharedPointer<WorkflowRequest>& pRequest)
{
	if (mActiveWorkflow)
	{
		qWarning() << "Cannot start new workflow:" << pRequest->getAction() << "| Current workflow:" << mActiveWorkflow->getAction();
		return false;
	}

	mActiveWorkflow = pRequest;
	pRequest->initialize();
	qCInfo(support) << "Started new workflow" << pRequest->getAction();

	const auto controller = pRequest->getController();
	connect(controller.data(), &WorkflowController::fireComplete, this, &AppController::onWorkflowFinished, Qt::QueuedConnection);

	// The log excerpt of a workflow starts here.
	LogHandler::getInstance()->resetBacklog();

	qDebug() << "Start" << controller->metaObject()->className();
	controller->run();

	// The front ends claim the context during this emission.
	Q_EMIT fireWorkflowStarted(pRequest);

	if (pRequest->getContext()->wasClaimed())
	{
		return true;
	}

	qCritical() << "Workflow was not claimed by any UI... aborting";
	pRequest->getContext()->killWorkflow(GlobalStatus::Code::Workflow_InternalError_BeforeTcToken);
	return false;
}


void AppController::onWorkflowFinished()
{
	if (!mActiveWorkflow)
	{
		return;
	}

	const auto request = mActiveWorkflow;
	const auto controller = request->getController();
	qDebug() << controller->metaObject()->className() << "done";
	disconnect(controller.data(), &WorkflowController::fireComplete, this, &AppController::onWorkflowFinished);

	Q_EMIT fireWorkflowFinished(request);

	qCInfo(support) << "Finish workflow" << request->getAction();
	mActiveWorkflow.reset();

	if (mWaitingWorkflow)
	{
		qDebug() << "Running waiting action now.";
		startNewWorkflow(mWaitingWorkflow);
		mWaitingWorkflow.reset();
	}

	if (mShutdownRunning)
	{
		completeShutdown();
	}
}


void AppController::onCloseReminderFinished(bool pDontRemindAgain)
{
	if (pDontRemindAgain)
	{
		Env::getSingleton<AppSettings>()->getGeneralSettings().setRemindUserToClose(false);
	}
}


void AppController::onLanguageChanged()
{
	const QLocale locale(Env::getSingleton<AppSettings>()->getGeneralSettings().getLanguage());
	auto& languageLoader = LanguageLoader::getInstance();
	if (locale == languageLoader.getUsedLocale())
	{
		return;
	}

	if (languageLoader.isLoaded())
	{
		languageLoader.unload();
	}
	languageLoader.load(locale.language() == QLocale::C ? LanguageLoader::getSystemLocale() : locale);
	Q_EMIT fireTranslationChanged();
}


void AppController::onUiDominationRequested(const UiPlugin* pUi, const QString& pInformation)
{
	const bool accepted = !mUiDomination && !mActiveWorkflow;
	if (accepted)
	{
		mUiDomination = pUi;
	}

	qDebug() << pUi->metaObject()->className() << "requested ui domination:" << pInformation << "|" << accepted;
	Q_EMIT fireUiDomination(pUi, pInformation, accepted);
}


void AppController::onUiDominationRelease()
{
	if (mUiDomination)
	{
		qDebug() << mUiDomination->metaObject()->className() << "released ui domination";
		mUiDomination.clear();
		Q_EMIT fireUiDominationReleased();
	}
}


void AppController::onRestartApplicationRequested()
{
	mRestartApplication = true;
	doShutdown(0);
}


void AppController::clearCacheFolders()
{
	qDebug() << "Try to find and clear cache folder";
	const auto locations = QStandardPaths::standardLocations(QStandardPaths::CacheLocation);
	for (const auto& location : locations)
	{
		QDir dir(location);
		if (!dir.exists())
		{
			continue;
		}

		const auto files = dir.entryList(QDir::Files | QDir::NoDotAndDotDot);
		for (const auto& file : files)
		{
			dir.remove(file);
		}

		const auto folders = dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot);
		for (const auto& folder : folders)
		{
			// A link is removed as a link: following it would empty a folder outside the cache.
			if (folder.isSymLink())
			{
				QFile::remove(folder.absoluteFilePath());
				continue;
			}
			QDir(folder.absoluteFilePath()).removeRecursively();
		}

		qDebug() << "Cleared cache folder:" << dir.path();
	}
}


int AppController::getOpenConnectionCount() const
{
	return Env::getSingleton<NetworkManager>()->getOpenConnectionCount();
}


void AppController::exitEventLoop(int pExitCode)
{
	QCoreApplication::exit(pExitCode);
}


void AppController::completeShutdown()
{
	qCDebug(init) << "Emit fire shutdown";
	Q_EMIT fireShutdown();

	if (getOpenConnectionCount() <= 0)
	{
		unloadUi();
		return;
	}

	waitForNetworkConnections([this] {
			unloadUi();
		});
}


void AppController::waitForNetworkConnections(const std::function<void()>& pCallback)
{
	auto* timer = new QTimer(this);
	timer->setInterval(50);
	connect(timer, &QTimer::timeout, this, [this, timer, pCallback] {
			if (const int open = getOpenConnectionCount(); open > 0)
			{
				++mNetworkPolls;
				if (mNetworkPolls < 60)
				{
					return;
				}
				qCWarning(init) << "Closing with" << open << "pending network connections.";
			}

			timer->stop();
			timer->deleteLater();
			pCallback();
		});
	timer->start();
}


void AppController::unloadUi()
{
	auto* uiLoader = Env::getSingleton<UiLoader>();
	if (!uiLoader->hasPlugins())
	{
		finishShutdown();
		return;
	}

	// The resources stay until the last front end is gone: its destruction may still use them.
	connect(uiLoader, &UiLoader::fireRemovedAllPlugins, this, &AppController::finishShutdown, static_cast<Qt::ConnectionType>(Qt::QueuedConnection | Qt::SingleShotConnection));
	uiLoader->shutdown();
}


void AppController::finishShutdown()
{
	ResourceLoader::getInstance().shutdown();
	qCDebug(init) << "Quit event loop of QCoreApplication";
	exitEventLoop(mExitCode);
}
