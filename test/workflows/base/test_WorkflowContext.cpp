#include "context/WorkflowContext.h"

#include "asn1/SecurityInfos.h"
#include "LogCapture.h"
#include "MockReader.h"
#include "MockReaderManagerPlugin.h"
#include "ProgressCard.h"
#include "ReaderManager.h"
#include "TestEnvironment.h"
#include "TestWorkflowContext.h"
#include "TestWorkflowUi.h"

#include <QFile>
#include <QSignalSpy>

#include <functional>


using namespace tessarovin;

using ContextAction = std::function<void(WorkflowContext&)>;
using ContextCheck = std::function<bool(const WorkflowContext&)>;
Q_DECLARE_METATYPE(ContextAction)
Q_DECLARE_METATYPE(ContextCheck)

namespace
{

QSharedPointer<const SecurityInfos> loadCardAccess(const QString& pFixture)
{
	if (pFixture.isEmpty())
	{
		return {};
	}

	// The EF.CardAccess files of the card information tests carry the mobile eID types.
	QFile file(getProgramDirectory() + QStringLiteral("/fixtures/card/") + pFixture);
	if (!file.open(QIODevice::ReadOnly))
	{
		qFatal("Missing fixture %s", qPrintable(file.fileName()));
	}
	return SecurityInfos::decode(file.readAll());
}


// A card connection on the test's own thread over a reader whose card information the test sets.
QSharedPointer<CardConnection> connectionTo(MockReader& pReader)
{
	return QSharedPointer<CardConnection>::create(CardConnectionWorker::create(&pReader));
}


} // namespace


class test_WorkflowContext
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void defaults()
		{
			const TestWorkflowContext context(Action::CHANGE_PIN, false);

			QCOMPARE(context.getAction(), Action::CHANGE_PIN);
			QVERIFY(!context.isActivateUi());
			QVERIFY(!context.isStateApproved());
			QVERIFY(!context.wasClaimed());
			QCOMPARE(context.getStatus().getStatusCode(), GlobalStatus::Code::No_Error);
			QCOMPARE(context.getStatus().getOrigin(), GlobalStatus::Origin::Client);
			QVERIFY(!context.getFailureCode().has_value());
			QVERIFY(context.getStartPaosResult().isOk());
			QCOMPARE(context.getPasswordType(), PacePasswordId::UNKNOWN);
			QCOMPARE(context.getPaceOutputData().getPaceReturnCode(), CardReturnCode::UNDEFINED);
			QCOMPARE(context.getExpectedRetryCounter(), -1);
			QVERIFY(!context.hasExpectedReader());
			QVERIFY(context.getCardConnection().isNull());
			QVERIFY(!context.isCardPositionPanicking());
		}


		void setterSignals_data()
		{
			QTest::addColumn<ContextAction>("setter");
			QTest::addColumn<QByteArray>("signal");
			QTest::addColumn<bool>("repeatEmits");
			QTest::addColumn<ContextCheck>("check");

			QTest::newRow("reader name") << ContextAction([](WorkflowContext& c) {c.setReaderName(QStringLiteral("reader"));})
										 << QByteArray("fireReaderNameChanged()") << false
										 << ContextCheck([](const WorkflowContext& c) {return c.getReaderName() == QLatin1String("reader");});
			QTest::newRow("plug-in types") << ContextAction([](WorkflowContext& c) {c.setReaderPluginTypes({ReaderManagerPluginType::PCSC, ReaderManagerPluginType::SIMULATOR});})
										   << QByteArray("fireReaderPluginTypesChanged(bool)") << false
										   << ContextCheck([](const WorkflowContext& c) {return c.getReaderPluginTypes().size() == 2;});
			QTest::newRow("CAN") << ContextAction([](WorkflowContext& c) {c.setCan(QStringLiteral("123456"));})
								 << QByteArray("fireCanChanged()") << false
								 << ContextCheck([](const WorkflowContext& c) {return c.getCan() == QLatin1String("123456");});
			QTest::newRow("PIN") << ContextAction([](WorkflowContext& c) {c.setPin(QStringLiteral("123456"));})
								 << QByteArray("firePinChanged()") << false
								 << ContextCheck([](const WorkflowContext& c) {return c.getPin() == QLatin1String("123456");});
			QTest::newRow("PUK") << ContextAction([](WorkflowContext& c) {c.setPuk(QStringLiteral("1234567890"));})
								 << QByteArray("firePukChanged()") << false
								 << ContextCheck([](const WorkflowContext& c) {return c.getPuk() == QLatin1String("1234567890");});
			QTest::newRow("password type") << ContextAction([](WorkflowContext& c) {c.setPasswordType(PacePasswordId::PACE_PIN);})
										   << QByteArray("firePasswordTypeChanged()") << true
										   << ContextCheck([](const WorkflowContext& c) {return c.getPasswordType() == PacePasswordId::PACE_PIN;});
			QTest::newRow("PACE output") << ContextAction([](WorkflowContext& c) {c.setPaceOutputData(EstablishPaceChannelOutput(PacePasswordId::PACE_CAN, CardReturnCode::OK));})
										 << QByteArray("firePaceOutputUpdated()") << true
										 << ContextCheck([](const WorkflowContext& c) {return c.getPaceOutputData().getPasswordId() == PacePasswordId::PACE_CAN;});
			QTest::newRow("PACE output reset") << ContextAction([](WorkflowContext& c) {c.resetPaceOutputData();})
											   << QByteArray("firePaceOutputUpdated()") << true
											   << ContextCheck([](const WorkflowContext& c) {return c.getPaceOutputData().getPaceReturnCode() == CardReturnCode::UNDEFINED;});
			QTest::newRow("status") << ContextAction([](WorkflowContext& c) {c.setStatus(GlobalStatus(GlobalStatus::Code::Card_Not_Found));})
									<< QByteArray("fireResultChanged()") << true
									<< ContextCheck([](const WorkflowContext& c) {return c.getStatus().getStatusCode() == GlobalStatus::Code::Card_Not_Found;});
			QTest::newRow("current state") << ContextAction([](WorkflowContext& c) {c.setCurrentState(QStringLiteral("StateX"));})
										   << QByteArray("fireStateChanged(QString)") << true
										   << ContextCheck([](const WorkflowContext& c) {return c.getCurrentState() == QLatin1String("StateX");});
			QTest::newRow("state approved") << ContextAction([](WorkflowContext& c) {c.setStateApproved(true);})
											<< QByteArray("fireStateApprovedChanged(bool)") << false
											<< ContextCheck([](const WorkflowContext& c) {return c.isStateApproved();});
			QTest::newRow("APDU length") << ContextAction([](WorkflowContext& c) {c.setInsufficientApduLength(true);})
										 << QByteArray("fireReaderInfoChanged()") << false
										 << ContextCheck([](const WorkflowContext& c) {return c.insufficientApduLength();});
			QTest::newRow("remove card feedback") << ContextAction([](WorkflowContext& c) {c.setRemoveCardFeedback(true);})
												  << QByteArray("fireRemoveCardFeedbackChanged()") << false
												  << ContextCheck([](const WorkflowContext& c) {return c.isRemoveCardFeedback();});
			QTest::newRow("next workflow pending") << ContextAction([](WorkflowContext& c) {c.setNextWorkflowPending(true);})
												   << QByteArray("fireNextWorkflowPending()") << false
												   << ContextCheck([](const WorkflowContext& c) {return c.isNextWorkflowPending();});
			QTest::newRow("progress") << ContextAction([](WorkflowContext& c) {c.setProgress(40, QStringLiteral("reading"));})
									  << QByteArray("fireProgressChanged()") << false
									  << ContextCheck([](const WorkflowContext& c) {return c.getProgressValue() == 40 && c.getProgressMessage() == QLatin1String("reading");});
			QTest::newRow("initial input error") << ContextAction([](WorkflowContext& c) {c.setInitialInputErrorShown();})
												 << QByteArray("fireInitialInputErrorShownChanged()") << true
												 << ContextCheck([](const WorkflowContext& c) {return c.isInitialInputErrorShown();});
		}


		void setterSignals()
		{
			QFETCH(ContextAction, setter);
			QFETCH(QByteArray, signal);
			QFETCH(bool, repeatEmits);
			QFETCH(ContextCheck, check);

			TestWorkflowContext context;
			QSignalSpy spy(&context, QByteArray('2' + signal).constData());
			QVERIFY(spy.isValid());

			setter(context);
			QCOMPARE(spy.count(), 1);
			QVERIFY(check(context));

			setter(context);
			QCOMPARE(spy.count(), repeatEmits ? 2 : 1);
			QVERIFY(check(context));
		}


		void resetPacePasswords()
		{
			TestWorkflowContext context;
			context.setCan(QStringLiteral("123456"));
			context.setPin(QStringLiteral("654321"));
			context.setPuk(QStringLiteral("1234567890"));
			QSignalSpy can(&context, &WorkflowContext::fireCanChanged);
			QSignalSpy pin(&context, &WorkflowContext::firePinChanged);
			QSignalSpy puk(&context, &WorkflowContext::firePukChanged);

			context.resetPacePasswords();

			QVERIFY(context.getCan().isEmpty() && context.getPin().isEmpty() && context.getPuk().isEmpty());
			QCOMPARE(can.count() + pin.count() + puk.count(), 3);
		}


		void claimTwice()
		{
			TestWorkflowContext context;
			TestWorkflowUi first;
			QObject second;
			LogCapture capture;

			context.claim(&first);
			QVERIFY(context.wasClaimed());
			QVERIFY(!capture.contains(QStringLiteral("Workflow already claimed by")));

			context.claim(&second);
			QVERIFY(context.wasClaimed());
			QCOMPARE(capture.count(QStringLiteral("Claim workflow by")), 2);
			QVERIFY(capture.contains(QStringLiteral("Workflow already claimed by \"tessarovin::TestWorkflowUi\"")));
		}


		void killWorkflow_data()
		{
			QTest::addColumn<bool>("alreadyApproved");

			QTest::newRow("waiting state") << false;
			QTest::newRow("approved state") << true;
		}


		void killWorkflow()
		{
			QFETCH(bool, alreadyApproved);

			TestWorkflowContext context;
			context.setCurrentState(QStringLiteral("StateOne"));
			context.setStatus(GlobalStatus(GlobalStatus::Code::Card_Communication_Error));
			context.setStateApproved(alreadyApproved);
			QSignalSpy approved(&context, &WorkflowContext::fireStateApprovedChanged);
			QSignalSpy cancel(&context, &WorkflowContext::fireCancelWorkflow);
			LogCapture capture;

			context.killWorkflow(GlobalStatus::Code::Workflow_Reader_Became_Inaccessible);

			QVERIFY(capture.contains(QStringLiteral("Killing the current workflow.")));
			QCOMPARE(approved.count(), alreadyApproved ? 0 : 1);
			QCOMPARE(cancel.count(), 1);
			QVERIFY(context.isWorkflowKilled());
			QVERIFY(context.isWorkflowCancelled());
			// The one path that overwrites an earlier error.
			QCOMPARE(context.getStatus().getStatusCode(), GlobalStatus::Code::Workflow_Reader_Became_Inaccessible);

			// The state is left, the next one is approved as soon as it is entered.
			context.setStateApproved(false);
			approved.clear();
			context.setCurrentState(QStringLiteral("StateTwo"));
			QVERIFY(context.isStateApproved());
			QCOMPARE(approved.count(), 1);
			QCOMPARE(approved.at(0).at(0).toBool(), true);
		}


		void firstFailureCodeWins()
		{
			TestWorkflowContext context;
			QSignalSpy result(&context, &WorkflowContext::fireResultChanged);
			LogCapture capture;

			context.setFailureCode(FailureCode(FailureCode::Reason::Card_Removed));
			context.setFailureCode(FailureCode(FailureCode::Reason::User_Cancelled));

			QCOMPARE(context.getFailureCode()->getReason(), FailureCode::Reason::Card_Removed);
			QCOMPARE(result.count(), 1);
			QVERIFY(capture.contains(QStringLiteral("FailureCode already set to")));
			QVERIFY(capture.contains(QStringLiteral("- ignoring")));
		}


		void startPaosResult()
		{
			TestWorkflowContext context;
			const ECardApiResult error(ECardApiResult::Major::Error, ECardApiResult::Minor::AL_Unknown_Error);

			context.setStartPaosResult(error);

			QCOMPARE(context.getStartPaosResult(), error);
		}


		void cardConnectionSignals()
		{
			MockReader reader(QStringLiteral("reader"));
			TestWorkflowContext context;
			QStringList order;
			connect(&context, &WorkflowContext::fireCardConnectionChanged, this, [&order] {order << QStringLiteral("connection");});
			connect(&context, &WorkflowContext::fireEidTypeMismatchChanged, this, [&order] {order << QStringLiteral("mismatch");});

			const auto connection = connectionTo(reader);
			context.setCardConnection(connection);
			context.setCardConnection(connection);
			QCOMPARE(order, QStringList({QStringLiteral("connection"), QStringLiteral("mismatch")}));

			context.resetCardConnection();
			QVERIFY(context.getCardConnection().isNull());
			QCOMPARE(order.size(), 4);
		}


		void resetCardConnectionWaitsForReaderThread()
		{
			auto* manager = Env::getSingleton<ReaderManager>();
			QSignalSpy scanned(manager, &ReaderManager::fireInitialScanFinished);
			manager->init();
			QTRY_COMPARE(scanned.count(), 1);
			QVERIFY(MockReaderManagerPlugin::runOnPlugin([](MockReaderManagerPlugin& pPlugin) {
					pPlugin.addReader(QStringLiteral("mock"));
				}));

			auto updates = [] {
						int count = -1;
						MockReaderManagerPlugin::runOnPlugin([&count](MockReaderManagerPlugin& pPlugin) {
								count = pPlugin.getMockReader(QStringLiteral("mock"))->getUpdateCount();
							});
						return count;
					};
			const int before = updates();

			TestWorkflowContext context;
			context.setReaderName(QStringLiteral("mock"));
			context.resetCardConnection();

			// No waiting here: the call returned only after the reader thread had updated the reader.
			QCOMPARE(updates(), before + 1);
			manager->shutdown();
		}


		void progress_data()
		{
			QTest::addColumn<int>("value");
			QTest::addColumn<int>("cardValue");

			QTest::newRow("80 fills the card's display") << 80 << 100;
			QTest::newRow("3 stays 3") << 3 << 3;
			QTest::newRow("1 truncates") << 1 << 1;
			QTest::newRow("79") << 79 << 98;
		}


		void progress()
		{
			QFETCH(int, value);
			QFETCH(int, cardValue);

			MockReader reader(QStringLiteral("reader"));
			reader.insertCardAndFetch(std::make_unique<ProgressCard>());
			const auto* card = qobject_cast<const ProgressCard*>(reader.getCard());
			QVERIFY(card);
			TestWorkflowContext context;
			context.setCardConnection(connectionTo(reader));

			context.setProgress(value, QStringLiteral("Reading data"));

			QCOMPARE(card->getProgress().size(), 1);
			QCOMPARE(card->getProgress().constFirst().first, QStringLiteral("Reading data"));
			QCOMPARE(card->getProgress().constFirst().second, cardValue);

			// Unchanged: neither the card nor the front ends hear of it again.
			QSignalSpy changed(&context, &WorkflowContext::fireProgressChanged);
			context.setProgress(value, QStringLiteral("Reading data"));
			QCOMPARE(card->getProgress().size(), 1);
			QCOMPARE(changed.count(), 0);
		}


		void cardPositionPanic_data()
		{
			QTest::addColumn<int>("calls");
			QTest::addColumn<qint64>("elapsed");
			QTest::addColumn<bool>("panicking");

			QTest::newRow("nine calls") << 9 << qint64(0) << false;
			QTest::newRow("ten calls") << 10 << qint64(0) << true;
			QTest::newRow("two calls, 4000 ms") << 2 << qint64(4000) << false;
			QTest::newRow("two calls, 4001 ms") << 2 << qint64(4001) << true;
			QTest::newRow("one call, no timer yet") << 1 << qint64(60000) << false;
		}


		void cardPositionPanic()
		{
			QFETCH(int, calls);
			QFETCH(qint64, elapsed);
			QFETCH(bool, panicking);

			MockReader reader(QStringLiteral("reader"));
			TestWorkflowContext context;
			context.setCardConnection(connectionTo(reader));

			for (int i = 0; i < calls; ++i)
			{
				context.increaseCardPositionPanic();
			}
			context.advanceClock(elapsed);

			QVERIFY(context.getCardConnection().isNull());
			QCOMPARE(context.isCardPositionPanicking(), panicking);

			context.clearCardPositionPanic();
			QVERIFY(!context.isCardPositionPanicking());
			context.increaseCardPositionPanic();
			context.advanceClock(elapsed);
			QVERIFY(!context.isCardPositionPanicking());
		}


		void expectedReader()
		{
			MockReader reader(QStringLiteral("reader"));
			reader.setCardInfo(CardInfo(CardType::EID_CARD, FileRef::appEId(), {}, 2));
			TestWorkflowContext context;
			context.setCardConnection(connectionTo(reader));

			context.rememberReader();
			QVERIFY(context.hasExpectedReader());
			QVERIFY(!context.isExpectedReader());
			QCOMPARE(context.getExpectedRetryCounter(), 2);
			context.setReaderName(QStringLiteral("reader"));
			QVERIFY(context.isExpectedReader());

			context.setExpectedRetryCounter(3);
			QCOMPARE(context.getExpectedRetryCounter(), 3);
			QCOMPARE(context.getExpectedReader().getCardInfo().getCardType(), CardType::EID_CARD);

			context.setCardConnection({});
			context.rememberReader();
			QVERIFY(!context.hasExpectedReader());
			QCOMPARE(context.getExpectedRetryCounter(), -1);
		}


		void eidTypeMismatch_data()
		{
			QTest::addColumn<bool>("connected");
			QTest::addColumn<CardType>("cardType");
			QTest::addColumn<QString>("cardAccess");
			QTest::addColumn<QList<AcceptedEidType>>("accepted");
			QTest::addColumn<bool>("mismatch");

			const QList<AcceptedEidType> none;
			const QList<AcceptedEidType> all({AcceptedEidType::CARD_CERTIFIED, AcceptedEidType::SE_CERTIFIED, AcceptedEidType::SE_ENDORSED, AcceptedEidType::HW_KEYSTORE});
			const QList<AcceptedEidType> mobileOnly({AcceptedEidType::SE_CERTIFIED, AcceptedEidType::SE_ENDORSED, AcceptedEidType::HW_KEYSTORE});

			QTest::newRow("no connection") << false << CardType::EID_CARD << QString() << none << false;
			QTest::newRow("no card") << true << CardType::NONE << QString() << none << false;
			QTest::newRow("eID card, certified accepted") << true << CardType::EID_CARD << QString() << QList<AcceptedEidType>({AcceptedEidType::CARD_CERTIFIED}) << false;
			QTest::newRow("eID card, only mobile accepted") << true << CardType::EID_CARD << QString() << mobileOnly << true;
			// An eID card is judged as a card, whatever its EF.CardAccess says.
			QTest::newRow("eID card with mobile type info") << true << CardType::EID_CARD << QStringLiteral("card_access_se_certified.der") << mobileOnly << true;
			QTest::newRow("SE certified accepted") << true << CardType::UNKNOWN << QStringLiteral("card_access_se_certified.der") << QList<AcceptedEidType>({AcceptedEidType::SE_CERTIFIED}) << false;
			QTest::newRow("SE certified not accepted") << true << CardType::UNKNOWN << QStringLiteral("card_access_se_certified.der") << QList<AcceptedEidType>({AcceptedEidType::CARD_CERTIFIED, AcceptedEidType::SE_ENDORSED}) << true;
			QTest::newRow("SE endorsed accepted") << true << CardType::UNKNOWN << QStringLiteral("card_access_se_endorsed.der") << QList<AcceptedEidType>({AcceptedEidType::SE_ENDORSED}) << false;
			QTest::newRow("SE endorsed not accepted") << true << CardType::UNKNOWN << QStringLiteral("card_access_se_endorsed.der") << QList<AcceptedEidType>({AcceptedEidType::SE_CERTIFIED}) << true;
			QTest::newRow("HW keystore accepted") << true << CardType::UNKNOWN << QStringLiteral("card_access_hw_keystore.der") << QList<AcceptedEidType>({AcceptedEidType::HW_KEYSTORE}) << false;
			QTest::newRow("HW keystore not accepted") << true << CardType::UNKNOWN << QStringLiteral("card_access_hw_keystore.der") << QList<AcceptedEidType>({AcceptedEidType::SE_ENDORSED}) << true;
			QTest::newRow("unknown mobile type, all accepted") << true << CardType::UNKNOWN << QStringLiteral("card_access_pace_only.der") << all << true;
			QTest::newRow("no EF.CardAccess, all accepted") << true << CardType::UNKNOWN << QString() << all << true;
		}


		void eidTypeMismatch()
		{
			QFETCH(bool, connected);
			QFETCH(CardType, cardType);
			QFETCH(QString, cardAccess);
			QFETCH(QList<AcceptedEidType>, accepted);
			QFETCH(bool, mismatch);

			MockReader reader(QStringLiteral("reader"));
			const auto securityInfos = loadCardAccess(cardAccess);
			QVERIFY(cardAccess.isEmpty() || securityInfos);
			reader.setCardInfo(CardInfo(cardType, FileRef::appEId(), securityInfos));
			TestWorkflowContext context;
			context.setAcceptedEidTypes(accepted);
			if (connected)
			{
				context.setCardConnection(connectionTo(reader));
			}

			QCOMPARE(context.eidTypeMismatch(), mismatch);
		}


};

KENDRAWELL_TEST_MAIN(test_WorkflowContext)
#include "test_WorkflowContext.moc"
