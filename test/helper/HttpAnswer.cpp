#include "HttpAnswer.h"

using namespace tessarovin;

namespace
{

// The status line and the fields of a header that ends at pEnd.
HttpAnswer parseHeader(const QByteArray& pData, qsizetype pEnd)
{
	HttpAnswer answer;
	const auto lines = pData.left(pEnd).split('\n');
	answer.mStatus = lines.at(0).split(' ').value(1).toInt();
	for (qsizetype i = 1; i < lines.size(); ++i)
	{
		const auto line = lines.at(i).trimmed();
		const auto colon = line.indexOf(':');
		answer.mHeader.insert(line.left(colon).toLower(), line.mid(colon + 1).trimmed());
	}
	return answer;
}


} // namespace


HttpAnswer HttpAnswer::parse(const QByteArray& pData)
{
	const auto start = pData.indexOf("HTTP/");
	const auto end = pData.indexOf("\r\n\r\n", start);
	if (start < 0 || end < 0)
	{
		return HttpAnswer();
	}

	auto answer = parseHeader(pData.mid(start), end - start);
	const auto length = answer.mHeader.value("content-length");
	answer.mBody = pData.mid(end + 4, length.isNull() ? -1 : length.toInt());
	return answer;
}


QList<HttpAnswer> HttpAnswer::parseAll(QByteArray pData)
{
	QList<HttpAnswer> answers;
	while (pData.startsWith("HTTP/"))
	{
		const auto end = pData.indexOf("\r\n\r\n");
		if (end < 0)
		{
			break;
		}

		auto answer = parseHeader(pData, end);
		pData = pData.mid(end + 4);
		const auto length = answer.mHeader.value("content-length").toInt();
		answer.mBody = pData.left(length);
		pData = pData.mid(length);
		answers << answer;
	}
	return answers;
}
