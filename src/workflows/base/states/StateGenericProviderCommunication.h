#pragma once

#include "context/AuthContext.h"
#include "states/AbstractState.h"
#include "states/GenericContextContainer.h"

#include <QByteArray>
#include <QList>
#include <QNetworkReply>
#include <QSharedPointer>
#include <QSslConfiguration>
#include <QSslError>
#include <QUrl>

namespace tessarovin
{

// One HTTPS request to the provider after the authentication, with the TLS and certificate checks
// of the rest of it. A derived state names the URL and the body (none: GET, else a JSON POST) and
// gets the body of an answer with status 200.
class StateGenericProviderCommunication
	: public AbstractState
	, public GenericContextContainer<AuthContext>
{
	Q_OBJECT

	private:
		QSharedPointer<QNetworkReply> mReply;

		void checkSslConnectionAndSaveCertificate(const QSslConfiguration& pSslConfiguration);
		void reportCommunicationError(const GlobalStatus& pStatus, const FailureCode& pFailure);

	protected:
		explicit StateGenericProviderCommunication(const QSharedPointer<WorkflowContext>& pContext);

		void run() override;
		void onExit(QEvent* pEvent) override;

		virtual void handleNetworkReply(const QByteArray& pContent) = 0;
		[[nodiscard]] virtual bool isRawDataLoggingAllowed();
		virtual void setProgress() const;
		[[nodiscard]] virtual QUrl getRequestUrl() const = 0;
		[[nodiscard]] virtual QByteArray getPayload() const;

	private Q_SLOTS:
		void onSslErrors(const QList<QSslError>& pErrors);
		void onSslHandshakeDone();
		void onNetworkReply();
};

} // namespace tessarovin
