#include "ReaderInfo.h"

#include "TestEnvironment.h"

#include <QThread>

using namespace tessarovin;

class test_ReaderInfo
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void fresh()
		{
			const ReaderInfo info(QStringLiteral("Reader"), ReaderManagerPluginType::PCSC, CardInfo(CardType::NONE, FileRef(), nullptr));
			QVERIFY(info.isValid());
			QCOMPARE(info.getName(), QStringLiteral("Reader"));
			QCOMPARE(info.getPluginType(), ReaderManagerPluginType::PCSC);
			QVERIFY(info.isBasicReader());
			QCOMPARE(info.getMaxApduLength(), 500);
			QVERIFY(!info.insufficientApduLength());
			QVERIFY(!info.hasCard());
			QVERIFY(!info.hasEid());
			QVERIFY(!info.isInsertable());
			QCOMPARE(info.getRetryCounter(), -1);
			QVERIFY(!info.isRetryCounterDetermined());
		}


		void defaultConstructed()
		{
			const ReaderInfo info;
			QVERIFY(!info.isValid());
			QVERIFY(info.getName().isEmpty());
			QCOMPARE(info.getPluginType(), ReaderManagerPluginType::UNKNOWN);
			QCOMPARE(info.getCardType(), CardType::NONE);
			QCOMPARE(info.getRetryCounter(), -1);
			QVERIFY(info.isBasicReader());
		}


		void cardQueries_data()
		{
			QTest::addColumn<CardType>("type");
			QTest::addColumn<bool>("hasCard");
			QTest::addColumn<bool>("hasEid");
			QTest::addColumn<QString>("text");

			QTest::newRow("none") << CardType::NONE << false << false << QStringLiteral("not inserted");
			QTest::newRow("unknown") << CardType::UNKNOWN << true << false << QStringLiteral("unknown type");
			QTest::newRow("eID") << CardType::EID_CARD << true << true << QStringLiteral("ID card (PA/eAT/eID)");
		}


		void cardQueries()
		{
			QFETCH(CardType, type);
			QFETCH(bool, hasCard);
			QFETCH(bool, hasEid);
			QFETCH(QString, text);

			const ReaderInfo info(QStringLiteral("Reader"), ReaderManagerPluginType::SIMULATOR, CardInfo(type, FileRef::appEId(), nullptr, 2, true, true));
			QCOMPARE(info.getCardType(), type);
			QCOMPARE(info.hasCard(), hasCard);
			QCOMPARE(info.hasEid(), hasEid);
			QCOMPARE(info.getCardTypeString(), text);
			QCOMPARE(info.getRetryCounter(), 2);
			QVERIFY(info.isRetryCounterDetermined());
			QVERIFY(info.isPinDeactivated());
			QVERIFY(info.isPukInoperative());
		}


		void apduLength_data()
		{
			QTest::addColumn<int>("length");
			QTest::addColumn<bool>("insufficient");

			QTest::newRow("0") << 0 << true;
			QTest::newRow("1") << 1 << true;
			QTest::newRow("499") << 499 << true;
			QTest::newRow("500") << 500 << false;
			QTest::newRow("65546") << 65546 << false;
			QTest::newRow("-1") << -1 << false;
			QTest::newRow("minimum") << std::numeric_limits<int>::min() << false;
		}


		void apduLength()
		{
			QFETCH(int, length);
			QFETCH(bool, insufficient);

			ReaderInfo info(QStringLiteral("Reader"), ReaderManagerPluginType::PCSC);
			info.setMaxApduLength(length);
			QCOMPARE(info.getMaxApduLength(), length);
			QCOMPARE(info.insufficientApduLength(), insufficient);
		}


		void shelveAndInsert()
		{
			ReaderInfo info(QStringLiteral("Simulator"), ReaderManagerPluginType::SIMULATOR, CardInfo(CardType::EID_CARD, FileRef::appEId(), nullptr, 3));

			info.shelveCard();
			QVERIFY(!info.hasCard());
			QVERIFY(info.isInsertable());
			QCOMPARE(info.getRetryCounter(), 3);

			info.insertCard();
			QVERIFY(info.hasEid());
			QVERIFY(info.isInsertable());
			QCOMPARE(info.getCardInfo().getApplication(), FileRef::appEId());

			// A second shelve of an empty reader keeps nothing to insert.
			info.shelveCard();
			info.shelveCard();
			QVERIFY(!info.isInsertable());
			info.insertCard();
			QVERIFY(!info.hasCard());
		}


		void insertWithoutShelvedCard()
		{
			ReaderInfo info(QStringLiteral("Reader"), ReaderManagerPluginType::PCSC, CardInfo(CardType::EID_CARD, FileRef(), nullptr));
			QVERIFY(!info.isInsertable());
			info.insertCard();
			QVERIFY(!info.hasCard());
		}


		void invalidate()
		{
			ReaderInfo info(QStringLiteral("Reader"), ReaderManagerPluginType::REMOTE_IFD, CardInfo(CardType::EID_CARD, FileRef::appEId(), nullptr, 3, true));
			info.setBasicReader(false);
			info.setMaxApduLength(1000);
			info.shelveCard();
			info.insertCard();

			info.invalidate();
			QVERIFY(!info.isValid());
			QVERIFY(!info.hasCard());
			QCOMPARE(info.getName(), QStringLiteral("Reader"));
			QCOMPARE(info.getRetryCounter(), -1);
			QVERIFY(!info.isPinDeactivated());
			QCOMPARE(info.getCardInfo().getApplication(), FileRef());
			QVERIFY(!info.isBasicReader());
			QCOMPARE(info.getMaxApduLength(), 1000);
			QVERIFY(info.isInsertable());
		}


		void setters()
		{
			ReaderInfo info(QStringLiteral("Reader"), ReaderManagerPluginType::PCSC);
			info.setBasicReader(false);
			QVERIFY(!info.isBasicReader());

			info.setCardInfo(CardInfo(CardType::EID_CARD, FileRef::appEId(), nullptr, 1));
			QVERIFY(info.hasEid());
			QCOMPARE(info.getRetryCounter(), 1);
		}


		void metaTypes()
		{
			QCOMPARE(QMetaType::fromName("ReaderInfo"), QMetaType::fromType<ReaderInfo>());
			QCOMPARE(QMetaType::fromName("ReaderManagerPluginInfo"), QMetaType::fromType<ReaderManagerPluginInfo>());
		}


		void queuedAcrossThreads()
		{
			// The reader manager's worker reports readers this way.
			QThread thread;
			QObject sender;
			sender.moveToThread(&thread);
			thread.start();

			ReaderInfo received;
			QMetaObject::invokeMethod(&sender, [this, &received] {
					const ReaderInfo info(QStringLiteral("Remote"), ReaderManagerPluginType::REMOTE_IFD, CardInfo(CardType::EID_CARD, FileRef(), nullptr, 3));
					QMetaObject::invokeMethod(this, [&received, info] {
							received = info;
						}, Qt::QueuedConnection);
				}, Qt::BlockingQueuedConnection);
			thread.quit();
			QVERIFY(thread.wait());

			QTRY_COMPARE(received.getName(), QStringLiteral("Remote"));
			QVERIFY(received.hasEid());
			QCOMPARE(received.getRetryCounter(), 3);
		}


};

KENDRAWELL_TEST_MAIN(test_ReaderInfo)
#include "test_ReaderInfo.moc"
