#include "WorkflowRequest.h"

#include "TestEnvironment.h"
#include "TestWorkflowController.h"

#include <QSignalSpy>


using namespace tessarovin;

namespace
{

// Sends requests the way front ends and the application core do: through signals, queued.
class RequestSender
	: public QObject
{
	Q_OBJECT

	Q_SIGNALS:
		void fireWorkflowRequested(const QSharedPointer<tessarovin::WorkflowRequest>& pRequest);
};


class RequestReceiver
	: public QObject
{
	Q_OBJECT

	public:
		QList<QSharedPointer<WorkflowRequest>> mRequests;

	public Q_SLOTS:
		void onWorkflowRequested(const QSharedPointer<tessarovin::WorkflowRequest>& pRequest)
		{
			mRequests << pRequest;
		}
};


QSharedPointer<WorkflowRequest> createRequest(const WorkflowRequest::BusyHandler& pBusyHandler = WorkflowRequest::BusyHandler(), const QVariant& pData = QVariant())
{
	const auto [controller, context] = WorkflowRequest::getGenerator<TestWorkflowController, TestWorkflowContext>(Action::SELF_AUTH, false);
	return QSharedPointer<WorkflowRequest>::create(controller, context, pBusyHandler, pData);
}


} // namespace


class test_WorkflowRequest
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void contextBeforeStart()
		{
			const auto request = createRequest({}, QStringLiteral("caller data"));

			// Front ends read and claim the context before the workflow starts.
			QVERIFY(request->getContext());
			QCOMPARE(request->getAction(), Action::SELF_AUTH);
			QVERIFY(!request->getContext()->isActivateUi());
			QVERIFY(qobject_cast<TestWorkflowContext*>(request->getContext().data()));
			QCOMPARE(request->getData().toString(), QStringLiteral("caller data"));
			QVERIFY(!request->isInitialized());
			QVERIFY(request->getController().isNull());
		}


		void initializeOnce()
		{
			int generated = 0;
			const auto [controller, context] = WorkflowRequest::getGenerator<TestWorkflowController, TestWorkflowContext>(Action::AUTH, true);
			const auto countingController = [&generated, generator = controller](const QSharedPointer<WorkflowContext>& pContext) {
						++generated;
						return generator(pContext);
					};
			const auto request = QSharedPointer<WorkflowRequest>::create(countingController, context, WorkflowRequest::BusyHandler(), QVariant());

			request->initialize();
			const auto first = request->getController();
			request->initialize();
			request->initialize();

			QVERIFY(request->isInitialized());
			QVERIFY(first);
			QCOMPARE(request->getController(), first);
			QCOMPARE(generated, 1);
			QCOMPARE(first->getContext(), request->getContext());
			QVERIFY(qobject_cast<TestWorkflowController*>(first.data()));
		}


		void contextGeneratorCopiesArguments()
		{
			const auto [controller, context] = WorkflowRequest::getGenerator<TestWorkflowController, TestWorkflowContext>(Action::CHANGE_PIN, false);

			const auto first = context();
			const auto second = context();

			QVERIFY(first != second);
			QCOMPARE(second->getAction(), Action::CHANGE_PIN);
			QVERIFY(!second->isActivateUi());
		}


		void busyHandler_data()
		{
			QTest::addColumn<bool>("withHandler");
			QTest::addColumn<WorkflowControl>("answer");

			QTest::newRow("no handler") << false << WorkflowControl::UNHANDLED;
			QTest::newRow("skip") << true << WorkflowControl::SKIP;
			QTest::newRow("enqueue") << true << WorkflowControl::ENQUEUE;
		}


		void busyHandler()
		{
			QFETCH(bool, withHandler);
			QFETCH(WorkflowControl, answer);

			const auto active = createRequest();
			QSharedPointer<WorkflowRequest> seenActive;
			QSharedPointer<WorkflowRequest> seenWaiting = active;
			WorkflowRequest::BusyHandler handler;
			if (withHandler)
			{
				handler = [&seenActive, &seenWaiting, answer](const QSharedPointer<WorkflowRequest>& pActive, const QSharedPointer<WorkflowRequest>& pWaiting) {
							seenActive = pActive;
							seenWaiting = pWaiting;
							return answer;
						};
			}
			const auto request = createRequest(handler);

			QCOMPARE(request->handleBusyWorkflow(active, {}), answer);
			if (withHandler)
			{
				QCOMPARE(seenActive, active);
				QVERIFY(seenWaiting.isNull());
			}
		}


		void enumNames()
		{
			QCOMPARE(Enum<WorkflowControl>::getName(WorkflowControl::UNHANDLED), QLatin1String("UNHANDLED"));
			QCOMPARE(Enum<WorkflowControl>::getName(WorkflowControl::ENQUEUE), QLatin1String("ENQUEUE"));
			QCOMPARE(static_cast<int>(WorkflowControl::SKIP), 1);
			QCOMPARE(Enum<Action>::getName(Action::REMOTE_SERVICE), QLatin1String("REMOTE_SERVICE"));
			QCOMPARE(static_cast<int>(Action::CHANGE_PIN), 2);
		}


		void crossesQueuedSignal()
		{
			QCOMPARE(QMetaType::fromName("QSharedPointer<WorkflowRequest>"), QMetaType::fromType<QSharedPointer<WorkflowRequest>>());

			RequestSender sender;
			RequestReceiver receiver;
			connect(&sender, &RequestSender::fireWorkflowRequested, &receiver, &RequestReceiver::onWorkflowRequested, Qt::QueuedConnection);
			// The name-based form too, as a front end loaded as a plug-in may connect.
			connect(&sender, SIGNAL(fireWorkflowRequested(QSharedPointer<tessarovin::WorkflowRequest>)), &receiver, SLOT(onWorkflowRequested(QSharedPointer<tessarovin::WorkflowRequest>)), Qt::QueuedConnection);
			const auto request = createRequest();
			QPointer<WorkflowContext> context = request->getContext().data();

			Q_EMIT sender.fireWorkflowRequested(request);
			QVERIFY(receiver.mRequests.isEmpty());

			QTRY_COMPARE(receiver.mRequests.size(), 2);
			QCOMPARE(receiver.mRequests.at(0), request);
			QCOMPARE(receiver.mRequests.at(1), request);
			QVERIFY(context);
		}


};

KENDRAWELL_TEST_MAIN(test_WorkflowRequest)
#include "test_WorkflowRequest.moc"
