#pragma once

#include "MessageDispatcher.h"
#include "ReaderInfo.h"
#include "UiPlugin.h"

#include <QByteArray>
#include <QString>

namespace tessarovin
{

// The JSON interface for other programs, without a transport of its own: the WebSocket front end
// switches it on while its client is connected, feeds it the client's commands and sends what
// fireMessage carries. Passive: it never counts as a user interface. Main thread only.
class UiPluginJson
	: public UiPlugin
{
	Q_OBJECT
	Q_PLUGIN_METADATA(IID "tessarovin.UiPlugin" FILE "metadata.json")
	Q_INTERFACES(tessarovin::UiPlugin)

	private:
		MessageDispatcher mMessageDispatcher;
		bool mEnabled;

		void callFireMessage(const QByteArray& pMsg, bool pLogging = true);

	public:
		UiPluginJson();
		~UiPluginJson() override = default;

		void setEnabled(bool pEnable = true);
		[[nodiscard]] bool isEnabled() const;

		[[nodiscard]] bool initialize() override;

	public Q_SLOTS:
		void doShutdown() override;
		void onWorkflowStarted(const QSharedPointer<WorkflowRequest>& pRequest) override;
		void onWorkflowFinished(const QSharedPointer<WorkflowRequest>& pRequest) override;
		void onWorkflowUnhandled(const QSharedPointer<WorkflowRequest>& pRequest) override;
		void onApplicationInitialized() override;
		void onApplicationStarted() override;
		void onShowUi(UiModule pModule) override;
		void onHideUi() override;
		void onTranslationChanged() override;
		void onProxyAuthenticationRequired(const QNetworkProxy& pProxy, QAuthenticator* pAuthenticator) override;
		void onUiDomination(const UiPlugin* pUi, const QString& pInformation, bool pAccepted) override;
		void onUiDominationReleased() override;
		void onShowUserInformation(const QString& pInformationMessage) override;

		void onCardInfoChanged(const ReaderInfo& pInfo);
		void onReaderEvent(const ReaderInfo& pInfo);
		void onCardInserted(const ReaderInfo& pInfo);
		void onStateChanged(const QString& pNewState);
		void onProgressChanged();
		void doMessageProcessing(const QByteArray& pMsg);

	Q_SIGNALS:
		void fireMessage(const QByteArray& pMsg);
};

} // namespace tessarovin
