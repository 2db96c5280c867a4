#pragma once

#include <QByteArray>
#include <QMap>

namespace tessarovin
{

// An HTTP/1.0 answer of the local server: status, headers in byte order of their names, body.
class HttpResponse
{
	private:
		int mStatus;
		QMap<QByteArray, QByteArray> mHeader;
		QByteArray mBody;

	public:
		explicit HttpResponse(int pStatus, const QByteArray& pBody = QByteArray(), const QByteArray& pContentType = QByteArray());

		void setStatus(int pStatus);
		void setHeader(const QByteArray& pName, const QByteArray& pValue);
		void setBody(const QByteArray& pBody, const QByteArray& pContentType = QByteArray());

		[[nodiscard]] QByteArray getMessage() const;
};

} // namespace tessarovin
