#pragma once

#include "Enum.h"
#include "WorkflowRequest.h"

#include <QAuthenticator>
#include <QNetworkProxy>
#include <QObject>
#include <QSharedPointer>
#include <QString>
#include <QtPlugin>

namespace tessarovin
{

defineEnumType(UiModule,
		CURRENT,
		DEFAULT,
		IDENTIFY,
		SETTINGS,
		PINMANAGEMENT,
		HELP,
		SELF_AUTHENTICATION,
		ONBOARDING,
		UPDATEINFORMATION,
		REMOTE_SERVICE,
		CHECK_ID_CARD
		)

// A way of driving the application (graphical interface, JSON, web service ...): a static Qt
// plug-in that the application controller talks to only through these slots and signals. Lives on
// the main thread.
class UiPlugin
	: public QObject
{
	Q_OBJECT

	public:
		UiPlugin() = default;
		~UiPlugin() override = default;

		// False makes the application refuse to start.
		[[nodiscard]] virtual bool initialize() = 0;

	public Q_SLOTS:
		virtual void doShutdown() = 0;
		virtual void onWorkflowStarted(const QSharedPointer<WorkflowRequest>& pRequest) = 0;
		virtual void onWorkflowFinished(const QSharedPointer<WorkflowRequest>& pRequest) = 0;
		virtual void onWorkflowUnhandled(const QSharedPointer<WorkflowRequest>& pRequest) = 0;
		virtual void onApplicationInitialized() = 0;
		virtual void onApplicationStarted() = 0;
		virtual void onShowUi(UiModule pModule) = 0;
		virtual void onHideUi() = 0;
		virtual void onTranslationChanged() = 0;
		virtual void onProxyAuthenticationRequired(const QNetworkProxy& pProxy, QAuthenticator* pAuthenticator) = 0;
		virtual void onUiDomination(const UiPlugin* pUi, const QString& pInformation, bool pAccepted) = 0;
		virtual void onUiDominationReleased() = 0;
		virtual void onShowUserInformation(const QString& pInformationMessage) = 0;

	Q_SIGNALS:
		void fireWorkflowRequested(const QSharedPointer<WorkflowRequest>& pRequest);
		void fireShowUiRequested(UiModule pModule);
		void fireShowUserInformationRequested(const QString& pMsg);
		void fireQuitApplicationRequest(int pExitCode = 0);
		void fireCloseReminderFinished(bool pDontRemindAgain);
		void fireApplicationActivated();
		void fireSystemSettingsChanged();
		void fireUiDominationRequest(const UiPlugin* pUi, const QString& pInformation);
		void fireUiDominationRelease();
		void fireRestartApplicationRequested();
};

} // namespace tessarovin

Q_DECLARE_INTERFACE(tessarovin::UiPlugin, "tessarovin.UiPlugin")
