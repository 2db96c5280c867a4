#include "command/CreateCardConnectionCommand.h"

#include "CardCommandFixture.h"
#include "LogCapture.h"
#include "TestEnvironment.h"

#include <mutex>

using namespace tessarovin;

class test_CreateCardConnectionCommand
	: public QObject
{
	Q_OBJECT

	private:
		CardCommandFixture mFixture;

	private Q_SLOTS:
		void init()
		{
			QVERIFY(mFixture.start());
		}


		void cleanup()
		{
			QVERIFY(mFixture.stop());
		}


		void connectionOnce()
		{
			QVERIFY(mFixture.insert(CardCommandFixture::eidCard()));
			const auto command = mFixture.createConnectionCommand();
			QVERIFY(command);

			const auto connection = command->getCardConnection();
			QVERIFY(connection);
			mFixture.mConnections << connection.data();
			QCOMPARE(command->getCardConnection(), connection);
			QCOMPARE(connection->thread(), QThread::currentThread());
			QCOMPARE(mFixture.mReceiver.mThreads, QList<QThread*>({QThread::currentThread()}));

			// The eID application was selected for the connection.
			QCOMPARE(mFixture.commandsAfterInsertion(5), QList<QByteArray>({"00a4040c09e80704007f00070302", "00a4000c023f00"}));
		}


		void deletedOnTheReaderThread()
		{
			QVERIFY(mFixture.insert(CardCommandFixture::eidCard()));
			QThread* readerThread = nullptr;
			QVERIFY(MockReaderManagerPlugin::runOnPlugin([&readerThread](MockReaderManagerPlugin&){
					readerThread = QThread::currentThread();
				}));

			auto command = mFixture.createConnectionCommand();
			QVERIFY(command);
			QCOMPARE(command->thread(), readerThread);

			// Written on the reader thread: a standard mutex lets the thread sanitizer see the order.
			std::mutex mutex;
			QThread* deletedOn = nullptr;
			connect(command.data(), &QObject::destroyed, command.data(), [&mutex, &deletedOn] {
					const std::lock_guard locker(mutex);
					deletedOn = QThread::currentThread();
				}, Qt::DirectConnection);
			const auto deleted = [&mutex, &deletedOn] {
					const std::lock_guard locker(mutex);
					return deletedOn;
				};

			// The receiver lets go on its own thread; the command ends on the reader thread and
			// its worker releases the card there.
			command.reset();
			mFixture.mReceiver.mCreateCommands.clear();
			QTRY_VERIFY(deleted() != nullptr);
			QCOMPARE(deleted(), readerThread);
			QVERIFY(onScriptedCard(CardCommandFixture::cReader, [](ScriptedCard* pCard){
					QVERIFY(!pCard->isConnected());
				}));
		}


		void applicationNotSelectable_data()
		{
			QTest::addColumn<QByteArray>("applicationStatus");
			QTest::addColumn<QByteArray>("masterFileStatus");

			QTest::newRow("application gone") << QByteArray("6a82") << QByteArray("9000");
			QTest::newRow("master file gone") << QByteArray("9000") << QByteArray("6a82");
		}


		void applicationNotSelectable()
		{
			QFETCH(QByteArray, applicationStatus);
			QFETCH(QByteArray, masterFileStatus);

			// Recognised on insertion, but the selection fails when the connection is made.
			QVERIFY(mFixture.insert(CardCommandFixture::eidCard("9000", [applicationStatus, masterFileStatus](ScriptedCard& pCard){
					pCard.add("00a4040c09e80704007f00070302", "9000").add("00a4040c09e80704007f00070302", applicationStatus);
					pCard.add("00a4000c023f00", "9000").add("00a4000c023f00", masterFileStatus);
				})));
			QCOMPARE(mFixture.mManager->getReaderInfo(CardCommandFixture::cReader).getCardType(), CardType::EID_CARD);

			const auto command = mFixture.createConnectionCommand();
			QVERIFY(command);
			QVERIFY(!command->getCardConnection());

			// The dropped worker released the card again.
			QVERIFY(onScriptedCard(CardCommandFixture::cReader, [](ScriptedCard* pCard){
					QVERIFY(!pCard->isConnected());
					QCOMPARE(pCard->getReleaseCount(), 2);
				}));
		}


		void cardWithoutApplication()
		{
			// No known application: nothing to select, the connection is made all the same.
			QVERIFY(mFixture.insert([](ScriptedCard&){}));
			const auto command = mFixture.createConnectionCommand();
			QVERIFY(command);
			const auto connection = command->getCardConnection();
			QVERIFY(connection);
			mFixture.mConnections << connection.data();
			QCOMPARE(connection->getReaderInfo().getCardType(), CardType::UNKNOWN);
			QCOMPARE(mFixture.commandsAfterInsertion(3), QList<QByteArray>());
		}


		void noConnection_data()
		{
			QTest::addColumn<QString>("readerName");
			QTest::addColumn<bool>("withCard");
			QTest::addColumn<QString>("message");

			QTest::newRow("unknown reader") << QStringLiteral("unknown") << true << QStringLiteral("Requested reader does not exist: \"unknown\"");
			QTest::newRow("no card") << CardCommandFixture::cReader << false << QStringLiteral("No card available");
		}


		void noConnection()
		{
			QFETCH(QString, readerName);
			QFETCH(bool, withCard);
			QFETCH(QString, message);

			QVERIFY(mFixture.insert(withCard ? CardCommandFixture::eidCard() : nullptr));

			LogCapture capture;
			const auto command = mFixture.createConnectionCommand(readerName);
			QVERIFY(command);
			QVERIFY(!command->getCardConnection());
			QVERIFY(capture.contains(message));
		}


		void alreadyConnected()
		{
			QVERIFY(mFixture.insert(CardCommandFixture::eidCard()));
			const auto first = mFixture.createConnectionCommand();
			QVERIFY(first);

			LogCapture capture;
			const auto second = mFixture.createConnectionCommand();
			QVERIFY(second);
			QVERIFY(!second->getCardConnection());
			QVERIFY(capture.contains(QStringLiteral("Card is already connected")));
		}


		void threadNotRunning()
		{
			mFixture.mManager->shutdown();

			LogCapture capture;
			QVERIFY(!mFixture.mManager->callCreateCardConnectionCommand(CardCommandFixture::cReader, &mFixture.mReceiver, &CommandReceiver::onCreateCardConnectionDone));
			QVERIFY(capture.contains(QStringLiteral("Cannot call CreateCardConnectionCommand if ReaderManager-Thread is not active")));
		}


};

KENDRAWELL_TEST_MAIN(test_CreateCardConnectionCommand)
#include "test_CreateCardConnectionCommand.moc"
