// The PACE phase as one state of a machine: against scripted cards in a MOCK reader with pin pad,
// whose MSE:Set AT answers tell the retry counter and whose PACE outputs come from a queue, and
// against the simulated card in basic-reader mode, with PACE in software.
#include "states/CompositeStatePace.h"

#include "AbstractSettings.h"
#include "context/AuthContext.h"
#include "controller/WorkflowController.h"
#include "LogCapture.h"
#include "ReaderManagerFixture.h"
#include "SpyArgument.h"
#include "states/AbstractState.h"
#include "TestPki.h"
#include "TestWorkflowContext.h"
#include "TestWorkflowUi.h"

#include <QMetaMethod>
#include <QSettings>
#include <QTemporaryDir>


using namespace tessarovin;

namespace
{

const QString cReader = QStringLiteral("scripted reader");
const QString cSimulator = QStringLiteral("Simulator");

const QString M = QStringLiteral("StateMaintainCardConnection");
const QString S = QStringLiteral("StateSelectReader");
const QString C = QStringLiteral("StateConnectCard");
const QString U = QStringLiteral("StateUpdateRetryCounter");
const QString V = QStringLiteral("StateVerifyRetryCounter");
const QString P = QStringLiteral("StatePreparePace");
const QString E = QStringLiteral("StateEnterPacePassword");
const QString EST = QStringLiteral("StateEstablishPaceChannel");
const QString UNF = QStringLiteral("StateUnfortunateCardPosition");
const QString RRC = QStringLiteral("StateResetRetryCounter");
const QString D = QStringLiteral("StateDestroyPace");
const QString CLR = QStringLiteral("StateClearPacePasswords");
const QString CHK = QStringLiteral("StateCheckError");

const QString cCancel = QStringLiteral("cancel");


// "PIN:63c2" is PACE with the PIN and that result code, "CAN:0+CAR" a success that names a
// certification authority, "LOST" a card gone during PACE, "FAILED" a reader that failed.
EstablishPaceChannelOutput paceOutput(const QString& pSpec)
{
	if (pSpec == QLatin1String("LOST"))
	{
		return EstablishPaceChannelOutput(PacePasswordId::PACE_PIN, CardReturnCode::CARD_NOT_FOUND);
	}
	if (pSpec == QLatin1String("FAILED"))
	{
		return EstablishPaceChannelOutput(PacePasswordId::PACE_PIN, CardReturnCode::COMMAND_FAILED);
	}

	const auto parts = pSpec.split(QLatin1Char(':'));
	const auto type = parts.at(0) == QLatin1String("CAN") ? PacePasswordId::PACE_CAN
			: parts.at(0) == QLatin1String("PUK") ? PacePasswordId::PACE_PUK : PacePasswordId::PACE_PIN;
	const auto result = parts.at(1).split(QLatin1Char('+'));
	EstablishPaceChannelOutput output(type, CardReturnCode::OK);
	output.setResultCode(result.at(0) == QLatin1String("0") ? 0 : 0xF0060000 | result.at(0).toUInt(nullptr, 16));
	output.setStatusMseSetAt(QByteArray::fromHex("9000"));
	if (result.size() > 1)
	{
		output.setCarCurr(QByteArrayLiteral("DETESTeID00005"));
	}
	return output;
}


} // namespace


// The composite as the only state of a machine; each of its three signals ends the run.
class PaceController
	: public WorkflowController
{
	Q_OBJECT

	private:
		CompositeStatePace* mPace;
		QState* mEnd;
		QStringList mEndedBy;

		template<typename Signal>
		void endOn(Signal pSignal)
		{
			const QString name = QString::fromLatin1(QMetaMethod::fromSignal(pSignal).name());
			connect(mPace, pSignal, this, [this, name] {
					mEndedBy << name;
				});
			mPace->addTransition(mPace, pSignal, mEnd);
		}

	public:
		explicit PaceController(const QSharedPointer<WorkflowContext>& pContext)
			: WorkflowController(pContext)
			, mPace(new CompositeStatePace(pContext))
			, mEnd(new QState())
			, mEndedBy()
		{
			mStateMachine.addState(mPace);
			mStateMachine.addState(mEnd);
			mStateMachine.setInitialState(mPace);
			endOn(&CompositeStatePace::fireContinue);
			endOn(&CompositeStatePace::fireAbort);
			endOn(&CompositeStatePace::firePropagateAbort);
		}


		[[nodiscard]] CompositeStatePace* getPace() const
		{
			return mPace;
		}


		[[nodiscard]] bool hasEnded() const
		{
			return mEnd->active();
		}


		[[nodiscard]] const QStringList& getEndedBy() const
		{
			return mEndedBy;
		}


};


class test_CompositeStatePace
	: public QObject
{
	Q_OBJECT

	private:
		QTemporaryDir mDir;
		TestPki mPki;
		QScopedPointer<TestWorkflowUi> mUi;
		QScopedPointer<PaceController> mController;
		QList<PacePasswordId> mAskedFor;

		// The user enters the passwords in this order when asked; "cancel" cancels instead.
		void enterPasswords(const QSharedPointer<WorkflowContext>& pContext, const QStringList& pPasswords)
		{
			auto remaining = QSharedPointer<QStringList>::create(pPasswords);
			connect(pContext.data(), &WorkflowContext::fireStateChanged, this, [this, pContext, remaining](const QString& pState) {
					if (pState != E)
					{
						return;
					}
					mAskedFor << pContext->getPasswordType();
					const QString password = remaining->isEmpty() ? QString() : remaining->takeFirst();
					if (password == cCancel)
					{
						Q_EMIT pContext->fireCancelWorkflow();
						return;
					}
					switch (pContext->getPasswordType())
					{
						case PacePasswordId::PACE_CAN:
							pContext->setCan(password);
							break;

						case PacePasswordId::PACE_PUK:
							pContext->setPuk(password);
							break;

						default:
							pContext->setPin(password);
							break;
					}
				});
		}


		void start(const QSharedPointer<WorkflowContext>& pContext)
		{
			mUi.reset(new TestWorkflowUi());
			mUi->claim(pContext);
			mController.reset(new PaceController(pContext));
			mController->run();
		}


		static void setSimulator(bool pEnabled)
		{
			// The simulator's reader reads the mode when the back end starts.
			QSettings store(QSettings::UserScope, AbstractSettings::cOrganization, AbstractSettings::cApplication);
			store.setValue(QStringLiteral("simulator/basicReader"), true);
			store.sync();
			Env::getSingleton<AppSettings>()->getSimulatorSettings().setEnabled(pEnabled);
		}


		QSharedPointer<const cvcertificate_st> certificate(const QString& pName) const
		{
			return cvcertificate_st::decode(mPki.read(pName + QStringLiteral(".cvcert")));
		}

	private Q_SLOTS:
		void initTestCase()
		{
			QVERIFY(mDir.isValid());
			QVERIFY(mPki.create(mDir.path(), 443));
		}


		void init()
		{
			setSimulator(QString::fromLatin1(QTest::currentTestFunction()).startsWith(QLatin1String("simulator")));
			Env::getSingleton<VolatileSettings>()->setUsedAsSdk(false);
			ReaderManagerFixture::start();
			mAskedFor.clear();
		}


		void cleanup()
		{
			mController.reset();
			mUi.reset();
			ReaderManagerFixture::stop();
			setSimulator(false);
		}


		void children()
		{
			const auto context = QSharedPointer<TestWorkflowContext>::create();
			const CompositeStatePace pace(context);

			QStringList names;
			const auto states = pace.findChildren<AbstractState*>(QString(), Qt::FindDirectChildrenOnly);
			for (const auto* state : states)
			{
				names << state->getStateName();
			}
			QCOMPARE(names, QStringList({M, S, C, U, V, P, E, EST, UNF, RRC, D, CLR, CHK}));
			QCOMPARE(pace.initialState(), states.constFirst());
		}


		void typicalRuns_data()
		{
			// The answers of MSE:Set AT to the updates of the retry counter; the insertion reads the first.
			QTest::addColumn<QByteArrayList>("retryCounter");
			QTest::addColumn<QStringList>("paceOutputs");
			QTest::addColumn<QByteArray>("resetRetryCounter");
			QTest::addColumn<QStringList>("passwords");
			QTest::addColumn<QStringList>("states");
			QTest::addColumn<QList<PacePasswordId>>("askedFor");
			QTest::addColumn<QString>("endedBy");
			QTest::addColumn<GlobalStatus::Code>("status");

			const auto pin = PacePasswordId::PACE_PIN;
			const auto can = PacePasswordId::PACE_CAN;
			const auto puk = PacePasswordId::PACE_PUK;
			const QString ok = QStringLiteral("fireContinue");
			const QString propagate = QStringLiteral("firePropagateAbort");
			const auto noError = GlobalStatus::Code::No_Error;

			const QStringList first({M, S, C, U, V, P, E, EST});
			// A wrong password: the counter is read twice, the first time differs from the remembered one.
			const QStringList wrong({CLR, CHK, M, U, V, CLR, CHK, M, U, V, P, E, EST});
			const QStringList afterCan({M, V, P, E, EST});
			const QStringList afterLoss({M, S, C, U, V, P, EST});
			const QStringList afterThirdPin({D, CLR, CHK, M, U, V, CLR, CHK, M, U, V, P, E, EST});
			const QStringList afterPuk({RRC, D, CLR, CHK, M, U, V, CLR, CHK, M, U, V, P, E, EST});

			QTest::newRow("first entry") << QByteArrayList({"9000"}) << QStringList({"PIN:0"}) << QByteArray("9000")
										 << QStringList({"111111"}) << first << QList<PacePasswordId>({pin}) << ok << noError;

			QTest::newRow("wrong PIN twice, then CAN and PIN") << QByteArrayList({"9000", "63c2", "63c2", "63c1"})
															   << QStringList({"PIN:63c2", "PIN:63c1", "CAN:0", "PIN:0"}) << QByteArray("9000")
															   << QStringList({"111111", "222222", "333333", "444444"})
															   << first + wrong + wrong + afterCan << QList<PacePasswordId>({pin, pin, can, pin}) << ok << noError;

			QTest::newRow("third PIN, PUK, reset retry counter, destroy PACE") << QByteArrayList({"63c1", "63c0", "63c0", "9000"})
																			   << QStringList({"CAN:0", "PIN:63c0", "PUK:0", "PIN:0"}) << QByteArray("9000")
																			   << QStringList({"333333", "111111", "1234567890", "444444"})
																			   << first + afterCan + afterThirdPin + afterPuk << QList<PacePasswordId>({can, pin, puk, pin}) << ok << noError;

			QTest::newRow("blocked PUK") << QByteArrayList({"63c0"}) << QStringList({"PUK:0"}) << QByteArray("6984")
										 << QStringList({"1234567890"}) << first + QStringList({RRC, D, CLR, CHK}) << QList<PacePasswordId>({puk})
										 << propagate << GlobalStatus::Code::Card_Puk_Blocked;

			QTest::newRow("CAN, then PIN") << QByteArrayList({"63c1"}) << QStringList({"CAN:0", "PIN:0"}) << QByteArray("9000")
										   << QStringList({"333333", "444444"}) << first + afterCan << QList<PacePasswordId>({can, pin}) << ok << noError;

			QTest::newRow("CAN with a certification authority") << QByteArrayList({"63c1"}) << QStringList({"CAN:0+CAR"}) << QByteArray("9000")
																<< QStringList({"333333"}) << first << QList<PacePasswordId>({can}) << ok << noError;

			QTest::newRow("card lost and reselected") << QByteArrayList({"9000"}) << QStringList({"LOST", "PIN:0"}) << QByteArray("9000")
													  << QStringList({"111111"}) << first + afterLoss << QList<PacePasswordId>({pin}) << ok << noError;

			QStringList losses({"LOST"});
			QStringList repeatedLosses = first;
			for (int i = 2; i <= 10; ++i)
			{
				losses << QStringLiteral("LOST");
				repeatedLosses += afterLoss;
			}
			losses << QStringLiteral("PIN:0");
			repeatedLosses += UNF;
			repeatedLosses += afterLoss;
			QTest::newRow("ten losses, then the card position") << QByteArrayList({"9000"}) << losses << QByteArray("9000")
																<< QStringList({"111111"}) << repeatedLosses << QList<PacePasswordId>({pin}) << ok << noError;

			QTest::newRow("unrecoverable reader failure") << QByteArrayList({"9000"}) << QStringList({"FAILED"}) << QByteArray("9000")
														  << QStringList({"111111"}) << first + QStringList({M, CLR, CHK}) << QList<PacePasswordId>({pin})
														  << propagate << cardReturnCodeToGlobalStatus(CardReturnCode::COMMAND_FAILED).getStatusCode();

			QTest::newRow("cancelled at the password") << QByteArrayList({"9000"}) << QStringList({"PIN:0"}) << QByteArray("9000")
													   << QStringList({cCancel}) << QStringList({M, S, C, U, V, P, E, CLR, CHK}) << QList<PacePasswordId>({pin})
													   << propagate << GlobalStatus::Code::Workflow_Cancellation_By_User;
		}


		void typicalRuns()
		{
			QFETCH(QByteArrayList, retryCounter);
			QFETCH(QStringList, paceOutputs);
			QFETCH(QByteArray, resetRetryCounter);
			QFETCH(QStringList, passwords);
			QFETCH(QStringList, states);
			QFETCH(QList<PacePasswordId>, askedFor);
			QFETCH(QString, endedBy);
			QFETCH(GlobalStatus::Code, status);

			retryCounter.prepend(retryCounter.constFirst());
			QVERIFY(ReaderManagerFixture::insertEidCard(cReader, retryCounter, [paceOutputs, resetRetryCounter](ScriptedCard& pCard) {
					QList<EstablishPaceChannelOutput> outputs;
					for (const auto& spec : paceOutputs)
					{
						outputs << paceOutput(spec);
					}
					pCard.setPaceOutputs(outputs);
					pCard.add("002c0303", resetRetryCounter);
				}));
			QVERIFY(MockReaderManagerPlugin::runOnPlugin([](MockReaderManagerPlugin& pPlugin) {
					pPlugin.getMockReader(cReader)->setBasicReader(false);
				}));

			const auto context = QSharedPointer<TestWorkflowContext>::create();
			context->setReaderPluginTypes({ReaderManagerPluginType::MOCK});
			enterPasswords(context, passwords);
			start(context);

			QTRY_VERIFY(mController->hasEnded());
			QCOMPARE(mUi->getStates(), states);
			QCOMPARE(mController->getEndedBy(), QStringList({endedBy}));
			QCOMPARE(mAskedFor, askedFor);
			QCOMPARE(context->getStatus().getStatusCode(), status);
			if (status == GlobalStatus::Code::No_Error)
			{
				QVERIFY(context->getCardConnection());
				QVERIFY(context->getPaceOutputData().isSuccess());
			}

			if (QTest::currentDataTag() == QLatin1String("blocked PUK"))
			{
				QCOMPARE(context->getFailureCode()->getReason(), FailureCode::Reason::Reset_Retry_Counter_Puk_Inoperative);
			}
			if (QTest::currentDataTag() == QLatin1String("third PIN, PUK, reset retry counter, destroy PACE"))
			{
				// The PIN after the PUK runs on a fresh channel.
				QVERIFY(onScriptedCard(cReader, [](ScriptedCard* pCard) {
						QCOMPARE(pCard->getDestroyPaceChannelCount(), 2);
						QCOMPARE(pCard->getCommands().count(QByteArray("002c0303")), 1);
					}));
				QCOMPARE(context->getExpectedRetryCounter(), 3);
			}
		}


		void errorStatusEndsThePhase()
		{
			QVERIFY(ReaderManagerFixture::insertEidCard(cReader, {"9000", "9000"}, [](ScriptedCard& pCard) {
					pCard.setPaceOutput(paceOutput(QStringLiteral("LOST")));
				}));
			QVERIFY(MockReaderManagerPlugin::runOnPlugin([](MockReaderManagerPlugin& pPlugin) {
					pPlugin.getMockReader(cReader)->setBasicReader(false);
				}));

			const auto context = QSharedPointer<TestWorkflowContext>::create();
			context->setReaderPluginTypes({ReaderManagerPluginType::MOCK});
			context->setPin(QStringLiteral("111111"));
			// Another part of the workflow failed while PACE ran.
			connect(context.data(), &WorkflowContext::firePaceOutputUpdated, this, [context] {
					if (context->getPaceOutputData().getPaceReturnCode() == CardReturnCode::CARD_NOT_FOUND && context->getStatus().isNoError())
					{
						context->setStatus(GlobalStatus(GlobalStatus::Code::Network_Ssl_Establishment_Error));
						context->setFailureCode(FailureCode::Reason::Establish_Pace_Channel_Unknown_Password_Id);
					}
				});
			start(context);

			QTRY_VERIFY(mController->hasEnded());
			QCOMPARE(mUi->getStates(), QStringList({M, S, C, U, V, P, EST, M, CLR, CHK}));
			QCOMPARE(mController->getEndedBy(), QStringList({QStringLiteral("firePropagateAbort")}));
			QCOMPARE(context->getStatus().getStatusCode(), GlobalStatus::Code::Network_Ssl_Establishment_Error);
			QCOMPARE(context->getFailureCode()->getReason(), FailureCode::Reason::Establish_Pace_Channel_Unknown_Password_Id);
		}


		void readerKindsChangedRestartsTheSelection()
		{
			const auto context = QSharedPointer<TestWorkflowContext>::create();
			context->setReaderPluginTypes({ReaderManagerPluginType::MOCK});
			start(context);
			QTRY_COMPARE(mUi->getStates(), QStringList({M, S}));

			const LogCapture log;
			context->setReaderPluginTypes({ReaderManagerPluginType::SIMULATOR});
			// Left and entered again.
			QTRY_COMPARE(mUi->getStates(), QStringList({M, S, S}));
			QVERIFY(log.contains(QStringLiteral("Leaving state StateSelectReader")));
			QVERIFY(!mController->hasEnded());
		}


		void simulatorWithPin()
		{
			const auto context = QSharedPointer<TestWorkflowContext>::create();
			context->setReaderPluginTypes({ReaderManagerPluginType::SIMULATOR});
			enterPasswords(context, {QStringLiteral("731862")});
			start(context);

			QTRY_VERIFY_WITH_TIMEOUT(mController->hasEnded(), 30000);
			QCOMPARE(mUi->getStates(), QStringList({M, S, C, U, V, P, E, EST}));
			QCOMPARE(mController->getEndedBy(), QStringList({QStringLiteral("fireContinue")}));
			QCOMPARE(context->getReaderName(), cSimulator);
			QVERIFY(context->getCardConnection()->getReaderInfo().isBasicReader());
			QCOMPARE(context->getPaceOutputData().getPaceResult(), PaceResult::OK_PIN);
			QVERIFY(context->getCardConnection()->getPacePinSuccessful());
		}


		void simulatorWithCan_data()
		{
			QTest::addColumn<bool>("withChat");

			QTest::newRow("authentication in CAN-allowed mode") << true;
			QTest::newRow("without a CHAT") << false;
		}


		void simulatorWithCan()
		{
			QFETCH(bool, withChat);

			QSharedPointer<WorkflowContext> context;
			if (withChat)
			{
				const auto terminal = certificate(QStringLiteral("terminal"));
				QVERIFY(terminal);
				auto required = terminal->getBody().getCHAT().copy();
				required->removeAllAccessRights();
				required->setAccessRights({AccessRight::READ_DG04, AccessRight::CAN_ALLOWED});
				Eac1InputType input;
				input.setRequiredChat(required);
				auto eac1 = QSharedPointer<DIDAuthenticateEAC1>::create();
				eac1->setEac1InputType(input);

				const auto authContext = QSharedPointer<AuthContext>::create();
				authContext->setDidAuthenticateEac1(eac1);
				// A domestic DV offers the CAN in place of the PIN.
				authContext->setDvCvc(certificate(QStringLiteral("dv_domestic")));
				authContext->initAccessRightManager(terminal);
				QVERIFY(authContext->isCanAllowedMode());
				QVERIFY(!authContext->encodeEffectiveChat().isEmpty());
				context = authContext;
			}
			else
			{
				const auto testContext = QSharedPointer<TestWorkflowContext>::create();
				testContext->setCanAllowedMode(true);
				context = testContext;
			}
			context->setReaderPluginTypes({ReaderManagerPluginType::SIMULATOR});
			enterPasswords(context, {QStringLiteral("284067")});

			// Without a CHAT the phase would go on forever: it stops at the second password choice.
			int prepared = 0;
			connect(context.data(), &WorkflowContext::fireStateChanged, this, [this, &prepared](const QString& pState) {
					if (pState == P && ++prepared == 2)
					{
						mUi->setAutoApprove(false);
					}
				});
			start(context);

			if (withChat)
			{
				QTRY_VERIFY_WITH_TIMEOUT(mController->hasEnded(), 30000);
				QCOMPARE(mUi->getStates(), QStringList({M, S, C, U, V, P, E, EST}));
				QCOMPARE(mController->getEndedBy(), QStringList({QStringLiteral("fireContinue")}));
				QCOMPARE(context->getPaceOutputData().getPaceResult(), PaceResult::OK_CAN_AUTH);
				QVERIFY(!context->getPaceOutputData().getCarCurr().isEmpty());
			}
			else
			{
				QTRY_COMPARE_WITH_TIMEOUT(mUi->getStates(), QStringList({M, S, C, U, V, P, E, EST, M, V, P}), 30000);
				QVERIFY(!mController->hasEnded());
				QCOMPARE(context->getPaceOutputData().getPaceResult(), PaceResult::OK_CAN);
				QVERIFY(context->getCardConnection()->getPaceCanSuccessful());
			}
			QCOMPARE(mAskedFor, QList<PacePasswordId>({PacePasswordId::PACE_CAN}));
			QCOMPARE(context->getPasswordType(), PacePasswordId::PACE_CAN);
		}


};

KENDRAWELL_TEST_MAIN(test_CompositeStatePace)
#include "test_CompositeStatePace.moc"
