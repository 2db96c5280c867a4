#include "ReaderManagerWorker.h"

#include "LogCapture.h"
#include "MockReaderManagerPlugin.h"
#include "TestEnvironment.h"

#include <QSignalSpy>
#include <QtPlugin>

using namespace tessarovin;

namespace tessarovin
{

// A front-end plug-in: another interface id, never looked at.
class FakeUiPlugin
	: public QObject
{
	Q_OBJECT
	Q_PLUGIN_METADATA(IID "tessarovin.UiPlugin")
};


// Claims the reader interface id but does not implement the interface.
class FakeBrokenReaderPlugin
	: public QObject
{
	Q_OBJECT
	Q_PLUGIN_METADATA(IID "tessarovin.ReaderManagerPlugin")
};

} // namespace tessarovin

Q_IMPORT_PLUGIN(FakeUiPlugin)
Q_IMPORT_PLUGIN(FakeBrokenReaderPlugin)


class test_ReaderManagerWorker
	: public QObject
{
	Q_OBJECT

	private:
		QScopedPointer<ReaderManagerWorker> mWorker;

		MockReaderManagerPlugin& plugin()
		{
			MockReaderManagerPlugin* result = nullptr;
			MockReaderManagerPlugin::runOnPlugin([&result](MockReaderManagerPlugin& pPlugin) {
					result = &pPlugin;
				});
			Q_ASSERT(result);
			return *result;
		}

	private Q_SLOTS:
		// The worker runs on this thread here; the plug-in is created on it too.
		void init()
		{
			mWorker.reset(new ReaderManagerWorker());
		}


		void cleanup()
		{
			mWorker->shutdown();
			mWorker.reset();
			QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
		}


		void registerPlugins()
		{
			QSignalSpy pluginAdded(mWorker.data(), &ReaderManagerWorker::firePluginAdded);
			QSignalSpy initialized(mWorker.data(), &ReaderManagerWorker::fireInitialized);
			LogCapture capture;

			mWorker->onThreadStarted();

			QCOMPARE(initialized.count(), 1);
			QCOMPARE(pluginAdded.count(), 1);
			const auto info = pluginAdded.first().first().value<ReaderManagerPluginInfo>();
			QCOMPARE(info.getPluginType(), ReaderManagerPluginType::MOCK);
			QCOMPARE(info.getInitialScanState(), ReaderManagerPluginInfo::SUCCEEDED);

			QCOMPARE(capture.count(QStringLiteral("Register and initialize plugin:")), 2);
			QCOMPARE(capture.count(QStringLiteral("Cannot cast to plugin instance:")), 1);
			QCOMPARE(capture.count(QStringLiteral("FakeBrokenReaderPlugin")), 2);
			QVERIFY(!capture.contains(QStringLiteral("UiPlugin")));
		}


		void scans()
		{
			mWorker->onThreadStarted();
			QSignalSpy status(mWorker.data(), &ReaderManagerWorker::fireStatusChanged);

			// Not scanning: nothing to stop, and the initial scan stays as it is.
			mWorker->stopScan(ReaderManagerPluginType::MOCK, QString());
			QCOMPARE(status.count(), 0);
			QCOMPARE(plugin().getInfo().getInitialScanState(), ReaderManagerPluginInfo::SUCCEEDED);

			LogCapture capture;
			mWorker->startScan(ReaderManagerPluginType::MOCK, true);
			mWorker->startScan(ReaderManagerPluginType::MOCK, true);
			QCOMPARE(status.count(), 1);
			QVERIFY(status.takeFirst().first().value<ReaderManagerPluginInfo>().isScanRunning());
			QCOMPARE(capture.count(QStringLiteral("Start scan on plugin: tessarovin::MockReaderManagerPlugin")), 2);

			mWorker->stopScan(ReaderManagerPluginType::MOCK, QStringLiteral("error"));
			QCOMPARE(status.count(), 2);
			QVERIFY(!status.at(0).first().value<ReaderManagerPluginInfo>().isScanRunning());
			QCOMPARE(status.at(1).first().value<ReaderManagerPluginInfo>().getInitialScanState(), ReaderManagerPluginInfo::UNKNOWN);

			// No back end of that type.
			mWorker->startScan(ReaderManagerPluginType::PCSC, true);
			QCOMPARE(status.count(), 2);
		}


		void readers()
		{
			mWorker->onThreadStarted();
			QSignalSpy added(mWorker.data(), &ReaderManagerWorker::fireReaderAdded);
			QSignalSpy removed(mWorker.data(), &ReaderManagerWorker::fireReaderRemoved);
			QSignalSpy inserted(mWorker.data(), &ReaderManagerWorker::fireCardInserted);
			QSignalSpy properties(mWorker.data(), &ReaderManagerWorker::fireReaderPropertiesUpdated);

			auto* reader = plugin().addReader(QStringLiteral("reader"));
			QCOMPARE(added.count(), 1);
			QCOMPARE(mWorker->getReader(QStringLiteral("reader")).data(), reader);

			reader->insertEidCard();
			QCOMPARE(inserted.count(), 1);

			// Shelving goes through the back end, which shelves insertable readers only.
			mWorker->shelve();
			QCOMPARE(properties.count(), 0);
			reader->shelveCard();
			QCOMPARE(properties.count(), 1);

			LogCapture capture;
			mWorker->insert(ReaderInfo(QStringLiteral("reader"), ReaderManagerPluginType::PCSC), QVariant());
			QCOMPARE(inserted.count(), 1);
			QVERIFY(!capture.contains(QStringLiteral("Insert")));
			mWorker->insert(reader->getReaderInfo(), QVariant());
			QCOMPARE(inserted.count(), 2);
			QVERIFY(inserted.last().first().value<ReaderInfo>().hasEid());

			mWorker->updateReaderInfo(QStringLiteral("reader"));
			QCOMPARE(reader->getUpdateCount(), 1);

			capture.clear();
			mWorker->updateReaderInfo(QStringLiteral("unknown"));
			QCOMPARE(capture.count(QStringLiteral("Requested reader does not exist:")), 2);

			plugin().removeReader(QStringLiteral("reader"));
			QCOMPARE(removed.count(), 1);
			const auto info = removed.first().first().value<ReaderInfo>();
			QCOMPARE(info.getName(), QStringLiteral("reader"));
			QVERIFY(!info.isValid());
			QVERIFY(!info.hasCard());
		}


		void resetAndShutdown()
		{
			mWorker->onThreadStarted();
			mWorker->startScan(ReaderManagerPluginType::MOCK, false);

			LogCapture capture;
			mWorker->reset(ReaderManagerPluginType::MOCK);
			QVERIFY(capture.contains(QStringLiteral("Reset plugin: tessarovin::MockReaderManagerPlugin")));
			QVERIFY(capture.contains(QStringLiteral("Shutdown ReaderManagerPluginType::MOCK")));

			QSignalSpy status(mWorker.data(), &ReaderManagerWorker::fireStatusChanged);
			capture.clear();
			mWorker->shutdown();
			QCOMPARE(status.count(), 1);
			QVERIFY(!status.first().first().value<ReaderManagerPluginInfo>().isScanRunning());
			QVERIFY(capture.contains(QStringLiteral("Shutdown ReaderManagerWorker")));
			QVERIFY(capture.contains(QStringLiteral("Shutdown plugin:")));

			QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
			QVERIFY(!MockReaderManagerPlugin::runOnPlugin([](MockReaderManagerPlugin&) {}));
			QVERIFY(mWorker->getReader(QStringLiteral("reader")).isNull());
		}


};

KENDRAWELL_TEST_MAIN(test_ReaderManagerWorker)
#include "test_ReaderManagerWorker.moc"
