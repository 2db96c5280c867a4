#include "RandomSource.h"

#include "TestEnvironment.h"

#include <QSet>

using namespace tessarovin;

class test_RandomSource
	: public QObject
{
	Q_OBJECT

	private Q_SLOTS:
		void oneInstance()
		{
			QCOMPARE(&RandomSource::getInstance(), &RandomSource::getInstance());
			QCOMPARE(&RandomSource::getInstance().getGenerator(true), QRandomGenerator64::system());
			QCOMPARE(&RandomSource::getInstance().getGenerator(false), QRandomGenerator64::global());
			QCOMPARE(&RandomSource::getInstance().getGenerator(), QRandomGenerator64::system());
		}


		void createBytes_data()
		{
			QTest::addColumn<int>("count");
			QTest::addColumn<int>("size");

			QTest::newRow("none") << 0 << 0;
			QTest::newRow("negative") << -4 << 0;
			QTest::newRow("one") << 1 << 1;
			QTest::newRow("one word") << 4 << 4;
			QTest::newRow("part of a second word") << 5 << 5;
			QTest::newRow("uuid") << 16 << 16;
			QTest::newRow("odd and long") << 1001 << 1001;
		}


		void createBytes()
		{
			QFETCH(int, count);
			QFETCH(int, size);

			QCOMPARE(RandomSource::getInstance().createBytes(count).size(), size);
		}


		void bytesDiffer()
		{
			// 2^-128 for a false failure.
			const auto& source = RandomSource::getInstance();
			QVERIFY(source.createBytes(16) != source.createBytes(16));

			// Every byte value turns up in a long draw, so no position of a word is stuck.
			QSet<uchar> seen[4];
			const QByteArray bytes = source.createBytes(4 * 8192);
			for (qsizetype i = 0; i < bytes.size(); ++i)
			{
				seen[i % 4] << static_cast<uchar>(bytes.at(i));
			}
			for (const auto& values : seen)
			{
				QCOMPARE(values.size(), 256);
			}
		}


		void createUuid()
		{
			const auto& source = RandomSource::getInstance();
			const QUuid first = source.createUuid();
			const QUuid second = source.createUuid();
			QVERIFY(!first.isNull());
			QVERIFY(first != second);
			QCOMPARE(first.toRfc4122().size(), 16);
		}


};

KENDRAWELL_TEST_MAIN(test_RandomSource)
#include "test_RandomSource.moc"
