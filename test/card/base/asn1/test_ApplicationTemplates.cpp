#include "asn1/ApplicationTemplates.h"

#include "LogCapture.h"
#include "TestEnvironment.h"

using namespace tessarovin;

namespace
{

const QByteArray cEidAid = QByteArray::fromHex("E80704007F00070302");
const QByteArray cEidTemplate = QByteArray::fromHex("610B4F09E80704007F00070302");
// eSign with a label and a file reference beside the identifier.
const QByteArray cESignTemplate = QByteArray::fromHex("61174F0AA000000167455349474E5005655369676E51020101");

} // namespace


class test_ApplicationTemplates
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void decode_data()
		{
			QTest::addColumn<QByteArray>("efDir");
			QTest::addColumn<QList<QByteArray>>("aids");

			QTest::newRow("eID") << cEidTemplate << QList<QByteArray>({cEidAid});
			QTest::newRow("two in file order") << cESignTemplate + cEidTemplate << QList<QByteArray>({QByteArray::fromHex("A000000167455349474E"), cEidAid});
			QTest::newRow("empty") << QByteArray() << QList<QByteArray>();
		}


		void decode()
		{
			QFETCH(QByteArray, efDir);
			QFETCH(QList<QByteArray>, aids);

			const LogCapture capture;
			const auto templates = ApplicationTemplates::decode(efDir);
			QVERIFY(templates);
			QCOMPARE(templates->getContentBytes(), efDir);

			QList<QByteArray> decodedAids;
			for (const auto& entry : templates->getApplicationTemplates())
			{
				decodedAids << entry->getAid();
			}
			QCOMPARE(decodedAids, aids);
			QCOMPARE(capture.count(QStringLiteral("Parsed ApplicationTemplate:")), aids.size());

			QCOMPARE(templates->contains(cEidAid), aids.contains(cEidAid));
			QVERIFY(!templates->contains(QByteArray::fromHex("E80704007F00070303")));
			QVERIFY(!templates->contains(QByteArray()));
		}


		void optionalFieldsAreRead()
		{
			const auto templates = ApplicationTemplates::decode(cESignTemplate);
			QVERIFY(templates);
			const auto& entry = templates->getApplicationTemplates().first();
			QVERIFY(entry->mApplicationLabel);
			QCOMPARE(QByteArray(reinterpret_cast<const char*>(entry->mApplicationLabel->data), entry->mApplicationLabel->length), QByteArray("eSign"));
			QVERIFY(entry->mFileReference);
			QVERIFY(!entry->mCommandApdu);
			QCOMPARE(encodeObject(entry.data()), cESignTemplate);
		}


		void malformed_data()
		{
			QTest::addColumn<QByteArray>("efDir");

			QTest::newRow("no identifier") << QByteArray::fromHex("61075005655369676E");
			QTest::newRow("trailing 00") << cEidTemplate + QByteArray::fromHex("00");
			QTest::newRow("trailing FF") << cEidTemplate + QByteArray::fromHex("FF");
			QTest::newRow("truncated") << cEidTemplate.chopped(1);
			QTest::newRow("plain sequence instead of 61") << QByteArray::fromHex("300B4F09E80704007F00070302");
		}


		void malformed()
		{
			QFETCH(QByteArray, efDir);

			const LogCapture capture;
			QVERIFY(!ApplicationTemplates::decode(efDir));
			QVERIFY(capture.contains(QStringLiteral("Cannot decode ASN.1 object:")));
		}


};

KENDRAWELL_TEST_MAIN(test_ApplicationTemplates)
#include "test_ApplicationTemplates.moc"
