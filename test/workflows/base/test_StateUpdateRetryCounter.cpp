#include "states/StateUpdateRetryCounter.h"

#include "LogCapture.h"
#include "ReaderManagerFixture.h"
#include "SingleStateController.h"
#include "TestWorkflowContext.h"
#include "TestWorkflowUi.h"


using namespace tessarovin;

namespace
{

const QString cReader = QStringLiteral("scripted reader");

} // namespace


class test_StateUpdateRetryCounter
	: public QObject
{
	Q_OBJECT

	private:
		QSharedPointer<TestWorkflowContext> mContext;
		QScopedPointer<TestWorkflowUi> mUi;

		QStringList runState()
		{
			return SingleStateController::runOnce<StateUpdateRetryCounter>(mContext, &StateUpdateRetryCounter::fireNoCardConnection);
		}

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


		void updatesTheConnectionsReaderInformation()
		{
			// 3 at insertion, 2 when the workflow asks.
			QVERIFY(ReaderManagerFixture::insertEidCard(cReader, {"9000", "63c2"}));
			mContext->setCardConnection(ReaderManagerFixture::connect(cReader));
			QVERIFY(mContext->getCardConnection());
			QCOMPARE(mContext->getCardConnection()->getReaderInfo().getRetryCounter(), 3);

			QCOMPARE(runState(), QStringList({QStringLiteral("fireContinue")}));
			QCOMPARE(mContext->getCardConnection()->getReaderInfo().getRetryCounter(), 2);
			QTRY_COMPARE(Env::getSingleton<ReaderManager>()->getReaderInfo(cReader).getRetryCounter(), 2);
		}


		void noCardConnection_data()
		{
			QTest::addColumn<QString>("failure");
			QTest::addColumn<QString>("log");

			QTest::newRow("no connection") << QString() << QStringLiteral("No card connection available.");
			QTest::newRow("card refuses MSE:Set AT") << QStringLiteral("6a80") << QStringLiteral("occurred while communicating with the card reader, cannot determine retry counter, abort state");
			QTest::newRow("card removed") << QStringLiteral("removed") << QStringLiteral("CARD_NOT_FOUND) occurred while communicating with the card reader");
		}


		void noCardConnection()
		{
			QFETCH(QString, failure);
			QFETCH(QString, log);

			if (!failure.isEmpty())
			{
				QVERIFY(ReaderManagerFixture::insertEidCard(cReader, {"9000", failure.toLatin1()}));
				mContext->setCardConnection(ReaderManagerFixture::connect(cReader));
				QVERIFY(mContext->getCardConnection());
			}
			if (failure == QLatin1String("removed"))
			{
				QVERIFY(MockReaderManagerPlugin::runOnPlugin([](MockReaderManagerPlugin& pPlugin) {
						pPlugin.getMockReader(cReader)->removeCard();
					}));
			}

			const LogCapture capture;
			// Never an abort: the workflow decides what a lost card means.
			QCOMPARE(runState(), QStringList({QStringLiteral("fireNoCardConnection")}));
			QVERIFY2(capture.contains(log), qPrintable(capture.messages().join(QLatin1Char('\n'))));
			QVERIFY(!mContext->getCardConnection());
			QCOMPARE(mContext->getStatus().getStatusCode(), GlobalStatus::Code::No_Error);
			QVERIFY(!mContext->getFailureCode().has_value());
		}


};

KENDRAWELL_TEST_MAIN(test_StateUpdateRetryCounter)
#include "test_StateUpdateRetryCounter.moc"
