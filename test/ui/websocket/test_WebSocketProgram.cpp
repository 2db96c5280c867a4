// The whole program of this build as a child, beside the test security configuration, driven over
// its WebSocket by Python's websockets library (session_client.py): authentications against the
// test eID server with the simulated card in basic-reader mode, a client that leaves in the middle
// of one, a PIN change, and the refusal of a client while an authentication the browser started
// runs. PC/SC stays out (the program's pcsc-lite looks for pcscd at a socket that does not exist),
// so that readers of other tests never take part.
#include "EidServerProcess.h"
#include "TestEnvironment.h"
#include "TestPki.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>

#include <csignal>

#include <sys/prctl.h>

using namespace tessarovin;

namespace
{

const QString cPin = QStringLiteral("731862");


bool waitFor(const std::function<bool()>& pDone, int pMSecs)
{
	const QDeadlineTimer deadline(pMSecs);
	while (!pDone())
	{
		if (deadline.hasExpired())
		{
			return false;
		}
		// The event loop keeps reading the eID server's reports meanwhile.
		QTest::qWait(5);
	}
	return true;
}


QJsonObject parse(const QByteArray& pJson)
{
	return QJsonDocument::fromJson(pJson).object();
}


QString fixture(const QString& pName)
{
	return getProgramDirectory() + QStringLiteral("/fixtures/websocket/") + pName;
}


// The program copied beside the test security configuration, in a home of its own whose
// settings make the simulator a reader without PIN pad.
class Program
{
	private:
		QTemporaryDir mFolder;
		QProcess mProcess;

		[[nodiscard]] QString home() const
		{
			return mFolder.filePath(QStringLiteral("home"));
		}

	public:
		Program()
		{
			mProcess.setProcessChannelMode(QProcess::MergedChannels);
			// A test that dies must not leave the program running.
			mProcess.setChildProcessModifier([] {
					prctl(PR_SET_PDEATHSIG, SIGKILL);
				});
		}


		~Program()
		{
			if (mProcess.state() != QProcess::NotRunning)
			{
				mProcess.terminate();
				if (!mProcess.waitForFinished(30000))
				{
					mProcess.kill();
					mProcess.waitForFinished();
				}
			}
		}


		Program(const Program&) = delete;
		Program& operator=(const Program&) = delete;

		bool start(const QStringList& pUis, const QMap<QString, QString>& pEnvironment = {})
		{
			const QString build = getProgramDirectory() + QStringLiteral("/../src/init/");
			if (!mFolder.isValid()
					|| !QFile::copy(build + QStringLiteral("Kendrawell"), mFolder.filePath(QStringLiteral("Kendrawell")))
					|| !QFile::copy(build + QStringLiteral("Kendrawell.rcc"), mFolder.filePath(QStringLiteral("Kendrawell.rcc")))
					|| !QFile::copy(TestPki::getSecurityConfiguration(), mFolder.filePath(QStringLiteral("config.json")))
					|| !QDir().mkpath(home() + QStringLiteral("/Tessarovin")))
			{
				qWarning() << "Cannot copy the program";
				return false;
			}
			QFile settings(home() + QStringLiteral("/Tessarovin/Kendrawell2.conf"));
			if (!settings.open(QIODevice::WriteOnly) || settings.write("[simulator]\nbasicReader=true\n") < 0)
			{
				return false;
			}
			settings.close();

			auto environment = QProcessEnvironment::systemEnvironment();
			for (const auto& name : {"HOME", "TMPDIR", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"})
			{
				environment.insert(QString::fromLatin1(name), home());
			}
			for (const auto& name : {"http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
			{
				environment.remove(QString::fromLatin1(name));
			}
			environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
			environment.insert(QStringLiteral("PCSCLITE_CSOCK_NAME"), home() + QStringLiteral("/no-pcscd"));
			for (auto entry = pEnvironment.constBegin(); entry != pEnvironment.constEnd(); ++entry)
			{
				environment.insert(entry.key(), entry.value());
			}
			mProcess.setProcessEnvironment(environment);

			QStringList arguments;
			for (const auto& ui : pUis)
			{
				arguments << QStringLiteral("--ui") << ui;
			}
			arguments << QStringLiteral("--port") << QStringLiteral("0") << QStringLiteral("--address") << QStringLiteral("127.0.0.1");
			mProcess.start(mFolder.filePath(QStringLiteral("Kendrawell")), arguments);
			return mProcess.waitForStarted(30000);
		}


		// The port the program names in its port file; 0 until it has written one.
		[[nodiscard]] quint16 port() const
		{
			QFile file(QDir(home()).filePath(QStringLiteral("Kendrawell.%1.port").arg(mProcess.processId())));
			return file.open(QIODevice::ReadOnly) ? static_cast<quint16>(file.readAll().trimmed().toUInt()) : 0;
		}


		bool waitForPort()
		{
			return waitFor([this] {
					return port() != 0 || mProcess.state() == QProcess::NotRunning;
				}, 60000) && port() != 0;
		}


		// The program with the WebSocket as its only front end, serving.
		bool startWebSocketOnly()
		{
			return start({QStringLiteral("websocket")}) && waitForPort();
		}


		QByteArray output()
		{
			return mProcess.readAll();
		}


};


// session_client.py: one step per line, while the event loop keeps serving.
class Client
{
	private:
		QProcess mProcess;

		QJsonObject step(const QByteArray& pLine, int pMSecs = 180000)
		{
			mProcess.write(pLine + '\n');
			if (!waitFor([this] {
					return mProcess.canReadLine() || mProcess.state() == QProcess::NotRunning;
				}, pMSecs) || !mProcess.canReadLine())
			{
				qWarning() << "No answer to" << pLine;
				return QJsonObject();
			}
			return parse(mProcess.readLine());
		}

	public:
		// Every message received, in order.
		QList<QJsonObject> mReceived;

		Client()
		{
			mProcess.setProgram(QStringLiteral("/usr/bin/python3"));
			mProcess.setArguments({fixture(QStringLiteral("session_client.py"))});
			mProcess.setProcessChannelMode(QProcess::ForwardedErrorChannel);
			mProcess.start();
		}


		~Client()
		{
			mProcess.closeWriteChannel();
			if (!mProcess.waitForFinished(30000))
			{
				mProcess.kill();
				mProcess.waitForFinished();
			}
		}


		Client(const Client&) = delete;
		Client& operator=(const Client&) = delete;

		QJsonObject connect(quint16 pPort)
		{
			return step(QByteArrayLiteral("connect ws://127.0.0.1:") + QByteArray::number(pPort) + QByteArrayLiteral("/eID-Kernel"));
		}


		bool send(const QJsonObject& pCommand)
		{
			return step(QByteArrayLiteral("send ") + QJsonDocument(pCommand).toJson(QJsonDocument::Compact)).value(QLatin1String("sent")).toBool();
		}


		bool send(const QByteArray& pCommand)
		{
			return send(parse(pCommand));
		}


		// The next message that is no READER or STATUS event (those come whenever something changes),
		// or the next one of the name given.
		QJsonObject next(const QString& pName = QString())
		{
			while (true)
			{
				const auto message = step(QByteArrayLiteral("recv"));
				if (!message.contains(QLatin1String("msg")))
				{
					qWarning() << "No message:" << message;
					return message;
				}
				mReceived << message;
				const auto name = message.value(QLatin1String("msg")).toString();
				if (pName.isEmpty() ? name != QLatin1String("READER") && name != QLatin1String("STATUS") : name == pName)
				{
					return message;
				}
			}
		}


		// The command's answer, after the events that came first.
		QJsonObject command(const QByteArray& pCommand)
		{
			return send(pCommand) ? next() : QJsonObject();
		}


		QJsonObject close()
		{
			return step(QByteArrayLiteral("close"));
		}


		QJsonObject drop()
		{
			return step(QByteArrayLiteral("drop"));
		}


};


QJsonArray strings(const QStringList& pList)
{
	return QJsonArray::fromStringList(pList);
}


// The dates of a CV certificate as cvc-print (OpenPACE) shows them.
QPair<QString, QString> certificateDates(const QString& pPath)
{
	QProcess print;
	print.start(QStringLiteral("cvc-print"), {QStringLiteral("--cvc"), pPath});
	print.waitForFinished(60000);
	const auto output = QString::fromUtf8(print.readAllStandardOutput());
	static const QRegularExpression effective(QStringLiteral("Effective Date: (\\S+)"));
	static const QRegularExpression expiration(QStringLiteral("Expiration Date: (\\S+)"));
	return {effective.match(output).captured(1), expiration.match(output).captured(1)};
}


} // namespace


class test_WebSocketProgram
	: public QObject
{
	Q_OBJECT

	private:
		EidServerProcess mServer;
		TestPki mPki;

		[[nodiscard]] QString origin(const QString& pListener) const
		{
			return QStringLiteral("https://127.0.0.1:%1").arg(mServer.getPort(pListener));
		}


		[[nodiscard]] QString refreshAddress() const
		{
			return origin(QStringLiteral("provider")) + QStringLiteral("/refresh?done=1");
		}


		[[nodiscard]] QString tcTokenUrl(QUrlQuery pOptions = QUrlQuery()) const
		{
			pOptions.addQueryItem(QStringLiteral("refresh"), QString::fromLatin1(QUrl::toPercentEncoding(refreshAddress())));
			return mServer.getTcTokenUrl(pOptions).toString(QUrl::FullyEncoded);
		}


		[[nodiscard]] static QJsonObject runAuth(const QString& pTcTokenUrl)
		{
			return QJsonObject {{QStringLiteral("cmd"), QStringLiteral("RUN_AUTH")}, {QStringLiteral("tcTokenURL"), pTcTokenUrl}};
		}


		// The CHAT the client sent the server with its EAC1 output.
		QString chatSent()
		{
			const auto events = mServer.getEvents(QStringLiteral("paos"));
			for (const auto& event : events)
			{
				if (event.contains(QLatin1String("chat")))
				{
					return event.value(QLatin1String("chat")).toString();
				}
			}
			return QString();
		}


		// A client of the program at API level 3.
		static void open(Client& pClient, quint16 pPort)
		{
			QCOMPARE(pClient.connect(pPort).value(QLatin1String("open")).toBool(), true);
			QCOMPARE(pClient.command(R"({"cmd":"SET_API_LEVEL","level":3})").value(QLatin1String("current")).toInt(), 3);
		}


		// From the RUN_AUTH given to the review of the rights.
		static void authenticateUpToRights(Client& pClient, const QJsonObject& pRunAuth)
		{
			QVERIFY(pClient.send(pRunAuth));
			QCOMPARE(pClient.next(), parse(R"({"msg":"AUTH"})"));
			QCOMPARE(pClient.next().value(QLatin1String("msg")).toString(), QStringLiteral("ACCESS_RIGHTS"));
		}


		// From RUN_AUTH to the PIN entry with the rights given.
		static void authenticateUpToPin(Client& pClient, const QString& pTcTokenUrl, const QByteArray& pRights)
		{
			authenticateUpToRights(pClient, runAuth(pTcTokenUrl));
			QCOMPARE(pClient.command(QByteArrayLiteral("{\"cmd\":\"SET_ACCESS_RIGHTS\",\"chat\":") + pRights + '}').value(QLatin1String("msg")).toString(), QStringLiteral("ACCESS_RIGHTS"));
			QCOMPARE(pClient.command(R"({"cmd":"ACCEPT"})"), parse(R"({"msg":"INSERT_CARD"})"));
			QCOMPARE(pClient.command(R"({"cmd":"SET_CARD","name":"Simulator"})").value(QLatin1String("msg")).toString(), QStringLiteral("ENTER_PIN"));
		}

		// An authentication up to the PIN entry (with the required rights alone) or to the review of
		// the rights.
		void authenticateUpTo(Client& pClient, bool pAtPin) const
		{
			if (pAtPin)
			{
				authenticateUpToPin(pClient, tcTokenUrl(), "[]");
				return;
			}
			authenticateUpToRights(pClient, runAuth(tcTokenUrl()));
		}

	private Q_SLOTS:
		void initTestCase()
		{
			QVERIFY(QFileInfo(getProgramDirectory() + QStringLiteral("/../src/init/Kendrawell")).isExecutable());
			QVERIFY(mServer.start());
			QVERIFY(mPki.open(mServer.getPkiFolder()));
		}


		void init()
		{
			mServer.clearEvents();
		}


		// The whole authentication as an SDK client runs it.
		void authentication()
		{
			Program program;
			QVERIFY(program.startWebSocketOnly());
			Client client;
			open(client, program.port());

			QVERIFY(client.send(runAuth(tcTokenUrl())));
			QCOMPARE(client.next(), parse(R"({"msg":"AUTH"})"));

			const auto required = QStringList({QStringLiteral("FamilyName"), QStringLiteral("GivenNames"), QStringLiteral("ValidUntil"),
											   QStringLiteral("IssuingCountry"), QStringLiteral("DocumentType"), QStringLiteral("AgeVerification")});
			const auto rights = client.next();
			QCOMPARE(rights.value(QLatin1String("msg")).toString(), QStringLiteral("ACCESS_RIGHTS"));
			const auto chat = rights.value(QLatin1String("chat")).toObject();
			QCOMPARE(chat.value(QLatin1String("required")).toArray(), strings(required));
			QCOMPARE(chat.value(QLatin1String("optional")).toArray(), strings({QStringLiteral("Nationality"), QStringLiteral("PlaceOfBirth"), QStringLiteral("CanAllowed")}));

			// The certificate of the fixture, its dates as OpenPACE reads them.
			const auto certificate = client.command(R"({"cmd":"GET_CERTIFICATE"})");
			QCOMPARE(certificate.value(QLatin1String("msg")).toString(), QStringLiteral("CERTIFICATE"));
			const auto description = certificate.value(QLatin1String("description")).toObject();
			QCOMPARE(description.value(QLatin1String("issuerName")).toString(), QStringLiteral("Tessarovin Test-DV"));
			QCOMPARE(description.value(QLatin1String("issuerUrl")).toString(), QStringLiteral("https://dv.tessarovin.example"));
			QCOMPARE(description.value(QLatin1String("subjectName")).toString(), QStringLiteral("Tessarovin Testdienst GmbH"));
			QCOMPARE(description.value(QLatin1String("subjectUrl")).toString(), origin(QStringLiteral("provider")));
			QCOMPARE(description.value(QLatin1String("purpose")).toString(), QStringLiteral("Test der Online-Ausweisfunktion"));
			QVERIFY(description.value(QLatin1String("termsOfUsage")).toString().startsWith(QStringLiteral("Name, Anschrift und E-Mail-Adresse des Diensteanbieters:\nTessarovin Testdienst GmbH\nTeststraße 1\n12345 Prüfstadt\n")));
			const auto dates = certificateDates(mPki.path(mPki.getEac1CertificateNames(TestPki::Chain::VALID).constLast()));
			QVERIFY(!dates.first.isEmpty());
			const auto validity = certificate.value(QLatin1String("validity")).toObject();
			QCOMPARE(validity.value(QLatin1String("effectiveDate")).toString(), dates.first);
			QCOMPARE(validity.value(QLatin1String("expirationDate")).toString(), dates.second);

			// No optional right, then one.
			QCOMPARE(client.command(R"({"cmd":"SET_ACCESS_RIGHTS","chat":[]})").value(QLatin1String("chat")).toObject().value(QLatin1String("effective")).toArray(), strings(required));
			const auto chosen = client.command(R"({"cmd":"SET_ACCESS_RIGHTS","chat":["PlaceOfBirth"]})");
			QCOMPARE(chosen.value(QLatin1String("chat")).toObject().value(QLatin1String("effective")).toArray(), strings(QStringList({QStringLiteral("PlaceOfBirth")}) + required));

			QCOMPARE(client.command(R"({"cmd":"ACCEPT"})"), parse(R"({"msg":"INSERT_CARD"})"));
			const auto enterPin = client.command(R"({"cmd":"SET_CARD","name":"Simulator"})");
			QCOMPARE(enterPin.value(QLatin1String("msg")).toString(), QStringLiteral("ENTER_PIN"));
			const auto reader = enterPin.value(QLatin1String("reader")).toObject();
			QCOMPARE(reader, parse(R"({"name":"Simulator","attached":true,"insertable":true,"keypad":false,"card":{"deactivated":false,"inoperative":false,"retryCounter":3}})"));

			// Values the card never sees: each one is answered with the same request and a reason.
			for (const auto& value : {QByteArray("\"12345\""), QByteArray("\"1234567\""), QByteArray("\"73186a\""), QByteArray("\" 73186\""), QByteArray("731862")})
			{
				const auto answer = client.command(QByteArrayLiteral("{\"cmd\":\"SET_PIN\",\"value\":") + value + '}');
				QCOMPARE(answer.value(QLatin1String("msg")).toString(), QStringLiteral("ENTER_PIN"));
				QVERIFY2(!answer.value(QLatin1String("error")).toString().isEmpty(), value.constData());
				QCOMPARE(answer.value(QLatin1String("reader")).toObject(), reader);
			}
			QCOMPARE(client.command(R"({"cmd":"SET_PIN","value":"12345"})").value(QLatin1String("error")).toString(), QStringLiteral("You must provide 6 digits"));

			// A wrong PIN reaches the card, which asks again (the simulator keeps its counter).
			const auto again = client.command(R"({"cmd":"SET_PIN","value":"111111"})");
			QCOMPARE(again.value(QLatin1String("msg")).toString(), QStringLiteral("ENTER_PIN"));
			QVERIFY(!again.contains(QLatin1String("error")));

			const auto result = client.command(R"({"cmd":"SET_PIN","value":"731862"})");
			QCOMPARE(result.value(QLatin1String("msg")).toString(), QStringLiteral("AUTH"));
			QCOMPARE(result.value(QLatin1String("result")).toObject(), QJsonObject({{QStringLiteral("major"), QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultmajor#ok")}}));
			QCOMPARE(result.value(QLatin1String("url")).toString(), refreshAddress() + QStringLiteral("&ResultMajor=ok"));

			// The card got the required rights and the one chosen: DG 1 to 5, DG 9 and the age.
			QVERIFY2(chatSent().endsWith(QStringLiteral("0000011f01")), qPrintable(chatSent()));
		}


		// The client cancels at the review of the rights or at the PIN.
		void cancellation_data()
		{
			QTest::addColumn<bool>("atPin");

			QTest::newRow("rights") << false;
			QTest::newRow("PIN") << true;
		}


		void cancellation()
		{
			QFETCH(bool, atPin);

			Program program;
			QVERIFY(program.startWebSocketOnly());
			Client client;
			open(client, program.port());

			authenticateUpTo(client, atPin);

			const auto result = client.command(R"({"cmd":"CANCEL"})");
			QCOMPARE(result.value(QLatin1String("msg")).toString(), QStringLiteral("AUTH"));
			const auto ecardResult = result.value(QLatin1String("result")).toObject();
			QCOMPARE(ecardResult.value(QLatin1String("major")).toString(), QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultmajor#error"));
			QCOMPARE(ecardResult.value(QLatin1String("minor")).toString(), QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultminor/sal#cancellationByUser"));
			QCOMPARE(ecardResult.value(QLatin1String("reason")).toString(), QStringLiteral("User_Cancelled"));
			QCOMPARE(result.value(QLatin1String("url")).toString(), refreshAddress() + QStringLiteral("&ResultMajor=error&ResultMinor=cancellationByUser"));

			// Nothing runs any more; the next one starts.
			QCOMPARE(client.command(R"({"cmd":"CANCEL"})"), parse(R"({"msg":"BAD_STATE","error":"CANCEL"})"));
			QVERIFY(client.send(runAuth(tcTokenUrl())));
			QCOMPARE(client.next(), parse(R"({"msg":"AUTH"})"));
		}


		// The client goes in the middle of an authentication: the workflow ends with an error for the
		// eID server, and the next client finds nothing running and gets answers.
		void leavingDuringWorkflow_data()
		{
			QTest::addColumn<bool>("atPin");
			QTest::addColumn<bool>("withCloseFrame");

			QTest::newRow("rights, close") << false << true;
			QTest::newRow("PIN, close") << true << true;
			QTest::newRow("PIN, dropped") << true << false;
		}


		void leavingDuringWorkflow()
		{
			QFETCH(bool, atPin);
			QFETCH(bool, withCloseFrame);

			Program program;
			QVERIFY(program.startWebSocketOnly());
			{
				Client client;
				open(client, program.port());
				authenticateUpTo(client, atPin);

				if (withCloseFrame)
				{
					QVERIFY(client.close().contains(QLatin1String("close")));
				}
				else
				{
					QCOMPARE(client.drop(), parse(R"({"dropped":true})"));
				}
			}

			QVERIFY(mServer.waitForEvent(QStringLiteral("paos"), [](const QJsonObject& pEvent) {
					return pEvent.value(QLatin1String("resultMinor")).toString() == QLatin1String("http://www.bsi.bund.de/ecard/api/1.1/resultminor/sal#cancellationByUser");
				}, 120000));

			Client next;
			QVERIFY(waitFor([&next, &program] {
					return next.connect(program.port()).value(QLatin1String("open")).toBool();
				}, 60000));
			QCOMPARE(next.command(R"({"cmd":"SET_API_LEVEL","level":3})").value(QLatin1String("current")).toInt(), 3);
			QVERIFY(next.send(QByteArrayLiteral(R"({"cmd":"GET_STATUS"})")));
			QCOMPARE(next.next(QStringLiteral("STATUS")), parse(R"({"msg":"STATUS","workflow":null,"progress":null,"state":null})"));
			authenticateUpToRights(next, runAuth(tcTokenUrl()));
		}


		// "status": false of one client holds for the next one until a RUN command sets it again.
		void progressStatusSurvivesReconnect()
		{
			Program program;
			QVERIFY(program.startWebSocketOnly());
			{
				Client client;
				open(client, program.port());
				auto silent = runAuth(tcTokenUrl());
				silent.insert(QStringLiteral("status"), false);
				authenticateUpToRights(client, silent);
				QVERIFY(client.close().contains(QLatin1String("close")));
			}

			// Up to the end of a cancelled authentication, which sets the progress on its way.
			const auto authenticate = [](Client& pClient, const QJsonObject& pCommand) {
						pClient.mReceived.clear();
						authenticateUpToRights(pClient, pCommand);
						QVERIFY(pClient.command(R"({"cmd":"CANCEL"})").contains(QLatin1String("result")));
					};
			const auto statusCount = [](const Client& pClient) {
						return std::count_if(pClient.mReceived.cbegin(), pClient.mReceived.cend(), [](const QJsonObject& pMessage) {
								return pMessage.value(QLatin1String("msg")).toString() == QLatin1String("STATUS");
							});
					};

			Client next;
			QVERIFY(waitFor([&next, &program] {
					return next.connect(program.port()).value(QLatin1String("open")).toBool();
				}, 60000));
			authenticate(next, runAuth(tcTokenUrl()));
			QCOMPARE(statusCount(next), 0);

			auto loud = runAuth(tcTokenUrl());
			loud.insert(QStringLiteral("status"), true);
			authenticate(next, loud);
			QVERIFY(statusCount(next) > 0);
		}


		void changePin()
		{
			Program program;
			QVERIFY(program.startWebSocketOnly());
			Client client;
			open(client, program.port());

			QCOMPARE(client.command(R"({"cmd":"RUN_CHANGE_PIN"})"), parse(R"({"msg":"CHANGE_PIN"})"));
			QCOMPARE(client.next(), parse(R"({"msg":"INSERT_CARD"})"));
			QCOMPARE(client.command(R"({"cmd":"SET_CARD","name":"Simulator"})").value(QLatin1String("msg")).toString(), QStringLiteral("ENTER_PIN"));
			const auto enterNewPin = client.command(R"({"cmd":"SET_PIN","value":"731862"})");
			QCOMPARE(enterNewPin.value(QLatin1String("msg")).toString(), QStringLiteral("ENTER_NEW_PIN"));
			QCOMPARE(enterNewPin.value(QLatin1String("reader")).toObject().value(QLatin1String("name")).toString(), QStringLiteral("Simulator"));
			QCOMPARE(client.command(R"({"cmd":"SET_NEW_PIN","value":"12345"})").value(QLatin1String("error")).toString(), QStringLiteral("You must provide 6 digits"));
			QCOMPARE(client.command(R"({"cmd":"SET_NEW_PIN","value":"246810"})"), parse(R"({"msg":"CHANGE_PIN","success":true})"));
		}


		// An authentication the browser started, held at StartPAOS by the eID server, keeps the
		// WebSocket client out until it ends.
		void dominationRefusedDuringBrowserWorkflow()
		{
			Program program;
			QVERIFY(program.start({QStringLiteral("webservice"), QStringLiteral("automatic"), QStringLiteral("websocket")},
					{{QStringLiteral("KENDRAWELL_AUTOMATIC_PIN"), cPin}}));
			QVERIFY(program.waitForPort());

			QUrlQuery options;
			options.addQueryItem(QStringLiteral("fault"), QStringLiteral("delay"));
			options.addQueryItem(QStringLiteral("at"), QStringLiteral("StartPAOS"));
			options.addQueryItem(QStringLiteral("delay"), QStringLiteral("30"));
			const auto activation = QStringLiteral("http://127.0.0.1:%1/eID-Client?tcTokenURL=%2").arg(program.port()).arg(QString::fromLatin1(QUrl::toPercentEncoding(tcTokenUrl(options))));
			QProcess browser;
			browser.start(QStringLiteral("curl"), {QStringLiteral("-sS"), QStringLiteral("-o"), QStringLiteral("/dev/null"), QStringLiteral("-w"), QStringLiteral("%{http_code}"),
											   QStringLiteral("--max-time"), QStringLiteral("300"), activation});
			QVERIFY(browser.waitForStarted());

			QVERIFY(mServer.waitForEvent(QStringLiteral("paos"), [](const QJsonObject& pEvent) {
					return pEvent.value(QLatin1String("received")).toString() == QLatin1String("StartPAOS");
				}, 120000));
			// The refusal is an HTTP/1.0 answer, whose status line Python's websockets does not
			// read: the client of our own (ws_client.py) reads it.
			{
				QProcess refused;
				refused.start(QStringLiteral("/usr/bin/python3"), {fixture(QStringLiteral("ws_client.py"))});
				refused.write(QByteArrayLiteral("connect ") + QByteArray::number(program.port()) + QByteArrayLiteral(" /eID-Kernel\n"));
				refused.closeWriteChannel();
				QVERIFY(waitFor([&refused] {
						return refused.state() == QProcess::NotRunning;
					}, 60000));
				QCOMPARE(parse(refused.readAllStandardOutput()), QJsonObject({{QStringLiteral("status"), 409}}));
			}

			QVERIFY(waitFor([&browser] {
					return browser.state() == QProcess::NotRunning;
				}, 300000));
			QCOMPARE(browser.readAllStandardOutput(), QByteArray("303"));

			// Once it is over, the client gets in.
			Client client;
			QVERIFY(waitFor([&client, &program] {
					return client.connect(program.port()).value(QLatin1String("open")).toBool();
				}, 60000));
			QCOMPARE(client.command(R"({"cmd":"GET_INFO"})").value(QLatin1String("msg")).toString(), QStringLiteral("INFO"));
		}


};


KENDRAWELL_TEST_MAIN(test_WebSocketProgram)
#include "test_WebSocketProgram.moc"
