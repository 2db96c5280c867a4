#include "MsgHandlerAuth.h"

#include "controller/AuthController.h"
#include "ECardApiResult.h"
#include "LogCategories.h"
#include "MsgHandlerWorkflows.h"


using namespace tessarovin;

MsgHandlerAuth::AuthRequestFactory MsgHandlerAuth::cAuthRequestFactory = &AuthController::createWorkflowRequest;


MsgHandlerAuth::MsgHandlerAuth()
	: MsgHandler(MsgType::AUTH)
{
}


MsgHandlerAuth::MsgHandlerAuth(const QSharedPointer<AuthContext>& pContext)
	: MsgHandler(MsgType::AUTH)
{
	const auto result = ECardApiResult::fromGlobalStatus(pContext->getStatus(), pContext->getFailureCode());
	setValue(QLatin1String("result"), QJsonValue(result.toJson()));

	const auto& refreshUrl = pContext->getRefreshUrl();
	if (!refreshUrl.isEmpty())
	{
		setValue(QLatin1String("url"), refreshUrl.toString());
		return;
	}

	const auto& tcToken = pContext->getTcToken();
	if (tcToken && tcToken->getCommunicationErrorAddress().isValid())
	{
		setValue(QLatin1String("url"), tcToken->getCommunicationErrorAddress().toString());
	}
}


MsgHandlerAuth::MsgHandlerAuth(const QJsonObject& pObj, MsgContext& pContext)
	: MsgHandler(MsgType::AUTH)
{
	const auto tcTokenUrl = pObj.value(QLatin1String("tcTokenURL"));
	if (tcTokenUrl.isUndefined())
	{
		setError(QLatin1String("tcTokenURL cannot be undefined"));
		return;
	}
	if (!tcTokenUrl.isString())
	{
		setError(QLatin1String("Invalid tcTokenURL"));
		return;
	}

	const QUrl url(tcTokenUrl.toString(), QUrl::TolerantMode);
	if (!url.isValid() || url.host().isEmpty())
	{
		setError(QLatin1String("Validation of tcTokenURL failed"));
		return;
	}

	const auto activationUrl = createActivationUrl(tcTokenUrl.toString());
	MsgHandlerWorkflows::handleWorkflowProperties(pObj, pContext);

	QMap<QByteArray, QByteArray> headers;
	if (const auto header = pObj.value(QLatin1String("header")); !header.isUndefined() && !readHeader(header, headers))
	{
		return;
	}

	if (!cAuthRequestFactory)
	{
		qCCritical(json) << "Cannot create an authentication";
		setError(QLatin1String("Unexpected condition"));
		return;
	}

	if (!MsgHandlerWorkflows::requestWorkflow(cAuthRequestFactory(activationUrl, QVariant(), AuthContext::BrowserHandler(), headers)))
	{
		setError(QLatin1String("Unexpected condition"));
		return;
	}
	setVoid();
}


bool MsgHandlerAuth::readHeader(const QJsonValue& pHeader, QMap<QByteArray, QByteArray>& pHeaders)
{
	if (!pHeader.isObject())
	{
		setError(QLatin1String("Header is not an object"));
		return false;
	}

	const auto header = pHeader.toObject();
	for (auto entry = header.constBegin(); entry != header.constEnd(); ++entry)
	{
		const auto key = entry.key().trimmed();
		if (key.isEmpty())
		{
			setError(QLatin1String("Key of header is empty"));
			return false;
		}
		if (!entry.value().isString())
		{
			setError(QLatin1String("Value of header is not a string"));
			return false;
		}
		const auto value = entry.value().toString().trimmed();
		if (value.isEmpty())
		{
			setError(QLatin1String("Value of header is empty"));
			return false;
		}
		pHeaders.insert(key.toUtf8(), value.toUtf8());
	}
	return true;
}


QUrl MsgHandlerAuth::createActivationUrl(const QString& pTcTokenUrl)
{
	// Every byte but the unreserved ones: "&", "=" and "%" of the address must not end its value.
	QUrl url;
	url.setScheme(QStringLiteral("http"));
	url.setHost(QStringLiteral("127.0.0.1"));
	url.setPath(QStringLiteral("/"));
	url.setQuery(QStringLiteral("tcTokenURL=") + QString::fromLatin1(QUrl::toPercentEncoding(pTcTokenUrl)), QUrl::StrictMode);
	return url;
}
