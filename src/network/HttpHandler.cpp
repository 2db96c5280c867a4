#include "HttpHandler.h"

#include "HttpStatusName.h"
#include "LanguageLoader.h"
#include "LogCategories.h"
#include "Template.h"
#include "UrlUtil.h"
#include "VersionInfo.h"

#include <QFile>
#include <QFileInfo>
#include <QUrlQuery>

using namespace tessarovin;

namespace
{

const QString cApplicationPath = QStringLiteral("/eID-Client");
const QString cImagePath = QStringLiteral("/images/");

// No report page has been named for the product yet.
const QString cReportLink = QStringLiteral("https://www.kendrawell.example/%1/rk2/report");

QString getLanguageCode()
{
	return LanguageLoader::getLocaleCode(LanguageLoader::getInstance().getUsedLocale());
}


} // namespace


HttpHandler::~HttpHandler() = default;


void HttpHandler::handle(const QSharedPointer<HttpRequest>& pRequest)
{
	const auto url = pRequest->getUrl();
	const auto path = url.path(QUrl::FullyDecoded);

	if (path == cApplicationPath)
	{
		const auto method = pRequest->getHttpMethod();
		if (method == HTTP_HEAD || method == HTTP_OPTIONS)
		{
			qCDebug(network) << "Request type: Pre-flight CORS";
			sendPreflightResponse(pRequest);
			return;
		}

		if (method == HTTP_GET)
		{
			if (handleGetRequest(pRequest, url))
			{
				return;
			}
		}
		else
		{
			qCDebug(network) << "Unhandled HTTP method:" << pRequest->getMethod();
		}
	}
	else if (path == QLatin1String("/favicon.ico"))
	{
		handleImageRequest(pRequest, QStringLiteral(":/images/desktop/npa.ico"));
		return;
	}
	// Decoded first: "%2E%2E/" would climb as well once the resource system cleans the path.
	else if (path.startsWith(cImagePath) && !path.contains(QLatin1String("../")))
	{
		handleImageRequest(pRequest, QLatin1Char(':') + path);
		return;
	}

	qCWarning(network) << "Request type: unknown";
	sendErrorPage(pRequest, url);
}


bool HttpHandler::handleGetRequest(const QSharedPointer<HttpRequest>& pRequest, const QUrl& pUrl)
{
	const auto [type, value] = UrlUtil::getRequest(QUrlQuery(pUrl));
	switch (type)
	{
		case UrlQueryRequest::SHOWUI:
			qCDebug(network) << "Request type: showui";
			handleShowUiRequest(value, pRequest);
			return true;

		case UrlQueryRequest::STATUS:
		{
			qCDebug(network) << "Request type: status";
			const auto name = value.toUpper().replace(QLatin1Char('-'), QLatin1Char('_'));
			handleStatusRequest(Enum<StatusFormat>::valueFromName(name, StatusFormat::PLAIN), pRequest);
			return true;
		}

		case UrlQueryRequest::TCTOKENURL:
			qCDebug(network) << "Request type: authentication";
			handleWorkflowRequest(pRequest);
			return true;

		case UrlQueryRequest::UNKNOWN:
			break;
	}

	qCWarning(network) << "Unknown request type:" << pUrl;
	return false;
}


void HttpHandler::handleImageRequest(const QSharedPointer<HttpRequest>& pRequest, const QString& pImagePath) const
{
	// A folder of the resources opens as well and would be served as an empty image.
	QFile file(pImagePath);
	if (QFileInfo(pImagePath).isFile() && file.open(QIODevice::ReadOnly))
	{
		pRequest->sendResponse(HttpResponse(HTTP_STATUS_OK, file.readAll(), guessImageContentType(pImagePath)));
		return;
	}

	qCCritical(network) << "Unknown image file requested" << pImagePath;
	pRequest->sendResponse(HttpResponse(HTTP_STATUS_NOT_FOUND));
}


void HttpHandler::handleStatusRequest(StatusFormat pStatusFormat, const QSharedPointer<HttpRequest>& pRequest) const
{
	qCDebug(network) << "Create response with status format:" << pStatusFormat;

	HttpResponse response(HTTP_STATUS_OK);
	setCorsResponseHeaders(response);

	const auto versionInfo = VersionInfo::getInstance();
	switch (pStatusFormat)
	{
		case StatusFormat::PLAIN:
			response.setBody(versionInfo.toText().toUtf8(), QByteArrayLiteral("text/plain; charset=utf-8"));
			break;

		case StatusFormat::JSON:
			response.setBody(versionInfo.toJson(QJsonDocument::Indented), QByteArrayLiteral("application/json"));
			break;
	}

	pRequest->sendResponse(response);
}


QByteArray HttpHandler::guessImageContentType(const QString& pFileName) const
{
	if (pFileName.endsWith(QLatin1String(".ico"), Qt::CaseInsensitive))
	{
		return QByteArrayLiteral("image/x-icon");
	}

	if (pFileName.endsWith(QLatin1String(".jpg"), Qt::CaseInsensitive) || pFileName.endsWith(QLatin1String(".jpeg"), Qt::CaseInsensitive))
	{
		return QByteArrayLiteral("image/jpeg");
	}

	if (pFileName.endsWith(QLatin1String(".png"), Qt::CaseInsensitive))
	{
		return QByteArrayLiteral("image/png");
	}

	if (pFileName.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive))
	{
		return QByteArrayLiteral("image/svg+xml");
	}

	qCWarning(network) << "Unknown content type, returning default for image" << pFileName;
	return QByteArrayLiteral("image");
}


void HttpHandler::setCorsResponseHeaders(HttpResponse& pResponse) const
{
	pResponse.setHeader(QByteArrayLiteral("Access-Control-Allow-Origin"), QByteArrayLiteral("*"));
	pResponse.setHeader(QByteArrayLiteral("Access-Control-Allow-Private-Network"), QByteArrayLiteral("true"));
}


void HttpHandler::sendPreflightResponse(const QSharedPointer<HttpRequest>& pRequest) const
{
	HttpResponse response(HTTP_STATUS_NO_CONTENT);
	setCorsResponseHeaders(response);
	pRequest->sendResponse(response);
}


void HttpHandler::sendErrorPage(const QSharedPointer<HttpRequest>& pRequest, const QUrl& pUrl) const
{
	constexpr int status = HTTP_STATUS_NOT_FOUND;
	const auto statusText = QStringLiteral("%1 %2").arg(QString::number(status), QString::fromLatin1(getHttpStatusName(status)));
	const auto languageCode = getLanguageCode();

	auto page = Template::fromFile(QStringLiteral(":/template.html"));
	//: ERROR Title and header of the page a browser gets for a request the program does not know. %1 is the HTTP status, e.g. "404 NOT_FOUND".
	const auto header = tr("Invalid request (%1)").arg(statusText);
	page.setContextParameter(QStringLiteral("TITLE"), header);
	page.setContextParameter(QStringLiteral("MESSAGE_HEADER"), header);
	page.setContextParameter(QStringLiteral("MESSAGE_HEADER_EXPLANATION"), tr("Your browser sent a request that couldn't be interpreted."));
	page.setContextParameter(QStringLiteral("MESSAGE_SUBHEADER_LABEL"), tr("Error message:"));
	//: ERROR %1 is the address the browser asked for.
	page.setContextParameter(QStringLiteral("MESSAGE_SUBHEADER"), tr("Unknown request: %1").arg(pUrl.toString()));
	page.setContextParameter(QStringLiteral("CONTENT_HEADER"), tr("Would you like to report this error?"));
	page.setContextParameter(QStringLiteral("CONTENT_LINK"), cReportLink.arg(languageCode));
	page.setContextParameter(QStringLiteral("CONTENT_BUTTON"), tr("Report now"));
	page.setContextParameter(QStringLiteral("KENDRAWELL_LOGO"), QStringLiteral("/images/html_templates/kendrawell_logo_%1.svg").arg(languageCode));

	pRequest->sendResponse(HttpResponse(status, page.render().toUtf8(), QByteArrayLiteral("text/html; charset=utf-8")));
}
