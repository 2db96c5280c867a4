#include "PacePeerProcess.h"

#include "asn1/SecurityInfos.h"
#include "TestEnvironment.h"

#include <QtTest>

using namespace tessarovin;

namespace
{

// One APDU (hex) and the status word its answer must end with (hex).
using Exchange = QPair<QByteArray, QByteArray>;

const QByteArray MSE_CAN("0022C1A412800A04007F00070202040202830102 84010D");
const QByteArray MSE_PIN("0022C1A412800A04007F00070202040202830103 84010D");
const QByteArray MSE_PUK("0022C1A412800A04007F00070202040202830104 84010D");

} // namespace

Q_DECLARE_METATYPE(QList<Exchange>)

class test_PacePeer
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void cardAccess_data()
		{
			QTest::addColumn<QStringList>("arguments");
			QTest::addColumn<QList<int>>("parameterIds");
			QTest::addColumn<QByteArray>("protocol");

			QTest::newRow("default") << QStringList() << QList<int>({13, 12}) << QByteArray("04007f00070202040202");
			QTest::newRow("P-256 first, AES-256") << QStringList({"--curves", "12,13,15", "--key-size", "256"}) << QList<int>({12, 13, 15}) << QByteArray("04007f00070202040204");
			QTest::newRow("one curve, AES-192") << QStringList({"--curves", "16", "--key-size", "192"}) << QList<int>({16}) << QByteArray("04007f00070202040203");
		}


		void cardAccess()
		{
			QFETCH(QStringList, arguments);
			QFETCH(QList<int>, parameterIds);
			QFETCH(QByteArray, protocol);

			PacePeerProcess peer;
			QVERIFY(peer.start(arguments));
			QCOMPARE(peer.transmitHex("00A4000C023F00").toHex(), QByteArray("9000"));

			// By short identifier, as the card info factory reads it.
			const QByteArray bySfi = peer.transmitHex("00B09C0000");
			QVERIFY(bySfi.endsWith(QByteArray::fromHex("6282")));
			const QByteArray cardAccess = bySfi.chopped(2);

			const auto infos = SecurityInfos::decode(cardAccess);
			QVERIFY(infos);
			QList<int> ids;
			for (const auto& info : infos->getPaceInfos())
			{
				QCOMPARE(info->getOid().getData().toHex(), protocol);
				QCOMPARE(info->getVersion(), 2);
				ids << info->getParameterId();
			}
			QCOMPARE(ids, parameterIds);

			// By file identifier and offset, in two parts.
			QCOMPARE(peer.transmitHex("00A4020C02011C").toHex(), QByteArray("9000"));
			const QByteArray first = peer.transmitHex("00B0000004");
			QCOMPARE(first, cardAccess.first(4) + QByteArray::fromHex("9000"));
			const QByteArray rest = peer.transmitHex("00B0000400");
			QCOMPARE(rest, cardAccess.mid(4) + QByteArray::fromHex("6282"));
			QCOMPARE(peer.transmit(QByteArray::fromHex("00B000") + QByteArray(1, static_cast<char>(cardAccess.size())) + QByteArray::fromHex("00")).toHex(), QByteArray("6b00"));

			QCOMPARE(peer.stop(), 0);
		}


		void exchanges_data()
		{
			QTest::addColumn<QStringList>("arguments");
			QTest::addColumn<QList<Exchange>>("exchanges");

			QTest::newRow("MSE:Set AT with the CAN") << QStringList() << QList<Exchange>({{MSE_CAN, "9000"}});
			QTest::newRow("MSE:Set AT with the PIN") << QStringList() << QList<Exchange>({{MSE_PIN, "9000"}});
			QTest::newRow("PIN retry counter 2") << QStringList({"--retry-counter", "2"}) << QList<Exchange>({{MSE_PIN, "63C2"}});
			QTest::newRow("PIN suspended") << QStringList({"--retry-counter", "1"}) << QList<Exchange>({{MSE_PIN, "63C1"}, {"10860000027C0000", "6982"}});
			QTest::newRow("PIN blocked") << QStringList({"--retry-counter", "0"}) << QList<Exchange>({{MSE_PIN, "63C0"}, {"10860000027C0000", "6985"}});
			QTest::newRow("PUK while the PIN is not blocked") << QStringList() << QList<Exchange>({{MSE_PUK, "6985"}});
			QTest::newRow("PUK with the PIN blocked") << QStringList({"--retry-counter", "0"}) << QList<Exchange>({{MSE_PUK, "9000"}});
			QTest::newRow("DH protocol") << QStringList() << QList<Exchange>({{"0022C1A412800A04007F00070202040102830102 84010D", "6A80"}});
			QTest::newRow("integrated mapping") << QStringList() << QList<Exchange>({{"0022C1A412800A04007F00070202040402830102 84010D", "6A80"}});
			QTest::newRow("unknown parameter id") << QStringList() << QList<Exchange>({{"0022C1A412800A04007F00070202040202830102 840113", "6A80"}});
			QTest::newRow("MRZ") << QStringList() << QList<Exchange>({{"0022C1A412800A04007F00070202040202830101 84010D", "6A80"}});
			QTest::newRow("MSE:Set AT without data closes the channel") << QStringList() << QList<Exchange>({{"0022C1A4", "6700"}});
			QTest::newRow("GENERAL AUTHENTICATE without MSE:Set AT") << QStringList() << QList<Exchange>({{"10860000027C0000", "6985"}});
			QTest::newRow("GENERAL AUTHENTICATE without chaining") << QStringList() << QList<Exchange>({{MSE_CAN, "9000"}, {"00860000027C0000", "6A80"}});
			QTest::newRow("eID application without secure messaging") << QStringList() << QList<Exchange>({{"00A4040C09E80704007F00070302", "9000"}, {"00B0810000", "6982"}});
			QTest::newRow("unknown application") << QStringList() << QList<Exchange>({{"00A4040C09E80704007F00070399", "6A82"}});
			QTest::newRow("secured command without a channel") << QStringList() << QList<Exchange>({{"0CB09C000D970100 8E080000000000000000 00", "6987"}});
			QTest::newRow("unknown instruction") << QStringList() << QList<Exchange>({{"00CA000000", "6D00"}});
		}


		void exchanges()
		{
			QFETCH(QStringList, arguments);
			QFETCH(QList<Exchange>, exchanges);

			PacePeerProcess peer;
			QVERIFY(peer.start(arguments));
			for (const auto& [command, status] : exchanges)
			{
				const QByteArray response = peer.transmit(QByteArray::fromHex(command));
				QVERIFY2(response.size() >= 2, command.constData());
				QCOMPARE(response.right(2).toHex().toUpper(), status);
			}
			QCOMPARE(peer.stop(), 0);
		}


		void encryptedNonce()
		{
			PacePeerProcess peer;
			QVERIFY(peer.start());
			QCOMPARE(peer.transmit(QByteArray::fromHex(MSE_CAN)).toHex(), QByteArray("9000"));

			const QByteArray response = peer.transmitHex("10860000027C0000");
			QCOMPARE(response.size(), 2 + 2 + 16 + 2);
			QCOMPARE(response.first(4).toHex(), QByteArray("7c128010"));
			QCOMPARE(response.right(2).toHex(), QByteArray("9000"));
			QCOMPARE(peer.stop(), 0);
		}


};

KENDRAWELL_TEST_MAIN(test_PacePeer)
#include "test_PacePeer.moc"
