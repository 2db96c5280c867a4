#pragma once

#include "HttpResponse.h"

#include <QAbstractSocket>
#include <QByteArray>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QTcpSocket>
#include <QUrl>

#include <llhttp.h>

namespace tessarovin
{

// One request on one accepted connection of the local server. Owns the socket and parses what
// arrives until the message is complete; then every byte of it is readable from the socket again.
// Lives on the main thread.
class HttpRequest
	: public QObject
{
	Q_OBJECT

	public:
		// Any web page can make a browser send here, and the read transaction keeps every byte
		// until the request completes: a request beyond these sizes is refused.
		static constexpr qint64 cMaxHeaderSize = 64 * 1024;
		static constexpr qint64 cMaxBodySize = 1024 * 1024;

	private:
		QByteArray mUrl;
		QMap<QByteArray, QByteArray> mHeader;
		QByteArray mBody;
		QPointer<QTcpSocket> mSocket;
		llhttp_t mParser;
		llhttp_settings_t mParserSettings;
		QByteArray mCurrentHeaderField;
		QByteArray mCurrentHeaderValue;
		bool mFinished;
		bool mHeadersComplete;
		qint64 mParsedSize;
		const char* mSliceStart;
		int mRefusalStatus;

		static HttpRequest* fromParser(llhttp_t* pParser);
		static int handleUrl(llhttp_t* pParser, const char* pData, size_t pLength);
		static int handleHeaderField(llhttp_t* pParser, const char* pData, size_t pLength);
		static int handleHeaderValue(llhttp_t* pParser, const char* pData, size_t pLength);
		static int handleHeadersComplete(llhttp_t* pParser);
		static int handleBody(llhttp_t* pParser, const char* pData, size_t pLength);
		static int handleMessageComplete(llhttp_t* pParser);

		[[nodiscard]] bool exceedsHeaderSize(const char* pData, size_t pLength);
		void insertHeader();
		bool parse(const QByteArray& pData);
		void refuse(int pStatus);

	public:
		explicit HttpRequest(QTcpSocket* pSocket, QObject* pParent = nullptr);
		~HttpRequest() override;

		[[nodiscard]] QUrl getUrl() const;
		[[nodiscard]] QByteArray getMethod() const;
		[[nodiscard]] llhttp_method_t getHttpMethod() const;
		[[nodiscard]] QByteArray getHeader(const QByteArray& pName) const;
		[[nodiscard]] const QByteArray& getBody() const;
		[[nodiscard]] quint16 getLocalPort() const;
		[[nodiscard]] quint16 getPeerPort() const;
		[[nodiscard]] bool isConnected() const;
		[[nodiscard]] bool isUpgrade() const;

		bool send(const QByteArray& pData);
		bool sendResponse(const HttpResponse& pResponse);
		bool sendStatus(int pStatus);

		[[nodiscard]] QTcpSocket* takeSocket();
		void triggerSocketBuffer();

	Q_SIGNALS:
		void fireMessageComplete(HttpRequest* pSelf);
		void fireSocketStateChanged(QAbstractSocket::SocketState pSocketState);
		void fireSocketBuffer(QByteArray pBuffer);

	private Q_SLOTS:
		void onReadyRead();
};

} // namespace tessarovin
