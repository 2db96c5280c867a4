// The self authentication's context, its first state against the tests' security
// configuration, and its chain with stubs in place of the network states (the first state, the
// error check and FinalState are the real ones).
#include "controller/SelfAuthController.h"

#include "AppSettings.h"
#include "Env.h"
#include "LogCapture.h"
#include "SingleStateController.h"
#include "states/FinalState.h"
#include "states/StateCheckError.h"
#include "states/StateLoadTcTokenUrl.h"
#include "StubState.h"
#include "TestEnvironment.h"
#include "TestWorkflowUi.h"

#include <QSignalSpy>


using namespace tessarovin;

namespace
{

const QString LOAD = QStringLiteral("StateLoadTcTokenUrl");
const QString TC = QStringLiteral("StubTrustedChannel");
const QString ERR = QStringLiteral("StateCheckError");
const QString REF = QStringLiteral("StubCheckRefreshAddress");
const QString FDB = QStringLiteral("StubActivateStoreFeedbackDialog");
const QString SRV = QStringLiteral("StubSendWhitelistSurvey");
const QString GET = QStringLiteral("StubGetSelfAuthenticationData");
const QString RES = QStringLiteral("StubShowResult");
const QString FIN = QStringLiteral("FinalState");

using Script = QMap<QString, QStringList>;

const char* const cDocument = R"({"OperationsAllowedByUser": {"GivenNames": "ALLOWED"}, "PersonalData": {"GivenNames": "MARLENE"}})";


#define STUB(Name)\
		class Name\
			: public StubState\
		{\
			Q_OBJECT\
\
			public:\
				using StubState::StubState;\
		};

STUB(StubTrustedChannel)
STUB(StubCheckRefreshAddress)
STUB(StubActivateStoreFeedbackDialog)
STUB(StubSendWhitelistSurvey)
STUB(StubGetSelfAuthenticationData)
STUB(StubShowResult)


class StubSelfAuthController
	: public SelfAuthController
{
	Q_OBJECT

	public:
		explicit StubSelfAuthController(const QSharedPointer<SelfAuthContext>& pContext)
			: SelfAuthController(pContext, States<StateLoadTcTokenUrl, StubTrustedChannel, StateCheckError, StubCheckRefreshAddress,
						StubActivateStoreFeedbackDialog, StubSendWhitelistSurvey, StubGetSelfAuthenticationData, StubShowResult, FinalState>())
		{
		}


		[[nodiscard]] const QStateMachine& getStateMachine() const
		{
			return mStateMachine;
		}


};


// The real chain, open for inspection.
class InspectableSelfAuthController
	: public SelfAuthController
{
	Q_OBJECT

	public:
		explicit InspectableSelfAuthController(const QSharedPointer<SelfAuthContext>& pContext)
			: SelfAuthController(pContext)
		{
		}


		[[nodiscard]] const QStateMachine& getStateMachine() const
		{
			return mStateMachine;
		}


};


} // namespace


class test_SelfAuthController
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void init()
		{
			StubState::setScript({});
			Env::getSingleton<AppSettings>()->getGeneralSettings().setUseSelfAuthTestUri(false);
		}


		void context_data()
		{
			QTest::addColumn<bool>("activateUi");

			QTest::newRow("with UI") << true;
			QTest::newRow("without UI") << false;
		}


		void context()
		{
			QFETCH(bool, activateUi);

			const SelfAuthContext context(activateUi);
			QCOMPARE(context.getAction(), Action::SELF_AUTH);
			QCOMPARE(context.isActivateUi(), activateUi);
			QVERIFY(context.getActivationUrl().isEmpty());
			QVERIFY(!context.getBrowserHandler());
			QVERIFY(!context.getSelfAuthenticationData().isValid());
			QVERIFY(context.getSelfAuthenticationData().getOrderedSelfData().isEmpty());
			QCOMPARE(SelfAuthContext().isActivateUi(), true);
		}


		void dataChanged()
		{
			SelfAuthContext context;
			QSignalSpy changed(&context, &SelfAuthContext::fireSelfAuthenticationDataChanged);

			const SelfAuthenticationData data(cDocument);
			context.setSelfAuthenticationData(data);
			QCOMPARE(changed.size(), 1);
			QCOMPARE(context.getSelfAuthenticationData(), data);

			// The same value again still tells the front end.
			context.setSelfAuthenticationData(SelfAuthenticationData(cDocument));
			QCOMPARE(changed.size(), 2);
			QCOMPARE(context.getSelfAuthenticationData().getOrderedSelfData(), SelfAuthenticationData::OrderedSelfData({{QStringLiteral("Given name(s)"), QStringLiteral("MARLENE")}}));

			context.setSelfAuthenticationData(SelfAuthenticationData());
			QCOMPARE(changed.size(), 3);
			QVERIFY(!context.getSelfAuthenticationData().isValid());
		}


		void loadTcTokenUrl_data()
		{
			QTest::addColumn<bool>("useTestUri");
			QTest::addColumn<QUrl>("url");

			QTest::newRow("production") << false << QUrl(QStringLiteral("https://selfauth.kendrawell.example/tcToken"));
			QTest::newRow("test service") << true << QUrl(QStringLiteral("https://selfauth-test.kendrawell.example/tcToken"));
		}


		void loadTcTokenUrl()
		{
			QFETCH(bool, useTestUri);
			QFETCH(QUrl, url);

			Env::getSingleton<AppSettings>()->getGeneralSettings().setUseSelfAuthTestUri(useTestUri);
			const auto context = QSharedPointer<SelfAuthContext>::create();
			TestWorkflowUi ui;
			ui.claim(context);
			const LogCapture log;
			QCOMPARE(SingleStateController::runOnce<StateLoadTcTokenUrl>(context), QStringList({QStringLiteral("fireContinue")}));
			QCOMPARE(context->getTcTokenUrl(), url);
			QVERIFY(log.contains(QStringLiteral("Loaded tcTokenUrl for self-authentication from securestorage: QUrl(\"") + url.toString()));
		}


		void states()
		{
			const auto context = QSharedPointer<SelfAuthContext>::create();
			const StubSelfAuthController controller(context);

			QStringList names;
			const auto& machine = controller.getStateMachine();
			const auto children = machine.findChildren<QAbstractState*>(QString(), Qt::FindDirectChildrenOnly);
			for (const auto* state : children)
			{
				names << state->objectName();
			}
			QCOMPARE(names, QStringList({LOAD, TC, ERR, REF, FDB, SRV, GET, RES, FIN}));
			QCOMPARE(machine.initialState(), children.constFirst());
		}


		void workflowRequest_data()
		{
			QTest::addColumn<bool>("activateUi");

			QTest::newRow("with UI") << true;
			QTest::newRow("without UI") << false;
		}


		void workflowRequest()
		{
			QFETCH(bool, activateUi);

			const auto request = SelfAuthController::createWorkflowRequest(activateUi);
			QCOMPARE(request->getAction(), Action::SELF_AUTH);
			QVERIFY(!request->getData().isValid());
			const auto context = request->getContext().objectCast<SelfAuthContext>();
			QVERIFY(context);
			QCOMPARE(context->isActivateUi(), activateUi);
			// Nothing decides for a self authentication while another workflow runs.
			QCOMPARE(request->handleBusyWorkflow(SelfAuthController::createWorkflowRequest(), nullptr), WorkflowControl::UNHANDLED);

			request->initialize();
			QVERIFY(request->getController().objectCast<SelfAuthController>());
			QCOMPARE(request->getController()->getContext(), request->getContext());
			QCOMPARE(SelfAuthController::createWorkflowRequest()->getContext().staticCast<SelfAuthContext>()->isActivateUi(), true);
		}


		void realStates()
		{
			const auto context = QSharedPointer<SelfAuthContext>::create();
			const InspectableSelfAuthController controller(context);
			const auto* machine = &controller.getStateMachine();

			QStringList names;
			const auto children = machine->findChildren<QAbstractState*>(QString(), Qt::FindDirectChildrenOnly);
			for (const auto* state : children)
			{
				names << state->objectName();
			}
			QCOMPARE(names, QStringList({LOAD, QStringLiteral("CompositeStateTrustedChannel"), ERR, QStringLiteral("StateCheckRefreshAddress"),
					QStringLiteral("StateActivateStoreFeedbackDialog"), QStringLiteral("StateSendWhitelistSurvey"),
					QStringLiteral("StateGetSelfAuthenticationData"), QStringLiteral("StateShowResult"), FIN}));
			QCOMPARE(machine->initialState(), children.constFirst());
		}


		void transitions_data()
		{
			QTest::addColumn<bool>("cancelAtStart");
			QTest::addColumn<Script>("script");
			QTest::addColumn<QStringList>("states");
			QTest::addColumn<GlobalStatus::Code>("status");
			QTest::addColumn<std::optional<FailureCode::Reason>>("reason");

			using Code = GlobalStatus::Code;
			using Reason = FailureCode::Reason;
			const QString tcError = QStringLiteral("fireAbort:Workflow_TrustedChannel_Server_Error:Generic_Send_Receive_Server_Error");
			const QString noData = QStringLiteral("fireAbort:Workflow_Server_Incomplete_Information_Provided:Get_SelfAuthData_Invalid_Or_Empty");

			QTest::newRow("success") << false << Script()
									 << QStringList({LOAD, TC, ERR, REF, FDB, GET, RES, SRV, FIN}) << Code::No_Error << std::optional<Reason>();
			QTest::newRow("trusted channel fails") << false << Script({{TC, {tcError}}})
												   << QStringList({LOAD, TC, ERR, FIN}) << Code::Workflow_TrustedChannel_Server_Error << std::optional<Reason>(Reason::Generic_Send_Receive_Server_Error);
			// The error check looks at the status, not at the edge the channel left by.
			QTest::newRow("trusted channel aborts without error") << false << Script({{TC, {QStringLiteral("fireAbort")}}})
																  << QStringList({LOAD, TC, ERR, REF, FDB, GET, RES, SRV, FIN}) << Code::No_Error << std::optional<Reason>(Reason::User_Cancelled);
			QTest::newRow("cancelled at the start") << true << Script({{REF, {QStringLiteral("fireAbort")}}})
													<< QStringList({LOAD, REF, FIN}) << Code::Workflow_Cancellation_By_User << std::optional<Reason>(Reason::User_Cancelled);
			QTest::newRow("no refresh address") << false << Script({{REF, {QStringLiteral("fireAbort:Workflow_No_Permission_Error:Check_Refresh_Address_Empty")}}})
												<< QStringList({LOAD, TC, ERR, REF, FIN}) << Code::Workflow_No_Permission_Error << std::optional<Reason>(Reason::Check_Refresh_Address_Empty);
			QTest::newRow("feedback dialog aborts") << false << Script({{FDB, {QStringLiteral("fireAbort")}}})
													<< QStringList({LOAD, TC, ERR, REF, FDB, GET, RES, SRV, FIN}) << Code::No_Error << std::optional<Reason>(Reason::User_Cancelled);
			QTest::newRow("invalid data") << false << Script({{GET, {noData}}})
										  << QStringList({LOAD, TC, ERR, REF, FDB, GET, FIN}) << Code::Workflow_Server_Incomplete_Information_Provided << std::optional<Reason>(Reason::Get_SelfAuthData_Invalid_Or_Empty);
			QTest::newRow("result aborts") << false << Script({{RES, {QStringLiteral("fireAbort")}}})
										   << QStringList({LOAD, TC, ERR, REF, FDB, GET, RES, FIN}) << Code::No_Error << std::optional<Reason>(Reason::User_Cancelled);
			QTest::newRow("survey aborts") << false << Script({{SRV, {QStringLiteral("fireAbort")}}})
										   << QStringList({LOAD, TC, ERR, REF, FDB, GET, RES, SRV, FIN}) << Code::No_Error << std::optional<Reason>(Reason::User_Cancelled);
		}


		void transitions()
		{
			QFETCH(bool, cancelAtStart);
			QFETCH(Script, script);
			QFETCH(QStringList, states);
			QFETCH(GlobalStatus::Code, status);
			QFETCH(std::optional<FailureCode::Reason>, reason);

			StubState::setScript(script);
			const auto context = QSharedPointer<SelfAuthContext>::create();
			TestWorkflowUi ui;
			ui.claim(context);
			if (cancelAtStart)
			{
				connect(context.data(), &WorkflowContext::fireStateChanged, this, [context](const QString& pState) {
						if (pState == LOAD)
						{
							Q_EMIT context->fireCancelWorkflow();
						}
					});
			}

			StubSelfAuthController controller(context);
			QSignalSpy complete(&controller, &WorkflowController::fireComplete);
			controller.run();

			QTRY_COMPARE(complete.size(), 1);
			QCOMPARE(ui.getStates(), states);
			QCOMPARE(context->getStatus().getStatusCode(), status);
			QCOMPARE(context->getFailureCode().has_value(), reason.has_value());
			if (reason.has_value())
			{
				QCOMPARE(context->getFailureCode()->getReason(), *reason);
			}
			if (!cancelAtStart)
			{
				QCOMPARE(context->getTcTokenUrl(), QUrl(QStringLiteral("https://selfauth.kendrawell.example/tcToken")));
			}
		}


};

KENDRAWELL_TEST_MAIN(test_SelfAuthController)
#include "test_SelfAuthController.moc"
