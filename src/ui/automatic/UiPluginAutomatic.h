#pragma once

#include "context/WorkflowContext.h"
#include "ReaderInfo.h"
#include "UiPlugin.h"
#include "WorkflowRequest.h"

#include <QSharedPointer>
#include <QString>
#include <QVariant>

#include <utility>

namespace tessarovin
{

// A front end without a user: claims authentications, approves every state, puts a card into a
// reader and answers PIN, CAN and PUK from environment variables, so that an authentication runs
// to its end unattended. Main thread only.
class UiPluginAutomatic
	: public UiPlugin
{
	Q_OBJECT
	Q_PLUGIN_METADATA(IID "tessarovin.UiPlugin" FILE "metadata.json")
	Q_INTERFACES(tessarovin::UiPlugin)

	public:
		// An error text (empty: none) and the data for the reader (null: none).
		using OptionalData = std::pair<QString, QVariant>;

	private:
		QSharedPointer<WorkflowContext> mContext;
		// Null while no other front end dominates.
		QString mDominator;
		bool mPrevUsedAsSdk;
		bool mPrevDeveloperMode;

		[[nodiscard]] static QString getEnvironment(const QString& pName, const QString& pDefault = QString());
		[[nodiscard]] static OptionalData getOptionalData(const ReaderInfo& pReaderInfo);
		void handleInsertCard();
		void handleInsertCardScanFinished();
		void handlePassword();
		[[nodiscard]] bool isDominated() const;

	public:
		UiPluginAutomatic();
		~UiPluginAutomatic() override;

		[[nodiscard]] bool initialize() override;

	public Q_SLOTS:
		void onApplicationStarted() override;
		void doShutdown() override;
		void onWorkflowStarted(const QSharedPointer<WorkflowRequest>& pRequest) override;
		void onWorkflowFinished(const QSharedPointer<WorkflowRequest>& pRequest) override;
		void onUiDomination(const UiPlugin* pUi, const QString& pInformation, bool pAccepted) override;
		void onUiDominationReleased() override;
		void onStateChanged(const QString& pState);

		void onWorkflowUnhandled(const QSharedPointer<WorkflowRequest>& pRequest) override;
		void onApplicationInitialized() override;
		void onShowUi(UiModule pModule) override;
		void onHideUi() override;
		void onTranslationChanged() override;
		void onProxyAuthenticationRequired(const QNetworkProxy& pProxy, QAuthenticator* pAuthenticator) override;
		void onShowUserInformation(const QString& pInformationMessage) override;
};

} // namespace tessarovin
