#pragma once

#include "context/AuthContext.h"
#include "states/AbstractState.h"
#include "states/GenericContextContainer.h"

#include <QList>
#include <QNetworkReply>
#include <QSharedPointer>
#include <QSslConfiguration>
#include <QSslError>
#include <QUrl>

class test_StateCheckRefreshAddress;

namespace tessarovin
{

// Finds the page the browser is sent back to: follows the provider's redirects from the TC
// token's refresh address one hop at a time until a URL of the origin named in the certificate
// description has answered, and checks the TLS certificate of every server met and of the URL it
// ends on.
class StateCheckRefreshAddress
	: public AbstractState
	, public GenericContextContainer<AuthContext>
{
	Q_OBJECT
	friend class ::test_StateCheckRefreshAddress;

	private:
		// A provider whose redirects loop would otherwise keep the workflow, and the browser that
		// waits for it, busy until the user gives up.
		static constexpr int cMaxRedirects = 20;

		QSharedPointer<QNetworkReply> mReply;
		QUrl mUrl;
		QUrl mSubjectUrl;
		bool mCertificateFetched;
		QList<QUrl> mCollectedUrls;
		int mRedirectCount;

		void run() override;
		void sendGetRequest();
		void fetchServerCertificate();
		[[nodiscard]] QUrl determineSubjectUrl() const;
		[[nodiscard]] bool isMatchingSameOriginPolicyInDevMode() const;
		[[nodiscard]] bool checkSslConnectionAndSaveCertificate(const QSslConfiguration& pSslConfiguration);
		void reportCommunicationError(const GlobalStatus& pStatus, const FailureCode& pFailure);
		void doneSuccess();

	protected:
		void onEntry(QEvent* pEvent) override;
		void onExit(QEvent* pEvent) override;

	public:
		explicit StateCheckRefreshAddress(const QSharedPointer<WorkflowContext>& pContext);

	private Q_SLOTS:
		void onSslHandshakeDone();
		void onNetworkReply();
		void onSslErrors(const QList<QSslError>& pErrors);
		void onSslHandshakeDoneFetchingServerCertificate();
		void onNetworkErrorFetchingServerCertificate(QNetworkReply::NetworkError pError);
};

} // namespace tessarovin
