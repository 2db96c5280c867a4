#include "MessageDispatcher.h"

#include "context/AuthContext.h"
#include "context/ChangePinContext.h"
#include "Env.h"
#include "LogCapture.h"
#include "TestEnvironment.h"
#include "TestWorkflowContext.h"
#include "VersionInfo.h"
#include "VolatileSettings.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

using namespace tessarovin;

namespace
{

QJsonObject parse(const QByteArray& pJson)
{
	QJsonParseError error {};
	const auto document = QJsonDocument::fromJson(pJson, &error);
	if (error.error != QJsonParseError::NoError || !document.isObject())
	{
		qWarning() << "Not a JSON object:" << pJson;
	}
	return document.object();
}


QSharedPointer<WorkflowContext> createContext(const QString& pWorkflow)
{
	if (pWorkflow == QLatin1String("AUTH"))
	{
		return QSharedPointer<AuthContext>::create();
	}
	if (pWorkflow == QLatin1String("CHANGE_PIN"))
	{
		return QSharedPointer<ChangePinContext>::create();
	}
	if (pWorkflow == QLatin1String("SELF_AUTH"))
	{
		return QSharedPointer<TestWorkflowContext>::create(Action::SELF_AUTH);
	}
	if (pWorkflow == QLatin1String("REMOTE_SERVICE"))
	{
		return QSharedPointer<TestWorkflowContext>::create(Action::REMOTE_SERVICE);
	}
	return QSharedPointer<WorkflowContext>();
}


} // namespace


class test_MessageDispatcher
	: public QObject
{
	Q_OBJECT

	private:
		// Brings a fresh dispatcher to the API level and into the workflow state of a table row:
		// "AUTH:StateEnterPacePassword:PACE_PIN" starts that workflow and reaches that state with
		// that password type.
		static QSharedPointer<WorkflowContext> prepare(MessageDispatcher& pDispatcher, int pLevel, const QString& pWorkflow)
		{
			if (pLevel != 3)
			{
				(void) pDispatcher.processCommand(QStringLiteral("{\"cmd\":\"SET_API_LEVEL\",\"level\":%1}").arg(pLevel).toUtf8());
			}

			const auto parts = pWorkflow.split(QLatin1Char(':'));
			const auto context = createContext(parts.at(0));
			if (!context)
			{
				return context;
			}

			(void) pDispatcher.init(context);
			if (parts.size() > 2)
			{
				context->setPasswordType(Enum<PacePasswordId>::valueFromName(parts.at(2), PacePasswordId::UNKNOWN));
			}
			for (const auto& state : parts.mid(1, 1))
			{
				context->setStateApproved(false);
				(void) pDispatcher.processStateChange(state);
			}
			return context;
		}

	private Q_SLOTS:
		void initTestCase()
		{
			Q_UNUSED(Env::getSingleton<VolatileSettings>())
		}


		// Command, API level and workflow state -> the answer, compared as parsed JSON.
		void commandTable_data()
		{
			QTest::addColumn<int>("level");
			QTest::addColumn<QString>("workflow");
			QTest::addColumn<QByteArray>("command");
			QTest::addColumn<QByteArray>("answer");

			const auto row = [](const char* pName, int pLevel, const char* pWorkflow, const char* pCommand, const char* pAnswer) {
						QTest::newRow(pName) << pLevel << QString::fromLatin1(pWorkflow) << QByteArray(pCommand) << QByteArray(pAnswer);
					};

			row("empty object", 3, "", "{}", R"({"msg":"INVALID","error":"Command cannot be undefined"})");
			row("array", 3, "", "[1]", R"({"msg":"INVALID","error":"Command cannot be undefined"})");
			row("empty array", 3, "", "[]", R"({"msg":"INVALID","error":"Command cannot be undefined"})");
			row("cmd is a number", 3, "", R"({"cmd":5,"request":"r"})", R"({"msg":"INVALID","error":"Command cannot be undefined","request":"r"})");
			row("cmd is empty", 3, "", R"({"cmd":""})", R"({"msg":"INVALID","error":"Command cannot be undefined"})");
			row("cmd is null", 3, "", R"({"cmd":null})", R"({"msg":"INVALID","error":"Command cannot be undefined"})");
			row("array with a command inside", 3, "", R"([{"cmd":"GET_INFO"}])", R"({"msg":"INVALID","error":"Command cannot be undefined"})");
			row("lower case", 3, "", R"({"cmd":"get_info"})", R"({"msg":"UNKNOWN_COMMAND","error":"get_info"})");
			row("UNDEFINED by name", 3, "", R"({"cmd":"UNDEFINED"})", R"({"msg":"UNKNOWN_COMMAND","error":"UNDEFINED"})");
			row("unknown text kept as sent", 3, "", R"({"cmd":" GET_INFO"})", R"({"msg":"UNKNOWN_COMMAND","error":" GET_INFO"})");
			row("INTERRUPT", 3, "", R"({"cmd":"INTERRUPT"})", R"({"msg":"UNKNOWN_COMMAND","error":"INTERRUPT"})");
			row("INTERRUPT in a workflow", 1, "AUTH", R"({"cmd":"INTERRUPT"})", R"({"msg":"UNKNOWN_COMMAND","error":"INTERRUPT"})");
			row("GET_LOG", 3, "", R"({"cmd":"GET_LOG"})", R"({"msg":"UNKNOWN_COMMAND","error":"GET_LOG"})");

			row("GET_STATUS on v1", 1, "", R"({"cmd":"GET_STATUS"})", R"({"msg":"UNKNOWN_COMMAND","error":"GET_STATUS"})");
			row("GET_STATUS on v1 in a workflow", 1, "AUTH", R"({"cmd":"GET_STATUS"})", R"({"msg":"UNKNOWN_COMMAND","error":"GET_STATUS"})");
			row("SET_CARD on v1", 1, "", R"({"cmd":"SET_CARD"})", R"({"msg":"UNKNOWN_COMMAND","error":"SET_CARD"})");
			row("SET_CARD on v1 when asked for a card", 1, "AUTH:StateSelectReader", R"({"cmd":"SET_CARD"})", R"({"msg":"UNKNOWN_COMMAND","error":"SET_CARD"})");
			row("SET_CARD on v2 without workflow", 2, "", R"({"cmd":"SET_CARD"})", R"({"msg":"BAD_STATE","error":"SET_CARD"})");

			row("SET_PIN without workflow", 3, "", R"({"cmd":"SET_PIN","value":"123456"})", R"({"msg":"BAD_STATE","error":"SET_PIN"})");
			row("SET_CAN without workflow", 3, "", R"({"cmd":"SET_CAN"})", R"({"msg":"BAD_STATE","error":"SET_CAN"})");
			row("SET_PUK without workflow", 3, "", R"({"cmd":"SET_PUK"})", R"({"msg":"BAD_STATE","error":"SET_PUK"})");
			row("SET_NEW_PIN without workflow", 3, "", R"({"cmd":"SET_NEW_PIN"})", R"({"msg":"BAD_STATE","error":"SET_NEW_PIN"})");
			row("ACCEPT without workflow", 3, "", R"({"cmd":"ACCEPT"})", R"({"msg":"BAD_STATE","error":"ACCEPT"})");
			row("CONTINUE without workflow", 3, "", R"({"cmd":"CONTINUE"})", R"({"msg":"BAD_STATE","error":"CONTINUE"})");
			row("GET_CERTIFICATE without workflow", 3, "", R"({"cmd":"GET_CERTIFICATE"})", R"({"msg":"BAD_STATE","error":"GET_CERTIFICATE"})");
			row("GET_ACCESS_RIGHTS without workflow", 3, "", R"({"cmd":"GET_ACCESS_RIGHTS"})", R"({"msg":"BAD_STATE","error":"GET_ACCESS_RIGHTS"})");
			row("SET_ACCESS_RIGHTS without workflow", 3, "", R"({"cmd":"SET_ACCESS_RIGHTS"})", R"({"msg":"BAD_STATE","error":"SET_ACCESS_RIGHTS"})");
			row("CANCEL without workflow", 3, "", R"({"cmd":"CANCEL"})", R"({"msg":"BAD_STATE","error":"CANCEL"})");
			row("RUN_AUTH in a workflow", 3, "AUTH", R"({"cmd":"RUN_AUTH","tcTokenURL":"https:\/\/a.example"})", R"({"msg":"BAD_STATE","error":"RUN_AUTH"})");
			row("RUN_CHANGE_PIN in a workflow", 3, "CHANGE_PIN", R"({"cmd":"RUN_CHANGE_PIN"})", R"({"msg":"BAD_STATE","error":"RUN_CHANGE_PIN"})");
			row("SET_PIN asked for the CAN", 3, "AUTH:StateEnterPacePassword:PACE_CAN", R"({"cmd":"SET_PIN"})", R"({"msg":"BAD_STATE","error":"SET_PIN"})");
			row("SET_CAN asked for the PIN", 3, "AUTH:StateEnterPacePassword:PACE_PIN", R"({"cmd":"SET_CAN"})", R"({"msg":"BAD_STATE","error":"SET_CAN"})");
			row("SET_PIN past the input state", 3, "AUTH:StateConnectCard", R"({"cmd":"SET_PIN"})", R"({"msg":"BAD_STATE","error":"SET_PIN"})");
			row("CONTINUE without pause", 3, "AUTH:StateEnterPacePassword:PACE_PIN", R"({"cmd":"CONTINUE"})", R"({"msg":"BAD_STATE","error":"CONTINUE"})");
			row("ACCEPT asked for a card", 3, "AUTH:StateSelectReader", R"({"cmd":"ACCEPT"})", R"({"msg":"BAD_STATE","error":"ACCEPT"})");

			// Only a PIN change has a new PIN to take.
			row("SET_NEW_PIN in an authentication", 3, "AUTH:StateEnterNewPacePin", R"({"cmd":"SET_NEW_PIN","value":"123456"})", R"({"msg":"INTERNAL_ERROR","error":"Unexpected condition"})");
			row("SET_PIN without reader", 3, "AUTH:StateEnterPacePassword:PACE_PIN", R"({"cmd":"SET_PIN","value":"123456"})", R"({"msg":"ENTER_PIN","error":"No card inserted"})");
			row("ACCEPT on the access rights", 3, "AUTH:StateEditAccessRights", R"({"cmd":"ACCEPT"})", "");
			row("CONTINUE in a pause", 3, "AUTH:StateUnfortunateCardPosition", R"({"cmd":"CONTINUE"})", "");
			row("CANCEL in a workflow", 3, "AUTH", R"({"cmd":"CANCEL"})", "");

			row("SET_API_LEVEL 4", 3, "", R"({"cmd":"SET_API_LEVEL","level":4})", R"({"msg":"API_LEVEL","error":"Unknown level","current":3})");
			row("SET_API_LEVEL \"2\"", 3, "", R"({"cmd":"SET_API_LEVEL","level":"2"})", R"({"msg":"API_LEVEL","error":"Invalid level","current":3})");
			row("SET_API_LEVEL 2.5", 3, "", R"({"cmd":"SET_API_LEVEL","level":2.5})", R"({"msg":"API_LEVEL","error":"Unknown level","current":3})");
			row("SET_API_LEVEL 0", 3, "", R"({"cmd":"SET_API_LEVEL","level":0})", R"({"msg":"API_LEVEL","error":"Unknown level","current":3})");
			row("SET_API_LEVEL -1", 2, "", R"({"cmd":"SET_API_LEVEL","level":-1})", R"({"msg":"API_LEVEL","error":"Unknown level","current":2})");
			row("SET_API_LEVEL beyond int", 2, "", R"({"cmd":"SET_API_LEVEL","level":4294967297})", R"({"msg":"API_LEVEL","error":"Unknown level","current":2})");
			row("SET_API_LEVEL 1e300", 2, "", R"({"cmd":"SET_API_LEVEL","level":1e300})", R"({"msg":"API_LEVEL","error":"Unknown level","current":2})");
			row("SET_API_LEVEL null", 2, "", R"({"cmd":"SET_API_LEVEL","level":null})", R"({"msg":"API_LEVEL","error":"Invalid level","current":2})");
			row("SET_API_LEVEL true", 2, "", R"({"cmd":"SET_API_LEVEL","level":true})", R"({"msg":"API_LEVEL","error":"Invalid level","current":2})");
			row("SET_API_LEVEL without level", 2, "", R"({"cmd":"SET_API_LEVEL"})", R"({"msg":"API_LEVEL","error":"Level cannot be undefined","current":2})");
			row("SET_API_LEVEL 1", 3, "", R"({"cmd":"SET_API_LEVEL","level":1})", R"({"msg":"API_LEVEL","current":1})");
			row("SET_API_LEVEL 2.0", 1, "", R"({"cmd":"SET_API_LEVEL","level":2.0})", R"({"msg":"API_LEVEL","current":2})");
			row("SET_API_LEVEL in a workflow", 1, "AUTH", R"({"cmd":"SET_API_LEVEL","level":3})", R"({"msg":"API_LEVEL","current":3})");
			row("GET_API_LEVEL", 2, "", R"({"cmd":"GET_API_LEVEL"})", R"({"msg":"API_LEVEL","current":2,"available":[1,2,3]})");
			row("GET_API_LEVEL ignores level", 1, "", R"({"cmd":"GET_API_LEVEL","level":3})", R"({"msg":"API_LEVEL","current":1,"available":[1,2,3]})");

			row("GET_STATUS without workflow", 3, "", R"({"cmd":"GET_STATUS"})", R"({"msg":"STATUS","workflow":null,"progress":null,"state":null})");
			row("GET_STATUS on v2", 2, "", R"({"cmd":"GET_STATUS"})", R"({"msg":"STATUS","workflow":null,"progress":null,"state":null})");
			row("GET_STATUS at the start", 3, "AUTH", R"({"cmd":"GET_STATUS"})", R"({"msg":"STATUS","workflow":"AUTH","progress":0,"state":null})");
			row("GET_STATUS asked for the PIN", 3, "AUTH:StateEnterPacePassword:PACE_PIN", R"({"cmd":"GET_STATUS"})", R"({"msg":"STATUS","workflow":"AUTH","progress":0,"state":"ENTER_PIN"})");
			row("GET_STATUS asked for the PUK", 2, "CHANGE_PIN:StateEnterPacePassword:PACE_PUK", R"({"cmd":"GET_STATUS"})", R"({"msg":"STATUS","workflow":"CHANGE_PIN","progress":0,"state":"ENTER_PUK"})");
			row("GET_STATUS asked for a new PIN", 3, "CHANGE_PIN:StateEnterNewPacePin", R"({"cmd":"GET_STATUS"})", R"({"msg":"STATUS","workflow":"CHANGE_PIN","progress":0,"state":"ENTER_NEW_PIN"})");
			row("GET_STATUS in a state without message", 3, "AUTH:StateConnectCard", R"({"cmd":"GET_STATUS"})", R"({"msg":"STATUS","workflow":"AUTH","progress":0,"state":null})");
			row("GET_STATUS in a pause below v3", 2, "AUTH:StateUnfortunateCardPosition", R"({"cmd":"GET_STATUS"})", R"({"msg":"STATUS","workflow":"AUTH","progress":0,"state":null})");
			row("GET_STATUS self authentication", 3, "SELF_AUTH", R"({"cmd":"GET_STATUS"})", R"({"msg":"STATUS","workflow":"UNKNOWN","progress":0,"state":null})");
			row("GET_STATUS remote service", 3, "REMOTE_SERVICE", R"({"cmd":"GET_STATUS"})", R"({"msg":"STATUS","workflow":"UNKNOWN","progress":0,"state":null})");

			row("request: string", 3, "", R"({"cmd":"GET_API_LEVEL","request":"abc"})", R"({"msg":"API_LEVEL","current":3,"available":[1,2,3],"request":"abc"})");
			row("request: empty string", 3, "", R"({"cmd":"GET_API_LEVEL","request":""})", R"({"msg":"API_LEVEL","current":3,"available":[1,2,3],"request":""})");
			row("request: number", 3, "", R"({"cmd":"GET_LOG","request":-1.5})", R"({"msg":"UNKNOWN_COMMAND","error":"GET_LOG","request":-1.5})");
			row("request: object", 3, "", R"({"cmd":"SET_PIN","request":{"a":[1,{"b":null}]}})", R"({"msg":"BAD_STATE","error":"SET_PIN","request":{"a":[1,{"b":null}]}})");
			row("request: array", 1, "", R"({"cmd":"GET_STATUS","request":[true,false]})", R"({"msg":"UNKNOWN_COMMAND","error":"GET_STATUS","request":[true,false]})");
			row("request: null", 3, "", R"({"cmd":"SET_API_LEVEL","level":9,"request":null})", R"({"msg":"API_LEVEL","error":"Unknown level","current":3,"request":null})");
			row("request: bool", 3, "", R"({"request":false})", R"({"msg":"INVALID","error":"Command cannot be undefined","request":false})");
			row("request on a void answer", 3, "AUTH", R"({"cmd":"CANCEL","request":1})", "");
			row("unknown keys ignored", 3, "", R"({"cmd":"GET_API_LEVEL","msg":"INFO","error":"x"})", R"({"msg":"API_LEVEL","current":3,"available":[1,2,3]})");
		}


		void commandTable()
		{
			QFETCH(int, level);
			QFETCH(QString, workflow);
			QFETCH(QByteArray, command);
			QFETCH(QByteArray, answer);

			MessageDispatcher dispatcher;
			const auto context = prepare(dispatcher, level, workflow);

			const auto msg = dispatcher.processCommand(command);
			if (answer.isEmpty())
			{
				QVERIFY2(msg.isEmpty(), msg.getData().constData());
				return;
			}
			QCOMPARE(parse(msg.getData()), parse(answer));
			QCOMPARE(Enum<MsgType>::getName(msg.getType()), parse(answer).value(QLatin1String("msg")).toString());
		}


		// What the commands without an answer did to the workflow.
		void voidCommands()
		{
			MessageDispatcher dispatcher;
			auto context = prepare(dispatcher, 3, QStringLiteral("AUTH:StateEditAccessRights"));
			QVERIFY(!context->isStateApproved());
			QVERIFY(dispatcher.processCommand(R"({"cmd":"ACCEPT"})").isEmpty());
			QVERIFY(context->isStateApproved());

			context = prepare(dispatcher, 3, QStringLiteral("AUTH:StateUnfortunateCardPosition"));
			QVERIFY(dispatcher.processCommand(R"({"cmd":"CONTINUE"})").isEmpty());
			QVERIFY(context->isStateApproved());

			QSignalSpy cancelled(context.data(), &WorkflowContext::fireCancelWorkflow);
			QVERIFY(dispatcher.processCommand(R"({"cmd":"CANCEL"})").isEmpty());
			QCOMPARE(cancelled.count(), 1);
			QVERIFY(context->isWorkflowKilled());
			QCOMPARE(context->getStatus().getStatusCode(), GlobalStatus::Code::Workflow_Cancellation_By_User);
		}


		// A program without the JSON front end (a fuzz binary) has nobody to hand a workflow to: the
		// client hears so instead of waiting for a workflow that never starts.
		void runWithoutFrontEnd_data()
		{
			QTest::addColumn<QByteArray>("command");
			QTest::addColumn<QByteArray>("answer");

			QTest::newRow("RUN_AUTH") << QByteArray(R"({"cmd":"RUN_AUTH","tcTokenURL":"https:\/\/a.example","request":1})")
									  << QByteArray(R"({"msg":"AUTH","error":"Unexpected condition","request":1})");
			QTest::newRow("RUN_CHANGE_PIN") << QByteArray(R"({"cmd":"RUN_CHANGE_PIN"})")
											<< QByteArray(R"({"msg":"CHANGE_PIN","error":"Unexpected condition"})");
		}


		void runWithoutFrontEnd()
		{
			QFETCH(QByteArray, command);
			QFETCH(QByteArray, answer);

			LogCapture capture;
			MessageDispatcher dispatcher;
			QCOMPARE(parse(dispatcher.processCommand(command).getData()), parse(answer));
			QCOMPARE(capture.count(QStringLiteral("Cannot request a workflow without the JSON front end")), 1);
		}


		void invalidJson_data()
		{
			QTest::addColumn<QByteArray>("command");
			QTest::addColumn<QString>("error");

			QTest::newRow("empty") << QByteArray() << QStringLiteral("illegal value (offset: 0)");
			QTest::newRow("unterminated") << QByteArray(R"({"cmd":"GET_INFO","request":1)") << QStringLiteral("invalid termination by number (offset: 29)");
			QTest::newRow("garbage after") << QByteArray(R"({"cmd":"GET_INFO","request":1} x)") << QStringLiteral("garbage at the end of the document (offset: 31)");
			QTest::newRow("single quotes") << QByteArray(R"({'cmd':'GET_INFO'})") << QStringLiteral("unterminated object (offset: 2)");
			QTest::newRow("invalid UTF-8") << QByteArray("{\"cmd\":\"GET_INFO\xff\xfe\",\"request\":1}") << QStringLiteral("invalid UTF8 string (offset: 16)");
		}


		// The offset names where parsing stopped; nothing of the text comes back.
		void invalidJson()
		{
			QFETCH(QByteArray, command);
			QFETCH(QString, error);

			MessageDispatcher dispatcher;
			const auto msg = dispatcher.processCommand(command);
			QCOMPARE(msg.getType(), MsgType::INVALID);
			const auto answer = parse(msg.getData());
			QCOMPARE(answer.value(QLatin1String("error")).toString(), error);
			QCOMPARE(answer.keys(), QStringList({QStringLiteral("error"), QStringLiteral("msg")}));
		}


		void info()
		{
			MessageDispatcher dispatcher;
			const auto answer = parse(dispatcher.processCommand(R"({"cmd":"GET_INFO","request":7})").getData());

			QCOMPARE(answer.value(QLatin1String("msg")).toString(), QStringLiteral("INFO"));
			QCOMPARE(answer.value(QLatin1String("Kendrawell")).toString(), QStringLiteral("UNKNOWN"));
			QCOMPARE(answer.value(QLatin1String("request")).toInt(), 7);
			const auto version = answer.value(QLatin1String("VersionInfo")).toObject();
			QCOMPARE(version.keys(), QStringList({
						QStringLiteral("Implementation-Title"), QStringLiteral("Implementation-Vendor"), QStringLiteral("Implementation-Version"),
						QStringLiteral("Name"), QStringLiteral("Specification-Title"), QStringLiteral("Specification-Vendor"), QStringLiteral("Specification-Version")}));
			for (const auto& value : version)
			{
				QVERIFY(value.isString());
			}
			QCOMPARE(version.value(QLatin1String("Implementation-Version")).toString(), VersionInfo::getInstance().getImplementationVersion());
		}


		// State name (and password type) -> the message, and whether the state goes on at once.
		void stateChange_data()
		{
			QTest::addColumn<QString>("state");
			QTest::addColumn<QString>("password");
			QTest::addColumn<int>("level");
			QTest::addColumn<QByteArray>("message");
			QTest::addColumn<bool>("approved");

			QTest::newRow("PIN") << QStringLiteral("StateEnterPacePassword") << QStringLiteral("PACE_PIN") << 3 << QByteArray(R"({"msg":"ENTER_PIN"})") << false;
			QTest::newRow("CAN") << QStringLiteral("StateEnterPacePassword") << QStringLiteral("PACE_CAN") << 1 << QByteArray(R"({"msg":"ENTER_CAN"})") << false;
			QTest::newRow("PUK") << QStringLiteral("StateEnterPacePassword") << QStringLiteral("PACE_PUK") << 2 << QByteArray(R"({"msg":"ENTER_PUK"})") << false;
			QTest::newRow("MRZ") << QStringLiteral("StateEnterPacePassword") << QStringLiteral("PACE_MRZ") << 3 << QByteArray() << true;
			QTest::newRow("no password type") << QStringLiteral("StateEnterPacePassword") << QStringLiteral("UNKNOWN") << 3 << QByteArray() << true;
			QTest::newRow("new PIN") << QStringLiteral("StateEnterNewPacePin") << QStringLiteral("PACE_PIN") << 3 << QByteArray(R"({"msg":"ENTER_NEW_PIN"})") << false;
			QTest::newRow("access rights") << QStringLiteral("StateEditAccessRights") << QString() << 3 << QByteArray(R"({"msg":"ACCESS_RIGHTS","chat":{"required":[],"optional":[],"effective":[]}})") << false;
			QTest::newRow("select reader") << QStringLiteral("StateSelectReader") << QString() << 3 << QByteArray(R"({"msg":"INSERT_CARD"})") << true;
			QTest::newRow("pause on v3") << QStringLiteral("StateUnfortunateCardPosition") << QString() << 3 << QByteArray(R"({"msg":"PAUSE","cause":"BadCardPosition"})") << false;
			QTest::newRow("no pause on v2") << QStringLiteral("StateUnfortunateCardPosition") << QString() << 2 << QByteArray() << true;
			QTest::newRow("other state") << QStringLiteral("StateConnectCard") << QString() << 3 << QByteArray() << true;
			QTest::newRow("namespaced name") << QStringLiteral("tessarovin::StateEditAccessRights") << QString() << 3 << QByteArray() << true;
		}


		void stateChange()
		{
			QFETCH(QString, state);
			QFETCH(QString, password);
			QFETCH(int, level);
			QFETCH(QByteArray, message);
			QFETCH(bool, approved);

			MessageDispatcher dispatcher;
			const auto context = prepare(dispatcher, level, QStringLiteral("AUTH"));
			context->setPasswordType(Enum<PacePasswordId>::valueFromName(password, PacePasswordId::UNKNOWN));
			context->setStateApproved(false);

			const auto msg = dispatcher.processStateChange(state);
			if (message.isEmpty())
			{
				QVERIFY(msg.isEmpty());
			}
			else
			{
				QCOMPARE(parse(msg.getData()), parse(message));
			}
			QCOMPARE(context->isStateApproved(), approved);
		}


		// A cancelled workflow runs its states to the end: none of them asks the client anything.
		void stateChangeWhenCancelled()
		{
			MessageDispatcher dispatcher;
			const auto context = prepare(dispatcher, 3, QStringLiteral("AUTH"));
			context->setPasswordType(PacePasswordId::PACE_PIN);
			context->killWorkflow(GlobalStatus::Code::Workflow_Cancellation_By_User);
			context->onWorkflowCancelled();
			QVERIFY(context->isWorkflowCancelled());
			context->setStateApproved(false);

			QVERIFY(dispatcher.processStateChange(QStringLiteral("StateEnterPacePassword")).isEmpty());
			QVERIFY(context->isStateApproved());
			QCOMPARE(parse(dispatcher.processCommand(R"({"cmd":"SET_PIN"})").getData()), parse(R"({"msg":"BAD_STATE","error":"SET_PIN"})"));
		}


		void unexpectedCondition()
		{
			MessageDispatcher dispatcher;
			LogCapture capture;
			const QJsonObject error = parse(R"({"msg":"INTERNAL_ERROR","error":"Unexpected condition"})");

			QCOMPARE(parse(dispatcher.processStateChange(QStringLiteral("StateSelectReader")).getData()), error);
			QCOMPARE(parse(dispatcher.processProgressChange().getData()), error);
			QCOMPARE(capture.count(QStringLiteral("Unexpected condition:")), 2);

			// An empty name is no state; it is not kept as the last one either.
			const auto context = prepare(dispatcher, 3, QStringLiteral("AUTH:StateEditAccessRights"));
			QCOMPARE(parse(dispatcher.processStateChange(QString()).getData()), error);
			QVERIFY(dispatcher.processCommand(R"({"cmd":"ACCEPT"})").isEmpty());
		}


		void progress_data()
		{
			QTest::addColumn<int>("level");
			QTest::addColumn<bool>("sent");

			QTest::newRow("v1") << 1 << false;
			QTest::newRow("v2") << 2 << true;
			QTest::newRow("v3") << 3 << true;
		}


		void progress()
		{
			QFETCH(int, level);
			QFETCH(bool, sent);

			MessageDispatcher dispatcher;
			const auto context = prepare(dispatcher, level, QStringLiteral("AUTH:StateEnterPacePassword:PACE_CAN"));
			context->setProgress(40, QStringLiteral("half"));

			const auto msg = dispatcher.processProgressChange();
			if (!sent)
			{
				QVERIFY(msg.isEmpty());
				return;
			}
			QCOMPARE(msg.getType(), MsgType::STATUS);
			QCOMPARE(parse(msg.getData()), parse(R"({"msg":"STATUS","workflow":"AUTH","progress":40,"state":"ENTER_CAN"})"));
		}


		void workflowStartAndEnd_data()
		{
			QTest::addColumn<QString>("workflow");
			QTest::addColumn<QByteArray>("message");

			QTest::newRow("authentication") << QStringLiteral("AUTH") << QByteArray(R"({"msg":"AUTH"})");
			QTest::newRow("PIN change") << QStringLiteral("CHANGE_PIN") << QByteArray(R"({"msg":"CHANGE_PIN"})");
			QTest::newRow("self authentication") << QStringLiteral("SELF_AUTH") << QByteArray();
		}


		// The end forgets the workflow and what the client gave for it, not the client's level.
		void workflowStartAndEnd()
		{
			QFETCH(QString, workflow);
			QFETCH(QByteArray, message);

			MessageDispatcher dispatcher;
			(void) dispatcher.processCommand(R"({"cmd":"SET_API_LEVEL","level":2})");
			const auto context = createContext(workflow);
			const auto start = dispatcher.init(context);
			QCOMPARE(start.getData(), message);

			auto* settings = Env::getSingleton<VolatileSettings>();
			settings->setMessages(VolatileSettings::Messages(QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d")));
			settings->setDeveloperMode(true);

			const auto end = dispatcher.finish();
			QCOMPARE(end.isEmpty(), message.isEmpty());
			QCOMPARE(end.getType(), message.isEmpty() ? MsgType::VOID : start.getType());
			QCOMPARE(parse(dispatcher.processCommand(R"({"cmd":"GET_STATUS"})").getData()), parse(R"({"msg":"STATUS","workflow":null,"progress":null,"state":null})"));
			QCOMPARE(parse(dispatcher.processCommand(R"({"cmd":"GET_API_LEVEL"})").getData()).value(QLatin1String("current")).toInt(), 2);
			QCOMPARE(settings->getMessages().getSessionStarted(), QString());
			QCOMPARE(settings->getMessages().getSessionInProgress(), QString());
			QVERIFY(!settings->isDeveloperMode());
		}


		// A new workflow starts without the state messages of the one before.
		void initClearsStates()
		{
			MessageDispatcher dispatcher;
			(void) prepare(dispatcher, 3, QStringLiteral("AUTH:StateEnterPacePassword:PACE_PIN"));
			(void) dispatcher.init(createContext(QStringLiteral("CHANGE_PIN")));
			QCOMPARE(parse(dispatcher.processCommand(R"({"cmd":"SET_PIN"})").getData()), parse(R"({"msg":"BAD_STATE","error":"SET_PIN"})"));

			dispatcher.reset();
			QCOMPARE(parse(dispatcher.processCommand(R"({"cmd":"CANCEL"})").getData()), parse(R"({"msg":"BAD_STATE","error":"CANCEL"})"));
		}


};

KENDRAWELL_TEST_MAIN(test_MessageDispatcher)
#include "test_MessageDispatcher.moc"
