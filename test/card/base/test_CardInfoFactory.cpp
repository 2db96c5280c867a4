#include "CardInfoFactory.h"

#include "LogCapture.h"
#include "ReaderManager.h"
#include "ScriptedReader.h"
#include "TestEnvironment.h"

#include <QSignalSpy>

using namespace tessarovin;

namespace
{

const QString cReader = QStringLiteral("scripted reader");

// Commands as the factory sends them.
const QByteArray cSelectEid("00a4040c09e80704007f00070302");
const QByteArray cSelectPersosim("00a4040c07f04e66e75c02d8");
const QByteArray cSelectPassport("00a4040c07a0000002471001");
const QByteArray cSelectMasterFile("00a4000c023f00");
const QByteArray cReadEfDir("00b09e00");
const QByteArray cReadEfCardAccess("00b09c00");
const QByteArray cMseSetAt("0022c1a4");

QByteArray fixtureHex(const char* pName)
{
	return readFixture(QString::fromLatin1(pName)).toHex();
}


} // namespace


class test_CardInfoFactory
	: public QObject
{
	Q_OBJECT

	private:
		ReaderManager* mManager = nullptr;

	private Q_SLOTS:
		void init()
		{
			mManager = Env::getSingleton<ReaderManager>();
			QSignalSpy finished(mManager, &ReaderManager::fireInitialScanFinished);
			mManager->init();
			QTRY_COMPARE(finished.count(), 1);
		}


		void cleanup()
		{
			mManager->shutdown();
		}


		void withoutConnection()
		{
			LogCapture capture;
			const auto info = CardInfoFactory::create(QSharedPointer<CardConnectionWorker>());
			QCOMPARE(info.getCardType(), CardType::UNKNOWN);
			QVERIFY(capture.contains(QStringLiteral("No connection to smart card")));
			QVERIFY(!CardInfoFactory::checkEfCardAccess(QSharedPointer<const SecurityInfos>()));
		}


		void recognisedOnInsertion_data()
		{
			QTest::addColumn<QList<QByteArrayList>>("script");
			QTest::addColumn<CardType>("type");
			QTest::addColumn<QByteArray>("application");
			QTest::addColumn<int>("retryCounter");
			QTest::addColumn<QStringList>("messages");
			QTest::addColumn<QStringList>("absent");

			const QByteArray efDir = fixtureHex("ef_dir_eid.der") + "6282";
			const QByteArray efCardAccess = fixtureHex("card_access_13.der") + "6282";
			const QByteArrayList selectMasterFile = {cSelectMasterFile, "9000"};
			const QByteArrayList readEfCardAccess = {cReadEfCardAccess, efCardAccess};
			const QByteArrayList retryCounter = {cMseSetAt, "9000"};

			QTest::newRow("eID card") << QList<QByteArrayList>({{cSelectEid, "9000"}, selectMasterFile, {cReadEfDir, efDir}, readEfCardAccess, retryCounter})
					<< CardType::EID_CARD << FileRef::appEId().getIdentifier() << 3
					<< QStringList({QStringLiteral("Card detected: {Type: EID_CARD, Retry counter: -1, PIN deactivated: false}"), QStringLiteral("retrieved retry counter: 3 , was: -1 , PIN deactivated: false")})
					<< QStringList({QStringLiteral("Passport found")});
			QTest::newRow("eID card, one attempt left") << QList<QByteArrayList>({{cSelectEid, "9000"}, selectMasterFile, {cReadEfDir, efDir}, readEfCardAccess, {cMseSetAt, "63c1"}})
					<< CardType::EID_CARD << FileRef::appEId().getIdentifier() << 1
					<< QStringList() << QStringList();
			QTest::newRow("eID card read in blocks") << QList<QByteArrayList>({{cSelectEid, "6982"}, selectMasterFile, {cReadEfDir, fixtureHex("ef_dir_eid.der") + "9000"}, readEfCardAccess, retryCounter, {"00b0", "6b00"}})
					<< CardType::EID_CARD << FileRef::appEId().getIdentifier() << 3
					<< QStringList() << QStringList();
			QTest::newRow("test card") << QList<QByteArrayList>({{cSelectPersosim, "9000"}, selectMasterFile, {cReadEfDir, fixtureHex("ef_dir_persosim.der") + "6282"}, readEfCardAccess, retryCounter})
					<< CardType::EID_CARD << FileRef::appPersosim().getIdentifier() << 3
					<< QStringList({QStringLiteral("Cannot select application: FILE_NOT_FOUND")}) << QStringList();
			QTest::newRow("passport") << QList<QByteArrayList>({{cSelectPassport, "9000"}, selectMasterFile})
					<< CardType::UNKNOWN << QByteArray() << -1
					<< QStringList({QStringLiteral("Passport found"), QStringLiteral("Not a German EID card"), QStringLiteral("Cannot get EF.CardAccess"), QStringLiteral("Update of the retry counter failed")})
					<< QStringList({QStringLiteral("EF.DIR")});
			QTest::newRow("EF.DIR without eID") << QList<QByteArrayList>({{cSelectEid, "9000"}, selectMasterFile, {cReadEfDir, fixtureHex("ef_dir_esign_only.der") + "6282"}})
					<< CardType::UNKNOWN << QByteArray() << -1
					<< QStringList({QStringLiteral("EF.DIR does not match: 610c4f0aa000000167455349474e"), QStringLiteral("Not a German EID card")})
					<< QStringList();
			QTest::newRow("EF.DIR unreadable") << QList<QByteArrayList>({{cSelectEid, "9000"}, selectMasterFile, {cReadEfDir, "6a82"}})
					<< CardType::UNKNOWN << QByteArray() << -1
					<< QStringList({QStringLiteral("Cannot read EF.DIR"), QStringLiteral("Not a German EID card")}) << QStringList();
			QTest::newRow("EF.DIR unparsable") << QList<QByteArrayList>({{cSelectEid, "9000"}, selectMasterFile, {cReadEfDir, "01026282"}})
					<< CardType::UNKNOWN << QByteArray() << -1
					<< QStringList({QStringLiteral("Cannot parse EF.DIR"), QStringLiteral("Not a German EID card")}) << QStringList();
			QTest::newRow("EF.CardAccess unreadable") << QList<QByteArrayList>({{cSelectEid, "9000"}, selectMasterFile, {cReadEfDir, efDir}, {cReadEfCardAccess, "6a82"}})
					<< CardType::UNKNOWN << QByteArray() << -1
					<< QStringList({QStringLiteral("Error while reading EF.CardAccess: Cannot read EF.CardAccess"), QStringLiteral("EFCardAccess not found or is invalid")})
					<< QStringList();
			QTest::newRow("EF.CardAccess unparsable") << QList<QByteArrayList>({{cSelectEid, "9000"}, selectMasterFile, {cReadEfDir, efDir}, {cReadEfCardAccess, "01026282"}})
					<< CardType::UNKNOWN << QByteArray() << -1
					<< QStringList({QStringLiteral("Error while reading EF.CardAccess: Cannot parse EFCardAccess"), QStringLiteral("EFCardAccess not found or is invalid")})
					<< QStringList();
			QTest::newRow("proprietary domain parameters") << QList<QByteArrayList>({{cSelectEid, "9000"}, selectMasterFile, {cReadEfDir, efDir}, {cReadEfCardAccess, fixtureHex("card_access_proprietary.der") + "6282"}})
					<< CardType::UNKNOWN << QByteArray() << -1
					<< QStringList({QStringLiteral("Error while reading EF.CardAccess: No PACEInfo with standardized domain parameters found"), QStringLiteral("EFCardAccess not found or is invalid")})
					<< QStringList();
			QTest::newRow("retry counter unreadable") << QList<QByteArrayList>({{cSelectEid, "9000"}, selectMasterFile, {cReadEfDir, efDir}, readEfCardAccess, {cMseSetAt, "6a80"}})
					<< CardType::UNKNOWN << QByteArray() << -1
					<< QStringList({QStringLiteral("StatusCode: INVALID_DATAFIELD"), QStringLiteral("Update of the retry counter failed")})
					<< QStringList();
		}


		void recognisedOnInsertion()
		{
			QFETCH(QList<QByteArrayList>, script);
			QFETCH(CardType, type);
			QFETCH(QByteArray, application);
			QFETCH(int, retryCounter);
			QFETCH(QStringList, messages);
			QFETCH(QStringList, absent);

			LogCapture capture;
			QSignalSpy inserted(mManager, &ReaderManager::fireCardInserted);
			QVERIFY(insertScriptedCard(cReader, [script](ScriptedCard& pCard){
					for (const auto& rule : script)
					{
						pCard.add(rule.at(0), rule.at(1));
					}
				}));
			QTRY_COMPARE(inserted.count(), 1);

			const auto info = inserted.first().first().value<ReaderInfo>();
			QCOMPARE(info.getCardType(), type);
			QCOMPARE(info.getCardInfo().getApplication().getIdentifier(), application);
			QCOMPARE(info.getRetryCounter(), retryCounter);
			QCOMPARE(info.getCardInfo().getEfCardAccess().isNull(), type != CardType::EID_CARD);
			QCOMPARE(mManager->getReaderInfo(cReader).getCardType(), type);

			for (const auto& message : std::as_const(messages))
			{
				QVERIFY2(capture.contains(message), qPrintable(message));
			}
			for (const auto& message : std::as_const(absent))
			{
				QVERIFY2(!capture.contains(message), qPrintable(message));
			}

			// The card is released after it was read.
			QVERIFY(onScriptedCard(cReader, [](ScriptedCard* pCard){
					QVERIFY(pCard);
					QVERIFY(!pCard->isConnected());
					QCOMPARE(pCard->getReleaseCount(), 1);
				}));
		}


		void applicationsInOrder()
		{
			// Nothing answers: every candidate is tried once, in order.
			QSignalSpy inserted(mManager, &ReaderManager::fireCardInserted);
			QVERIFY(insertScriptedCard(cReader, [](ScriptedCard&){}));
			QTRY_COMPARE(inserted.count(), 1);

			QVERIFY(onScriptedCard(cReader, [](ScriptedCard* pCard){
					QCOMPARE(pCard->getCommands(), QList<QByteArray>({cSelectEid, cSelectPersosim, cSelectPassport}));
				}));
		}


		void readerWithoutCard()
		{
			LogCapture capture;
			QSignalSpy inserted(mManager, &ReaderManager::fireCardInserted);
			QVERIFY(insertScriptedCard(cReader, nullptr));
			QTRY_COMPARE(inserted.count(), 1);

			QCOMPARE(inserted.first().first().value<ReaderInfo>().getCardType(), CardType::UNKNOWN);
			QVERIFY(capture.contains(QStringLiteral("No card available")));
			QVERIFY(capture.contains(QStringLiteral("No connection to smart card")));
		}


};

KENDRAWELL_TEST_MAIN(test_CardInfoFactory)
#include "test_CardInfoFactory.moc"
