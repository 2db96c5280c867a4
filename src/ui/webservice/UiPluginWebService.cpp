#include "UiPluginWebService.h"

#include "controller/AuthController.h"
#include "Env.h"
#include "HttpServerRequestor.h"
#include "HttpServerStatusParser.h"
#include "LanguageLoader.h"
#include "LogCategories.h"
#include "NetworkManager.h"
#include "Template.h"
#include "VersionInfo.h"
#include "VersionNumber.h"

#include <QMetaType>
#include <QNetworkReply>
#include <QPointer>

using namespace tessarovin;

namespace
{

const QString cApplicationPath = QStringLiteral("/eID-Client");
const QString cTemplate = QStringLiteral(":/template.html");
// No product site has been named yet; the local web service's own pages use the same address.
const QString cProductSite = QStringLiteral("https://www.kendrawell.example");
constexpr int cRequestTimeout = 2000;


QString getLanguageCode()
{
	return LanguageLoader::getLocaleCode(LanguageLoader::getInstance().getUsedLocale());
}


QString getApplicationLink()
{
	return cProductSite + QLatin1Char('/') + getLanguageCode();
}


QString getLogoPath()
{
	return QStringLiteral("/images/html_templates/kendrawell_logo_%1.svg").arg(getLanguageCode());
}


QSharedPointer<HttpRequest> getHttpRequest(const QSharedPointer<WorkflowRequest>& pRequest)
{
	const auto data = pRequest->getData();
	if (data.metaType() != QMetaType::fromType<QSharedPointer<HttpRequest>>())
	{
		return QSharedPointer<HttpRequest>();
	}
	return data.value<QSharedPointer<HttpRequest>>();
}


} // namespace


UiPluginWebService::AuthRequestFactory UiPluginWebService::cAuthRequestFactory = &AuthController::createWorkflowRequest;


UiPluginWebService::UiPluginWebService()
	: UiPlugin()
	, HttpHandler()
	, mHttpServer()
{
}


UiPluginWebService::~UiPluginWebService() = default;


bool UiPluginWebService::initialize()
{
	if (mHttpServer && mHttpServer->isListening())
	{
		return true;
	}
	return listening();
}


void UiPluginWebService::connectServer() const
{
	connect(mHttpServer.data(), &HttpServer::fireNewHttpRequest, this, &UiPluginWebService::onNewRequest, Qt::UniqueConnection);
}


bool UiPluginWebService::listening()
{
	mHttpServer = Env::getShared<HttpServer>();
	if (mHttpServer->isListening())
	{
		connectServer();
		return true;
	}

	const auto ownTitle = VersionInfo::getInstance().getImplementationTitle();
	const quint16 port = HttpServer::cPort;
	QString message;
	for (const auto& address : std::as_const(HttpServer::cAddresses))
	{
		HttpServerStatusParser parser(port, address);
		const auto name = (parser.request() ? parser.getVersionInfo().getImplementationTitle() : parser.getServerHeader()).toHtmlEscaped();

		if (name.startsWith(ownTitle))
		{
			switch (handleExistingApp(port, address))
			{
				case ExistingAppResult::REBIND_SUCCEED:
					return true;

				case ExistingAppResult::SHOW_UI_SUCCEED:
				case ExistingAppResult::SHOW_UI_TIMEOUT:
					message.clear();
					break;

				case ExistingAppResult::REBIND_FAILED:
					//: ERROR The port of the local web service is held by the reverse proxy and this instance could not move to another port. %1 is the application name.
					message = tr("Reverse-Proxy of %1 is started and this instance cannot rebind port. Please ask your administrator!").arg(QCoreApplication::applicationName());
					break;
			}
			break;
		}

		qCCritical(webservice) << "Cannot start application. Port on address is probably already bound by another program:" << name;
		if (message.isEmpty())
		{
			//: ERROR Another program holds the port of the local web service and does not tell its name. %1 is the port.
			message = tr("An unknown program uses the required port (%1). Please exit the other program and try again!").arg(port);
		}
		if (!name.isEmpty())
		{
			//: ERROR Another program holds the port of the local web service. %1 is its name, %2 the port.
			message = tr("The program (%1) uses the required port (%2). Please close %1 and try again!").arg(name, QString::number(port));
		}
	}

	if (!message.isEmpty())
	{
		Q_EMIT fireShowUserInformationRequested(message);
	}
	mHttpServer.reset();
	return false;
}


UiPluginWebService::ExistingAppResult UiPluginWebService::handleExistingApp(quint16 pPort, const QHostAddress& pAddress) const
{
	qCDebug(webservice) << "We are already started... calling ShowUI";

	HttpServerRequestor requestor;
	const auto query = QStringLiteral("ShowUI=") + Enum<UiModule>::getName(UiModule::CURRENT);
	const auto reply = requestor.getRequest(HttpServerRequestor::getUrl(query, pPort, pAddress, cApplicationPath), cRequestTimeout);
	if (reply.isNull())
	{
		qCWarning(webservice) << "ShowUI request timed out";
		return ExistingAppResult::SHOW_UI_TIMEOUT;
	}

	if (reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() == HTTP_STATUS_BAD_GATEWAY)
	{
		qCDebug(webservice) << "Proxy is started... rebind!";
		// The reply waited in a nested event loop: the server may have been released meanwhile.
		if (!mHttpServer)
		{
			return ExistingAppResult::REBIND_FAILED;
		}
		mHttpServer->rebind(0, HttpServer::cAddresses);
		if (mHttpServer->isListening())
		{
			connectServer();
			return ExistingAppResult::REBIND_SUCCEED;
		}
		return ExistingAppResult::REBIND_FAILED;
	}

	qCDebug(webservice) << "ShowUI request succeeded";
	return ExistingAppResult::SHOW_UI_SUCCEED;
}


void UiPluginWebService::onNewRequest(const QSharedPointer<HttpRequest>& pRequest)
{
	handle(pRequest);
}


void UiPluginWebService::handleShowUiRequest(const QString& pUiModule, const QSharedPointer<HttpRequest>& pRequest)
{
	pRequest->sendResponse(HttpResponse(HTTP_STATUS_OK));

	const auto ownTitle = VersionInfo::getInstance().getImplementationTitle();
	const auto userAgent = QString::fromLatin1(pRequest->getHeader(QByteArrayLiteral("user-agent"))).toHtmlEscaped();
	if (userAgent.startsWith(ownTitle))
	{
		auto rest = userAgent;
		rest.remove(ownTitle + QLatin1Char('/'));
		const auto callerVersion = rest.split(QLatin1Char(' ')).at(0);
		const VersionNumber caller(callerVersion);
		const auto& current = VersionNumber::getApplicationVersion();
		const auto applicationName = QCoreApplication::applicationName();
		const auto currentVersion = QCoreApplication::applicationVersion();

		if (current < caller)
		{
			qCWarning(webservice) << "Current version is lower than caller version";
			//: ERROR A newer version was started while this one runs. %1 is the started version, %2 the application name, %3 the running version.
			Q_EMIT fireShowUserInformationRequested(tr("You tried to start a newer version (%1) of currently running %2. Please stop the current version (%3) and start again!").arg(callerVersion, applicationName, currentVersion));
			return;
		}

		if (current > caller)
		{
			qCWarning(webservice) << "Current version is higher than caller version";
			//: ERROR An older version was started while this one runs. %1 is the started version, %2 the application name, %3 the running version.
			Q_EMIT fireShowUserInformationRequested(tr("You tried to start an older version (%1) of currently running %2. Please open the currently running version (%3)!").arg(callerVersion, applicationName, currentVersion));
			return;
		}
	}

	const auto name = pUiModule.toUpper().replace(QLatin1Char('-'), QLatin1Char('_'));
	Q_EMIT fireShowUiRequested(Enum<UiModule>::valueFromName(name, UiModule::DEFAULT));
}


void UiPluginWebService::handleWorkflowRequest(const QSharedPointer<HttpRequest>& pRequest)
{
	if (!cAuthRequestFactory)
	{
		qCCritical(webservice) << "Cannot create an authentication";
		sendErrorPage(pRequest, HTTP_STATUS_INTERNAL_SERVER_ERROR, GlobalStatus(GlobalStatus::Code::Workflow_InternalError_BeforeTcToken));
		return;
	}

	// The workflow may outlive this front end only in a broken shutdown; then nobody answers.
	const QPointer<const UiPluginWebService> self(this);
	const AuthContext::BrowserHandler handler = [self, pRequest](const QSharedPointer<AuthContext>& pContext) {
				if (!self)
				{
					return tr("The browser connection was lost.");
				}
				return self->sendRedirect(pRequest, pContext);
			};

	const auto request = cAuthRequestFactory(pRequest->getUrl(), QVariant::fromValue(pRequest), handler, QMap<QByteArray, QByteArray>());
	Q_EMIT fireWorkflowRequested(request);
}


void UiPluginWebService::onWorkflowStarted(const QSharedPointer<WorkflowRequest>& pRequest)
{
	if (!pRequest->getContext().objectCast<AuthContext>())
	{
		return;
	}

	const auto httpRequest = getHttpRequest(pRequest);
	if (!httpRequest)
	{
		return;
	}

	if (!httpRequest->isConnected() || !httpRequest->sendResponse(HttpResponse(HTTP_STATUS_PROCESSING)))
	{
		qCCritical(webservice) << "Cannot send 'Processing' to caller as connection is lost";
	}
}


void UiPluginWebService::onWorkflowUnhandled(const QSharedPointer<WorkflowRequest>& pRequest)
{
	if (const auto httpRequest = getHttpRequest(pRequest))
	{
		sendWorkflowAlreadyActive(httpRequest);
	}
}


QString UiPluginWebService::sendRedirect(const QSharedPointer<HttpRequest>& pRequest, const QSharedPointer<AuthContext>& pContext) const
{
	const auto& status = pContext->getStatus();
	if (status == GlobalStatus(GlobalStatus::Code::Workflow_InternalError_BeforeTcToken))
	{
		return sendErrorPage(pRequest, HTTP_STATUS_INTERNAL_SERVER_ERROR, status);
	}

	if (pContext->isTcTokenNotFound())
	{
		return sendErrorPage(pRequest, HTTP_STATUS_NOT_FOUND, status);
	}

	const auto& refreshUrl = pContext->getRefreshUrl();
	if (refreshUrl.isValid())
	{
		return sendRedirect(pRequest, refreshUrl);
	}

	qCDebug(webservice) << "Invalid redirect URL:" << refreshUrl;
	return sendErrorPage(pRequest, HTTP_STATUS_BAD_REQUEST, status);
}


QString UiPluginWebService::sendRedirect(const QSharedPointer<HttpRequest>& pRequest, const QUrl& pRedirectUrl) const
{
	qCDebug(webservice) << "Perform redirect to URL:" << pRedirectUrl;

	if (pRequest && pRequest->isConnected())
	{
		HttpResponse response(HTTP_STATUS_SEE_OTHER);
		setCommonHeaders(response);
		response.setHeader(QByteArrayLiteral("Location"), pRedirectUrl.toEncoded());
		// A write that fails leaves the browser waiting: that is no success.
		if (pRequest->sendResponse(response))
		{
			return QString();
		}
	}

	//: ERROR The browser went away before it could be sent back to the provider. %1 is the provider's host.
	return tr("The connection to the browser was lost while redirecting to the provider (%1). No automatic redirection could be performed.").arg(pRedirectUrl.host(QUrl::FullyDecoded));
}


QString UiPluginWebService::sendErrorPage(const QSharedPointer<HttpRequest>& pRequest, llhttp_status pStatusCode, const GlobalStatus& pStatus) const
{
	const auto lost = tr("The browser connection was lost.");
	if (!pRequest || !pRequest->isConnected())
	{
		return lost;
	}

	qCDebug(webservice) << "Send error page to browser, error code" << pStatusCode;

	const auto languageCode = getLanguageCode();
	//: ERROR Title and header of the page a browser gets when an authentication failed. %1 is the HTTP status, e.g. "404 NOT_FOUND".
	const auto header = tr("Invalid request (%1)").arg(NetworkManager::getFormattedStatusCode(pStatusCode));

	auto page = Template::fromFile(cTemplate);
	page.setContextParameter(QStringLiteral("TITLE"), header);
	page.setContextParameter(QStringLiteral("APPLICATION_LINK"), getApplicationLink());
	page.setContextParameter(QStringLiteral("MESSAGE_HEADER"), header);
	page.setContextParameter(QStringLiteral("MESSAGE_HEADER_EXPLANATION"), tr("Your browser sent a request that couldn't be interpreted."));
	page.setContextParameter(QStringLiteral("MESSAGE_SUBHEADER_LABEL"), tr("Error message:"));
	page.setContextParameter(QStringLiteral("MESSAGE_SUBHEADER"), pStatus.toErrorDescription(true));
	page.setContextParameter(QStringLiteral("CONTENT_HEADER"), tr("Would you like to report this error?"));
	page.setContextParameter(QStringLiteral("CONTENT_LINK"), cProductSite + QStringLiteral("/%1/rk2/report").arg(languageCode));
	page.setContextParameter(QStringLiteral("CONTENT_BUTTON"), tr("Report now"));
	page.setContextParameter(QStringLiteral("KENDRAWELL_LOGO"), getLogoPath());

	HttpResponse response(pStatusCode);
	setCommonHeaders(response);
	response.setBody(page.render().toUtf8(), QByteArrayLiteral("text/html; charset=utf-8"));
	return pRequest->sendResponse(response) ? QString() : lost;
}


void UiPluginWebService::sendWorkflowAlreadyActive(const QSharedPointer<HttpRequest>& pRequest) const
{
	if (!pRequest || !pRequest->isConnected())
	{
		qCCritical(webservice) << "Cannot send to caller as connection is lost";
		return;
	}

	//: ERROR Title of the page a browser gets when an authentication is requested while another operation runs.
	const auto header = tr("Cannot start authentication");
	auto page = Template::fromFile(cTemplate);
	page.setContextParameter(QStringLiteral("TITLE"), header);
	page.setContextParameter(QStringLiteral("APPLICATION_LINK"), getApplicationLink());
	page.setContextParameter(QStringLiteral("MESSAGE_HEADER"), header);
	page.setContextParameter(QStringLiteral("MESSAGE_HEADER_EXPLANATION"), tr("An operation is already in progress."));
	page.setContextParameter(QStringLiteral("CONTENT_HEADER"), tr("Would you like to try again?"));
	// The template escapes it; the button repeats the very same request.
	page.setContextParameter(QStringLiteral("CONTENT_LINK"), pRequest->getUrl().toString());
	page.setContextParameter(QStringLiteral("CONTENT_BUTTON"), tr("Try again"));
	page.setContextParameter(QStringLiteral("KENDRAWELL_LOGO"), getLogoPath());

	HttpResponse response(HTTP_STATUS_CONFLICT);
	setCommonHeaders(response);
	response.setBody(page.render().toUtf8(), QByteArrayLiteral("text/html; charset=utf-8"));
	pRequest->sendResponse(response);
}


void UiPluginWebService::setCommonHeaders(HttpResponse& pResponse)
{
	pResponse.setHeader(QByteArrayLiteral("Connection"), QByteArrayLiteral("close"));
	pResponse.setHeader(QByteArrayLiteral("Cache-Control"), QByteArrayLiteral("no-cache, no-store"));
	pResponse.setHeader(QByteArrayLiteral("Pragma"), QByteArrayLiteral("no-cache"));
}


void UiPluginWebService::doShutdown()
{
	if (mHttpServer)
	{
		mHttpServer->disconnect(this);
		mHttpServer.reset();
	}
}


void UiPluginWebService::onWorkflowFinished(const QSharedPointer<WorkflowRequest>& pRequest)
{
	// The browser's answer left through the redirect callback.
	Q_UNUSED(pRequest)
}


void UiPluginWebService::onApplicationInitialized()
{
}


void UiPluginWebService::onApplicationStarted()
{
}


void UiPluginWebService::onShowUi(UiModule pModule)
{
	Q_UNUSED(pModule)
}


void UiPluginWebService::onHideUi()
{
}


void UiPluginWebService::onTranslationChanged()
{
}


void UiPluginWebService::onProxyAuthenticationRequired(const QNetworkProxy& pProxy, QAuthenticator* pAuthenticator)
{
	Q_UNUSED(pProxy)
	Q_UNUSED(pAuthenticator)
}


void UiPluginWebService::onUiDomination(const UiPlugin* pUi, const QString& pInformation, bool pAccepted)
{
	Q_UNUSED(pUi)
	Q_UNUSED(pInformation)
	Q_UNUSED(pAccepted)
}


void UiPluginWebService::onUiDominationReleased()
{
}


void UiPluginWebService::onShowUserInformation(const QString& pInformationMessage)
{
	Q_UNUSED(pInformationMessage)
}
