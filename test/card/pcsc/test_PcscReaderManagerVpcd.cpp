#include "PcscReaderManagerPlugin.h"

#include "AppSettings.h"
#include "CardConnectionWorker.h"
#include "CardVirtualCard.h"
#include "Env.h"
#include "FileRef.h"
#include "LogCapture.h"
#include "PcscdFixture.h"
#include "ReaderManager.h"
#include "SimulatorCard.h"
#include "TestEnvironment.h"
#include "VolatileSettings.h"
#include "VpcdAdapter.h"

#include <QFile>
#include <QPluginLoader>
#include <QProcess>
#include <QSignalSpy>
#include <QtTest>

#include <functional>
#include <memory>

using namespace tessarovin;

namespace
{

// CTest passes the folder of the pcscd fixture and its script.
QString fixtureFolder()
{
	return qEnvironmentVariable("PCSCD_FIXTURE_DIR");
}


// What the pcscd fixture left in its folder; empty when pcscd runs.
QString fixtureProblem()
{
	if (fixtureFolder().isEmpty())
	{
		return QStringLiteral("PCSCD_FIXTURE_DIR is not set: ctest starts pcscd for this test");
	}
	QFile skip(fixtureFolder() + QStringLiteral("/skip"));
	if (skip.open(QIODevice::ReadOnly))
	{
		return QString::fromUtf8(skip.readAll());
	}
	if (!QFile::exists(fixtureFolder() + QStringLiteral("/pcscd.pid")))
	{
		return QStringLiteral("pcscd is not running: ctest starts it for this test");
	}
	return QString();
}


bool runFixture(const QString& pCommand)
{
	QProcess process;
	process.setProcessChannelMode(QProcess::ForwardedChannels);
	process.start(QStringLiteral("/usr/bin/python3"), {qEnvironmentVariable("PCSCD_FIXTURE_SCRIPT"), pCommand, fixtureFolder()});
	return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}


PcscReaderManagerPlugin* plugin()
{
	const auto instances = QPluginLoader::staticInstances();
	for (auto* instance : instances)
	{
		if (auto* pcsc = qobject_cast<PcscReaderManagerPlugin*>(instance))
		{
			return pcsc;
		}
	}
	return nullptr;
}


// Runs on the plug-in's thread and waits for it.
void onPluginThread(const std::function<void(PcscReaderManagerPlugin&)>& pFunc)
{
	auto* pcsc = plugin();
	QVERIFY(pcsc);
	QVERIFY(QMetaObject::invokeMethod(pcsc, [pcsc, pFunc] {
			pFunc(*pcsc);
		}, Qt::BlockingQueuedConnection));
}


} // namespace


class test_PcscReaderManagerVpcd
	: public QObject
{
	Q_OBJECT

	private:
		ReaderManager* mManager = nullptr;
		VpcdAdapter mAdapter;

		QString vpcdReader() const
		{
			return vpcdReaderName(*mManager);
		}

	private Q_SLOTS:
		void initTestCase()
		{
			if (const QString problem = fixtureProblem(); !problem.isEmpty())
			{
				if (qEnvironmentVariableIsSet("CI"))
				{
					QFAIL(qPrintable(problem));
				}
				QSKIP(qPrintable(problem));
			}

			// Made on this thread before the reader thread asks for them.
			Env::getSingleton<AppSettings>();
			Env::getSingleton<VolatileSettings>()->setDelay(0);
			mManager = Env::getSingleton<ReaderManager>();

			QSignalSpy added(mManager, &ReaderManager::firePluginAdded);
			mManager->init();
			QTRY_VERIFY(std::any_of(added.cbegin(), added.cend(), [](const QList<QVariant>& pArguments) {
					return pArguments.at(0).value<ReaderManagerPluginInfo>().getPluginType() == ReaderManagerPluginType::PCSC;
				}));
		}


		void cleanupTestCase()
		{
			mAdapter.remove();
			if (mManager)
			{
				mManager->shutdown();
			}
		}


		void paceAndSecureRead()
		{
			mManager->startScan(ReaderManagerPluginType::PCSC);
			QTRY_VERIFY_WITH_TIMEOUT(!vpcdReader().isEmpty(), 10000);
			const QString name = vpcdReader();
			QVERIFY(mManager->getPluginInfo(ReaderManagerPluginType::PCSC).isEnabled());
			QTRY_VERIFY(mManager->isInitialScanFinished());
			QVERIFY(mManager->getReaderInfo(name).isBasicReader());
			QVERIFY(!mManager->getReaderInfo(name).hasCard());

			// The simulated eID card behind vpcd: every APDU goes through pcscd.
			SimulatorCard simulatorCard {SimulatorFileSystem()};
			QSignalSpy inserted(mManager, &ReaderManager::fireCardInserted);
			QVERIFY(mAdapter.insert(std::make_shared<CardVirtualCard>(simulatorCard, QByteArray::fromHex("3B8880011122334455667700"))));
			QTRY_VERIFY_WITH_TIMEOUT(mManager->getReaderInfo(name).hasEid(), 10000);
			QVERIFY(!inserted.isEmpty());
			QCOMPARE(inserted.constFirst().at(0).value<ReaderInfo>().getName(), name);
			QCOMPARE(mManager->getReaderInfo(name).getRetryCounter(), 3);

			const int commandsBefore = mAdapter.getCommandCount();
			onPluginThread([name](PcscReaderManagerPlugin& pPlugin) {
					const auto reader = pPlugin.getReader(name);
					QVERIFY(reader);
					const auto worker = reader->createCardConnectionWorker();
					QVERIFY(worker);

					// Our terminal in software; the basic reader passes the APDUs on.
					QVERIFY(worker->establishPaceChannel(PacePasswordId::PACE_PIN, "000000").isWrongPassword());
					const auto output = worker->establishPaceChannel(PacePasswordId::PACE_PIN, "731862");
					QVERIFY(output.isSuccess());
					QVERIFY(!output.getEfCardAccess().isEmpty());

					// DG1 under secure messaging.
					QByteArray dg1;
					QCOMPARE(worker->readFile(FileRef(FileRef::ELEMENTARY_FILE, QByteArray(), QByteArray(1, 1)), dg1, CommandApdu::SHORT_MAX_LE), CardReturnCode::OK);
					QCOMPARE(dg1, QByteArray::fromHex("610413024944"));
				});
			QVERIFY(mAdapter.getCommandCount() > commandsBefore + 8);

			QSignalSpy removed(mManager, &ReaderManager::fireCardRemoved);
			mAdapter.remove();
			QTRY_COMPARE_WITH_TIMEOUT(removed.size(), 1, 10000);
			QVERIFY(!mManager->getReaderInfo(name).hasCard());
		}


		// Last: it stops the fixture's pcscd and starts a new one.
		void serviceStopsDuringScan()
		{
			mManager->startScan(ReaderManagerPluginType::PCSC);
			QTRY_VERIFY_WITH_TIMEOUT(!vpcdReader().isEmpty(), 10000);
			const QString name = vpcdReader();

			QSignalSpy removed(mManager, &ReaderManager::fireReaderRemoved);
			const LogCapture log;
			QVERIFY(runFixture(QStringLiteral("stop")));
			QTRY_VERIFY_WITH_TIMEOUT(vpcdReader().isEmpty(), 10000);
			QTRY_VERIFY_WITH_TIMEOUT(!mManager->getPluginInfo(ReaderManagerPluginType::PCSC).isEnabled(), 10000);
			QVERIFY(std::any_of(removed.cbegin(), removed.cend(), [&name](const QList<QVariant>& pArguments) {
					return pArguments.at(0).value<ReaderInfo>().getName() == name;
				}));
			QTRY_VERIFY(log.contains(QStringLiteral("Not started: Cannot establish context")));
			QVERIFY(log.contains(QStringLiteral("trying to restart plugin")));
			QVERIFY(!mManager->getPluginInfo(ReaderManagerPluginType::PCSC).isScanRunning());

			// Another pcscd of this machine may have taken the socket meanwhile.
			QVERIFY(runFixture(QStringLiteral("start")));
			if (const QString problem = fixtureProblem(); !problem.isEmpty())
			{
				QSKIP(qPrintable(QStringLiteral("pcscd not restarted: ") + problem));
			}

			mManager->startScan(ReaderManagerPluginType::PCSC);
			QTRY_VERIFY_WITH_TIMEOUT(!vpcdReader().isEmpty(), 10000);
			QVERIFY(mManager->getPluginInfo(ReaderManagerPluginType::PCSC).isEnabled());
			QVERIFY(mManager->getPluginInfo(ReaderManagerPluginType::PCSC).isScanRunning());
		}
};

KENDRAWELL_TEST_MAIN(test_PcscReaderManagerVpcd)
#include "test_PcscReaderManagerVpcd.moc"
