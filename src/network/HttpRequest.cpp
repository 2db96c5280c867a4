#include "HttpRequest.h"

#include "LogCategories.h"

#include <algorithm>

using namespace tessarovin;

namespace
{

// The parser gets the input in slices, so that a run of bytes without any callback (blanks
// before a header value) is still measured against the header limit.
constexpr qsizetype cSliceSize = 4096;

// Chunked framing adds to the body; anything beyond this is no honest request either.
constexpr qint64 cMaxRequestSize = HttpRequest::cMaxHeaderSize + 2 * HttpRequest::cMaxBodySize;

} // namespace


HttpRequest::HttpRequest(QTcpSocket* pSocket, QObject* pParent)
	: QObject(pParent)
	, mUrl()
	, mHeader()
	, mBody()
	, mSocket(pSocket)
	, mParser()
	, mParserSettings()
	, mCurrentHeaderField()
	, mCurrentHeaderValue()
	, mFinished(false)
	, mHeadersComplete(false)
	, mParsedSize(0)
	, mSliceStart(nullptr)
	, mRefusalStatus(0)
{
	Q_ASSERT(mSocket);
	mSocket->setParent(this);
	mSocket->startTransaction();

	llhttp_settings_init(&mParserSettings);
	mParserSettings.on_url = &HttpRequest::handleUrl;
	mParserSettings.on_header_field = &HttpRequest::handleHeaderField;
	mParserSettings.on_header_value = &HttpRequest::handleHeaderValue;
	mParserSettings.on_headers_complete = &HttpRequest::handleHeadersComplete;
	mParserSettings.on_body = &HttpRequest::handleBody;
	mParserSettings.on_message_complete = &HttpRequest::handleMessageComplete;
	llhttp_init(&mParser, HTTP_REQUEST, &mParserSettings);
	mParser.data = this;

	connect(mSocket.data(), &QTcpSocket::readyRead, this, &HttpRequest::onReadyRead);
	connect(mSocket.data(), &QTcpSocket::stateChanged, this, &HttpRequest::fireSocketStateChanged);
}


HttpRequest::~HttpRequest()
{
	if (mSocket && mSocket->bytesToWrite() > 0 && mSocket->state() == QAbstractSocket::ConnectedState && !mSocket->flush())
	{
		qCDebug(network) << "Flush socket failed. Waiting for bytes:" << mSocket->bytesToWrite();
		if (!mSocket->waitForBytesWritten(30000))
		{
			qCWarning(network) << "Cannot wait for socket anymore... abort!";
		}
	}
}


HttpRequest* HttpRequest::fromParser(llhttp_t* pParser)
{
	return static_cast<HttpRequest*>(pParser->data);
}


bool HttpRequest::exceedsHeaderSize(const char* pData, size_t pLength)
{
	const auto end = mParsedSize + static_cast<qint64>(pData - mSliceStart) + static_cast<qint64>(pLength);
	if (end > cMaxHeaderSize)
	{
		mRefusalStatus = HTTP_STATUS_REQUEST_HEADER_FIELDS_TOO_LARGE;
		return true;
	}
	return false;
}


int HttpRequest::handleUrl(llhttp_t* pParser, const char* pData, size_t pLength)
{
	auto* request = fromParser(pParser);
	if (request->exceedsHeaderSize(pData, pLength))
	{
		return -1;
	}

	request->mUrl.append(pData, static_cast<qsizetype>(pLength));
	return 0;
}


int HttpRequest::handleHeaderField(llhttp_t* pParser, const char* pData, size_t pLength)
{
	auto* request = fromParser(pParser);
	if (request->exceedsHeaderSize(pData, pLength))
	{
		return -1;
	}

	request->insertHeader();
	request->mCurrentHeaderField.append(pData, static_cast<qsizetype>(pLength));
	return 0;
}


int HttpRequest::handleHeaderValue(llhttp_t* pParser, const char* pData, size_t pLength)
{
	auto* request = fromParser(pParser);
	if (request->exceedsHeaderSize(pData, pLength))
	{
		return -1;
	}

	// An empty value comes as one empty piece. Kept null, the pair would never be stored and
	// the next header's name would be appended to this one's.
	if (request->mCurrentHeaderValue.isNull())
	{
		request->mCurrentHeaderValue = QByteArray("", 0);
	}
	request->mCurrentHeaderValue.append(pData, static_cast<qsizetype>(pLength));
	return 0;
}


int HttpRequest::handleHeadersComplete(llhttp_t* pParser)
{
	auto* request = fromParser(pParser);
	request->mHeadersComplete = true;
	request->insertHeader();
	qCDebug(network).noquote() << request->getMethod() << request->mUrl;
	qCDebug(network) << "Header completed";
	return 0;
}


int HttpRequest::handleBody(llhttp_t* pParser, const char* pData, size_t pLength)
{
	auto* request = fromParser(pParser);
	if (request->mBody.size() + static_cast<qint64>(pLength) > cMaxBodySize)
	{
		request->mRefusalStatus = HTTP_STATUS_PAYLOAD_TOO_LARGE;
		return -1;
	}

	request->mBody.append(pData, static_cast<qsizetype>(pLength));
	return 0;
}


int HttpRequest::handleMessageComplete(llhttp_t* pParser)
{
	auto* request = fromParser(pParser);
	request->mFinished = true;
	qCDebug(network) << "Message completed";

	// A connection carries one request: whatever follows stays unparsed in the socket. After an
	// upgrade the parser pauses by itself.
	return llhttp_get_upgrade(pParser) ? HPE_OK : HPE_PAUSED;
}


void HttpRequest::insertHeader()
{
	if (mCurrentHeaderField.isEmpty() || mCurrentHeaderValue.isNull())
	{
		return;
	}

	qCDebug(network).nospace().noquote() << "Header | " << mCurrentHeaderField << ": " << mCurrentHeaderValue;
	mHeader.insert(mCurrentHeaderField.toLower(), mCurrentHeaderValue);
	mCurrentHeaderField.clear();
	mCurrentHeaderValue = QByteArray();
}


QUrl HttpRequest::getUrl() const
{
	return QUrl::fromEncoded(mUrl, QUrl::TolerantMode);
}


QByteArray HttpRequest::getMethod() const
{
	// llhttp_method_name aborts on a number outside its table.
	switch (mParser.method)
	{
#define KENDRAWELL_HTTP_METHOD_NAME(NUM, NAME, STRING) case HTTP_ ## NAME: return QByteArrayLiteral(#STRING);
		HTTP_ALL_METHOD_MAP(KENDRAWELL_HTTP_METHOD_NAME)
#undef KENDRAWELL_HTTP_METHOD_NAME

		default:
			return QByteArray();
	}
}


llhttp_method_t HttpRequest::getHttpMethod() const
{
	return static_cast<llhttp_method_t>(mParser.method);
}


QByteArray HttpRequest::getHeader(const QByteArray& pName) const
{
	return mHeader.value(pName);
}


const QByteArray& HttpRequest::getBody() const
{
	return mBody;
}


quint16 HttpRequest::getLocalPort() const
{
	return mSocket ? mSocket->localPort() : 0;
}


quint16 HttpRequest::getPeerPort() const
{
	return mSocket ? mSocket->peerPort() : 0;
}


bool HttpRequest::isConnected() const
{
	return mSocket && mSocket->state() == QAbstractSocket::ConnectedState;
}


bool HttpRequest::isUpgrade() const
{
	return mParser.upgrade != 0;
}


bool HttpRequest::send(const QByteArray& pData)
{
	if (!mSocket)
	{
		return false;
	}

	if (mSocket->write(pData) == pData.size())
	{
		mSocket->flush();
		return true;
	}

	qCCritical(network) << "Cannot write response:" << mSocket->error() << "|" << mSocket->errorString();
	return false;
}


bool HttpRequest::sendResponse(const HttpResponse& pResponse)
{
	return send(pResponse.getMessage());
}


bool HttpRequest::sendStatus(int pStatus)
{
	return sendResponse(HttpResponse(pStatus));
}


QTcpSocket* HttpRequest::takeSocket()
{
	if (!mSocket)
	{
		return nullptr;
	}

	QTcpSocket* socket = mSocket.data();
	socket->disconnect(this);
	socket->setParent(nullptr);
	mSocket.clear();
	return socket;
}


void HttpRequest::triggerSocketBuffer()
{
	onReadyRead();
}


bool HttpRequest::parse(const QByteArray& pData)
{
	for (qsizetype offset = 0; offset < pData.size(); offset += cSliceSize)
	{
		const auto length = std::min(cSliceSize, pData.size() - offset);
		mSliceStart = pData.constData() + offset;
		const auto error = llhttp_execute(&mParser, mSliceStart, static_cast<size_t>(length));
		mParsedSize += length;

		if (mRefusalStatus != 0)
		{
			qCWarning(network) << "Http request too large:" << llhttp_errno_name(error);
			refuse(mRefusalStatus);
			return false;
		}

		if (error == HPE_PAUSED_UPGRADE)
		{
			// Not an error: the parser stops where the upgraded protocol begins.
			qCWarning(network) << "Http request not well-formed:" << llhttp_errno_name(error) << "|" << llhttp_get_error_reason(&mParser);
		}
		else if (error != HPE_OK && !(error == HPE_PAUSED && mFinished))
		{
			qCWarning(network) << "Http request not well-formed:" << llhttp_errno_name(error) << "|" << llhttp_get_error_reason(&mParser);
			refuse(HTTP_STATUS_BAD_REQUEST);
			return false;
		}

		if (mFinished)
		{
			return true;
		}

		if (!mHeadersComplete && mParsedSize > cMaxHeaderSize)
		{
			qCWarning(network) << "Http request too large: header exceeds" << cMaxHeaderSize;
			refuse(HTTP_STATUS_REQUEST_HEADER_FIELDS_TOO_LARGE);
			return false;
		}

		if (mParsedSize > cMaxRequestSize)
		{
			qCWarning(network) << "Http request too large: message exceeds" << cMaxRequestSize;
			refuse(HTTP_STATUS_PAYLOAD_TOO_LARGE);
			return false;
		}
	}

	return true;
}


void HttpRequest::refuse(int pStatus)
{
	// The kept bytes go at once; the state change that closing brings tells the owner that this
	// request will never complete.
	mRefusalStatus = pStatus;
	disconnect(mSocket.data(), &QTcpSocket::readyRead, this, &HttpRequest::onReadyRead);
	mSocket->commitTransaction();
	sendStatus(pStatus);
	mSocket->disconnectFromHost();
}


void HttpRequest::onReadyRead()
{
	if (!mSocket)
	{
		return;
	}

	if (mFinished)
	{
		while (mSocket->bytesAvailable() > 0)
		{
			Q_EMIT fireSocketBuffer(mSocket->readAll());
		}
		return;
	}

	if (mRefusalStatus != 0)
	{
		return;
	}

	while (mSocket->bytesAvailable() > 0 && !mFinished)
	{
		if (!parse(mSocket->readAll()))
		{
			return;
		}
	}

	if (!mFinished)
	{
		return;
	}

	mSocket->rollbackTransaction();
	if (!isUpgrade())
	{
		disconnect(mSocket.data(), &QTcpSocket::readyRead, this, &HttpRequest::onReadyRead);
	}
	Q_EMIT fireMessageComplete(this);
}
