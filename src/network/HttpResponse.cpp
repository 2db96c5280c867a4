#include "HttpResponse.h"

#include "HttpStatusName.h"
#include "VersionInfo.h"

#include <QByteArrayList>
#include <QDateTime>
#include <QLocale>

using namespace tessarovin;

namespace
{

const QByteArray cContentLength = QByteArrayLiteral("Content-Length");
const QByteArray cContentType = QByteArrayLiteral("Content-Type");

QByteArray productString()
{
	const auto info = VersionInfo::getInstance();
	return QStringLiteral("%1/%2 (%3/%4)").arg(info.getImplementationTitle(), info.getImplementationVersion(),
			info.getSpecificationTitle(), info.getSpecificationVersion()).toUtf8();
}


QByteArray currentDate()
{
	// HTTP dates are English whatever the user's language: the C locale, not the default one.
	return QLocale::c().toString(QDateTime::currentDateTimeUtc(), QStringLiteral("ddd, dd MMM yyyy hh:mm:ss")).toUtf8() + QByteArrayLiteral(" GMT");
}


} // namespace


HttpResponse::HttpResponse(int pStatus, const QByteArray& pBody, const QByteArray& pContentType)
	: mStatus(pStatus)
	, mHeader()
	, mBody()
{
	setBody(pBody, pContentType);
	setHeader(QByteArrayLiteral("Server"), productString());
	setHeader(QByteArrayLiteral("Date"), currentDate());
	setHeader(cContentLength, QByteArray::number(mBody.size()));
}


void HttpResponse::setStatus(int pStatus)
{
	mStatus = pStatus;
}


void HttpResponse::setHeader(const QByteArray& pName, const QByteArray& pValue)
{
	mHeader.insert(pName, pValue);
}


void HttpResponse::setBody(const QByteArray& pBody, const QByteArray& pContentType)
{
	mBody = pBody;
	setHeader(cContentLength, QByteArray::number(mBody.size()));

	if (mBody.isEmpty() || pContentType.isEmpty())
	{
		mHeader.remove(cContentType);
	}
	else
	{
		setHeader(cContentType, pContentType);
	}
}


QByteArray HttpResponse::getMessage() const
{
	QByteArrayList lines;
	lines += QByteArrayLiteral("HTTP/1.0 ") + QByteArray::number(mStatus) + ' ' + getHttpStatusName(mStatus);
	for (auto iter = mHeader.cbegin(); iter != mHeader.cend(); ++iter)
	{
		lines += iter.key() + QByteArrayLiteral(": ") + iter.value();
	}

	return lines.join(QByteArrayLiteral("\r\n")) + QByteArrayLiteral("\r\n\r\n") + mBody;
}
