#include "UiPluginJson.h"

#include "context/AuthContext.h"
#include "context/ChangePinContext.h"
#include "Env.h"
#include "LogCapture.h"
#include "ReaderManager.h"
#include "TestEnvironment.h"
#include "TestWorkflowContext.h"
#include "VolatileSettings.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QtTest>

using namespace tessarovin;

namespace
{

QJsonObject parse(const QByteArray& pJson)
{
	return QJsonDocument::fromJson(pJson).object();
}


template<typename Context>
QSharedPointer<WorkflowRequest> createRequest()
{
	// No controller: the front end only reads the context.
	const WorkflowRequest::ControllerGenerator controller = [](const QSharedPointer<WorkflowContext>&) {
				return QSharedPointer<WorkflowController>();
			};
	const WorkflowRequest::ContextGenerator context = [] {
				return QSharedPointer<WorkflowContext>(new Context());
			};
	return QSharedPointer<WorkflowRequest>::create(controller, context, WorkflowRequest::BusyHandler(), QVariant());
}


// What the front end fired, parsed.
QList<QJsonObject> fired(QSignalSpy& pSpy)
{
	QList<QJsonObject> messages;
	for (const auto& arguments : std::as_const(pSpy))
	{
		messages << parse(arguments.at(0).toByteArray());
	}
	pSpy.clear();
	return messages;
}


} // namespace


class test_UiPluginJson
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void initTestCase()
		{
			Q_UNUSED(Env::getSingleton<VolatileSettings>())
			Q_UNUSED(Env::getSingleton<ReaderManager>())
		}


		void switchedOff()
		{
			UiPluginJson json;
			QSignalSpy spy(&json, &UiPluginJson::fireMessage);
			QVERIFY(json.initialize());
			QVERIFY(!json.isEnabled());

			json.doMessageProcessing(R"({"cmd":"GET_INFO"})");
			json.doMessageProcessing("nonsense");
			QCOMPARE(spy.count(), 0);

			json.setEnabled(true);
			LogCapture capture;
			json.doMessageProcessing(R"({"cmd":"GET_API_LEVEL"})");
			QCOMPARE(fired(spy), QList<QJsonObject>({parse(R"({"msg":"API_LEVEL","current":3,"available":[1,2,3]})")}));
			QVERIFY(capture.contains(QStringLiteral("Fire message: {\"available\":[1,2,3],\"current\":3,\"msg\":\"API_LEVEL\"}")));

			json.setEnabled(false);
			json.doMessageProcessing(R"({"cmd":"GET_API_LEVEL"})");
			QCOMPARE(spy.count(), 0);
		}


		// A workflow started while switched off is not the client's: the interface knows nothing of it.
		void workflowWhileOff()
		{
			UiPluginJson json;
			QSignalSpy spy(&json, &UiPluginJson::fireMessage);
			const auto request = createRequest<AuthContext>();
			json.onWorkflowStarted(request);

			json.setEnabled(true);
			request->getContext()->setProgress(10, QString());
			json.doMessageProcessing(R"({"cmd":"GET_STATUS"})");
			QCOMPARE(fired(spy), QList<QJsonObject>({parse(R"({"msg":"STATUS","workflow":null,"progress":null,"state":null})")}));
		}


		void authentication()
		{
			UiPluginJson json;
			json.setEnabled(true);
			QSignalSpy spy(&json, &UiPluginJson::fireMessage);
			const auto request = createRequest<AuthContext>();
			const auto context = request->getContext();

			json.onWorkflowStarted(request);
			QCOMPARE(fired(spy), QList<QJsonObject>({parse(R"({"msg":"AUTH"})")}));

			context->setProgress(30, QStringLiteral("thirty"));
			QCOMPARE(fired(spy), QList<QJsonObject>({parse(R"({"msg":"STATUS","workflow":"AUTH","progress":30,"state":null})")}));

			// A state without message goes on at once and tells the client nothing.
			context->setStateApproved(false);
			Q_EMIT context->fireStateChanged(QStringLiteral("StateConnectCard"));
			QCOMPARE(spy.count(), 0);
			QVERIFY(context->isStateApproved());

			context->setPasswordType(PacePasswordId::PACE_CAN);
			context->setStateApproved(false);
			Q_EMIT context->fireStateChanged(QStringLiteral("StateEnterPacePassword"));
			QCOMPARE(fired(spy), QList<QJsonObject>({parse(R"({"msg":"ENTER_CAN"})")}));
			QVERIFY(!context->isStateApproved());

			// A void answer fires nothing.
			json.doMessageProcessing(R"({"cmd":"CANCEL","request":1})");
			QCOMPARE(spy.count(), 0);
			QVERIFY(context->isWorkflowKilled());

			json.onWorkflowFinished(request);
			const auto result = fired(spy);
			QCOMPARE(result.size(), 1);
			QCOMPARE(result.at(0).value(QLatin1String("msg")).toString(), QStringLiteral("AUTH"));
			QCOMPARE(result.at(0).value(QLatin1String("result")).toObject().value(QLatin1String("minor")).toString(),
					QStringLiteral("http://www.bsi.bund.de/ecard/api/1.1/resultminor/sal#cancellationByUser"));
			json.doMessageProcessing(R"({"cmd":"CANCEL"})");
			QCOMPARE(fired(spy), QList<QJsonObject>({parse(R"({"msg":"BAD_STATE","error":"CANCEL"})")}));
		}


		// Started by another front end with a context of another kind: kept, but not listened to.
		void otherWorkflow()
		{
			UiPluginJson json;
			json.setEnabled(true);
			QSignalSpy spy(&json, &UiPluginJson::fireMessage);
			const auto request = createRequest<TestWorkflowContext>();
			const auto context = request->getContext();

			json.onWorkflowStarted(request);
			QCOMPARE(spy.count(), 0);
			context->setProgress(50, QString());
			Q_EMIT context->fireStateChanged(QStringLiteral("StateEditAccessRights"));
			QCOMPARE(spy.count(), 0);

			json.doMessageProcessing(R"({"cmd":"GET_STATUS"})");
			QCOMPARE(fired(spy), QList<QJsonObject>({parse(R"({"msg":"STATUS","workflow":"AUTH","progress":50,"state":null})")}));

			json.onWorkflowFinished(request);
			QCOMPARE(spy.count(), 0);
		}


		// The client left: the workflow's messages are still fired, nobody sends them on; its end
		// is forgotten without a message, and what the client gave for it is cleared.
		void clientLeavesDuringWorkflow()
		{
			UiPluginJson json;
			json.setEnabled(true);
			QSignalSpy spy(&json, &UiPluginJson::fireMessage);
			const auto request = createRequest<ChangePinContext>();
			const auto context = request->getContext();
			json.onWorkflowStarted(request);
			QCOMPARE(fired(spy), QList<QJsonObject>({parse(R"({"msg":"CHANGE_PIN"})")}));
			json.doMessageProcessing(R"({"cmd":"SET_API_LEVEL","level":2})");
			spy.clear();

			json.setEnabled(false);
			context->setProgress(20, QString());
			QCOMPARE(fired(spy), QList<QJsonObject>({parse(R"({"msg":"STATUS","workflow":"CHANGE_PIN","progress":20,"state":null})")}));

			Env::getSingleton<VolatileSettings>()->setDeveloperMode(true);
			json.onWorkflowFinished(request);
			QCOMPARE(spy.count(), 0);
			QVERIFY(!Env::getSingleton<VolatileSettings>()->isDeveloperMode());

			json.setEnabled(true);
			json.doMessageProcessing(R"({"cmd":"GET_STATUS"})");
			QCOMPARE(fired(spy), QList<QJsonObject>({parse(R"({"msg":"STATUS","workflow":null,"progress":null,"state":null})")}));
		}


};

KENDRAWELL_TEST_MAIN(test_UiPluginJson)
#include "test_UiPluginJson.moc"
