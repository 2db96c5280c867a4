#include "Reader.h"

#include "LogCapture.h"
#include "MockReader.h"
#include "TestEnvironment.h"

#include <QSignalSpy>
#include <QTimerEvent>

using namespace tessarovin;

class test_Reader
	: public QObject
{
	Q_OBJECT

	private:
		// Sends a timer event as the event loop would.
		static void sendTimer(Reader& pReader, int pTimerId)
		{
			QTimerEvent event(pTimerId);
			QCoreApplication::sendEvent(&pReader, &event);
		}

	private Q_SLOTS:
		void construction()
		{
			const MockReader reader(QStringLiteral("reader"));
			const auto& info = reader.getReaderInfo();
			QCOMPARE(info.getName(), QStringLiteral("reader"));
			QCOMPARE(info.getPluginType(), ReaderManagerPluginType::MOCK);
			QVERIFY(!info.hasCard());
			QVERIFY(!info.isInsertable());
			QCOMPARE(reader.getTimerId(), 0);
			QVERIFY(reader.getCard() == nullptr);
		}


		void timerPollsOwnTimerOnly()
		{
			MockReader reader(QStringLiteral("reader"));
			reader.setTimerId(reader.startTimer(1000 * 60 * 60));

			sendTimer(reader, reader.getTimerId() + 1);
			QCOMPARE(reader.getUpdateCount(), 0);
			sendTimer(reader, reader.getTimerId());
			QCOMPARE(reader.getUpdateCount(), 1);
			reader.killTimer(reader.getTimerId());
		}


		void insertCard_data()
		{
			QTest::addColumn<bool>("shelved");
			QTest::addColumn<bool>("cardPresent");
			QTest::addColumn<QString>("message");

			QTest::newRow("never shelved, no card") << false << false << QStringLiteral("Skipping insert because card is not insertable");
			QTest::newRow("never shelved, card") << false << true << QStringLiteral("Skipping insert because card is not insertable");
			QTest::newRow("shelved, card present") << true << true << QStringLiteral("Skipping insert because card is already inserted");
			QTest::newRow("shelved") << true << false << QStringLiteral("Card inserted:");
		}


		void insertCard()
		{
			QFETCH(bool, shelved);
			QFETCH(bool, cardPresent);
			QFETCH(QString, message);

			MockReader reader(QStringLiteral("reader"));
			if (shelved || cardPresent)
			{
				reader.insertEidCard();
			}
			if (shelved)
			{
				reader.shelveCard();
				if (cardPresent)
				{
					reader.insertCard();
				}
			}

			QSignalSpy inserted(&reader, &Reader::fireCardInserted);
			LogCapture capture;
			reader.insertCard();
			QCOMPARE(capture.count(message), 1);
			QCOMPARE(inserted.count(), message.startsWith(QLatin1String("Card inserted")) ? 1 : 0);
			if (!inserted.isEmpty())
			{
				QVERIFY(inserted.first().first().value<ReaderInfo>().hasEid());
			}
		}


		void shelveCard()
		{
			MockReader reader(QStringLiteral("reader"));
			QSignalSpy removed(&reader, &Reader::fireCardRemoved);
			QSignalSpy properties(&reader, &Reader::fireReaderPropertiesUpdated);

			reader.shelveCard();
			QCOMPARE(removed.count() + properties.count(), 0);

			// A card never shelved goes on the shelf: the reader now offers it for insertion.
			reader.insertEidCard(2);
			reader.shelveCard();
			QCOMPARE(properties.count(), 1);
			QCOMPARE(removed.count(), 0);
			QVERIFY(reader.getReaderInfo().isInsertable());
			QVERIFY(!reader.getReaderInfo().hasCard());

			// A card inserted from the shelf is removed when it goes back.
			reader.insertCard();
			QVERIFY(reader.getReaderInfo().hasEid());
			QCOMPARE(reader.getReaderInfo().getRetryCounter(), 2);
			reader.shelveCard();
			QCOMPARE(removed.count(), 1);
			QCOMPARE(properties.count(), 1);
			QVERIFY(reader.getReaderInfo().isInsertable());

			reader.removeCardInfo();
			QVERIFY(!reader.getReaderInfo().isInsertable());
			QVERIFY(!reader.getReaderInfo().hasCard());
		}


		void pukInoperative()
		{
			MockReader reader(QStringLiteral("reader"));
			reader.insertEidCard(1);
			QSignalSpy changed(&reader, &Reader::fireCardInfoChanged);

			reader.setPukInoperative();
			QCOMPARE(changed.count(), 1);
			const auto info = changed.first().first().value<ReaderInfo>();
			QVERIFY(info.isPukInoperative());
			QVERIFY(info.hasEid());
			QCOMPARE(info.getRetryCounter(), 1);
			QCOMPARE(info.getCardInfo().getApplication(), FileRef::appEId());
		}


		void setters()
		{
			MockReader reader(QStringLiteral("reader"));
			reader.setBasicReader(false);
			reader.setMaxApduLength(261);
			reader.setCardInfo(CardInfo(CardType::UNKNOWN, FileRef(), QSharedPointer<const SecurityInfos>()));
			QVERIFY(!reader.getReaderInfo().isBasicReader());
			QCOMPARE(reader.getReaderInfo().getMaxApduLength(), 261);
			QCOMPARE(reader.getReaderInfo().getCardType(), CardType::UNKNOWN);
		}


};

KENDRAWELL_TEST_MAIN(test_Reader)
#include "test_Reader.moc"
