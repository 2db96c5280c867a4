#pragma once

#include "context/AuthContext.h"
#include "paos/PaosMessage.h"
#include "paos/PaosType.h"
#include "paos/ResponseType.h"
#include "paos/sent/PaosCreator.h"
#include "states/AbstractState.h"
#include "states/GenericContextContainer.h"

#include <QList>
#include <QNetworkReply>
#include <QSharedPointer>
#include <QSslConfiguration>
#include <QSslError>
#include <QSslPreSharedKeyAuthenticator>

#include <optional>

namespace tessarovin
{

// Base of the states that talk to the eID server: posts one PAOS message over TLS (with the TC
// token's pre-shared key, or resuming the TLS session of the TC token connection), checks the
// connection, parses the server's next request, stores it in the context and leaves by the signal
// its type calls for. A subclass chooses the message and the types it accepts.
class StateGenericSendReceive
	: public AbstractState
	, public GenericContextContainer<AuthContext>
{
	Q_OBJECT

	private:
		const PaosType mExpectedResponseType;
		const QList<PaosType> mOtherResponseTypes;
		QSharedPointer<QNetworkReply> mReply;

		[[nodiscard]] std::optional<FailureCode> checkSslConnectionAndSaveCertificate(const QSslConfiguration& pSslConfiguration);
		[[nodiscard]] std::optional<FailureCode> checkAndSaveSessionResumption(const QSslConfiguration& pSslConfiguration);
		void setReceivedMessage(const QSharedPointer<PaosMessage>& pMessage) const;
		void setResponseResult(ResponseType& pResponse) const;

		void onSslErrors(const QList<QSslError>& pErrors);
		void onSslHandshakeDone();

	protected:
		StateGenericSendReceive(const QSharedPointer<WorkflowContext>& pContext,
				PaosType pExpectedResponseType,
				const QList<PaosType>& pOtherResponseTypes = QList<PaosType>());

		void run() override;
		void onExit(QEvent* pEvent) override;

		// The message to send as a response that carries a result; null when it carries none.
		[[nodiscard]] virtual QSharedPointer<ResponseType> getAsResponse() = 0;
		[[nodiscard]] virtual QSharedPointer<PaosCreator> getAsCreator() = 0;
		// A received type of the further list.
		virtual void emitStateMachineSignal(PaosType pResponseType);

	Q_SIGNALS:
		void fireReceivedStartPaosResponse();

	private Q_SLOTS:
		void onReplyFinished();
		void onPreSharedKeyAuthenticationRequired(QSslPreSharedKeyAuthenticator* pAuthenticator) const;
};

} // namespace tessarovin
