#pragma once

#include "Enum.h"
#include "HttpRequest.h"
#include "HttpResponse.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QSharedPointer>
#include <QString>
#include <QUrl>

namespace tessarovin
{

defineEnumType(StatusFormat,
		PLAIN,
		JSON)


// Answers the requests of the local web interface that need no front end: CORS pre-flight,
// status, favicon and images, and the error page. Showing the user interface and starting an
// authentication are left to the front end that inherits this beside its own base; it gets
// the request unanswered and must answer it. Main thread only.
class HttpHandler
{
	Q_DECLARE_TR_FUNCTIONS(tessarovin::HttpHandler)

	private:
		bool handleGetRequest(const QSharedPointer<HttpRequest>& pRequest, const QUrl& pUrl);
		void sendPreflightResponse(const QSharedPointer<HttpRequest>& pRequest) const;
		void sendErrorPage(const QSharedPointer<HttpRequest>& pRequest, const QUrl& pUrl) const;

	protected:
		virtual void handleImageRequest(const QSharedPointer<HttpRequest>& pRequest, const QString& pImagePath) const;
		virtual void handleStatusRequest(StatusFormat pStatusFormat, const QSharedPointer<HttpRequest>& pRequest) const;
		virtual void handleShowUiRequest(const QString& pUiModule, const QSharedPointer<HttpRequest>& pRequest) = 0;
		virtual void handleWorkflowRequest(const QSharedPointer<HttpRequest>& pRequest) = 0;

		[[nodiscard]] QByteArray guessImageContentType(const QString& pFileName) const;
		void setCorsResponseHeaders(HttpResponse& pResponse) const;

	public:
		HttpHandler() = default;
		virtual ~HttpHandler();

		void handle(const QSharedPointer<HttpRequest>& pRequest);
};

} // namespace tessarovin
