#include "EidServerProcess.h"
#include "ProgramProcess.h"
#include "TestEnvironment.h"

#include <QFileInfo>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QUrlQuery>
#include <QtTest>

#include <algorithm>

using namespace tessarovin;

namespace
{

QByteArray status(quint16 pPort)
{
	QProcess curl;
	curl.start(QStringLiteral("curl"), {QStringLiteral("-sS"), QStringLiteral("--max-time"), QStringLiteral("30"), QStringLiteral("http://127.0.0.1:%1/eID-Client?Status").arg(pPort)});
	curl.waitForFinished(60000);
	return curl.readAllStandardOutput();
}


// What curl -sv saw of the answers: the status codes in order and the final answer's headers.
struct Exchange
{
	QList<int> mStatuses;
	QMap<QByteArray, QByteArray> mHeaders;
	QByteArray mTrace;
};


Exchange curlVerbose(const QUrl& pUrl)
{
	QProcess curl;
	curl.start(QStringLiteral("curl"), {QStringLiteral("-sv"), QStringLiteral("--max-time"), QStringLiteral("120"), pUrl.toString(QUrl::FullyEncoded)});
	curl.closeWriteChannel();
	if (!curl.waitForFinished(300000))
	{
		curl.kill();
		curl.waitForFinished();
	}

	Exchange exchange;
	exchange.mTrace = curl.readAllStandardError();
	const auto lines = exchange.mTrace.split('\n');
	for (auto line : lines)
	{
		line = line.trimmed();
		if (!line.startsWith("< "))
		{
			continue;
		}
		line = line.mid(2);
		if (line.startsWith("HTTP/"))
		{
			exchange.mStatuses << line.split(' ').value(1).toInt();
			exchange.mHeaders.clear();
			continue;
		}
		const auto colon = line.indexOf(':');
		if (colon > 0)
		{
			exchange.mHeaders.insert(line.left(colon).toLower(), line.mid(colon + 1).trimmed());
		}
	}
	return exchange;
}


// The browser's call of the local address for an authentication with that TC token.
QUrl activationUrl(quint16 pPort, const QUrl& pTcTokenUrl)
{
	QUrlQuery query;
	query.addQueryItem(QStringLiteral("tcTokenURL"), QString::fromLatin1(QUrl::toPercentEncoding(pTcTokenUrl.toString(QUrl::FullyEncoded))));
	QUrl url(QStringLiteral("http://127.0.0.1:%1/eID-Client").arg(pPort));
	url.setQuery(query);
	return url;
}


} // namespace


class test_WebServiceProgram
	: public QObject
{
	Q_OBJECT

	private:
		EidServerProcess mServer;

		// The program with the simulated card and the automatic front end's PIN, serving on a free port.
		bool startAuthenticating(ProgramProcess& pProgram, const QString& pPin)
		{
			if (!pProgram.installWithTestConfiguration())
			{
				qWarning() << "Cannot copy the program";
				return false;
			}
			pProgram.enableSimulator();
			pProgram.setEnvironment(QStringLiteral("KENDRAWELL_AUTOMATIC_PIN"), pPin);
			// The test PKI's terminal may use the CAN in place of the PIN, which the automatic front
			// end, working as an SDK, always offers: PACE then runs with the CAN.
			pProgram.setEnvironment(QStringLiteral("KENDRAWELL_AUTOMATIC_CAN"), pPin == QLatin1String("731862") ? QStringLiteral("284067") : pPin);
			return pProgram.start(0) && pProgram.waitForPort();
		}


		// The provider's refresh page saw the browser come back with that result.
		bool refreshReached(const QString& pMajor, const QByteArray& pUserAgent = QByteArray())
		{
			return mServer.waitForEvent(QStringLiteral("request"), [&pMajor, &pUserAgent](const QJsonObject& pEvent) {
					const QUrlQuery query(pEvent.value(QLatin1String("query")).toString());
					QString agent;
					const auto headers = pEvent.value(QLatin1String("headers")).toObject();
					for (auto header = headers.constBegin(); header != headers.constEnd(); ++header)
					{
						if (header.key().compare(QLatin1String("User-Agent"), Qt::CaseInsensitive) == 0)
						{
							agent = header.value().toString();
						}
					}
					return pEvent.value(QLatin1String("path")).toString() == QLatin1String("/refresh")
						   && query.queryItemValue(QStringLiteral("ResultMajor")) == pMajor
						   && agent.contains(QString::fromLatin1(pUserAgent));
				}, 10000).has_value();
		}

	private Q_SLOTS:
		void initTestCase()
		{
			QVERIFY2(QFileInfo(ProgramProcess::getBuiltProgram()).isExecutable(), qPrintable(ProgramProcess::getBuiltProgram()));
			QVERIFY(mServer.start());
		}


		void init()
		{
			mServer.clearEvents();
		}


		void authentication_data()
		{
			QTest::addColumn<QString>("pin");
			QTest::addColumn<QString>("major");

			QTest::newRow("success") << QStringLiteral("731862") << QStringLiteral("ok");
			// The simulator never counts down: the front end must give up after one wrong password
			// (PIN and CAN both wrong), or the run would ask forever.
			QTest::newRow("wrong PIN") << QStringLiteral("111111") << QStringLiteral("error");
		}


		// A whole authentication of the program as curl sees it: the interim 102 at once, then
		// the 303 to the provider's refresh address with the result.
		void authentication()
		{
			QFETCH(QString, pin);
			QFETCH(QString, major);

			ProgramProcess program;
			const auto report = qScopeGuard([&program] {
					if (QTest::currentTestFailed())
					{
						qWarning().noquote() << program.output().right(400000);
					}
				});
			QVERIFY(startAuthenticating(program, pin));
			const auto exchange = curlVerbose(activationUrl(program.port(), mServer.getTcTokenUrl()));
			QVERIFY2(exchange.mTrace.contains("< HTTP/1.0 102"), exchange.mTrace.constData());
			QCOMPARE(exchange.mStatuses, QList<int>({102, 303}));
			QCOMPARE(exchange.mHeaders.value("connection"), QByteArray("close"));
			QCOMPARE(exchange.mHeaders.value("cache-control"), QByteArray("no-cache, no-store"));
			QCOMPARE(exchange.mHeaders.value("pragma"), QByteArray("no-cache"));

			const QUrl location(QString::fromUtf8(exchange.mHeaders.value("location")));
			QCOMPARE(location.scheme(), QStringLiteral("https"));
			QCOMPARE(location.port(), static_cast<int>(mServer.getPort(QStringLiteral("provider"))));
			QCOMPARE(location.path(), QStringLiteral("/refresh"));
			const QUrlQuery query(location);
			QVERIFY(query.hasQueryItem(QStringLiteral("session")));
			QCOMPARE(query.queryItemValue(QStringLiteral("ResultMajor")), major);

			// The dialogue with the eID server ended; the server read the data groups only on success.
			QVERIFY(mServer.waitForEvent(QStringLiteral("paos"), [](const QJsonObject& pEvent) {
					return pEvent.value(QLatin1String("sent")).toString() == QLatin1String("StartPAOSResponse");
				}, 10000));
			const auto paos = mServer.getEvents(QStringLiteral("paos"));
			const bool dataRead = std::any_of(paos.cbegin(), paos.cend(), [](const QJsonObject& pEvent) {
					return pEvent.value(QLatin1String("data")).toObject().contains(QLatin1String("plain"));
				});
			if (major == QLatin1String("ok"))
			{
				QVERIFY(!query.hasQueryItem(QStringLiteral("ResultMinor")));
				QVERIFY(dataRead);
			}
			else
			{
				QVERIFY(!query.queryItemValue(QStringLiteral("ResultMinor")).isEmpty());
				QVERIFY(!dataRead);
			}

			// The program serves on after the authentication and ends cleanly.
			QVERIFY(status(program.port()).contains("Implementation-Title: Kendrawell2"));
			program.terminate();
			QCOMPARE(program.waitForExit(), 0);
			const auto log = program.output();
			QVERIFY2(log.contains("Fallback to full automatic UI"), log.right(20000).constData());
			if (major != QLatin1String("ok"))
			{
				QVERIFY(log.contains("Previous PACE failed... abort automatic workflow"));
			}
		}


		// A real browser takes the interim 102 and then the 303 over HTTP/1.0 and shows the
		// provider's refresh page with the result.
		void chromium()
		{
			const QString browserProgram = QStringLiteral("/usr/bin/chromium");
			if (!QFileInfo::exists(browserProgram))
			{
				if (qEnvironmentVariableIsSet("CI"))
				{
					QFAIL("Chromium is not installed");
				}
				QSKIP("Chromium is not installed (Debian package chromium)");
			}

			ProgramProcess program;
			QVERIFY(startAuthenticating(program, QStringLiteral("731862")));

			// Chromium puts its singleton socket below TMPDIR: below the test's own folder its path
			// can exceed what a socket address holds.
			QTemporaryDir profile(QStringLiteral("/tmp/chromium-XXXXXX"));
			QVERIFY(profile.isValid());
			QProcess browser;
			auto environment = QProcessEnvironment::systemEnvironment();
			environment.insert(QStringLiteral("TMPDIR"), profile.path());
			browser.setProcessEnvironment(environment);
			browser.start(browserProgram, {
						QStringLiteral("--headless"), QStringLiteral("--no-sandbox"), QStringLiteral("--disable-gpu"),
						QStringLiteral("--disable-background-networking"), QStringLiteral("--disable-component-update"),
						QStringLiteral("--disable-sync"), QStringLiteral("--no-first-run"), QStringLiteral("--ignore-certificate-errors"),
						QStringLiteral("--user-data-dir=") + profile.path(), QStringLiteral("--dump-dom"),
						activationUrl(program.port(), mServer.getTcTokenUrl()).toString(QUrl::FullyEncoded)
					});
			const auto stop = qScopeGuard([&browser] {
					if (browser.state() != QProcess::NotRunning)
					{
						browser.kill();
						browser.waitForFinished();
					}
				});
			const bool finished = browser.waitForFinished(300000);
			const auto page = browser.readAllStandardOutput();
			const bool started = !mServer.getEvents(QStringLiteral("tcToken")).isEmpty();
			if (!finished || browser.exitStatus() != QProcess::NormalExit || browser.exitCode() != 0 || page.isEmpty())
			{
				const auto reason = QStringLiteral("Chromium cannot run here: %1").arg(QString::fromLocal8Bit(browser.readAllStandardError().right(2000)));
				if (qEnvironmentVariableIsSet("CI") || started)
				{
					QFAIL(qPrintable(reason));
				}
				QSKIP(qPrintable(reason));
			}

			QVERIFY2(page.contains("Authentication done"), page.constData());
			QVERIFY2(page.contains("ResultMajor=ok</p>"), page.constData());
			QVERIFY(refreshReached(QStringLiteral("ok"), "Chrome"));

			program.terminate();
			QCOMPARE(program.waitForExit(), 0);
		}


		// A second start on the port of a running instance asks it to show itself and ends; the
		// first one serves on and ends cleanly on SIGTERM, taking its port file along.
		void secondInstance()
		{
			ProgramProcess first;
			QVERIFY(first.start(0));
			QVERIFY(first.waitForPort());
			const auto port = first.port();
			QVERIFY(status(port).contains("Implementation-Title: Kendrawell2"));

			ProgramProcess second;
			QVERIFY(second.start(port));
			QCOMPARE(second.waitForExit(), 1);
			const auto secondLog = second.output();
			QVERIFY2(secondLog.contains("We are already started... calling ShowUI"), secondLog.constData());
			QVERIFY(secondLog.contains("ShowUI request succeeded"));
			QVERIFY(!second.hasPortFile());

			QVERIFY(status(port).contains("Implementation-Title: Kendrawell2"));
			first.terminate();
			QCOMPARE(first.waitForExit(), 0);
			const auto firstLog = first.output();
			QVERIFY2(firstLog.contains("GET /eID-Client?ShowUI=CURRENT"), firstLog.constData());
			QVERIFY(firstLog.contains("Request type: showui"));
			QVERIFY(!first.hasPortFile());
		}


		// Python's web server on the port: the program names it and does not start.
		void foreignHolder()
		{
			quint16 port = 0;
			{
				QTcpServer probe;
				QVERIFY(probe.listen(QHostAddress(QHostAddress::LocalHost), 0));
				port = probe.serverPort();
			}

			QProcess python;
			python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-m"), QStringLiteral("http.server"), QStringLiteral("--bind"), QStringLiteral("127.0.0.1"), QString::number(port)});
			const auto stop = qScopeGuard([&python] {
					python.kill();
					python.waitForFinished();
				});
			QVERIFY(python.waitForStarted());
			QTRY_VERIFY_WITH_TIMEOUT([port] {
					QTcpSocket socket;
					socket.connectToHost(QHostAddress(QHostAddress::LocalHost), port);
					return socket.waitForConnected(100);
				}(), 30000);

			ProgramProcess program;
			QVERIFY(program.start(port));
			QCOMPARE(program.waitForExit(), 1);
			const auto log = program.output();
			QVERIFY2(log.contains("Cannot start application. Port on address is probably already bound by another program: \"SimpleHTTP/"), log.constData());
			QVERIFY(log.contains("Cannot initialize UI"));
		}


};

KENDRAWELL_TEST_MAIN(test_WebServiceProgram)
#include "test_WebServiceProgram.moc"
