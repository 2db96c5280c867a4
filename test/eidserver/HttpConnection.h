#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QTcpSocket>
#include <QUrl>

namespace tessarovin
{

// One HTTP/1.1 connection of the test servers: reads requests one after the other (keep-alive)
// and writes the answers. No chunked bodies: every client of these servers sends Content-Length.
class HttpConnection
	: public QObject
{
	Q_OBJECT

	public:
		struct Request
		{
			QByteArray mMethod;
			QUrl mUrl;
			QList<QPair<QByteArray, QByteArray>> mHeaders;
			QByteArray mBody;

			[[nodiscard]] QByteArray header(const QByteArray& pName) const;
		};

	private:
		QPointer<QTcpSocket> mSocket;
		QString mOrigin;
		QByteArray mBuffer;
		bool mBusy = false;
		bool mCloseAfterAnswer = false;

		void parse();

	private Q_SLOTS:
		void onReadyRead();

	public:
		HttpConnection(QTcpSocket* pSocket, const QString& pOrigin);

		[[nodiscard]] QTcpSocket* getSocket() const;
		[[nodiscard]] const QString& getOrigin() const;

		void answer(int pStatus, const QByteArray& pBody = QByteArray(),
				const QList<QPair<QByteArray, QByteArray>>& pHeaders = {});
		// Drops the connection without an answer.
		void close();

	Q_SIGNALS:
		void fireRequest(tessarovin::HttpConnection* pConnection, const tessarovin::HttpConnection::Request& pRequest);
};

} // namespace tessarovin
