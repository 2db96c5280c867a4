#include "SimulatorReaderManagerPlugin.h"

#include "AbstractSettings.h"
#include "AppSettings.h"
#include "CardConnection.h"
#include "Env.h"
#include "LogCapture.h"
#include "ReaderManager.h"
#include "TestEnvironment.h"
#include "VolatileSettings.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QPluginLoader>
#include <QSettings>
#include <QSignalSpy>
#include <QtTest>

using namespace tessarovin;

namespace
{

// Receives the answers of the reader thread on the main thread.
class Receiver
	: public QObject
{
	Q_OBJECT

	public:
		QSharedPointer<CardConnection> mConnection;
		QSharedPointer<BaseCardCommand> mCommand;
		int mConnectionAnswers = 0;

	public Q_SLOTS:
		void onCardConnection(QSharedPointer<tessarovin::CreateCardConnectionCommand> pCommand)
		{
			mConnection = pCommand->getCardConnection();
			++mConnectionAnswers;
		}


		void onCommandDone(QSharedPointer<tessarovin::BaseCardCommand> pCommand)
		{
			mCommand = pCommand;
		}


};


SimulatorReaderManagerPlugin* plugin()
{
	const auto instances = QPluginLoader::staticInstances();
	for (auto* instance : instances)
	{
		if (auto* simulator = qobject_cast<SimulatorReaderManagerPlugin*>(instance))
		{
			return simulator;
		}
	}
	return nullptr;
}


// Runs on the plug-in's thread and waits for it.
void onPluginThread(const std::function<void(SimulatorReaderManagerPlugin&)>& pFunc)
{
	auto* simulator = plugin();
	QVERIFY(simulator);
	QVERIFY(QMetaObject::invokeMethod(simulator, [simulator, pFunc] {
			pFunc(*simulator);
		}, Qt::BlockingQueuedConnection));
}


QJsonObject cardWithDg1(const QString& pContent)
{
	const QJsonObject file {
		{QStringLiteral("fileId"), QStringLiteral("0101")},
		{QStringLiteral("shortFileId"), QStringLiteral("01")},
		{QStringLiteral("content"), pContent}
	};
	return QJsonObject {{QStringLiteral("files"), QJsonArray {file}}};
}


} // namespace


class test_SimulatorReaderManagerPlugin
	: public QObject
{
	Q_OBJECT

	private:
		ReaderManager* mManager = nullptr;
		QStringList mEvents;
		QList<QMetaObject::Connection> mConnections;

		// A removed reader's information no longer names its plug-in type.
		void record(const char* pName, const ReaderInfo& pInfo)
		{
			if (pInfo.getName() == QLatin1String("Simulator"))
			{
				mEvents << QLatin1String(pName);
			}
		}


		void setSettings(bool pEnabled, bool pSdk, bool pBasicReader = false)
		{
			QSettings store(QSettings::UserScope, AbstractSettings::cOrganization, AbstractSettings::cApplication);
			store.setValue(QStringLiteral("simulator/basicReader"), pBasicReader);
			store.sync();
			Env::getSingleton<AppSettings>()->getSimulatorSettings().setEnabled(pEnabled);
			Env::getSingleton<VolatileSettings>()->setUsedAsSdk(pSdk);
		}


		void start()
		{
			// The cache still knows the plug-in of an earlier run: only the signal tells this one is up.
			QSignalSpy added(mManager, &ReaderManager::firePluginAdded);
			mManager->init();
			QTRY_COMPARE(added.count(), 1);
			mEvents.clear();
		}


		// Every request posts behind the earlier ones; an update of the reader's information
		// comes back only after all of them ran.
		void sync()
		{
			mManager->updateReaderInfo(QStringLiteral("Simulator"));
			QCoreApplication::processEvents();
		}


		// The worker ends on the reader thread: it must still run when the last reference goes.
		void release(Receiver& pReceiver)
		{
			pReceiver.mCommand.reset();
			pReceiver.mConnection.reset();
			QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
			sync();
		}


		QSharedPointer<CardConnection> connect(Receiver& pReceiver)
		{
			pReceiver.mConnectionAnswers = 0;
			mManager->callCreateCardConnectionCommand(QStringLiteral("Simulator"), &pReceiver, &Receiver::onCardConnection);
			if (!QTest::qWaitFor([&pReceiver] {
					return pReceiver.mConnectionAnswers == 1;
				}))
			{
				return QSharedPointer<CardConnection>();
			}
			return pReceiver.mConnection;
		}

	private Q_SLOTS:
		void initTestCase()
		{
			// Made on this thread before the plug-in asks for them on the reader thread.
			Env::getSingleton<AppSettings>();
			Env::getSingleton<VolatileSettings>()->setDelay(0);
			mManager = Env::getSingleton<ReaderManager>();
		}


		void init()
		{
			mEvents.clear();
			mConnections << QObject::connect(mManager, &ReaderManager::fireStatusChanged, this, [this](const ReaderManagerPluginInfo& pInfo) {
					if (pInfo.getPluginType() == ReaderManagerPluginType::SIMULATOR)
					{
						mEvents << QStringLiteral("StatusChanged");
					}
				});
			mConnections << QObject::connect(mManager, &ReaderManager::fireReaderAdded, this, [this](const ReaderInfo& pInfo) {
					record("ReaderAdded", pInfo);
				});
			mConnections << QObject::connect(mManager, &ReaderManager::fireReaderRemoved, this, [this](const ReaderInfo& pInfo) {
					record("ReaderRemoved", pInfo);
				});
			mConnections << QObject::connect(mManager, &ReaderManager::fireReaderPropertiesUpdated, this, [this](const ReaderInfo& pInfo) {
					record("PropertiesUpdated", pInfo);
				});
			mConnections << QObject::connect(mManager, &ReaderManager::fireCardInserted, this, [this](const ReaderInfo& pInfo) {
					record("CardInserted", pInfo);
				});
			mConnections << QObject::connect(mManager, &ReaderManager::fireCardRemoved, this, [this](const ReaderInfo& pInfo) {
					record("CardRemoved", pInfo);
				});
		}


		void cleanup()
		{
			mManager->shutdown();
			for (const auto& connection : std::as_const(mConnections))
			{
				QObject::disconnect(connection);
			}
			mConnections.clear();
		}


		void disabled()
		{
			setSettings(false, false);
			start();
			QVERIFY(!mManager->getPluginInfo(ReaderManagerPluginType::SIMULATOR).isEnabled());

			mManager->startScan(ReaderManagerPluginType::SIMULATOR);
			sync();
			onPluginThread([](SimulatorReaderManagerPlugin& pPlugin) {
					QVERIFY(pPlugin.getReader(QStringLiteral("Simulator")).isNull());
				});
			QVERIFY(!mManager->getReaderInfo(QStringLiteral("Simulator")).isValid());
			QVERIFY(!mEvents.contains(QStringLiteral("ReaderAdded")));
		}


		void interactiveStart()
		{
			setSettings(true, false);
			const LogCapture log;
			start();
			QVERIFY(mManager->getPluginInfo(ReaderManagerPluginType::SIMULATOR).isEnabled());
			QVERIFY(log.contains(QStringLiteral("SimulatorStateChanged: true")));

			mManager->startScan(ReaderManagerPluginType::SIMULATOR);
			QTRY_COMPARE(mEvents, QStringList({QStringLiteral("ReaderAdded"), QStringLiteral("PropertiesUpdated"), QStringLiteral("CardInserted"),
											   QStringLiteral("StatusChanged"), QStringLiteral("StatusChanged")}));
			const ReaderInfo info = mManager->getReaderInfo(QStringLiteral("Simulator"));
			QVERIFY(info.hasEid());
			QCOMPARE(info.getRetryCounter(), 3);
			QVERIFY(!info.isBasicReader());
			QVERIFY(mManager->isInitialScanFinished());
		}


		void sdkStartAndInsert()
		{
			setSettings(false, true);
			const LogCapture log;
			start();
			mManager->startScan(ReaderManagerPluginType::SIMULATOR);
			QTRY_COMPARE(mEvents, QStringList({QStringLiteral("ReaderAdded"), QStringLiteral("PropertiesUpdated"),
											   QStringLiteral("StatusChanged"), QStringLiteral("StatusChanged")}));
			ReaderInfo info = mManager->getReaderInfo(QStringLiteral("Simulator"));
			QVERIFY(!info.hasCard());
			QVERIFY(info.isInsertable());

			mEvents.clear();
			mManager->insert(info);
			QTRY_COMPARE(mEvents, QStringList({QStringLiteral("CardInserted")}));
			mManager->insert(info);
			sync();
			QTRY_VERIFY(log.contains(QStringLiteral("Already inserted")));
			QCOMPARE(mEvents, QStringList({QStringLiteral("CardInserted")}));

			// Stopping removes the card before the reader; the reader manager then resets the
			// initial-scan state, a second status change.
			mEvents.clear();
			mManager->stopScan(ReaderManagerPluginType::SIMULATOR);
			QTRY_COMPARE(mEvents, QStringList({QStringLiteral("CardRemoved"), QStringLiteral("ReaderRemoved"), QStringLiteral("StatusChanged"), QStringLiteral("StatusChanged")}));
		}


		void insertBeforeScan()
		{
			setSettings(false, true);
			start();
			onPluginThread([](SimulatorReaderManagerPlugin& pPlugin) {
					pPlugin.insert(QStringLiteral("Simulator"), QVariant());
				});
			sync();
			QVERIFY(mEvents.isEmpty());
		}


		void disableWithCardInserted()
		{
			setSettings(true, false);
			start();
			mManager->startScan(ReaderManagerPluginType::SIMULATOR);
			QTRY_VERIFY(mEvents.contains(QStringLiteral("CardInserted")));
			QTRY_VERIFY(mManager->isInitialScanFinished());

			Receiver receiver;
			QVERIFY(connect(receiver));
			auto* connection = receiver.mConnection.data();

			mEvents.clear();
			Env::getSingleton<AppSettings>()->getSimulatorSettings().setEnabled(false);
			QTRY_COMPARE(mEvents, QStringList({QStringLiteral("StatusChanged"), QStringLiteral("ReaderRemoved")}));

			// The connection outlives its reader: its next command fails cleanly.
			connection->call(connection->createUpdateRetryCounterCommand(), &receiver, &Receiver::onCommandDone);
			QTRY_VERIFY(receiver.mCommand);
			QCOMPARE(receiver.mCommand->getReturnCode(), CardReturnCode::CARD_NOT_FOUND);
			release(receiver);
		}


		void shelveThenInsertFromJson()
		{
			setSettings(false, true);
			start();
			mManager->startScan(ReaderManagerPluginType::SIMULATOR);
			QTRY_VERIFY(mEvents.contains(QStringLiteral("ReaderAdded")));
			const ReaderInfo info = mManager->getReaderInfo(QStringLiteral("Simulator"));
			mManager->insert(info, QJsonObject());
			QTRY_VERIFY(mEvents.contains(QStringLiteral("CardInserted")));

			mEvents.clear();
			mManager->shelve();
			QTRY_COMPARE(mEvents, QStringList({QStringLiteral("CardRemoved")}));
			QVERIFY(mManager->getReaderInfo(QStringLiteral("Simulator")).isInsertable());

			mManager->insert(info, cardWithDg1(QStringLiteral("610413024150")));
			QTRY_COMPARE(mEvents, QStringList({QStringLiteral("CardRemoved"), QStringLiteral("CardInserted")}));
			onPluginThread([](SimulatorReaderManagerPlugin& pPlugin) {
					const auto reader = pPlugin.getReader(QStringLiteral("Simulator"));
					QVERIFY(reader && reader->getCard());
					const auto answer = reader->getCard()->transmit(CommandApdu(QByteArray::fromHex("00B0810000")));
					QCOMPARE(answer.mResponseApdu.getData(), QByteArray::fromHex("610413024150"));
				});
		}


		void paceInBasicReader()
		{
			setSettings(true, false, true);
			start();
			mManager->startScan(ReaderManagerPluginType::SIMULATOR);
			QTRY_VERIFY(mEvents.contains(QStringLiteral("CardInserted")));
			QVERIFY(mManager->getReaderInfo(QStringLiteral("Simulator")).isBasicReader());

			// Our terminal in software on the reader thread, then DG1 under secure messaging.
			onPluginThread([](SimulatorReaderManagerPlugin& pPlugin) {
					const auto reader = pPlugin.getReader(QStringLiteral("Simulator"));
					QVERIFY(reader);
					const auto worker = reader->createCardConnectionWorker();
					QVERIFY(worker);

					QVERIFY(worker->establishPaceChannel(PacePasswordId::PACE_CAN, "000000").isWrongPassword());
					const auto output = worker->establishPaceChannel(PacePasswordId::PACE_CAN, "284067");
					QVERIFY(output.isSuccess());

					QByteArray dg1;
					QCOMPARE(worker->readFile(FileRef(FileRef::ELEMENTARY_FILE, QByteArray(), QByteArray(1, 1)), dg1, CommandApdu::SHORT_MAX_LE), CardReturnCode::OK);
					QCOMPARE(dg1, QByteArray::fromHex("610413024944"));
				});
		}


		void paceThroughCardConnection()
		{
			setSettings(true, false, true);
			start();
			mManager->startScan(ReaderManagerPluginType::SIMULATOR);
			QTRY_VERIFY(mEvents.contains(QStringLiteral("CardInserted")));

			Receiver receiver;
			QVERIFY(connect(receiver));
			auto* connection = receiver.mConnection.data();
			connection->callEstablishPaceChannelCommand(&receiver, &Receiver::onCommandDone, PacePasswordId::PACE_PIN, "731862");
			QTRY_VERIFY(receiver.mCommand);
			QCOMPARE(receiver.mCommand->getReturnCode(), CardReturnCode::OK);
			QVERIFY(connection->getPacePinSuccessful());
			release(receiver);
		}


};

KENDRAWELL_TEST_MAIN(test_SimulatorReaderManagerPlugin)
#include "test_SimulatorReaderManagerPlugin.moc"
