#include "PcscReader.h"

#include "FakeSCardApi.h"
#include "LogCapture.h"
#include "ScriptedCard.h"
#include "TestEnvironment.h"

#include <QSignalSpy>
#include <QtTest>

#include <memory>

#include <reader.h>

using namespace tessarovin;
using namespace tessarovin::pcsc;

namespace
{

const QString cName = QStringLiteral("Fake Reader 00 00");
const QByteArray cAtr = QByteArray::fromHex("3B8A80010031C173C8400000900090");
constexpr DWORD cInserted = SCARD_STATE_CHANGED | SCARD_STATE_PRESENT;
constexpr DWORD cRemoved = SCARD_STATE_CHANGED | SCARD_STATE_EMPTY;

} // namespace


class test_PcscReader
	: public QObject
{
	Q_OBJECT

	private:
		std::unique_ptr<FakeSCardApi> mApi;
		std::unique_ptr<ScriptedCard> mCard;

		std::unique_ptr<PcscReader> initReader()
		{
			auto reader = std::make_unique<PcscReader>(cName);
			if (reader->init() != Scard_S_Success)
			{
				return nullptr;
			}
			mApi->takeCalls();
			return reader;
		}

	private Q_SLOTS:
		void init()
		{
			mApi = std::make_unique<FakeSCardApi>();
			mCard = std::make_unique<ScriptedCard>();
			mCard->scriptEidCard(readFixture(QStringLiteral("card_access_13.der")));
			mApi->setCard([this](const QByteArray& pCommand){
					return QByteArray(mCard->transmit(CommandApdu(pCommand)).mResponseApdu);
				});
		}


		void cleanup()
		{
			mApi.reset();
			mCard.reset();
		}


		void initialise_data()
		{
			QTest::addColumn<QByteArray>("features");
			QTest::addColumn<PcscReturnCode>("controlCode");
			QTest::addColumn<bool>("basicReader");

			QTest::newRow("no features") << QByteArray() << Scard_S_Success << true;
			QTest::newRow("pin pad") << QByteArray::fromHex("060442330006070442330007") << Scard_S_Success << true;
			QTest::newRow("PACE") << QByteArray::fromHex("2004423300CC") << Scard_S_Success << false;
			QTest::newRow("request refused") << QByteArray::fromHex("2004423300CC") << Scard_E_Unexpected << true;
		}


		void initialise()
		{
			QFETCH(QByteArray, features);
			QFETCH(PcscReturnCode, controlCode);
			QFETCH(bool, basicReader);

			mApi->setFeatures(features);
			mApi->queueResult(QStringLiteral("SCardControl"), controlCode);
			mApi->queueResult(QStringLiteral("SCardGetStatusChange"), Scard_E_Timeout);

			const LogCapture log;
			PcscReader reader(cName);
			QCOMPARE(reader.getReaderInfo().getName(), cName);
			QCOMPARE(reader.objectName(), cName);
			QCOMPARE(reader.getReaderInfo().getPluginType(), ReaderManagerPluginType::PCSC);
			QCOMPARE(reader.getTimerId(), 0);

			QCOMPARE(reader.init(), long(Scard_S_Success));
			QCOMPARE(mApi->takeCalls(), QStringList({
						QStringLiteral("SCardEstablishContext(0)"),
						QStringLiteral("SCardConnect(%1, 3, 0)").arg(cName),
						QStringLiteral("SCardControl(0x%1, 0000, 1024)").arg(CM_IOCTL_GET_FEATURE_REQUEST, 0, 16),
						QStringLiteral("SCardDisconnect(0)"),
						QStringLiteral("SCardGetStatusChange(1, 0, %1, 1)").arg(cName)}));
			QCOMPARE(reader.getReaderInfo().isBasicReader(), basicReader);
			QCOMPARE(reader.hasFeature(FeatureID::EXECUTE_PACE), !basicReader);
			if (!basicReader)
			{
				QCOMPARE(reader.getFeatureValue(FeatureID::EXECUTE_PACE), 0x423300CC);
			}
			QCOMPARE(log.count(QStringLiteral("Determining the reader features failed. Assuming this is a basic reader")),
					controlCode == Scard_S_Success ? 0 : 1);
			QVERIFY(reader.getTimerId() != 0);
			QVERIFY(!reader.getReaderInfo().hasCard());
		}


		void initFails_data()
		{
			QTest::addColumn<QString>("call");
			QTest::addColumn<PcscReturnCode>("code");
			QTest::addColumn<QString>("warning");

			QTest::newRow("no context") << QStringLiteral("SCardEstablishContext") << Scard_E_No_Service << QStringLiteral("Cannot establish context");
			QTest::newRow("no direct connection") << QStringLiteral("SCardConnect") << Scard_E_Reader_Unavailable
												  << QStringLiteral("Features / Capabilities not successful: -2146435049");
		}


		void initFails()
		{
			QFETCH(QString, call);
			QFETCH(PcscReturnCode, code);
			QFETCH(QString, warning);

			mApi->queueResult(call, code);
			const LogCapture log;
			auto reader = std::make_unique<PcscReader>(cName);
			QCOMPARE(reader->init(), long(code));
			QCOMPARE(log.count(warning), 1);
			QCOMPARE(reader->getTimerId(), 0);
			QVERIFY(mApi->getCalls(QStringLiteral("SCardControl")).isEmpty());
			QVERIFY(mApi->getCalls(QStringLiteral("SCardGetStatusChange")).isEmpty());

			mApi->takeCalls();
			reader.reset();
			// Only a context that was established is given back.
			QCOMPARE(mApi->getCalls(QStringLiteral("SCardReleaseContext")).size(), call == QLatin1String("SCardEstablishContext") ? 0 : 1);
		}


		void insertAndRemove()
		{
			const auto reader = initReader();
			QVERIFY(reader);
			QSignalSpy inserted(reader.get(), &Reader::fireCardInserted);
			QSignalSpy removed(reader.get(), &Reader::fireCardRemoved);

			const LogCapture log;
			mApi->setReaderState(cInserted, cAtr);
			QTRY_COMPARE(inserted.size(), 1);
			QVERIFY(reader->getCard() != nullptr);
			QVERIFY(!reader->getCard()->isConnected());
			const auto info = inserted.at(0).at(0).value<ReaderInfo>();
			QVERIFY(info.hasEid());
			QCOMPARE(info.getRetryCounter(), 3);
			QVERIFY(reader->getReaderInfo().hasEid());
			QCOMPARE(log.count(QStringLiteral("ATR: 3b 8a 80 01 00 31 c1 73 c8 40 00 00 90 00 90")), 1);
			QCOMPARE(log.count(QStringLiteral("old state: (0) UNAWARE | new state: (34) CHANGED PRESENT")), 1);
			QCOMPARE(log.count(QStringLiteral("Card inserted:")), 1);

			// The same state again is no change.
			reader->updateCard();
			reader->updateCard();
			QCOMPARE(inserted.size(), 1);

			mApi->takeCalls();
			mApi->setReaderState(cRemoved);
			QTRY_COMPARE(removed.size(), 1);
			QCOMPARE(inserted.size(), 1);
			QCOMPARE(reader->getCard(), nullptr);
			QVERIFY(!removed.at(0).at(0).value<ReaderInfo>().hasCard());
			QVERIFY(!reader->getReaderInfo().hasCard());
			QCOMPARE(log.count(QStringLiteral("old state: (34) CHANGED PRESENT | new state: (18) CHANGED EMPTY")), 1);
			QCOMPARE(log.count(QStringLiteral("Card removed")), 1);
			QCOMPARE(mApi->getCalls(QStringLiteral("SCardReleaseContext")).size(), 1);
		}


		void readsReaderInfo()
		{
			const auto reader = initReader();
			QVERIFY(reader);
			mCard->add("ff9a0101", "4b656e64726177656c6c9000");
			mCard->add("ff9a0103", "6a81");
			mCard->add("ff9a0106", "32009000");

			const LogCapture log;
			mApi->setReaderState(cInserted, cAtr);
			reader->updateCard();
			QVERIFY(reader->getCard());
			const auto commands = mCard->getCommands();
			QVERIFY(commands.size() >= 4);
			QCOMPARE(commands.mid(0, 4), QList<QByteArray>({"ff9a010100", "ff9a010300", "ff9a010600", "ff9a010700"}));
			// Every answer that arrives counts, whatever its status word.
			QCOMPARE(log.count(QStringLiteral("GetReaderInfo: \"Kendrawell, , 2\\x00, \"")), 1);
		}


		void ignoredStates_data()
		{
			QTest::addColumn<DWORD>("state");

			QTest::newRow("no change") << DWORD(SCARD_STATE_PRESENT);
			QTest::newRow("unavailable") << DWORD(cInserted | SCARD_STATE_UNAVAILABLE);
			QTest::newRow("unknown") << DWORD(cInserted | SCARD_STATE_UNKNOWN);
		}


		void ignoredStates()
		{
			QFETCH(DWORD, state);

			const auto reader = initReader();
			QVERIFY(reader);
			QSignalSpy inserted(reader.get(), &Reader::fireCardInserted);

			const LogCapture log;
			mApi->setReaderState(state, cAtr);
			reader->updateCard();
			QCOMPARE(inserted.size(), 0);
			QCOMPARE(reader->getCard(), nullptr);
			QCOMPARE(log.count(QStringLiteral("old state:")), 0);

			// The current state stayed as it was.
			mApi->setReaderState(cInserted, cAtr);
			reader->updateCard();
			QCOMPARE(inserted.size(), 1);
			QCOMPARE(log.count(QStringLiteral("old state: (0) UNAWARE | new state: (34) CHANGED PRESENT")), 1);
		}


		void exclusiveCard()
		{
			const auto reader = initReader();
			QVERIFY(reader);
			QSignalSpy inserted(reader.get(), &Reader::fireCardInserted);

			mApi->setReaderState(cInserted | SCARD_STATE_EXCLUSIVE | SCARD_STATE_INUSE, cAtr);
			reader->updateCard();
			QCOMPARE(inserted.size(), 0);
			QCOMPARE(reader->getCard(), nullptr);

			// The other program lets go; the service counts the event in the upper bits.
			const LogCapture log;
			mApi->setReaderState(0x10000 | cInserted, cAtr);
			reader->updateCard();
			QCOMPARE(inserted.size(), 1);
			QVERIFY(reader->getCard() != nullptr);
			QCOMPARE(log.count(QStringLiteral("old state: (418) CHANGED PRESENT EXCLUSIVE INUSE | new state: (65570) CHANGED PRESENT")), 1);
		}


		void cardAtInit()
		{
			mApi->setReaderState(cInserted, cAtr);
			PcscReader reader(cName);
			QSignalSpy inserted(&reader, &Reader::fireCardInserted);
			QCOMPARE(reader.init(), long(Scard_S_Success));
			QCOMPARE(inserted.size(), 1);
			QVERIFY(reader.getReaderInfo().hasEid());
			QVERIFY(reader.getCard() != nullptr);
		}


		void removedWhileConnected()
		{
			const auto reader = initReader();
			QVERIFY(reader);
			mApi->setReaderState(cInserted, cAtr);
			reader->updateCard();
			QVERIFY(reader->getCard());
			QCOMPARE(reader->getCard()->establishConnection(), CardReturnCode::OK);

			mApi->takeCalls();
			mApi->setReaderState(cRemoved);
			reader->updateCard();
			QCOMPARE(reader->getCard(), nullptr);
			QCOMPARE(mApi->takeCalls(), QStringList({
						QStringLiteral("SCardGetStatusChange(1, 0, %1, 1)").arg(cName),
						QStringLiteral("SCardEndTransaction(0)"),
						QStringLiteral("SCardDisconnect(1)"),
						QStringLiteral("SCardReleaseContext(2)")}));
		}


		void statusErrors_data()
		{
			QTest::addColumn<PcscReturnCode>("code");
			QTest::addColumn<QStringList>("warnings");
			QTest::addColumn<bool>("polling");

			QTest::newRow("timeout") << Scard_E_Timeout << QStringList() << true;
			QTest::newRow("unknown reader") << Scard_E_Unknown_Reader
											<< QStringList {QStringLiteral("SCardGetStatusChange: Scard_E_Unknown_Reader"), QStringLiteral("Reader unknown, stop updating reader information")}
											<< false;
			QTest::newRow("no service") << Scard_E_No_Service
										<< QStringList {QStringLiteral("SCardGetStatusChange: Scard_E_No_Service"), QStringLiteral("Cannot update reader")}
										<< true;
		}


		void statusErrors()
		{
			QFETCH(PcscReturnCode, code);
			QFETCH(QStringList, warnings);
			QFETCH(bool, polling);

			const auto reader = initReader();
			QVERIFY(reader);
			QSignalSpy inserted(reader.get(), &Reader::fireCardInserted);
			mApi->setReaderState(cInserted, cAtr);
			mApi->queueResult(QStringLiteral("SCardGetStatusChange"), code);

			const LogCapture log;
			reader->updateCard();
			QCOMPARE(inserted.size(), 0);
			QStringList logged;
			for (const auto& entry : log.entries())
			{
				if (entry.mType == QtWarningMsg)
				{
					logged << entry.mMessage;
				}
			}
			QCOMPARE(logged, warnings);
			QCOMPARE(reader->getTimerId() != 0, polling);

			if (polling)
			{
				QTRY_COMPARE(inserted.size(), 1);
			}
		}


		void destroy()
		{
			auto reader = initReader();
			QVERIFY(reader);
			mApi->setReaderState(cInserted, cAtr);
			reader->updateCard();
			QVERIFY(reader->getCard());

			mApi->takeCalls();
			const LogCapture log;
			reader.reset();
			QCOMPARE(mApi->takeCalls(), QStringList({
						QStringLiteral("SCardCancel(1)"),
						QStringLiteral("SCardReleaseContext(1)"),
						QStringLiteral("SCardReleaseContext(2)")}));
			QCOMPARE(log.count(QStringLiteral("SCardCancel:         Scard_S_Success")), 1);
		}
};

KENDRAWELL_TEST_MAIN(test_PcscReader)
#include "test_PcscReader.moc"
