#include "CardConnection.h"

#include "CardCommandFixture.h"
#include "LogCapture.h"
#include "TestEnvironment.h"

#include <mutex>

using namespace tessarovin;

namespace
{

// Reading the card on insertion and selecting its application on connection.
constexpr int cInsertionAndConnection = 7;

QThread* readerThread()
{
	QThread* thread = nullptr;
	MockReaderManagerPlugin::runOnPlugin([&thread](MockReaderManagerPlugin&){
			thread = QThread::currentThread();
		});
	return thread;
}


} // namespace


class test_CardConnection
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


		void readerInformation()
		{
			const auto connection = mFixture.connect(CardCommandFixture::eidCard("63c2"));
			QVERIFY(connection);
			QCOMPARE(connection->getReaderInfo().getName(), CardCommandFixture::cReader);
			QCOMPARE(connection->getReaderInfo().getCardType(), CardType::EID_CARD);
			QCOMPARE(connection->getReaderInfo().getRetryCounter(), 2);
			QVERIFY(!connection->getPaceCanSuccessful());
			QVERIFY(!connection->getPacePinSuccessful());

			// The card lost an attempt meanwhile: the reader tells the connection.
			onScriptedCard(CardCommandFixture::cReader, [](ScriptedCard* pCard){
					pCard->add("0022c1a4", "63c1");
				});
			QSignalSpy changed(connection.data(), &CardConnection::fireReaderInfoChanged);
			const auto command = mFixture.run(*connection, connection->createUpdateRetryCounterCommand(QStringLiteral("slot")));
			QVERIFY(command);
			QCOMPARE(command->getReturnCode(), CardReturnCode::OK);
			QCOMPARE(command->getSlotHandle(), QStringLiteral("slot"));
			QTRY_COMPARE(changed.count(), 1);
			QCOMPARE(connection->getReaderInfo().getRetryCounter(), 1);
		}


		void commandsRunOnTheReaderThread()
		{
			const auto connection = mFixture.connect(CardCommandFixture::eidCard());
			QVERIFY(connection);
			QThread* const thread = readerThread();

			// Written on the reader thread: a standard mutex lets the thread sanitizer see the order.
			std::mutex mutex;
			QList<QThread*> executedOn;
			QList<QThread*> deletedOn;
			QList<BaseCardCommand*> commands = {
				connection->createUpdateRetryCounterCommand(),
				connection->createResetRetryCounterCommand(),
				connection->createSetEidPinCommand("123456", 0),
				connection->createDestroyPaceChannelCommand(),
				connection->createEstablishPaceChannelCommand(PacePasswordId::PACE_PIN, "123456", QByteArray(), QByteArray()),
				connection->createDidAuthenticateEAC1Command(),
				connection->createDidAuthenticateEAC2Command(CVCertificateChain(), "04", "00", QByteArray(), "123456"),
				connection->createTransmitCommand({InputApduInfo(QByteArray::fromHex("00a4000c023f00"))}, QStringLiteral("slot"))
			};
			for (auto* command : std::as_const(commands))
			{
				QCOMPARE(command->thread(), QThread::currentThread());
				connect(command, &BaseCardCommand::commandDone, command, [&mutex, &executedOn] {
						const std::lock_guard locker(mutex);
						executedOn << QThread::currentThread();
					}, Qt::DirectConnection);
				connect(command, &QObject::destroyed, command, [&mutex, &deletedOn] {
						const std::lock_guard locker(mutex);
						deletedOn << QThread::currentThread();
					}, Qt::DirectConnection);
				QVERIFY(mFixture.run(*connection, command));
			}

			// Copies of their own: a shared copy would let the reader thread append into the buffer
			// this thread still reads, once the list is no longer shared (a relaxed check in Qt).
			const auto executed = [&mutex, &executedOn] {
					const std::lock_guard locker(mutex);
					return QList<QThread*>(executedOn.cbegin(), executedOn.cend());
				};
			const auto deleted = [&mutex, &deletedOn] {
					const std::lock_guard locker(mutex);
					return QList<QThread*>(deletedOn.cbegin(), deletedOn.cend());
				};
			QCOMPARE(executed(), QList<QThread*>(commands.size(), thread));
			QCOMPARE(mFixture.mReceiver.mThreads.mid(1), QList<QThread*>(commands.size(), QThread::currentThread()));
			QVERIFY(deleted().isEmpty());

			// Released by the receiver, each command ends on its own thread.
			mFixture.mReceiver.mCommands.clear();
			QTRY_COMPARE(deleted().size(), commands.size());
			QCOMPARE(deleted(), QList<QThread*>(commands.size(), thread));
		}


		void commandWithoutReceiver()
		{
			const auto connection = mFixture.connect(CardCommandFixture::eidCard());
			QVERIFY(connection);

			auto* command = connection->createUpdateRetryCounterCommand();
			std::mutex mutex;
			QThread* deletedOn = nullptr;
			connect(command, &QObject::destroyed, command, [&mutex, &deletedOn] {
					const std::lock_guard locker(mutex);
					deletedOn = QThread::currentThread();
				}, Qt::DirectConnection);
			const auto deleted = [&mutex, &deletedOn] {
					const std::lock_guard locker(mutex);
					return deletedOn;
				};

			LogCapture capture;
			QVERIFY(!connection->call(command, static_cast<CommandReceiver*>(nullptr), &CommandReceiver::onCommandDone));
			QVERIFY(capture.contains(QStringLiteral("Cannot invoke card command: tessarovin::UpdateRetryCounterCommand")));
			QTRY_VERIFY(deleted() != nullptr);
			QCOMPARE(deleted(), readerThread());
			QCOMPARE(mFixture.commandsAfterInsertion(cInsertionAndConnection), QList<QByteArray>());
		}


		void readerRemoved_data()
		{
			QTest::addColumn<bool>("removeReader");

			QTest::newRow("reader removed") << true;
			QTest::newRow("card removed") << false;
		}


		void readerRemoved()
		{
			QFETCH(bool, removeReader);

			const auto connection = mFixture.connect(CardCommandFixture::eidCard());
			QVERIFY(connection);

			// The reader goes while the commands are on their way.
			QVERIFY(MockReaderManagerPlugin::runOnPlugin([removeReader](MockReaderManagerPlugin& pPlugin){
					if (removeReader)
					{
						pPlugin.removeReader(CardCommandFixture::cReader);
						return;
					}
					pPlugin.getMockReader(CardCommandFixture::cReader)->removeCard();
				}, true));

			const auto update = mFixture.run(*connection, connection->createUpdateRetryCounterCommand());
			QVERIFY(update);
			QCOMPARE(update->getReturnCode(), CardReturnCode::CARD_NOT_FOUND);

			const auto reset = mFixture.run(*connection, connection->createResetRetryCounterCommand());
			QVERIFY(reset);
			QCOMPARE(reset->getReturnCode(), CardReturnCode::CARD_NOT_FOUND);
			QCOMPARE(reset->getStatusCode(), StatusCode::UNKNOWN);

			const auto destroy = mFixture.run(*connection, connection->createDestroyPaceChannelCommand());
			QVERIFY(destroy);
			QCOMPARE(destroy->getReturnCode(), CardReturnCode::CARD_NOT_FOUND);
			QVERIFY(!destroy->getSecureMessagingStopped());

			const auto pace = mFixture.run(*connection, connection->createEstablishPaceChannelCommand(PacePasswordId::PACE_CAN, "123456", QByteArray(), QByteArray()));
			QVERIFY(pace);
			QCOMPARE(pace->getReturnCode(), CardReturnCode::CARD_NOT_FOUND);
			QCOMPARE(pace->getPaceOutput().getPaceReturnCode(), CardReturnCode::CARD_NOT_FOUND);

			connection->setProgressMessage(QStringLiteral("progress"), 50);
			connection->setErrorMessage(QStringLiteral("error"));
		}


		void paceFlags_data()
		{
			QTest::addColumn<bool>("canSucceeds");
			QTest::addColumn<bool>("pinSucceeds");
			QTest::addColumn<bool>("can");
			QTest::addColumn<bool>("pin");

			QTest::newRow("both succeed") << true << true << true << true;
			QTest::newRow("PIN fails after CAN") << true << false << false << false;
			QTest::newRow("CAN fails, PIN succeeds") << false << true << false << true;
		}


		void paceFlags()
		{
			QFETCH(bool, canSucceeds);
			QFETCH(bool, pinSucceeds);
			QFETCH(bool, can);
			QFETCH(bool, pin);

			// A pin-pad reader runs PACE itself and says how it went.
			const auto connection = mFixture.connect(CardCommandFixture::eidCard(), false);
			QVERIFY(connection);

			const auto runPace = [this, &connection](PacePasswordId pPasswordId, bool pSuccess){
					onScriptedCard(CardCommandFixture::cReader, [pPasswordId, pSuccess](ScriptedCard* pCard){
							EstablishPaceChannelOutput output(pPasswordId, CardReturnCode::OK);
							if (!pSuccess)
							{
								output.setResultCode(0xF00663C2);
							}
							pCard->setPaceOutput(output);
						});
					const auto count = mFixture.mReceiver.mCommands.size();
					connection->callEstablishPaceChannelCommand(&mFixture.mReceiver, &CommandReceiver::onCommandDone, pPasswordId, QByteArray("123456"));
					return QTest::qWaitFor([this, count] {
							return mFixture.mReceiver.mCommands.size() > count;
						});
				};

			QVERIFY(runPace(PacePasswordId::PACE_CAN, canSucceeds));
			QCOMPARE(connection->getPaceCanSuccessful(), canSucceeds);
			QVERIFY(!connection->getPacePinSuccessful());

			QVERIFY(runPace(PacePasswordId::PACE_PIN, pinSucceeds));
			QCOMPARE(connection->getPaceCanSuccessful(), can);
			QCOMPARE(connection->getPacePinSuccessful(), pin);

			// A PUK run leaves both as they are.
			QVERIFY(runPace(PacePasswordId::PACE_PUK, true));
			QCOMPARE(connection->getPaceCanSuccessful(), can);
			QCOMPARE(connection->getPacePinSuccessful(), pin);
		}


};

KENDRAWELL_TEST_MAIN(test_CardConnection)
#include "test_CardConnection.moc"
