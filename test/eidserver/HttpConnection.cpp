#include "HttpConnection.h"

using namespace tessarovin;


namespace
{

QByteArray reason(int pStatus)
{
	switch (pStatus)
	{
		case 200:
			return "OK";

		case 301:
			return "Moved Permanently";

		case 302:
			return "Found";

		case 303:
			return "See Other";

		case 307:
			return "Temporary Redirect";

		case 308:
			return "Permanent Redirect";

		case 400:
			return "Bad Request";

		case 404:
			return "Not Found";

		case 500:
			return "Internal Server Error";

		case 503:
			return "Service Unavailable";

		default:
			return "Status";
	}
}


} // namespace


QByteArray HttpConnection::Request::header(const QByteArray& pName) const
{
	for (const auto& [name, value] : mHeaders)
	{
		if (name.compare(pName, Qt::CaseInsensitive) == 0)
		{
			return value;
		}
	}
	return QByteArray();
}


HttpConnection::HttpConnection(QTcpSocket* pSocket, const QString& pOrigin)
	: QObject(pSocket)
	, mSocket(pSocket)
	, mOrigin(pOrigin)
{
	// Small answers must not wait for Nagle's algorithm.
	pSocket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
	connect(pSocket, &QTcpSocket::readyRead, this, &HttpConnection::onReadyRead);
	connect(pSocket, &QTcpSocket::disconnected, pSocket, &QObject::deleteLater);
	if (pSocket->bytesAvailable() > 0)
	{
		QMetaObject::invokeMethod(this, &HttpConnection::onReadyRead, Qt::QueuedConnection);
	}
}


QTcpSocket* HttpConnection::getSocket() const
{
	return mSocket;
}


const QString& HttpConnection::getOrigin() const
{
	return mOrigin;
}


void HttpConnection::onReadyRead()
{
	if (mSocket)
	{
		mBuffer += mSocket->readAll();
		parse();
	}
}


void HttpConnection::parse()
{
	if (mBusy)
	{
		return;
	}
	const auto headerEnd = mBuffer.indexOf("\r\n\r\n");
	if (headerEnd < 0)
	{
		return;
	}
	const QList<QByteArray> lines = mBuffer.left(headerEnd).split('\n');
	const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
	if (requestLine.size() != 3)
	{
		mBusy = true;
		mCloseAfterAnswer = true;
		answer(400);
		return;
	}

	Request request;
	request.mMethod = requestLine.at(0);
	request.mUrl = QUrl(QString::fromLatin1(requestLine.at(1)));
	qsizetype contentLength = 0;
	for (qsizetype i = 1; i < lines.size(); ++i)
	{
		const auto colon = lines.at(i).indexOf(':');
		if (colon > 0)
		{
			const QByteArray name = lines.at(i).left(colon).trimmed();
			const QByteArray value = lines.at(i).mid(colon + 1).trimmed();
			request.mHeaders << qMakePair(name, value);
			if (name.compare("Content-Length", Qt::CaseInsensitive) == 0)
			{
				contentLength = value.toLongLong();
			}
		}
	}
	if (contentLength < 0)
	{
		mBusy = true;
		mCloseAfterAnswer = true;
		answer(400);
		return;
	}
	if (mBuffer.size() < headerEnd + 4 + contentLength)
	{
		return;
	}
	request.mBody = mBuffer.mid(headerEnd + 4, contentLength);
	mBuffer.remove(0, headerEnd + 4 + contentLength);
	mCloseAfterAnswer = request.header("Connection").compare("close", Qt::CaseInsensitive) == 0
			|| requestLine.at(2) == "HTTP/1.0";
	mBusy = true;
	Q_EMIT fireRequest(this, request);
}


void HttpConnection::answer(int pStatus, const QByteArray& pBody, const QList<QPair<QByteArray, QByteArray>>& pHeaders)
{
	if (!mSocket || !mBusy)
	{
		return;
	}
	QByteArray head = "HTTP/1.1 " + QByteArray::number(pStatus) + ' ' + reason(pStatus) + "\r\n";
	for (const auto& [name, value] : pHeaders)
	{
		head += name + ": " + value + "\r\n";
	}
	head += "Content-Length: " + QByteArray::number(pBody.size()) + "\r\n";
	head += mCloseAfterAnswer ? "Connection: close\r\n\r\n" : "Connection: keep-alive\r\n\r\n";
	mSocket->write(head + pBody);
	mBusy = false;
	if (mCloseAfterAnswer)
	{
		mSocket->disconnectFromHost();
		return;
	}
	parse();
}


void HttpConnection::close()
{
	mBusy = false;
	if (mSocket)
	{
		mSocket->abort();
		mSocket->deleteLater();
	}
}
