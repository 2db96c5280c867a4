#include "states/StateCleanUpReaderManager.h"

#include "LogCapture.h"
#include "ReaderManagerFixture.h"
#include "SingleStateController.h"
#include "TestWorkflowContext.h"
#include "TestWorkflowUi.h"


using namespace tessarovin;

namespace
{

const QString cReader = QStringLiteral("scripted reader");
const QStringList cContinue({QStringLiteral("fireContinue")});

} // namespace


class test_StateCleanUpReaderManager
	: public QObject
{
	Q_OBJECT

	private:
		ReaderManager* mManager = nullptr;
		QSharedPointer<TestWorkflowContext> mContext;
		QScopedPointer<TestWorkflowUi> mUi;

		QStringList runState()
		{
			return SingleStateController::runOnce<StateCleanUpReaderManager>(mContext);
		}

	private Q_SLOTS:
		void init()
		{
			mManager = ReaderManagerFixture::start();
			mContext = QSharedPointer<TestWorkflowContext>::create();
			mUi.reset(new TestWorkflowUi());
			mUi->claim(mContext);
		}


		void cleanup()
		{
			mUi.reset();
			mContext.reset();
			ReaderManagerFixture::stop();
			Env::getSingleton<VolatileSettings>()->setUsedAsSdk(false);
		}


		void endsTheCardUse_data()
		{
			QTest::addColumn<bool>("sdk");
			QTest::addColumn<bool>("error");

			QTest::newRow("interactive") << false << false;
			QTest::newRow("interactive, failed") << false << true;
			QTest::newRow("SDK") << true << false;
		}


		void endsTheCardUse()
		{
			QFETCH(bool, sdk);
			QFETCH(bool, error);

			Env::getSingleton<VolatileSettings>()->setUsedAsSdk(sdk);
			QVERIFY(ReaderManagerFixture::insertEidCard(cReader, {"9000"}));
			if (sdk)
			{
				// An SDK puts the card into the reader from the shelf.
				QSignalSpy inserted(mManager, &ReaderManager::fireCardInserted);
				QVERIFY(MockReaderManagerPlugin::runOnPlugin([](MockReaderManagerPlugin& pPlugin) {
						auto* reader = pPlugin.getMockReader(cReader);
						reader->shelveCard();
						reader->insertCard();
					}));
				QTRY_COMPARE(inserted.count(), 1);
				QVERIFY(mManager->getReaderInfo(cReader).hasEid());
			}
			mManager->startScan(ReaderManagerPluginType::MOCK);
			QTRY_VERIFY(mManager->getPluginInfo(ReaderManagerPluginType::MOCK).isScanRunning());
			mContext->setReaderName(cReader);
			mContext->setCardConnection(ReaderManagerFixture::connect(cReader));
			QVERIFY(mContext->getCardConnection());
			mContext->rememberReader();
			if (error)
			{
				mContext->setStatus(GlobalStatus(GlobalStatus::Code::Card_Communication_Error));
			}
			QSignalSpy feedback(mContext.data(), &WorkflowContext::fireRemoveCardFeedbackChanged);
			const LogCapture log;

			QCOMPARE(runState(), cContinue);
			QVERIFY(mContext->isRemoveCardFeedback());
			QCOMPARE(feedback.count(), 1);
			QVERIFY(!mContext->getCardConnection());
			QVERIFY(log.contains(QStringLiteral("Going to disconnect card connection")));
			// Without the connection nothing is left to remember.
			QVERIFY(!mContext->hasExpectedReader());

			if (sdk)
			{
				// The card goes back to the shelf; the scan goes on.
				QTRY_VERIFY(!mManager->getReaderInfo(cReader).hasCard());
				QVERIFY(mManager->getReaderInfo(cReader).isInsertable());
				QVERIFY(mManager->getPluginInfo(ReaderManagerPluginType::MOCK).isScanRunning());
			}
			else
			{
				QTRY_VERIFY(!mManager->getPluginInfo(ReaderManagerPluginType::MOCK).isScanRunning());
			}
			QCOMPARE(mManager->getReaderInfo(cReader).hasCard(), !sdk);
		}


		void withoutCard()
		{
			mContext->setReaderName(cReader);
			const LogCapture log;

			QCOMPARE(runState(), cContinue);
			QVERIFY(!mContext->isRemoveCardFeedback());
			QVERIFY(!log.contains(QStringLiteral("Going to disconnect card connection")));
			QVERIFY(!mContext->hasExpectedReader());
		}


};

KENDRAWELL_TEST_MAIN(test_StateCleanUpReaderManager)
#include "test_StateCleanUpReaderManager.moc"
