// The reader messages of the JSON front end for a card without the eID application in a real
// PC/SC reader: a pcscd of the tests' own (CTest fixture "pcscd") with vsmartcard's vpcd reader,
// into which VpcdAdapter puts the card.
#include "UiPluginJson.h"

#include "AppSettings.h"
#include "Env.h"
#include "NonEidVirtualCard.h"
#include "PcscdFixture.h"
#include "ReaderManager.h"
#include "VolatileSettings.h"
#include "VpcdAdapter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

using namespace tessarovin;

namespace
{

QJsonObject parse(const QByteArray& pJson)
{
	return QJsonDocument::fromJson(pJson).object();
}


} // namespace


class test_UiPluginJsonVpcd
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


		// The messages the front end fired since the last call, parsed.
		static QList<QJsonObject> take(QSignalSpy& pSpy)
		{
			QList<QJsonObject> messages;
			for (const auto& arguments : std::as_const(pSpy))
			{
				messages << parse(arguments.at(0).toByteArray());
			}
			pSpy.clear();
			return messages;
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
			mManager->startScan(ReaderManagerPluginType::PCSC);
			QTRY_VERIFY_WITH_TIMEOUT(!vpcdReader().isEmpty(), 10000);
		}


		void cleanupTestCase()
		{
			mAdapter.remove();
			if (mManager)
			{
				mManager->shutdown();
			}
		}


		void otherCard_data()
		{
			QTest::addColumn<int>("level");
			QTest::addColumn<bool>("toldOfInsertion");
			QTest::addColumn<QJsonValue>("card");

			QTest::newRow("v1") << 1 << false << QJsonValue(QJsonValue::Null);
			QTest::newRow("v2") << 2 << false << QJsonValue(QJsonValue::Null);
			QTest::newRow("v3") << 3 << true << QJsonValue(QJsonObject());
		}


		// Clients before v3 know only eID cards: they hear of the insertion of another card
		// only on v3 and see it as no card at all; its removal is a reader change for everybody.
		void otherCard()
		{
			QFETCH(int, level);
			QFETCH(bool, toldOfInsertion);
			QFETCH(QJsonValue, card);

			const QString name = vpcdReader();
			UiPluginJson json;
			json.setEnabled(true);
			QSignalSpy fired(&json, &UiPluginJson::fireMessage);
			json.doMessageProcessing(QByteArray(R"({"cmd":"SET_API_LEVEL","level":)") + QByteArray::number(level) + "}");
			fired.clear();

			QSignalSpy inserted(mManager, &ReaderManager::fireCardInserted);
			QVERIFY(mAdapter.insert(std::make_shared<NonEidVirtualCard>()));
			QTRY_VERIFY_WITH_TIMEOUT(!inserted.isEmpty(), 10000);
			QCoreApplication::processEvents();
			QVERIFY(mManager->getReaderInfo(name).hasCard());
			QVERIFY(!mManager->getReaderInfo(name).hasEid());

			const auto messages = take(fired);
			if (toldOfInsertion)
			{
				QCOMPARE(messages.size(), 1);
				QCOMPARE(messages.at(0).value(QLatin1String("msg")).toString(), QStringLiteral("READER"));
				QCOMPARE(messages.at(0).value(QLatin1String("name")).toString(), name);
				QCOMPARE(messages.at(0).value(QLatin1String("card")), card);
			}
			else
			{
				QVERIFY(messages.isEmpty());
			}

			json.doMessageProcessing(QStringLiteral(R"({"cmd":"GET_READER","name":"%1"})").arg(name).toUtf8());
			auto reader = take(fired).value(0);
			QCOMPARE(reader.value(QLatin1String("card")), card);
			QCOMPARE(reader.value(QLatin1String("attached")), QJsonValue(true));
			QCOMPARE(reader.value(QLatin1String("keypad")), QJsonValue(false));

			json.doMessageProcessing(R"({"cmd":"GET_READER_LIST"})");
			const auto list = take(fired).value(0);
			const auto readers = list.value(level == 1 ? QLatin1String("reader") : QLatin1String("readers")).toArray();
			const auto entry = std::find_if(readers.cbegin(), readers.cend(), [&name](const QJsonValue& pReader) {
					return pReader.toObject().value(QLatin1String("name")).toString() == name;
				});
			QVERIFY(entry != readers.cend());
			QCOMPARE(entry->toObject().value(QLatin1String("card")), card);

			QSignalSpy removed(mManager, &ReaderManager::fireCardRemoved);
			mAdapter.remove();
			QTRY_VERIFY_WITH_TIMEOUT(!removed.isEmpty(), 10000);
			QCoreApplication::processEvents();
			const auto afterRemoval = take(fired);
			QCOMPARE(afterRemoval.size(), 1);
			QCOMPARE(afterRemoval.at(0).value(QLatin1String("card")), QJsonValue(QJsonValue::Null));
			json.setEnabled(false);
		}


};

KENDRAWELL_TEST_MAIN(test_UiPluginJsonVpcd)
#include "test_UiPluginJsonVpcd.moc"
