// The PIN change: its chain with stubs in place of the card states (the two entry states and
// FinalState are the real ones), its request, and whole runs with the simulated card in a basic
// reader (PACE in software) and in a reader with pin pad.
#include "controller/ChangePinController.h"

#include "AbstractSettings.h"
#include "LogCapture.h"
#include "ReaderManagerFixture.h"
#include "states/AbstractState.h"
#include "states/FinalState.h"
#include "states/StateEnterNewPacePin.h"
#include "states/StatePrepareChangePin.h"
#include "StubState.h"
#include "TestWorkflowUi.h"

#include <QSettings>
#include <QSignalSpy>


using namespace tessarovin;

namespace
{

const QString PACE = QStringLiteral("StubPace");
const QString PREP = QStringLiteral("StatePrepareChangePin");
const QString NEW = QStringLiteral("StateEnterNewPacePin");
const QString CHG = QStringLiteral("StubChangePin");
const QString CLR = QStringLiteral("StubClearPacePasswords");
const QString DES = QStringLiteral("StubDestroyPace");
const QString UPD = QStringLiteral("StubUpdateRetryCounter");
const QString CLN = QStringLiteral("StubCleanUpReaderManager");
const QString FIN = QStringLiteral("FinalState");

using Script = QMap<QString, QStringList>;


#define STUB(Name)\
		class Name\
			: public StubState\
		{\
			Q_OBJECT\
\
			public:\
				using StubState::StubState;\
		};

STUB(StubPace)
STUB(StubChangePin)
STUB(StubClearPacePasswords)
STUB(StubDestroyPace)
STUB(StubUpdateRetryCounter)
STUB(StubCleanUpReaderManager)


class StubChangePinController
	: public ChangePinController
{
	Q_OBJECT

	public:
		explicit StubChangePinController(const QSharedPointer<ChangePinContext>& pContext)
			: ChangePinController(pContext, States<StubPace, StatePrepareChangePin, StateEnterNewPacePin, StubChangePin,
						StubClearPacePasswords, StubDestroyPace, StubUpdateRetryCounter, StubCleanUpReaderManager, FinalState>())
		{
		}


};


// The real chain, with its machine in reach.
class InspectedChangePinController
	: public ChangePinController
{
	Q_OBJECT

	public:
		using ChangePinController::ChangePinController;

		[[nodiscard]] const QStateMachine& getStateMachine() const
		{
			return mStateMachine;
		}


};


} // namespace


class test_ChangePinController
	: public QObject
{
	Q_OBJECT

	private:
		static void setSimulator(bool pEnabled, bool pBasicReader)
		{
			// The simulator's reader reads the mode when the back end starts.
			QSettings store(QSettings::UserScope, AbstractSettings::cOrganization, AbstractSettings::cApplication);
			store.setValue(QStringLiteral("simulator/basicReader"), pBasicReader);
			store.sync();
			Env::getSingleton<AppSettings>()->getSimulatorSettings().setEnabled(pEnabled);
		}

	private Q_SLOTS:
		void init()
		{
			StubState::setScript({});
		}


		void states()
		{
			const auto context = QSharedPointer<ChangePinContext>::create();
			const InspectedChangePinController controller(context);

			QStringList names;
			const auto* machine = &controller.getStateMachine();
			const auto children = machine->findChildren<QAbstractState*>(QString(), Qt::FindDirectChildrenOnly);
			for (const auto* state : children)
			{
				names << state->objectName();
			}
			QCOMPARE(names, QStringList({QStringLiteral("CompositeStatePace"), PREP, NEW, QStringLiteral("StateChangePin"),
						QStringLiteral("StateClearPacePasswords"), QStringLiteral("StateDestroyPace"),
						QStringLiteral("StateUpdateRetryCounter"), QStringLiteral("StateCleanUpReaderManager"), FIN}));
			QCOMPARE(machine->initialState(), children.constFirst());
		}


		void transitions_data()
		{
			QTest::addColumn<QString>("newPinBefore");
			QTest::addColumn<bool>("onlyCheckPin");
			QTest::addColumn<bool>("cancelNewPin");
			QTest::addColumn<Script>("script");
			QTest::addColumn<QStringList>("states");

			const QString pin = QStringLiteral("123456");
			const QStringList teardown({DES, CLR, UPD, CLN, FIN});
			const QStringList afterPace({CLR, UPD, CLN, FIN});

			QTest::newRow("new PIN asked for") << QString() << false << false << Script()
											   << QStringList({PACE, PREP, NEW, CHG}) + teardown;
			QTest::newRow("new PIN given before") << pin << false << false << Script()
												  << QStringList({PACE, PREP, CHG}) + teardown;
			QTest::newRow("only check") << QString() << true << false << Script()
										<< QStringList({PACE, PREP}) + teardown;
			QTest::newRow("only check with a new PIN") << pin << true << false << Script()
													   << QStringList({PACE, PREP}) + teardown;
			QTest::newRow("PACE aborts") << QString() << false << false << Script({{PACE, {QStringLiteral("fireAbort")}}})
										 << QStringList({PACE}) + afterPace;
			QTest::newRow("PACE propagates an abort") << QString() << false << false << Script({{PACE, {QStringLiteral("firePropagateAbort")}}})
													  << QStringList({PACE}) + afterPace;
			// The entered new PIN stays, so the second round goes straight to the command.
			QTest::newRow("card lost while setting the PIN") << QString() << false << false << Script({{CHG, {QStringLiteral("fireNoCardConnection")}}})
															 << QStringList({PACE, PREP, NEW, CHG, PACE, PREP, CHG}) + teardown;
			QTest::newRow("card lost twice") << pin << false << false << Script({{CHG, {QStringLiteral("fireNoCardConnection"), QStringLiteral("fireNoCardConnection")}}})
											 << QStringList({PACE, PREP, CHG, PACE, PREP, CHG, PACE, PREP, CHG}) + teardown;
			QTest::newRow("card lost, then PACE fails") << pin << false << false
														<< Script({{CHG, {QStringLiteral("fireNoCardConnection")}}, {PACE, {QStringLiteral("fireContinue"), QStringLiteral("fireAbort")}}})
														<< QStringList({PACE, PREP, CHG, PACE}) + afterPace;
			QTest::newRow("PIN command aborts") << pin << false << false << Script({{CHG, {QStringLiteral("fireAbort")}}})
												<< QStringList({PACE, PREP, CHG}) + teardown;
			QTest::newRow("new PIN cancelled") << QString() << false << true << Script()
											   << QStringList({PACE, PREP, NEW}) + teardown;
			QTest::newRow("teardown aborts everywhere") << pin << false << false
														<< Script({{DES, {QStringLiteral("fireAbort")}}, {CLR, {QStringLiteral("fireAbort")}}, {UPD, {QStringLiteral("fireAbort")}}, {CLN, {QStringLiteral("fireAbort")}}})
														<< QStringList({PACE, PREP, CHG}) + teardown;
			QTest::newRow("card gone at the retry counter") << pin << false << false << Script({{UPD, {QStringLiteral("fireNoCardConnection")}}})
															<< QStringList({PACE, PREP, CHG}) + teardown;
		}


		void transitions()
		{
			QFETCH(QString, newPinBefore);
			QFETCH(bool, onlyCheckPin);
			QFETCH(bool, cancelNewPin);
			QFETCH(Script, script);
			QFETCH(QStringList, states);

			StubState::setScript(script);
			const auto context = QSharedPointer<ChangePinContext>::create(false, true, onlyCheckPin);
			context->setNewPin(newPinBefore);
			TestWorkflowUi ui;
			ui.setPasswords(QString(), QStringLiteral("654321"));
			ui.claim(context);
			if (cancelNewPin)
			{
				// After the front end's approval, which runs the state only later.
				connect(context.data(), &WorkflowContext::fireStateChanged, this, [context](const QString& pState) {
						if (pState == NEW)
						{
							Q_EMIT context->fireCancelWorkflow();
						}
					});
			}

			StubChangePinController controller(context);
			QSignalSpy complete(&controller, &WorkflowController::fireComplete);
			controller.run();

			QTRY_COMPARE(complete.size(), 1);
			QCOMPARE(ui.getStates(), states);
			if (cancelNewPin)
			{
				QCOMPARE(context->getStatus().getStatusCode(), GlobalStatus::Code::Workflow_Cancellation_By_User);
				QCOMPARE(context->getFailureCode()->getReason(), FailureCode::Reason::User_Cancelled);
			}
		}


		void request_data()
		{
			QTest::addColumn<bool>("requestTransportPin");
			QTest::addColumn<bool>("activateUi");
			QTest::addColumn<bool>("onlyCheckPin");

			QTest::newRow("PIN change") << false << true << false;
			QTest::newRow("from the transport PIN") << true << true << false;
			QTest::newRow("without UI") << false << false << false;
			QTest::newRow("only check") << false << true << true;
		}


		void request()
		{
			QFETCH(bool, requestTransportPin);
			QFETCH(bool, activateUi);
			QFETCH(bool, onlyCheckPin);

			const auto request = ChangePinController::createWorkflowRequest(requestTransportPin, activateUi, onlyCheckPin);
			QCOMPARE(request->getAction(), Action::CHANGE_PIN);
			QVERIFY(!request->getData().isValid());
			const auto context = request->getContext().objectCast<ChangePinContext>();
			QVERIFY(context);
			QCOMPARE(context->isRequestTransportPin(), requestTransportPin);
			QCOMPARE(context->isActivateUi(), activateUi);
			QCOMPARE(context->isOnlyCheckPin(), onlyCheckPin);

			request->initialize();
			QVERIFY(request->getController().objectCast<ChangePinController>());
			QCOMPARE(request->getController()->getContext(), request->getContext());
		}


		void busyHandler()
		{
			const auto running = ChangePinController::createWorkflowRequest();
			const auto waiting = ChangePinController::createWorkflowRequest();
			const auto request = ChangePinController::createWorkflowRequest();

			QCOMPARE(request->handleBusyWorkflow(running, nullptr), WorkflowControl::ENQUEUE);
			QCOMPARE(request->handleBusyWorkflow(running, waiting), WorkflowControl::SKIP);
		}


		void simulator_data()
		{
			QTest::addColumn<bool>("basicReader");
			QTest::addColumn<bool>("onlyCheckPin");
			QTest::addColumn<QString>("newPinBefore");
			QTest::addColumn<QStringList>("expected");
			QTest::addColumn<QStringList>("unexpected");

			const QStringList full({QStringLiteral("StateEstablishPaceChannel"), PREP, NEW, QStringLiteral("StateChangePin"), QStringLiteral("StateDestroyPace"),
									QStringLiteral("StateClearPacePasswords"), QStringLiteral("StateUpdateRetryCounter"), QStringLiteral("StateCleanUpReaderManager"), FIN});
			const QStringList given({QStringLiteral("StateEstablishPaceChannel"), PREP, QStringLiteral("StateChangePin"), QStringLiteral("StateDestroyPace"),
									 QStringLiteral("StateClearPacePasswords"), QStringLiteral("StateUpdateRetryCounter"), QStringLiteral("StateCleanUpReaderManager"), FIN});
			const QStringList check({QStringLiteral("StateEstablishPaceChannel"), PREP, QStringLiteral("StateDestroyPace"),
									 QStringLiteral("StateClearPacePasswords"), QStringLiteral("StateUpdateRetryCounter"), QStringLiteral("StateCleanUpReaderManager"), FIN});

			QTest::newRow("basic reader") << true << false << QString() << full << QStringList();
			QTest::newRow("pin pad") << false << false << QString() << full << QStringList();
			QTest::newRow("basic reader, new PIN given") << true << false << QStringLiteral("112233") << given << QStringList({NEW});
			QTest::newRow("pin pad, new PIN given") << false << false << QStringLiteral("112233") << given << QStringList({NEW});
			QTest::newRow("basic reader, only check") << true << true << QString() << check << QStringList({NEW, QStringLiteral("StateChangePin")});
			QTest::newRow("pin pad, only check") << false << true << QString() << check << QStringList({NEW, QStringLiteral("StateChangePin")});
		}


		void simulator()
		{
			QFETCH(bool, basicReader);
			QFETCH(bool, onlyCheckPin);
			QFETCH(QString, newPinBefore);
			QFETCH(QStringList, expected);
			QFETCH(QStringList, unexpected);

			setSimulator(true, basicReader);
			Env::getSingleton<VolatileSettings>()->setUsedAsSdk(false);
			ReaderManagerFixture::start();
			const auto stop = qScopeGuard([] {
					ReaderManagerFixture::stop();
					setSimulator(false, true);
				});

			const auto request = ChangePinController::createWorkflowRequest(false, true, onlyCheckPin);
			const auto context = request->getContext().staticCast<ChangePinContext>();
			context->setReaderPluginTypes({ReaderManagerPluginType::SIMULATOR});
			context->setNewPin(newPinBefore);
			TestWorkflowUi ui;
			ui.setPasswords(QStringLiteral("731862"), QStringLiteral("246810"));
			ui.claim(context);
			QSignalSpy newPinChanged(context.data(), &ChangePinContext::fireNewPinChanged);

			request->initialize();
			const auto controller = request->getController();
			QSignalSpy complete(controller.data(), &WorkflowController::fireComplete);
			controller->run();
			QTRY_COMPARE_WITH_TIMEOUT(complete.size(), 1, 30000);

			// The PACE phase ran in full; what follows is the PIN change's own chain.
			const auto& states = ui.getStates();
			const auto paceEnd = states.indexOf(expected.constFirst());
			QVERIFY(paceEnd > 0);
			QCOMPARE(states.mid(paceEnd), expected);
			for (const auto& state : unexpected)
			{
				QVERIFY(!states.contains(state));
			}
			QCOMPARE(context->getStatus().getStatusCode(), GlobalStatus::Code::No_Error);
			QVERIFY(!context->getFailureCode().has_value());
			QCOMPARE(context->getReaderName(), QStringLiteral("Simulator"));
			QCOMPARE(context->getSuccessMessage().isEmpty(), onlyCheckPin);
			if (!onlyCheckPin)
			{
				QCOMPARE(context->getSuccessMessage(), QStringLiteral("You have successfully changed your ID card PIN.<br>You may now remove your ID card from the device."));
			}
			// The teardown forgets every password, the new PIN too.
			QVERIFY(context->getPin().isEmpty());
			QVERIFY(context->getNewPin().isEmpty());
			QCOMPARE(newPinChanged.isEmpty(), onlyCheckPin && newPinBefore.isEmpty());
			QVERIFY(!context->getCardConnection());
		}


};

KENDRAWELL_TEST_MAIN(test_ChangePinController)
#include "test_ChangePinController.moc"
