#include "states/StateConnectCard.h"

#include "LogCapture.h"
#include "ReaderManagerFixture.h"
#include "ReaderThreadHold.h"
#include "SingleStateController.h"
#include "SpyArgument.h"
#include "Survey.h"
#include "TestWorkflowContext.h"
#include "TestWorkflowUi.h"

#include <QJsonArray>
#include <QJsonObject>


using namespace tessarovin;

namespace
{

const QString cReader = QStringLiteral("scripted reader");
const QString cOtherReader = QStringLiteral("other reader");
const QString cSimulator = QStringLiteral("Simulator");
const QString cConnecting = QStringLiteral("Card has been inserted, trying to connect");


// A simulated card whose DG1 the description gives; the rest is the simulator's default card.
QJsonObject cardWithDg1()
{
	const QJsonObject file {
		{QStringLiteral("fileId"), QStringLiteral("0101")},
		{QStringLiteral("shortFileId"), QStringLiteral("01")},
		{QStringLiteral("content"), QStringLiteral("610413024944")}
	};
	return QJsonObject {{QStringLiteral("files"), QJsonArray {file}}};
}


QStringList errorMessages(const QString& pReaderName)
{
	QStringList messages;
	onScriptedCard(pReaderName, [&messages](ScriptedCard* pCard) {
			if (pCard)
			{
				messages = pCard->getErrorMessages();
			}
		});
	return messages;
}


} // namespace


class test_StateConnectCard
	: public QObject
{
	Q_OBJECT

	private:
		ReaderManager* mManager = nullptr;
		QSharedPointer<TestWorkflowContext> mContext;
		QScopedPointer<SingleStateController> mController;
		QScopedPointer<TestWorkflowUi> mUi;
		StateConnectCard* mState = nullptr;
		QScopedPointer<QSignalSpy> mContinue;
		QScopedPointer<QSignalSpy> mAbort;
		QScopedPointer<QSignalSpy> mRetry;
		QScopedPointer<LogCapture> mLog;

		// Returns once the state has run, that is, taken its first look at the reader.
		void run(const QString& pReaderName)
		{
			mContext->setReaderName(pReaderName);
			mController->run();
			QTRY_VERIFY(mLog->contains(QStringLiteral("Running state StateConnectCard")));
		}


		void enableSimulator(bool pSdk)
		{
			Env::getSingleton<AppSettings>()->getSimulatorSettings().setEnabled(!pSdk);
			Env::getSingleton<VolatileSettings>()->setUsedAsSdk(pSdk);
			QSignalSpy added(mManager, &ReaderManager::fireReaderAdded);
			mManager->startScan(ReaderManagerPluginType::SIMULATOR);
			QTRY_VERIFY(mManager->getReaderInfo(cSimulator).isValid());
			if (!pSdk)
			{
				QTRY_VERIFY(mManager->getReaderInfo(cSimulator).hasEid());
			}
		}


		[[nodiscard]] bool waiting() const
		{
			return mContinue->isEmpty() && mAbort->isEmpty() && mRetry->isEmpty() && !mController->hasLeft();
		}

	private Q_SLOTS:
		void init()
		{
			mLog.reset(new LogCapture());
			mManager = ReaderManagerFixture::start();
			Env::getSingleton<VolatileSettings>()->setUsedAsSdk(false);
			Env::getSingleton<AppSettings>()->getSimulatorSettings().setEnabled(false);

			mContext = QSharedPointer<TestWorkflowContext>::create();
			mController.reset(new SingleStateController(mContext));
			mState = mController->setState<StateConnectCard>();
			mController->leaveOn(mState, &StateConnectCard::fireRetry);
			mUi.reset(new TestWorkflowUi());
			mUi->claim(mContext);
			mContinue.reset(new QSignalSpy(mState, &AbstractState::fireContinue));
			mAbort.reset(new QSignalSpy(mState, &AbstractState::fireAbort));
			mRetry.reset(new QSignalSpy(mState, &StateConnectCard::fireRetry));
		}


		void cleanup()
		{
			mContinue.reset();
			mAbort.reset();
			mRetry.reset();
			mController.reset();
			mUi.reset();
			mContext.reset();
			ReaderManagerFixture::stop();
			Env::getSingleton<VolatileSettings>()->setUsedAsSdk(false);
			mLog.reset();
		}


		void cardAlreadyPresent()
		{
			enableSimulator(false);
			QSignalSpy inserted(mManager, &ReaderManager::fireCardInserted);

			run(cSimulator);

			QTRY_COMPARE(mContinue->count(), 1);
			QVERIFY(inserted.isEmpty());
			QVERIFY(mLog->contains(cConnecting));
			QVERIFY(mContext->getCardConnection());
			QCOMPARE(mContext->getCardConnection()->getReaderInfo().getName(), cSimulator);
			QVERIFY(mContext->isCardInitiallyAppeared());
			QVERIFY(mAbort->isEmpty());
			QVERIFY(mController->hasLeft());
		}


		void cardInsertedLaterFromJson()
		{
			enableSimulator(true);
			run(cSimulator);
			QVERIFY(waiting());
			QVERIFY(!mLog->contains(cConnecting));

			// An eID card in another reader is not the one the workflow waits for.
			QVERIFY(ReaderManagerFixture::insertEidCard(cOtherReader, {"9000"}));
			QCoreApplication::processEvents();
			QVERIFY(waiting());
			QVERIFY(!mLog->contains(cConnecting));

			mManager->insert(mManager->getReaderInfo(cSimulator), cardWithDg1());
			QTRY_COMPARE(mContinue->count(), 1);
			QVERIFY(mContext->getCardConnection());
			QVERIFY(mContext->getCardConnection()->getReaderInfo().hasEid());
		}


		void cardWithoutEid()
		{
			run(cReader);
			QSignalSpy inserted(mManager, &ReaderManager::fireCardInserted);
			// The card answers nothing the eID application would.
			QVERIFY(insertScriptedCard(cReader, [](ScriptedCard&) {}));
			QTRY_COMPARE(inserted.count(), 1);
			QCoreApplication::processEvents();

			QVERIFY(waiting());
			QVERIFY(!mLog->contains(cConnecting));
			QVERIFY(!mContext->getCardConnection());
		}


		void pinDeactivated_data()
		{
			QTest::addColumn<bool>("canAllowed");
			QTest::addColumn<bool>("sdk");

			QTest::newRow("CAN allowed") << true << false;
			QTest::newRow("interactive") << false << false;
			QTest::newRow("SDK") << false << true;
		}


		void pinDeactivated()
		{
			QFETCH(bool, canAllowed);
			QFETCH(bool, sdk);

			mContext->setCanAllowedMode(canAllowed);
			Env::getSingleton<VolatileSettings>()->setUsedAsSdk(sdk);
			// 62 83: the eID function is not active.
			QVERIFY(ReaderManagerFixture::insertEidCard(cReader, {"6283"}));
			QVERIFY(mManager->getReaderInfo(cReader).isPinDeactivated());
			const QString statusText = GlobalStatus(GlobalStatus::Code::Card_Pin_Deactivated).toErrorDescription();

			run(cReader);

			if (canAllowed)
			{
				QTRY_COMPARE(mContinue->count(), 1);
				QCOMPARE(mContext->getStatus().getStatusCode(), GlobalStatus::Code::No_Error);
			}
			else if (sdk)
			{
				QTRY_COMPARE(errorMessages(cReader), QStringList({statusText}));
				QVERIFY(waiting());
				QCOMPARE(mContext->getStatus().getStatusCode(), GlobalStatus::Code::No_Error);
			}
			else
			{
				QTRY_COMPARE(mAbort->count(), 1);
				QCOMPARE(spyArgument<FailureCode>(mAbort->constFirst().constFirst()).getReason(), FailureCode::Reason::Connect_Card_Eid_Inactive);
				QCOMPARE(mContext->getStatus().getStatusCode(), GlobalStatus::Code::Card_Pin_Deactivated);
				QVERIFY(errorMessages(cReader).isEmpty());
			}
			QVERIFY(mContext->getCardConnection());
		}


		void eidTypeMismatchStaysUntilRemoval()
		{
			mContext->setAcceptedEidTypes({AcceptedEidType::SE_CERTIFIED});
			QVERIFY(ReaderManagerFixture::insertEidCard(cReader, {"9000"}));
			run(cReader);
			QTRY_COMPARE(errorMessages(cReader), QStringList({QStringLiteral("The used ID card type is not accepted by the server.")}));
			QVERIFY(waiting());

			// A card in another reader neither ends the wait nor connects the held card again.
			mLog->clear();
			QVERIFY(ReaderManagerFixture::insertEidCard(cOtherReader, {"9000"}));
			QCoreApplication::processEvents();
			QVERIFY(!mLog->contains(cConnecting));
			QVERIFY(waiting());

			QVERIFY(MockReaderManagerPlugin::runOnPlugin([](MockReaderManagerPlugin& pPlugin) {
					pPlugin.getMockReader(cReader)->removeCard();
				}));
			QTRY_COMPARE(mRetry->count(), 1);
			QVERIFY(mContext->getReaderName().isEmpty());
			QVERIFY(!mContext->getCardConnection());
			QVERIFY(mAbort->isEmpty());
			QVERIFY(mContinue->isEmpty());
		}


		void lossOfReaderOrCard_data()
		{
			QTest::addColumn<QString>("reader");
			QTest::addColumn<bool>("removeReader");
			QTest::addColumn<bool>("retry");

			QTest::newRow("card of the workflow's reader") << cReader << false << true;
			QTest::newRow("the workflow's reader") << cReader << true << true;
			QTest::newRow("card of another reader") << cOtherReader << false << false;
			QTest::newRow("another reader") << cOtherReader << true << false;
		}


		void lossOfReaderOrCard()
		{
			QFETCH(QString, reader);
			QFETCH(bool, removeReader);
			QFETCH(bool, retry);

			// Both readers hold cards that are no eID card: the state waits on them.
			for (const auto& name : {cReader, cOtherReader})
			{
				QVERIFY(insertScriptedCard(name, [](ScriptedCard&) {}));
			}
			QTRY_VERIFY(mManager->getReaderInfo(cOtherReader).hasCard());
			run(cReader);
			QVERIFY(waiting());

			QSignalSpy removed(mManager, removeReader ? &ReaderManager::fireReaderRemoved : &ReaderManager::fireCardRemoved);
			QVERIFY(MockReaderManagerPlugin::runOnPlugin([reader, removeReader](MockReaderManagerPlugin& pPlugin) {
					if (removeReader)
					{
						pPlugin.removeReader(reader);
						return;
					}
					pPlugin.getMockReader(reader)->removeCard();
				}));
			QTRY_COMPARE(removed.count(), 1);
			QCoreApplication::processEvents();

			QCOMPARE(mRetry->count(), retry ? 1 : 0);
			QCOMPARE(mContext->getReaderName(), retry ? QString() : cReader);
			QVERIFY(mAbort->isEmpty());
		}


		void readerKindsChanged()
		{
			run(cReader);
			QVERIFY(waiting());
			mContext->setReaderPluginTypes({ReaderManagerPluginType::SIMULATOR});
			QCOMPARE(mRetry->count(), 1);
			QVERIFY(mController->hasLeft());
		}


		void connectionFails()
		{
			QVERIFY(ReaderManagerFixture::insertEidCard(cReader, {"9000"}));
			// Read at insertion, but the card refuses the connection of the workflow.
			QVERIFY(onScriptedCard(cReader, [](ScriptedCard* pCard) {
					pCard->setConnectResult(CardReturnCode::COMMAND_FAILED);
				}));

			run(cReader);

			QTRY_COMPARE(mAbort->count(), 1);
			QCOMPARE(spyArgument<FailureCode>(mAbort->constFirst().constFirst()).getReason(), FailureCode::Reason::Connect_Card_Connection_Failed);
			QCOMPARE(mContext->getStatus().getStatusCode(), GlobalStatus::Code::Card_Communication_Error);
			QVERIFY(mLog->contains(QStringLiteral("Card connection failed")));
			QVERIFY(!mContext->getCardConnection());
		}


		void resultAfterLeavingIsDropped()
		{
			QVERIFY(ReaderManagerFixture::insertEidCard(cReader, {"9000"}));

			// The reader thread is held: the connection is asked for, but its answer cannot come yet.
			ReaderThreadHold hold;
			QVERIFY(hold.isHeld());
			run(cReader);
			QVERIFY(mLog->contains(cConnecting));
			mContext->setReaderPluginTypes({ReaderManagerPluginType::SIMULATOR});
			QCOMPARE(mRetry->count(), 1);
			hold.release();

			// The answer arrives at nobody; its connection is dropped and frees the card again.
			QTRY_VERIFY(ReaderManagerFixture::connect(cReader));
			QVERIFY(!mContext->getCardConnection());
			QVERIFY(mContinue->isEmpty());
			QVERIFY(mAbort->isEmpty());
		}


		void surveyHearsOfEveryLook()
		{
			QSignalSpy surveyChanged(Env::getSingleton<Survey>(), &Survey::fireSurveyDataChanged);
			run(cReader);
			// A reader that is no NFC reader clears the NFC data of the survey.
			QCOMPARE(surveyChanged.count(), 1);

			QVERIFY(insertScriptedCard(cOtherReader, [](ScriptedCard&) {}));
			QTRY_COMPARE(surveyChanged.count(), 2);
			QVERIFY(waiting());
		}


};

KENDRAWELL_TEST_MAIN(test_StateConnectCard)
#include "test_StateConnectCard.moc"
