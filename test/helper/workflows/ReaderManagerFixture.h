#pragma once

#include "AbstractSettings.h"
#include "AppSettings.h"
#include "CardConnection.h"
#include "CommandReceiver.h"
#include "Env.h"
#include "ReaderManager.h"
#include "ScriptedReader.h"
#include "TestEnvironment.h"
#include "VolatileSettings.h"

#include <QSettings>
#include <QSignalSpy>
#include <QtTest>

namespace tessarovin
{

// The real reader manager on its own thread with the back ends the test links: MOCK always,
// the simulator where the test links its plug-in. Start in init(), stop in cleanup().
class ReaderManagerFixture
{
	public:
		static ReaderManager* start()
		{
			// Made on this thread before the back ends ask for them on the reader thread.
			Env::getSingleton<AppSettings>();
			Env::getSingleton<VolatileSettings>()->setDelay(0);

			auto* manager = Env::getSingleton<ReaderManager>();
			QSignalSpy initialized(manager, &ReaderManager::fireInitialized);
			manager->init();
			if (!initialized.wait() && initialized.isEmpty())
			{
				qFatal("The reader manager did not start");
			}
			return manager;
		}


		static void stop()
		{
			// Released connections end their workers on the reader thread before it stops.
			QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
			Env::getSingleton<ReaderManager>()->shutdown();
		}


		// A usable eID card in a MOCK reader; the MSE:Set AT answers tell the retry counter, the
		// first one at insertion, the later ones on every update, the last one again and again.
		static bool insertEidCard(const QString& pReaderName, const QByteArrayList& pRetryCounterStatus, const std::function<void(ScriptedCard&)>& pMore = {})
		{
			auto* manager = Env::getSingleton<ReaderManager>();
			QSignalSpy inserted(manager, &ReaderManager::fireCardInserted);
			const bool done = insertScriptedCard(pReaderName, [pRetryCounterStatus, pMore](ScriptedCard& pCard) {
					pCard.scriptEidCard(readFixture(QStringLiteral("card_access_13.der")), pRetryCounterStatus.value(0, QByteArrayLiteral("9000")));
					for (qsizetype i = 1; i < pRetryCounterStatus.size(); ++i)
					{
						pCard.add("0022c1a4", pRetryCounterStatus.at(i));
					}
					if (pMore)
					{
						pMore(pCard);
					}
				});
			// The manager's cache knows the card once the signal has arrived here.
			return done && (!inserted.isEmpty() || inserted.wait());
		}


		// A connection to the card of the reader, as a state would get it; null when there is none.
		static QSharedPointer<CardConnection> connect(const QString& pReaderName)
		{
			QSharedPointer<CardConnection> connection;
			{
				CommandReceiver receiver;
				Env::getSingleton<ReaderManager>()->callCreateCardConnectionCommand(pReaderName, &receiver, &CommandReceiver::onCreateCardConnectionDone);
				if (!QTest::qWaitFor([&receiver] {
						return !receiver.mCreateCommands.isEmpty();
					}))
				{
					return connection;
				}
				connection = receiver.mCreateCommands.constFirst()->getCardConnection();
			}

			// The command holds the connection too and is deleted later on the reader thread. Gone
			// before the test goes on, it cannot drop the last reference after the main thread's
			// last look at its deferred deletes, which would leak connection and worker.
			MockReaderManagerPlugin::runOnPlugin([](MockReaderManagerPlugin&) {});
			return connection;
		}


		// The simulator's reader "Simulator" with its card (the test links CardSimulatorPlugin). A
		// basic reader leaves PACE to this side, over APDUs, as a reader without pin pad does.
		static bool insertSimulatorCard(bool pBasicReader)
		{
			// Read when the scan makes the reader.
			QSettings store(QSettings::UserScope, AbstractSettings::cOrganization, AbstractSettings::cApplication);
			store.setValue(QStringLiteral("simulator/basicReader"), pBasicReader);
			store.sync();
			Env::getSingleton<AppSettings>()->getSimulatorSettings().setEnabled(true);
			// Only outside the SDK the reader holds the default card at once.
			Env::getSingleton<VolatileSettings>()->setUsedAsSdk(false);

			auto* manager = Env::getSingleton<ReaderManager>();
			manager->startScan(ReaderManagerPluginType::SIMULATOR);
			return QTest::qWaitFor([manager, pBasicReader] {
					const auto info = manager->getReaderInfo(QStringLiteral("Simulator"));
					return info.hasEid() && info.hasCard() && info.isBasicReader() == pBasicReader;
				}, 30000);
		}


		// PACE on the connection as the PACE states run it; a default output when it did not end in time.
		static EstablishPaceChannelOutput establishPaceChannel(const QSharedPointer<CardConnection>& pConnection,
				PacePasswordId pPasswordId,
				const QByteArray& pPassword,
				const QByteArray& pChat = QByteArray())
		{
			CommandReceiver receiver;
			pConnection->callEstablishPaceChannelCommand(&receiver, &CommandReceiver::onCommandDone, pPasswordId, pPassword, pChat);
			if (!QTest::qWaitFor([&receiver] {
					return !receiver.mCommands.isEmpty();
				}, 30000))
			{
				return EstablishPaceChannelOutput();
			}
			return receiver.mCommands.constFirst().staticCast<EstablishPaceChannelCommand>()->getPaceOutput();
		}


		// Returns once the answers of all commands called before on the connection have reached
		// this thread: the worker runs them in order, and their answers queue up in that order.
		static bool waitForEarlierCommands(const QSharedPointer<CardConnection>& pConnection)
		{
			CommandReceiver receiver;
			pConnection->call(pConnection->createUpdateRetryCounterCommand(), &receiver, &CommandReceiver::onCommandDone);
			return QTest::qWaitFor([&receiver] {
					return !receiver.mCommands.isEmpty();
				}, 30000);
		}


		static bool removeReader(const QString& pReaderName)
		{
			return MockReaderManagerPlugin::runOnPlugin([pReaderName](MockReaderManagerPlugin& pPlugin) {
					pPlugin.removeReader(pReaderName);
				});
		}


};

} // namespace tessarovin
