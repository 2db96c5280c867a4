#include "states/StateSelectReader.h"

#include "LogCapture.h"
#include "ReaderManagerFixture.h"
#include "SingleStateController.h"
#include "TestWorkflowContext.h"
#include "TestWorkflowUi.h"


using namespace tessarovin;

namespace
{

const QString cReaderA = QStringLiteral("reader A");
const QString cReaderB = QStringLiteral("reader B");

} // namespace


class test_StateSelectReader
	: public QObject
{
	Q_OBJECT

	private:
		ReaderManager* mManager = nullptr;
		QSharedPointer<TestWorkflowContext> mContext;
		QScopedPointer<SingleStateController> mController;
		QScopedPointer<TestWorkflowUi> mUi;
		StateSelectReader* mState = nullptr;
		QScopedPointer<LogCapture> mLog;

		void run()
		{
			mController->run();
			QTRY_VERIFY(mLog->contains(QStringLiteral("Running state StateSelectReader")));
		}


		[[nodiscard]] bool waiting() const
		{
			return !mController->hasLeft();
		}


		static void addReader(const QString& pName, int pMaxApduLength)
		{
			QVERIFY(MockReaderManagerPlugin::runOnPlugin([pName, pMaxApduLength](MockReaderManagerPlugin& pPlugin) {
					pPlugin.addReader(pName)->setMaxApduLength(pMaxApduLength);
				}));
		}

	private Q_SLOTS:
		void init()
		{
			mLog.reset(new LogCapture());
			mManager = ReaderManagerFixture::start();
			mContext = QSharedPointer<TestWorkflowContext>::create();
			mContext->setReaderPluginTypes({ReaderManagerPluginType::MOCK});
			mController.reset(new SingleStateController(mContext));
			mState = mController->setState<StateSelectReader>();
			mController->leaveOn(mState, &StateSelectReader::fireRetry);
			mUi.reset(new TestWorkflowUi());
			mUi->claim(mContext);
		}


		void cleanup()
		{
			mController.reset();
			mUi.reset();
			mContext.reset();
			ReaderManagerFixture::stop();
			mLog.reset();
		}


		void firstOfTwoReaders()
		{
			QVERIFY(ReaderManagerFixture::insertEidCard(cReaderB, {"9000"}));
			QVERIFY(ReaderManagerFixture::insertEidCard(cReaderA, {"9000"}));
			const auto infos = mManager->getReaderInfos(ReaderFilter({ReaderManagerPluginType::MOCK}));
			QCOMPARE(infos.size(), 2);

			run();
			QTRY_VERIFY(mController->hasLeft());
			QCOMPARE(mController->getEndedBy(), QStringList({QStringLiteral("fireContinue")}));
			QCOMPARE(mContext->getReaderName(), infos.constFirst().getName());
			QVERIFY(mLog->contains(QStringLiteral("Select first found reader: \"") + infos.constFirst().getName()));
			QVERIFY(mLog->contains(QStringLiteral("Type: MOCK BasicReader: true")));
		}


		void apduLength_data()
		{
			QTest::addColumn<int>("maxApduLength");
			QTest::addColumn<bool>("selected");

			QTest::newRow("499") << 499 << false;
			QTest::newRow("500") << 500 << true;
			QTest::newRow("no limit known") << -1 << true;
		}


		void apduLength()
		{
			QFETCH(int, maxApduLength);
			QFETCH(bool, selected);

			addReader(cReaderA, maxApduLength);
			QVERIFY(ReaderManagerFixture::insertEidCard(cReaderA, {"9000"}));
			QSignalSpy readerInfoChanged(mContext.data(), &WorkflowContext::fireReaderInfoChanged);

			run();
			QCoreApplication::processEvents();
			QCOMPARE(mContext->insufficientApduLength(), !selected);
			QCOMPARE(readerInfoChanged.count(), selected ? 0 : 1);
			if (selected)
			{
				QTRY_VERIFY(mController->hasLeft());
				QCOMPARE(mContext->getReaderName(), cReaderA);
				return;
			}

			QVERIFY(waiting());
			QVERIFY(mContext->getReaderName().isEmpty());
			QVERIFY(mLog->contains(QStringLiteral("No selectable reader detected")));

			// A usable card in another reader is taken; the short one still tells its length.
			QVERIFY(ReaderManagerFixture::insertEidCard(cReaderB, {"9000"}));
			QTRY_VERIFY(mController->hasLeft());
			QCOMPARE(mContext->getReaderName(), cReaderB);
			QVERIFY(mContext->insufficientApduLength());
		}


		void waitsForAnEidCard()
		{
			run();
			QVERIFY(waiting());
			QVERIFY(mLog->contains(QStringLiteral("No selectable reader detected")));

			// A card without the eID application is no candidate.
			QSignalSpy inserted(mManager, &ReaderManager::fireCardInserted);
			QVERIFY(insertScriptedCard(cReaderA, [](ScriptedCard&) {}));
			QTRY_COMPARE(inserted.count(), 1);
			QCoreApplication::processEvents();
			QVERIFY(waiting());

			QVERIFY(ReaderManagerFixture::insertEidCard(cReaderB, {"9000"}));
			QTRY_VERIFY(mController->hasLeft());
			QCOMPARE(mController->getEndedBy(), QStringList({QStringLiteral("fireContinue")}));
			QCOMPARE(mContext->getReaderName(), cReaderB);
		}


		void onlyAcceptedKinds()
		{
			mContext->setReaderPluginTypes({ReaderManagerPluginType::SIMULATOR});
			QVERIFY(ReaderManagerFixture::insertEidCard(cReaderA, {"9000"}));
			mManager->startScan(ReaderManagerPluginType::MOCK);
			QTRY_VERIFY(mManager->getPluginInfo(ReaderManagerPluginType::MOCK).isScanRunning());

			run();
			// The scans follow the accepted kinds.
			QTRY_VERIFY(!mManager->getPluginInfo(ReaderManagerPluginType::MOCK).isScanRunning());
			QVERIFY(waiting());
			QVERIFY(mContext->getReaderName().isEmpty());
		}


		void scansTheAcceptedKinds()
		{
			QVERIFY(!mManager->getPluginInfo(ReaderManagerPluginType::MOCK).isScanRunning());
			run();
			QTRY_VERIFY(mManager->getPluginInfo(ReaderManagerPluginType::MOCK).isScanRunning());
		}


		void readerKindsChanged()
		{
			run();
			QVERIFY(waiting());
			mContext->setReaderPluginTypes({ReaderManagerPluginType::SIMULATOR});
			QTRY_VERIFY(mController->hasLeft());
			QCOMPARE(mController->getEndedBy(), QStringList({QStringLiteral("fireRetry")}));
		}


		void readerKindsChangedBeforeApproval()
		{
			mUi->setAutoApprove(false);
			mController->run();
			QTRY_COMPARE(mContext->getCurrentState(), QStringLiteral("StateSelectReader"));
			mContext->setReaderPluginTypes({ReaderManagerPluginType::SIMULATOR});
			QTRY_VERIFY(mController->hasLeft());
			QCOMPARE(mController->getEndedBy(), QStringList({QStringLiteral("fireRetry")}));
		}


};

KENDRAWELL_TEST_MAIN(test_StateSelectReader)
#include "test_StateSelectReader.moc"
