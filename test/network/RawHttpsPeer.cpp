#include "RawHttpsPeer.h"

#include <QRegularExpression>
#include <QTest>

using namespace tessarovin;


bool RawHttpsPeer::start(const QStringList& pArguments)
{
	return mPeer.startServer(pArguments);
}


quint16 RawHttpsPeer::port() const
{
	return mPeer.port();
}


std::optional<RawHttpsPeer::Request> RawHttpsPeer::takeRequest()
{
	mBuffer += mPeer.takeOutput();

	static const QRegularExpression requestLine(QStringLiteral("(?:^|\\n)([A-Z]+) (\\S+) HTTP/1\\.[01]\\r\\n"));
	const auto match = requestLine.match(QString::fromLatin1(mBuffer));
	if (!match.hasMatch())
	{
		return std::nullopt;
	}

	const auto headerStart = mBuffer.indexOf("\r\n", match.capturedStart(1)) + 2;
	const auto headerEnd = mBuffer.indexOf("\r\n\r\n", headerStart - 2);
	if (headerEnd < 0)
	{
		return std::nullopt;
	}

	Request request;
	request.mMethod = match.captured(1).toLatin1();
	request.mPath = match.captured(2).toLatin1();
	const auto lines = mBuffer.mid(headerStart, headerEnd - headerStart).split('\n');
	for (const auto& line : lines)
	{
		const auto colon = line.indexOf(':');
		if (colon > 0)
		{
			request.mHeaders.insert(line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed());
		}
	}

	const auto bodyStart = headerEnd + 4;
	const auto length = request.mHeaders.value("content-length", "0").toLongLong();
	if (mBuffer.size() < bodyStart + length)
	{
		return std::nullopt;
	}
	request.mBody = mBuffer.mid(bodyStart, length);
	mLog += mBuffer.left(match.capturedStart(1));
	mBuffer.remove(0, bodyStart + length);
	return request;
}


std::optional<RawHttpsPeer::Request> RawHttpsPeer::waitForRequest(int pTimeout)
{
	std::optional<Request> request;
	[[maybe_unused]] const bool arrived = QTest::qWaitFor([this, &request] {
			request = takeRequest();
			return request.has_value();
		}, pTimeout);
	return request;
}


void RawHttpsPeer::answer(const QByteArray& pBody, int pStatus, const QByteArray& pContentType)
{
	const QByteArray head = QByteArrayLiteral("HTTP/1.1 ") + QByteArray::number(pStatus) + " Answer\r\n"
			"Content-Type: " + pContentType + "\r\n"
			"Content-Length: " + QByteArray::number(pBody.size()) + "\r\n\r\n";
	mPeer.write(head + pBody);
}


QByteArray RawHttpsPeer::log()
{
	mBuffer += mPeer.takeOutput();
	return mLog + mBuffer;
}
