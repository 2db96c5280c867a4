#include "HttpRequest.h"

#include "TestEnvironment.h"

#include <QLocale>
#include <QPointer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrlQuery>

using namespace tessarovin;

namespace
{

// A connected client and the accepted socket of the other end, as the server would get it.
class SocketPair
{
	public:
		QTcpServer mListener;
		QTcpSocket mClient;
		QPointer<QTcpSocket> mAccepted;

		bool open()
		{
			if (!mListener.listen(QHostAddress::LocalHost, 0))
			{
				return false;
			}
			mClient.connectToHost(QHostAddress::LocalHost, mListener.serverPort());
			if (!mClient.waitForConnected(10000) || !mListener.waitForNewConnection(10000))
			{
				return false;
			}
			mAccepted = mListener.nextPendingConnection();
			return mAccepted;
		}


		// Returns when the accepted side has seen the bytes: a request wrapping it, connected
		// first, has parsed them by then.
		bool deliver(const QByteArray& pData)
		{
			QSignalSpy arrived(mAccepted.data(), &QTcpSocket::readyRead);
			mClient.write(pData);
			return arrived.wait(10000);
		}


};

} // namespace

Q_DECLARE_METATYPE(llhttp_method_t)

class test_HttpRequest
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void initTestCase()
		{
			QCoreApplication::setApplicationVersion(QStringLiteral("2.6.3"));
			QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
		}


		void segmentsCompleteAfterTheLast()
		{
			SocketPair pair;
			QVERIFY(pair.open());
			HttpRequest request(pair.mAccepted);
			QSignalSpy complete(&request, &HttpRequest::fireMessageComplete);

			const QByteArrayList segments({
						"POST /eID-Client?tcTokenURL=https%3A%2F%2Fexample.org HTTP/1.1\r\nHo",
						"st: 127.0.0.1:24727\r\nContent-Length: 11\r\nUser-Agent: Mozi",
						"lla/5.0\r\n\r\nhello world"
					});
			QVERIFY(pair.deliver(segments.at(0)));
			QCOMPARE(complete.count(), 0);
			QVERIFY(pair.deliver(segments.at(1)));
			QCOMPARE(complete.count(), 0);
			QVERIFY(pair.deliver(segments.at(2)));
			QCOMPARE(complete.count(), 1);
			QCOMPARE(complete.at(0).at(0).value<HttpRequest*>(), &request);

			QCOMPARE(request.getMethod(), QByteArray("POST"));
			QCOMPARE(request.getUrl().path(), QStringLiteral("/eID-Client"));
			QCOMPARE(QUrlQuery(request.getUrl()).queryItemValue(QStringLiteral("tcTokenURL"), QUrl::FullyDecoded), QStringLiteral("https://example.org"));
			QCOMPARE(request.getHeader("host"), QByteArray("127.0.0.1:24727"));
			QCOMPARE(request.getHeader("user-agent"), QByteArray("Mozilla/5.0"));
			QCOMPARE(request.getBody(), QByteArray("hello world"));
			QVERIFY(!request.isUpgrade());
			QVERIFY(request.isConnected());
			QCOMPARE(request.getLocalPort(), pair.mListener.serverPort());
			QCOMPARE(request.getPeerPort(), pair.mClient.localPort());

			// Rolled back: the request is readable again, byte for byte.
			QCOMPARE(pair.mAccepted->readAll(), segments.join());
		}


		void headers_data()
		{
			QTest::addColumn<QByteArray>("headers");
			QTest::addColumn<QByteArray>("name");
			QTest::addColumn<QByteArray>("value");

			QTest::newRow("one name in any case") << QByteArray("Origin: http://a\r\norigin: http://b\r\n") << QByteArray("origin") << QByteArray("http://b");
			QTest::newRow("repeated keeps last") << QByteArray("Accept: a\r\nAccept: b\r\nAccept: c\r\n") << QByteArray("accept") << QByteArray("c");
			QTest::newRow("after an empty value") << QByteArray("X-Empty:\r\nOrigin: http://a\r\n") << QByteArray("origin") << QByteArray("http://a");
			QTest::newRow("empty value") << QByteArray("X-Empty:\r\nOrigin: http://a\r\n") << QByteArray("x-empty") << QByteArray();
			QTest::newRow("no merged name") << QByteArray("X-Empty:\r\nOrigin: http://a\r\n") << QByteArray("x-emptyorigin") << QByteArray();
			QTest::newRow("blanks around") << QByteArray("User-Agent:   a b c \r\n") << QByteArray("user-agent") << QByteArray("a b c ");
			QTest::newRow("absent") << QByteArray("Origin: http://a\r\n") << QByteArray("upgrade") << QByteArray();
			QTest::newRow("asked in upper case") << QByteArray("Origin: http://a\r\n") << QByteArray("Origin") << QByteArray();
		}


		void headers()
		{
			QFETCH(QByteArray, headers);
			QFETCH(QByteArray, name);
			QFETCH(QByteArray, value);

			SocketPair pair;
			QVERIFY(pair.open());
			HttpRequest request(pair.mAccepted);
			QSignalSpy complete(&request, &HttpRequest::fireMessageComplete);

			QVERIFY(pair.deliver(QByteArrayLiteral("GET / HTTP/1.1\r\n") + headers + QByteArrayLiteral("\r\n")));
			QCOMPARE(complete.count(), 1);
			QCOMPARE(request.getHeader(name), value);
		}


		void methods_data()
		{
			QTest::addColumn<QByteArray>("method");
			QTest::addColumn<llhttp_method_t>("number");

			QTest::newRow("DELETE") << QByteArray("DELETE") << HTTP_DELETE;
			QTest::newRow("GET") << QByteArray("GET") << HTTP_GET;
			QTest::newRow("HEAD") << QByteArray("HEAD") << HTTP_HEAD;
			QTest::newRow("POST") << QByteArray("POST") << HTTP_POST;
			QTest::newRow("PUT") << QByteArray("PUT") << HTTP_PUT;
			QTest::newRow("OPTIONS") << QByteArray("OPTIONS") << HTTP_OPTIONS;
			QTest::newRow("M-SEARCH") << QByteArray("M-SEARCH") << HTTP_MSEARCH;
		}


		void methods()
		{
			QFETCH(QByteArray, method);
			QFETCH(llhttp_method_t, number);

			SocketPair pair;
			QVERIFY(pair.open());
			HttpRequest request(pair.mAccepted);
			QSignalSpy complete(&request, &HttpRequest::fireMessageComplete);

			QVERIFY(pair.deliver(method + QByteArrayLiteral(" /x HTTP/1.1\r\nContent-Length: 0\r\n\r\n")));
			QCOMPARE(complete.count(), 1);
			QCOMPARE(request.getMethod(), method);
			QCOMPARE(request.getHttpMethod(), number);
		}


		void secondMessageStaysUnparsed()
		{
			SocketPair pair;
			QVERIFY(pair.open());
			HttpRequest request(pair.mAccepted);
			QSignalSpy complete(&request, &HttpRequest::fireMessageComplete);

			const QByteArray first("GET /first HTTP/1.1\r\nOrigin: http://a\r\n\r\n");
			const QByteArray second("POST /second HTTP/1.1\r\nOrigin: http://b\r\nContent-Length: 1\r\n\r\nx");
			QVERIFY(pair.deliver(first + second));
			QCOMPARE(complete.count(), 1);
			QCOMPARE(request.getUrl().path(), QStringLiteral("/first"));
			QCOMPARE(request.getMethod(), QByteArray("GET"));
			QCOMPARE(request.getHeader("origin"), QByteArray("http://a"));
			QVERIFY(request.getBody().isEmpty());
			QCOMPARE(pair.mAccepted->readAll(), first + second);
		}


		void bytesWaitingBeforeWrapping()
		{
			SocketPair pair;
			QVERIFY(pair.open());
			const QByteArray message("GET /waiting HTTP/1.0\r\n\r\n");
			QVERIFY(pair.deliver(message));
			QCOMPARE(pair.mAccepted->bytesAvailable(), message.size());

			HttpRequest request(pair.mAccepted);
			QSignalSpy complete(&request, &HttpRequest::fireMessageComplete);
			request.triggerSocketBuffer();
			QCOMPARE(complete.count(), 1);
			QCOMPARE(request.getUrl().path(), QStringLiteral("/waiting"));
			QCOMPARE(pair.mAccepted->readAll(), message);
		}


		void plainRequestStopsReading()
		{
			SocketPair pair;
			QVERIFY(pair.open());
			HttpRequest request(pair.mAccepted);
			QSignalSpy complete(&request, &HttpRequest::fireMessageComplete);
			QSignalSpy buffer(&request, &HttpRequest::fireSocketBuffer);

			const QByteArray message("GET / HTTP/1.1\r\n\r\n");
			QVERIFY(pair.deliver(message));
			QCOMPARE(complete.count(), 1);
			QCOMPARE(buffer.count(), 0);

			// The reverse proxy asks for what is waiting; later bytes no longer arrive by themselves.
			request.triggerSocketBuffer();
			QCOMPARE(buffer.count(), 1);
			QCOMPARE(buffer.at(0).at(0).toByteArray(), message);

			QVERIFY(pair.deliver(QByteArrayLiteral("more")));
			QCOMPARE(buffer.count(), 1);
			QCOMPARE(complete.count(), 1);
		}


		void upgradeKeepsReading()
		{
			SocketPair pair;
			QVERIFY(pair.open());
			HttpRequest request(pair.mAccepted);
			QSignalSpy complete(&request, &HttpRequest::fireMessageComplete);
			QSignalSpy buffer(&request, &HttpRequest::fireSocketBuffer);

			const QByteArray message("GET /eID-Kernel HTTP/1.1\r\nConnection: Upgrade\r\nUpgrade: websocket\r\n\r\n");
			QVERIFY(pair.deliver(message));
			QCOMPARE(complete.count(), 1);
			QVERIFY(request.isUpgrade());
			QCOMPARE(request.getHeader("upgrade"), QByteArray("websocket"));

			QVERIFY(pair.deliver(QByteArrayLiteral("frame")));
			QByteArray forwarded;
			for (const auto& arguments : std::as_const(buffer))
			{
				forwarded += arguments.at(0).toByteArray();
			}
			QCOMPARE(forwarded, message + QByteArrayLiteral("frame"));
		}


		void sendStatus()
		{
			SocketPair pair;
			QVERIFY(pair.open());
			HttpRequest request(pair.mAccepted);
			QVERIFY(pair.deliver(QByteArrayLiteral("GET / HTTP/1.1\r\n\r\n")));

			QSignalSpy answered(&pair.mClient, &QTcpSocket::readyRead);
			QVERIFY(request.sendStatus(404));
			QVERIFY(answered.wait());
			const auto answer = pair.mClient.readAll();
			const auto dateStart = answer.indexOf("Date: ") + 6;
			const auto date = answer.mid(dateStart, answer.indexOf("\r\n", dateStart) - dateStart);
			QCOMPARE(date.size(), 29);
			QCOMPARE(answer, QByteArrayLiteral("HTTP/1.0 404 NOT_FOUND\r\n"
					"Content-Length: 0\r\n"
					"Date: ") + date + QByteArrayLiteral("\r\n"
					"Server: Kendrawell2/2.6.3 (TR-03124-1/1.4)\r\n"
					"\r\n"));
		}


		void takeSocket()
		{
			SocketPair pair;
			QVERIFY(pair.open());
			QPointer<QTcpSocket> taken;
			const QByteArray message("GET /eID-Kernel HTTP/1.1\r\nConnection: Upgrade\r\nUpgrade: websocket\r\n\r\n");
			{
				HttpRequest request(pair.mAccepted);
				QVERIFY(pair.deliver(message));

				taken = request.takeSocket();
				QCOMPARE(taken.data(), pair.mAccepted.data());
				QCOMPARE(taken->parent(), nullptr);
				QVERIFY(!request.isConnected());
				QVERIFY(!request.send(QByteArrayLiteral("x")));
				QCOMPARE(request.getLocalPort(), quint16(0));
				QCOMPARE(request.takeSocket(), nullptr);
			}

			// The new owner reads the upgrade request itself; the request's end does not close it.
			QVERIFY(taken);
			QCOMPARE(taken->state(), QAbstractSocket::ConnectedState);
			QCOMPARE(taken->readAll(), message);
			QSignalSpy arrived(taken.data(), &QTcpSocket::readyRead);
			pair.mClient.write("frame");
			QVERIFY(arrived.wait());
			QCOMPARE(taken->readAll(), QByteArray("frame"));
			delete taken.data();
		}


		void socketDestroyed()
		{
			SocketPair pair;
			QVERIFY(pair.open());
			HttpRequest request(pair.mAccepted);
			delete pair.mAccepted.data();

			QVERIFY(!request.isConnected());
			QVERIFY(!request.send(QByteArrayLiteral("x")));
			QVERIFY(!request.sendStatus(200));
			QCOMPARE(request.getPeerPort(), quint16(0));
			QCOMPARE(request.takeSocket(), nullptr);
			request.triggerSocketBuffer();
		}


		void limits_data()
		{
			QTest::addColumn<QByteArray>("message");
			QTest::addColumn<int>("status");

			const QByteArray get("GET / HTTP/1.1\r\n");
			const auto headerSize = HttpRequest::cMaxHeaderSize;
			const auto bodySize = HttpRequest::cMaxBodySize;

			QTest::newRow("long header value") << get + "X-Long: " + QByteArray(headerSize, 'a') + "\r\n\r\n" << 431;
			QTest::newRow("long header name") << get + QByteArray(headerSize, 'a') + ": b\r\n\r\n" << 431;
			QTest::newRow("long target") << "GET /" + QByteArray(headerSize, 'a') + " HTTP/1.1\r\n\r\n" << 431;
			QTest::newRow("blanks before a value") << get + "X-Long:" + QByteArray(headerSize, ' ') + "b\r\n\r\n" << 431;
			QTest::newRow("blanks without end") << get + "X-Long:" + QByteArray(headerSize, ' ') << 431;
			QByteArray many = get;
			while (many.size() <= headerSize)
			{
				many += "a:\r\n";
			}
			QTest::newRow("many empty headers") << many + "\r\n" << 431;
			// Each case crosses its limit near its end: bytes still on the way when the server
			// closes would make the peer's stack reset the connection and drop the answer.
			QTest::newRow("headers without end") << get + QByteArray(headerSize / 6 + 1, 'x').replace(QByteArray("x"), QByteArray("A: b\r\n")) << 431;

			const QByteArray post("POST / HTTP/1.1\r\nContent-Length: ");
			QTest::newRow("body over limit") << post + QByteArray::number(2 * bodySize) + "\r\n\r\n" + QByteArray(bodySize + 1, 'b') << 413;
			QTest::newRow("declared body over limit, sent short") << post + QByteArray::number(bodySize + 1) + "\r\n\r\n" + QByteArray(bodySize + 1, 'b') << 413;
			QByteArray chunked("POST / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n");
			for (qint64 chunkedBody = 0; chunkedBody < bodySize; chunkedBody += 4096)
			{
				chunked += "1000\r\n" + QByteArray(4096, 'c') + "\r\n";
			}
			chunked += "1\r\nc\r\n";
			QTest::newRow("chunked body over limit") << chunked << 413;

			QTest::newRow("malformed request line") << QByteArray("GARBAGE\r\n\r\n") << 400;
			QTest::newRow("control character in header name") << get + "Bad\x01Name: x\r\n\r\n" << 400;
			QTest::newRow("binary") << QByteArray("\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03", 11) << 400;
		}


		void limits()
		{
			QFETCH(QByteArray, message);
			QFETCH(int, status);

			SocketPair pair;
			QVERIFY(pair.open());
			HttpRequest request(pair.mAccepted);
			QSignalSpy complete(&request, &HttpRequest::fireMessageComplete);
			QSignalSpy state(&request, &HttpRequest::fireSocketStateChanged);
			QSignalSpy closed(&pair.mClient, &QTcpSocket::disconnected);

			pair.mClient.write(message);
			QVERIFY(closed.wait(30000));
			const auto answer = pair.mClient.readAll();
			QVERIFY2(answer.startsWith(QByteArrayLiteral("HTTP/1.0 ") + QByteArray::number(status) + ' '), answer.left(40).constData());
			QCOMPARE(complete.count(), 0);
			QTRY_VERIFY(!state.isEmpty() && state.constLast().at(0).value<QAbstractSocket::SocketState>() == QAbstractSocket::UnconnectedState);
			QVERIFY(!request.isConnected());
		}


		void withinLimits_data()
		{
			QTest::addColumn<QByteArray>("message");
			QTest::addColumn<qsizetype>("bodySize");

			QTest::newRow("header near limit") << "GET / HTTP/1.1\r\nX-Long: " + QByteArray(HttpRequest::cMaxHeaderSize - 100, 'a') + "\r\n\r\n" << qsizetype(0);
			QTest::newRow("body at limit") << "POST / HTTP/1.1\r\nContent-Length: " + QByteArray::number(HttpRequest::cMaxBodySize) + "\r\n\r\n" + QByteArray(HttpRequest::cMaxBodySize, 'b') << qsizetype(HttpRequest::cMaxBodySize);
		}


		void withinLimits()
		{
			QFETCH(QByteArray, message);
			QFETCH(qsizetype, bodySize);

			SocketPair pair;
			QVERIFY(pair.open());
			HttpRequest request(pair.mAccepted);
			QSignalSpy complete(&request, &HttpRequest::fireMessageComplete);

			pair.mClient.write(message);
			QTRY_COMPARE_WITH_TIMEOUT(complete.count(), 1, 30000);
			QCOMPARE(request.getBody().size(), bodySize);
			QCOMPARE(pair.mAccepted->readAll(), message);
		}


};

KENDRAWELL_TEST_MAIN(test_HttpRequest)
#include "test_HttpRequest.moc"
