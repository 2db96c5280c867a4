#pragma once

#include "TestWorkflowUi.h"
#include "UiPlugin.h"

#include <QMap>
#include <QSharedPointer>
#include <QString>
#include <QStringList>

namespace tessarovin
{

// A front end of the tests. A test binary derives one class per plug-in from it, each with its
// own metadata file and a constructor that calls identify(), and imports them. Every call it receives goes to a journal shared by all
// of them as "key:call"; what it does is set per key before it is loaded.
class TestUiPlugin
	: public UiPlugin
{
	Q_OBJECT

	public:
		struct Behaviour
		{
			bool mInitialize = true;
			// Loaded through the loader during initialize, in this order.
			QStringList mLoadOnInitialize;
			// Claims the context of every workflow started while loaded and approves each state.
			bool mClaim = false;
		};

	private:
		static QStringList cJournal;
		static QMap<QString, Behaviour> cBehaviour;

		QString mKey;
		TestWorkflowUi mWorkflowUi;

	protected:
		// Called by the constructor of each derived plug-in: takes the key from its class name.
		void identify();

	public:
		void record(const QString& pCall) const;

		TestUiPlugin();
		~TestUiPlugin() override;

		// Empties the journal and forgets every behaviour.
		static void reset();
		static void setBehaviour(const QString& pKey, const Behaviour& pBehaviour);
		[[nodiscard]] static const QStringList& getJournal();
		// The journal's entries that start with the prefix ("alpha:" or "alpha:onShowUi").
		[[nodiscard]] static QStringList getJournal(const QString& pPrefix);

		[[nodiscard]] const QString& getKey() const;
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
};

} // namespace tessarovin
