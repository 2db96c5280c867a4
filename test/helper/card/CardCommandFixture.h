#pragma once

#include "CardConnection.h"
#include "CommandReceiver.h"
#include "ReaderManager.h"
#include "ScriptedReader.h"

#include <QSignalSpy>
#include <QTest>

#include <QPointer>

#include <algorithm>
#include <functional>

namespace tessarovin
{

// The reader manager's thread with the MOCK plug-in, a scripted card in one of its readers and
// a receiver of card commands on the test's thread.
class CardCommandFixture
{
	public:
		static inline const QString cReader = QStringLiteral("scripted reader");

		ReaderManager* mManager = nullptr;
		CommandReceiver mReceiver;
		QList<QPointer<CardConnection>> mConnections;

		bool start()
		{
			mManager = Env::getSingleton<ReaderManager>();
			QSignalSpy finished(mManager, &ReaderManager::fireInitialScanFinished);
			mManager->init();
			return QTest::qWaitFor([&finished] {
					return finished.count() == 1;
				});
		}


		// Connections end on the test's thread and release their workers on the reader thread,
		// which must still run then.
		bool stop()
		{
			mReceiver.mCommands.clear();
			mReceiver.mCreateCommands.clear();
			mReceiver.mThreads.clear();
			const bool released = QTest::qWaitFor([this] {
					return std::all_of(mConnections.cbegin(), mConnections.cend(), [](const auto& pConnection){
							return pConnection.isNull();
						});
				});
			mConnections.clear();
			mManager->shutdown();
			return released;
		}


		// An eID card with EF.CardAccess and the given answer to MSE:Set AT, plus the extra script.
		static std::function<void(ScriptedCard&)> eidCard(const QByteArray& pRetryCounterStatus = QByteArrayLiteral("9000"), const std::function<void(ScriptedCard&)>& pMore = nullptr)
		{
			return [pRetryCounterStatus, pMore](ScriptedCard& pCard){
					if (pMore)
					{
						pMore(pCard);
					}
					pCard.scriptEidCard(readFixture(QStringLiteral("card_access_13.der")), pRetryCounterStatus);
				};
		}


		bool insert(const std::function<void(ScriptedCard&)>& pScript, bool pBasicReader = true)
		{
			QSignalSpy inserted(mManager, &ReaderManager::fireCardInserted);
			return insertScriptedCard(cReader, pScript, pBasicReader) && QTest::qWaitFor([&inserted] {
					return inserted.count() == 1;
				});
		}


		QSharedPointer<CreateCardConnectionCommand> createConnectionCommand(const QString& pReaderName = cReader)
		{
			const auto count = mReceiver.mCreateCommands.size();
			if (!mManager->callCreateCardConnectionCommand(pReaderName, &mReceiver, &CommandReceiver::onCreateCardConnectionDone))
			{
				return nullptr;
			}
			if (!QTest::qWaitFor([this, count] {
					return mReceiver.mCreateCommands.size() > count;
				}))
			{
				return nullptr;
			}
			return mReceiver.mCreateCommands.last();
		}


		QSharedPointer<CardConnection> connect(const std::function<void(ScriptedCard&)>& pScript, bool pBasicReader = true)
		{
			if (!insert(pScript, pBasicReader))
			{
				return nullptr;
			}
			const auto command = createConnectionCommand();
			const auto connection = command ? command->getCardConnection() : nullptr;
			mConnections << connection.data();
			return connection;
		}


		template<typename Command>
		QSharedPointer<Command> run(CardConnection& pConnection, Command* pCommand)
		{
			const auto count = mReceiver.mCommands.size();
			if (!pConnection.call(pCommand, &mReceiver, &CommandReceiver::onCommandDone))
			{
				return nullptr;
			}
			if (!QTest::qWaitFor([this, count] {
					return mReceiver.mCommands.size() > count;
				}))
			{
				return nullptr;
			}
			return mReceiver.mCommands.last().template objectCast<Command>();
		}


		// The card's commands since it was read on insertion.
		QList<QByteArray> commandsAfterInsertion(int pInsertionCommands)
		{
			QList<QByteArray> commands;
			onScriptedCard(cReader, [&commands, pInsertionCommands](ScriptedCard* pCard){
					if (pCard)
					{
						commands = pCard->getCommands().mid(pInsertionCommands);
					}
				});
			return commands;
		}
};

} // namespace tessarovin
