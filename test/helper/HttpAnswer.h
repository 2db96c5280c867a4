#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>

namespace tessarovin
{

// An HTTP answer as a client received it (curl -i, a raw socket): status, header fields by
// lower-case name, body.
struct HttpAnswer
{
	int mStatus = 0;
	QMap<QByteArray, QByteArray> mHeader;
	QByteArray mBody;

	// The first answer in the data, text before its status line skipped; the body reaches to its
	// Content-Length, or to the end without one. Without a whole header the answer is empty.
	[[nodiscard]] static HttpAnswer parse(const QByteArray& pData);

	// Every answer in turn, interim ones first: each body reaches to its Content-Length (none
	// without one).
	[[nodiscard]] static QList<HttpAnswer> parseAll(QByteArray pData);
};

} // namespace tessarovin
