#include "MessageDispatcher.h"

#include "context/AuthContext.h"
#include "context/ChangePinContext.h"
#include "Env.h"
#include "LogCapture.h"
#include "MsgHandlerAuth.h"
#include "MsgHandlerChangePin.h"
#include "TcToken.h"
#include "TestEnvironment.h"
#include "UiLoader.h"
#include "UiPluginJson.h"
#include "VolatileSettings.h"
#include "WorkflowRequest.h"

#include <QBuffer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QUrlQuery>
#include <QtTest>

using namespace tessarovin;

namespace
{

QJsonObject parse(const QByteArray& pJson)
{
	return QJsonDocument::fromJson(pJson).object();
}


QSharedPointer<WorkflowRequest> createRequest(const QSharedPointer<WorkflowContext>& pContext)
{
	return QSharedPointer<WorkflowRequest>::create(
			[](const QSharedPointer<WorkflowContext>&) {
				return QSharedPointer<WorkflowController>();
			},
			[pContext] {
				return pContext;
			},
			WorkflowRequest::BusyHandler(), QVariant());
}


QSharedPointer<TcToken> tcToken(const QByteArray& pErrorAddress)
{
	auto buffer = QSharedPointer<QBuffer>::create();
	buffer->setData("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<TCTokenType>\n"
					"<ServerAddress>https://eid.example:4433/paos</ServerAddress>\n"
					"<SessionIdentifier>1A2BB129</SessionIdentifier>\n"
					"<RefreshAddress>https://service.example/refresh?id=42</RefreshAddress>\n"
					"<CommunicationErrorAddress>" + pErrorAddress + "</CommunicationErrorAddress>\n"
					"<Binding>urn:liberty:paos:2006-08</Binding>\n"
					"<PathSecurity-Protocol>urn:ietf:rfc:4279</PathSecurity-Protocol>\n"
					"<PathSecurity-Parameters><PSK>4BC1A0B5704F4B6B8D5BB2E2C0D1E4F1</PSK></PathSecurity-Parameters>\n"
					"</TCTokenType>\n");
	return QSharedPointer<TcToken>::create(buffer);
}


struct AuthCall
{
	QUrl mActivationUrl;
	QMap<QByteArray, QByteArray> mHeaders;
	bool mHandler = false;
};


} // namespace


class test_MsgHandlerWorkflows
	: public QObject
{
	Q_OBJECT

	private:
		QList<AuthCall> mAuthCalls;
		QList<QList<bool>> mChangePinCalls;

	private Q_SLOTS:
		// The requests go out through the JSON front end (test_MessageDispatcher has none).
		void initTestCase()
		{
			Q_UNUSED(Env::getSingleton<VolatileSettings>())
			QVERIFY(Env::getSingleton<UiLoader>()->load(QStringLiteral("json")));
		}


		void init()
		{
			mAuthCalls.clear();
			mChangePinCalls.clear();
			MsgHandlerAuth::cAuthRequestFactory = [this](const QUrl& pUrl, const QVariant& pData, const AuthContext::BrowserHandler& pHandler, const QMap<QByteArray, QByteArray>& pHeaders) {
						Q_UNUSED(pData)
						mAuthCalls << AuthCall {pUrl, pHeaders, bool(pHandler)};
						return createRequest(QSharedPointer<AuthContext>::create());
					};
			MsgHandlerChangePin::cChangePinRequestFactory = [this](bool pTransportPin, bool pActivateUi, bool pOnlyCheckPin) {
						mChangePinCalls << QList<bool>({pTransportPin, pActivateUi, pOnlyCheckPin});
						return createRequest(QSharedPointer<ChangePinContext>::create());
					};
		}


		void cleanup()
		{
			MsgHandlerAuth::cAuthRequestFactory = nullptr;
			MsgHandlerChangePin::cChangePinRequestFactory = nullptr;
			Env::getSingleton<VolatileSettings>()->setMessages(VolatileSettings::Messages());
			Env::getSingleton<VolatileSettings>()->setDeveloperMode(false);
			Env::getSingleton<VolatileSettings>()->setHandleInterrupt(false);
		}


		void runAuthRefused_data()
		{
			QTest::addColumn<QByteArray>("command");
			QTest::addColumn<QString>("error");

			QTest::newRow("no tcTokenURL") << QByteArray(R"({"cmd":"RUN_AUTH"})") << QStringLiteral("tcTokenURL cannot be undefined");
			QTest::newRow("number") << QByteArray(R"({"cmd":"RUN_AUTH","tcTokenURL":5})") << QStringLiteral("Invalid tcTokenURL");
			QTest::newRow("null") << QByteArray(R"({"cmd":"RUN_AUTH","tcTokenURL":null})") << QStringLiteral("Invalid tcTokenURL");
			QTest::newRow("no host") << QByteArray(R"({"cmd":"RUN_AUTH","tcTokenURL":"example"})") << QStringLiteral("Validation of tcTokenURL failed");
			QTest::newRow("empty host") << QByteArray(R"({"cmd":"RUN_AUTH","tcTokenURL":"https:\/\/"})") << QStringLiteral("Validation of tcTokenURL failed");
			QTest::newRow("empty") << QByteArray(R"({"cmd":"RUN_AUTH","tcTokenURL":""})") << QStringLiteral("Validation of tcTokenURL failed");
			QTest::newRow("header value 1") << QByteArray(R"({"cmd":"RUN_AUTH","tcTokenURL":"https:\/\/a.example\/t","header":{"X-A":1}})") << QStringLiteral("Value of header is not a string");
			QTest::newRow("blank key") << QByteArray(R"({"cmd":"RUN_AUTH","tcTokenURL":"https:\/\/a.example\/t","header":{"  ":"v"}})") << QStringLiteral("Key of header is empty");
			QTest::newRow("blank value") << QByteArray(R"({"cmd":"RUN_AUTH","tcTokenURL":"https:\/\/a.example\/t","header":{"X-A":" \t"}})") << QStringLiteral("Value of header is empty");
			QTest::newRow("good member then a bad one") << QByteArray(R"({"cmd":"RUN_AUTH","tcTokenURL":"https:\/\/a.example\/t","header":{"A":"v","B":[]}})") << QStringLiteral("Value of header is not a string");
			QTest::newRow("header an array") << QByteArray(R"({"cmd":"RUN_AUTH","tcTokenURL":"https:\/\/a.example\/t","header":[]})") << QStringLiteral("Header is not an object");
			QTest::newRow("header a string") << QByteArray(R"({"cmd":"RUN_AUTH","tcTokenURL":"https:\/\/a.example\/t","header":"X-A: v"})") << QStringLiteral("Header is not an object");
			QTest::newRow("header null") << QByteArray(R"({"cmd":"RUN_AUTH","tcTokenURL":"https:\/\/a.example\/t","header":null})") << QStringLiteral("Header is not an object");
		}


		// Refused: the client learns why, and no workflow is asked for.
		void runAuthRefused()
		{
			QFETCH(QByteArray, command);
			QFETCH(QString, error);

			MessageDispatcher dispatcher;
			const auto msg = dispatcher.processCommand(command);
			QCOMPARE(msg.getType(), MsgType::AUTH);
			QCOMPARE(parse(msg.getData()), QJsonObject({{QStringLiteral("msg"), QStringLiteral("AUTH")}, {QStringLiteral("error"), error}}));
			QVERIFY(mAuthCalls.isEmpty());
		}


		void activationUrl_data()
		{
			QTest::addColumn<QString>("tcTokenUrl");
			QTest::addColumn<QByteArray>("encoded");

			QTest::newRow("plain") << QStringLiteral("https://a.example/t") << QByteArray("https%3A%2F%2Fa.example%2Ft");
			QTest::newRow("query") << QStringLiteral("https://a.example/t?x=1&y=%41")
								   << QByteArray("https%3A%2F%2Fa.example%2Ft%3Fx%3D1%26y%3D%2541");
			QTest::newRow("non-ASCII") << QStringLiteral("https://a.example/t\u00e4~-._+")
									   << QByteArray("https%3A%2F%2Fa.example%2Ft%C3%A4~-._%2B");
		}


		// The address's own "&", "=" and "%" stay inside the one query value.
		void activationUrl()
		{
			QFETCH(QString, tcTokenUrl);
			QFETCH(QByteArray, encoded);

			MessageDispatcher dispatcher;
			QJsonObject command {{QStringLiteral("cmd"), QStringLiteral("RUN_AUTH")}, {QStringLiteral("tcTokenURL"), tcTokenUrl}};
			QVERIFY(dispatcher.processCommand(QJsonDocument(command).toJson()).isEmpty());

			QCOMPARE(mAuthCalls.size(), 1);
			const auto& url = mAuthCalls.at(0).mActivationUrl;
			QCOMPARE(url.scheme(), QStringLiteral("http"));
			QCOMPARE(url.host(), QStringLiteral("127.0.0.1"));
			QCOMPARE(url.path(), QStringLiteral("/"));
			QCOMPARE(url.query(QUrl::FullyEncoded).toLatin1(), QByteArray("tcTokenURL=") + encoded);
			const QUrlQuery query(url);
			QCOMPARE(query.queryItems().size(), 1);
			QCOMPARE(query.queryItemValue(QStringLiteral("tcTokenURL"), QUrl::FullyDecoded), tcTokenUrl);
			QVERIFY(!mAuthCalls.at(0).mHandler);
		}


		void headers()
		{
			MessageDispatcher dispatcher;
			QVERIFY(dispatcher.processCommand("{\"cmd\":\"RUN_AUTH\",\"tcTokenURL\":\"https://a.example\",\"header\":{\" X-B \":\" b \",\"X-A\":\"\xc3\xa4\"}}").isEmpty());
			QCOMPARE(mAuthCalls.size(), 1);
			QMap<QByteArray, QByteArray> expected;
			expected.insert("X-B", "b");
			expected.insert("X-A", "\xc3\xa4");
			QCOMPARE(mAuthCalls.at(0).mHeaders, expected);
		}


		void runChangePin()
		{
			MessageDispatcher dispatcher;
			QVERIFY(dispatcher.processCommand(R"({"cmd":"RUN_CHANGE_PIN","status":7,"request":"x"})").isEmpty());
			QCOMPARE(mChangePinCalls, QList<QList<bool>>({{false, true, false}}));
		}


		// Without the controllers the program cannot start the workflow; the client hears so, and
		// nothing breaks (a fuzz binary has neither).
		void noFactory()
		{
			MsgHandlerAuth::cAuthRequestFactory = nullptr;
			MsgHandlerChangePin::cChangePinRequestFactory = nullptr;
			LogCapture capture;
			MessageDispatcher dispatcher;
			QCOMPARE(parse(dispatcher.processCommand(R"({"cmd":"RUN_AUTH","tcTokenURL":"https:\/\/a.example"})").getData()),
					parse(R"({"msg":"AUTH","error":"Unexpected condition"})"));
			QCOMPARE(parse(dispatcher.processCommand(R"({"cmd":"RUN_CHANGE_PIN"})").getData()),
					parse(R"({"msg":"CHANGE_PIN","error":"Unexpected condition"})"));
			QCOMPARE(capture.count(QStringLiteral("Cannot create an authentication")), 1);
			QCOMPARE(capture.count(QStringLiteral("Cannot create a PIN change")), 1);
		}


		// The requests reach the application through the loaded JSON front end.
		void requestThroughFrontEnd()
		{
			auto* json = Env::getSingleton<UiLoader>()->getLoaded<UiPluginJson>();
			QVERIFY(json);
			json->setEnabled(true);
			QSignalSpy requested(json, &UiPlugin::fireWorkflowRequested);
			QSignalSpy fired(json, &UiPluginJson::fireMessage);

			json->doMessageProcessing(R"({"cmd":"RUN_AUTH","tcTokenURL":"https:\/\/a.example"})");
			json->doMessageProcessing(R"({"cmd":"RUN_CHANGE_PIN"})");
			QCOMPARE(requested.count(), 2);
			QVERIFY(requested.at(0).at(0).value<QSharedPointer<WorkflowRequest>>()->getContext().objectCast<AuthContext>());
			QVERIFY(requested.at(1).at(0).value<QSharedPointer<WorkflowRequest>>()->getContext().objectCast<ChangePinContext>());
			QCOMPARE(fired.count(), 0);
			json->setEnabled(false);
		}


		void options_data()
		{
			QTest::addColumn<int>("level");
			QTest::addColumn<QByteArray>("options");
			QTest::addColumn<QStringList>("messages");
			QTest::addColumn<bool>("developerMode");
			QTest::addColumn<bool>("handleInterrupt");

			const QStringList none = {QString(), QString(), QString(), QString()};
			QTest::newRow("nothing on v3") << 3 << QByteArray() << none << false << false;
			QTest::newRow("nothing on v1") << 1 << QByteArray() << none << false << true;
			QTest::newRow("handleInterrupt false on v1") << 1 << QByteArray(R"("handleInterrupt":false)") << none << false << false;
			QTest::newRow("handleInterrupt not a bool on v1") << 1 << QByteArray(R"("handleInterrupt":0)") << none << false << true;
			QTest::newRow("handleInterrupt on v2") << 2 << QByteArray(R"("handleInterrupt":true)") << none << false << false;
			QTest::newRow("developer mode") << 3 << QByteArray(R"("developerMode":true)") << none << true << false;
			QTest::newRow("developer mode not a bool") << 3 << QByteArray(R"("developerMode":"true")") << none << false << false;
			QTest::newRow("empty messages") << 3 << QByteArray(R"("messages":{})") << none << false << false;
			QTest::newRow("messages") << 3 << QByteArray(R"("messages":{"sessionStarted":"a","sessionFailed":"b","sessionSucceeded":"c","sessionInProgress":"d"})")
									  << QStringList({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d")}) << false << false;
			QTest::newRow("some messages") << 3 << QByteArray(R"("messages":{"sessionFailed":"b","sessionSucceeded":3})")
										   << QStringList({QString(), QStringLiteral("b"), QString(), QString()}) << false << false;
			QTest::newRow("messages not an object") << 3 << QByteArray(R"("messages":["a"])") << none << false << false;
		}


		// Both RUN commands take the same options.
		void options()
		{
			QFETCH(int, level);
			QFETCH(QByteArray, options);
			QFETCH(QStringList, messages);
			QFETCH(bool, developerMode);
			QFETCH(bool, handleInterrupt);

			for (const auto& run : {QByteArray(R"("cmd":"RUN_AUTH","tcTokenURL":"https:\/\/a.example")"), QByteArray(R"("cmd":"RUN_CHANGE_PIN")")})
			{
				cleanup();
				init();
				MessageDispatcher dispatcher;
				(void) dispatcher.processCommand(QByteArray(R"({"cmd":"SET_API_LEVEL","level":)") + QByteArray::number(level) + "}");
				QVERIFY(dispatcher.processCommand("{" + run + (options.isEmpty() ? QByteArray() : "," + options) + "}").isEmpty());

				const auto* settings = Env::getSingleton<VolatileSettings>();
				const auto texts = settings->getMessages();
				QCOMPARE(QStringList({texts.getSessionStarted(), texts.getSessionFailed(), texts.getSessionSucceeded(), texts.getSessionInProgress()}), messages);
				QCOMPARE(settings->isDeveloperMode(), developerMode);
				QCOMPARE(settings->isHandleInterrupt(), handleInterrupt);
			}
		}


		// "status": false silences STATUS for every later workflow until a RUN command turns it on.
		void progressStatus()
		{
			MessageDispatcher dispatcher;
			QVERIFY(dispatcher.processCommand(R"({"cmd":"RUN_CHANGE_PIN","status":false})").isEmpty());
			auto context = QSharedPointer<ChangePinContext>::create();
			(void) dispatcher.init(context);
			context->setProgress(10, QString());
			QVERIFY(dispatcher.processProgressChange().isEmpty());
			(void) dispatcher.finish();

			QVERIFY(dispatcher.processCommand(R"({"cmd":"RUN_CHANGE_PIN"})").isEmpty());
			context = QSharedPointer<ChangePinContext>::create();
			(void) dispatcher.init(context);
			QVERIFY(dispatcher.processProgressChange().isEmpty());
			(void) dispatcher.finish();

			QVERIFY(dispatcher.processCommand(R"({"cmd":"RUN_AUTH","tcTokenURL":"https:\/\/a.example","status":true})").isEmpty());
			(void) dispatcher.init(QSharedPointer<AuthContext>::create());
			QCOMPARE(dispatcher.processProgressChange().getType(), MsgType::STATUS);
		}


		void authResult_data()
		{
			QTest::addColumn<QString>("refreshUrl");
			QTest::addColumn<QByteArray>("errorAddress");
			QTest::addColumn<bool>("cancel");
			QTest::addColumn<QByteArray>("expected");

			QTest::newRow("ok with refresh address") << QStringLiteral("https://service.example/refresh?id=42&ResultMajor=ok") << QByteArray("https://service.example/error") << false
													 << QByteArray(R"({"msg":"AUTH","result":{"major":"http:\/\/www.bsi.bund.de\/ecard\/api\/1.1\/resultmajor\u0023ok"},"url":"https:\/\/service.example\/refresh?id=42&ResultMajor=ok"})");
			QTest::newRow("no token, no refresh address") << QString() << QByteArray() << false
														  << QByteArray(R"({"msg":"AUTH","result":{"major":"http:\/\/www.bsi.bund.de\/ecard\/api\/1.1\/resultmajor\u0023ok"}})");
			QTest::newRow("communication error address") << QString() << QByteArray("https://service.example/error") << false
														 << QByteArray(R"({"msg":"AUTH","result":{"major":"http:\/\/www.bsi.bund.de\/ecard\/api\/1.1\/resultmajor\u0023ok"},"url":"https:\/\/service.example\/error"})");
		}


		void authResult()
		{
			QFETCH(QString, refreshUrl);
			QFETCH(QByteArray, errorAddress);
			QFETCH(QByteArray, expected);

			MessageDispatcher dispatcher;
			const auto context = QSharedPointer<AuthContext>::create();
			QCOMPARE(dispatcher.init(context).getData(), QByteArray(R"({"msg":"AUTH"})"));
			context->setRefreshUrl(QUrl(refreshUrl));
			if (!errorAddress.isEmpty())
			{
				context->setTcToken(tcToken(errorAddress));
			}
			QCOMPARE(parse(dispatcher.finish().getData()), parse(expected));
		}


		// CANCEL mid-run: the result names the cancellation and why.
		void authCancelled()
		{
			MessageDispatcher dispatcher;
			const auto context = QSharedPointer<AuthContext>::create();
			(void) dispatcher.init(context);
			QVERIFY(dispatcher.processCommand(R"({"cmd":"CANCEL"})").isEmpty());
			context->setFailureCode(FailureCode(FailureCode::Reason::User_Cancelled));

			const auto result = parse(dispatcher.finish().getData());
			QCOMPARE(result.value(QLatin1String("msg")).toString(), QStringLiteral("AUTH"));
			const auto ecard = result.value(QLatin1String("result")).toObject();
			QCOMPARE(ecard.value(QLatin1String("major")).toString(), QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultmajor#error"));
			QCOMPARE(ecard.value(QLatin1String("minor")).toString(), QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultminor/sal#cancellationByUser"));
			QCOMPARE(ecard.value(QLatin1String("reason")).toString(), QStringLiteral("User_Cancelled"));
		}


		void changePinResult_data()
		{
			QTest::addColumn<int>("returnCode");
			QTest::addColumn<int>("passwordId");
			QTest::addColumn<quint32>("resultCode");
			QTest::addColumn<int>("status");
			QTest::addColumn<int>("reason");
			QTest::addColumn<QByteArray>("expected");

			const int ok = static_cast<int>(CardReturnCode::OK);
			const int pin = static_cast<int>(PacePasswordId::PACE_PIN);
			const int noError = static_cast<int>(GlobalStatus::Code::No_Error);
			QTest::newRow("changed") << ok << pin << quint32(0) << noError << -1 << QByteArray(R"({"msg":"CHANGE_PIN","success":true})");
			QTest::newRow("no PACE") << static_cast<int>(CardReturnCode::UNDEFINED) << pin << quint32(0) << noError << -1 << QByteArray(R"({"msg":"CHANGE_PIN","success":false})");
			QTest::newRow("wrong PIN") << ok << pin << quint32(0x63C2) << noError << -1 << QByteArray(R"({"msg":"CHANGE_PIN","success":false})");
			QTest::newRow("PACE with the CAN") << ok << static_cast<int>(PacePasswordId::PACE_CAN) << quint32(0) << noError << -1 << QByteArray(R"({"msg":"CHANGE_PIN","success":false})");
			// PACE took the PIN, the new one was refused afterwards.
			QTest::newRow("PIN set failed after PACE") << ok << pin << quint32(0) << static_cast<int>(GlobalStatus::Code::Card_Unexpected_Transmit_Status)
													   << static_cast<int>(FailureCode::Reason::Change_Pin_Unexpected_Transmit_Status)
													   << QByteArray(R"({"msg":"CHANGE_PIN","success":false,"reason":"Change_Pin_Unexpected_Transmit_Status"})");
			QTest::newRow("card lost after PACE") << ok << pin << quint32(0) << static_cast<int>(GlobalStatus::Code::Card_Not_Found)
												  << static_cast<int>(FailureCode::Reason::Change_Pin_Unrecoverable)
												  << QByteArray(R"({"msg":"CHANGE_PIN","success":false,"reason":"Change_Pin_Unrecoverable"})");
		}


		void changePinResult()
		{
			QFETCH(int, returnCode);
			QFETCH(int, passwordId);
			QFETCH(quint32, resultCode);
			QFETCH(int, status);
			QFETCH(int, reason);
			QFETCH(QByteArray, expected);

			MessageDispatcher dispatcher;
			const auto context = QSharedPointer<ChangePinContext>::create();
			QCOMPARE(dispatcher.init(context).getData(), QByteArray(R"({"msg":"CHANGE_PIN"})"));

			EstablishPaceChannelOutput output(static_cast<PacePasswordId>(passwordId));
			output.setPaceReturnCode(static_cast<CardReturnCode>(returnCode));
			output.setResultCode(resultCode);
			context->setPaceOutputData(output);
			context->setStatus(GlobalStatus(static_cast<GlobalStatus::Code>(status)));
			if (reason >= 0)
			{
				context->setFailureCode(FailureCode(static_cast<FailureCode::Reason>(reason)));
			}
			QCOMPARE(parse(dispatcher.finish().getData()), parse(expected));
		}


		void changePinCancelled()
		{
			MessageDispatcher dispatcher;
			const auto context = QSharedPointer<ChangePinContext>::create();
			(void) dispatcher.init(context);
			EstablishPaceChannelOutput output(PacePasswordId::PACE_PIN);
			output.setPaceReturnCode(CardReturnCode::OK);
			context->setPaceOutputData(output);
			QVERIFY(dispatcher.processCommand(R"({"cmd":"CANCEL"})").isEmpty());
			context->setFailureCode(FailureCode(FailureCode::Reason::User_Cancelled));
			QCOMPARE(parse(dispatcher.finish().getData()), parse(R"({"msg":"CHANGE_PIN","success":false,"reason":"User_Cancelled"})"));
		}


		void pause_data()
		{
			QTest::addColumn<int>("level");
			QTest::addColumn<QByteArray>("message");

			QTest::newRow("v1") << 1 << QByteArray();
			QTest::newRow("v2") << 2 << QByteArray();
			QTest::newRow("v3") << 3 << QByteArray(R"({"cause":"BadCardPosition","msg":"PAUSE"})");
		}


		// The card lies badly: a v3 client is asked to continue, older ones never hear of it.
		void pause()
		{
			QFETCH(int, level);
			QFETCH(QByteArray, message);

			MessageDispatcher dispatcher;
			(void) dispatcher.processCommand(QByteArray(R"({"cmd":"SET_API_LEVEL","level":)") + QByteArray::number(level) + "}");
			const auto context = QSharedPointer<AuthContext>::create();
			(void) dispatcher.init(context);
			context->setStateApproved(false);

			const auto msg = dispatcher.processStateChange(QStringLiteral("StateUnfortunateCardPosition"));
			QCOMPARE(msg.getData(), message);
			if (message.isEmpty())
			{
				QVERIFY(context->isStateApproved());
				QCOMPARE(parse(dispatcher.processCommand(R"({"cmd":"CONTINUE"})").getData()), parse(R"({"msg":"BAD_STATE","error":"CONTINUE"})"));
				return;
			}

			QVERIFY(!context->isStateApproved());
			QCOMPARE(parse(dispatcher.processCommand(R"({"cmd":"GET_STATUS"})").getData()).value(QLatin1String("state")).toString(), QStringLiteral("PAUSE"));
			QVERIFY(dispatcher.processCommand(R"({"cmd":"CONTINUE"})").isEmpty());
			QVERIFY(context->isStateApproved());
		}


};

KENDRAWELL_TEST_MAIN(test_MsgHandlerWorkflows)
#include "test_MsgHandlerWorkflows.moc"
