// The reader selection over PC/SC: a pcscd of the tests' own (CTest fixture "pcscd") with
// vsmartcard's vpcd reader, into which VpcdAdapter puts simulated cards.
#include "states/StateSelectReader.h"

#include "AppSettings.h"
#include "CardVirtualCard.h"
#include "Env.h"
#include "FileSystemVirtualCard.h"
#include "LogCapture.h"
#include "PcscdFixture.h"
#include "ReaderManager.h"
#include "SimulatorCard.h"
#include "SingleStateController.h"
#include "TestWorkflowContext.h"
#include "TestWorkflowUi.h"
#include "VolatileSettings.h"
#include "VpcdAdapter.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QSignalSpy>
#include <QtTest>

#include <memory>


using namespace tessarovin;

namespace
{

// A card whose EF.DIR names only another application (eSign): no eID card, whatever else it holds.
QJsonObject withoutEidApplication()
{
	const QJsonObject efDir {
		{QStringLiteral("fileId"), QStringLiteral("2f00")},
		{QStringLiteral("shortFileId"), QStringLiteral("1e")},
		{QStringLiteral("content"), QStringLiteral("610c4f0aa000000167455349474e")}
	};
	return QJsonObject {{QStringLiteral("files"), QJsonArray {efDir}}};
}


} // namespace


class test_StateSelectReaderVpcd
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
			KENDRAWELL_REQUIRE_PCSCD_FIXTURE()

			Env::getSingleton<AppSettings>();
			Env::getSingleton<VolatileSettings>()->setDelay(0);
			mManager = Env::getSingleton<ReaderManager>();
			QSignalSpy initialized(mManager, &ReaderManager::fireInitialized);
			mManager->init();
			QTRY_VERIFY(!initialized.isEmpty());
		}


		void cleanupTestCase()
		{
			mAdapter.remove();
			if (mManager)
			{
				mManager->shutdown();
			}
		}


		void neverPicksACardWithoutEid()
		{
			const auto context = QSharedPointer<TestWorkflowContext>::create();
			context->setReaderPluginTypes({ReaderManagerPluginType::PCSC});
			TestWorkflowUi ui;
			ui.claim(context);
			SingleStateController controller(context);
			controller.setState<StateSelectReader>();
			const LogCapture log;
			controller.run();

			// The state starts the scan that lists vpcd's reader.
			QTRY_VERIFY_WITH_TIMEOUT(!vpcdReader().isEmpty(), 10000);
			const QString name = vpcdReader();
			QVERIFY(!mManager->getReaderInfo(name).hasCard());

			QSignalSpy inserted(mManager, &ReaderManager::fireCardInserted);
			QVERIFY(mAdapter.insert(std::make_shared<FileSystemVirtualCard>(SimulatorFileSystem(withoutEidApplication()))));
			QTRY_VERIFY_WITH_TIMEOUT(!inserted.isEmpty(), 10000);
			QTRY_VERIFY(mManager->getReaderInfo(name).hasCard());
			QCoreApplication::processEvents();
			QVERIFY(!mManager->getReaderInfo(name).hasEid());
			QVERIFY(!controller.hasLeft());
			QVERIFY(context->getReaderName().isEmpty());
			QVERIFY(log.contains(QStringLiteral("No selectable reader detected")));

			// The simulated eID card in the same reader is taken.
			QSignalSpy removed(mManager, &ReaderManager::fireCardRemoved);
			mAdapter.remove();
			QTRY_VERIFY_WITH_TIMEOUT(!removed.isEmpty(), 10000);
			QVERIFY(!controller.hasLeft());

			SimulatorCard simulatorCard {SimulatorFileSystem()};
			QVERIFY(mAdapter.insert(std::make_shared<CardVirtualCard>(simulatorCard, QByteArray::fromHex("3B8880011122334455667700"))));
			QTRY_VERIFY_WITH_TIMEOUT(controller.hasLeft(), 10000);
			QCOMPARE(controller.getEndedBy(), QStringList({QStringLiteral("fireContinue")}));
			QCOMPARE(context->getReaderName(), name);
			mAdapter.remove();
		}


};

KENDRAWELL_TEST_MAIN(test_StateSelectReaderVpcd)
#include "test_StateSelectReaderVpcd.moc"
