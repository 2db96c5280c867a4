// The transitions of the trusted channel with its real children in place, each child's outcome
// played by a script (StateScript) instead of its run.
#include "states/CompositeStateTrustedChannel.h"

#include "context/AuthContext.h"
#include "controller/WorkflowController.h"
#include "states/AbstractState.h"
#include "StateScript.h"
#include "TestEnvironment.h"

#include <QtTest>

using namespace tessarovin;

namespace
{

const QMap<QString, QString> cNames = {
	{QStringLiteral("G"), QStringLiteral("StateGetTcToken")},
	{QStringLiteral("SP"), QStringLiteral("StateStartPaos")},
	{QStringLiteral("SSP"), QStringLiteral("StateSendStartPaos")},
	{QStringLiteral("IF"), QStringLiteral("StateInitializeFramework")},
	{QStringLiteral("SIF"), QStringLiteral("StateSendInitializeFrameworkResponse")},
	// Entered first when the certificate processing begins.
	{QStringLiteral("X"), QStringLiteral("StateExtractCvcsFromEac1InputType")},
	// Entered first when the PACE phase begins.
	{QStringLiteral("M"), QStringLiteral("StateMaintainCardConnection")},
	{QStringLiteral("E1"), QStringLiteral("StateDidAuthenticateEac1")},
	{QStringLiteral("SE1"), QStringLiteral("StateSendDIDAuthenticateResponseEAC1")},
	{QStringLiteral("A"), QStringLiteral("StateEACAdditionalInputType")},
	{QStringLiteral("SA"), QStringLiteral("StateSendDIDAuthenticateResponseEACAdditionalInputType")},
	{QStringLiteral("P2"), QStringLiteral("StateProcessCertificatesFromEac2")},
	{QStringLiteral("E2"), QStringLiteral("StateDidAuthenticateEac2")},
	{QStringLiteral("SE2"), QStringLiteral("StateSendDIDAuthenticateResponseEAC2")},
	{QStringLiteral("T"), QStringLiteral("StateTransmit")},
	{QStringLiteral("ST"), QStringLiteral("StateSendTransmitResponse")},
	{QStringLiteral("D"), QStringLiteral("StateDestroyPace")},
	{QStringLiteral("C"), QStringLiteral("StateClearPacePasswords")},
	{QStringLiteral("U"), QStringLiteral("StateUpdateRetryCounter")},
	{QStringLiteral("R"), QStringLiteral("StateCleanUpReaderManager")},
	{QStringLiteral("SR"), QStringLiteral("StateStartPaosResponse")}
};

const QMap<QString, QString> cComposites = {
	{QStringLiteral("X"), QStringLiteral("CompositeStateProcessCvcsAndSetRights")},
	{QStringLiteral("M"), QStringLiteral("CompositeStatePace")}
};


// The composite alone in a machine, with a resting state behind each of its two ends.
class ChannelController
	: public WorkflowController
{
	Q_OBJECT

	public:
		CompositeStateTrustedChannel* mChannel;
		QStringList mEndedBy;
		std::optional<FailureCode> mFailure;

		explicit ChannelController(const QSharedPointer<WorkflowContext>& pContext)
			: WorkflowController(pContext)
			, mChannel(new CompositeStateTrustedChannel(pContext))
		{
			auto* left = new QState();
			mStateMachine.addState(mChannel);
			mStateMachine.addState(left);
			mStateMachine.setInitialState(mChannel);
			mChannel->addTransition(mChannel, &CompositeStateTrustedChannel::fireContinue, left);
			mChannel->addTransition(mChannel, &CompositeStateTrustedChannel::fireAbort, left);
			connect(mChannel, &CompositeStateTrustedChannel::fireContinue, this, [this] {
					mEndedBy << QStringLiteral("fireContinue");
				});
			connect(mChannel, &CompositeStateTrustedChannel::fireAbort, this, [this](const FailureCode& pFailure) {
					mEndedBy << QStringLiteral("fireAbort");
					mFailure = pFailure;
				});
		}


};


} // namespace


class test_CompositeStateTrustedChannel
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void children()
		{
			const auto context = QSharedPointer<AuthContext>::create();
			const CompositeStateTrustedChannel channel(context);

			QStringList names;
			const auto children = channel.findChildren<QState*>(QString(), Qt::FindDirectChildrenOnly);
			for (const auto* child : children)
			{
				names << QString::fromLatin1(child->metaObject()->className()).remove(QStringLiteral("tessarovin::"));
			}
			QCOMPARE(names, QStringList({QStringLiteral("StateGetTcToken"), QStringLiteral("StateStartPaos"), QStringLiteral("StateSendStartPaos"),
										 QStringLiteral("StateInitializeFramework"), QStringLiteral("StateSendInitializeFrameworkResponse"),
										 QStringLiteral("CompositeStateProcessCvcsAndSetRights"), QStringLiteral("CompositeStatePace"),
										 QStringLiteral("StateDidAuthenticateEac1"), QStringLiteral("StateSendDIDAuthenticateResponseEAC1"),
										 QStringLiteral("StateEACAdditionalInputType"), QStringLiteral("StateSendDIDAuthenticateResponseEACAdditionalInputType"),
										 QStringLiteral("StateProcessCertificatesFromEac2"), QStringLiteral("StateDidAuthenticateEac2"),
										 QStringLiteral("StateSendDIDAuthenticateResponseEAC2"), QStringLiteral("StateTransmit"),
										 QStringLiteral("StateSendTransmitResponse"), QStringLiteral("StateDestroyPace"),
										 QStringLiteral("StateClearPacePasswords"), QStringLiteral("StateUpdateRetryCounter"),
										 QStringLiteral("StateCleanUpReaderManager"), QStringLiteral("StateStartPaosResponse")}));
			QCOMPARE(channel.initialState()->objectName(), QStringLiteral("StateGetTcToken"));
		}


		void transitions_data()
		{
			// Steps "<state>:<signal>" in the order the states are entered; "!" is fireAbort, and
			// the two composite children are played by the state they enter first.
			QTest::addColumn<QStringList>("steps");
			QTest::addColumn<QString>("endedBy");

			const QStringList toEac1({"G:c", "SP:c", "SSP:c", "IF:c", "SIF:c", "X:c", "M:c", "E1:c"});
			const QStringList cleanUp({"D:c", "C:c", "U:c", "R:c"});

			QTest::newRow("TLS failure at StartPAOS") << QStringList({"G:c", "SP:c", "SSP:!"}) << "fireAbort";
			QTest::newRow("no TC token") << QStringList({"G:!"}) << "fireAbort";
			QTest::newRow("whole dialogue") << toEac1 + QStringList({"SE1:c", "A:c", "P2:c", "E2:c", "SE2:c", "T:c", "ST:fireReceivedStartPaosResponse"}) + cleanUp + QStringList({"SR:c"})
											<< "fireContinue";
			QTest::newRow("EAC1 right after StartPAOS") << QStringList({"G:c", "SP:c", "SSP:fireReceivedExtractCvcsFromEac1InputType", "X:c", "M:c", "E1:c", "SE1:c", "A:c", "P2:c", "E2:c", "SE2:c", "T:c", "ST:fireReceivedStartPaosResponse"}) + cleanUp + QStringList({"SR:c"})
														<< "fireContinue";
			QTest::newRow("StartPAOSResponse to StartPAOS") << QStringList({"G:c", "SP:c", "SSP:fireReceivedStartPaosResponse", "SR:!"}) << "fireAbort";
			QTest::newRow("StartPAOSResponse before EAC1") << QStringList({"G:c", "SP:c", "SSP:c", "IF:c", "SIF:fireReceivedStartPaosResponse", "SR:!"}) << "fireAbort";
			QTest::newRow("InitializeFramework failure goes to its response") << QStringList({"G:c", "SP:c", "SSP:c", "IF:!", "SIF:fireReceivedStartPaosResponse", "SR:!"}) << "fireAbort";
			QTest::newRow("InitializeFramework response fails") << QStringList({"G:c", "SP:c", "SSP:c", "IF:c", "SIF:!"}) << "fireAbort";
			QTest::newRow("StartPAOSResponse after EAC1") << toEac1 + QStringList({"SE1:fireReceivedStartPaosResponse"}) + cleanUp + QStringList({"SR:!"}) << "fireAbort";
			QTest::newRow("certificate failure goes to the EAC1 response") << QStringList({"G:c", "SP:c", "SSP:c", "IF:c", "SIF:c", "X:!", "SE1:fireReceivedStartPaosResponse"}) + cleanUp + QStringList({"SR:!"})
																		   << "fireAbort";
			QTest::newRow("wrong PIN") << QStringList({"G:c", "SP:c", "SSP:c", "IF:c", "SIF:c", "X:c", "M:firePropagateAbort", "SE1:fireReceivedStartPaosResponse"}) + cleanUp + QStringList({"SR:!"})
									   << "fireAbort";
			QTest::newRow("PACE aborts") << QStringList({"G:c", "SP:c", "SSP:c", "IF:c", "SIF:c", "X:c", "M:!", "SE1:!"}) + cleanUp + QStringList({"SR:!"}) << "fireAbort";
			QTest::newRow("EAC1 failure goes to its response") << QStringList({"G:c", "SP:c", "SSP:c", "IF:c", "SIF:c", "X:c", "M:c", "E1:!", "SE1:!"}) + cleanUp + QStringList({"SR:!"})
															   << "fireAbort";
			QTest::newRow("additional input asked for") << toEac1 + QStringList({"SE1:c", "A:fireSendDidAuthenticateResponse", "SA:c", "P2:c", "E2:c", "SE2:fireReceivedStartPaosResponse"}) + cleanUp + QStringList({"SR:c"})
														<< "fireContinue";
			QTest::newRow("additional input fails") << toEac1 + QStringList({"SE1:c", "A:!", "SA:!"}) + cleanUp + QStringList({"SR:!"}) << "fireAbort";
			QTest::newRow("EAC2 failures go to the EAC2 response") << toEac1 + QStringList({"SE1:c", "A:c", "P2:!", "SE2:!"}) + cleanUp + QStringList({"SR:!"}) << "fireAbort";
			QTest::newRow("EAC2 fails") << toEac1 + QStringList({"SE1:c", "A:c", "P2:c", "E2:!", "SE2:fireReceivedStartPaosResponse"}) + cleanUp + QStringList({"SR:!"}) << "fireAbort";
			QTest::newRow("Transmit loop") << toEac1 + QStringList({"SE1:c", "A:c", "P2:c", "E2:c", "SE2:c", "T:c", "ST:c", "T:!", "ST:c", "T:c", "ST:fireReceivedStartPaosResponse"}) + cleanUp + QStringList({"SR:c"})
										   << "fireContinue";
			QTest::newRow("Transmit response fails") << toEac1 + QStringList({"SE1:c", "A:c", "P2:c", "E2:c", "SE2:c", "T:c", "ST:!"}) + cleanUp + QStringList({"SR:!"}) << "fireAbort";
			QTest::newRow("clean-up follows every edge") << toEac1 + QStringList({"SE1:!", "D:!", "C:!", "U:fireNoCardConnection", "R:!", "SR:c"}) << "fireContinue";
		}


		void transitions()
		{
			QFETCH(QStringList, steps);
			QFETCH(QString, endedBy);

			const auto context = QSharedPointer<AuthContext>::create();
			ChannelController controller(context);
			StateScript script(controller.mChannel, context);

			QStringList expected;
			QString lastAbort;
			for (const auto& step : std::as_const(steps))
			{
				const auto parts = step.split(QLatin1Char(':'));
				const QString state = cNames.value(parts.at(0));
				QVERIFY2(!state.isEmpty(), qPrintable(step));
				expected << state;
				const QString emitter = parts.at(1) == QLatin1String("c") || parts.at(1) == QLatin1String("!") || parts.at(1) == QLatin1String("firePropagateAbort")
						? cComposites.value(parts.at(0)) : QString();
				if (parts.at(1) == QLatin1String("!"))
				{
					lastAbort = state;
					script.abortOn(state, emitter, FailureCode(FailureCode::Reason::User_Cancelled, {FailureCode::Info::State_Name, state}));
				}
				else
				{
					const QByteArray signal = parts.at(1) == QLatin1String("c") ? QByteArrayLiteral("fireContinue") : parts.at(1).toLatin1();
					script.emitOn(state, signal.constData(), emitter);
				}
			}

			controller.run();
			QTRY_COMPARE(controller.mEndedBy, QStringList({endedBy}));
			QCOMPARE(script.getEntered(), expected);
			if (endedBy == QLatin1String("fireAbort"))
			{
				// The failure of the last state that aborted leaves the composite.
				QVERIFY(controller.mFailure);
				QCOMPARE(controller.mFailure->getInfoMap().value(FailureCode::Info::State_Name), lastAbort);
			}
		}


};

KENDRAWELL_TEST_MAIN(test_CompositeStateTrustedChannel)
#include "test_CompositeStateTrustedChannel.moc"
