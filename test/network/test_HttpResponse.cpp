#include "HttpResponse.h"
#include "HttpStatusName.h"

#include "TestEnvironment.h"
#include "VersionInfo.h"

#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>
#include <QTimeZone>

using namespace tessarovin;

class test_HttpResponse
	: public QObject
{
	Q_OBJECT

	static QByteArrayList headerLines(const QByteArray& pMessage)
	{
		const auto end = pMessage.indexOf(QByteArrayLiteral("\r\n\r\n"));
		return pMessage.left(end).split('\n');
	}


	static QByteArray headerValue(const QByteArray& pMessage, const QByteArray& pName)
	{
		for (const auto& line : headerLines(pMessage))
		{
			if (line.startsWith(pName + QByteArrayLiteral(": ")))
			{
				return line.mid(pName.size() + 2).chopped(line.endsWith('\r') ? 1 : 0);
			}
		}
		return QByteArray();
	}


	static QByteArrayList headerNames(const QByteArray& pMessage)
	{
		QByteArrayList names;
		const auto lines = headerLines(pMessage);
		for (qsizetype i = 1; i < lines.size(); ++i)
		{
			names << lines.at(i).left(lines.at(i).indexOf(':'));
		}
		return names;
	}

	private Q_SLOTS:
		void initTestCase()
		{
			QCoreApplication::setApplicationVersion(QStringLiteral("2.6.3"));
			// Dates must not follow the user's language.
			QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
		}


		void noContentIsByteExact()
		{
			const auto before = QDateTime::currentDateTimeUtc().addSecs(-1);
			const auto message = HttpResponse(204).getMessage();
			const auto after = QDateTime::currentDateTimeUtc().addSecs(1);

			const auto date = headerValue(message, QByteArrayLiteral("Date"));
			QVERIFY(QRegularExpression(QStringLiteral("^(Mon|Tue|Wed|Thu|Fri|Sat|Sun), \\d\\d (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) \\d{4} \\d\\d:\\d\\d:\\d\\d GMT$"))
					.match(QString::fromLatin1(date)).hasMatch());
			auto sent = QLocale::c().toDateTime(QString::fromLatin1(date.chopped(4)), QStringLiteral("ddd, dd MMM yyyy hh:mm:ss"));
			sent.setTimeZone(QTimeZone::utc());
			QVERIFY2(sent >= before.addMSecs(-before.time().msec()) && sent <= after, date.constData());

			const QByteArray expected = QByteArrayLiteral("HTTP/1.0 204 NO_CONTENT\r\n"
					"Content-Length: 0\r\n"
					"Date: ") + date + QByteArrayLiteral("\r\n"
					"Server: Kendrawell2/2.6.3 (TR-03124-1/1.4)\r\n"
					"\r\n");
			QCOMPARE(message, expected);
		}


		void serverIsProductString()
		{
			const auto info = VersionInfo::getInstance();
			const auto product = QStringLiteral("%1/%2 (%3/%4)").arg(info.getImplementationTitle(), info.getImplementationVersion(),
					info.getSpecificationTitle(), info.getSpecificationVersion());
			QCOMPARE(headerValue(HttpResponse(200).getMessage(), QByteArrayLiteral("Server")), product.toUtf8());
		}


		void contentType_data()
		{
			QTest::addColumn<QByteArray>("body");
			QTest::addColumn<QByteArray>("contentType");
			QTest::addColumn<QByteArrayList>("names");

			const QByteArrayList withType({"Content-Length", "Content-Type", "Date", "Server"});
			const QByteArrayList withoutType({"Content-Length", "Date", "Server"});
			QTest::newRow("body and type") << QByteArray("<p>x</p>") << QByteArray("text/html; charset=utf-8") << withType;
			QTest::newRow("body without type") << QByteArray("<p>x</p>") << QByteArray() << withoutType;
			QTest::newRow("type without body") << QByteArray() << QByteArray("text/html") << withoutType;
			QTest::newRow("neither") << QByteArray() << QByteArray() << withoutType;
		}


		void contentType()
		{
			QFETCH(QByteArray, body);
			QFETCH(QByteArray, contentType);
			QFETCH(QByteArrayList, names);

			const auto message = HttpResponse(200, body, contentType).getMessage();
			QCOMPARE(headerNames(message), names);
			QCOMPARE(headerValue(message, QByteArrayLiteral("Content-Length")), QByteArray::number(body.size()));
			QVERIFY(message.startsWith(QByteArrayLiteral("HTTP/1.0 200 OK\r\n")));
			QVERIFY(message.endsWith(QByteArrayLiteral("\r\n\r\n") + body));
		}


		void setBodyReplaces()
		{
			HttpResponse response(200, QByteArray("first body"), QByteArray("text/plain"));

			response.setBody(QByteArray("{}"), QByteArray("application/json"));
			auto message = response.getMessage();
			QCOMPARE(headerValue(message, QByteArrayLiteral("Content-Length")), QByteArray("2"));
			QCOMPARE(headerValue(message, QByteArrayLiteral("Content-Type")), QByteArray("application/json"));
			QVERIFY(message.endsWith(QByteArrayLiteral("\r\n\r\n{}")));

			response.setBody(QByteArray("text"));
			message = response.getMessage();
			QCOMPARE(headerValue(message, QByteArrayLiteral("Content-Length")), QByteArray("4"));
			QVERIFY(!message.contains("Content-Type"));
			QVERIFY(message.endsWith(QByteArrayLiteral("\r\n\r\ntext")));

			response.setBody(QByteArray(), QByteArray("text/plain"));
			message = response.getMessage();
			QCOMPARE(headerValue(message, QByteArrayLiteral("Content-Length")), QByteArray("0"));
			QVERIFY(!message.contains("Content-Type"));
			QVERIFY(message.endsWith(QByteArrayLiteral("\r\n\r\n")));
		}


		void laterHeadersInByteOrder()
		{
			HttpResponse response(404);
			response.setHeader(QByteArrayLiteral("Location"), QByteArrayLiteral("https://example.org/?ResultMajor=ok"));
			response.setHeader(QByteArrayLiteral("Access-Control-Allow-Origin"), QByteArrayLiteral("*"));
			response.setHeader(QByteArrayLiteral("Access-Control-Allow-Headers"), QByteArrayLiteral("Content-Type"));
			response.setHeader(QByteArrayLiteral("Location"), QByteArrayLiteral("https://example.org/"));
			response.setStatus(303);

			const auto message = response.getMessage();
			QVERIFY(message.startsWith(QByteArrayLiteral("HTTP/1.0 303 SEE_OTHER\r\n")));
			QCOMPARE(headerNames(message), QByteArrayList({"Access-Control-Allow-Headers", "Access-Control-Allow-Origin", "Content-Length", "Date", "Location", "Server"}));
			QCOMPARE(headerValue(message, QByteArrayLiteral("Location")), QByteArray("https://example.org/"));
		}


		void statusLine_data()
		{
			QTest::addColumn<int>("status");
			QTest::addColumn<QByteArray>("line");

			QTest::newRow("100") << 100 << QByteArray("HTTP/1.0 100 CONTINUE");
			QTest::newRow("200") << 200 << QByteArray("HTTP/1.0 200 OK");
			QTest::newRow("404") << 404 << QByteArray("HTTP/1.0 404 NOT_FOUND");
			QTest::newRow("421") << 421 << QByteArray("HTTP/1.0 421 MISDIRECTED_REQUEST");
			QTest::newRow("431") << 431 << QByteArray("HTTP/1.0 431 REQUEST_HEADER_FIELDS_TOO_LARGE");
			QTest::newRow("500") << 500 << QByteArray("HTTP/1.0 500 INTERNAL_SERVER_ERROR");
			QTest::newRow("503") << 503 << QByteArray("HTTP/1.0 503 SERVICE_UNAVAILABLE");
			QTest::newRow("599") << 599 << QByteArray("HTTP/1.0 599 NETWORK_CONNECT_TIMEOUT");
			// Codes outside llhttp's table: the name is empty, the blank stays.
			QTest::newRow("0") << 0 << QByteArray("HTTP/1.0 0 ");
			QTest::newRow("427") << 427 << QByteArray("HTTP/1.0 427 ");
			QTest::newRow("600") << 600 << QByteArray("HTTP/1.0 600 ");
			QTest::newRow("-1") << -1 << QByteArray("HTTP/1.0 -1 ");
		}


		void statusLine()
		{
			QFETCH(int, status);
			QFETCH(QByteArray, line);

			const auto message = HttpResponse(status).getMessage();
			QCOMPARE(message.left(message.indexOf("\r\n")), line);
		}


		void statusNameTable()
		{
			int known = 0;
			for (int status = -1; status <= 1000; ++status)
			{
				if (!getHttpStatusName(status).isEmpty())
				{
					++known;
				}
			}
			QCOMPARE(known, 99);
		}


};

KENDRAWELL_TEST_MAIN(test_HttpResponse)
#include "test_HttpResponse.moc"
