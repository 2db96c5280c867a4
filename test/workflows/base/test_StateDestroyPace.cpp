#include "states/StateDestroyPace.h"

#include "LogCapture.h"
#include "ReaderManagerFixture.h"
#include "SingleStateController.h"
#include "TestWorkflowContext.h"
#include "TestWorkflowUi.h"


using namespace tessarovin;

namespace
{

const QString cReader = QStringLiteral("pin pad reader");

} // namespace


class test_StateDestroyPace
	: public QObject
{
	Q_OBJECT

	private:
		QSharedPointer<TestWorkflowContext> mContext;
		QScopedPointer<TestWorkflowUi> mUi;

	private Q_SLOTS:
		void init()
		{
			ReaderManagerFixture::start();
			mContext = QSharedPointer<TestWorkflowContext>::create();
			mContext->setReaderName(cReader);
			mUi.reset(new TestWorkflowUi());
			mUi->claim(mContext);
		}


		void cleanup()
		{
			mUi.reset();
			mContext.reset();
			ReaderManagerFixture::stop();
		}


		void continuesWhateverTheResult_data()
		{
			QTest::addColumn<bool>("connected");
			QTest::addColumn<CardReturnCode>("result");
			QTest::addColumn<int>("destroyed");

			QTest::newRow("no connection") << false << CardReturnCode::OK << 0;
			QTest::newRow("destroyed") << true << CardReturnCode::OK << 1;
			QTest::newRow("reader fails") << true << CardReturnCode::COMMAND_FAILED << 1;
			QTest::newRow("card gone") << true << CardReturnCode::CARD_NOT_FOUND << 1;
		}


		void continuesWhateverTheResult()
		{
			QFETCH(bool, connected);
			QFETCH(CardReturnCode, result);
			QFETCH(int, destroyed);

			if (connected)
			{
				QVERIFY(ReaderManagerFixture::insertEidCard(cReader, {"9000"}, [result](ScriptedCard& pCard) {
						pCard.setDestroyPaceChannelResult(result);
					}));
				// Only a pin pad holds a channel of its own to end.
				QVERIFY(MockReaderManagerPlugin::runOnPlugin([](MockReaderManagerPlugin& pPlugin) {
						pPlugin.getMockReader(cReader)->setBasicReader(false);
					}));
				mContext->setCardConnection(ReaderManagerFixture::connect(cReader));
				QVERIFY(mContext->getCardConnection());
			}

			const LogCapture capture;
			QCOMPARE(SingleStateController::runOnce<StateDestroyPace>(mContext), QStringList({QStringLiteral("fireContinue")}));
			QCOMPARE(capture.contains(QStringLiteral("Nothing to do. No card connection available.")), !connected);
			QCOMPARE(mContext->getStatus().getStatusCode(), GlobalStatus::Code::No_Error);
			QCOMPARE(mContext->getCardConnection().isNull(), !connected);

			if (connected)
			{
				QVERIFY(onScriptedCard(cReader, [destroyed](ScriptedCard* pCard) {
						QCOMPARE(pCard->getDestroyPaceChannelCount(), destroyed);
					}));
			}
		}


};

KENDRAWELL_TEST_MAIN(test_StateDestroyPace)
#include "test_StateDestroyPace.moc"
