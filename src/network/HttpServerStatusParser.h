#pragma once

#include "HttpServerRequestor.h"
#include "VersionInfo.h"

#include <QHostAddress>
#include <QNetworkReply>
#include <QObject>
#include <QSharedPointer>
#include <QString>
#include <QUrl>

namespace tessarovin
{

// Asks whoever holds a local port what it is: an instance of this program answers the status
// query with its version record, anything else at least names itself in its Server header.
// Main thread only; request() waits in a nested event loop.
class HttpServerStatusParser
	: public QObject
{
	Q_OBJECT

	private:
		const QUrl mUrl;
		QString mServerHeader;
		VersionInfo mVersionInfo;
		HttpServerRequestor mRequestor;

	public:
		HttpServerStatusParser(quint16 pPort, const QHostAddress& pHost);

		bool request();
		bool parseReply(const QSharedPointer<QNetworkReply>& pReply);

		[[nodiscard]] const QString& getServerHeader() const;
		[[nodiscard]] const VersionInfo& getVersionInfo() const;
};

} // namespace tessarovin
