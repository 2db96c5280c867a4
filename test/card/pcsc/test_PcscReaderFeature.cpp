#include "PcscReaderFeature.h"

#include "LogCapture.h"
#include "TestEnvironment.h"

#include <QtTest>

using namespace tessarovin;

using FeatureMap = QMap<FeatureID, qint32>;
Q_DECLARE_METATYPE(FeatureMap)


class test_PcscReaderFeature
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void featureIds()
		{
			const auto values = Enum<FeatureID>::allValues();
			QCOMPARE(values.size(), 20);
			QCOMPARE(values.first(), FeatureID::VERIFY_PIN_START);
			QCOMPARE(values.last(), FeatureID::EXECUTE_PACE);
			for (int tag = 0x14; tag <= 0x1F; ++tag)
			{
				QVERIFY(!Enum<FeatureID>::isValue(tag));
			}
		}


		void parse_data()
		{
			QTest::addColumn<QByteArray>("answer");
			QTest::addColumn<FeatureMap>("features");
			QTest::addColumn<QString>("text");

			QTest::newRow("empty") << QByteArray() << FeatureMap() << QStringLiteral("()");
			QTest::newRow("EXECUTE_PACE") << QByteArray::fromHex("200442000DCC")
										  << FeatureMap {{FeatureID::EXECUTE_PACE, 0x42000DCC}} << QStringLiteral("(EXECUTE_PACE)");
			QTest::newRow("two and a stray byte") << QByteArray::fromHex("060442330006" "07044233000700")
												  << FeatureMap {{FeatureID::VERIFY_PIN_DIRECT, 0x42330006}, {FeatureID::MODIFY_PIN_DIRECT, 0x42330007}}
												  << QStringLiteral("(VERIFY_PIN_DIRECT, MODIFY_PIN_DIRECT)");
			QTest::newRow("five bytes only") << QByteArray::fromHex("2004420000") << FeatureMap() << QStringLiteral("()");
			QTest::newRow("unknown tags") << QByteArray::fromHex("150400000015" "140400000014" "1F040000001F" "210400000021" "000400000000" "120400000012")
										  << FeatureMap {{FeatureID::TLV_PROPERTIES, 0x12}} << QStringLiteral("(TLV_PROPERTIES)");
			QTest::newRow("second code wins") << QByteArray::fromHex("070400000001" "070400000002")
											  << FeatureMap {{FeatureID::MODIFY_PIN_DIRECT, 2}} << QStringLiteral("(MODIFY_PIN_DIRECT)");
			QTest::newRow("length byte ignored") << QByteArray::fromHex("2002AABBCCDD" "0109000000FF")
												 << FeatureMap {{FeatureID::EXECUTE_PACE, qint32(0xAABBCCDD)}, {FeatureID::VERIFY_PIN_START, 0xFF}}
												 << QStringLiteral("(VERIFY_PIN_START, EXECUTE_PACE)");
			QTest::newRow("value order in text") << QByteArray::fromHex("200400000020" "130400000013" "010400000001")
												 << FeatureMap {{FeatureID::VERIFY_PIN_START, 1}, {FeatureID::CCID_ESC_COMMAND, 0x13}, {FeatureID::EXECUTE_PACE, 0x20}}
												 << QStringLiteral("(VERIFY_PIN_START, CCID_ESC_COMMAND, EXECUTE_PACE)");
			QTest::newRow("signed code") << QByteArray::fromHex("0B04FFFFFFFF") << FeatureMap {{FeatureID::ABORT, -1}} << QStringLiteral("(ABORT)");
		}


		void parse()
		{
			QFETCH(QByteArray, answer);
			QFETCH(FeatureMap, features);
			QFETCH(QString, text);

			const PcscReaderFeature readerFeature(answer);
			QCOMPARE(readerFeature.getFeatures(), features.keys());
			for (auto it = features.cbegin(); it != features.cend(); ++it)
			{
				QVERIFY(readerFeature.contains(it.key()));
				QCOMPARE(readerFeature.getValue(it.key()), it.value());
			}
			for (const auto feature : Enum<FeatureID>::allValues())
			{
				QCOMPARE(readerFeature.contains(feature), features.contains(feature));
			}

			QString streamed;
			QDebug(&streamed) << readerFeature;
			QCOMPARE(streamed.trimmed(), text);
		}


		void emptyAnswerIsLogged()
		{
			const LogCapture log;
			const PcscReaderFeature features((QByteArray()));
			QCOMPARE(log.count(QStringLiteral("features: null")), 1);

			const PcscReaderFeature stray(QByteArray(5, '\x20'));
			QCOMPARE(log.count(QStringLiteral("features: null")), 1);
		}
};

KENDRAWELL_TEST_MAIN(test_PcscReaderFeature)
#include "test_PcscReaderFeature.moc"
