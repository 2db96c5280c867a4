#pragma once

#include "context/AuthContext.h"
#include "states/AbstractState.h"
#include "states/GenericContextContainer.h"

#include <QList>
#include <QNetworkReply>
#include <QSharedPointer>
#include <QSslError>
#include <QUrl>

class test_StateGetTcToken;

namespace tessarovin
{

// Fetches the TC token from the provider and follows its redirects one hop at a time: each hop's
// address must be HTTPS, and each TLS connection is checked for its key sizes and recorded in the
// context with its certificate and session ticket.
class StateGetTcToken
	: public AbstractState
	, public GenericContextContainer<AuthContext>
{
	Q_OBJECT
	friend class ::test_StateGetTcToken;

	private:
		// A provider's redirect loop would otherwise keep the workflow, and the browser that
		// waits for it, busy until the user gives up.
		static constexpr int cMaxRedirects = 20;

		QSharedPointer<QNetworkReply> mReply;
		int mRedirectCount;

		void run() override;
		void sendRequest(const QUrl& pUrl);
		[[nodiscard]] bool isValidRedirectUrl(const QUrl& pUrl);
		void followRedirect();
		void parseTcToken();

	protected:
		void onExit(QEvent* pEvent) override;

	public:
		explicit StateGetTcToken(const QSharedPointer<WorkflowContext>& pContext);

	private Q_SLOTS:
		void onNetworkReply();
		void onSslHandshakeDone();
		void onSslErrors(const QList<QSslError>& pErrors);
};

} // namespace tessarovin
