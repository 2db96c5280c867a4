// PACE in software through the card connection worker and the PACE command, against the
// OpenPACE card, and what follows under secure messaging.

#include "CardConnectionWorker.h"

#include "apdu/FileCommand.h"
#include "CardCommandFixture.h"
#include "command/EstablishPaceChannelCommand.h"
#include "command/ResetRetryCounterCommand.h"
#include "command/SetEidPinCommand.h"
#include "LogCapture.h"
#include "PeerReader.h"
#include "TestEnvironment.h"

#include <QtTest>

#include <memory>

using namespace tessarovin;

namespace
{

const FileRef DG1(FileRef::ELEMENTARY_FILE, QByteArray::fromHex("0101"), QByteArray::fromHex("01"));
const FileRef LARGE_FILE(FileRef::ELEMENTARY_FILE, QByteArray::fromHex("0111"), QByteArray::fromHex("11"));


// Runs a command on this thread as the worker's thread would, and hands it back.
template<typename Command>
QSharedPointer<Command> execute(Command* pCommand)
{
	QSharedPointer<BaseCardCommand> done;
	QObject::connect(pCommand, &BaseCardCommand::commandDone, [&done](const QSharedPointer<BaseCardCommand>& pDone){
			done = pDone;
		});
	pCommand->execute();
	return done.template objectCast<Command>();
}


CardReturnCode readDg1(CardConnectionWorker& pWorker, QByteArray& pContent)
{
	const auto select = pWorker.transmit(FileCommand(FileRef::appEId()));
	if (select.mReturnCode != CardReturnCode::OK)
	{
		return select.mReturnCode;
	}
	return pWorker.readFile(DG1, pContent, CommandApdu::SHORT_MAX_LE);
}


} // namespace


class test_SoftwarePace
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void paceThenSecureMessaging_data()
		{
			QTest::addColumn<QStringList>("arguments");
			QTest::addColumn<PacePasswordId>("passwordId");
			QTest::addColumn<QByteArray>("password");
			QTest::addColumn<PaceResult>("result");

			const QStringList brainpool({"--curves", "13"});
			const QStringList nist({"--curves", "12"});
			QTest::newRow("PIN, brainpoolP256r1") << brainpool << PacePasswordId::PACE_PIN << QByteArray("123456") << PaceResult::OK_PIN;
			QTest::newRow("PIN, P-256") << nist << PacePasswordId::PACE_PIN << QByteArray("123456") << PaceResult::OK_PIN;
			QTest::newRow("CAN, brainpoolP256r1") << brainpool << PacePasswordId::PACE_CAN << QByteArray("500540") << PaceResult::OK_CAN;
			QTest::newRow("CAN, P-256") << nist << PacePasswordId::PACE_CAN << QByteArray("500540") << PaceResult::OK_CAN;
			QTest::newRow("PUK, brainpoolP256r1") << brainpool + QStringList({"--retry-counter", "0"}) << PacePasswordId::PACE_PUK << QByteArray("9876543210") << PaceResult::OK_PUK;
			QTest::newRow("PUK, P-256") << nist + QStringList({"--retry-counter", "0"}) << PacePasswordId::PACE_PUK << QByteArray("9876543210") << PaceResult::OK_PUK;
			QTest::newRow("PIN, brainpoolP512r1, AES-256") << QStringList({"--curves", "17", "--key-size", "256"}) << PacePasswordId::PACE_PIN << QByteArray("123456") << PaceResult::OK_PIN;
			QTest::newRow("CAN, P-384, AES-192") << QStringList({"--curves", "15", "--key-size", "192"}) << PacePasswordId::PACE_CAN << QByteArray("500540") << PaceResult::OK_CAN;
		}


		void paceThenSecureMessaging()
		{
			QFETCH(QStringList, arguments);
			QFETCH(PacePasswordId, passwordId);
			QFETCH(QByteArray, password);
			QFETCH(PaceResult, result);

			PeerReader peerReader;
			QVERIFY(peerReader.start(arguments));
			const auto worker = peerReader.connect();

			// Without a channel the card keeps its data groups to itself.
			QByteArray content;
			QCOMPARE(readDg1(*worker, content), CardReturnCode::PROTOCOL_ERROR);

			const auto command = execute(new EstablishPaceChannelCommand(worker, passwordId, password, QByteArray(), QByteArray()));
			QCOMPARE(command->getReturnCode(), CardReturnCode::OK);
			QCOMPARE(command->getPaceOutput().getPaceResult(), result);
			QVERIFY2(command->getPaceOutput().isSuccess(), peerReader.peer().readLog().constData());

			content.clear();
			QCOMPARE(readDg1(*worker, content), CardReturnCode::OK);
			QCOMPARE(content.toHex(), QByteArray("610413024944"));

			QByteArray large;
			QCOMPARE(worker->readFile(LARGE_FILE, large, CommandApdu::SHORT_MAX_LE), CardReturnCode::OK);
			QCOMPARE(large.size(), 600);
			for (int i = 0; i < large.size(); ++i)
			{
				QCOMPARE(static_cast<uchar>(large.at(i)), static_cast<uchar>(i));
			}

			// Every command went out protected.
			const auto commands = peerReader.card().getCommands();
			QVERIFY(commands.last().startsWith("0cb0"));
		}


		void pukOnlyForBlockedPin_data()
		{
			QTest::addColumn<int>("retryCounter");
			QTest::addColumn<CardReturnCode>("returnCode");

			QTest::newRow("PIN usable") << 3 << CardReturnCode::PIN_NOT_BLOCKED;
			QTest::newRow("PIN suspended") << 1 << CardReturnCode::PIN_NOT_BLOCKED;
			QTest::newRow("PIN blocked") << 0 << CardReturnCode::OK;
		}


		void pukOnlyForBlockedPin()
		{
			QFETCH(int, retryCounter);
			QFETCH(CardReturnCode, returnCode);

			PeerReader peerReader;
			QVERIFY(peerReader.start({"--retry-counter", QString::number(retryCounter)}));
			QCOMPARE(peerReader.reader().getReaderInfo().getRetryCounter(), retryCounter);
			const auto worker = peerReader.connect();
			const auto before = peerReader.card().getCommands().size();

			const auto command = execute(new EstablishPaceChannelCommand(worker, PacePasswordId::PACE_PUK, "9876543210", QByteArray(), QByteArray()));
			QCOMPARE(command->getReturnCode(), returnCode);
			QCOMPARE(command->getPaceOutput().getPaceReturnCode(), returnCode);
			if (returnCode != CardReturnCode::OK)
			{
				QCOMPARE(peerReader.card().getCommands().size(), before);
				return;
			}

			// The PUK's channel unblocks the PIN.
			const auto reset = execute(new ResetRetryCounterCommand(worker));
			QCOMPARE(reset->getReturnCode(), CardReturnCode::OK);
			QCOMPARE(reset->getStatusCode(), StatusCode::SUCCESS);
			QCOMPARE(worker->updateRetryCounter(), CardReturnCode::OK);
			QCOMPARE(peerReader.reader().getReaderInfo().getRetryCounter(), 3);
		}


		void wrongPin()
		{
			PeerReader peerReader;
			QVERIFY(peerReader.start());
			const auto worker = peerReader.connect();
			QSignalSpy stopped(worker.data(), &CardConnectionWorker::fireSecureMessagingStopped);

			const auto command = execute(new EstablishPaceChannelCommand(worker, PacePasswordId::PACE_PIN, "654321", QByteArray(), QByteArray()));
			const auto& output = command->getPaceOutput();
			QCOMPARE(command->getReturnCode(), CardReturnCode::OK);
			QCOMPARE(output.getResultCode(), 0xF00663C2u);
			QCOMPARE(output.getPaceResult(), PaceResult::INVALID_PIN_1);
			QVERIFY(!output.isSuccess());

			// No channel was opened.
			QByteArray content;
			QCOMPARE(readDg1(*worker, content), CardReturnCode::PROTOCOL_ERROR);
			QVERIFY(peerReader.card().getCommands().last().startsWith("00b0"));
			QCOMPARE(stopped.count(), 0);
		}


		// A failed PACE inside an open channel leaves that channel in use.
		void failedPaceKeepsChannel()
		{
			PeerReader peerReader;
			QVERIFY(peerReader.start());
			const auto worker = peerReader.connect();
			QVERIFY(worker->establishPaceChannel(PacePasswordId::PACE_CAN, "500540").isSuccess());

			const auto output = worker->establishPaceChannel(PacePasswordId::PACE_PIN, "654321");
			QCOMPARE(output.getPaceResult(), PaceResult::INVALID_PIN_1);

			QByteArray content;
			QCOMPARE(readDg1(*worker, content), CardReturnCode::OK);
			QCOMPARE(content.toHex(), QByteArray("610413024944"));
		}


		// A suspended PIN: the CAN first, then the PIN inside the CAN's channel.
		void suspendedPinAfterCan()
		{
			PeerReader peerReader;
			QVERIFY(peerReader.start({"--retry-counter", "1"}));
			const auto worker = peerReader.connect();
			QVERIFY(worker->establishPaceChannel(PacePasswordId::PACE_CAN, "500540").isSuccess());

			const auto output = worker->establishPaceChannel(PacePasswordId::PACE_PIN, "123456");
			QVERIFY2(output.isSuccess(), peerReader.peer().readLog().constData());
			QCOMPARE(output.getStatusMseSetAt().toHex(), QByteArray("63c1"));

			// The new channel, not the CAN's, carries the next command.
			QByteArray content;
			QCOMPARE(readDg1(*worker, content), CardReturnCode::OK);
			QCOMPARE(content.toHex(), QByteArray("610413024944"));
		}


		// The last try: the CAN resumes the suspended PIN, a wrong PIN blocks it. The card answers
		// mutual authentication with 63C0, which the result code carries to the workflow.
		void wrongPinOnLastTry()
		{
			PeerReader peerReader;
			QVERIFY(peerReader.start({"--retry-counter", "1"}));
			const auto worker = peerReader.connect();
			QVERIFY(execute(new EstablishPaceChannelCommand(worker, PacePasswordId::PACE_CAN, "500540", QByteArray(), QByteArray()))->getPaceOutput().isSuccess());

			const auto command = execute(new EstablishPaceChannelCommand(worker, PacePasswordId::PACE_PIN, "654321", QByteArray(), QByteArray()));
			const auto& output = command->getPaceOutput();
			QCOMPARE(command->getReturnCode(), CardReturnCode::OK);
			QCOMPARE(output.getStatusMseSetAt().toHex(), QByteArray("63c1"));
			QCOMPARE(output.getResultCode(), 0xF00663C0u);
			QCOMPARE(output.getPaceResult(), PaceResult::INVALID_PIN_3);
			QVERIFY(output.isWrongPassword());
			QVERIFY(!output.isSuccess());

			QCOMPARE(worker->updateRetryCounter(), CardReturnCode::OK);
			QCOMPARE(peerReader.reader().getReaderInfo().getRetryCounter(), 0);
		}


		// The way of a workflow: a card connection on the main thread, the commands on the reader
		// manager's thread, the peer's process owned by the card there.
		void throughTheReaderManager()
		{
			CardCommandFixture fixture;
			QVERIFY(fixture.start());
			{
				const auto connection = fixture.connect([](ScriptedCard& pCard){
						auto peer = std::make_shared<PacePeerProcess>();
						if (!peer->start())
						{
							return;
						}
						pCard.setHandler([peer](const CommandApdu& pCommand){
								const QByteArray response = peer->transmit(QByteArray(pCommand));
								return ResponseApduResult {response.isEmpty() ? CardReturnCode::COMMAND_FAILED : CardReturnCode::OK, ResponseApdu(response)};
							});
					});
				QVERIFY(connection);
				QVERIFY(connection->getReaderInfo().hasEid());

				const auto pace = fixture.run(*connection, connection->createEstablishPaceChannelCommand(PacePasswordId::PACE_PIN, "123456", QByteArray(), QByteArray()));
				QVERIFY(pace);
				QVERIFY(pace->getPaceOutput().isSuccess());
				QCOMPARE(pace->getPaceOutput().getIdIcc().size(), 32);

				// The card takes a new PIN only inside the PIN's channel.
				const auto setPin = fixture.run(*connection, connection->createSetEidPinCommand("654321", 0));
				QVERIFY(setPin);
				QCOMPARE(setPin->getReturnCode(), CardReturnCode::OK);
				QCOMPARE(setPin->getResponseApdu().getStatusCode(), StatusCode::SUCCESS);

				const auto oldPin = fixture.run(*connection, connection->createEstablishPaceChannelCommand(PacePasswordId::PACE_PIN, "123456", QByteArray(), QByteArray()));
				QCOMPARE(oldPin->getPaceOutput().getPaceResult(), PaceResult::INVALID_PIN_1);
				const auto newPin = fixture.run(*connection, connection->createEstablishPaceChannelCommand(PacePasswordId::PACE_PIN, "654321", QByteArray(), QByteArray()));
				QVERIFY(newPin->getPaceOutput().isSuccess());
			}

			// Connection and commands are gone: the reader thread releases the worker.
			QVERIFY(fixture.stop());
		}


};

KENDRAWELL_TEST_MAIN(test_SoftwarePace)
#include "test_SoftwarePace.moc"
