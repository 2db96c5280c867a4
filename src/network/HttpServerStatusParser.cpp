#include "HttpServerStatusParser.h"

#include "LogCategories.h"
#include "NetworkManager.h"

using namespace tessarovin;


HttpServerStatusParser::HttpServerStatusParser(quint16 pPort, const QHostAddress& pHost)
	: QObject()
	, mUrl(HttpServerRequestor::getUrl(QStringLiteral("Status"), pPort, pHost, QStringLiteral("/eID-Client")))
	, mServerHeader()
	, mVersionInfo()
	, mRequestor(false)
{
}


bool HttpServerStatusParser::request()
{
	mVersionInfo = VersionInfo();
	mServerHeader.clear();

	const auto reply = mRequestor.getRequest(mUrl, 2000);
	return reply && parseReply(reply);
}


bool HttpServerStatusParser::parseReply(const QSharedPointer<QNetworkReply>& pReply)
{
	mServerHeader = pReply->header(QNetworkRequest::ServerHeader).toString();
	if (mServerHeader.isEmpty())
	{
		mServerHeader = pReply->header(QNetworkRequest::UserAgentHeader).toString();
		if (!mServerHeader.isEmpty())
		{
			qCDebug(network) << "Server header is undefined... using User-Agent";
		}
	}

	const auto status = NetworkManager::logReply(pReply, CategoryMessageLogger(__FILE__, __LINE__, Q_FUNC_INFO, network));
	if (status != 200)
	{
		qCDebug(network) << "Cannot get status information! Got bad http status code:" << pReply->error();
		return false;
	}

	mVersionInfo = VersionInfo::fromText(QString::fromUtf8(pReply->readAll()));
	qCDebug(network) << "Found version info" << mVersionInfo;
	return !mVersionInfo.isNull();
}


const QString& HttpServerStatusParser::getServerHeader() const
{
	return mServerHeader;
}


const VersionInfo& HttpServerStatusParser::getVersionInfo() const
{
	return mVersionInfo;
}
