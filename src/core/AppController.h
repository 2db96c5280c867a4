#pragma once

#include "UiPlugin.h"
#include "WorkflowRequest.h"

#include <QAbstractNativeEventFilter>
#include <QAuthenticator>
#include <QNetworkProxy>
#include <QObject>
#include <QPointer>
#include <QSharedPointer>
#include <QString>

#include <functional>

namespace tessarovin
{

// The hub of the running program: loads and wires the front ends, runs one workflow at a time
// with at most one request waiting, relays application-wide events to every front end and owns
// the orderly shutdown. Lives on the main thread for the whole run.
class AppController
	: public QObject
	, public QAbstractNativeEventFilter
{
	Q_OBJECT

	public:
		// Set by the start option "show": the user interface comes up once the application started.
		static bool cShowUi;

	private:
		QSharedPointer<WorkflowRequest> mActiveWorkflow;
		QSharedPointer<WorkflowRequest> mWaitingWorkflow;
		bool mShutdownRunning;
		// Guarded: a dominating front end may be unloaded before it releases.
		QPointer<const UiPlugin> mUiDomination;
		bool mRestartApplication;
		int mExitCode;
		int mNetworkPolls;

		bool startNewWorkflow(const QSharedPointer<WorkflowRequest>& pRequest);
		void completeShutdown();
		void waitForNetworkConnections(const std::function<void()>& pCallback);
		void unloadUi();
		void finishShutdown();
		static void clearCacheFolders();

	protected:
		// Seams of the tests: the open requests of the network manager, and the end of the event loop.
		[[nodiscard]] virtual int getOpenConnectionCount() const;
		virtual void exitEventLoop(int pExitCode);

	public:
		AppController();
		~AppController() override;

		void start();
		[[nodiscard]] bool shouldApplicationRestart() const;

		bool eventFilter(QObject* pObj, QEvent* pEvent) override;
		bool nativeEventFilter(const QByteArray& pEventType, void* pMessage, qintptr* pResult) override;

	Q_SIGNALS:
		void fireInitialized();
		void fireStarted();
		void fireShutdown();
		void fireWorkflowStarted(const QSharedPointer<WorkflowRequest>& pRequest);
		void fireWorkflowFinished(const QSharedPointer<WorkflowRequest>& pRequest);
		void fireWorkflowUnhandled(const QSharedPointer<WorkflowRequest>& pRequest);
		void fireShowUi(UiModule pModule);
		void fireHideUi();
		void fireShowUserInformation(const QString& pInformationMessage);
		void fireTranslationChanged();
		void fireProxyAuthenticationRequired(const QNetworkProxy& pProxy, QAuthenticator* pAuthenticator);
		void fireApplicationActivated();
		void fireSystemSettingsChanged();
		void fireUiDomination(const UiPlugin* pUi, const QString& pInformation, bool pAccepted);
		void fireUiDominationReleased();

	public Q_SLOTS:
		void doShutdown(int pExitCode = 0);
		void onUiPlugin(const UiPlugin* pPlugin);
		void onWorkflowFinished();
		void onWorkflowRequested(const QSharedPointer<WorkflowRequest>& pRequest);
		void onCloseReminderFinished(bool pDontRemindAgain);
		void onLanguageChanged();
		void onUiDominationRequested(const UiPlugin* pUi, const QString& pInformation);
		void onUiDominationRelease();
		void onRestartApplicationRequested();
};

} // namespace tessarovin
