#include "PcscReader.h"

#include "CardVirtualCard.h"
#include "FileSystemVirtualCard.h"
#include "LogCapture.h"
#include "PcscdFixture.h"
#include "SCardApi.h"
#include "ScriptedCard.h"
#include "TestEnvironment.h"
#include "VpcdAdapter.h"

#include <QDeadlineTimer>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

using namespace tessarovin;
using namespace tessarovin::pcsc;

namespace
{

QString toSpacedHex(const QByteArray& pBytes)
{
	return QString::fromLatin1(pBytes.toHex(' '));
}


} // namespace


class test_PcscVpcd
	: public QObject
{
	Q_OBJECT

	private:
		QString mReaderName;
		VpcdAdapter mAdapter;

		std::unique_ptr<PcscReader> createReader()
		{
			auto reader = std::make_unique<PcscReader>(mReaderName);
			if (reader->init() != Scard_S_Success)
			{
				return nullptr;
			}
			return reader;
		}

	private Q_SLOTS:
		void initTestCase()
		{
			KENDRAWELL_REQUIRE_PCSCD_FIXTURE()

			auto& api = SCardApi::getInstance();
			SCARDCONTEXT context = 0;
			QCOMPARE(toString(api.establishContext(SCARD_SCOPE_USER, &context)), toString(Scard_S_Success));
			QByteArray names(8192, '\0');
			DWORD length = static_cast<DWORD>(names.size());
			const auto listed = api.listReaders(context, names.data(), &length);
			api.releaseContext(context);
			QCOMPARE(toString(listed), toString(Scard_S_Success));

			for (const auto& name : names.left(static_cast<qsizetype>(length)).split('\0'))
			{
				if (name.startsWith("Virtual PCD"))
				{
					mReaderName = QString::fromUtf8(name);
					break;
				}
			}
			QVERIFY2(!mReaderName.isEmpty(), names.constData());
		}


		// vpcd notices a closed connection only when it next polls; the next test starts without a card.
		void cleanup()
		{
			mAdapter.remove();

			auto& api = SCardApi::getInstance();
			SCARDCONTEXT context = 0;
			QCOMPARE(toString(api.establishContext(SCARD_SCOPE_USER, &context)), toString(Scard_S_Success));
			const QByteArray name = mReaderName.toUtf8();
			SCARD_READERSTATE state {};
			state.szReader = name.constData();
			state.dwCurrentState = SCARD_STATE_UNAWARE;
			const QDeadlineTimer deadline(10000);
			while (!deadline.hasExpired())
			{
				const auto code = api.getStatusChange(context, 500, &state, 1);
				if (code == Scard_S_Success && (state.dwEventState & SCARD_STATE_EMPTY))
				{
					break;
				}
				state.dwCurrentState = state.dwEventState;
			}
			api.releaseContext(context);
			QVERIFY(state.dwEventState & SCARD_STATE_EMPTY);
		}


		void insertAndRemove_data()
		{
			QTest::addColumn<bool>("scripted");

			QTest::newRow("scripted eID card") << true;
			QTest::newRow("card files") << false;
		}


		void insertAndRemove()
		{
			QFETCH(bool, scripted);

			const auto reader = createReader();
			QVERIFY(reader);
			QVERIFY(!reader->getReaderInfo().hasCard());
			QVERIFY(reader->getReaderInfo().isBasicReader());
			QSignalSpy inserted(reader.get(), &Reader::fireCardInserted);
			QSignalSpy removed(reader.get(), &Reader::fireCardRemoved);

			ScriptedCard scriptedCard;
			scriptedCard.scriptEidCard(readFixture(QStringLiteral("card_access_13.der")));
			const auto atr = QByteArray::fromHex("3B8880011122334455667700");
			std::shared_ptr<VirtualCard> card;
			if (scripted)
			{
				card = std::make_shared<CardVirtualCard>(scriptedCard, atr);
			}
			else
			{
				card = std::make_shared<FileSystemVirtualCard>();
			}

			const LogCapture log;
			QVERIFY(mAdapter.insert(card));
			QTRY_COMPARE_WITH_TIMEOUT(inserted.size(), 1, 10000);
			QCOMPARE(removed.size(), 0);
			QCOMPARE(log.count(QStringLiteral("ATR: ") + toSpacedHex(card->getAtr())), 1);
			QVERIFY(reader->getCard() != nullptr);
			QVERIFY(!reader->getCard()->isConnected());

			const auto info = inserted.at(0).at(0).value<ReaderInfo>();
			QCOMPARE(info.getName(), mReaderName);
			QVERIFY(info.hasCard());
			QCOMPARE(info.hasEid(), scripted);
			if (scripted)
			{
				QCOMPARE(info.getRetryCounter(), 3);
				const auto commands = scriptedCard.getCommands();
				QVERIFY(std::any_of(commands.cbegin(), commands.cend(), [](const QByteArray& pCommand){
						return pCommand.startsWith("00b09c00");
					}));
			}
			QVERIFY(mAdapter.getCommandCount() > 0);

			mAdapter.remove();
			QTRY_COMPARE_WITH_TIMEOUT(removed.size(), 1, 10000);
			QCOMPARE(inserted.size(), 1);
			QCOMPARE(reader->getCard(), nullptr);
			QVERIFY(!removed.at(0).at(0).value<ReaderInfo>().hasCard());
			QCOMPARE(log.count(QStringLiteral("Card removed")), 1);
		}


		void selectAndRead()
		{
			const auto reader = createReader();
			QVERIFY(reader);
			QSignalSpy inserted(reader.get(), &Reader::fireCardInserted);

			const SimulatorFileSystem files;
			QVERIFY(mAdapter.insert(std::make_shared<FileSystemVirtualCard>(files)));
			QTRY_COMPARE_WITH_TIMEOUT(inserted.size(), 1, 10000);

			Card* card = reader->getCard();
			QVERIFY(card);
			QCOMPARE(card->establishConnection(), CardReturnCode::OK);

			const auto select = card->transmit(CommandApdu(QByteArray::fromHex("00A4020C02011C")));
			QCOMPARE(select.mReturnCode, CardReturnCode::OK);
			QCOMPARE(select.mResponseApdu.getStatusCode(), StatusCode::SUCCESS);

			const auto read = card->transmit(CommandApdu(QByteArray::fromHex("00B0000000")));
			QCOMPARE(read.mReturnCode, CardReturnCode::OK);
			QCOMPARE(read.mResponseApdu.getStatusCode(), StatusCode::SUCCESS);
			QCOMPARE(read.mResponseApdu.getData(), files.getEfCardAccess());

			const auto shortRead = card->transmit(CommandApdu(QByteArray::fromHex("00B09C0004")));
			QCOMPARE(shortRead.mReturnCode, CardReturnCode::OK);
			QCOMPARE(shortRead.mResponseApdu.getData(), files.getEfCardAccess().left(4));

			// The card's refusal is an answer like any other.
			const auto unsupported = card->transmit(CommandApdu(QByteArray::fromHex("00CA010000")));
			QCOMPARE(unsupported.mReturnCode, CardReturnCode::OK);
			QCOMPARE(unsupported.mResponseApdu.getStatusCode(), StatusCode::UNSUPPORTED_INS);

			QCOMPARE(card->releaseConnection(), CardReturnCode::OK);
			QVERIFY(!card->isConnected());
		}


		void removedWhileConnected()
		{
			const auto reader = createReader();
			QVERIFY(reader);
			QSignalSpy inserted(reader.get(), &Reader::fireCardInserted);
			QSignalSpy removed(reader.get(), &Reader::fireCardRemoved);

			QVERIFY(mAdapter.insert(std::make_shared<FileSystemVirtualCard>()));
			QTRY_COMPARE_WITH_TIMEOUT(inserted.size(), 1, 10000);
			Card* card = reader->getCard();
			QVERIFY(card);
			QCOMPARE(card->establishConnection(), CardReturnCode::OK);

			mAdapter.remove();
			QTRY_COMPARE_WITH_TIMEOUT(removed.size(), 1, 10000);
			QCOMPARE(reader->getCard(), nullptr);

			// The reader takes the card up again on the next insertion.
			QVERIFY(mAdapter.insert(std::make_shared<FileSystemVirtualCard>()));
			QTRY_COMPARE_WITH_TIMEOUT(inserted.size(), 2, 10000);
			QVERIFY(reader->getCard());
			QCOMPARE(reader->getCard()->establishConnection(), CardReturnCode::OK);
			const auto select = reader->getCard()->transmit(CommandApdu(QByteArray::fromHex("00A4020C02011C")));
			QCOMPARE(select.mResponseApdu.getStatusCode(), StatusCode::SUCCESS);
		}
};

KENDRAWELL_TEST_MAIN(test_PcscVpcd)
#include "test_PcscVpcd.moc"
