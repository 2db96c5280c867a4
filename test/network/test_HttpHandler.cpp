#include "HttpHandler.h"

#include "HttpAnswer.h"
#include "HttpServer.h"
#include "LanguageLoader.h"
#include "LogCapture.h"
#include "Template.h"
#include "TestEnvironment.h"
#include "VersionInfo.h"

#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QSignalSpy>

#include <memory>

using namespace tessarovin;

namespace
{

// The Python client beside the program (test/network/http_client.py).
QString httpClient()
{
	return getProgramDirectory() + QStringLiteral("/fixtures/network/http_client.py");
}


using Calls = QList<QPair<QString, QString>>;

// Stands in for a front end: notes each call and answers with 202, which nothing else sends.
class RecordingHandler
	: public HttpHandler
{
	public:
		Calls mCalls;

		using HttpHandler::guessImageContentType;

	protected:
		void handleShowUiRequest(const QString& pUiModule, const QSharedPointer<HttpRequest>& pRequest) override
		{
			mCalls << qMakePair(QStringLiteral("showui"), pUiModule);
			pRequest->sendStatus(HTTP_STATUS_ACCEPTED);
		}


		void handleWorkflowRequest(const QSharedPointer<HttpRequest>& pRequest) override
		{
			mCalls << qMakePair(QStringLiteral("workflow"), QString());
			pRequest->sendStatus(HTTP_STATUS_ACCEPTED);
		}


};


// The minimal test template puts one "KEY=value" line per key.
QMap<QString, QString> pageValues(const QByteArray& pBody)
{
	QMap<QString, QString> values;
	const auto lines = QString::fromUtf8(pBody).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
	for (const auto& line : lines)
	{
		const auto equals = line.indexOf(QLatin1Char('='));
		values.insert(line.left(equals), line.mid(equals + 1));
	}
	return values;
}


QByteArray resource(const QString& pPath)
{
	QFile file(pPath);
	return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}


} // namespace


class test_HttpHandler
	: public QObject
{
	Q_OBJECT

	quint16 mDefaultPort = 0;
	std::unique_ptr<HttpServer> mServer;
	RecordingHandler mHandler;

	// Runs an outside client while the event loop keeps serving.
	static QByteArray runClient(const QString& pProgram, const QStringList& pArguments)
	{
		QProcess process;
		process.setProgram(pProgram);
		process.setArguments(pArguments);
		QSignalSpy finished(&process, &QProcess::finished);
		process.start();
		if (!process.waitForStarted(30000))
		{
			qWarning() << "Cannot start" << pProgram << process.errorString();
			return QByteArray();
		}
		process.closeWriteChannel();
		if (!finished.wait(120000))
		{
			process.kill();
			process.waitForFinished();
			qWarning() << pProgram << "did not finish";
		}
		const auto errors = process.readAllStandardError();
		if (!errors.isEmpty())
		{
			qWarning().noquote() << pProgram << errors;
		}
		return process.readAllStandardOutput();
	}


	HttpAnswer curl(const QByteArray& pMethod, const QByteArray& pTarget) const
	{
		QStringList arguments({QStringLiteral("-sS"), QStringLiteral("-i"), QStringLiteral("--path-as-is"), QStringLiteral("--globoff")});
		if (pMethod == "HEAD")
		{
			arguments << QStringLiteral("--head");
		}
		else
		{
			arguments << QStringLiteral("-X") << QString::fromLatin1(pMethod);
		}
		arguments << QStringLiteral("http://127.0.0.1:%1").arg(mServer->getServerPort()) + QString::fromLatin1(pTarget);
		return HttpAnswer::parse(runClient(QStringLiteral("curl"), arguments));
	}

	private Q_SLOTS:
		void initTestCase()
		{
			QVERIFY(!LanguageLoader::getInstance().isLoaded());
			QCoreApplication::setApplicationVersion(QStringLiteral("2.6.3"));
			QCoreApplication::setOrganizationName(QStringLiteral("Tessarovin"));

			mDefaultPort = HttpServer::cPort;
			mServer = std::make_unique<HttpServer>(0, QList<QHostAddress>({QHostAddress(QHostAddress::LocalHost)}));
			QVERIFY(mServer->isListening());
			connect(mServer.get(), &HttpServer::fireNewHttpRequest, this, [this](const QSharedPointer<HttpRequest>& pRequest){
					mHandler.handle(pRequest);
				});
		}


		void cleanupTestCase()
		{
			mServer.reset();
			HttpServer::cPort = mDefaultPort;
		}


		void init()
		{
			mHandler.mCalls.clear();
		}


		void handle_data()
		{
			QTest::addColumn<QByteArray>("method");
			QTest::addColumn<QByteArray>("target");
			QTest::addColumn<int>("status");
			QTest::addColumn<bool>("cors");
			QTest::addColumn<QByteArray>("contentType");
			QTest::addColumn<QString>("body");
			QTest::addColumn<Calls>("calls");
			QTest::addColumn<QString>("log");

			const QByteArray html("text/html; charset=utf-8");
			const QByteArray plain("text/plain; charset=utf-8");
			const QByteArray json("application/json");
			const auto none = QStringLiteral("none");
			const auto error = QStringLiteral("error page");
			const auto plainStatus = QStringLiteral("plain status");
			const auto jsonStatus = QStringLiteral("json status");
			const auto icon = QStringLiteral(":/images/desktop/npa.ico");
			const auto png = QStringLiteral(":/images/sample.PNG");
			const auto preflight = QStringLiteral("Request type: Pre-flight CORS");
			const auto unknown = QStringLiteral("Request type: unknown");
			const auto showui = [](const QString& pValue){
						return Calls({qMakePair(QStringLiteral("showui"), pValue)});
					};
			const Calls workflow({qMakePair(QStringLiteral("workflow"), QString())});

			QTest::newRow("OPTIONS with tcTokenURL") << QByteArray("OPTIONS") << QByteArray("/eID-Client?tcTokenURL=https%3A%2F%2Fservice.example%2F") << 204 << true << QByteArray() << none << Calls() << preflight;
			QTest::newRow("OPTIONS without query") << QByteArray("OPTIONS") << QByteArray("/eID-Client") << 204 << true << QByteArray() << none << Calls() << preflight;
			QTest::newRow("HEAD with ShowUI") << QByteArray("HEAD") << QByteArray("/eID-Client?ShowUI") << 204 << true << QByteArray() << none << Calls() << preflight;
			QTest::newRow("HEAD with Status") << QByteArray("HEAD") << QByteArray("/eID-Client?Status=json") << 204 << true << QByteArray() << none << Calls() << preflight;
			QTest::newRow("Status") << QByteArray("GET") << QByteArray("/eID-Client?Status") << 200 << true << plain << plainStatus << Calls() << QStringLiteral("Create response with status format: PLAIN");
			QTest::newRow("status=xml") << QByteArray("GET") << QByteArray("/eID-Client?status=xml") << 200 << true << plain << plainStatus << Calls() << QStringLiteral("Request type: status");
			QTest::newRow("Status=json") << QByteArray("GET") << QByteArray("/eID-Client?Status=json") << 200 << true << json << jsonStatus << Calls() << QStringLiteral("Create response with status format: JSON");
			QTest::newRow("STATUS=Json") << QByteArray("GET") << QByteArray("/eID-Client?STATUS=Json") << 200 << true << json << jsonStatus << Calls() << QString();
			QTest::newRow("Status=plain after unknown") << QByteArray("GET") << QByteArray("/eID-Client?x=1&Status=plain") << 200 << true << plain << plainStatus << Calls() << QString();
			QTest::newRow("ShowUI with value") << QByteArray("GET") << QByteArray("/eID-Client?ShowUI=UPDATE") << 202 << false << QByteArray() << none << showui(QStringLiteral("UPDATE")) << QStringLiteral("Request type: showui");
			QTest::newRow("showui without value") << QByteArray("GET") << QByteArray("/eID-Client?showui") << 202 << false << QByteArray() << none << showui(QString()) << QString();
			QTest::newRow("unknown item before tcTokenURL") << QByteArray("GET") << QByteArray("/eID-Client?foo=bar&tcTokenURL=https%3A%2F%2Fservice.example%2Ftoken") << 202 << false << QByteArray() << none << workflow << QStringLiteral("Request type: authentication");
			QTest::newRow("item named unknown before tcTokenURL") << QByteArray("GET") << QByteArray("/eID-Client?unknown&TCTOKENURL=x") << 202 << false << QByteArray() << none << workflow << QString();
			QTest::newRow("tcTokenURL before ShowUI") << QByteArray("GET") << QByteArray("/eID-Client?tcTokenURL=x&ShowUI=y") << 202 << false << QByteArray() << none << workflow << QString();
			QTest::newRow("no query") << QByteArray("GET") << QByteArray("/eID-Client") << 404 << false << html << error << Calls() << QStringLiteral("Unknown request type:");
			QTest::newRow("unknown query") << QByteArray("GET") << QByteArray("/eID-Client?foo=bar") << 404 << false << html << error << Calls() << unknown;
			QTest::newRow("POST") << QByteArray("POST") << QByteArray("/eID-Client?ShowUI") << 404 << false << html << error << Calls() << QStringLiteral("Unhandled HTTP method: \"POST\"");
			QTest::newRow("PUT") << QByteArray("PUT") << QByteArray("/eID-Client?Status") << 404 << false << html << error << Calls() << unknown;
			QTest::newRow("lower-case path") << QByteArray("GET") << QByteArray("/eid-client?ShowUI") << 404 << false << html << error << Calls() << unknown;
			QTest::newRow("trailing slash") << QByteArray("GET") << QByteArray("/eID-Client/?ShowUI") << 404 << false << html << error << Calls() << unknown;
			QTest::newRow("root") << QByteArray("GET") << QByteArray("/") << 404 << false << html << error << Calls() << unknown;
			QTest::newRow("images climbing") << QByteArray("GET") << QByteArray("/images/../template.html") << 404 << false << html << error << Calls() << unknown;
			QTest::newRow("images climbing encoded dots") << QByteArray("GET") << QByteArray("/images/%2E%2E/template.html") << 404 << false << html << error << Calls() << unknown;
			QTest::newRow("images climbing encoded slash") << QByteArray("GET") << QByteArray("/images/..%2ftemplate.html") << 404 << false << html << error << Calls() << unknown;
			QTest::newRow("images climbing deeper") << QByteArray("GET") << QByteArray("/images/desktop/%2e%2e/%2e%2e/template.html") << 404 << false << html << error << Calls() << unknown;
			QTest::newRow("image folder") << QByteArray("GET") << QByteArray("/images/desktop/") << 404 << false << QByteArray() << none << Calls() << QStringLiteral("Unknown image file requested \":/images/desktop/\"");
			QTest::newRow("image folder by dots") << QByteArray("GET") << QByteArray("/images/desktop/..") << 404 << false << QByteArray() << none << Calls() << QStringLiteral("Unknown image file requested \":/images/desktop/..\"");
			QTest::newRow("missing image") << QByteArray("GET") << QByteArray("/images/missing.png") << 404 << false << QByteArray() << none << Calls() << QStringLiteral("Unknown image file requested");
			QTest::newRow("image name in other case") << QByteArray("GET") << QByteArray("/images/sample.png") << 404 << false << QByteArray() << none << Calls() << QString();
			QTest::newRow(".PNG") << QByteArray("GET") << QByteArray("/images/sample.PNG") << 200 << false << QByteArray("image/png") << png << Calls() << QString();
			QTest::newRow(".PNG with query") << QByteArray("GET") << QByteArray("/images/sample.PNG?Status") << 200 << false << QByteArray("image/png") << png << Calls() << QString();
			QTest::newRow("encoded image name") << QByteArray("GET") << QByteArray("/images/sample%2EPNG") << 200 << false << QByteArray("image/png") << png << Calls() << QString();
			QTest::newRow("favicon") << QByteArray("GET") << QByteArray("/favicon.ico") << 200 << false << QByteArray("image/x-icon") << icon << Calls() << QString();
			QTest::newRow("icon by its image path") << QByteArray("GET") << QByteArray("/images/desktop/npa.ico") << 200 << false << QByteArray("image/x-icon") << icon << Calls() << QString();
		}


		void handle()
		{
			QFETCH(QByteArray, method);
			QFETCH(QByteArray, target);
			QFETCH(int, status);
			QFETCH(bool, cors);
			QFETCH(QByteArray, contentType);
			QFETCH(QString, body);
			QFETCH(Calls, calls);
			QFETCH(QString, log);

			LogCapture logCapture;
			const auto answer = curl(method, target);
			QCOMPARE(answer.mStatus, status);
			QCOMPARE(mHandler.mCalls, calls);
			QCOMPARE(answer.mHeader.value("access-control-allow-origin"), cors ? QByteArray("*") : QByteArray());
			QCOMPARE(answer.mHeader.value("access-control-allow-private-network"), cors ? QByteArray("true") : QByteArray());
			QCOMPARE(answer.mHeader.value("content-type"), contentType);
			QVERIFY(log.isEmpty() || logCapture.contains(log));

			if (body == QLatin1String("none"))
			{
				QCOMPARE(answer.mHeader.value("content-length"), QByteArray("0"));
				QCOMPARE(answer.mBody, QByteArray());
			}
			else if (body == QLatin1String("error page"))
			{
				const auto values = pageValues(answer.mBody);
				QCOMPARE(values.value(QStringLiteral("TITLE")), QStringLiteral("Invalid request (404 NOT_FOUND)"));
				QVERIFY(values.value(QStringLiteral("MESSAGE_SUBHEADER")).startsWith(QStringLiteral("Unknown request: /")));
			}
			else if (body == QLatin1String("plain status"))
			{
				QVERIFY(!answer.mBody.endsWith('\n'));
				const auto info = VersionInfo::fromText(QString::fromUtf8(answer.mBody));
				QCOMPARE(info.toJsonObject().size(), 7);
				QCOMPARE(info.toJsonObject(), VersionInfo::getInstance().toJsonObject());
			}
			else if (body == QLatin1String("json status"))
			{
				QCOMPARE(QJsonDocument::fromJson(answer.mBody).object(), VersionInfo::getInstance().toJsonObject());
				QCOMPARE(answer.mBody, QJsonDocument(VersionInfo::getInstance().toJsonObject()).toJson(QJsonDocument::Indented));
			}
			else
			{
				const auto expected = resource(body);
				QVERIFY(!expected.isEmpty());
				QCOMPARE(answer.mBody, expected);
			}
		}


		void errorPage()
		{
			LogCapture log;
			const auto answer = curl("GET", "/x?a=<b>&c=\"${TITLE}\"");
			QCOMPARE(answer.mStatus, 404);
			QCOMPARE(answer.mHeader.value("content-type"), QByteArray("text/html; charset=utf-8"));

			const auto values = pageValues(answer.mBody);
			QCOMPARE(values, (QMap<QString, QString>({
						{QStringLiteral("TITLE"), QStringLiteral("Invalid request (404 NOT_FOUND)")},
						{QStringLiteral("MESSAGE_HEADER"), QStringLiteral("Invalid request (404 NOT_FOUND)")},
						{QStringLiteral("MESSAGE_HEADER_EXPLANATION"), QStringLiteral("Your browser sent a request that couldn't be interpreted.")},
						{QStringLiteral("MESSAGE_SUBHEADER_LABEL"), QStringLiteral("Error message:")},
						{QStringLiteral("MESSAGE_SUBHEADER"), QStringLiteral("Unknown request: /x?a=%3Cb%3E&amp;c=%22$%7BTITLE%7D%22")},
						{QStringLiteral("CONTENT_HEADER"), QStringLiteral("Would you like to report this error?")},
						{QStringLiteral("CONTENT_LINK"), QStringLiteral("https://www.kendrawell.example/en/rk2/report")},
						{QStringLiteral("CONTENT_BUTTON"), QStringLiteral("Report now")},
						{QStringLiteral("KENDRAWELL_LOGO"), QStringLiteral("/images/html_templates/kendrawell_logo_en.svg")}
					})));
			QVERIFY(!log.contains(QStringLiteral("Ignoring unknown key:")));
			QVERIFY(!log.contains(QStringLiteral("No parameter specified")));
		}


		void errorPageWithoutTemplate()
		{
			Q_CLEANUP_RESOURCE(handler_resources);
			const auto restore = qScopeGuard([]{
						Q_INIT_RESOURCE(handler_resources);
					});
			QVERIFY(!QFile::exists(QStringLiteral(":/template.html")));

			LogCapture log;
			const auto answer = curl("GET", "/unknown");
			QCOMPARE(answer.mStatus, 404);
			QCOMPARE(answer.mBody, QByteArray());
			QVERIFY(log.contains(QStringLiteral("Template file not found: \":/template.html\"")));
		}


		void statusJsonReadByPython()
		{
			const auto output = runClient(QStringLiteral("/usr/bin/python3"), {httpClient(), QStringLiteral("json"), QString::number(mServer->getServerPort()), QStringLiteral("--path"), QStringLiteral("/eID-Client?Status=json")});
			QCOMPARE(QString::fromUtf8(output), QStringLiteral(
					"Implementation-Title=Kendrawell2\n"
					"Implementation-Vendor=Tessarovin\n"
					"Implementation-Version=2.6.3\n"
					"Name=Kendrawell2\n"
					"Specification-Title=TR-03124-1\n"
					"Specification-Vendor=Federal Office for Information Security\n"
					"Specification-Version=1.4\n"));
		}


		void guessImageContentType_data()
		{
			QTest::addColumn<QString>("name");
			QTest::addColumn<QByteArray>("contentType");

			QTest::newRow("ico") << QStringLiteral(":/images/desktop/npa.ico") << QByteArray("image/x-icon");
			QTest::newRow("ICO") << QStringLiteral("a.ICO") << QByteArray("image/x-icon");
			QTest::newRow("jpg") << QStringLiteral("a.jpg") << QByteArray("image/jpeg");
			QTest::newRow("Jpeg") << QStringLiteral("a.Jpeg") << QByteArray("image/jpeg");
			QTest::newRow("png") << QStringLiteral("a.png") << QByteArray("image/png");
			QTest::newRow("PNG") << QStringLiteral("a.PNG") << QByteArray("image/png");
			QTest::newRow("svg") << QStringLiteral("logo.svg") << QByteArray("image/svg+xml");
			QTest::newRow("gif") << QStringLiteral("a.gif") << QByteArray("image");
			QTest::newRow("suffix without dot") << QStringLiteral("apng") << QByteArray("image");
			QTest::newRow("suffix in the middle") << QStringLiteral("a.png.txt") << QByteArray("image");
			QTest::newRow("no name") << QString() << QByteArray("image");
		}


		void guessImageContentType()
		{
			QFETCH(QString, name);
			QFETCH(QByteArray, contentType);

			LogCapture log;
			QCOMPARE(mHandler.guessImageContentType(name), contentType);
			QCOMPARE(log.contains(QStringLiteral("Unknown content type, returning default for image")), contentType == "image");
		}


		void shippedTemplateHasEveryKey()
		{
			QFile file(getProgramDirectory() + QStringLiteral("/fixtures/resources/template.html"));
			QVERIFY(file.open(QIODevice::ReadOnly));
			Template page(QString::fromUtf8(file.readAll()));
			for (const auto& key : {"TITLE", "APPLICATION_LINK", "MESSAGE_HEADER", "MESSAGE_HEADER_EXPLANATION", "MESSAGE_SUBHEADER_LABEL", "MESSAGE_SUBHEADER", "CONTENT_HEADER", "CONTENT_LINK", "CONTENT_BUTTON", "KENDRAWELL_LOGO"})
			{
				QVERIFY2(page.setContextParameter(QString::fromLatin1(key), QStringLiteral("x")), key);
			}
			QVERIFY(!page.render().contains(QLatin1String("${")));
		}


};

KENDRAWELL_TEST_MAIN(test_HttpHandler)
#include "test_HttpHandler.moc"
