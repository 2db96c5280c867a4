#include "states/StateVerifyRetryCounter.h"

#include "LogCapture.h"
#include "ReaderManagerFixture.h"
#include "SingleStateController.h"
#include "states/StateUpdateRetryCounter.h"
#include "TestWorkflowContext.h"
#include "TestWorkflowUi.h"


using namespace tessarovin;

namespace
{

const QString cReader = QStringLiteral("scripted reader");
const QString cOtherReader = QStringLiteral("other reader");
const QStringList cContinue({QStringLiteral("fireContinue")});
const QStringList cChanged({QStringLiteral("fireReaderOrCardChanged")});

} // namespace


class test_StateVerifyRetryCounter
	: public QObject
{
	Q_OBJECT

	private:
		QSharedPointer<TestWorkflowContext> mContext;
		QScopedPointer<TestWorkflowUi> mUi;

		// One pass as a workflow makes it: the card tells its counter, then the check.
		QStringList pass()
		{
			if (SingleStateController::runOnce<StateUpdateRetryCounter>(mContext, &StateUpdateRetryCounter::fireNoCardConnection) != cContinue)
			{
				return {QStringLiteral("update failed")};
			}
			return SingleStateController::runOnce<StateVerifyRetryCounter>(mContext,
					&StateVerifyRetryCounter::fireNoCardConnection,
					&StateVerifyRetryCounter::fireReaderOrCardChanged);
		}


		void useReader(const QString& pReaderName)
		{
			mContext->setCardConnection(QSharedPointer<CardConnection>());
			mContext->setReaderName(pReaderName);
			mContext->setCardConnection(ReaderManagerFixture::connect(pReaderName));
			QVERIFY(mContext->getCardConnection());
		}

	private Q_SLOTS:
		void init()
		{
			ReaderManagerFixture::start();
			mContext = QSharedPointer<TestWorkflowContext>::create();
			mUi.reset(new TestWorkflowUi());
			mUi->claim(mContext);
		}


		void cleanup()
		{
			mUi.reset();
			mContext.reset();
			ReaderManagerFixture::stop();
		}


		void counterDroppedSinceRemembered()
		{
			// Insertion, first pass, second pass after a wrong PIN elsewhere, third pass.
			QVERIFY(ReaderManagerFixture::insertEidCard(cReader, {"9000", "9000", "63c2"}));
			useReader(cReader);
			const LogCapture capture;

			// The first pass always goes on and remembers.
			QCOMPARE(pass(), cContinue);
			QVERIFY(capture.contains(QStringLiteral("Initially remembering the selected reader including the card with retry counter 3")));
			QCOMPARE(mContext->getExpectedReader().getName(), cReader);
			QCOMPARE(mContext->getExpectedRetryCounter(), 3);

			QCOMPARE(pass(), cChanged);
			QVERIFY(capture.contains(QStringLiteral("Retry counter | actual: 2 / expected: 3")));
			QCOMPARE(mContext->getExpectedRetryCounter(), 2);

			// Nothing changed since: the workflow goes on.
			QCOMPARE(pass(), cContinue);
			QVERIFY(capture.contains(QStringLiteral("Found expected reader and retry counter matches")));
		}


		void sameCardInAnotherReader()
		{
			QVERIFY(ReaderManagerFixture::insertEidCard(cReader, {"9000"}));
			useReader(cReader);
			QCOMPARE(pass(), cContinue);

			// The card moved: the same retry counter, in another reader.
			mContext->setCardConnection(QSharedPointer<CardConnection>());
			QVERIFY(ReaderManagerFixture::removeReader(cReader));
			QVERIFY(ReaderManagerFixture::insertEidCard(cOtherReader, {"9000"}));
			useReader(cOtherReader);

			QCOMPARE(pass(), cChanged);
			QCOMPARE(mContext->getExpectedReader().getName(), cOtherReader);
			QCOMPARE(pass(), cContinue);
		}


		void withoutCardConnection()
		{
			const LogCapture capture;
			QCOMPARE(SingleStateController::runOnce<StateVerifyRetryCounter>(mContext,
					&StateVerifyRetryCounter::fireNoCardConnection,
					&StateVerifyRetryCounter::fireReaderOrCardChanged), QStringList({QStringLiteral("fireNoCardConnection")}));
			QVERIFY(capture.contains(QStringLiteral("Card connection lost.")));
			QVERIFY(!mContext->hasExpectedReader());
		}


};

KENDRAWELL_TEST_MAIN(test_StateVerifyRetryCounter)
#include "test_StateVerifyRetryCounter.moc"
